// The program's main window against the virtual module: the COM port dialog at start-up and
// from the menu, opening and closing the pages' ports, the status line, and one whole session.

#include "AppSettings.h"
#include "CAboutDlg.h"
#include "ComPortCfgDlg.h"
#include "ConfControlIds.h"
#include "ConfMessages.h"
#include "CsKWEVBManagerDlg.h"
#include "ModuleConfPage.h"
#include "ProductionPage.h"
#include "Profile.h"
#include "ProfileApplyDlg.h"
#include "RecordingFileAsker.h"
#include "RecordingPrompter.h"
#include "ScratchSettings.h"
#include "Ser2net.h"
#include "SerialTermPage.h"
#include "SkwVersion.h"
#include "StallProbe.h"
#include "StationTile.h"
#include "Translations.h"
#include "VirtualModule.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Failures show texts as text.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr int kLimitMs = 15000;
// Longer than the window's 200 ms between closing and opening, for checks that nothing opens.
constexpr int kSettleMs = 600;

const QString kClosed = QStringLiteral("COM port closed");

// The COM port dialog's mode buttons.
constexpr int kConfigurator = ComPortCfgDlg::kIdConfigurator;
constexpr int kTerminal = ComPortCfgDlg::kIdTerminal;

struct LineSettings {
    bool hardwareFlow = false;
    speed_t speed = 0;
};

// The serial settings of the terminal behind `path`, as the program left them.
std::optional<LineSettings> ReadLineSettings(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    termios tio{};
    const bool read = ::tcgetattr(fd, &tio) == 0;
    ::close(fd);
    if (!read) {
        return std::nullopt;
    }
    return LineSettings{(tio.c_cflag & CRTSCTS) != 0, ::cfgetospeed(&tio)};
}

// The threads of this process by their ids, except the ones Qt keeps in its thread pools for
// itself (named "Thread (pooled)"; they end on their own when idle).
std::vector<std::string> Threads() {
    std::vector<std::string> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() != "Thread (pooled)") {
            threads.push_back(task.toStdString());
        }
    }
    return threads;
}

void Click(QWidget& parent, const QString& name) {
    auto* button = parent.findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name.toStdString();
    button->click();
}
void Click(QWidget& parent, int id) {
    Click(parent, QString::number(id));
}

// The main window with a virtual module and a recording prompter. The COM port dialog and the
// About box are answered by `answer` instead of a modal loop; the dialog lists only the
// virtual ports of this test's own runtime folder, and settings go to a scratch folder.
class MainWindowTest : public ::testing::Test {
protected:
    using Answer = std::function<void(QDialog&)>;

    void SetUp() override {
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_settings.Folder().toLocal8Bit());
        m_module = std::make_unique<VirtualModule>();
        ASSERT_FALSE(m_module->Start());
        AppSettings::SetComPort(Port());
    }

    void TearDown() override {
        m_window.reset();
        m_module->Stop();
        qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
    }

    QString Port() const { return QString::fromStdString(m_module->PortPath()); }

    void CreateWindow(QStringList systemPorts = {}) {
        m_window = std::make_unique<CsKWEVBManagerDlg>();
        m_window->ComPortDialog().SetSystemPortSource([systemPorts] { return systemPorts; });
        m_window->SetModalRunner([this](QDialog& dialog) { return Run(dialog); });
    }

    // What exec() does before its loop, then the window shown as exec() would show it.
    void Start(Answer answer) {
        if (!m_window) {
            CreateWindow();
        }
        m_answer = std::move(answer);
        m_window->OnInitDialog();
        m_window->show();
    }

    int Run(QDialog& dialog) {
        ++m_dialogsRun;
        m_lastDialog = dialog.metaObject()->className();
        dialog.show();  // a showing loads the dialog's settings, as under exec()
        if (m_answer) {
            m_answer(dialog);
        }
        if (dialog.isVisible()) {
            dialog.reject();
        }
        return dialog.result();
    }

    static Answer Ok(int mode = kConfigurator) {
        return [mode](QDialog& dialog) {
            Click(dialog, mode);
            Click(dialog, ComPortCfgDlg::kIdOk);
        };
    }
    static Answer Cancel(int mode = kConfigurator) {
        return [mode](QDialog& dialog) {
            Click(dialog, mode);
            Click(dialog, ComPortCfgDlg::kIdCancel);
        };
    }

    QString Pane(const char* name) const {
        auto* pane = m_window->findChild<QLabel*>(QLatin1String(name));
        return pane != nullptr ? pane->text() : QStringLiteral("<no pane>");
    }
    QString Connection() const { return m_window->ConnectionText(); }

    bool WaitFor(const std::function<bool()>& condition) const {
        return QTest::qWaitFor(condition, kLimitMs);
    }
    bool WaitConnected() const {
        return WaitFor([this] { return Connection() != kClosed; });
    }
    // The configuration page has identified the module and shown its values.
    bool WaitConfPageReady() const {
        auto* update = m_window->ConfPage().findChild<QAbstractButton*>(QString::number(kIdUpdate));
        return WaitFor([update] { return update->isEnabled(); });
    }
    bool AnyPortOpen() const {
        return m_window->ConfPage().IsPortOpen() || m_window->TermPage().IsPortOpen();
    }

    // Closes the window, or chooses "Setup COM port" and cancels the dialog.
    void CloseOrSetUp(bool closing) {
        if (closing) {
            m_window->close();
        } else {
            m_answer = Cancel();
            Trigger(CsKWEVBManagerDlg::kIdSetupComPort);
        }
    }

    void Trigger(const QString& actionName) {
        auto* action = m_window->findChild<QAction*>(actionName);
        ASSERT_NE(action, nullptr) << actionName.toStdString();
        action->trigger();
    }
    void Trigger(int actionId) { Trigger(QString::number(actionId)); }

    // A file of the test's own scratch folder with `text` in it.
    QString WriteFile(const QString& name, const QByteArray& text) const {
        const QString path = QDir(m_settings.Folder()).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        return path;
    }

    // The window on the configuration page with the module read, its file dialogs answering
    // `path`.
    void StartWithModuleRead(const QString& path) {
        CreateWindow();
        m_files.AnswerWith(path);
        Start(Ok(kConfigurator));
        ASSERT_TRUE(WaitConfPageReady());
        ASSERT_TRUE(WaitFor([this] { return ProfileActionsEnabled(); }));
        m_prompter.messages.clear();
        m_module->ClearCommands();
    }

    bool ProfileActionsEnabled() const {
        auto* save =
            m_window->findChild<QAction*>(QLatin1String(CsKWEVBManagerDlg::kIdSaveModuleSettings));
        auto* apply =
            m_window->findChild<QAction*>(QLatin1String(CsKWEVBManagerDlg::kIdApplySettingsFile));
        EXPECT_EQ(save->isEnabled(), apply->isEnabled());
        return apply->isEnabled();
    }

    QStringList MessageTexts() const {
        QStringList texts;
        for (const auto& message : m_prompter.messages) {
            texts << message.text;
        }
        return texts;
    }

    ScratchSettings m_settings;
    QByteArray m_savedRuntime;
    RecordingPrompter m_prompter;
    RecordingFileAsker m_files;
    std::unique_ptr<VirtualModule> m_module;
    std::unique_ptr<CsKWEVBManagerDlg> m_window;
    Answer m_answer;
    int m_dialogsRun = 0;
    QString m_lastDialog;
};

