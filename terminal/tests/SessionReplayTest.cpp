// "Record session…" against the virtual module, and the recording played back as the device
// (the virtual module's replay): the same commands get the same answers.
// Before any Qt header: the module's state has a member named like a Qt keyword.
#include "ReplayModule.h"
#include "VirtualModule.h"

#include "RecordingFileAsker.h"
#include "RecordingPrompter.h"
#include "ScratchSettings.h"
#include "SerialTermPage.h"
#include "SessionRecorder.h"
#include "TermChannel.h"
#include "TermRichedit.h"

#include <gtest/gtest.h>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kJob = {"AT\r", "AT+VER?\r", "AT+INFO?\r"};

class SessionReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<SerialTermPage>();
        page->show();
    }
    TermChannel* Channel() const { return page->findChild<TermChannel*>(); }
    QString Shown() const { return page->findChild<TermRichedit*>()->PlainText(); }
    QPushButton* RecordButton() const { return page->findChild<QPushButton*>("termRecord"); }
    // Sends each command once the answer to the one before has come (a line end shown).
    QString RunJob(const QString& portPath, const std::vector<std::string>& job) {
        page->ClosePort();
        EXPECT_FALSE(page->OpenPort(portPath, 115200, 0));
        for (const std::string& command : job) {
            const qsizetype before = Shown().size();
            Channel()->Write(command.data(), command.size());
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return Shown().size() > before && Shown().endsWith(u'\n'); }, 5000))
                << command;
        }
        return Shown();
    }
    std::vector<SessionEntry> Recorded(const QString& path) const {
        std::ifstream input(path.toStdString());
        std::vector<SessionEntry> entries;
        std::string error;
        EXPECT_TRUE(ParseSession(input, entries, error)) << error;
        return entries;
    }

    ScratchSettings settings;
    RecordingPrompter prompter;
    RecordingFileAsker files;
    std::unique_ptr<SerialTermPage> page;
};

}  // namespace

TEST_F(SessionReplayTest, recordedSession_replaysTheDevicesSideToTheSameTranscript) {
    VirtualModule module;
    ASSERT_FALSE(module.Start());
    QTemporaryDir folder;
    const QString path = folder.filePath("job.session");
    files.AnswerWith(path);
    RecordButton()->click();
    ASSERT_EQ(RecordButton()->text(), "Stop recording");
    const QString original = RunJob(QString::fromStdString(module.PortPath()), kJob);
    RecordButton()->click();
    EXPECT_EQ(RecordButton()->text(), QString::fromUtf8("Record session…"));
    ASSERT_TRUE(original.contains("OK")) << original.toStdString();

    const std::vector<SessionEntry> session = Recorded(path);
    std::string sent;
    for (const SessionEntry& entry : session) {
        if (entry.fromProgram) {
            sent += entry.bytes;
        }
    }
    EXPECT_EQ(sent, "AT\rAT+VER?\rAT+INFO?\r");

    ReplayModule replay(session, "replay-test");
    ASSERT_FALSE(replay.Start());
    EXPECT_EQ(RunJob(QString::fromStdString(replay.PortPath()), kJob), original);
    EXPECT_TRUE(replay.Finished());
    EXPECT_FALSE(replay.Diverged());
    page->ClosePort();
}

// A command the recording does not have ends the replay: the device answers nothing more.
TEST_F(SessionReplayTest, commandOffTheRecording_silencesTheReplay) {
    std::istringstream file("# skw session 1\n0 tx AT\\r\n12 rx OK\\r\n20 tx AT\\r\n31 rx OK\\r\n");
    std::vector<SessionEntry> session;
    std::string error;
    ASSERT_TRUE(ParseSession(file, session, error)) << error;
    ReplayModule replay(session, "replay-test");
    ASSERT_FALSE(replay.Start());
    EXPECT_EQ(RunJob(QString::fromStdString(replay.PortPath()), {"AT\r"}), "OK\n");
    Channel()->Write("ATZ\r", 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return replay.Diverged(); }, 5000));
    EXPECT_EQ(replay.Unexpected(), "ATZ\r");
    QTest::qWait(100);  // an answer would have come by now (12 ms in the recording)
    EXPECT_EQ(Shown(), "OK\n");
    EXPECT_FALSE(replay.Finished());
    page->ClosePort();
}

// What the program's recorder writes, the module's own reader reads back byte for byte.
TEST(SessionFile, everyByteSurvivesTheRoundTrip) {
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) {
        everyByte.push_back(static_cast<char>(byte));
    }
    std::istringstream file("# skw session 1\n5 tx " +
                            EscapeSessionBytes(everyByte.data(), everyByte.size()) + "\n");
    std::vector<SessionEntry> session;
    std::string error;
    ASSERT_TRUE(ParseSession(file, session, error)) << error;
    ASSERT_EQ(session.size(), 1u);
    EXPECT_EQ(session[0].ms, 5);
    EXPECT_TRUE(session[0].fromProgram);
    EXPECT_EQ(session[0].bytes, everyByte);

    for (const char* bad : {"5 tx", "x tx AT", "5 up AT", "5 tx AT\\q", "5 tx \\x4"}) {
        std::istringstream line(bad);
        session.clear();
        EXPECT_FALSE(ParseSession(line, session, error)) << bad;
        EXPECT_EQ(error.rfind("line 1:", 0), 0u) << error;
    }
}
