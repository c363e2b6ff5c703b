#include "ModemLines.h"
#include "PtyPeer.h"
#include "RecordingFileAsker.h"
#include "RecordingPrompter.h"
#include "ScratchSettings.h"
#include "SerialTermPage.h"
#include "TermChannel.h"
#include "TermFileSender.h"
#include "TermLineRow.h"
#include "TermReconnector.h"
#include "TermRichedit.h"
#include "Translations.h"
#include "VirtualModule.h"

#include "AppSettings.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <chrono>
#include <mutex>
#include <random>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr int kWaitMs = 10'000;

// Modem lines under the test's control, standing in for an adapter that has them.
class FakeModemLines : public ModemLineControl {
public:
    std::error_code SetDtr(bool asserted) override { return Set(dtr, asserted, dtrCalls); }
    std::error_code SetRts(bool asserted) override { return Set(rts, asserted, rtsCalls); }
    std::error_code SetBreak(bool on) override { return Set(breakOn, on, breakCalls); }
    std::error_code ReadInputs(ModemLineState& state) override {
        std::lock_guard guard(lock);
        state = inputs;
        return {};
    }
    void SetInputs(const ModemLineState& state) {
        std::lock_guard guard(lock);
        inputs = state;
    }
    bool Line(const bool& line) {
        std::lock_guard guard(lock);
        return line;
    }

    std::mutex lock;
    ModemLineState inputs;
    bool dtr = false, rts = false, breakOn = false;
    int dtrCalls = 0, rtsCalls = 0, breakCalls = 0;

private:
    std::error_code Set(bool& line, bool value, int& calls) {
        std::lock_guard guard(lock);
        line = value;
        ++calls;
        return {};
    }
};

class TermLineToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<SerialTermPage>();
        page->show();
    }

    template <typename Control>
    Control* Find(const char* name) const {
        return page->findChild<Control*>(QLatin1String(name));
    }
    bool Lit(const char* indicator) const {
        return Find<QLabel>(indicator)->property("lit").toBool();
    }
    TermRichedit* View() const {
        return page->findChild<TermRichedit*>(QString::number(SerialTermPage::kIdView));
    }
    TermFileSender* Sender() const { return page->findChild<TermFileSender*>(); }
    TermChannel* Channel() const { return page->findChild<TermChannel*>(); }
    bool ViewShows(const QString& text) const { return View()->PlainText().contains(text); }

    ScratchSettings settings;
    PtyPeer peer;
    RecordingPrompter prompter;
    RecordingFileAsker files;
    std::unique_ptr<SerialTermPage> page;
};

TEST_F(TermLineToolsTest, modemLines_followTheStoredChoiceTheClicksAndTheInputs) {
    AppSettings::SetTermDtr(false);
    page.reset();
    page = std::make_unique<SerialTermPage>();
    FakeModemLines lines;
    page->findChild<TermLineRow*>()->SetModemLines(&lines);
    ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));

    EXPECT_FALSE(lines.Line(lines.dtr));
    EXPECT_TRUE(lines.Line(lines.rts));
    Find<QCheckBox>("termDtr")->click();
    EXPECT_TRUE(lines.Line(lines.dtr));
    EXPECT_TRUE(AppSettings::TermDtr());
    Find<QCheckBox>("termRts")->click();
    EXPECT_FALSE(lines.Line(lines.rts));
    EXPECT_FALSE(AppSettings::TermRts());

    lines.SetInputs({.cts = true, .dcd = true});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lit("termCts") && Lit("termDcd"); }, kWaitMs));
    EXPECT_FALSE(Lit("termDsr"));
    EXPECT_FALSE(Lit("termRi"));
    lines.SetInputs({.ri = true});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lit("termRi") && !Lit("termCts"); }, kWaitMs));

    // The break is released by a timer, without the window waiting for it.
    Find<QPushButton>("termBreak")->click();
    EXPECT_TRUE(lines.Line(lines.breakOn));
    EXPECT_FALSE(Find<QPushButton>("termBreak")->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lines.Line(lines.breakOn); }, kWaitMs));
    EXPECT_TRUE(Find<QPushButton>("termBreak")->isEnabled());

    page->ClosePort();
    EXPECT_FALSE(Lit("termRi"));
    EXPECT_FALSE(Find<QCheckBox>("termDtr")->isEnabled());
}

// With "Leave DTR and RTS as they are" opening sets neither line (a board with its reset on
// DTR keeps running); the choice is stored, and the boxes still drive the lines when clicked.
TEST_F(TermLineToolsTest, leaveLines_openingSetsNeitherLineAndClicksStillDo) {
    FakeModemLines lines;
    page->findChild<TermLineRow*>()->SetModemLines(&lines);
    Find<QCheckBox>("termLeaveLines")->click();
    EXPECT_TRUE(AppSettings::TermLeaveLines());
    ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    EXPECT_EQ(lines.dtrCalls, 0);
    EXPECT_EQ(lines.rtsCalls, 0);
    Find<QCheckBox>("termDtr")->click();
    EXPECT_EQ(lines.dtrCalls, 1);
    page->ClosePort();

    Find<QCheckBox>("termLeaveLines")->click();  // off again: the stored choice is applied
    ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    EXPECT_EQ(lines.dtrCalls, 2);
    EXPECT_EQ(lines.rtsCalls, 1);
}