QStringList TableRows(const QTableWidget& table) {
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        rows << QStringLiteral("%1: %2 -> %3")
                    .arg(table.item(row, 0)->text(), table.item(row, 1)->text(),
                         table.item(row, 2)->text());
    }
    return rows;
}

TEST_F(MainWindowTest, cancelAtStartUp_opensNothing_andShowsThePageOfTheChosenMode) {
    struct Case {
        int mode;
        bool terminalShown;
    };
    for (const Case c : {Case{kConfigurator, false}, Case{kTerminal, true}}) {
        CreateWindow();
        Start(Cancel(c.mode));
        QTest::qWait(kSettleMs);

        EXPECT_FALSE(AnyPortOpen()) << c.mode;
        EXPECT_TRUE(m_module->Commands().empty()) << c.mode;
        EXPECT_EQ(Connection(), kClosed);
        EXPECT_EQ(Pane(CsKWEVBManagerDlg::kIdVersionPane), QStringLiteral("Version %1.%2.%3")
                                                               .arg(SKW_VERSION_MAJOR)
                                                               .arg(SKW_VERSION_MINOR)
                                                               .arg(SKW_VERSION_PATCH));
        EXPECT_EQ(m_window->TermPage().isVisible(), c.terminalShown) << c.mode;
        EXPECT_EQ(m_window->ConfPage().isVisible(), !c.terminalShown) << c.mode;
        m_window.reset();
    }
}

// The dialog's flow-control choice reaches the port and the status line; odd stored values
// open with no flow control at 9600.
TEST_F(MainWindowTest, ok_opensTheChosenPage_withTheDialogsSpeedAndFlowControl) {
    struct Case {
        int mode;
        std::optional<int> storedBaud;
        std::optional<int> storedFlow;
        const char* flowChoice;  // nullptr: left as preselected
        const char* status;
        bool hardwareFlow;
        speed_t speed;
    };
    const Case cases[] = {
        {kTerminal, {}, {}, nullptr, ", 9600, No flow control", false, B9600},
        {kTerminal, 4800, 1, nullptr, ", 9600, No flow control", false, B9600},
        {kTerminal, 115200, 0, "Hardware", ", 115200, HW flow control", true, B115200},
        {kConfigurator, {}, 2, nullptr, ", 9600, HW flow control", true, B9600},
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        AppSettings::SetComPort(Port());
        if (c.storedBaud) {
            AppSettings::SetBaudRate(*c.storedBaud);
        }
        if (c.storedFlow) {
            AppSettings::SetFlowControl(*c.storedFlow);
        }
        const auto context = testing::Message() << c.mode << " " << c.status;
        CreateWindow();
        Start([&](QDialog& dialog) {
            if (c.flowChoice != nullptr) {
                dialog.findChild<QComboBox*>(QString::number(ComPortCfgDlg::kIdFlowControl))
                    ->setCurrentText(QLatin1String(c.flowChoice));
            }
            Ok(c.mode)(dialog);
        });
        ASSERT_TRUE(WaitConnected()) << context << MessageTexts().join('|').toStdString();

        const bool terminal = c.mode == kTerminal;
        EXPECT_EQ(Connection(), Port() + QLatin1String(c.status)) << context;
        // Screen readers get the whole text, however short the pane shows it.
        EXPECT_EQ(m_window->findChild<QLabel*>(QLatin1String(CsKWEVBManagerDlg::kIdConnectionPane))
                      ->accessibleName(),
                  Connection());
        EXPECT_EQ(m_window->TermPage().IsPortOpen(), terminal) << context;
        EXPECT_EQ(m_window->ConfPage().IsPortOpen(), !terminal) << context;
        EXPECT_EQ(m_window->TermPage().isVisible(), terminal) << context;
        EXPECT_EQ(m_window->ConfPage().isVisible(), !terminal) << context;
        const auto line = ReadLineSettings(m_module->DevicePath());
        ASSERT_TRUE(line) << context;
        EXPECT_EQ(line->hardwareFlow, c.hardwareFlow) << context;
        EXPECT_EQ(line->speed, c.speed) << context;
        m_window.reset();
    }
}

