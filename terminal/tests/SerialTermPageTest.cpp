#include "CHistoryCombo.h"
#include "PtyPeer.h"
#include "RecordingPrompter.h"
#include "ScratchSettings.h"
#include "SerialTermPage.h"
#include "TermRichedit.h"
#include "Translations.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

const char kNotEven[] = "The hexadecimal string is not an even length.";
const char kBadFormat[] = "The format of the hexadecimal string is incorrect.";
const char kTooLong[] = "String is too long.";
const char kPortError[] = "Error on COM port. Closing the port.";

class SerialTermPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<SerialTermPage>();
        page->show();
    }

    void OpenPort() {
        ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    }
    template <typename Control>
    Control* Find(int id) const {
        return page->findChild<Control*>(QString::number(id));
    }
    TermRichedit* View() const { return Find<TermRichedit>(SerialTermPage::kIdView); }
    CHistoryCombo* History() const { return Find<CHistoryCombo>(SerialTermPage::kIdHistory); }
    QCheckBox* Check(int id) const { return Find<QCheckBox>(id); }
    void SetChecked(int id, bool checked) {
        if (Check(id)->isChecked() != checked) {
            Check(id)->click();
        }
    }
    void SendLine(const QString& line) {
        History()->setEditText(line);
        Find<QPushButton>(SerialTermPage::kIdSend)->click();
    }
    std::string ReadFromPeer(std::size_t count) {
        const auto bytes = peer.ReadExactly(count, 5s);
        return std::string(bytes.begin(), bytes.end());
    }
    bool ControlsEnabled(bool enabled) const {
        for (const int id : {SerialTermPage::kIdView, SerialTermPage::kIdSend,
                             SerialTermPage::kIdLineEndCr, SerialTermPage::kIdLineEndLf,
                             SerialTermPage::kIdTreatAsHex, SerialTermPage::kIdHistory}) {
            if (Find<QWidget>(id)->isEnabled() != enabled) {
                return false;
            }
        }
        return true;
    }

    ScratchSettings settings;
    PtyPeer peer;
    RecordingPrompter prompter;
    std::unique_ptr<SerialTermPage> page;
};

}  // namespace

TEST_F(SerialTermPageTest, send_convertsTheLineOrRejectsItWithItsMessage) {
    OpenPort();
    const QString korean = QString::fromUtf8("\xEA\xB0\x80");
    struct Case {
        QString line;
        bool hex, cr, lf;
        std::string sent;
        const char* message;
    };
    const Case cases[] = {
        {"abc", false, true, false, "abc\r", nullptr},
        {"abc", false, true, true, "abc\r\n", nullptr},
        {"abc", false, false, false, "abc", nullptr},
        {korean, false, true, false, "\xEA\xB0\x80\r", nullptr},
        {" a ", false, false, false, " a ", nullptr},
        {QString(512, u'x'), false, true, false, std::string(512, 'x') + "\r", nullptr},
        {QString(513, u'x'), false, true, false, "", kTooLong},
        {"0a1B", true, false, true, "\x0a\x1b\x0a", nullptr},
        {QString(1024 / 2, u'A').replace("A", "aB"), true, true, false,
         std::string(512, '\xAB') + "\r", nullptr},
        {QString(1026, u'0'), true, true, false, "", kTooLong},
        {"0a1", true, true, false, "", kNotEven},
        {"0a 1b", true, true, false, "", kNotEven},
        {"0a 1b2", true, true, false, "", kBadFormat},
        {"0x12", true, true, false, "", kBadFormat},
        {korean + korean, true, true, false, "", kBadFormat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.left(20).toStdString());
        SetChecked(SerialTermPage::kIdTreatAsHex, c.hex);
        SetChecked(SerialTermPage::kIdLineEndCr, c.cr);
        SetChecked(SerialTermPage::kIdLineEndLf, c.lf);
        prompter.messages.clear();
        SendLine(c.line);
        if (c.message != nullptr) {
            ASSERT_EQ(prompter.messages.size(), 1u);
            EXPECT_EQ(prompter.messages[0].text, c.message);
            EXPECT_EQ(prompter.messages[0].icon, Prompter::Icon::Error);
        } else {
            EXPECT_TRUE(prompter.messages.empty());
            EXPECT_EQ(ReadFromPeer(c.sent.size()), c.sent);
        }
        // Every line, also a rejected one, is remembered; the edit field is emptied.
        EXPECT_EQ(History()->itemText(0), c.line.trimmed());
        EXPECT_EQ(History()->currentText(), "");
    }
    // An empty line sends nothing and is not remembered; nor did any rejected line go out.
    const int remembered = History()->count();
    SetChecked(SerialTermPage::kIdTreatAsHex, false);
    SendLine("");
    EXPECT_EQ(History()->count(), remembered);
    SendLine("end");
    EXPECT_EQ(ReadFromPeer(4), "end\r");
}

