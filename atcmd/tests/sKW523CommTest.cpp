#include "AtStatus.h"
#include "PtyPeer.h"
#include "ResponseKind.h"
#include "ScriptedModule.h"
#include "sKW523Comm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Reaches the channel's matching step without a port.
class TableProbe : public sKW523Comm {
public:
    std::int32_t StatusOf(const std::string& frame, std::int32_t kind) const {
        const std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
        return MatchFrame(bytes, kind).Status();
    }
};

ScriptedModule::Script Answers(std::map<std::string, std::string> answers) {
    return [answers = std::move(answers)](const std::string& command) {
        const auto found = answers.find(command);
        return found == answers.end() ? std::string() : found->second;
    };
}

ScriptedModule::Script AlwaysOk() {
    return [](const std::string&) { return std::string("OK\r"); };
}

class ChannelTest : public ::testing::Test {
protected:
    void TearDown() override { comm.Close(); }
    void OpenOn(PtyPeer& line) {
        ASSERT_FALSE(comm.Open(line.SlavePath(), PortSettings::At(115200)));
    }

    PtyPeer peer;
    sKW523Comm comm;
};

}  // namespace

// Whether an enclosed acknowledgement or an error answer ends a transaction, and how, follows
// from the order of the matchers in each kind's row.
TEST(ResponseKindTable, rowOrderDecidesTheStatusOfEnclosedOkAndError) {
    struct Group {
        std::vector<std::int32_t> kinds;
        std::int32_t enclosedOk;
        std::int32_t error;
    };
    const Group groups[] = {
        {{5, 6, 9, 16, 17, 27, 30, 31, 34, 36}, AT_ERROR, AT_ERROR},
        {{2, 12, 13, 14, 15, 18, 20, 23, 24, 25, 26, 28, 29, 32, 33, 35, 37}, AT_OK, AT_ERROR},
        {{11}, AT_TEXT, AT_TEXT},
        {{21}, AT_MODEL, AT_MODEL},
        {{19}, AT_HEX_TEXT, AT_ERROR},
        {{22}, AT_NUMBER, AT_ERROR},
        {{3, 4, 7, 10}, AT_NO_MATCH, AT_NO_MATCH},
        {{-1, 0, 1, 8, 38, 99}, AT_NO_MATCH, AT_NO_MATCH},  // kinds without a row
    };
    const TableProbe table;
    for (const Group& group : groups) {
        for (const std::int32_t kind : group.kinds) {
            SCOPED_TRACE("kind " + std::to_string(kind));
            EXPECT_EQ(table.StatusOf("\r\nOK\r\n", kind), group.enclosedOk);
            EXPECT_EQ(table.StatusOf("ERROR\r", kind), group.error);
        }
    }
}

TEST(ResponseKindTable, framesOutsideThreeTo255BytesReachNoMatcher) {
    const TableProbe table;
    EXPECT_EQ(table.StatusOf("AB\r", KIND_MODEL), AT_MODEL);
    EXPECT_EQ(table.StatusOf("A\r", KIND_MODEL), AT_NO_MATCH);
    EXPECT_EQ(table.StatusOf(std::string(254, 'A') + "\r", KIND_MODEL), AT_MODEL);
    EXPECT_EQ(table.StatusOf(std::string(255, 'A') + "\r", KIND_MODEL), AT_FRAME_TOO_LONG);
}

TEST_F(ChannelTest, answersCutIntoSmallPieces_endTheirTransaction) {
    const std::map<std::string, std::string> answers = {
        {"AT\r", "AT\rOK\r"},  // echoed
        {"ATZ\r", "\r\nOK\r\n\r\n+READY\r\n"},
        {"AT+VER?\r", "AT+VER?\r\r\nv1.2.3\r\nv1.2.3\r"},
        {"AT+MODEL?\r", "GaX-sKW523\r\n"},
        {"AT+INFO?\r", "\r\n01:23:45:67:89:AB,sKW,X,SETMODE\r\n"},
        {"AT+GETSLOT=2\r", "+SLOT,2,0123456789AB,abc\r\n"},
    };
    struct Case {
        std::string command;
        std::int32_t kind;
        std::int32_t status;
        std::size_t textOffset;
        std::string text;
    };
    const Case cases[] = {
        {"AT\r", KIND_AT, AT_OK, 0, ""},
        {"ATZ\r", KIND_RESET, AT_READY, 0, ""},
        {"AT+VER?\r", KIND_VERSION, AT_VERSION, 0, "v1.2.3"},
        {"AT+MODEL?\r", KIND_MODEL, AT_MODEL, 0, "GaX-sKW523"},
        {"AT+INFO?\r", KIND_INFO, AT_INFO, 6, "sKW"},
        {"AT+GETSLOT=2\r", KIND_GET_SLOT, AT_SLOT, 7, "abc"},
    };
    ScriptedModule module(peer, Answers(answers), {.smallPieces = true});
    OpenOn(peer);
    std::vector<std::string> sent;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.command));
        const MatchResult result = comm.SendCommand(c.command, c.kind, 1500);
        sent.push_back(c.command);
        ASSERT_EQ(result.Status(), c.status);
        EXPECT_EQ(result.PayloadText(c.textOffset, 64), c.text);
    }
    EXPECT_EQ(module.Commands(), sent);
}