TEST_F(MainWindowTest, aFailedOpen_saysWhy_andTheLineStaysClosed) {
    struct Case {
        QStringList systemPorts;
        int mode;
    };
    // With no port at all the dialog hands over an empty name.
    const Case cases[] = {{{"/dev/skw-no-such-port"}, kConfigurator}, {{}, kTerminal}};
    for (const Case& c : cases) {
        m_module->Stop();
        m_prompter.messages.clear();
        CreateWindow(c.systemPorts);
        Start(Ok(c.mode));
        ASSERT_TRUE(WaitFor([this] { return !m_prompter.messages.empty(); })) << c.mode;

        EXPECT_EQ(m_prompter.messages[0].text,
                  "Unable to open a COM port.: No such file or directory");
        EXPECT_EQ(m_prompter.messages[0].icon, Prompter::Icon::Error);
        EXPECT_EQ(Connection(), kClosed);
        EXPECT_FALSE(AnyPortOpen());
        m_window.reset();
    }
}

TEST_F(MainWindowTest, setupComPort_resetsAConfigurationConnectionBeforeTheDialog_only) {
    struct Case {
        int mode;
        std::vector<std::string> commandsBeforeDialog;
    };
    const Case cases[] = {{kConfigurator, {"ATZ"}}, {kTerminal, {}}};
    for (const Case& c : cases) {
        CreateWindow();
        Start(Ok(c.mode));
        ASSERT_TRUE(WaitConnected()) << c.mode;
        if (c.mode == kConfigurator) {
            ASSERT_TRUE(WaitConfPageReady());
        }
        m_module->ClearCommands();

        std::vector<std::string> commandsBeforeDialog;
        QString statusDuringDialog;
        m_answer = [&](QDialog& dialog) {
            commandsBeforeDialog = m_module->Commands();
            statusDuringDialog = Connection();
            Cancel(c.mode)(dialog);
        };
        Trigger(CsKWEVBManagerDlg::kIdSetupComPort);

        EXPECT_EQ(commandsBeforeDialog, c.commandsBeforeDialog) << c.mode;
        EXPECT_EQ(statusDuringDialog, kClosed) << c.mode;
        EXPECT_FALSE(AnyPortOpen()) << c.mode;
        EXPECT_EQ(Connection(), kClosed);
        m_window.reset();
    }
}

// The page reports the lost port, and then the window asks for the port settings again.
TEST_F(MainWindowTest, aPortError_bringsBackTheComPortDialog) {
    for (const int mode : {kConfigurator, kTerminal}) {
        m_module = std::make_unique<VirtualModule>();
        ASSERT_FALSE(m_module->Start());
        AppSettings::SetComPort(Port());
        m_prompter.messages.clear();
        CreateWindow();
        Start(Ok(mode));
        ASSERT_TRUE(WaitConnected()) << mode;
        if (mode == kConfigurator) {
            ASSERT_TRUE(WaitConfPageReady());
        }

        QString statusDuringDialog;
        m_answer = [&](QDialog& dialog) {
            statusDuringDialog = Connection();
            Cancel(mode)(dialog);
        };
        const int dialogsBefore = m_dialogsRun;
        m_module->Unplug();
        ASSERT_TRUE(WaitFor([&] { return m_dialogsRun > dialogsBefore; })) << mode;

        EXPECT_EQ(m_prompter.messages.size(), 1u) << MessageTexts().join('|').toStdString();
        EXPECT_EQ(statusDuringDialog, kClosed) << mode;
        EXPECT_FALSE(AnyPortOpen()) << mode;
        m_window.reset();
        m_module->Stop();
    }
}

// With automatic reconnect the terminal waits for a lost port instead of asking for another;
// "Setup COM port" ends that wait before its dialog runs.
TEST_F(MainWindowTest, terminalWaitingForALostPort_saysSo_andSetupComPortEndsTheWait) {
    AppSettings::SetTermAutoReconnect(true);
    m_module = std::make_unique<VirtualModule>();
    ASSERT_FALSE(m_module->Start());
    AppSettings::SetComPort(Port());
    CreateWindow();
    Start(Ok(kTerminal));
    ASSERT_TRUE(WaitConnected());
    const QString opened = Connection();
    const int dialogsBefore = m_dialogsRun;
    m_module->Unplug();
    ASSERT_TRUE(WaitFor([&] { return m_window->TermPage().IsWaitingForPort(); }));
    EXPECT_TRUE(Connection().startsWith("Waiting for ")) << Connection().toStdString();
    EXPECT_EQ(m_dialogsRun, dialogsBefore);
    EXPECT_TRUE(m_prompter.messages.empty());

    bool waitingDuringDialog = true;
    m_answer = [&](QDialog& dialog) {
        waitingDuringDialog = m_window->TermPage().IsWaitingForPort();
        Cancel(kTerminal)(dialog);
    };
    Trigger(CsKWEVBManagerDlg::kIdSetupComPort);
    EXPECT_FALSE(waitingDuringDialog);
    EXPECT_NE(Connection(), opened);
}

