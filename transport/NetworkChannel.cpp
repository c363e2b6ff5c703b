#include "NetworkChannel.h"

#include "SerialPlatform.h"
#include "TransportError.h"

#include <asio/bind_executor.hpp>
#include <asio/post.hpp>
#include <asio/serial_port_base.hpp>
#include <asio/thread_pool.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <condition_variable>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::string_view kRawScheme = "socket://";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

unsigned Bit(std::uint8_t command) {
    return 1u << command;
}

constexpr unsigned kRequiredSettings = (1u << Telnet::kSetBaudRate) | (1u << Telnet::kSetDataSize) |
                                       (1u << Telnet::kSetParity) | (1u << Telnet::kSetStopSize);

std::error_code Closed() {
    return std::make_error_code(std::errc::bad_file_descriptor);
}

bool IsClosedByPeer(const std::error_code& error) {
    return error == asio::error::eof || error == asio::error::connection_reset ||
           error == asio::error::broken_pipe;
}

// Host names are resolved here, not on the opener's thread, so the open can give up at its
// limit while the system's resolver still waits; the thread is joined when the program ends.
asio::thread_pool& ResolverThread() {
    static asio::thread_pool pool(1);
    return pool;
}

// The RFC 2217 value of a SET-CONTROL answer about the outbound flow control, if it is one.
bool IsFlowControlValue(std::uint8_t value) {
    return value >= Telnet::kControlNoFlow && value <= Telnet::kControlHardwareFlow;
}

}  // namespace

bool IsNetworkPort(std::string_view portName) {
    return StartsWithNoCase(portName, kRfc2217Scheme) || StartsWithNoCase(portName, kRawScheme);
}

std::optional<NetworkPortName> NetworkPortName::Parse(const std::string& portName) {
    NetworkPortName name;
    std::string rest;
    if (StartsWithNoCase(portName, kRfc2217Scheme)) {
        rest = portName.substr(kRfc2217Scheme.size());
    } else if (StartsWithNoCase(portName, kRawScheme)) {
        name.mode = Mode::Raw;
        rest = portName.substr(kRawScheme.size());
    } else {
        return std::nullopt;
    }
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == rest.size()) {
        return std::nullopt;
    }
    name.host = rest.substr(0, colon);
    if (name.host.front() == '[') {
        if (name.host.size() < 3 || name.host.back() != ']') {
            return std::nullopt;
        }
        name.host = name.host.substr(1, name.host.size() - 2);
    } else if (name.host.find(':') != std::string::npos) {
        return std::nullopt;  // an IPv6 address without brackets
    }
    unsigned port = 0;
    const char* first = rest.data() + colon + 1;
    const char* last = rest.data() + rest.size();
    const auto [end, error] = std::from_chars(first, last, port);
    if (error != std::errc{} || end != last || port == 0 || port > 65535) {
        return std::nullopt;
    }
    name.port = static_cast<std::uint16_t>(port);
    return name;
}

bool NetworkChannel::WireQueue::Append(std::span<const std::uint8_t> wire, std::size_t limit) {
    if (Size() + wire.size() > std::min(limit, m_capacity)) {
        return false;
    }
    if (m_bytes.size() + wire.size() > m_capacity) {
        std::copy(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_head), m_bytes.end(),
                  m_bytes.begin());
        m_bytes.resize(Size());
        m_head = 0;
    }
    m_bytes.insert(m_bytes.end(), wire.begin(), wire.end());
    return true;
}

void NetworkChannel::WireQueue::Pop(std::size_t count) {
    m_head += std::min(count, Size());
    if (m_head == m_bytes.size()) {
        Clear();
    }
}

NetworkChannel::NetworkChannel(asio::io_context& ioContext, Limits limits)
    : m_limits(limits), m_writeTimer(ioContext), m_socket(ioContext), m_strand(ioContext) {}

NetworkChannel::~NetworkChannel() {
    Close();
}

