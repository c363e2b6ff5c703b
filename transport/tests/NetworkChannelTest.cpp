// The network channel against a scripted access server on loopback.
#include "IoServiceExec.h"
#include "NetworkChannel.h"
#include "PtyPeer.h"
#include "Rfc2217Peer.h"
#include "TransportError.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Request = Rfc2217Peer::Request;
using Seen = Rfc2217Peer::Seen;

namespace {

constexpr NetworkChannel::Limits kQuickLimits{
    .connect = 2000ms, .negotiation = 600ms, .lineAnswer = 150ms};

// What the channel's callbacks reported.
struct Received {
    std::mutex lock;
    std::condition_variable changed;
    Bytes data;
    std::vector<std::error_code> errors;
    PortChannel* from = nullptr;

    void Attach(PortChannel& channel) {
        channel.m_onReceive = [this](PortChannel::Ptr port, std::error_code& error,
                                     const Bytes& bytes, unsigned int size) {
            std::lock_guard guard(lock);
            from = port.get();
            if (error) {
                errors.push_back(error);
            }
            data.insert(data.end(), bytes.begin(), bytes.begin() + size);
            changed.notify_all();
        };
    }
    template <typename Predicate>
    bool WaitFor(Predicate done, std::chrono::milliseconds limit = 5s) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, limit, [&] { return done(*this); });
    }
    // Copies under the lock: the callbacks may still run (a peer that goes away at the end of
    // a test closes the connection).
    Bytes Data() {
        std::lock_guard guard(lock);
        return data;
    }
    std::size_t ErrorCount() {
        std::lock_guard guard(lock);
        return errors.size();
    }
    PortChannel* From() {
        std::lock_guard guard(lock);
        return from;
    }
    void Clear() {
        std::lock_guard guard(lock);
        data.clear();
    }
};

// Polls `done` until it holds or `limit` passes.
template <typename Predicate>
bool Eventually(Predicate done, std::chrono::milliseconds limit = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

class NetworkChannelTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (channel) {
            channel->Close();
        }
        service.Stop();
    }
    std::error_code Open(Rfc2217Peer& peer, std::uint32_t baud = 9600, std::uint8_t size = 8,
                         std::uint8_t parity = 0, std::uint8_t stop = 0, std::uint8_t flow = 0) {
        channel = std::make_shared<NetworkChannel>(service.GetIoContext(), kQuickLimits);
        received.Attach(*channel);
        const std::error_code error = channel->Open(peer.Url(), {baud, size, parity, stop, flow});
        service.Start();
        return error;
    }
    static bool HasRequest(const Seen& seen, const Request& request) {
        return std::find(seen.requests.begin(), seen.requests.end(), request) !=
               seen.requests.end();
    }

    IoServiceExec service;
    Received received;
    std::shared_ptr<NetworkChannel> channel;
};

}  // namespace

TEST_F(NetworkChannelTest, open_sendsThePortSettingsAndPurges) {
    struct Case {
        std::uint32_t baud;
        std::uint8_t size, parity, stop, flow;
        std::vector<Request> expected;
    } cases[] = {
        {9600,
         8,
         0,
         0,
         0,
         {{1, {0, 0, 0x25, 0x80}}, {2, {8}}, {3, {1}}, {4, {1}}, {5, {1}}, {12, {3}}}},
        {115200,
         7,
         2,
         2,
         2,
         {{1, {0, 1, 0xC2, 0}}, {2, {7}}, {3, {3}}, {4, {2}}, {5, {3}}, {12, {3}}}},
        {65280,
         5,
         1,
         1,
         1,  // a speed whose bytes hold 0xFF, doubled on the wire
         {{1, {0, 0, 0xFF, 0}}, {2, {5}}, {3, {2}}, {4, {3}}, {5, {2}}, {12, {3}}}},
    };
    for (const Case& c : cases) {
        Rfc2217Peer peer;
        ASSERT_FALSE(Open(peer, c.baud, c.size, c.parity, c.stop, c.flow));
        EXPECT_TRUE(channel->IsOpen());
        EXPECT_EQ(peer.Snapshot().requests, c.expected) << c.baud;
        channel->Close();
    }
}