TEST_F(ChannelTest, withoutADecisiveAnswer_theTransactionEndsAtItsTimeLimit) {
    struct Case {
        std::string command;
        std::string answer;
        std::int32_t kind;
    };
    const Case cases[] = {
        {"AT+SILENT\r", "", KIND_AT},
        {"AT+NOROW\r", "OK\r", 8},  // a kind without a row recognises nothing
        {"AT+SPACE\r", "OK \r", KIND_AT},
    };
    std::map<std::string, std::string> answers;
    for (const Case& c : cases) {
        answers[c.command] = c.answer;
    }
    ScriptedModule module(peer, Answers(answers), {});
    OpenOn(peer);
    constexpr std::uint32_t kLimitMs = 150;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.command));
        const auto started = Clock::now();
        EXPECT_EQ(comm.SendCommand(c.command, c.kind, kLimitMs).Status(), AT_TIMEOUT);
        EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(kLimitMs));
    }
}

// Many frames in one read are examined at once, not one per wake-up.
TEST_F(ChannelTest, framesArrivingTogether_areAllExaminedAtOnce) {
    std::string answer;
    for (int i = 0; i < 80; ++i) {
        answer += "+NOISE" + std::to_string(i) + "\r";
    }
    answer += "OK\r";
    ASSERT_LT(answer.size(), 1024u);  // one read's worth
    ScriptedModule module(peer, Answers({{"AT\r", answer}}), {});
    OpenOn(peer);
    const auto sent = Clock::now();
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 5000).Status(), AT_OK);
    // Had each line waited for a wake-up of its own (10 ms), this would take 800 ms.
    EXPECT_LT(Clock::now() - sent, 400ms);
}

TEST_F(ChannelTest, closedChannel_answersNotOpenAndPutsNothingOnTheLine) {
    ScanReport report;
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1500).Status(), AT_NOT_OPEN);
    EXPECT_EQ(comm.WaitScanReport(report), AT_NOT_OPEN);
    EXPECT_EQ(comm.SetScanFilter(ScanFilter{}), AT_NOT_OPEN);

    OpenOn(peer);
    comm.Close();
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1500).Status(), AT_NOT_OPEN);
    // A command queued while closed would go out with the next open.
    OpenOn(peer);
    EXPECT_TRUE(peer.ReadUntilQuiet(200ms, 1s).empty());
}

TEST_F(ChannelTest, openWithRejectedLineSettings_returnsAnErrorInsteadOfThrowing) {
    PortSettings settings = PortSettings::At(115200);
    settings.parity = 7;
    EXPECT_EQ(comm.Open(peer.SlavePath(), settings),
              std::make_error_code(std::errc::invalid_argument));
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(g_ioServiceUsers, 0);
}

TEST_F(ChannelTest, closeDuringALongWait_abortsTheTransactionAtOnce) {
    OpenOn(peer);
    const std::string command = "AT+MODULESETMODE\r";
    MatchResult result;
    Clock::time_point ended;
    std::thread worker([&] {
        result = comm.SendCommand(command, KIND_SETMODE, 6000);
        ended = Clock::now();
    });
    EXPECT_EQ(peer.ReadExactly(command.size(), 5s).size(), command.size());
    const auto closing = Clock::now();
    comm.Close();
    worker.join();
    EXPECT_EQ(result.Status(), AT_ABORTED);
    EXPECT_LT(ended - closing, 1s);
}

TEST_F(ChannelTest, lineOf256BytesOrMore_endsTheCommandWithFrameTooLong) {
    const std::string longest = "v" + std::string(253, '1') + "\r";
    const std::map<std::string, std::string> answers = {
        {"AT+VER?\r", longest},
        {"AT+VER?256\r", "v" + std::string(254, '1') + "\r"},
        {"AT+VER?300\r", "v" + std::string(298, '1') + "\r"},
    };
    ScriptedModule module(peer, Answers(answers), {});
    OpenOn(peer);
    EXPECT_EQ(comm.SendCommand("AT+VER?\r", KIND_VERSION, 1500).Status(), AT_VERSION);
    EXPECT_EQ(comm.SendCommand("AT+VER?256\r", KIND_VERSION, 1500).Status(), AT_FRAME_TOO_LONG);
    EXPECT_EQ(comm.SendCommand("AT+VER?300\r", KIND_VERSION, 1500).Status(), AT_FRAME_TOO_LONG);
}