// A module that takes 5 s to answer "AT+MODULESETMODE" (the full read's first step): closing
// the window or "Setup COM port" aborts that transaction rather than waiting behind it, sends
// "ATZ\r" with its 500 ms limit, and shows nothing of the aborted read.
TEST_F(MainWindowTest, closeAndSetup_abortTheRunningJob_thenReset_withoutWaitingOrMessages) {
    using namespace std::chrono_literals;
    for (const bool closing : {true, false}) {
        SCOPED_TRACE(closing ? "close" : "setup");
        VirtualModuleOptions options;
        options.lateBy = 5s;
        options.lateCommand = "AT+MODULESETMODE";
        m_module = std::make_unique<VirtualModule>(options);
        ASSERT_FALSE(m_module->Start());
        AppSettings::SetComPort(Port());
        m_prompter.messages.clear();
        CreateWindow();
        Start(Ok());
        ASSERT_TRUE(WaitFor([this] { return m_module->WaitForCommand("AT+MODULESETMODE", 0ms); }));
        m_module->ClearCommands();

        StallProbe probe;
        probe.Start();
        QTest::qWait(20);
        CloseOrSetUp(closing);
        QTest::qWait(kSettleMs);
        probe.Stop();

        // 500 ms for the reset, the rest is margin for a loaded machine; waiting behind the
        // transaction took 5 s.
        EXPECT_LT(probe.LongestMs(), 2000);
        const auto commands = m_module->Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.front(), "ATZ");
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "ATZ"), 1);
        EXPECT_TRUE(m_prompter.messages.empty()) << MessageTexts().join('|').toStdString();
        if (!closing) {
            EXPECT_FALSE(AnyPortOpen());
        }
        m_window.reset();
        m_module->Stop();
    }
}

// "Setup COM port" or closing within the 200 ms between closing and opening the port: the
// waiting open is dropped.
TEST_F(MainWindowTest, aPendingOpen_isCancelledBySetupOrClose) {
    for (const bool closing : {true, false}) {
        SCOPED_TRACE(closing ? "close" : "setup");
        CreateWindow();
        Start(Ok());
        QCoreApplication::processEvents();  // the posted open runs, its 200 ms wait begins
        CloseOrSetUp(closing);
        QTest::qWait(kSettleMs);
        EXPECT_FALSE(AnyPortOpen());
        EXPECT_EQ(Connection(), kClosed);
        m_window.reset();
    }
}

// The focus leaves a filter edit the way a user makes it leave: a click on Scan, or closing
// the window with the text still in the edit.
TEST_F(MainWindowTest, filterEdits_storeTheirTextWhenTheFocusReallyLeaves) {
    m_module->Stop();
    m_module = std::make_unique<VirtualModule>(VirtualModuleOptions{.startsScanning = true});
    ASSERT_FALSE(m_module->Start());
    AppSettings::SetComPort(Port());
    struct Case {
        const char* name;
        int edit;
        const char* typed;
        std::function<void()> leave;
        std::function<QString()> stored;
    };
    const Case cases[] = {
        {"click on Scan", kIdNameFilter, "ABC",
         [this] {
             auto* scan = m_window->findChild<QAbstractButton*>(QString::number(kIdScan));
             QTest::mouseClick(scan, Qt::LeftButton);
         },
         [] { return AppSettings::NameFilterValue(); }},
        {"closing the window", kIdRssiFilter, "-70", [this] { m_window->close(); },
         [] { return QString::number(AppSettings::RssiFilterValue()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CreateWindow();
        Start(Ok());
        ASSERT_TRUE(WaitConfPageReady());
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        auto* edit = m_window->findChild<QLineEdit*>(QString::number(c.edit));
        ASSERT_NE(edit, nullptr);
        QTest::mouseClick(edit, Qt::LeftButton);
        ASSERT_TRUE(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, QLatin1String(c.typed));
        c.leave();
        EXPECT_EQ(c.stored(), QLatin1String(c.typed));
        m_window.reset();
    }
}

// In the main window "Send" is a push button of a dialog, which Enter could press as the
// default button besides the history box's own sending.
TEST_F(MainWindowTest, enterInTheTerminalsHistoryBox_sendsTheLineOnce) {
    Start(Ok(kTerminal));
    ASSERT_TRUE(WaitConnected());
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    auto* history = m_window->findChild<QComboBox*>(QString::number(SerialTermPage::kIdHistory));
    ASSERT_NE(history, nullptr);
    QTest::mouseClick(history->lineEdit(), Qt::LeftButton);
    // Where the window sends keys: to the widget that has the focus.
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClicks(focused, QStringLiteral("hello"));
    QTest::keyClick(focused, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([this] { return m_module->WaitForCommand("hello", {}); }));
    QTest::qWait(kSettleMs);
    const auto commands = m_module->Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "hello"), 1);
    EXPECT_TRUE(history->currentText().isEmpty());
}

TEST_F(MainWindowTest, escapeEnterAndF1_closeNothing_theCloseBoxDoes) {
    Start(Cancel());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_F1}) {
        QTest::keyClick(m_window.get(), key);
        EXPECT_TRUE(m_window->isVisible()) << key;
    }
    EXPECT_EQ(m_dialogsRun, 1);
    EXPECT_TRUE(m_prompter.messages.empty());

    EXPECT_TRUE(m_window->close());
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(m_window->result(), QDialog::Rejected);
}

