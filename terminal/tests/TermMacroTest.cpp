// The terminal's macros and send delays: the macro row against a pseudo-terminal peer, the
// stored form, and pasted text and files paced for modules with small input buffers.
#include "AppSettings.h"
#include "PtyPeer.h"
#include "ScratchSettings.h"
#include "SerialTermPage.h"
#include "TermChannel.h"
#include "TermFileSender.h"
#include "TermMacro.h"
#include "TermMacroDlg.h"
#include "TermMacroRow.h"
#include "TermRichedit.h"
#include "Translations.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <chrono>
#include <memory>
#include <string>

using namespace std::chrono_literals;

namespace {

class TermMacroTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<SerialTermPage>();
        page->show();
        ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    }
    template <typename Control>
    Control* Find(const char* name) const {
        return page->findChild<Control*>(QLatin1String(name));
    }
    TermMacroRow* Row() const { return page->findChild<TermMacroRow*>(); }
    // The editor shown (those closed before may still wait for their deletion).
    TermMacroDlg* Editor() const {
        for (TermMacroDlg* dialog : page->findChildren<TermMacroDlg*>()) {
            if (dialog->isVisible()) {
                return dialog;
            }
        }
        return nullptr;
    }
    // Reads `count` bytes while the window's timers run.
    std::string Read(std::size_t count) {
        std::string bytes;
        (void)QTest::qWaitFor(
            [&] {
                const auto piece = peer.ReadExactly(count - bytes.size(), 5ms);
                bytes.append(piece.begin(), piece.end());
                return bytes.size() >= count;
            },
            5000);
        return bytes;
    }
    // Opens the editor of macro `index`, fills it in and OKs it.
    void SetMacro(int index, const TermMacro& macro) {
        Row()->Edit(index);
        Fill(macro);
    }
    // Fills in the editor shown and OKs it.
    void Fill(const TermMacro& macro) {
        TermMacroDlg* dialog = Editor();
        ASSERT_TRUE(dialog);
        dialog->findChild<QLineEdit*>("termMacroName")->setText(macro.name);
        dialog->findChild<QLineEdit*>("termMacroText")->setText(macro.text);
        dialog->findChild<QCheckBox*>("termMacroHex")->setChecked(macro.hex);
        dialog->findChild<QComboBox*>("termMacroLineEnd")->setCurrentIndex(macro.lineEnd);
        dialog->findChild<QSpinBox*>("termMacroRepeat")->setValue(macro.repeatMs);
        dialog->accept();
    }

    ScratchSettings settings;
    PtyPeer peer;
    std::unique_ptr<SerialTermPage> page;
};

}  // namespace

TEST(TermMacroValue, bytesAndStoredForm) {
    struct Case {
        TermMacro macro;
        std::optional<std::string> bytes;
    };
    const Case cases[] = {
        {{"reset", "ATZ", false, TermMacro::kCr, 0}, "ATZ\r"},
        {{"", "\xEA\xB0\x80", false, TermMacro::kCrLf, 0}, "\xEA\xB0\x80\r\n"},
        {{"", "01 ff 7E", true, TermMacro::kNone, 0}, std::string("\x01\xff\x7e")},
        {{"", "0g", true, TermMacro::kLf, 0}, std::nullopt},
        {{"", "abc", true, TermMacro::kLf, 0}, std::nullopt},
        {{"empty", "", false, TermMacro::kCr, 100}, std::nullopt},
    };
    QList<TermMacro> macros(TermMacro::kCount);
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(cases[index].macro.Bytes(), cases[index].bytes);
        macros[static_cast<qsizetype>(index)] = cases[index].macro;
    }
    macros[11] = {"poll", "AT+STATE?", false, TermMacro::kCr, 500};
    EXPECT_EQ(MacrosFromJson(MacrosToJson(macros)), macros);
    EXPECT_EQ(MacrosFromJson("not json"), QList<TermMacro>(TermMacro::kCount));
}

TEST_F(TermMacroTest, macro_isSentAndShownAsTypedAndStored) {
    Find<QPushButton>("termMacro3")->click();  // empty: opens its editor
    Fill({"hello", "hi there", false, TermMacro::kCrLf, 0});
    EXPECT_EQ(Find<QPushButton>("termMacro3")->text(), "F3 hello");
    EXPECT_EQ(Find<QPushButton>("termMacro3")->accessibleName(), "Macro F3: hello");
    Find<QPushButton>("termMacro3")->click();
    EXPECT_EQ(Read(10), "hi there\r\n");
    EXPECT_TRUE(page->findChild<TermRichedit*>()->PlainText().endsWith("hi there\n"));
    page->activateWindow();  // the editor had it
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    QTest::keyClick(page->findChild<TermRichedit*>(), Qt::Key_F3);
    EXPECT_EQ(Read(10), "hi there\r\n");

    SetMacro(0, {"bytes", "41 42", true, TermMacro::kNone, 0});
    Row()->Trigger(0);
    EXPECT_EQ(Read(2), "AB");
    const QList<TermMacro> stored = MacrosFromJson(AppSettings::TermMacros());
    EXPECT_EQ(stored[2].text, "hi there");
    EXPECT_EQ(stored[0].text, "41 42");
    // A new page starts with them.
    page = std::make_unique<SerialTermPage>();
    EXPECT_EQ(Find<QPushButton>("termMacro1")->text(), "F1 bytes");
}

