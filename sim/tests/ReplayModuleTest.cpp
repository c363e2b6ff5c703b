#include "ReplayModule.h"
#include "SerialLine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

using namespace std::chrono_literals;

namespace {

std::vector<SessionEntry> Session(const std::string& text) {
    std::istringstream input(text);
    std::vector<SessionEntry> session;
    std::string error;
    EXPECT_TRUE(ParseSession(input, session, error)) << error;
    return session;
}

}  // namespace

// Each recorded answer goes out once the command before it has come whole (in any pieces), as
// long after it as in the recording; what the device said before any command goes out once the
// program is heard from (this line opens without flushing it).
TEST(SimReplayModule, answersEachRecordedCommandAtTheRecordedPace) {
    ReplayModule replay(Session("# skw session 1\n"
                                "0 rx +READY\\r\n"
                                "100 tx AT+VER?\\r\n"
                                "350 rx v2.1.4\\r\n"
                                "400 tx AT\\r\n"
                                "410 rx O\n"
                                "412 rx K\\r\n"),
                        "replay-sim-test");
    ASSERT_FALSE(replay.Start());
    SerialLine line(replay.PortPath(), 115200);
    line.Write("AT+V");
    EXPECT_EQ(line.ReadLine(), "+READY\r");
    line.Write("ER?\r");
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(line.ReadLine(), "v2.1.4\r");
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 250ms);
    EXPECT_FALSE(replay.Finished());
    EXPECT_EQ(line.Ask("AT"), "OK\r");
    EXPECT_TRUE(replay.Finished());
    EXPECT_FALSE(replay.Diverged());
}

TEST(SimReplayModule, otherBytesThanRecorded_endTheReplay) {
    ReplayModule replay(Session("0 tx AT\\r\n5 rx OK\\r\n"), "replay-sim-test");
    ASSERT_FALSE(replay.Start());
    SerialLine line(replay.PortPath(), 115200);
    line.Write("ATZ\r");
    EXPECT_EQ(line.ReadLine(300ms), "");
    EXPECT_TRUE(replay.Diverged());
    EXPECT_EQ(replay.Unexpected(), "ATZ\r");
}