TEST_F(NetworkChannelTest, dataBothWays_with0xFF_acrossReadBoundaries) {
    Rfc2217Peer peer({.splitWrites = true});
    ASSERT_FALSE(Open(peer));
    const Bytes sent{'A', 0xFF, 'T', 0xFF, 0xFF, '\r'};
    EXPECT_EQ(channel->Write(sent.data(), sent.size()), sent.size());
    EXPECT_TRUE(peer.WaitFor([&](const Seen& s) { return s.data == sent; }));

    const Bytes answer{0xFF, 'O', 'K', 0xFF, '\r', 0x00, 0xF0};
    peer.SendData(answer);
    peer.SendModemState(0x10);  // between data: never part of it
    peer.SendData(answer);
    Bytes expected = answer;
    expected.insert(expected.end(), answer.begin(), answer.end());
    EXPECT_TRUE(
        received.WaitFor([&](const Received& r) { return r.data.size() >= expected.size(); }));
    EXPECT_EQ(received.Data(), expected);
    EXPECT_EQ(received.ErrorCount(), 0u);
}

TEST_F(NetworkChannelTest, fullQueue_takesWhatFits_countingEscapes) {
    Rfc2217Peer peer;
    ASSERT_FALSE(Open(peer));
    const Bytes ones(PortChannel::kTxQueueLimit, 0xFF);
    const std::size_t taken = channel->Write(ones.data(), ones.size());
    EXPECT_GE(taken, PortChannel::kTxQueueLimit / 2 - 1);
    EXPECT_LE(taken, PortChannel::kTxQueueLimit / 2);
    EXPECT_TRUE(peer.WaitFor([&](const Seen& s) { return s.data.size() == taken; }));
    EXPECT_EQ(peer.Snapshot().data, Bytes(taken, 0xFF));
}

TEST_F(NetworkChannelTest, modemStateNotifications_lightTheInputs) {
    Rfc2217Peer peer({.modemStateAtStart = 0x30, .notifyAtStart = true});
    ASSERT_FALSE(Open(peer));
    ModemLineState state;
    ASSERT_FALSE(channel->ModemLines().ReadInputs(state));
    EXPECT_EQ(state, (ModemLineState{.cts = true, .dsr = true}));
    struct Case {
        std::uint8_t bits;
        ModemLineState expected;
    } cases[] = {
        {0xF0, {true, true, true, true}},
        {0x11, {.cts = true}},  // a delta bit is no line
        {0x80, {.dcd = true}},
        {0x40, {.ri = true}},
        {0x00, {}},
    };
    for (const Case& c : cases) {
        peer.SendModemState(c.bits);
        // The notification overtakes nothing: data sent after it arrives after it is taken in.
        peer.SendData({static_cast<std::uint8_t>(c.bits)});
        ASSERT_TRUE(received.WaitFor(
            [&](const Received& r) { return !r.data.empty() && r.data.back() == c.bits; }));
        ASSERT_FALSE(channel->ModemLines().ReadInputs(state));
        EXPECT_EQ(state, c.expected) << int(c.bits);
    }
}

TEST_F(NetworkChannelTest, controlRequests_answered) {
    Rfc2217Peer peer;
    ASSERT_FALSE(Open(peer));
    ModemLineControl& lines = channel->ModemLines();
    EXPECT_FALSE(lines.SetDtr(true));
    EXPECT_FALSE(lines.SetRts(false));
    EXPECT_FALSE(lines.SetBreak(true));
    EXPECT_FALSE(lines.SetBreak(false));
    EXPECT_FALSE(lines.SetDtr(false));
    const auto requests = peer.Snapshot().requests;
    const std::vector<Request> controls(requests.end() - 5, requests.end());
    EXPECT_EQ(controls, (std::vector<Request>{{5, {8}}, {5, {12}}, {5, {5}}, {5, {6}}, {5, {9}}}));
}

