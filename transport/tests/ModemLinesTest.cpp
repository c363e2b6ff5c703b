#include "CSerialportMP.h"
#include "IoServiceExec.h"
#include "ModemLines.h"
#include "PtyPeer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Modem lines whose inputs the test sets; it can fail its reading from a chosen one on.
class FakeModemLines : public ModemLineControl {
public:
    std::error_code SetDtr(bool asserted) override { return Set(dtr, asserted); }
    std::error_code SetRts(bool asserted) override { return Set(rts, asserted); }
    std::error_code SetBreak(bool on) override { return Set(breakOn, on); }
    std::error_code ReadInputs(ModemLineState& state) override {
        std::lock_guard guard(lock);
        ++reads;
        if (readError) {
            return readError;
        }
        state = inputs;
        return {};
    }
    void SetInputs(const ModemLineState& state) {
        std::lock_guard guard(lock);
        inputs = state;
    }

    std::mutex lock;
    ModemLineState inputs;
    std::error_code readError;
    bool dtr = true, rts = true, breakOn = false;
    int reads = 0;

private:
    std::error_code Set(bool& line, bool value) {
        std::lock_guard guard(lock);
        line = value;
        return {};
    }
};

struct Reports {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<ModemLineState> states;
    std::vector<std::error_code> errors;

    ModemLineWatcher::Report Sink() {
        return [this](const std::error_code& error, const ModemLineState& state) {
            std::lock_guard guard(lock);
            (error ? errors.push_back(error) : states.push_back(state));
            changed.notify_all();
        };
    }
    template <typename Predicate>
    bool WaitFor(Predicate done) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 5s, done);
    }
};

TEST(ModemLineWatcherTest, reportsEachReading_untilStopped) {
    FakeModemLines lines;
    Reports reports;
    ModemLineWatcher watcher;
    watcher.Start(lines, 5ms, reports.Sink());
    ASSERT_TRUE(reports.WaitFor([&] { return !reports.states.empty(); }));
    lines.SetInputs({.cts = true, .dcd = true});
    ASSERT_TRUE(reports.WaitFor(
        [&] { return reports.states.back() == ModemLineState{.cts = true, .dcd = true}; }));
    watcher.Stop();
    EXPECT_TRUE(reports.errors.empty());
}

TEST(ModemLineWatcherTest, portWithoutModemLines_isReadOnceAndReported) {
    FakeModemLines lines;
    lines.readError = std::error_code(ENOTTY, std::system_category());
    Reports reports;
    ModemLineWatcher watcher;
    watcher.Start(lines, 1ms, reports.Sink());
    ASSERT_TRUE(reports.WaitFor([&] { return !reports.errors.empty(); }));
    watcher.Stop();
    EXPECT_TRUE(IsNoModemLines(reports.errors.front()));
    EXPECT_EQ(lines.reads, 1);
}

TEST(ModemLineWatcherTest, stopWithALongInterval_returnsAtOnce) {
    FakeModemLines lines;
    Reports reports;
    ModemLineWatcher watcher;
    watcher.Start(lines, 1h, reports.Sink());
    ASSERT_TRUE(reports.WaitFor([&] { return !reports.states.empty(); }));
    watcher.Stop();  // would hang the test if the wait ignored the stop
    watcher.Stop();  // harmless twice
}

class SerialModemLinesTest : public ::testing::Test {
protected:
    void TearDown() override {
        port->Close();
        service.Stop();
    }
    IoServiceExec service;
    std::shared_ptr<CSerialportMP> port = std::make_shared<CSerialportMP>(service.GetIoContext());
    SerialModemLines lines{port};
};

TEST_F(SerialModemLinesTest, closedPort_givesBadDescriptor) {
    ModemLineState state;
    for (const std::error_code error :
         {lines.SetDtr(true), lines.SetRts(false), lines.SetBreak(true), lines.ReadInputs(state)}) {
        EXPECT_EQ(error, std::errc::bad_file_descriptor);
    }
}

// A pseudo-terminal has no modem lines: the calls fail in the recognised way, and the port
// keeps working. (The lines themselves need a real adapter; the watcher is tested above.)
TEST_F(SerialModemLinesTest, pseudoTerminal_reportsNoModemLines) {
    PtyPeer peer;
    ASSERT_FALSE(port->Open(peer.SlavePath(), PortSettings::At(115200)));
    service.Start();
    ModemLineState state;
    for (const std::error_code error :
         {lines.SetDtr(false), lines.SetRts(true), lines.ReadInputs(state)}) {
        EXPECT_TRUE(IsNoModemLines(error)) << error.message();
    }
    // The tty layer takes a break on any line, with or without a driver that sends one.
    EXPECT_FALSE(lines.SetBreak(true));
    EXPECT_FALSE(lines.SetBreak(false));
    port->Write("ok", 2);
    const auto bytes = peer.ReadExactly(2, 5s);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ok");
}

}  // namespace
