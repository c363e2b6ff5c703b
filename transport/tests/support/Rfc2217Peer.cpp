#include "Rfc2217Peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

// The wire values, written out here on purpose rather than taken from the program.
constexpr std::uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr std::uint8_t COM_PORT = 44;

std::vector<std::uint8_t> Escaped(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> wire;
    for (const std::uint8_t byte : data) {
        wire.push_back(byte);
        if (byte == IAC) {
            wire.push_back(IAC);
        }
    }
    return wire;
}

std::vector<std::uint8_t> ComPort(std::uint8_t command, const std::vector<std::uint8_t>& value) {
    std::vector<std::uint8_t> wire{IAC, SB, COM_PORT, command};
    const auto escaped = Escaped(value);
    wire.insert(wire.end(), escaped.begin(), escaped.end());
    wire.insert(wire.end(), {IAC, SE});
    return wire;
}

}  // namespace

Rfc2217Peer::Rfc2217Peer(Script script) : m_script(script) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (script.receiveBuffer > 0) {  // inherited by the accepted connection
        ::setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, &script.receiveBuffer,
                     sizeof script.receiveBuffer);
    }
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 4) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("Rfc2217Peer: cannot listen on loopback");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Run(); });
}

Rfc2217Peer::~Rfc2217Peer() {
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    Wake();
    m_thread.join();
    CloseConnection();
    ::close(m_listener);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

std::string Rfc2217Peer::Url() const {
    return (m_script.telnet ? "rfc2217://127.0.0.1:" : "socket://127.0.0.1:") +
           std::to_string(m_port);
}

Rfc2217Peer::Seen Rfc2217Peer::Snapshot() const {
    std::lock_guard lock(m_lock);
    return m_seen;
}

bool Rfc2217Peer::WaitFor(const std::function<bool(const Seen&)>& done,
                          std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, limit, [&] { return done(m_seen); });
}

void Rfc2217Peer::SendData(const std::vector<std::uint8_t>& data) {
    std::lock_guard lock(m_lock);
    Schedule(m_script.telnet ? Escaped(data) : data, std::chrono::milliseconds(0));
}

void Rfc2217Peer::SendModemState(std::uint8_t bits) {
    std::lock_guard lock(m_lock);
    Schedule(ComPort(7 + 100, {bits}), std::chrono::milliseconds(0));
}

void Rfc2217Peer::SendComPort(std::uint8_t command, const std::vector<std::uint8_t>& value) {
    std::lock_guard lock(m_lock);
    Schedule(ComPort(command, value), std::chrono::milliseconds(0));
}

void Rfc2217Peer::SendRaw(const std::vector<std::uint8_t>& wire) {
    std::lock_guard lock(m_lock);
    Schedule(wire, std::chrono::milliseconds(0));
}

void Rfc2217Peer::Flood(const std::vector<std::uint8_t>& wire, bool reading) {
    {
        std::lock_guard lock(m_lock);
        StartFlood(wire, reading);
    }
    Wake();
}

void Rfc2217Peer::StartFlood(const std::vector<std::uint8_t>& wire, bool reading,
                             std::uint64_t limit) {
    m_flood.clear();
    m_floodLeft = limit;
    m_floodUnit = std::max<std::size_t>(wire.size(), 1);
    m_floodOffset = 0;
    while (!wire.empty() && m_flood.size() < 16 * 1024) {  // a few whole copies per send
        m_flood.insert(m_flood.end(), wire.begin(), wire.end());
    }
    m_reading = reading;
}

// A flood cut in the middle of a copy finishes the copy first (see FlushDue).
void Rfc2217Peer::StopFlood() {
    {
        std::lock_guard lock(m_lock);
        if (m_floodOffset != 0) {
            const auto rest = m_flood.begin() + static_cast<std::ptrdiff_t>(m_floodUnit - m_floodOffset);
            m_outgoing.insert(m_outgoing.begin(), Outgoing{Clock::now(), {m_flood.begin(), rest}});
        }
        m_floodOffset = 0;
        m_flood.clear();
    }
    Wake();
}

void Rfc2217Peer::StopReading() {
    {
        std::lock_guard lock(m_lock);
        m_reading = false;
    }
    Wake();
}

void Rfc2217Peer::FloodSome() {
    std::lock_guard lock(m_lock);
    if (m_connection < 0 || m_flood.empty()) {
        return;
    }
    if (m_floodLeft == 0 && m_floodOffset == 0) {
        m_flood.clear();
        m_reading = true;
        return;
    }
    // Past the limit, only the rest of a cut copy.
    const std::size_t wanted =
        m_floodLeft > 0 ? static_cast<std::size_t>(std::min<std::uint64_t>(m_flood.size(), m_floodLeft))
                        : m_floodUnit - m_floodOffset;
    const ssize_t sent = ::send(m_connection, m_flood.data(), wanted, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent <= 0) {
        return;
    }
    m_floodLeft -= std::min<std::uint64_t>(m_floodLeft, static_cast<std::uint64_t>(sent));
    // Keep the pattern whole on the wire: what was cut goes first next time.
    std::rotate(m_flood.begin(), m_flood.begin() + sent, m_flood.end());
    m_seen.flooded += static_cast<std::uint64_t>(sent);
    m_floodOffset = (m_floodOffset + static_cast<std::size_t>(sent)) % m_floodUnit;
}