TEST_F(MainWindowTest, menuStatusAndMessages_inBothLanguages) {
    struct Case {
        const char* language;
        QString menu;
        QString setup;
        QString about;
        QString closed;
        QString openFailed;
        QString messageBoxOk;
    };
    const Case cases[] = {
        {"en", "Menu", "Setup COM port", "sKW Manager Info.", "COM port closed",
         "Unable to open a COM port.: No such file or directory", "OK"},
        {"ko", "메뉴", "COM 포트 설정", "sKW Manager 정보", "COM 포트 닫힘",
         "COM 포트를 열 수 없습니다.: No such file or directory", "확인"},
    };
    m_module->Stop();
    for (const Case& c : cases) {
        Translations::Install(QLatin1String(c.language));
        m_prompter.messages.clear();
        CreateWindow({QStringLiteral("/dev/skw-no-such-port")});
        auto* setup =
            m_window->findChild<QAction*>(QString::number(CsKWEVBManagerDlg::kIdSetupComPort));
        auto* about = m_window->findChild<QAction*>(QString::number(CsKWEVBManagerDlg::kIdAbout));
        ASSERT_TRUE(setup && about);
        EXPECT_EQ(setup->parent()->property("title").toString(), c.menu);
        EXPECT_EQ(setup->text(), c.setup);
        EXPECT_EQ(about->text(), c.about);
        EXPECT_EQ(Connection(), c.closed);

        Start(Ok());
        ASSERT_TRUE(WaitFor([this] { return !m_prompter.messages.empty(); }));
        EXPECT_EQ(m_prompter.messages[0].text, c.openFailed);
        // Qt's own catalogue names the buttons of the real message boxes.
        QMessageBox box(QMessageBox::Critical, {}, {}, QMessageBox::Ok);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), c.messageBoxOk);

        m_answer = [](QDialog& dialog) { Click(dialog, CAboutDlg::kIdOk); };
        Trigger(CsKWEVBManagerDlg::kIdAbout);
        EXPECT_EQ(m_lastDialog, "CAboutDlg");
        m_window.reset();
    }
    Translations::Install(QStringLiteral("en"));
}

// Start, choose the virtual module, see its values, rename it, close: the module is reset on
// the way out, and no thread of the program outlives the window.
TEST_F(MainWindowTest, wholeSession_onTheVirtualModule) {
    const std::vector<std::string> threadsBefore = Threads();
    CreateWindow();
    Start(Ok(kConfigurator));
    ASSERT_TRUE(WaitConnected());
    ASSERT_TRUE(WaitConfPageReady()) << MessageTexts().join('|').toStdString();
    EXPECT_EQ(Connection(), Port() + ", 9600, No flow control");

    ModuleConfPage& page = m_window->ConfPage();
    auto* model = page.findChild<QLabel*>(QString::number(kIdModel));
    auto* name = page.findChild<QLineEdit*>(QString::number(kIdDeviceName));
    ASSERT_TRUE(model && name);
    EXPECT_EQ(model->text(), "GaX-sKW523");
    EXPECT_EQ(name->text(), "sKW523");

    name->setText(QStringLiteral("Bench7"));
    Click(page, kIdChangeName);
    ASSERT_TRUE(WaitFor([this] { return !m_prompter.messages.empty(); }));
    EXPECT_EQ(m_prompter.messages[0].text, ConfMessages::Text(ConfMessages::MSG_NAME_DONE));
    EXPECT_EQ(m_prompter.messages[0].icon, Prompter::Icon::Information);
    ASSERT_TRUE(WaitConfPageReady());
    EXPECT_EQ(m_module->Settings().deviceName, "Bench7");

    m_module->ClearCommands();
    EXPECT_TRUE(m_window->close());
    EXPECT_EQ(m_module->Commands(), std::vector<std::string>{"ATZ"});
    m_window.reset();
    EXPECT_EQ(Threads(), threadsBefore);
    EXPECT_EQ(m_prompter.messages.size(), 1u) << MessageTexts().join('|').toStdString();
}

