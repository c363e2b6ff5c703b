#include "CSerialportMP.h"
#include "IoServiceExec.h"
#include "OpenChecked.h"
#include "PtyPeer.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Collects what the channel's callbacks report, for waiting on from the test thread.
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
            if (error) {
                ++receiveErrors;
                EXPECT_EQ(size, 0u);
            }
            received.insert(received.end(), data.begin(), data.begin() + size);
            changed.notify_all();
        };
    }

    template <typename Predicate>
    bool WaitFor(Predicate done, std::chrono::milliseconds limit = 5s) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, limit, [&] { return done(*this); });
    }
};

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = std::make_shared<CSerialportMP>(service.GetIoContext());
        log.Attach(*port);
    }
    void TearDown() override {
        port->Close();
        service.Stop();
    }
    std::error_code OpenPort(std::uint8_t characterSize = 8, std::uint8_t parity = 0,
                             std::uint8_t stopBits = 0, std::uint8_t flowControl = 0) {
        std::error_code error =
            port->Open(peer.SlavePath(), {115200, characterSize, parity, stopBits, flowControl});
        service.Start();
        return error;
    }

    PtyPeer peer;
    IoServiceExec service;
    CallbackLog log;
    CSerialportMP::Ptr port;
};

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return bytes;
}

}  // namespace

TEST_F(SerialPortTest, receivedBytes_reachTheReceiveCallbackInOrder) {
    ASSERT_FALSE(OpenPort());
    EXPECT_TRUE(port->IsOpen());
    peer.Write("AT\r");
    peer.Write("OK\r");
    ASSERT_TRUE(log.WaitFor([](auto& l) { return l.received.size() == 6; }));
    EXPECT_EQ(std::string(log.received.begin(), log.received.end()), "AT\rOK\r");
    EXPECT_EQ(log.receiveErrors, 0);
}

TEST_F(SerialPortTest, openTwice_isBusyAndKeepsTheFirstConnection) {
    ASSERT_FALSE(OpenPort());
    const std::error_code second = port->Open(peer.SlavePath(), PortSettings::At(9600));
    EXPECT_EQ(second, std::make_error_code(std::errc::device_or_resource_busy));
    EXPECT_EQ(second.value(), 16);
    peer.Write("still here");
    EXPECT_TRUE(log.WaitFor([](auto& l) { return l.received.size() == 10; }));
}

// Two programs on one module would interleave their commands: a port has one user at a time,
// and is free again once that user closes it.
TEST_F(SerialPortTest, portOpenElsewhere_isBusyUntilClosed) {
    ASSERT_FALSE(OpenPort());
    auto other = std::make_shared<CSerialportMP>(service.GetIoContext());
    EXPECT_EQ(other->Open(peer.SlavePath(), PortSettings::At(9600)),
              std::make_error_code(std::errc::device_or_resource_busy));
    EXPECT_FALSE(other->IsOpen());
    peer.Write("first");
    EXPECT_TRUE(log.WaitFor([](auto& l) { return l.received.size() == 5; }));

    port->Close();
    EXPECT_FALSE(other->Open(peer.SlavePath(), PortSettings::At(9600)));
    other->Close();
}

TEST_F(SerialPortTest, missingDevice_returnsTheSystemErrorAndStaysClosed) {
    const std::error_code error = port->Open("/dev/skw-no-such-port", PortSettings::At(9600));
    EXPECT_EQ(error.value(), ENOENT) << error.message();
    EXPECT_FALSE(port->IsOpen());
}