// As ser2net on a pseudo-terminal: DTR and RTS requests are never answered. Each line is then
// not available; asking again costs nothing, and data keeps flowing while a request waits.
TEST_F(NetworkChannelTest, unansweredControl_lineNotAvailable_withoutDelayingData) {
    Rfc2217Peer peer({.answerControl = false});
    ASSERT_FALSE(Open(peer));
    ModemLineControl& lines = channel->ModemLines();
    auto dtr = std::async(std::launch::async, [&] { return lines.SetDtr(true); });
    ASSERT_TRUE(peer.WaitFor([](const Seen& s) { return HasRequest(s, {5, {8}}); }));
    const Bytes command{'A', 'T', '\r'};
    channel->Write(command.data(), command.size());
    peer.WaitFor([&](const Seen& s) { return s.data == command; });
    peer.SendData({'O', 'K', '\r'});
    EXPECT_TRUE(received.WaitFor([](const Received& r) { return r.data.size() == 3; }));
    EXPECT_EQ(dtr.wait_for(0s), std::future_status::timeout)
        << "the data did not wait for the DTR answer";

    const std::error_code error = dtr.get();
    EXPECT_EQ(error, TransportError::LineNotAvailable);
    EXPECT_TRUE(IsNoModemLines(error));
    EXPECT_TRUE(IsNoModemLines(lines.SetDtr(false)));
    EXPECT_TRUE(IsNoModemLines(lines.SetRts(true)));
    EXPECT_TRUE(IsNoModemLines(lines.SetRts(true)));
    const auto requests = peer.Snapshot().requests;
    EXPECT_EQ(std::count(requests.begin(), requests.end(), Request{5, {8}}) +
                  std::count(requests.begin(), requests.end(), Request{5, {9}}),
              1)
        << "a line known to be unanswered is not asked again";
    EXPECT_EQ(std::count(requests.begin(), requests.end(), Request{5, {11}}), 1);
    ModemLineState state;
    EXPECT_TRUE(IsNoModemLines(lines.ReadInputs(state)));  // no notification either
    EXPECT_TRUE(channel->IsOpen());
}

TEST_F(NetworkChannelTest, lateControlAnswer_makesTheLineAvailableAgain) {
    Rfc2217Peer peer({.lateControlBy = 400ms, .lateControlAnswers = 1});
    ASSERT_FALSE(Open(peer));
    EXPECT_EQ(channel->ModemLines().SetDtr(true), TransportError::LineNotAvailable);
    ASSERT_TRUE(peer.WaitFor([](const Seen& s) { return s.controlAnswersSent == 1; }));
    // Until the late answer is taken in, the line still counts as not available.
    EXPECT_TRUE(Eventually([&] { return !channel->ModemLines().SetDtr(true); }));
}

TEST_F(NetworkChannelTest, lateNegotiation_withinTheLimit_opens) {
    Rfc2217Peer peer({.answerDelay = 200ms});
    EXPECT_FALSE(Open(peer));
    EXPECT_TRUE(channel->IsOpen());
}

TEST_F(NetworkChannelTest, failedNegotiation_clearErrorWithinTheLimit) {
    struct Case {
        const char* what;
        Rfc2217Peer::Script script;
        std::error_code expected;
    } cases[] = {
        {"silent server", {.negotiate = false}, TransportError::NegotiationTimeout},
        {"no COM-PORT-OPTION", {.refuseComPort = true}, TransportError::NotRfc2217},
        {"answers too late", {.answerDelay = 2000ms}, TransportError::NegotiationTimeout},
    };
    for (const Case& c : cases) {
        Rfc2217Peer peer(c.script);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Open(peer), c.expected) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, kQuickLimits.negotiation + 1s)
            << c.what;
        EXPECT_FALSE(channel->IsOpen()) << c.what;
        EXPECT_TRUE(peer.WaitFor([](const Seen& s) { return !s.connected; })) << c.what;
    }
}

// Servers that fail the set-up or serve it oddly: the open says what happened in the channel's
// own words, or works where it can.
TEST_F(NetworkChannelTest, hostileSetUp_saysWhatHappened) {
    struct Case {
        const char* what;
        Rfc2217Peer::Script script;
        std::uint8_t flow;
        std::error_code expected;
    } cases[] = {
        {"closes during the set-up", {.closeOnComPort = true}, 0,
         TransportError::ClosedDuringSetUp},
        {"drops requests before it agreed", {.strictComPort = true}, 0, {}},
        {"cannot do RTS/CTS", {.flowAnswer = 1}, 2, TransportError::FlowControlRefused},
        {"answers XON/XOFF with it", {.flowAnswer = 2}, 1, {}},
    };
    for (const Case& c : cases) {
        Rfc2217Peer peer(c.script);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Open(peer, 9600, 8, 0, 0, c.flow), c.expected) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, kQuickLimits.negotiation + 1s)
            << c.what;
        EXPECT_EQ(channel->IsOpen(), !c.expected) << c.what;
        EXPECT_EQ(peer.Snapshot().droppedRequests, 0u) << c.what;
        channel->Close();
    }
}