std::shared_ptr<NetworkChannel> NetworkChannel::SharedSelf() {
    try {
        return std::static_pointer_cast<NetworkChannel>(shared_from_this());
    } catch (const std::bad_weak_ptr& error) {
        throw std::runtime_error(
            std::string("It seems like that instance is not created from shared_ptr: ") +
            error.what());
    }
}

std::error_code NetworkChannel::Open(const std::string& portName, const PortSettings& settings) {
    // The same checks, and the same exception, as the serial channel.
    using base = asio::serial_port_base;
    [[maybe_unused]] const base::character_size size(settings.characterSize);
    [[maybe_unused]] const base::parity parity(static_cast<base::parity::type>(settings.parity));
    [[maybe_unused]] const base::stop_bits stop(
        static_cast<base::stop_bits::type>(settings.stopBits));
    [[maybe_unused]] const base::flow_control flow(
        static_cast<base::flow_control::type>(settings.flowControl));
    const std::shared_ptr<NetworkChannel> self = SharedSelf();
    if (m_isOpen) {
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    const auto name = NetworkPortName::Parse(portName);
    if (!name) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    m_telnet = name->mode == NetworkPortName::Mode::Rfc2217;
    {
        std::lock_guard lineLock(m_lineLock);
        m_dtr = m_rts = m_break = {};
        m_modemState.reset();
    }
    if (const std::error_code error = Connect(*name)) {
        return error;
    }
    if (m_telnet) {
        constexpr std::uint8_t kParity[] = {1, 2, 3};  // none, odd, even
        constexpr std::uint8_t kStop[] = {1, 3, 2};    // one, one and a half, two
        constexpr std::uint8_t kFlow[] = {Telnet::kControlNoFlow, Telnet::kControlSoftwareFlow,
                                          Telnet::kControlHardwareFlow};
        std::lock_guard readLock(m_readLock);
        m_requested = {settings.baudRate, settings.characterSize, kParity[settings.parity],
                       kStop[settings.stopBits], kFlow[settings.flowControl]};
        if (const std::error_code error = Negotiate()) {
            std::lock_guard portLock(m_portLock);
            CloseSocket();
            return error;
        }
    }
    {
        std::lock_guard writeLock(m_writeLock);
        m_txQueue.Clear();
        m_writing = false;
        m_suspended = false;
        m_unitsInFlight = 0;
    }
    {
        std::lock_guard readLock(m_readLock);
        m_failed = false;
    }
    {
        std::lock_guard lineLock(m_lineLock);
        m_openedAt = Clock::now();
    }
    const std::uint64_t generation = ++m_generation;
    m_isOpen = true;
    asio::post(m_strand.context(), [self, generation] { self->StartRead(generation); });
    return {};
}

std::error_code NetworkChannel::Connect(const NetworkPortName& name) {
    const Clock::time_point deadline = Clock::now() + m_limits.connect;
    // Shared with the resolver's handler, which may run after this open gave up.
    struct Resolution {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
        std::error_code error;
        asio::ip::tcp::resolver::results_type endpoints;
    };
    const auto resolution = std::make_shared<Resolution>();
    asio::ip::tcp::resolver resolver(ResolverThread());
    resolver.async_resolve(
        name.host, std::to_string(name.port), asio::ip::tcp::resolver::numeric_service,
        [resolution](const std::error_code& error,
                     asio::ip::tcp::resolver::results_type endpoints) {
            std::lock_guard lock(resolution->lock);
            resolution->finished = true;
            resolution->error = error;
            resolution->endpoints = std::move(endpoints);
            resolution->done.notify_all();
        });
    asio::ip::tcp::resolver::results_type endpoints;
    {
        std::unique_lock lock(resolution->lock);
        if (!resolution->done.wait_until(lock, deadline, [&] { return resolution->finished; })) {
            lock.unlock();
            resolver.cancel();
            return TransportError::NameNotResolved;
        }
        if (resolution->error) {
            return resolution->error;
        }
        endpoints = resolution->endpoints;
    }
    std::error_code error;
    std::lock_guard portLock(m_portLock);
    for (const auto& entry : endpoints) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return std::make_error_code(std::errc::timed_out);
        }
        m_socket.open(entry.endpoint().protocol(), error);
        if (!error) {
            m_socket.non_blocking(true, error);
        }
        if (!error) {
            error = SerialPlatform::ConnectWithin(m_socket, entry.endpoint(), left);
        }
        if (!error) {
            std::error_code ignored;
            m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
            SerialPlatform::KeepAlive(m_socket, m_limits.keepAliveIdle, m_limits.keepAliveInterval,
                                      m_limits.keepAliveProbes);
            return {};
        }
        CloseSocket();
    }
    return error ? error : std::make_error_code(std::errc::host_unreachable);
}