TEST_F(SerialPortTest, outOfRangeOptions_throwWithTheLibraryTexts) {
    struct Case {
        std::uint8_t size, parity, stop, flow;
        const char* message;
    };
    const Case cases[] = {
        {9, 0, 0, 0, "invalid character_size value"}, {4, 0, 0, 0, "invalid character_size value"},
        {8, 3, 0, 0, "invalid parity value"},         {8, 0, 3, 0, "invalid stop_bits value"},
        {8, 0, 0, 3, "invalid flow_control value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const PortSettings settings{9600, c.size, c.parity, c.stop, c.flow};
        try {
            port->Open(peer.SlavePath(), settings);
            ADD_FAILURE() << "no exception";
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
        EXPECT_FALSE(port->IsOpen());
        EXPECT_EQ(OpenChecked(*port, peer.SlavePath(), settings), std::errc::invalid_argument);
        EXPECT_FALSE(port->IsOpen());
    }
    // The port was closed again each time, so a valid open still succeeds.
    EXPECT_FALSE(OpenPort());
}

TEST_F(SerialPortTest, longWrite_isCappedAtTheQueueAndSentCompletely) {
    ASSERT_FALSE(OpenPort());
    const std::vector<std::uint8_t> data = Pattern(5000);
    EXPECT_EQ(port->Write(data.data(), data.size()), CSerialportMP::kTxQueueLimit);
    const auto arrived = peer.ReadExactly(CSerialportMP::kTxQueueLimit, 5s);
    const std::vector<std::uint8_t> expected(data.begin(), data.begin() + 4086);
    EXPECT_EQ(arrived, expected);
    EXPECT_TRUE(peer.ReadUntilQuiet(100ms, 1s).empty());
}

TEST_F(SerialPortTest, emptyWrite_queuesNothing) {
    ASSERT_FALSE(OpenPort());
    const char byte = 'x';
    EXPECT_EQ(port->Write(nullptr, 3), 0u);
    EXPECT_EQ(port->Write(&byte, 0), 0u);
    EXPECT_TRUE(peer.ReadUntilQuiet(100ms, 1s).empty());
}

TEST_F(SerialPortTest, writeOnAClosedChannel_isDroppedAndNeverReachesTheNextConnection) {
    EXPECT_EQ(port->Write("ATZ\r", 4), 0u);
    ASSERT_FALSE(OpenPort());
    port->Close();
    EXPECT_EQ(port->Write("AT+UART=9600\r", 13), 0u);
    service.Stop();
    ASSERT_FALSE(OpenPort());
    EXPECT_EQ(port->Write("AT\r", 3), 3u);
    const auto arrived = peer.ReadUntilQuiet(200ms, 5s);
    EXPECT_EQ(std::string(arrived.begin(), arrived.end()), "AT\r");
}

// A stopped io_context keeps the completions it never ran; Start runs them later, against
// whatever connection the channel has by then.
TEST_F(SerialPortTest, completionsOfAStoppedConnection_doNothingToTheNextOne) {
    int writeCalls = 0;
    int writeErrors = 0;
    port->m_onWriteComplete = [&](CSerialportMP::Ptr, std::error_code& error, unsigned int) {
        std::lock_guard guard(log.lock);
        ++writeCalls;
        writeErrors += error ? 1 : 0;
        log.changed.notify_all();
    };
    {
        PtyPeer gone;
        ASSERT_FALSE(port->Open(gone.SlavePath(), PortSettings::At(115200)));
        service.Start();
        gone.Unplug();
        // After the read error no read is started: the I/O thread runs dry and ends.
        ASSERT_TRUE(log.WaitFor([](auto& l) { return l.receiveErrors == 1; }));
        EXPECT_EQ(port->Write("stale\r", 6), 6u);  // completes into the drained context
        port->Close();
        service.Stop();
    }
    const int receiveCallsBefore = log.receiveCalls;

    ASSERT_FALSE(OpenPort());
    const std::string fresh = "fresh bytes of the new connection\r";
    EXPECT_EQ(port->Write(fresh.data(), fresh.size()), fresh.size());
    const auto arrived = peer.ReadExactly(fresh.size(), 5s);
    EXPECT_EQ(std::string(arrived.begin(), arrived.end()), fresh);
    peer.Write("ok");
    ASSERT_TRUE(log.WaitFor([](auto& l) { return l.received.size() == 2; }));
    ASSERT_TRUE(log.WaitFor([&](auto&) { return writeCalls >= 1; }));
    std::lock_guard guard(log.lock);
    EXPECT_EQ(writeErrors, 0);
    EXPECT_EQ(log.receiveErrors, 1);
    EXPECT_EQ(log.receiveCalls, receiveCallsBefore + 1);
    EXPECT_EQ(std::string(log.received.begin(), log.received.end()), "ok");
}

TEST_F(SerialPortTest, closeWhileReading_reportsNothing) {
    ASSERT_FALSE(OpenPort());
    std::this_thread::sleep_for(20ms);  // let the read get posted and outstanding
    port->Close();
    EXPECT_FALSE(port->IsOpen());
    peer.Write("late");
    EXPECT_FALSE(log.WaitFor([](auto& l) { return l.receiveCalls > 0; }, 200ms));
}

// The owner frees what its callback uses as soon as Close returns.
TEST_F(SerialPortTest, closeDuringAReceiveCallback_returnsOnlyAfterIt) {
    std::atomic<bool> inCallback{false};
    std::atomic<bool> callbackDone{false};
    port->m_onReceive = [&](CSerialportMP::Ptr, std::error_code&, const std::vector<std::uint8_t>&,
                            unsigned int) {
        inCallback = true;
        std::this_thread::sleep_for(300ms);  // longer than any fixed wait Close could make
        callbackDone = true;
    };
    ASSERT_FALSE(OpenPort());
    peer.Write("x");
    const auto limit = std::chrono::steady_clock::now() + 5s;
    while (!inCallback && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(inCallback);
    port->Close();
    EXPECT_TRUE(callbackDone);
}

TEST_F(SerialPortTest, closeThenReopen_startsReadingAgain) {
    ASSERT_FALSE(OpenPort());
    port->Close();
    service.Stop();
    ASSERT_FALSE(OpenPort());
    peer.Write("again");
    EXPECT_TRUE(log.WaitFor([](auto& l) { return l.received.size() == 5; }));
}

TEST_F(SerialPortTest, peerGone_reportsOneErrorAndStopsReading) {
    ASSERT_FALSE(OpenPort());
    peer.Unplug();
    ASSERT_TRUE(log.WaitFor([](auto& l) { return l.receiveErrors == 1; }));
    // No read is started after the error, so no second callback and the I/O thread runs dry.
    EXPECT_FALSE(log.WaitFor([](auto& l) { return l.receiveCalls > 1; }, 300ms));
    EXPECT_TRUE(port->IsOpen());
}

TEST(SerialPortOwnership, openOnAnObjectNotOwnedBySharedPtr_throws) {
    IoServiceExec service;
    CSerialportMP port(service.GetIoContext());
    EXPECT_THROW(port.Open("/dev/null", PortSettings::At(9600)), std::runtime_error);
}

// Closing drops DTR and RTS (HUPCL) unless the opener asked to leave them; without that the
// device's setting is left alone.
TEST_F(SerialPortTest, leaveModemLines_keepsTheLinesUpOnClose) {
    const auto hangUpOnClose = [&](std::optional<bool> set) {
        bool on = false;
        EXPECT_FALSE(static_cast<CSerialportMP&>(*port).WithNativeHandle(
            [&](asio::serial_port::native_handle_type handle) {
                termios attributes{};
                ::tcgetattr(handle, &attributes);
                if (set) {
                    attributes.c_cflag = *set ? attributes.c_cflag | HUPCL
                                              : attributes.c_cflag & ~static_cast<tcflag_t>(HUPCL);
                    ::tcsetattr(handle, TCSANOW, &attributes);
                }
                on = (attributes.c_cflag & HUPCL) != 0;
                return std::error_code();
            }));
        return on;
    };
    ASSERT_FALSE(OpenPort());
    ASSERT_TRUE(hangUpOnClose(true));
    port->Close();
    for (const bool leave : {false, true}) {
        SCOPED_TRACE(leave);
        port->m_leaveModemLines = leave;
        ASSERT_FALSE(port->Open(peer.SlavePath(), PortSettings::At(115200)));
        EXPECT_EQ(hangUpOnClose(std::nullopt), !leave);
        port->Close();
    }
}