// A server that floods option requests while it reads nothing: the answers it is owed are few,
// and a socket that takes nothing for a while is waited for within the limit, not a failure.
TEST_F(NetworkChannelTest, floodDuringSetUp_opensWithinTheLimit) {
    constexpr std::uint8_t IAC = 255, DO = 253, WILL = 251;
    // More than the socket buffers hold, so a client that answers every request blocks.
    Rfc2217Peer peer({.receiveBuffer = 4096,
                      .floodAtStart = {IAC, DO, 99, IAC, WILL, 77},
                      .floodAtStartBytes = 5 << 20});
    channel = std::make_shared<NetworkChannel>(service.GetIoContext(), NetworkChannel::Limits{});
    received.Attach(*channel);
    EXPECT_FALSE(channel->Open(peer.Url(), PortSettings::At(9600)));
    EXPECT_TRUE(channel->IsOpen());
}

// However often a server asks for an option the client refused, it is refused once; data
// keeps flowing both ways meanwhile.
TEST_F(NetworkChannelTest, floodedOptionRequests_refusedOnce) {
    constexpr std::uint8_t IAC = 255, DO = 253, WILL = 251, SB = 250, SE = 240;
    constexpr std::uint8_t DONT = 254, WONT = 252;
    Rfc2217Peer peer;
    ASSERT_FALSE(Open(peer));
    peer.Flood({IAC, DO, 99, IAC, WILL, 77, IAC, SB, 44, 107, 0x30, IAC, SE, 'x'}, true);
    ASSERT_TRUE(peer.WaitFor([](const Seen& s) { return s.flooded > 1'000'000; }));
    const Bytes command{'A', 'T', '\r'};
    EXPECT_EQ(channel->Write(command.data(), command.size()), command.size());
    EXPECT_TRUE(peer.WaitFor([&](const Seen& s) { return s.data == command; }));
    peer.StopFlood();
    EXPECT_TRUE(received.WaitFor([](const Received& r) { return r.data.size() > 1000; }));
    EXPECT_EQ(received.ErrorCount(), 0u);
    const auto negotiations = peer.Snapshot().negotiations;
    EXPECT_EQ(std::count(negotiations.begin(), negotiations.end(), std::pair{WONT, std::uint8_t{99}}), 1);
    EXPECT_EQ(std::count(negotiations.begin(), negotiations.end(), std::pair{DONT, std::uint8_t{77}}), 1);
}

