#include "AppSettings.h"
#include "ComPortCfgDlg.h"
#include "RecordingPrompter.h"
#include "RunModal.h"
#include "ScratchSettings.h"
#include "Translations.h"

#include <gtest/gtest.h>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using Stored = ScratchSettings::Stored;
using AppSettings::Value;
using Dlg = ComPortCfgDlg;  // for its control ids

// Each test gets its own settings file and runtime folder (CTest may run tests side by side).
class ComPortCfgDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_settings.Folder().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_savedRuntime); }

    static void Store(Value name, const Stored& value) { ScratchSettings::Store(name, value); }
    static Stored Read(Value name) { return ScratchSettings::Read(name); }

    // A dialog whose system port list is `ports`.
    static void UsePorts(ComPortCfgDlg& dialog, const QStringList& ports) {
        dialog.SetSystemPortSource([ports] { return ports; });
    }

    template <typename T>
    static T* Control(ComPortCfgDlg& dialog, const QString& name) {
        T* control = dialog.findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    template <typename T>
    static T* Control(ComPortCfgDlg& dialog, int id) {
        return Control<T>(dialog, QString::number(id));
    }
    static QStringList Items(QComboBox* combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            items.append(combo->itemText(i));
        }
        return items;
    }
    static void Click(ComPortCfgDlg& dialog, int id) {
        Control<QAbstractButton>(dialog, id)->click();
    }
    static void Click(ComPortCfgDlg& dialog, const QString& name) {
        Control<QAbstractButton>(dialog, name)->click();
    }

    ScratchSettings m_settings;
    QByteArray m_savedRuntime;
};

}  // namespace