// The module exported by a real ser2net, its address typed into the COM port dialog: read,
// renamed, and the server stopped is a lost port, as an unplugged adapter is.
TEST_F(MainWindowTest, remotePort_readAndRenamedThroughSer2net_aStoppedServerIsALostPort) {
    ASSERT_FALSE(Ser2net::Program().empty()) << "ser2net is missing: run scripts/setup.sh";
    Ser2net server({.device = m_module->DevicePath()});
    ASSERT_FALSE(server.Start()) << server.Log();
    const QString url = QString::fromStdString(server.Url());
    CreateWindow();
    Start([&](QDialog& dialog) {
        Click(dialog, kConfigurator);
        dialog.findChild<QComboBox*>(QString::number(ComPortCfgDlg::kIdPort))->setEditText(url);
        Click(dialog, ComPortCfgDlg::kIdOk);
    });
    ASSERT_TRUE(WaitConnected());
    ASSERT_TRUE(WaitConfPageReady()) << MessageTexts().join('|').toStdString();
    EXPECT_EQ(Connection(), url + ", 9600, No flow control");
    EXPECT_EQ(AppSettings::RemotePorts(), QStringList{url});

    ModuleConfPage& page = m_window->ConfPage();
    auto* name = page.findChild<QLineEdit*>(QString::number(kIdDeviceName));
    EXPECT_EQ(name->text(), "sKW523");
    name->setText(QStringLiteral("Remote1"));
    Click(page, kIdChangeName);
    ASSERT_TRUE(WaitFor([this] { return !m_prompter.messages.empty(); }));
    EXPECT_EQ(m_prompter.messages[0].text, ConfMessages::Text(ConfMessages::MSG_NAME_DONE));
    ASSERT_TRUE(WaitConfPageReady());
    EXPECT_EQ(m_module->Settings().deviceName, "Remote1");

    m_prompter.messages.clear();
    m_answer = Cancel();
    const int dialogsBefore = m_dialogsRun;
    server.Stop();
    ASSERT_TRUE(WaitFor([&] { return m_dialogsRun > dialogsBefore; }));
    EXPECT_EQ(m_prompter.messages.size(), 1u) << MessageTexts().join('|').toStdString();
    EXPECT_FALSE(AnyPortOpen());
}

TEST_F(MainWindowTest, settingsFileItems_areOfferedOnlyWhileAReadModuleIsShown) {
    CreateWindow();
    Start(Cancel(kConfigurator));
    EXPECT_FALSE(ProfileActionsEnabled());

    m_answer = Ok(kConfigurator);
    Trigger(CsKWEVBManagerDlg::kIdSetupComPort);
    ASSERT_TRUE(WaitFor([this] { return ProfileActionsEnabled(); }));

    // While a job runs, and on the terminal page, there is no module to save or apply to.
    Click(m_window->ConfPage(), kIdUpdate);
    EXPECT_FALSE(ProfileActionsEnabled());
    ASSERT_TRUE(WaitFor([this] { return ProfileActionsEnabled(); }));
    m_answer = Ok(kTerminal);
    Trigger(CsKWEVBManagerDlg::kIdSetupComPort);
    ASSERT_TRUE(WaitConnected());
    EXPECT_FALSE(ProfileActionsEnabled());
}

// The dialog lists the differences for the counter chosen, and the module gets exactly them
// through the page's setting jobs; the page then shows the module as read again.
TEST_F(MainWindowTest, applySettingsFile_showsTheDifference_appliesIt_andReadsTheModuleAgain) {
    const QString path = WriteFile(QStringLiteral("line.json"), R"({
        "format": 1, "model": "GaX-sKW523", "name": "LINE-{n:02}", "advInterval": 500
    })");
    StartWithModuleRead(path);

    QStringList shownAtStart;
    QStringList shownForSeven;
    m_answer = [&](QDialog& dialog) {
        auto* table = dialog.findChild<QTableWidget*>(QLatin1String(ProfileApplyDlg::kIdChanges));
        auto* counter = dialog.findChild<QSpinBox*>(QLatin1String(ProfileApplyDlg::kIdCounter));
        ASSERT_TRUE(table && counter);
        shownAtStart = TableRows(*table);
        counter->setValue(7);
        shownForSeven = TableRows(*table);
        Click(dialog, ProfileApplyDlg::kIdApply);
    };
    Trigger(CsKWEVBManagerDlg::kIdApplySettingsFile);
    ASSERT_EQ(m_files.requests.size(), 1u);
    EXPECT_EQ(m_files.requests[0].purpose, FileAsker::Purpose::Open);
    EXPECT_EQ(m_lastDialog, "ProfileApplyDlg");
    EXPECT_EQ(shownAtStart.join('|').toStdString(),
              "name: sKW523 -> LINE-01|advInterval: 100 -> 500");
    EXPECT_EQ(shownForSeven.join('|').toStdString(),
              "name: sKW523 -> LINE-07|advInterval: 100 -> 500");
    EXPECT_FALSE(ProfileActionsEnabled());
    ASSERT_TRUE(WaitFor([this] { return !m_prompter.messages.empty(); }));
    EXPECT_EQ(MessageTexts().join('|'), ConfMessages::Text(ConfMessages::MSG_PROFILE_APPLIED));
    EXPECT_EQ(m_prompter.messages[0].icon, Prompter::Icon::Information);
    EXPECT_EQ(m_module->Settings().deviceName, "LINE-07");
    EXPECT_EQ(m_module->Settings().advInterval, 500u);

    // The role first: the slots are offered only in the role the file sets. Each setting that
    // the page follows with a new read is followed by one here too.
    WriteFile(QStringLiteral("line.json"), R"({
        "role": "multi-at", "autoConnect": true,
        "slots": [{"slot": 2, "address": "C0FFEE000002", "name": "Q2"}, {"slot": 3, "address": null}]
    })");
    ASSERT_TRUE(WaitFor([this] { return ProfileActionsEnabled(); }));
    m_prompter.messages.clear();
    QStringList shown;
    m_answer = [&](QDialog& dialog) {
        shown =
            TableRows(*dialog.findChild<QTableWidget*>(QLatin1String(ProfileApplyDlg::kIdChanges)));
        Click(dialog, ProfileApplyDlg::kIdApply);
    };
    Trigger(CsKWEVBManagerDlg::kIdApplySettingsFile);
    EXPECT_EQ(shown.join('|').toStdString(),
              "role: slave -> multi-at|autoConnect: off -> on|slots[2]: - -> C0FFEE000002 Q2");
    ASSERT_TRUE(WaitFor([this] { return !m_prompter.messages.empty(); }));
    EXPECT_EQ(MessageTexts().join('|'), ConfMessages::Text(ConfMessages::MSG_PROFILE_APPLIED));
    const ModuleSettings module = m_module->Settings();
    EXPECT_EQ(module.role, ModuleRole::Multi);
    EXPECT_FALSE(module.bypass);
    EXPECT_TRUE(module.autoConnect);
    EXPECT_EQ(module.slots[1], (ModuleSlot{"C0FFEE000002", "Q2"}));
    EXPECT_FALSE(module.slots[2]);
    ASSERT_TRUE(WaitFor([this] { return ProfileActionsEnabled(); }));
    const auto values = m_window->ConfPage().ShownValues();
    ASSERT_TRUE(values && values->slots);
    EXPECT_EQ(values->role, 2);
    EXPECT_EQ((*values->slots)[1].address, "C0FFEE000002");

    // Applied again, the file changes nothing.
    m_prompter.messages.clear();
    m_module->ClearCommands();
    Trigger(CsKWEVBManagerDlg::kIdApplySettingsFile);
    EXPECT_EQ(MessageTexts().join('|'), ConfMessages::Text(ConfMessages::MSG_PROFILE_MATCHES));
    QTest::qWait(kSettleMs);
    EXPECT_TRUE(m_module->Commands().empty());
}