void Rfc2217Peer::Disconnect() {
    {
        std::lock_guard lock(m_lock);
        m_disconnectRequested = true;
    }
    Wake();
}

void Rfc2217Peer::Wake() {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(m_wake[1], &byte, 1);
}

void Rfc2217Peer::Schedule(std::vector<std::uint8_t> bytes, std::chrono::milliseconds delay,
                           bool controlAnswer, bool agreesComPort) {
    const Clock::time_point due = Clock::now() + delay;
    const auto at =
        std::upper_bound(m_outgoing.begin(), m_outgoing.end(), due,
                         [](Clock::time_point t, const Outgoing& o) { return t < o.due; });
    m_outgoing.insert(at, Outgoing{due, std::move(bytes), controlAnswer, agreesComPort});
    Wake();
}

void Rfc2217Peer::Run() {
    for (;;) {
        int timeout = 100;
        int connection = -1;
        short events = POLLIN;
        bool reading = true;
        {
            std::lock_guard lock(m_lock);
            if (m_stop) {
                return;
            }
            connection = m_connection;
            reading = connection < 0 || m_reading;
            events = static_cast<short>((reading ? POLLIN : 0) |
                                        (connection >= 0 && !m_flood.empty() ? POLLOUT : 0));
            if (!m_outgoing.empty()) {
                const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                    m_outgoing.front().due - Clock::now());
                timeout = static_cast<int>(std::clamp<std::int64_t>(wait.count() + 1, 0, 100));
            }
        }
        pollfd entries[2] = {{m_wake[0], POLLIN, 0},
                             {connection >= 0 ? connection : m_listener, events, 0}};
        ::poll(entries, 2, timeout);
        char drain[64];
        while (::read(m_wake[0], drain, sizeof drain) > 0) {
        }
        if ((entries[1].revents & POLLOUT) != 0) {
            FloodSome();
        }
        if (reading && (entries[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            if (connection >= 0) {
                ReadConnection();
            } else {
                Accept();
            }
        }
        FlushDue();
        bool disconnect = false;
        {
            std::lock_guard lock(m_lock);
            disconnect = m_disconnectRequested;
            m_disconnectRequested = false;
        }
        if (disconnect) {
            CloseConnection();
        }
    }
}

void Rfc2217Peer::Accept() {
    const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
        return;
    }
    std::lock_guard lock(m_lock);
    m_connection = connection;
    m_in.clear();
    m_outgoing.clear();
    m_controlAnswers = 0;
    m_comPortAgreed = false;
    m_flood.clear();
    m_floodOffset = 0;
    m_reading = true;
    if (!m_script.floodAtStart.empty()) {
        StartFlood(m_script.floodAtStart, false, m_script.floodAtStartBytes);
    }
    const unsigned connections = m_seen.connections + 1;
    m_seen = Seen{};
    m_seen.connections = connections;
    m_seen.connected = true;
    m_changed.notify_all();
}

void Rfc2217Peer::ReadConnection() {
    std::uint8_t buffer[4096];
    const ssize_t count = ::read(m_connection, buffer, sizeof buffer);
    if (count <= 0) {
        CloseConnection();
        return;
    }
    std::lock_guard lock(m_lock);
    m_in.insert(m_in.end(), buffer, buffer + count);
    const std::size_t dataBefore = m_seen.data.size();
    Parse();
    if (m_script.closeOnData && m_seen.data.size() > dataBefore) {
        m_disconnectRequested = true;
    }
    m_changed.notify_all();
}

void Rfc2217Peer::Parse() {
    std::size_t i = 0;
    while (i < m_in.size()) {
        const std::uint8_t byte = m_in[i];
        if (!m_script.telnet || byte != IAC) {
            m_seen.data.push_back(byte);
            ++i;
            continue;
        }
        if (i + 1 >= m_in.size()) {
            break;
        }
        const std::uint8_t next = m_in[i + 1];
        if (next == IAC) {
            m_seen.data.push_back(IAC);
            i += 2;
        } else if (next >= WILL && next <= DONT) {
            if (i + 2 >= m_in.size()) {
                break;
            }
            HandleOption(next, m_in[i + 2]);
            i += 3;
        } else if (next == SB) {
            std::vector<std::uint8_t> payload;
            std::size_t j = i + 2;
            bool complete = false;
            while (j + 1 < m_in.size()) {
                if (m_in[j] == IAC && m_in[j + 1] == SE) {
                    complete = true;
                    break;
                }
                payload.push_back(m_in[j]);
                j += m_in[j] == IAC ? 2 : 1;
            }
            if (!complete) {
                break;
            }
            HandleRequest(payload);
            i = j + 2;
        } else {
            i += 2;
        }
    }
    m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(i));
}