// A server that reads nothing is a lost link: reported once, within the write limit or as soon
// as its requests fill the room kept for the answers; what waits to be sent stays bounded.
TEST_F(NetworkChannelTest, serverStopsReading_lostLink) {
    constexpr std::uint8_t IAC = 255, DO = 253, DONT = 254;
    struct Case {
        const char* what;
        Bytes flood;  // with the client writing data as fast as it is taken
        std::error_code expected;
    } cases[] = {
        {"silent", {}, TransportError::ServerNotReading},
        {"toggles BINARY", {IAC, DO, 0, IAC, DONT, 0}, TransportError::TooManyRequests},
    };
    NetworkChannel::Limits limits = kQuickLimits;
    limits.write = 300ms;
    for (const Case& c : cases) {
        Rfc2217Peer peer({.receiveBuffer = 4096});
        channel = std::make_shared<NetworkChannel>(service.GetIoContext(), limits);
        Received lost;
        lost.Attach(*channel);
        ASSERT_FALSE(channel->Open(peer.Url(), PortSettings::At(9600))) << c.what;
        service.Start();
        peer.StopReading();
        if (!c.flood.empty()) {
            peer.Flood(c.flood, false);
        }
        const Bytes chunk(PortChannel::kTxQueueLimit, 'd');
        const auto start = std::chrono::steady_clock::now();
        while (lost.ErrorCount() == 0 && std::chrono::steady_clock::now() - start < 10s) {
            channel->Write(chunk.data(), c.flood.empty() ? chunk.size() : 0);
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_EQ(lost.ErrorCount(), 1u) << c.what;
        EXPECT_EQ(lost.errors.front(), c.expected) << c.what;
        EXPECT_FALSE(lost.WaitFor([](const Received& r) { return r.errors.size() > 1; }, 300ms))
            << c.what;
        channel->Close();
        service.Stop();
    }
}

// FLOWCONTROL-SUSPEND holds what waits to be sent, within the queue, until FLOWCONTROL-RESUME.
TEST_F(NetworkChannelTest, suspendHoldsTheQueueUntilResume) {
    Rfc2217Peer peer;
    ASSERT_FALSE(Open(peer));
    peer.SendComPort(108, {});
    peer.SendData({'s'});  // taken in after the suspend
    ASSERT_TRUE(received.WaitFor([](const Received& r) { return r.data.size() == 1; }));
    const Bytes big(2 * PortChannel::kTxQueueLimit, 'a');
    EXPECT_EQ(channel->Write(big.data(), big.size()), PortChannel::kTxQueueLimit);
    EXPECT_FALSE(peer.WaitFor([](const Seen& s) { return !s.data.empty(); }, 300ms));
    peer.SendComPort(109, {});
    EXPECT_TRUE(peer.WaitFor(
        [](const Seen& s) { return s.data.size() == PortChannel::kTxQueueLimit; }));
    EXPECT_EQ(received.ErrorCount(), 0u);
}

TEST_F(NetworkChannelTest, hostName_resolvedWithinTheConnectLimit) {
    Rfc2217Peer peer;
    channel = std::make_shared<NetworkChannel>(service.GetIoContext(), kQuickLimits);
    EXPECT_FALSE(channel->Open("rfc2217://localhost:" + std::to_string(peer.Port()),
                               PortSettings::At(9600)));
    channel->Close();
    NetworkChannel::Limits limits = kQuickLimits;
    limits.connect = 500ms;
    channel = std::make_shared<NetworkChannel>(service.GetIoContext(), limits);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(channel->Open("rfc2217://no-such-host.invalid:2217", PortSettings::At(9600)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, limits.connect + 300ms);
}

TEST_F(NetworkChannelTest, serverClosesMidTransaction_reportsOneError) {
    Rfc2217Peer peer({.closeOnData = true});
    ASSERT_FALSE(Open(peer));
    const Bytes command{'A', 'T', '\r'};
    channel->Write(command.data(), command.size());
    ASSERT_TRUE(received.WaitFor([](const Received& r) { return !r.errors.empty(); }));
    EXPECT_EQ(received.errors.front(), TransportError::ServerClosed);
    EXPECT_EQ(received.errors.front().message(), "the server closed the connection");
    EXPECT_FALSE(received.WaitFor([](const Received& r) { return r.errors.size() > 1; }, 300ms));
    EXPECT_TRUE(received.Data().empty());
    EXPECT_TRUE(channel->IsOpen());  // the owner closes it, as after an unplugged adapter
}

TEST_F(NetworkChannelTest, nobodyListening_openFails) {
    std::string url;
    {
        Rfc2217Peer gone;
        url = gone.Url();
    }
    channel = std::make_shared<NetworkChannel>(service.GetIoContext(), kQuickLimits);
    EXPECT_EQ(channel->Open(url, PortSettings::At(9600)), std::errc::connection_refused);
    EXPECT_EQ(channel->Open("rfc2217://127.0.0.1", PortSettings::At(9600)),
              std::errc::invalid_argument);
    EXPECT_THROW(channel->Open(url, {9600, 9}), std::out_of_range);
    EXPECT_FALSE(channel->IsOpen());
}

// A server whose queue of connections waiting to be accepted is full drops further
// connection requests, as a host that does not answer does: the open gives up at its limit.
TEST_F(NetworkChannelTest, serverNotAccepting_connectGivesUpAtItsLimit) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<int> waiting;
    for (int i = 0; i < 4; ++i) {
        waiting.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(waiting.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    NetworkChannel::Limits limits = kQuickLimits;
    limits.connect = 300ms;
    channel = std::make_shared<NetworkChannel>(service.GetIoContext(), limits);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(channel->Open("rfc2217://127.0.0.1:" + std::to_string(ntohs(address.sin_port)),
                            PortSettings::At(9600)),
              std::errc::timed_out);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 2s);
    EXPECT_FALSE(channel->IsOpen());
    for (const int fd : waiting) {
        ::close(fd);
    }
    ::close(listener);
}

TEST_F(NetworkChannelTest, closeAndDiscard_purgeTheServer) {
    Rfc2217Peer peer;
    ASSERT_FALSE(Open(peer));
    std::atomic<unsigned> written{0};
    channel->m_onWriteComplete = [&written](PortChannel::Ptr, std::error_code&, unsigned int n) {
        written += n;
    };
    channel->Discard();
    ASSERT_TRUE(peer.WaitFor([](const Seen& s) {
        return std::count(s.requests.begin(), s.requests.end(), Request{12, {3}}) == 2;
    }));
    // Close purges only when no write is under way: wait for the discard's to complete.
    ASSERT_TRUE(Eventually([&] { return written == 7; }));
    channel->Close();
    EXPECT_TRUE(peer.WaitFor([](const Seen& s) { return !s.connected; }));
    EXPECT_EQ(peer.Snapshot().requests.back(), (Request{12, {2}}));
    const Bytes late{'x'};
    EXPECT_EQ(channel->Write(late.data(), late.size()), 0u);
    ModemLineState state;
    EXPECT_EQ(channel->ModemLines().ReadInputs(state), std::errc::bad_file_descriptor);

    // The same channel opens again on a fresh connection.
    ASSERT_FALSE(channel->Open(peer.Url(), PortSettings::At(9600)));
    EXPECT_TRUE(peer.WaitFor([](const Seen& s) { return s.connections == 2 && s.connected; }));
}

TEST_F(NetworkChannelTest, rawSocket_bytesAsTheyAre_noControl) {
    Rfc2217Peer peer({.telnet = false});
    ASSERT_FALSE(Open(peer));
    const Bytes sent{'A', 0xFF, 0xFA, '\r'};
    channel->Write(sent.data(), sent.size());
    EXPECT_TRUE(peer.WaitFor([&](const Seen& s) { return s.data.size() >= sent.size(); }));
    EXPECT_EQ(peer.Snapshot().data, sent);  // no negotiation, no escaping
    peer.SendData({0xFF, 0xFF, 'k'});
    EXPECT_TRUE(received.WaitFor([](const Received& r) { return r.data.size() == 3; }));
    EXPECT_EQ(received.Data(), (Bytes{0xFF, 0xFF, 'k'}));
    ModemLineState state;
    EXPECT_TRUE(IsNoModemLines(channel->ModemLines().SetDtr(true)));
    EXPECT_TRUE(IsNoModemLines(channel->ModemLines().ReadInputs(state)));
}

// The one channel object callers keep opens whatever is named, and callbacks carry it.
TEST(AnyPortChannelTest, opensSerialOrNetworkByName) {
    IoServiceExec service;
    PtyPeer pty;
    Rfc2217Peer peer;
    auto channel = std::make_shared<AnyPortChannel>(service.GetIoContext());
    Received received;
    received.Attach(*channel);

    for (const std::string& name : {pty.SlavePath(), peer.Url(), pty.SlavePath()}) {
        ASSERT_FALSE(channel->Open(name, PortSettings::At(9600))) << name;
        service.Start();
        EXPECT_EQ(channel->Open(name, PortSettings::At(9600)), std::errc::device_or_resource_busy);
        const bool network = name == peer.Url();
        if (network) {
            peer.SendData({'n', '\r'});
        } else {
            pty.Write("s\r");
        }
        ASSERT_TRUE(received.WaitFor([](const Received& r) { return r.data.size() >= 2; }));
        EXPECT_EQ(received.Data(), (Bytes{static_cast<std::uint8_t>(network ? 'n' : 's'), '\r'}));
        EXPECT_EQ(received.From(), channel.get());
        ModemLineState state;
        EXPECT_TRUE(IsNoModemLines(ChannelModemLines(channel).ReadInputs(state))) << name;
        channel->Close();
        EXPECT_FALSE(channel->IsOpen());
        received.Clear();
        service.Stop();
    }
}

TEST(AnyPortChannelTest, openOnAnObjectNotOwnedBySharedPtr_throws) {
    IoServiceExec service;
    AnyPortChannel channel(service.GetIoContext());
    EXPECT_THROW(channel.Open("/dev/null", PortSettings::At(9600)), std::runtime_error);
}
