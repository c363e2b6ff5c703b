// The channel against the virtual module behaving as real modules do: echoing, answering late,
// left scanning, a stray line at connect, bytes at the pace of the line.
#include "AtStatus.h"
#include "ResponseKind.h"
#include "VirtualModule.h"
#include "sKW523Comm.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <time.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kLimit = 10s;

std::string UniqueName(const std::string& what) {
    static std::atomic<int> counter{0};
    return what + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// Reaches the channel's buffers from the test.
class ChannelProbe : public sKW523Comm {
public:
    ChannelProbe() {
        m_port->m_onReceive = [this, received = m_port->m_onReceive](
                                  PortChannel::Ptr port, std::error_code& error,
                                  const std::vector<std::uint8_t>& data, unsigned int count) {
            m_delivered += count;
            received(std::move(port), error, data, count);
        };
    }
    // What the port handed to the channel, kept or dropped.
    std::size_t DeliveredBytes() const { return m_delivered; }
    std::size_t ReceivedBytes() {
        std::lock_guard lock(m_rxLock);
        return m_rxBuffer.size();
    }
    std::size_t WorkBytes() const { return m_workBuffer.size(); }
    // Bytes as a wait step moves them into the work buffer.
    void Arrive(const std::string& bytes) {
        m_workBuffer.insert(m_workBuffer.end(), bytes.begin(), bytes.end());
        BoundWorkBuffer();
    }
    MatchResult Next(std::int32_t kind) { return ExtractAndMatch(kind); }

    // Holds the next command transaction between its open check and its write until released.
    void HoldBeforeWrite() {
        std::lock_guard lock(m_holdLock);
        m_hold = true;
    }
    bool WaitUntilHeld() {
        std::unique_lock lock(m_holdLock);
        return m_holdChanged.wait_for(lock, kLimit, [this] { return m_held; });
    }
    void Release() {
        std::lock_guard lock(m_holdLock);
        m_hold = false;
        m_holdChanged.notify_all();
    }

protected:
    void BeforeCommandWrite() override {
        std::unique_lock lock(m_holdLock);
        if (!m_hold) {
            return;
        }
        m_held = true;
        m_holdChanged.notify_all();
        m_holdChanged.wait(lock, [this] { return !m_hold; });
    }

private:
    std::atomic<std::size_t> m_delivered{0};
    std::mutex m_holdLock;
    std::condition_variable m_holdChanged;
    bool m_hold = false;
    bool m_held = false;
};

class RealModuleTest : public ::testing::Test {
protected:
    void TearDown() override { comm.Close(); }

    VirtualModule& Start(VirtualModuleOptions options) {
        options.portName = UniqueName(options.model);
        module = std::make_unique<VirtualModule>(std::move(options));
        EXPECT_FALSE(module->Start());
        EXPECT_FALSE(comm.Open(module->PortPath(), PortSettings::At(module->Settings().uartSpeed)));
        return *module;
    }

    template <typename Predicate>
    static bool Eventually(Predicate done) {
        const auto deadline = Clock::now() + kLimit;
        while (!done()) {
            if (Clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    std::unique_ptr<VirtualModule> module;
    ChannelProbe comm;
};

std::string NameOf(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "DEVICE%06d", index);
    return name;
}

// 32 bytes.
std::string ReportLine(int index) {
    return "+C0FFEE" + NameOf(index).substr(6) + ",-100," + NameOf(index) + "\r";
}

// 22 bytes, with a five-digit name.
std::string ShortReportLine(int index) {
    return "+C0FFEE" + NameOf(index).substr(6) + ",-9," + NameOf(index).substr(7) + "\r";
}

}  // namespace

// Every command each model is sent, through the program's own matchers.
TEST_F(RealModuleTest, eachModelsAnswersEndTheirTransactionsWithTheExpectedStatus) {
    struct Case {
        const char* command;
        std::int32_t kind;
        std::int32_t status;
    };
    struct ModelCase {
        const char* model;
        std::vector<Case> cases;
    };
    const ModelCase models[] = {
        {"GaX-sKW523",
         {{"AT\r", KIND_AT, AT_OK},
          {"AT+MODEL?\r", KIND_MODEL, AT_MODEL},
          {"AT+STOPSCAN\r", KIND_STOP_SCAN, AT_STOPPED},
          {"AT+VER?\r", KIND_VERSION, AT_VERSION},
          {"AT+INFO?\r", KIND_INFO, AT_INFO},
          {"AT+MODULESETMODE\r", KIND_SETMODE, AT_SETMODE},
          {"AT+AUTOCON?\r", KIND_GET_AUTOCON, AT_AUTOCON},
          {"AT+ADVINTERVAL?\r", KIND_GET_ADV_INTERVAL, AT_NUMBER},
          {"AT+FLOWCONTROL?\r", KIND_GET_FLOW_CONTROL, AT_FLOW_CONTROL},
          {"AT+ROLE?\r", KIND_GET_ROLE, AT_ROLE},
          {"AT+MBYPASS?\r", KIND_GET_BYPASS, AT_BYPASS},
          {"AT+GETSLOT=1\r", KIND_GET_SLOT, AT_ERROR},
          {"AT+SETSLOT=1,0123456789AB,TAG\r", KIND_SET_SLOT, AT_OK},
          {"AT+GETSLOT=1\r", KIND_GET_SLOT, AT_SLOT},
          {"AT+DELSLOT=1\r", KIND_DEL_SLOT, AT_OK},
          {"AT+MANUF=Lab\r", KIND_SET_NAME, AT_OK},
          {"AT+ADVINTERVAL=200\r", KIND_SET_ADV_INTERVAL, AT_OK},
          {"AT+AUTOCON=ON\r", KIND_SET_AUTOCON, AT_OK},
          {"AT+SETCONMAC=0123456789AB\r", KIND_SET_CON_MAC, AT_OK},
          {"AT+MBYPASS=ON\r", KIND_SET_BYPASS, AT_OK},
          {"AT+STARTSCAN\r", KIND_START_SCAN, AT_ERROR},  // a peripheral does not scan
          {"AT+ROLE=C\r", KIND_SET_ROLE, AT_OK},
          {"AT+SF=OFF\r", KIND_SCAN_FILTER, AT_OK},
          {"AT+STARTSCAN\r", KIND_START_SCAN, AT_SCANNING},
          {"AT+STOPSCAN\r", KIND_STOP_SCAN, AT_STOPPED},
          {"AT+FLOWCONTROL=OFF\r", KIND_SET_FLOW_CONTROL, AT_OK},
          {"AT+UART=9600\r", KIND_SET_UART, AT_OK},
          {"ATZ\r", KIND_RESET, AT_READY},
          {"AT&F\r", KIND_FACTORY_RESET, AT_READY}}},
        {"GaX-sKW521M",
         {{"AT+AUTOCON?\r", KIND_GET_AUTOCON, AT_AUTOCON},
          {"AT+STARTSCAN\r", KIND_START_SCAN, AT_SCANNING},
          {"AT+STOPSCAN\r", KIND_STOP_SCAN, AT_STOPPED},
          {"AT+ROLE?\r", KIND_GET_ROLE, AT_ERROR},
          {"AT+ADVINTERVAL?\r", KIND_GET_ADV_INTERVAL, AT_ERROR}}},
        {"GaX-sKW521",
         {{"AT+ADVINTERVAL?\r", KIND_GET_ADV_INTERVAL, AT_NUMBER},
          {"AT+MANUF=x\r", KIND_SET_NAME, AT_OK},
          {"AT+STOPSCAN\r", KIND_STOP_SCAN, AT_ERROR},
          {"AT+AUTOCON?\r", KIND_GET_AUTOCON, AT_ERROR}}},
        {"GaX-sKW599", {{"AT+MODEL?\r", KIND_MODEL, AT_MODEL}, {"ATZ\r", KIND_RESET, AT_TIMEOUT}}},
    };
    for (const ModelCase& m : models) {
        Start({.model = m.model});
        for (const Case& c : m.cases) {
            SCOPED_TRACE(std::string(m.model) + " " + c.command);
            const std::uint32_t limit = c.status == AT_TIMEOUT ? 200 : 1500;
            EXPECT_EQ(comm.SendCommand(c.command, c.kind, limit).Status(), c.status);
        }
        comm.Close();
    }
}

// The echo, a module left scanning and a late answer all put lines before the answer that the
// kinds accepting any text would otherwise take.
TEST_F(RealModuleTest, linesThatAreNoAnswer_areNeverTakenForTheModelOrAText) {
    struct Case {
        const char* what;
        VirtualModuleOptions options;
    };
    const Case cases[] = {
        {"echo", {.echo = true, .lineRate = true}},
        {"left scanning", {.model = "GaX-sKW521M", .scanInterval = 5ms, .startsScanning = true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualModule& m = Start(c.options);
        for (int round = 0; round < 3; ++round) {
            const MatchResult model = comm.SendCommand("AT+MODEL?\r", KIND_MODEL, 1500);
            EXPECT_EQ(model.Status(), AT_MODEL);
            EXPECT_EQ(model.PayloadText(0, 64), m.Settings().model);
            const MatchResult text = comm.SendCommand("AT+VER?\r", KIND_VERSION, 1500);
            EXPECT_EQ(text.PayloadText(0, 64), m.Settings().firmware);
        }
        comm.Close();
    }
}

TEST_F(RealModuleTest, lateAcknowledgementOfAnEarlierCommand_isNotTakenForTheModel) {
    Start({.latency = 50ms, .lateBy = 300ms, .lateFirst = 1});
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 200).Status(), AT_TIMEOUT);
    // Takes the late answer to the first "AT"; its own answer comes 50 ms later.
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1500).Status(), AT_OK);
    const MatchResult model = comm.SendCommand("AT+MODEL?\r", KIND_MODEL, 1500);
    EXPECT_EQ(model.Status(), AT_MODEL);
    EXPECT_EQ(model.PayloadText(0, 64), "GaX-sKW523");
}