void Rfc2217Peer::HandleOption(std::uint8_t verb, std::uint8_t option) {
    m_seen.negotiations.emplace_back(verb, option);
    if (!m_script.negotiate) {
        return;
    }
    const auto delay = m_script.answerDelay;
    if (verb == WILL && option == COM_PORT && m_script.closeOnComPort) {
        m_disconnectRequested = true;
    } else if (verb == WILL && option == COM_PORT) {
        Schedule({IAC, m_script.refuseComPort ? DONT : DO, COM_PORT}, delay, false,
                 !m_script.refuseComPort);
        if (m_script.notifyAtStart && !m_script.refuseComPort) {
            Schedule(ComPort(7 + 100, {m_script.modemStateAtStart}), delay);
        }
    } else if (verb == WILL && (option == 0 || option == 3)) {
        Schedule({IAC, DO, option}, delay);
    } else if (verb == DO && (option == 0 || option == 3)) {
        Schedule({IAC, WILL, option}, delay);
    } else if (verb == WILL) {
        Schedule({IAC, DONT, option}, delay);
    } else if (verb == DO) {
        Schedule({IAC, WONT, option}, delay);
    }
}

void Rfc2217Peer::HandleRequest(const std::vector<std::uint8_t>& payload) {
    if (payload.size() < 2 || payload[0] != COM_PORT) {
        return;
    }
    const Request request{payload[1], {payload.begin() + 2, payload.end()}};
    if (m_script.strictComPort && !m_comPortAgreed) {
        ++m_seen.droppedRequests;
        return;
    }
    m_seen.requests.push_back(request);
    if (!m_script.negotiate) {
        return;
    }
    const std::uint8_t answer = static_cast<std::uint8_t>(request.command + 100);
    switch (request.command) {
        case 1:  // baud rate, data size, parity, stop size, purge: confirmed as asked
        case 2:
        case 3:
        case 4:
        case 12:
            Schedule(ComPort(answer, request.value), m_script.answerDelay);
            return;
        case 5: {
            const std::uint8_t value = request.value.empty() ? 0 : request.value[0];
            const bool line = value >= 4 && value <= 12;  // break, DTR, RTS
            if (!line) {
                const bool flow = value >= 1 && value <= 3 && m_script.flowAnswer != 0;
                Schedule(ComPort(answer, flow ? std::vector<std::uint8_t>{m_script.flowAnswer}
                                              : request.value),
                         m_script.answerDelay);
                return;
            }
            if (!m_script.answerControl) {
                return;
            }
            const bool late = m_controlAnswers++ < m_script.lateControlAnswers;
            Schedule(ComPort(answer, request.value),
                     m_script.answerDelay +
                         (late ? m_script.lateControlBy : std::chrono::milliseconds(0)),
                     true);
            return;
        }
        default:
            return;
    }
}

void Rfc2217Peer::FlushDue() {
    std::vector<Outgoing> due;
    int connection = -1;
    {
        std::lock_guard lock(m_lock);
        connection = m_connection;
        if (m_floodOffset != 0) {
            return;  // never inside a flooded sequence
        }
        const auto now = Clock::now();
        const auto end = std::find_if(m_outgoing.begin(), m_outgoing.end(),
                                      [now](const Outgoing& o) { return o.due > now; });
        due.assign(std::make_move_iterator(m_outgoing.begin()), std::make_move_iterator(end));
        m_outgoing.erase(m_outgoing.begin(), end);
    }
    if (connection < 0) {
        return;
    }
    for (const Outgoing& item : due) {
        SendNow(item.bytes);
        if (item.agreesComPort) {
            std::lock_guard lock(m_lock);
            m_comPortAgreed = true;
        }
        if (item.controlAnswer) {
            std::lock_guard lock(m_lock);
            ++m_seen.controlAnswersSent;
            m_changed.notify_all();
        }
    }
}

void Rfc2217Peer::SendNow(const std::vector<std::uint8_t>& bytes) {
    if (!m_script.splitWrites) {
        [[maybe_unused]] const auto written =
            ::send(m_connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        return;
    }
    for (const std::uint8_t byte : bytes) {
        [[maybe_unused]] const auto written = ::send(m_connection, &byte, 1, MSG_NOSIGNAL);
        // Separate segments, so the client's reads are cut between them.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void Rfc2217Peer::CloseConnection() {
    std::lock_guard lock(m_lock);
    if (m_connection >= 0) {
        ::close(m_connection);
        m_connection = -1;
    }
    m_outgoing.clear();
    m_seen.connected = false;
    m_changed.notify_all();
}