TEST_F(ComPortCfgDlgTest, portList_isSortedAndReturnsToTheStoredPort_okStoresANonEmptyChoice) {
    struct Case {
        QStringList ports;
        Stored storedPort;
        QStringList items;
        QString selected;  // also what OK returns and what is stored afterwards, unless empty
    };
    const Case cases[] = {
        {{"COM2", "COM10", "COM1"}, "COM10", {"COM1", "COM10", "COM2"}, "COM10"},
        {{"COM3", "COM4"}, "COM7", {"COM3", "COM4"}, "COM3"},
        {{"COM2", "COM1"}, {}, {"COM1", "COM2"}, "COM1"},
        {{"COM2", "COM3"}, "com3", {"COM2", "COM3"}, "COM2"},
        {{"COM3", "", "COM3"}, "COM9", {"", "COM3"}, ""},
        {{}, "COM5", {}, ""},
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        Store(Value::ComPort, c.storedPort);
        ComPortCfgDlg dialog;
        UsePorts(dialog, c.ports);
        const auto context = testing::Message() << c.ports.join(',').toStdString();
        const int result = RunModal(dialog, [&] {
            auto* combo = Control<QComboBox>(dialog, Dlg::kIdPort);
            EXPECT_EQ(Items(combo), c.items) << context;
            EXPECT_EQ(combo->currentText(), c.selected) << context;
            EXPECT_EQ(dialog.Settings().port, c.selected) << context;
            Click(dialog, Dlg::kIdOk);
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(dialog.Settings().port, c.selected) << context;
        EXPECT_EQ(Read(Value::ComPort), c.selected.isEmpty() ? c.storedPort : c.selected)
            << context;
    }
}

TEST_F(ComPortCfgDlgTest, portList_addsLiveVirtualPortsByTheirLinkPath) {
    QDir runtime(m_settings.Folder());
    ASSERT_TRUE(runtime.mkdir(QStringLiteral("skw-virtual-ports")));
    // As private as the virtual module makes it.
    ASSERT_TRUE(QFile::setPermissions(runtime.filePath(QStringLiteral("skw-virtual-ports")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QFile pty(runtime.filePath(QStringLiteral("pty")));
    ASSERT_TRUE(pty.open(QIODevice::WriteOnly));
    const QString live = runtime.filePath(QStringLiteral("skw-virtual-ports/GaX-sKW523"));
    ASSERT_TRUE(QFile::link(pty.fileName(), live));
    // A running module holds its link's lock file.
    const int lock = ::open(QFile::encodeName(live + ".lock").constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    ASSERT_TRUE(QFile::link(runtime.filePath(QStringLiteral("gone")),
                            runtime.filePath(QStringLiteral("skw-virtual-ports/GaX-DTQ50"))));
    Store(Value::ComPort, live);

    ComPortCfgDlg dialog;
    UsePorts(dialog, {"/dev/ttyS0", "/dev/ttyS0"});
    RunModal(dialog, [&] {
        auto* combo = Control<QComboBox>(dialog, Dlg::kIdPort);
        EXPECT_EQ(Items(combo), QStringList({"/dev/ttyS0", live}));
        EXPECT_EQ(combo->currentText(), live);
        Click(dialog, Dlg::kIdCancel);
    });
    EXPECT_EQ(dialog.Settings().port, live);
    ::close(lock);
}

TEST_F(ComPortCfgDlgTest, preferredPort_standsInOnlyForAnAbsentStoredPort) {
    struct Case {
        Stored storedPort;
        QString preferred;
        QString selected;
    };
    const Case cases[] = {
        {{}, "/tmp/v/GaX-sKW523", "/tmp/v/GaX-sKW523"},
        {"COM9", "/tmp/v/GaX-sKW523", "/tmp/v/GaX-sKW523"},
        {"/dev/ttyS1", "/tmp/v/GaX-sKW523", "/dev/ttyS1"},  // the stored port still wins
        {{}, "/dev/ttyUSB7", "/dev/ttyS0"},                 // not listed: the first entry
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        Store(Value::ComPort, c.storedPort);
        ComPortCfgDlg dialog;
        UsePorts(dialog, {"/dev/ttyS1", "/tmp/v/GaX-sKW523", "/dev/ttyS0"});
        dialog.SetPreferredPort(c.preferred);
        RunModal(dialog, [&] {
            EXPECT_EQ(Control<QComboBox>(dialog, Dlg::kIdPort)->currentText(), c.selected)
                << c.preferred.toStdString();
            Click(dialog, Dlg::kIdCancel);
        });
    }
}

TEST_F(ComPortCfgDlgTest, dropDown_rebuildsTheListAndDropsAnUnconfirmedChoice) {
    Store(Value::ComPort, "COM2");
    QStringList ports = {"COM1", "COM2"};
    ComPortCfgDlg dialog;
    dialog.SetSystemPortSource([&ports] { return ports; });
    RunModal(dialog, [&] {
        auto* combo = Control<QComboBox>(dialog, Dlg::kIdPort);
        combo->setCurrentIndex(0);
        ports.append("COM3");
        combo->showPopup();
        combo->hidePopup();
        EXPECT_EQ(Items(combo), QStringList({"COM1", "COM2", "COM3"}));
        EXPECT_EQ(combo->currentText(), "COM2");
        Click(dialog, Dlg::kIdOk);
    });
    EXPECT_EQ(dialog.Settings().port, "COM2");
}

// A typed port: a network port is taken and remembered (the most recent first, a few of them);
// anything else that is not listed keeps the dialog open with a message, storing nothing.
TEST_F(ComPortCfgDlgTest, typedPort_networkPortsAreTakenAndRemembered_othersRefused) {
    struct Case {
        QString typed;
        bool accepted;
        QStringList rememberedAfter;
    };
    const QStringList before = {"socket://lab:4000", "rfc2217://10.0.0.9:2217"};
    const Case cases[] = {
        {"rfc2217://127.0.0.1:7001",
         true,
         {"rfc2217://127.0.0.1:7001", "socket://lab:4000", "rfc2217://10.0.0.9:2217"}},
        {" rfc2217://10.0.0.9:2217 ", true, {"rfc2217://10.0.0.9:2217", "socket://lab:4000"}},
        {"socket://[::1]:4001",
         true,
         {"socket://[::1]:4001", "socket://lab:4000", "rfc2217://10.0.0.9:2217"}},
        {"COM2", true, before},
        {"rfc2217://host", false, before},
        {"rfc2217://host:70000", false, before},
        {"socket://:4000", false, before},
        {"/dev/ttyUSB9", false, before},
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        Store(Value::ComPort, "COM1");
        AppSettings::SetRemotePorts(before);
        RecordingPrompter prompter;
        ComPortCfgDlg dialog;
        UsePorts(dialog, {"COM1", "COM2"});
        const auto context = testing::Message() << c.typed.toStdString();
        const int result = RunModal(dialog, [&] {
            auto* combo = Control<QComboBox>(dialog, Dlg::kIdPort);
            EXPECT_EQ(Items(combo),
                      QStringList({"COM1", "COM2", "rfc2217://10.0.0.9:2217", "socket://lab:4000"}))
                << context;
            combo->setEditText(c.typed);
            Click(dialog, Dlg::kIdOk);
            if (dialog.isVisible()) {
                EXPECT_EQ(combo->currentText(), c.typed) << context;
                dialog.reject();
            }
        });
        EXPECT_EQ(result == QDialog::Accepted, c.accepted) << context;
        EXPECT_EQ(prompter.messages.size(), c.accepted ? 0u : 1u) << context;
        EXPECT_EQ(Read(Value::ComPort), c.accepted ? c.typed.trimmed() : QString("COM1"))
            << context;
        EXPECT_EQ(AppSettings::RemotePorts(), c.rememberedAfter) << context;
    }
}

TEST_F(ComPortCfgDlgTest, typedPort_fewRemembered_andAnUnconfirmedOneSurvivesADropDown) {
    QStringList many;
    for (int i = 1; i <= Dlg::kRememberedRemotePorts; ++i) {
        many.append(QStringLiteral("socket://host%1:4000").arg(i));
    }
    AppSettings::SetRemotePorts(many);
    ComPortCfgDlg dialog;
    UsePorts(dialog, {"COM1"});
    RunModal(dialog, [&] {
        auto* combo = Control<QComboBox>(dialog, Dlg::kIdPort);
        combo->setEditText(QStringLiteral("rfc2217://new:2217"));
        combo->showPopup();
        combo->hidePopup();
        EXPECT_EQ(combo->currentText(), "rfc2217://new:2217");
        Click(dialog, Dlg::kIdOk);
    });
    const QStringList remembered = AppSettings::RemotePorts();
    ASSERT_EQ(remembered.size(), Dlg::kRememberedRemotePorts);
    EXPECT_EQ(remembered.front(), "rfc2217://new:2217");
    EXPECT_FALSE(remembered.contains(many.back()));
}

TEST_F(ComPortCfgDlgTest, baudRate_storedValueSelected_okFallsBackTo9600WithoutStoring) {
    struct Case {
        Stored stored;
        QString choice;  // selected by the user before OK; empty: left alone
        QString selected;
        int baudRate;
        Stored storedAfter;
    };
    const Case cases[] = {
        {{}, "", "9600", 9600, 9600},
        {115200, "", "115200", 115200, 115200},
        {4800, "", "", 9600, 4800},
        {4800, "57600", "", 57600, 57600},
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        Store(Value::BaudRate, c.stored);
        ComPortCfgDlg dialog;
        const auto context = testing::Message()
                             << c.stored.value_or(0).toInt() << c.choice.toStdString();
        RunModal(dialog, [&] {
            auto* combo = Control<QComboBox>(dialog, Dlg::kIdBaudRate);
            EXPECT_EQ(Items(combo), QStringList({"9600", "19200", "38400", "57600", "115200",
                                                 "230400", "460800"}));
            EXPECT_EQ(combo->currentText(), c.selected) << context;
            if (!c.choice.isEmpty()) {
                combo->setCurrentText(c.choice);
            }
            Click(dialog, Dlg::kIdOk);
        });
        EXPECT_EQ(dialog.Settings().baudRate, c.baudRate) << context;
        EXPECT_EQ(Read(Value::BaudRate), c.storedAfter) << context;
    }
}

TEST_F(ComPortCfgDlgTest, flowControl_isPreselected_andTheChoiceIsTakenOnOk) {
    struct Case {
        Stored stored;
        QString choice;
        QString selected;
        int valueBeforeOk;
        int valueAfterOk;
        Stored storedAfter;
    };
    const Case cases[] = {
        {{}, "", "None", 0, 0, 0},        {2, "", "Hardware", 2, 2, 2},     {1, "", "", 255, 0, 1},
        {0, "Hardware", "None", 0, 2, 2}, {2, "None", "Hardware", 2, 0, 0},
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        Store(Value::FlowControl, c.stored);
        ComPortCfgDlg dialog;
        const auto context = testing::Message()
                             << c.stored.value_or(-1).toInt() << c.choice.toStdString();
        RunModal(dialog, [&] {
            auto* combo = Control<QComboBox>(dialog, Dlg::kIdFlowControl);
            EXPECT_EQ(Items(combo), QStringList({"Hardware", "None"}));
            EXPECT_EQ(combo->currentText(), c.selected) << context;
            EXPECT_EQ(dialog.Settings().flowControl, c.valueBeforeOk) << context;
            if (!c.choice.isEmpty()) {
                combo->setCurrentText(c.choice);
            }
            Click(dialog, Dlg::kIdOk);
        });
        EXPECT_EQ(dialog.Settings().flowControl, c.valueAfterOk) << context;
        EXPECT_EQ(Read(Value::FlowControl), c.storedAfter) << context;
    }
}

TEST_F(ComPortCfgDlgTest, opMode_onlyAStoredTwoOrThreeOpensInTerminalOrProduction) {
    struct Case {
        Stored stored;
        QString checked;
        int opMode;
    };
    const QString configurator = QString::number(Dlg::kIdConfigurator);
    const Case cases[] = {
        {{}, configurator, 1},
        {0, configurator, 1},
        {4, configurator, 1},
        {-1, configurator, 1},
        {2, QString::number(Dlg::kIdTerminal), 2},
        {3, QLatin1String(Dlg::kIdProduction), 3},
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        Store(Value::OpMode, c.stored);
        ComPortCfgDlg dialog;
        RunModal(dialog, [&] {
            EXPECT_TRUE(Control<QRadioButton>(dialog, c.checked)->isChecked())
                << c.checked.toStdString();
            EXPECT_EQ(dialog.Settings().opMode, c.opMode);
            Click(dialog, Dlg::kIdCancel);
        });
        EXPECT_EQ(Read(Value::OpMode), c.stored);
    }
}

TEST_F(ComPortCfgDlgTest, modeButtons_changeTheModeAtOnce_butOnlyOkStoresIt) {
    struct Case {
        Stored stored;
        QString radio;
        int button;
        int opMode;
        Stored storedAfter;
    };
    const QString terminal = QString::number(Dlg::kIdTerminal);
    const QString configurator = QString::number(Dlg::kIdConfigurator);
    const QString production = QLatin1String(Dlg::kIdProduction);
    const Case cases[] = {
        {{}, terminal, Dlg::kIdCancel, 2, {}}, {{}, terminal, Dlg::kIdOk, 2, 2},
        {2, configurator, Dlg::kIdOk, 1, 1},   {2, configurator, Dlg::kIdCancel, 1, 2},
        {{}, production, Dlg::kIdOk, 3, 3},    {3, terminal, Dlg::kIdCancel, 2, 3},
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        Store(Value::OpMode, c.stored);
        ComPortCfgDlg dialog;
        RunModal(dialog, [&] {
            Click(dialog, c.radio);
            EXPECT_EQ(dialog.Settings().opMode, c.opMode);
            Click(dialog, c.button);
        });
        EXPECT_EQ(dialog.Settings().opMode, c.opMode) << c.radio.toStdString() << c.button;
        EXPECT_EQ(Read(Value::OpMode), c.storedAfter) << c.radio.toStdString() << c.button;
    }
}

TEST_F(ComPortCfgDlgTest, texts_andAccessibleNames_inBothLanguages) {
    struct Case {
        const char* language;
        QString title;
        std::vector<std::pair<int, QString>> names;
        QString flowLabel;
        QString production;
    };
    const Case cases[] = {
        {"en",
         "COM port settings for communication with device",
         {{Dlg::kIdPort, "Com port"},
          {Dlg::kIdBaudRate, "Baudrate"},
          {Dlg::kIdFlowControl, "Flow control"},
          {Dlg::kIdConfigurator, "Configurator"},
          {Dlg::kIdTerminal, "Terminal"},
          {Dlg::kIdOk, "OK"},
          {Dlg::kIdCancel, "Cancel"}},
         "Flow control",
         "Production"},
        {"ko",
         "GaX sKW 모듈과의 통신 설정",
         {{Dlg::kIdPort, "통신 포트"},
          {Dlg::kIdBaudRate, "통신 속도"},
          {Dlg::kIdFlowControl, "흐름 제어"},
          {Dlg::kIdConfigurator, "모듈 설정"},
          {Dlg::kIdTerminal, "시리얼 터미널"},
          {Dlg::kIdOk, "확인"},
          {Dlg::kIdCancel, "취소"}},
         "흐름 제어 ",
         "생산"},
    };
    for (const Case& c : cases) {
        Translations::Install(QLatin1String(c.language));
        ComPortCfgDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), c.title);
        for (const auto& [id, name] : c.names) {
            EXPECT_EQ(Control<QWidget>(dialog, id)->accessibleName(), name) << id;
        }
        EXPECT_EQ(Control<QRadioButton>(dialog, QLatin1String(Dlg::kIdProduction))->text(),
                  c.production);
        EXPECT_EQ(
            Control<QRadioButton>(dialog, QLatin1String(Dlg::kIdProduction))->accessibleName(),
            c.production);
        auto* flow = Control<QComboBox>(dialog, Dlg::kIdFlowControl);
        const auto labels = dialog.findChildren<QLabel*>();
        const auto label = std::find_if(labels.begin(), labels.end(),
                                        [&](QLabel* l) { return l->buddy() == flow; });
        ASSERT_NE(label, labels.end());
        EXPECT_EQ((*label)->text(), c.flowLabel);
    }
    Translations::Install(QStringLiteral("en"));
}