TEST_F(RealModuleTest, strayLineAtConnect_isDiscardedWhenATransactionStarts) {
    // A stray "+READY" would end the restart at once; the real one comes 300 ms late.
    Start({.lateBy = 300ms, .lateCommand = "ATZ", .staleAtConnect = "+READY\r"});
    ASSERT_TRUE(Eventually([this] { return comm.ReceivedBytes() == 7; }));
    const auto started = Clock::now();
    EXPECT_EQ(comm.SendCommand("ATZ\r", KIND_RESET, 3000).Status(), AT_READY);
    EXPECT_GE(Clock::now() - started, 300ms);
}

TEST_F(RealModuleTest, commandRacingClose_neverReachesTheNextConnection) {
    VirtualModule& m = Start({});
    comm.HoldBeforeWrite();
    auto transaction = std::async(std::launch::async, [this] {
        return comm.SendCommand("AT+UART=115200\r", KIND_SET_UART, 3000).Status();
    });
    ASSERT_TRUE(comm.WaitUntilHeld());
    comm.Close();
    comm.Release();
    EXPECT_EQ(transaction.get(), AT_ABORTED);

    ASSERT_FALSE(comm.Open(m.PortPath(), PortSettings::At(9600)));
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1500).Status(), AT_OK);
    EXPECT_EQ(m.Commands(), std::vector<std::string>{"AT"});
}