// A file the page cannot take is refused with a message naming the field, before the dialog
// and before anything is sent; a file the module already matches says so.
TEST_F(MainWindowTest, applySettingsFile_refusedOrMatchingFiles_sendNothing) {
    const auto text = [](ConfMessages::Id id, const char* field = nullptr,
                         const char* model = nullptr) {
        QString message = ConfMessages::Text(id);
        if (field != nullptr) {
            message = model != nullptr ? message.arg(QLatin1String(field), QLatin1String(model))
                                       : message.arg(QLatin1String(field));
        }
        return message;
    };
    struct Case {
        QByteArray json;
        QString message;
        Prompter::Icon icon;
    };
    const Case cases[] = {
        {"{", text(ConfMessages::MSG_PROFILE_NOT_JSON), Prompter::Icon::Error},
        {R"({"colour": "red"})", text(ConfMessages::MSG_PROFILE_UNKNOWN_FIELD, "colour"),
         Prompter::Icon::Error},
        {R"({"advInterval": "500"})", text(ConfMessages::MSG_PROFILE_WRONG_TYPE, "advInterval"),
         Prompter::Icon::Error},
        {R"({"advInterval": 5000})", text(ConfMessages::MSG_PROFILE_BAD_VALUE, "advInterval"),
         Prompter::Icon::Error},
        {R"({"name": "NINE-BYTES"})", text(ConfMessages::MSG_PROFILE_BAD_VALUE, "name"),
         Prompter::Icon::Error},
        {R"({"role": "slave", "slots": [{"slot": 1, "address": "C0FFEE000001"}]})",
         text(ConfMessages::MSG_PROFILE_SLOTS_NEED_MULTI, "slots"), Prompter::Icon::Error},
        // The module is a slave, and the file leaves its role alone.
        {R"({"slots": [{"slot": 1, "address": "C0FFEE000001"}]})",
         text(ConfMessages::MSG_PROFILE_NOT_OFFERED, "slots[1]", "GaX-sKW523"),
         Prompter::Icon::Error},
        {R"({"name": "sKW523", "advInterval": 100})", text(ConfMessages::MSG_PROFILE_MATCHES),
         Prompter::Icon::Information},
    };
    const QString path = WriteFile(QStringLiteral("case.json"), {});
    StartWithModuleRead(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json.toStdString());
        WriteFile(QStringLiteral("case.json"), c.json);
        m_prompter.messages.clear();
        const int dialogsBefore = m_dialogsRun;
        Trigger(CsKWEVBManagerDlg::kIdApplySettingsFile);

        EXPECT_EQ(MessageTexts().join('|'), c.message);
        if (!m_prompter.messages.empty()) {
            EXPECT_EQ(m_prompter.messages[0].icon, c.icon);
        }
        EXPECT_EQ(m_dialogsRun, dialogsBefore);
        EXPECT_TRUE(ProfileActionsEnabled());
    }
    QTest::qWait(kSettleMs);
    EXPECT_TRUE(m_module->Commands().empty());
}