TEST_F(SerialTermPageTest, enterInTheHistoryBoxSendsTheLineOnce) {
    OpenPort();
    QTest::keyClicks(History(), "hello");
    QTest::keyClick(History(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return History()->currentText().isEmpty(); }, 5000));
    EXPECT_EQ(History()->itemText(0), "hello");
    SendLine("!");
    EXPECT_EQ(ReadFromPeer(8), "hello\r!\r");
}

TEST_F(SerialTermPageTest, enterOrEscapeOnThePage_closesNothing) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* hosted = new SerialTermPage(&dialog);
    layout->addWidget(hosted);
    dialog.show();
    ASSERT_FALSE(hosted->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    QSignalSpy finished(&dialog, &QDialog::finished);
    auto* crBox = hosted->findChild<QCheckBox*>(QString::number(SerialTermPage::kIdLineEndCr));
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(crBox, key);
    }
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(SerialTermPageTest, lineEndChoices_persistAndDriveTheView) {
    EXPECT_TRUE(Check(SerialTermPage::kIdLineEndCr)->isChecked());  // the defaults
    EXPECT_FALSE(Check(SerialTermPage::kIdLineEndLf)->isChecked());

    OpenPort();
    Check(SerialTermPage::kIdLineEndCr)->click();
    Check(SerialTermPage::kIdLineEndLf)->click();
    EXPECT_EQ(ScratchSettings::ReadText(AppSettings::Value::LineEndCr), "0");
    EXPECT_EQ(ScratchSettings::ReadText(AppSettings::Value::LineEndLf), "1");

    QTest::keyClick(View(), Qt::Key_Return);
    EXPECT_EQ(ReadFromPeer(1), "\n");

    SerialTermPage next;
    EXPECT_FALSE(
        next.findChild<QCheckBox*>(QString::number(SerialTermPage::kIdLineEndCr))->isChecked());
    EXPECT_TRUE(
        next.findChild<QCheckBox*>(QString::number(SerialTermPage::kIdLineEndLf))->isChecked());
}

TEST_F(SerialTermPageTest, openAndClose_enableTheControlsAndCloseEmptiesTheView) {
    EXPECT_TRUE(ControlsEnabled(false));
    OpenPort();
    EXPECT_TRUE(ControlsEnabled(true));
    peer.Write("received");
    ASSERT_TRUE(QTest::qWaitFor([&] { return View()->PlainText() == "received"; }, 5000));

    page->ClosePort();
    EXPECT_FALSE(page->IsPortOpen());
    EXPECT_TRUE(ControlsEnabled(false));
    EXPECT_TRUE(View()->PlainText().isEmpty());

    OpenPort();  // the same page opens again
    peer.Write("again");
    EXPECT_TRUE(QTest::qWaitFor([&] { return View()->PlainText() == "again"; }, 5000));
}

TEST_F(SerialTermPageTest, failedOpen_returnsTheErrorAndStaysClosed) {
    struct Case {
        QString port;
        std::uint8_t flowControl;
        int error;
    };
    const Case cases[] = {
        {"/dev/skw-no-such-port", 0, ENOENT},
        {QString::fromStdString(peer.SlavePath()), 3, EINVAL},  // not a flow control value
    };
    for (const Case& c : cases) {
        EXPECT_EQ(page->OpenPort(c.port, 9600, c.flowControl).value(), c.error);
        EXPECT_FALSE(page->IsPortOpen());
        EXPECT_TRUE(ControlsEnabled(false));
    }
}