// Closing the channel, or aborting the transaction from another thread, ends whichever wait
// runs at once; an abort leaves the port open for the next transaction.
TEST_F(RealModuleTest, closeOrAbortDuringAWait_endsItAtOnce) {
    using Wait = std::function<std::int32_t(ChannelProbe&)>;
    struct Case {
        const char* what;
        Wait wait;
        bool close;
        const char* sent;  // the command the wait follows; none for a scan report
    };
    const Wait scanReport = [](ChannelProbe& c) {
        ScanReport report;
        return c.WaitScanReport(report);
    };
    const Wait setMode = [](ChannelProbe& c) {
        return c.SendCommand("AT+MODULESETMODE\r", KIND_SETMODE, 6000).Status();
    };
    const Wait scanFilter = [](ChannelProbe& c) { return c.SetScanFilter(ScanFilter{}); };
    const Case cases[] = {
        {"close, scan report", scanReport, true, nullptr},
        {"close, command", setMode, true, "AT+MODULESETMODE"},
        {"abort, scan report", scanReport, false, nullptr},
        {"abort, command", setMode, false, "AT+MODULESETMODE"},
        {"abort, scan filter", scanFilter, false, "AT+SF=OFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualModule& m = Start({});
        m.SetFault(SimFault::Silence, true);
        Clock::time_point ended;
        auto waiting = std::async(std::launch::async, [&] {
            const std::int32_t status = c.wait(comm);
            ended = Clock::now();
            return status;
        });
        // Let it wait: for a command until the module has it, for a report a moment.
        if (c.sent == nullptr) {
            std::this_thread::sleep_for(100ms);
        } else {
            ASSERT_TRUE(m.WaitForCommand(c.sent, kLimit));
        }
        const auto stopping = Clock::now();
        if (c.close) {
            comm.Close();
        } else {
            comm.AbortTransaction();
        }
        EXPECT_EQ(waiting.get(), AT_ABORTED);
        // At once, not at the wait's limit (seconds): the bound leaves room for a loaded
        // machine to schedule the waiting thread, which took 28 ms under a parallel build.
        EXPECT_LT(ended - stopping, 300ms);
        EXPECT_EQ(comm.IsOpen(), !c.close);
        if (!c.close) {
            m.SetFault(SimFault::Silence, false);
            EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1500).Status(), AT_OK);
        }
        comm.Close();
    }
}