TEST_F(TermLineToolsTest, hardwareFlowControl_leavesRtsToTheDriver) {
    FakeModemLines lines;
    page->findChild<TermLineRow*>()->SetModemLines(&lines);
    ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 2));
    EXPECT_EQ(lines.rtsCalls, 0);
    EXPECT_EQ(lines.dtrCalls, 1);
    EXPECT_FALSE(Find<QCheckBox>("termRts")->isEnabled());
    EXPECT_FALSE(Find<QCheckBox>("termRts")->toolTip().isEmpty());
    EXPECT_TRUE(Find<QCheckBox>("termDtr")->isEnabled());
}

// A pseudo-terminal has no modem lines: the line controls say so instead of failing.
TEST_F(TermLineToolsTest, pseudoTerminal_showsTheLinesDisabledWithAReason) {
    ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    for (const char* name : {"termDtr", "termRts", "termCts", "termDsr", "termDcd", "termRi"}) {
        EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
        EXPECT_EQ(Find<QWidget>(name)->toolTip(), "This port has no modem lines") << name;
    }
    EXPECT_TRUE(Find<QPushButton>("termBreak")->isEnabled());
    Find<QPushButton>("termBreak")->click();
    EXPECT_TRUE(prompter.messages.empty());
}

std::string RandomBytes(std::size_t count) {
    std::mt19937 generator(17);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

QString WriteFile(const QTemporaryDir& folder, const std::string& bytes) {
    const QString path = folder.filePath(QStringLiteral("send.bin"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path;
}

// Reads the far end on a thread of its own until `done` says the bytes are complete.
class PeerCapture {
public:
    PeerCapture(PtyPeer& peer, std::function<bool(const std::string&)> done)
        : m_thread([this, &peer, done = std::move(done)] {
              const auto deadline = std::chrono::steady_clock::now() + 30s;
              std::string bytes;
              while (!done(bytes) && std::chrono::steady_clock::now() < deadline) {
                  const auto piece = peer.ReadExactly(64 * 1024, 50ms);
                  bytes.append(piece.begin(), piece.end());
              }
              m_bytes = std::move(bytes);
          }) {}
    std::string Join() {
        m_thread.join();
        return m_bytes;
    }

private:
    std::string m_bytes;
    std::thread m_thread;
};

TEST_F(TermLineToolsTest, sendFile_deliversAMegabyteByteForByte) {
    const std::string content = RandomBytes(1024 * 1024);
    QTemporaryDir folder;
    const QString path = WriteFile(folder, content);
    ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    PeerCapture capture(peer,
                        [&](const std::string& bytes) { return bytes.size() >= content.size(); });
    files.AnswerWith(path);
    QSignalSpy finished(Sender(), &TermFileSender::finished);
    Find<QPushButton>("termSendFile")->click();
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].purpose, FileAsker::Purpose::Open);
    EXPECT_TRUE(Sender()->IsSending());  // the click returned long before the file is out
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 60'000));
    EXPECT_TRUE(finished.first().first().toBool());
    const std::string received = capture.Join();
    EXPECT_EQ(received.size(), content.size());
    EXPECT_TRUE(received == content);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(TermLineToolsTest, sendFileCancelledHalfway_leavesTheChannelUsable) {
    const std::string content = RandomBytes(1024 * 1024);
    QTemporaryDir folder;
    const QString path = WriteFile(folder, content);
    ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    const std::string endMark = "<end of test>";
    PeerCapture capture(peer, [&](const std::string& bytes) {
        return bytes.size() >= endMark.size() &&
               bytes.compare(bytes.size() - endMark.size(), endMark.size(), endMark) == 0;
    });
    Sender()->SendFile(path);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Sender()->SentBytes() > 256 * 1024; }, 60'000));
    Find<QPushButton>("termSendCancel")->click();
    EXPECT_FALSE(Sender()->IsSending());
    const qint64 sent = Sender()->SentBytes();
    EXPECT_LT(sent, static_cast<qint64>(content.size()));

    // The queue may still be full of the file's last piece: offer the rest until it is taken.
    std::size_t written = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            written += Channel()->Write(endMark.data() + written, endMark.size() - written);
            return written == endMark.size();
        },
        kWaitMs));
    const std::string received = capture.Join();
    // Whatever the channel took went out whole, followed by what was written after the cancel.
    EXPECT_TRUE(received == content.substr(0, static_cast<std::size_t>(sent)) + endMark);
}