TEST_F(TermMacroTest, badHexString_keepsTheEditorOpen) {
    Row()->Edit(4);
    TermMacroDlg* dialog = Editor();
    ASSERT_TRUE(dialog);
    dialog->findChild<QLineEdit*>("termMacroText")->setText("4");
    dialog->findChild<QCheckBox*>("termMacroHex")->setChecked(true);
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->findChild<QLabel*>("termMacroProblem")->isHidden());
    dialog->reject();
    EXPECT_TRUE(Row()->Macros()[4].IsEmpty());
}

// A repeating macro goes out again and again until Stop, and closing the port stops it too.
TEST_F(TermMacroTest, repeatingMacro_runsUntilStopped) {
    SetMacro(1, {"poll", "p", false, TermMacro::kNone, 20});
    auto* stop = Find<QPushButton>("termMacroStop");
    EXPECT_FALSE(stop->isEnabled());
    Find<QPushButton>("termMacro2")->click();
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_EQ(Read(4), "pppp");
    stop->click();
    EXPECT_FALSE(Row()->IsRepeating());
    EXPECT_FALSE(stop->isEnabled());

    Find<QPushButton>("termMacro2")->click();
    EXPECT_EQ(Read(2), "pp");
    page->ClosePort();
    EXPECT_FALSE(Row()->IsRepeating());
}

// Pasted lines go out with the chosen line end and the delays of "Send file…": the last byte is
// handed out no sooner than the pauses allow.
TEST_F(TermMacroTest, pastedLines_goOutWithTheLineEndAndTheDelays) {
    struct Case {
        const char* name;
        int lineDelay;
        int charDelay;
        std::chrono::milliseconds atLeast;
    };
    const Case cases[] = {
        {"no delays", 0, 0, 0ms},
        {"line delay", 150, 0, 300ms},
        {"character delay", 0, 15, 15ms * 7},
    };
    auto* view = page->findChild<TermRichedit*>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Find<QSpinBox>("termLineDelay")->setValue(c.lineDelay);
        Find<QSpinBox>("termCharDelay")->setValue(c.charDelay);
        QApplication::clipboard()->setText("ab\ncd\r\nef");
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(view, Qt::Key_Insert, Qt::ShiftModifier);
        auto* sender = page->findChild<TermFileSender*>();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !sender->IsSending(); }, 5000));
        EXPECT_GE(clock.elapsed(), c.atLeast.count());
        EXPECT_EQ(Read(8), "ab\rcd\ref");
    }
    EXPECT_EQ(AppSettings::TermCharDelayMs(), 15);
}

TEST_F(TermMacroTest, macroControls_haveEnglishAndKoreanTextsAndAccessibleNames) {
    const auto texts = [&] {
        return QStringList{Find<QPushButton>("termMacroStop")->text(),
                           Find<QPushButton>("termRecord")->text(),
                           Find<QCheckBox>("termLeaveLines")->text(),
                           Find<QComboBox>("termStampFormat")->itemText(3)};
    };
    EXPECT_EQ(texts(), QStringList({"Stop", QString::fromUtf8("Record session…"),
                                    "Leave DTR and RTS as they are when opening",
                                    "Gap since previous line"}));
    Translations::Install(QStringLiteral("ko"));
    page = std::make_unique<SerialTermPage>();
    const QStringList korean = texts();
    Row()->Edit(0);
    TermMacroDlg* dialog = Editor();
    Translations::Install(QStringLiteral("en"));
    EXPECT_EQ(korean, QStringList({QString::fromUtf8("중지"), QString::fromUtf8("세션 기록…"),
                                   QString::fromUtf8("포트를 열 때 DTR과 RTS를 그대로 두기"),
                                   QString::fromUtf8("이전 줄과의 간격")}));
    QList<QWidget*> controls = Row()->findChildren<QWidget*>();
    controls += dialog->findChildren<QWidget*>();
    controls << Find<QWidget>("termLineDelay") << Find<QWidget>("termCharDelay")
             << Find<QWidget>("termLeaveLines") << Find<QWidget>("termStampFormat");
    for (const QWidget* control : controls) {
        if (control->inherits("QAbstractButton") || control->inherits("QComboBox") ||
            control->inherits("QLineEdit") || control->inherits("QAbstractSpinBox")) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
        }
    }
}