TEST_F(ChannelTest, scanReportsArrivingBetweenWaits_areNotLost) {
    OpenOn(peer);
    peer.Write("+0123456789A1,-41,one\r\n+0123456789A2,-42,two\r\n");
    ScanReport report;
    ASSERT_EQ(comm.WaitScanReport(report), AT_SCAN_REPORT);
    EXPECT_STREQ(report.name, "one");
    EXPECT_EQ(report.address[5], 0xA1);
    EXPECT_EQ(report.rssi, -41);

    // Arrives while no transaction runs.
    peer.Write("+0123456789A3,-43,three\r\n");
    ASSERT_EQ(comm.WaitScanReport(report), AT_SCAN_REPORT);
    EXPECT_STREQ(report.name, "two");
    ASSERT_EQ(comm.WaitScanReport(report), AT_SCAN_REPORT);
    EXPECT_STREQ(report.name, "three");
    EXPECT_EQ(report.rssi, -43);
}

TEST_F(ChannelTest, setScanFilter_sendsTheNameFilterCommand) {
    struct Case {
        std::uint8_t enabled;
        std::string name;
        std::string command;
    };
    const std::string fullArea(64, 'N');  // leaves no room for a NUL
    const Case cases[] = {
        {0, "QUORVEX", "AT+SF=OFF\r"},
        {1, "QUORVEX", "AT+SF=ON,QUORVEX\r"},
        {1, "", "AT+SF=ON,\r"},
        {1, fullArea, "AT+SF=ON," + fullArea + "\r"},
    };
    ScriptedModule module(peer, AlwaysOk(), {});
    OpenOn(peer);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ScanFilter filter;
        filter.enabled = c.enabled;
        std::copy(c.name.begin(), c.name.end(), filter.name);
        EXPECT_EQ(comm.SetScanFilter(filter), AT_OK);
        EXPECT_EQ(module.Commands().back(), c.command);
    }
}

TEST_F(ChannelTest, transactionsFromTwoThreads_eachGetTheirOwnAnswers) {
    const std::map<std::string, std::string> answers = {
        {"AT+VER?\r", "v1.0\r"},
        {"AT+MODEL?\r", "GaX-sKW523\r"},
    };
    // The model matcher takes any line, so it would take a version answer it stole.
    ScriptedModule module(peer, Answers(answers), {});
    OpenOn(peer);
    constexpr int kRounds = 10;
    const auto runRounds = [this](const std::string& command, std::int32_t kind) {
        std::vector<std::string> texts;
        for (int round = 0; round < kRounds; ++round) {
            const MatchResult result = comm.SendCommand(command, kind, 1500);
            texts.push_back(std::to_string(result.Status()) + ":" + result.PayloadText(0, 64));
        }
        return texts;
    };
    std::vector<std::string> versions;
    std::vector<std::string> models;
    std::thread first([&] { versions = runRounds("AT+VER?\r", KIND_VERSION); });
    std::thread second([&] { models = runRounds("AT+MODEL?\r", KIND_MODEL); });
    first.join();
    second.join();
    EXPECT_EQ(versions, std::vector<std::string>(kRounds, std::to_string(AT_VERSION) + ":v1.0"));
    EXPECT_EQ(models, std::vector<std::string>(kRounds, std::to_string(AT_MODEL) + ":GaX-sKW523"));
}

TEST_F(ChannelTest, afterAPortFailure_theChannelLetsGoOfTheIoServiceAndOpensAgain) {
    struct Case {
        bool withCallback;
        bool closeBeforeReopening;
    };
    const Case cases[] = {{true, true}, {false, true}, {false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "callback " << c.withCallback << ", close " << c.closeBeforeReopening);
        std::mutex lock;
        std::condition_variable reportedChanged;
        bool reported = false;
        if (c.withCallback) {
            comm.m_onError = [&](const sKW523Comm*, std::error_code&) {
                std::lock_guard guard(lock);
                reported = true;
                reportedChanged.notify_all();
            };
        }
        {
            PtyPeer unplugged;
            OpenOn(unplugged);
            unplugged.Unplug();
            if (c.withCallback) {
                std::unique_lock guard(lock);
                EXPECT_TRUE(reportedChanged.wait_for(guard, 5s, [&] { return reported; }));
            } else {
                // Without a callback the channel closes its failed port itself.
                const auto deadline = Clock::now() + 5s;
                while (comm.IsOpen() && Clock::now() < deadline) {
                    std::this_thread::sleep_for(5ms);
                }
                EXPECT_FALSE(comm.IsOpen());
            }
        }
        if (c.closeBeforeReopening) {
            comm.Close();
            EXPECT_EQ(g_ioServiceUsers, 0);
        }
        comm.m_onError = nullptr;

        ScriptedModule module(peer, AlwaysOk(), {});
        OpenOn(peer);
        EXPECT_EQ(g_ioServiceUsers, 1);
        EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1500).Status(), AT_OK);
        comm.Close();
    }
}

TEST_F(ChannelTest, destroyingAnOpenChannel_closesItFirst) {
    {
        PtyPeer other;
        sKW523Comm unclosed;
        ASSERT_FALSE(unclosed.Open(other.SlavePath(), PortSettings::At(115200)));
    }  // the line goes down after the channel: nothing may call back into it
    EXPECT_EQ(g_ioServiceUsers, 0);

    ScriptedModule module(peer, AlwaysOk(), {});
    OpenOn(peer);
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1500).Status(), AT_OK);
}