// The opening requests go out first; the port settings and a purge follow once the server
// agreed to the COM-PORT-OPTION (a strict server drops them before), and it answers them in
// order. Data that arrives before the end is what the port held before: dropped, as the serial
// channel drops the driver's buffers.
std::error_code NetworkChannel::Negotiate() {
    m_receiver.Reset();
    m_options = {};
    m_confirmed = 0;
    m_settingRefused = {};
    std::vector<std::uint8_t> wire;
    m_options.Start(wire);
    bool settingsSent = false;

    const Clock::time_point deadline = Clock::now() + m_limits.negotiation;
    // A server that confirms the settings but not the purge is given a short while for it.
    std::optional<Clock::time_point> purgeDeadline;
    std::vector<std::uint8_t> stale;
    for (;;) {
        if (!settingsSent && m_options.ComPortAccepted()) {
            AppendSettings(wire);
            settingsSent = true;
        }
        if (const std::error_code error = WriteWithin(wire, deadline)) {
            return error;
        }
        if (m_options.ComPortRefused()) {
            return TransportError::NotRfc2217;
        }
        if (m_settingRefused) {
            return m_settingRefused;
        }
        const Clock::time_point now = Clock::now();
        if (settingsSent && (m_confirmed & kRequiredSettings) == kRequiredSettings) {
            if (!purgeDeadline) {
                purgeDeadline = now + m_limits.lineAnswer;
            }
            if ((m_confirmed & Bit(Telnet::kPurgeData)) != 0 || now >= *purgeDeadline) {
                return {};
            }
        }
        const Clock::time_point until =
            purgeDeadline ? std::min(*purgeDeadline, deadline) : deadline;
        if (now >= until) {
            return purgeDeadline ? std::error_code{} : TransportError::NegotiationTimeout;
        }
        std::size_t count = 0;
        std::error_code error;
        {
            std::lock_guard portLock(m_portLock);
            count = m_socket.read_some(asio::buffer(m_readBuf), error);
        }
        if (error == asio::error::would_block) {
            SerialPlatform::WaitReadable(
                m_socket, std::chrono::duration_cast<std::chrono::milliseconds>(until - now) +
                              std::chrono::milliseconds(1));
            continue;
        }
        if (error) {
            return IsClosedByPeer(error) ? TransportError::ClosedDuringSetUp : error;
        }
        stale.clear();
        TakeIn(std::span(m_readBuf.data(), count), stale, wire);
    }
}

void NetworkChannel::AppendSettings(std::vector<std::uint8_t>& wire) const {
    const std::uint32_t baud = m_requested.baud;
    const std::uint8_t baudBytes[] = {
        static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
        static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
    Telnet::AppendComPort(Telnet::kSetBaudRate, baudBytes, wire);
    Telnet::AppendComPort(Telnet::kSetDataSize, std::span(&m_requested.size, 1), wire);
    Telnet::AppendComPort(Telnet::kSetParity, std::span(&m_requested.parity, 1), wire);
    Telnet::AppendComPort(Telnet::kSetStopSize, std::span(&m_requested.stop, 1), wire);
    Telnet::AppendComPort(Telnet::kSetControl, std::span(&m_requested.flow, 1), wire);
    const std::uint8_t purge = Telnet::kPurgeBoth;
    Telnet::AppendComPort(Telnet::kPurgeData, std::span(&purge, 1), wire);
}

// A server that floods requests fills the socket's send buffer with the answers; that is a
// wait, within the limit, not a failure.
std::error_code NetworkChannel::WriteWithin(std::vector<std::uint8_t>& wire,
                                            Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < wire.size()) {
        std::error_code error;
        std::size_t count = 0;
        {
            std::lock_guard portLock(m_portLock);
            count = m_socket.write_some(asio::buffer(wire.data() + sent, wire.size() - sent),
                                        error);
        }
        if (error == asio::error::would_block) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return TransportError::NegotiationTimeout;
            }
            SerialPlatform::WaitWritable(m_socket, left);
            continue;
        }
        if (error) {
            return IsClosedByPeer(error) ? TransportError::ClosedDuringSetUp : error;
        }
        sent += count;
    }
    wire.clear();
    return {};
}