// The saved file holds the module as shown, under a name made of its model and address; applied
// back to the same module, it changes nothing.
TEST_F(MainWindowTest, saveModuleSettings_writesTheModuleShown_whichThenMatchesIt) {
    const QString path = QDir(m_settings.Folder()).filePath(QStringLiteral("saved.json"));
    StartWithModuleRead(path);
    const ModuleSettings module = m_module->Settings();

    Trigger(CsKWEVBManagerDlg::kIdSaveModuleSettings);
    ASSERT_EQ(m_files.requests.size(), 1u);
    EXPECT_EQ(m_files.requests[0].purpose, FileAsker::Purpose::Save);
    EXPECT_TRUE(m_files.requests[0].path.endsWith(
        QStringLiteral("/GaX-sKW523-%1.json").arg(QString::fromStdString(module.address))))
        << m_files.requests[0].path.toStdString();
    EXPECT_TRUE(m_prompter.messages.empty()) << MessageTexts().join('|').toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto parsed = ParseProfile(file.readAll().toStdString());
    ASSERT_TRUE(std::holds_alternative<Profile>(parsed));
    const Profile& saved = std::get<Profile>(parsed);
    EXPECT_EQ(saved, m_window->ConfPage().ModuleProfile());
    EXPECT_EQ(saved.name, module.deviceName);
    EXPECT_EQ(NumberOf(saved.numbers, ProfileField::AdvInterval), module.advInterval);
    EXPECT_EQ(saved.role, 0);

    Trigger(CsKWEVBManagerDlg::kIdApplySettingsFile);
    EXPECT_EQ(MessageTexts().join('|'), ConfMessages::Text(ConfMessages::MSG_PROFILE_MATCHES));
    EXPECT_TRUE(m_module->Commands().empty());

    // A name given without an extension gets the settings files' own.
    const QString bare = QDir(m_settings.Folder()).filePath(QStringLiteral("bare"));
    m_files.AnswerWith(bare);
    Trigger(CsKWEVBManagerDlg::kIdSaveModuleSettings);
    EXPECT_TRUE(QFile::exists(bare + QStringLiteral(".json")));
    EXPECT_FALSE(QFile::exists(bare));
}

// In Production the station opens the ports of its fixture itself; closing the window or "Setup
// COM port" during a run ends the run first (no new unit, the running one finishes with
// "ATZ"), and the window goes on handling its events until then.
TEST_F(MainWindowTest, production_closeAndSetupDuringARun_endTheRunFirst_withoutWaiting) {
    for (const bool closing : {true, false}) {
        SCOPED_TRACE(closing ? "close" : "setup");
        CreateWindow();
        Start([](QDialog& dialog) {
            Click(dialog, QLatin1String(ComPortCfgDlg::kIdProduction));
            Click(dialog, ComPortCfgDlg::kIdOk);
        });
        ProductionPage& page = m_window->ProdPage();
        EXPECT_TRUE(page.isVisible());
        EXPECT_FALSE(m_window->ConfPage().isVisible());
        EXPECT_EQ(Connection(), "Production station");
        QTest::qWait(kSettleMs);
        EXPECT_FALSE(AnyPortOpen());

        const std::string tag = "mw-" + std::to_string(::getpid()) + (closing ? "-c-" : "-s-");
        page.SetSystemPortSource([] { return QStringList(); });
        page.findChild<QLineEdit*>(QLatin1String(ProductionPage::kIdPattern))
            ->setText(QString::fromStdString("*/" + tag + "*"));
        Click(page, QLatin1String(ProductionPage::kIdRecordOther));
        page.findChild<QLineEdit*>(QLatin1String(ProductionPage::kIdRecordAddress))
            ->setText(QStringLiteral("sqlite:") +
                      QDir(m_settings.Folder()).filePath(QString::fromStdString(tag + ".sqlite")));
        ASSERT_TRUE(page.LoadSettingsFile(WriteFile("station.json", R"({"advInterval": 210})")));
        Click(page, QLatin1String(ProductionPage::kIdStart));
        ASSERT_TRUE(WaitFor([&] { return page.StatusText().contains("Recording into"); }))
            << page.StatusText().toStdString();

        VirtualModuleOptions options;
        options.portName = tag + "0";
        options.address = closing ? "C0FFEE0006A1" : "C0FFEE0006A2";
        options.latency = std::chrono::milliseconds(150);
        VirtualModule unit(options);
        ASSERT_FALSE(unit.Start());
        const QString port = QString::fromStdString(unit.PortPath());
        ASSERT_TRUE(WaitFor([&] {
            return page.Tile(port) &&
                   page.Tile(port)->CurrentState() == StationTile::State::Configuring;
        }));
        const int dialogsBefore = m_dialogsRun;
        StallProbe probe;
        probe.Start();
        CloseOrSetUp(closing);
        EXPECT_TRUE(m_window->isVisible());
        EXPECT_TRUE(page.IsRunning());
        ASSERT_TRUE(WaitFor([&] { return !page.IsRunning(); }));
        if (closing) {
            EXPECT_TRUE(WaitFor([&] { return !m_window->isVisible(); }));
        } else {
            EXPECT_TRUE(WaitFor([&] { return m_dialogsRun == dialogsBefore + 1; }));
        }
        probe.Stop();
        EXPECT_LT(probe.LongestMs(), 500);
        EXPECT_EQ(page.Tile(port)->CurrentState(), StationTile::State::Pass);
        EXPECT_EQ(unit.Commands().back(), "ATZ");
        m_window.reset();
    }
}

}  // namespace
