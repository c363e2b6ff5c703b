// The channel on a real COM port whose far end echoes every byte (the virtual module run with
// --echo). The port comes from SKW_TEST_COM_PORT; scripts/windows-check.sh sets it up under
// wine. peerClosing_reportsOneError runs only with SKW_TEST_PEER_CLOSES set: the script ends
// the module once the test has sent its "AT" line.
#include "CSerialportMP.h"
#include "IoServiceExec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

std::string EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

struct CallbackLog {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::uint8_t> received;
    int receiveCalls = 0;
    int receiveErrors = 0;

    void Attach(PortChannel& port) {
        port.m_onReceive = [this](CSerialportMP::Ptr, std::error_code& error,
                                  const std::vector<std::uint8_t>& data, unsigned int size) {
            std::lock_guard guard(lock);
            ++receiveCalls;
            receiveErrors += error ? 1 : 0;
            received.insert(received.end(), data.begin(), data.begin() + size);
            changed.notify_all();
        };
    }

    template <typename Predicate>
    bool WaitFor(Predicate done, std::chrono::milliseconds limit) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, limit, [&] { return done(*this); });
    }
};

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        portName = EnvironmentText("SKW_TEST_COM_PORT");
        if (portName.empty()) {
            GTEST_SKIP() << "SKW_TEST_COM_PORT is not set";
        }
        port = std::make_shared<CSerialportMP>(service.GetIoContext());
        log.Attach(*port);
    }
    void TearDown() override {
        if (port) {
            port->Close();
        }
        service.Stop();
    }
    std::error_code OpenPort(PortChannel& channel) {
        std::error_code error = channel.Open(portName, PortSettings::At(115200));
        service.Start();
        return error;
    }

    std::string portName;
    IoServiceExec service;
    CallbackLog log;
    CSerialportMP::Ptr port;
};

// Printable and without CR, so the module echoes it and takes none of it for a command.
std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>('0' + (i * 7 + i / 75) % 75);
    }
    return bytes;
}

TEST_F(ComPortTest, reopenOfAnOpenChannel_isBusyAndKeepsTheConnection) {
    ASSERT_FALSE(OpenPort(*port));
    EXPECT_EQ(port->Open(portName, PortSettings::At(115200)),
              std::make_error_code(std::errc::device_or_resource_busy));
    EXPECT_TRUE(port->IsOpen());
}

// Windows opens a COM port for one handle only. Wine does not: scripts/windows-check.sh leaves
// this test out.
TEST_F(ComPortTest, secondChannelOnTheSamePort_isRefused) {
    ASSERT_FALSE(OpenPort(*port));
    auto second = std::make_shared<CSerialportMP>(service.GetIoContext());
    const std::error_code error = second->Open(portName, PortSettings::At(115200));
    EXPECT_TRUE(error) << "a second open of " << portName << " succeeded";
    EXPECT_FALSE(second->IsOpen());
    second->Close();
    EXPECT_TRUE(port->IsOpen());
}

TEST_F(ComPortTest, longWrite_takesTheQueueLimitAndSendsItInOrder) {
    ASSERT_FALSE(OpenPort(*port));
    const std::vector<std::uint8_t> bytes = Pattern(5000);
    ASSERT_EQ(port->Write(bytes.data(), bytes.size()), CSerialportMP::kTxQueueLimit);
    ASSERT_TRUE(log.WaitFor(
        [](const CallbackLog& l) { return l.received.size() >= CSerialportMP::kTxQueueLimit; },
        20s))
        << "echoed " << log.received.size() << " bytes";
    const std::vector<std::uint8_t> expected(bytes.begin(),
                                             bytes.begin() + CSerialportMP::kTxQueueLimit);
    std::lock_guard guard(log.lock);
    EXPECT_EQ(log.received, expected);
    EXPECT_EQ(log.receiveErrors, 0);
}

TEST_F(ComPortTest, closeWhileAReadWaits_reportsNothing) {
    ASSERT_FALSE(OpenPort(*port));
    std::this_thread::sleep_for(200ms);  // lets the read start and wait; not the check
    port->Close();
    std::this_thread::sleep_for(300ms);
    std::lock_guard guard(log.lock);
    EXPECT_EQ(log.receiveCalls, 0);
}

TEST_F(ComPortTest, peerClosing_reportsOneError) {
    if (EnvironmentText("SKW_TEST_PEER_CLOSES").empty()) {
        GTEST_SKIP() << "SKW_TEST_PEER_CLOSES is not set";
    }
    ASSERT_FALSE(OpenPort(*port));
    const std::string line = "AT\r";
    ASSERT_EQ(port->Write(line.data(), line.size()), line.size());
    ASSERT_TRUE(log.WaitFor([](const CallbackLog& l) { return l.receiveErrors > 0; }, 60s))
        << "no error after the module ended";
    std::this_thread::sleep_for(500ms);  // room for a wrong second report
    std::lock_guard guard(log.lock);
    EXPECT_EQ(log.receiveErrors, 1);
}

}  // namespace