TEST_F(SerialTermPageTest, portError_closesShowsOneMessageAndRequestsThePortSettings) {
    OpenPort();
    peer.Write("shown before the error");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !View()->PlainText().isEmpty(); }, 5000));
    QSignalSpy setupRequested(page.get(), &SerialTermPage::setupComPortRequested);

    peer.Unplug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return setupRequested.count() == 1; }, 5000));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, kPortError);
    EXPECT_EQ(prompter.messages[0].icon, Prompter::Icon::Error);
    EXPECT_FALSE(page->IsPortOpen());
    EXPECT_TRUE(View()->PlainText().isEmpty());
    EXPECT_TRUE(ControlsEnabled(false));
}

TEST_F(SerialTermPageTest, errorReportOfAnEarlierConnection_leavesTheNextOneOpen) {
    {
        PtyPeer first;
        ASSERT_FALSE(page->OpenPort(QString::fromStdString(first.SlavePath()), 115200, 0));
        first.Unplug();
        // Setup, not the check: let the I/O thread post its report, which stays queued.
        std::this_thread::sleep_for(200ms);
        page->ClosePort();
    }
    OpenPort();
    QSignalSpy setupRequested(page.get(), &SerialTermPage::setupComPortRequested);
    peer.Write("still open");
    // Posted before these bytes arrived, the old report has been handled once they show.
    ASSERT_TRUE(QTest::qWaitFor([&] { return View()->PlainText() == "still open"; }, 5000));
    EXPECT_TRUE(page->IsPortOpen());
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(setupRequested.count(), 0);
}

TEST(SerialTermPageTexts, controlsCarryTheirCaptionsAsAccessibleNamesInBothLanguages) {
    struct Case {
        const char* language;
        QStringList captions;  // Send, the two groups, the three check boxes
        QString notEvenMessage;
    };
    const Case cases[] = {
        {"en",
         {"Send", "Line end character", "Convert strings", "CR", "LF",
          "Treat as hexadecimal string"},
         kNotEven},
        {"ko",
         {QString::fromUtf8("보내기"), QString::fromUtf8("전송 끝 문자"),
          QString::fromUtf8("전송 문자열 변환"), "CR", "LF",
          QString::fromUtf8("16진수 문자열로 취급")},
         QString::fromUtf8("16진수 문자열의 길이가 짝수가 아닙니다.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        Translations::Install(QString::fromLatin1(c.language));
        PtyPeer peer;
        RecordingPrompter prompter;
        SerialTermPage page;
        QStringList captions;
        captions << page.findChild<QPushButton*>()->text();
        for (const QGroupBox* group : page.findChildren<QGroupBox*>()) {
            captions << group->title();
        }
        for (const QCheckBox* box : page.findChildren<QCheckBox*>()) {
            if (box->objectName().toInt() != 0) {  // the page's own, not the view's tools
                captions << box->text();
            }
        }
        EXPECT_EQ(captions, c.captions);

        for (const QWidget* control : page.findChildren<QWidget*>()) {
            const bool isControl =
                control->inherits("QAbstractButton") || control->inherits("QGroupBox") ||
                control->inherits("QComboBox") || control->inherits("QPlainTextEdit");
            if (isControl) {
                EXPECT_FALSE(control->accessibleName().isEmpty())
                    << control->metaObject()->className();
            }
        }
        EXPECT_EQ(page.findChild<QPushButton*>()->accessibleName(), c.captions[0]);

        ASSERT_FALSE(page.OpenPort(QString::fromStdString(peer.SlavePath()), 9600, 0));
        page.findChild<QCheckBox*>(QString::number(SerialTermPage::kIdTreatAsHex))->click();
        page.findChild<CHistoryCombo*>()->setEditText("abc");
        page.findChild<QPushButton*>()->click();
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages[0].text, c.notEvenMessage);
    }
    Translations::Install(QStringLiteral("en"));
}