void NetworkChannel::TakeIn(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                            std::vector<std::uint8_t>& replies) {
    m_events.clear();
    m_receiver.Feed(bytes, data, m_events);
    for (const Telnet::Event& event : m_events) {
        if (event.kind == Telnet::Event::Kind::Negotiation) {
            m_options.Receive(event.verb, event.option, replies);
        } else if (const auto answer = Telnet::ComPortAnswerOf(event)) {
            NoteAnswer(*answer);
        }
    }
}

void NetworkChannel::NoteAnswer(const Telnet::ComPortAnswer& answer) {
    const auto confirms = [&answer](std::span<const std::uint8_t> asked) {
        // Some servers append bytes to the value; what was asked must lead it.
        return answer.value.size() >= asked.size() &&
               std::equal(asked.begin(), asked.end(), answer.value.begin());
    };
    switch (answer.command) {
        case Telnet::kSetBaudRate: {
            const std::uint32_t baud = m_requested.baud;
            const std::uint8_t asked[] = {
                static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
            if (confirms(asked)) {
                m_confirmed |= Bit(answer.command);
            } else {
                m_settingRefused = TransportError::SettingRefused;
            }
            return;
        }
        case Telnet::kSetDataSize:
        case Telnet::kSetParity:
        case Telnet::kSetStopSize: {
            const std::uint8_t asked = answer.command == Telnet::kSetDataSize ? m_requested.size
                                       : answer.command == Telnet::kSetParity ? m_requested.parity
                                                                              : m_requested.stop;
            if (confirms(std::span(&asked, 1))) {
                m_confirmed |= Bit(answer.command);
            } else {
                m_settingRefused = TransportError::SettingRefused;
            }
            return;
        }
        case Telnet::kFlowControlSuspend:
        case Telnet::kFlowControlResume: {
            std::lock_guard writeLock(m_writeLock);
            m_suspended = answer.command == Telnet::kFlowControlSuspend;
            StartWrite();
            return;
        }
        case Telnet::kPurgeData:
            m_confirmed |= Bit(answer.command);
            return;
        case Telnet::kSetControl: {
            if (answer.value.empty()) {
                return;
            }
            std::lock_guard lineLock(m_lineLock);
            switch (Telnet::GroupOf(answer.value[0])) {
                case Telnet::ControlGroup::Dtr:
                    m_dtr = {m_dtr.count + 1, false};
                    break;
                case Telnet::ControlGroup::Rts:
                    m_rts = {m_rts.count + 1, false};
                    break;
                case Telnet::ControlGroup::Break:
                    m_break = {m_break.count + 1, false};
                    break;
                case Telnet::ControlGroup::Flow:
                    // A server that cannot do what was asked (RTS/CTS on a line without them)
                    // answers with what it does: the open must not pretend otherwise.
                    if (IsFlowControlValue(answer.value[0]) &&
                        answer.value[0] != m_requested.flow) {
                        m_settingRefused = TransportError::FlowControlRefused;
                    }
                    return;
            }
            m_lineAnswered.notify_all();
            return;
        }
        case Telnet::kNotifyModemState: {
            if (answer.value.empty()) {
                return;
            }
            std::lock_guard lineLock(m_lineLock);
            m_modemState = answer.value[0];
            m_lineAnswered.notify_all();
            return;
        }
        default:
            return;  // line state, masks: nothing depends on them
    }
}

// A socket closed with unread bytes sends a reset, and the server may drop what it had not
// read yet, the last purge included: what is readable is read away first.
void NetworkChannel::CloseSocket() {
    if (!m_socket.is_open()) {
        return;
    }
    std::error_code ignored;
    m_socket.cancel(ignored);
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    // A buffer of its own: a read handler of this connection may still be looking at m_readBuf.
    std::array<std::uint8_t, 1024> drained{};
    std::error_code error;
    for (int reads = 0; reads < 16 && !error; ++reads) {
        m_socket.read_some(asio::buffer(drained), error);
    }
    m_socket.close(ignored);
}

void NetworkChannel::Close() {
    if (!m_isOpen.exchange(false)) {
        return;
    }
    { std::lock_guard lineLock(m_lineLock); }
    m_lineAnswered.notify_all();
    bool purge = false;
    {
        std::lock_guard writeLock(m_writeLock);
        purge = m_telnet && !m_writing && m_unitsInFlight == 0;
        m_writeTimer.cancel();
    }
    {
        std::lock_guard portLock(m_portLock);
        if (purge) {
            // What the server still has to send on the line is of no use to anyone; a full
            // socket buffer skips this rather than waiting.
            std::vector<std::uint8_t> wire;
            const std::uint8_t toSend = Telnet::kPurgeToSend;
            Telnet::AppendComPort(Telnet::kPurgeData, std::span(&toSend, 1), wire);
            std::error_code ignored;
            m_socket.write_some(asio::buffer(wire), ignored);
        }
        CloseSocket();
    }
    {
        // A receive callback of this connection that runs now finishes before Close returns.
        std::lock_guard readLock(m_readLock);
    }
    std::lock_guard writeLock(m_writeLock);
    m_txQueue.Clear();
    m_writing = false;
    m_unitsInFlight = 0;
}

std::size_t NetworkChannel::Write(const void* data, std::size_t length) {
    if (data == nullptr || length == 0) {
        return 0;
    }
    std::lock_guard writeLock(m_writeLock);
    if (!m_isOpen || m_failed) {
        return 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t taken = 0;
    for (; taken < length; ++taken) {
        const std::uint8_t unit[] = {bytes[taken], Telnet::kIac};
        const bool doubled = m_telnet && bytes[taken] == Telnet::kIac;
        if (!m_txQueue.Append(std::span(unit, doubled ? 2 : 1), kTxQueueLimit)) {
            break;
        }
    }
    StartWrite();
    return taken;
}

bool NetworkChannel::QueueWire(std::span<const std::uint8_t> wire) {
    std::lock_guard writeLock(m_writeLock);
    if (!m_isOpen || !m_txQueue.Append(wire, kTxQueueLimit + kAnswerRoom)) {
        return false;
    }
    StartWrite();
    return true;
}

void NetworkChannel::Discard() {
    std::lock_guard writeLock(m_writeLock);
    if (!m_isOpen) {
        return;
    }
    m_txQueue.KeepFront(m_unitsInFlight);
    if (m_telnet) {
        std::vector<std::uint8_t> wire;
        const std::uint8_t both = Telnet::kPurgeBoth;
        Telnet::AppendComPort(Telnet::kPurgeData, std::span(&both, 1), wire);
        m_txQueue.Append(wire, kTxQueueLimit + kAnswerRoom);
    }
    StartWrite();
}

void NetworkChannel::StartRead(std::uint64_t generation) {
    if (!IsCurrent(generation)) {
        return;
    }
    std::lock_guard portLock(m_portLock);
    m_socket.async_read_some(
        asio::buffer(m_readBuf),
        asio::bind_executor(m_strand, [self = SharedSelf(), generation](
                                          const std::error_code& error, std::size_t bytesRead) {
            self->HandleRead(generation, error, bytesRead);
        }));
}

void NetworkChannel::HandleRead(std::uint64_t generation, const std::error_code& error,
                                std::size_t bytesRead) {
    std::lock_guard readLock(m_readLock);
    if (!IsCurrent(generation) || m_failed) {
        return;
    }
    if (error) {
        FailLocked(error == asio::error::eof ? make_error_code(TransportError::ServerClosed)
                                             : error);
        return;
    }
    m_rxData.clear();
    const std::span bytes(m_readBuf.data(), bytesRead);
    if (m_telnet) {
        m_replies.clear();
        TakeIn(bytes, m_rxData, m_replies);
        // The answers a server asks for are few (each option changes state a bounded number
        // of times); one that asks faster than it reads the answers is not a server to wait for.
        if (!m_replies.empty() && !QueueWire(m_replies)) {
            FailLocked(TransportError::TooManyRequests);
            return;
        }
    } else {
        m_rxData.assign(bytes.begin(), bytes.end());
    }
    // A read that held only the server's own messages is no news for the owner.
    if (!m_rxData.empty() && m_onReceive) {
        std::error_code none;
        m_onReceive(shared_from_this(), none, m_rxData, static_cast<unsigned int>(m_rxData.size()));
    }
    StartRead(generation);
}

void NetworkChannel::Fail(std::uint64_t generation, std::error_code error) {
    std::lock_guard readLock(m_readLock);
    if (IsCurrent(generation)) {
        FailLocked(error);
    }
}

void NetworkChannel::FailLocked(std::error_code error) {
    if (m_failed) {
        return;
    }
    m_failed = true;
    if (m_onReceive) {
        static const std::vector<std::uint8_t> kNothing;
        m_onReceive(shared_from_this(), error, kNothing, 0);
    }
    // The read and the write under way end at once (aborted, and not reported again).
    std::lock_guard portLock(m_portLock);
    std::error_code ignored;
    m_socket.cancel(ignored);
}

void NetworkChannel::StartWrite() {
    if (!m_isOpen || m_failed || m_writing || m_suspended || m_txQueue.Size() == 0) {
        return;
    }
    const std::span<const std::uint8_t> queued = m_txQueue.Front();
    if (m_unitsInFlight == 0) {
        m_unitsInFlight = m_telnet ? Telnet::WholeUnitsWithin(queued, kWriteBufferSize)
                                   : std::min(queued.size(), kWriteBufferSize);
    }
    const std::size_t count = std::min(m_unitsInFlight, kWriteBufferSize);
    std::copy_n(queued.begin(), count, m_writeBuf.begin());
    {
        std::lock_guard portLock(m_portLock);
        m_socket.async_write_some(
            asio::buffer(m_writeBuf.data(), count),
            asio::bind_executor(m_strand,
                                [self = SharedSelf(), generation = m_generation.load()](
                                    const std::error_code& error, std::size_t bytesWritten) {
                                    self->HandleWrite(generation, error, bytesWritten);
                                }));
    }
    m_writing = true;
    ArmWriteTimer();
}

void NetworkChannel::ArmWriteTimer() {
    const std::uint64_t serial = ++m_writeSerial;
    m_writeTimer.expires_after(m_limits.write);
    m_writeTimer.async_wait(asio::bind_executor(
        m_strand, [self = SharedSelf(), generation = m_generation.load(),
                   serial](const std::error_code& error) {
            if (!error) {
                self->HandleWriteTimer(generation, serial);
            }
        }));
}

// A server that takes nothing leaves the write under way for good, and a keepalive never fires
// while a send waits: this is how such a link is found dead.
void NetworkChannel::HandleWriteTimer(std::uint64_t generation, std::uint64_t writeSerial) {
    {
        std::lock_guard writeLock(m_writeLock);
        if (!IsCurrent(generation) || !m_writing || writeSerial != m_writeSerial) {
            return;
        }
    }
    Fail(generation, TransportError::ServerNotReading);
}

void NetworkChannel::HandleWrite(std::uint64_t generation, const std::error_code& error,
                                 std::size_t bytesWritten) {
    {
        std::lock_guard writeLock(m_writeLock);
        if (!IsCurrent(generation)) {
            return;
        }
        m_writing = false;
        if (!error) {
            if (m_onWriteComplete) {
                std::error_code none;
                m_onWriteComplete(shared_from_this(), none,
                                  static_cast<unsigned int>(bytesWritten));
            }
            const std::size_t done = std::min(bytesWritten, m_txQueue.Size());
            m_txQueue.Pop(done);
            m_unitsInFlight -= std::min(done, m_unitsInFlight);
            StartWrite();
            if (!m_writing) {
                m_writeTimer.cancel();  // nothing waits: the channel need not outlive the timer
            }
            return;
        }
    }
    // A failed write is the lost link, reported now rather than when the next answer is due;
    // an aborted one is this channel's own doing (closed, or failed already).
    if (error != asio::error::operation_aborted) {
        Fail(generation, IsClosedByPeer(error) ? make_error_code(TransportError::ServerClosed)
                                               : error);
    }
}

std::error_code NetworkChannel::SendControl(std::uint8_t value) {
    if (!m_isOpen) {
        return Closed();
    }
    if (!m_telnet) {
        return TransportError::LineNotAvailable;
    }
    const Telnet::ControlGroup group = Telnet::GroupOf(value);
    LineAnswers& answers = group == Telnet::ControlGroup::Dtr   ? m_dtr
                           : group == Telnet::ControlGroup::Rts ? m_rts
                                                                : m_break;
    std::unique_lock lineLock(m_lineLock);
    if (answers.unanswered) {
        return TransportError::LineNotAvailable;
    }
    const std::uint64_t seen = answers.count;
    lineLock.unlock();
    std::vector<std::uint8_t> wire;
    Telnet::AppendComPort(Telnet::kSetControl, std::span(&value, 1), wire);
    if (!QueueWire(wire)) {
        // Open, and no room even for a request of a few bytes: the server takes nothing.
        return m_isOpen ? make_error_code(TransportError::ServerNotReading) : Closed();
    }
    lineLock.lock();
    const bool answered = m_lineAnswered.wait_for(
        lineLock, m_limits.lineAnswer, [&] { return answers.count != seen || !m_isOpen; });
    if (!m_isOpen) {
        return Closed();
    }
    if (!answered) {
        answers.unanswered = true;
        return TransportError::LineNotAvailable;
    }
    return {};
}

std::error_code NetworkChannel::Lines::SetDtr(bool asserted) {
    return m_channel.SendControl(asserted ? Telnet::kControlDtrOn : Telnet::kControlDtrOff);
}

std::error_code NetworkChannel::Lines::SetRts(bool asserted) {
    return m_channel.SendControl(asserted ? Telnet::kControlRtsOn : Telnet::kControlRtsOff);
}

std::error_code NetworkChannel::Lines::SetBreak(bool on) {
    return m_channel.SendControl(on ? Telnet::kControlBreakOn : Telnet::kControlBreakOff);
}

// The server sends the inputs when they change (and most servers once at the start); until the
// first notification has had as long as a line answer to come, there is nothing to say.
std::error_code NetworkChannel::Lines::ReadInputs(ModemLineState& state) {
    NetworkChannel& c = m_channel;
    if (!c.m_isOpen) {
        return Closed();
    }
    if (!c.m_telnet) {
        return TransportError::LineNotAvailable;
    }
    std::unique_lock lineLock(c.m_lineLock);
    c.m_lineAnswered.wait_until(lineLock, c.m_openedAt + c.m_limits.lineAnswer,
                                [&c] { return c.m_modemState.has_value() || !c.m_isOpen; });
    if (!c.m_isOpen) {
        return Closed();
    }
    if (!c.m_modemState) {
        return TransportError::LineNotAvailable;
    }
    const std::uint8_t bits = *c.m_modemState;
    state = {(bits & Telnet::kModemCts) != 0, (bits & Telnet::kModemDsr) != 0,
             (bits & Telnet::kModemDcd) != 0, (bits & Telnet::kModemRi) != 0};
    return {};
}