// A line that fails while a command waits ends the command at once, and the channel counts as
// closed from then on, so its caller tells a lost port from a module that did not answer.
TEST_F(RealModuleTest, aLineThatFailsDuringACommand_endsItAtOnce) {
    VirtualModule& m = Start({});
    m.SetFault(SimFault::Silence, true);
    auto waiting = std::async(std::launch::async, [&] {
        const MatchResult result = comm.SendCommand("AT+MODULESETMODE\r", KIND_SETMODE, 5000);
        return std::make_pair(result.Status(), Clock::now());
    });
    ASSERT_TRUE(m.WaitForCommand("AT+MODULESETMODE", kLimit));
    const auto unplugged = Clock::now();
    m.Unplug();
    const auto [status, ended] = waiting.get();
    EXPECT_NE(status, AT_OK);
    EXPECT_LT(ended - unplugged, 1s);  // not the command's 5 s
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(RealModuleTest, abortWithNoTransactionRunning_leavesTheNextOneAlone) {
    Start({});
    comm.AbortTransaction();
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1500).Status(), AT_OK);
}

TEST_F(RealModuleTest, idleWait_usesNoMeasurableCpu) {
    VirtualModule& m = Start({});
    m.SetFault(SimFault::Silence, true);
    timespec before{};
    timespec after{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
    EXPECT_EQ(comm.SendCommand("AT\r", KIND_AT, 1000).Status(), AT_TIMEOUT);
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
    const double cpuMs =
        (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 5.0);
}

// Between transactions at most 1024 bytes wait; what comes after them is dropped.
TEST_F(RealModuleTest, betweenTransactions_theReceiveBufferKeeps1024Bytes) {
    VirtualModule& m = Start({});
    std::string burst;
    for (int i = 0; i < 48; ++i) {
        burst += ReportLine(i);  // 32 bytes each
    }
    ASSERT_EQ(burst.size(), 48u * 32u);
    m.SendRaw(burst);
    // The whole burst has reached the channel, which kept its first 1024 bytes.
    ASSERT_TRUE(Eventually([&] { return comm.DeliveredBytes() == burst.size(); }));
    ASSERT_EQ(comm.ReceivedBytes(), 1024u);

    ScanReport report;
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(comm.WaitScanReport(report), AT_SCAN_REPORT);
        EXPECT_EQ(std::string(report.name), NameOf(i));
    }
    m.SendRaw(ReportLine(999));
    ASSERT_EQ(comm.WaitScanReport(report), AT_SCAN_REPORT);
    EXPECT_STREQ(report.name, "DEVICE000999");
}

TEST_F(RealModuleTest, scanBurstOf500Reports_isTakenInFullAndLeavesTheBufferEmpty) {
    // At 19200 baud the 1024 bytes the channel keeps between wait steps last half a second, so
    // a test thread descheduled on a busy machine loses nothing.
    VirtualModule& m = Start({.uartSpeed = 19200, .lineRate = true});
    std::string burst;
    for (int i = 0; i < 500; ++i) {
        burst += ShortReportLine(i);
    }
    m.SendRaw(burst);
    ScanReport report;
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(comm.WaitScanReport(report), AT_SCAN_REPORT) << i;
        ASSERT_EQ(std::string(report.name), NameOf(i).substr(7));
    }
    EXPECT_EQ(comm.WorkBytes(), 0u);
}

TEST(WorkBuffer, noiseWithoutALineEnd_isBoundedAndTheNextLineStillReads) {
    ChannelProbe channel;
    const std::string noise(1000, '\xA5');
    for (int i = 0; i < 20; ++i) {
        channel.Arrive(noise);
        EXPECT_LE(channel.WorkBytes(), AtCmdBase::kPartialLineLimit);
    }
    channel.Arrive("\r" + ReportLine(7));
    EXPECT_EQ(channel.Next(KIND_SCAN_REPORT).Status(), AT_FRAME_TOO_LONG);  // the noise line
    EXPECT_EQ(channel.Next(KIND_SCAN_REPORT).Status(), AT_SCAN_REPORT);
    EXPECT_EQ(channel.WorkBytes(), 0u);
}

TEST(WorkBuffer, linesPilingUpFasterThanTaken_dropTheOldestWholeLines) {
    ChannelProbe channel;
    for (int i = 0; i < 1000; ++i) {
        channel.Arrive(ReportLine(i));
        ASSERT_LE(channel.WorkBytes(), AtCmdBase::kWorkBufferLimit);
    }
    // What is left are whole reports, the newest ones, in order.
    std::vector<std::string> names;
    for (MatchResult next = channel.Next(KIND_SCAN_REPORT); next.Status() != AT_INCOMPLETE;
         next = channel.Next(KIND_SCAN_REPORT)) {
        ASSERT_EQ(next.Status(), AT_SCAN_REPORT);
        names.push_back(next.PayloadText(7, 64));
    }
    ASSERT_GE(names.size(), AtCmdBase::kWorkBufferLimit / 32 - 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i], NameOf(static_cast<int>(1000 - names.size() + i)));
    }
}