TEST_F(TermLineToolsTest, sendFileThatCannotBeRead_saysSoAndSendsNothing) {
    ASSERT_FALSE(page->OpenPort(QString::fromStdString(peer.SlavePath()), 115200, 0));
    QTemporaryDir folder;
    for (const QString& path : {folder.filePath(QStringLiteral("missing.bin")), folder.path()}) {
        prompter.messages.clear();
        Sender()->SendFile(path);
        ASSERT_EQ(prompter.messages.size(), 1u) << path.toStdString();
        EXPECT_TRUE(prompter.messages[0].text.startsWith("The file ")) << path.toStdString();
        EXPECT_FALSE(Sender()->IsSending());
    }
    EXPECT_TRUE(peer.ReadExactly(1, 100ms).empty());
}

class ReconnectTest : public TermLineToolsTest {
protected:
    void SetUp() override {
        AppSettings::SetTermAutoReconnect(true);
        TermLineToolsTest::SetUp();
        ASSERT_FALSE(first.Start());
        ASSERT_FALSE(page->OpenPort(QString::fromStdString(first.PortPath()), 9600, 0));
        first.SendRaw("before the loss\r");
        ASSERT_TRUE(QTest::qWaitFor([&] { return ViewShows("before the loss"); }, kWaitMs));
    }
    void Unplug() {
        first.Unplug();
        ASSERT_TRUE(QTest::qWaitFor([&] { return page->IsWaitingForPort(); }, kWaitMs));
    }

    // Per process: ctest runs the tests of this fixture side by side, and the published names
    // share one folder.
    static VirtualModuleOptions Options() {
        return {.portName = "reconnect-test-" + std::to_string(::getpid())};
    }
    VirtualModule first{Options()};
    VirtualModule second{Options()};
};

TEST_F(ReconnectTest, lostPort_isReopenedWhenAModuleReturnsUnderItsName) {
    QSignalSpy status(page.get(), &SerialTermPage::portStatusChanged);
    Unplug();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(ViewShows("before the loss"));
    EXPECT_TRUE(ViewShows("— port lost "));
    ASSERT_EQ(status.size(), 1);
    EXPECT_TRUE(status[0][0].toString().startsWith("Waiting for "));

    first.Stop();
    ASSERT_FALSE(second.Start());
    ASSERT_EQ(second.PortPath(), first.PortPath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->IsPortOpen(); }, kWaitMs));
    EXPECT_TRUE(ViewShows("— reopened "));
    EXPECT_TRUE(status.last()[0].toString().isEmpty());
    second.SendRaw("after the return\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewShows("after the return"); }, kWaitMs));
    EXPECT_TRUE(ViewShows("before the loss"));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(ReconnectTest, closingWhileWaiting_endsTheWaitAtOnce) {
    Unplug();
    page->ClosePort();
    EXPECT_FALSE(page->IsWaitingForPort());
    first.Stop();
    ASSERT_FALSE(second.Start());
    QTest::qWait(3 * TermReconnector::kRetryIntervalMs);  // time for a retry that must not come
    EXPECT_FALSE(page->IsPortOpen());
}

TEST_F(TermLineToolsTest, lineTools_haveEnglishAndKoreanTextsAndAccessibleNames) {
    const auto texts = [&] {
        return QStringList{
            Find<QPushButton>("termBreak")->text(), Find<QCheckBox>("termReconnect")->text(),
            Find<QPushButton>("termSendFile")->text(), Find<QPushButton>("termSendCancel")->text()};
    };
    EXPECT_EQ(texts(), QStringList({"Break", "Reconnect automatically",
                                    QString::fromUtf8("Send file…"), "Cancel"}));
    Translations::Install(QStringLiteral("ko"));
    page = std::make_unique<SerialTermPage>();
    const QStringList korean = texts();
    Translations::Install(QStringLiteral("en"));
    EXPECT_EQ(korean, QStringList({QString::fromUtf8("브레이크"), QString::fromUtf8("자동 재연결"),
                                   QString::fromUtf8("파일 보내기…"), QString::fromUtf8("취소")}));
    QList<QWidget*> controls = page->findChild<TermLineRow*>()->findChildren<QWidget*>();
    controls += Sender()->findChildren<QWidget*>();
    for (const QWidget* control : controls) {
        EXPECT_FALSE(control->accessibleName().isEmpty())
            << control->metaObject()->className() << " " << control->objectName().toStdString();
    }
}

TEST(TermReconnectorTest, linkTo_findsTheEntryNamingTheSameDevice) {
    QTemporaryDir folder;
    const QString device = folder.filePath(QStringLiteral("ttyUSB3"));
    QFile(device).open(QIODevice::WriteOnly);
    const QString links = folder.filePath(QStringLiteral("by-id"));
    QDir().mkpath(links);
    QFile::link(folder.filePath(QStringLiteral("elsewhere")), links + QStringLiteral("/usb-other"));
    QFile::link(device, links + QStringLiteral("/usb-Maker_Adapter_123-if00-port0"));
    EXPECT_EQ(TermReconnector::LinkTo(links, device),
              links + QStringLiteral("/usb-Maker_Adapter_123-if00-port0"));
    EXPECT_EQ(TermReconnector::LinkTo(links, folder.filePath(QStringLiteral("ttyUSB4"))), "");
}

}  // namespace
