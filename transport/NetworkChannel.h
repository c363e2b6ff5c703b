#pragma once

#include "PortChannel.h"
#include "TelnetProtocol.h"

#include <asio/io_context.hpp>
#include <asio/io_context_strand.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A serial port that an access server exports over TCP:
//   rfc2217://host:port   Telnet with the COM-PORT-OPTION (RFC 2217): the port's settings and
//                         control lines travel with the data
//   socket://host:port    the bytes alone; the settings are the server's, no control lines
// A numeric IPv6 host goes in brackets: rfc2217://[::1]:2217.
struct NetworkPortName {
    enum class Mode { Rfc2217, Raw };
    Mode mode = Mode::Rfc2217;
    std::string host;
    std::uint16_t port = 0;

    // Nothing when it does not, or when the rest is not host:port with a port from 1 to 65535.
    static std::optional<NetworkPortName> Parse(const std::string& portName);
};

// The PortChannel of a network port. Open resolves the host and connects within
// Limits::connect, and for RFC 2217 negotiates within Limits::negotiation, on the caller's
// thread (blocking), then purges the server's buffers. The port settings go out only once the
// server agreed to the COM-PORT-OPTION, and the open fails (TransportError) when the server
// answers one of them, the flow control included, with another value. After that every read and
// write runs on the io_context's thread like the serial channel's, and a failed link reaches
// the receive callback as an error the moment it fails, once, as an unplugged adapter does:
// closed by the server, reset, keepalive given up, a write that failed, a server that takes
// nothing for Limits::write, or one whose option requests fill the room kept for the answers.
// The write callback gets successful writes only; a failed one is that lost link.
//
// What waits to be sent (data, the client's Telnet answers and requests) is bounded: Write
// takes up to kTxQueueLimit, the client's own answers and requests another kAnswerRoom. The
// server's FLOWCONTROL-SUSPEND holds all of it until its FLOWCONTROL-RESUME.
//
// The control lines travel as SET-CONTROL requests. A request that the server does not answer
// within Limits::lineAnswer makes that line "not available" (IsNoModemLines), and later
// requests for it fail at once without waiting; an answer that comes later makes it available
// again. The inputs are what the server last sent with NOTIFY-MODEMSTATE. Nothing of this
// waits on the I/O thread, so a transaction never waits for a line.
class NetworkChannel : public PortChannel {
public:
    struct Limits {
        std::chrono::milliseconds connect{3000};
        std::chrono::milliseconds negotiation{3000};
        std::chrono::milliseconds lineAnswer{250};
        std::chrono::seconds keepAliveIdle{5};
        std::chrono::seconds keepAliveInterval{2};
        int keepAliveProbes = 3;
        // A write the server takes nothing of for this long (and not asked to wait) is a lost link.
        std::chrono::milliseconds write{3000};
    };
    static constexpr std::size_t kReadBufferSize = 4096;
    static constexpr std::size_t kWriteBufferSize = 1024;
    static constexpr std::size_t kAnswerRoom = 1024;

    explicit NetworkChannel(asio::io_context& ioContext) : NetworkChannel(ioContext, Limits{}) {}
    NetworkChannel(asio::io_context& ioContext, Limits limits);
    ~NetworkChannel() override;

    std::error_code Open(const std::string& portName, const PortSettings& settings) override;
    void Close() override;
    std::size_t Write(const void* data, std::size_t length) override;
    bool IsOpen() const override { return m_isOpen; }
    void Discard() override;
    ModemLineControl& ModemLines() override { return m_lines; }

private:
    class Lines : public ModemLineControl {
    public:
        explicit Lines(NetworkChannel& channel) : m_channel(channel) {}
        std::error_code SetDtr(bool asserted) override;
        std::error_code SetRts(bool asserted) override;
        std::error_code ReadInputs(ModemLineState& state) override;
        std::error_code SetBreak(bool on) override;

    private:
        NetworkChannel& m_channel;
    };
    // What the server has answered for one kind of SET-CONTROL request.
    struct LineAnswers {
        std::uint64_t count = 0;  // answers received on this connection
        bool unanswered = false;  // the last request went unanswered and no answer came since
    };
    // The bytes waiting to be sent, in one buffer of fixed size: what was sent is passed over by
    // an offset, and the rest moves to the front only when the end of the buffer is reached.
    class WireQueue {
    public:
        explicit WireQueue(std::size_t capacity) : m_capacity(capacity) {
            m_bytes.reserve(capacity);
        }
        std::size_t Size() const { return m_bytes.size() - m_head; }
        std::span<const std::uint8_t> Front() const { return {m_bytes.data() + m_head, Size()}; }
        // Adds all of `wire` unless the queue would then hold more than `limit` (then nothing).
        bool Append(std::span<const std::uint8_t> wire, std::size_t limit);
        void Pop(std::size_t count);
        void KeepFront(std::size_t count) { m_bytes.resize(m_head + std::min(count, Size())); }
        void Clear() {
            m_bytes.clear();
            m_head = 0;
        }

    private:
        std::size_t m_capacity;
        std::vector<std::uint8_t> m_bytes;
        std::size_t m_head = 0;
    };
    // The port settings as RFC 2217 numbers them.
    struct Settings {
        std::uint32_t baud = 0;
        std::uint8_t size = 8;
        std::uint8_t parity = 1;
        std::uint8_t stop = 1;
        std::uint8_t flow = 1;
    };

    std::shared_ptr<NetworkChannel> SharedSelf();
    std::error_code Connect(const NetworkPortName& name);
    std::error_code Negotiate();  // m_readLock held
    void AppendSettings(std::vector<std::uint8_t>& wire) const;
    // Writes all of `wire` during the set-up, waiting while the socket takes nothing.
    std::error_code WriteWithin(std::vector<std::uint8_t>& wire,
                                std::chrono::steady_clock::time_point deadline);
    void CloseSocket();           // m_portLock held
    // Splits a read into data (appended to `data`) and the server's requests and answers;
    // what the client answers to its negotiations is appended to `replies`. m_readLock held.
    void TakeIn(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                std::vector<std::uint8_t>& replies);
    void NoteAnswer(const Telnet::ComPortAnswer& answer);  // m_readLock held
    std::error_code SendControl(std::uint8_t value);
    // Queues wire bytes (already escaped) after what is queued, within the answer room; false
    // when closed or full.
    bool QueueWire(std::span<const std::uint8_t> wire);
    // Reports the lost link to the owner, once per connection, and stops reading and writing.
    void Fail(std::uint64_t generation, std::error_code error);
    void FailLocked(std::error_code error);  // m_readLock held
    void ArmWriteTimer();                    // m_writeLock held
    void HandleWriteTimer(std::uint64_t generation, std::uint64_t writeSerial);
    void StartRead(std::uint64_t generation);
    void HandleRead(std::uint64_t generation, const std::error_code& error, std::size_t bytesRead);
    void StartWrite();  // m_writeLock held
    void HandleWrite(std::uint64_t generation, const std::error_code& error,
                     std::size_t bytesWritten);
    bool IsCurrent(std::uint64_t generation) const {
        return m_isOpen && m_generation == generation;
    }

    const Limits m_limits;
    std::atomic<bool> m_isOpen{false};
    std::atomic<std::uint64_t> m_generation{0};
    bool m_telnet = true;  // RFC 2217 rather than raw; set by Open before anything runs

    // Reading: m_readLock is held by the read completion for the whole callback (so Close can
    // wait for a running one) and by Open while it negotiates.
    std::mutex m_readLock;
    Telnet::Receiver m_receiver;
    Telnet::Options m_options;
    std::array<std::uint8_t, kReadBufferSize> m_readBuf{};
    std::vector<std::uint8_t> m_rxData;
    std::vector<Telnet::Event> m_events;
    std::vector<std::uint8_t> m_replies;
    Settings m_requested;  // what Open asked the server for
    // Which port settings the server has confirmed during the negotiation, one bit per command.
    unsigned m_confirmed = 0;
    std::error_code m_settingRefused;
    // The lost link was reported: no more reads or writes, no second report. Set under
    // m_readLock; read by the writers too.
    std::atomic<bool> m_failed{false};

    // Writing: the queue holds wire bytes. m_writeLock guards the queue and the write state.
    std::mutex m_writeLock;
    WireQueue m_txQueue{kTxQueueLimit + kAnswerRoom};
    std::array<std::uint8_t, kWriteBufferSize> m_writeBuf{};
    bool m_writing = false;
    bool m_suspended = false;  // the server asked the client to stop sending
    // Counts the writes started; the timer of the latest one fires only if it is still under way.
    std::uint64_t m_writeSerial = 0;
    asio::steady_timer m_writeTimer;
    // Bytes at the front of the queue that belong to the write under way: whole units, so a
    // discard keeps them and never cuts a Telnet sequence.
    std::size_t m_unitsInFlight = 0;

    // The control lines. m_lineLock guards what the server said about them; the read
    // completion takes it briefly to record an answer, callers of the lines wait on it.
    std::mutex m_lineLock;
    std::condition_variable m_lineAnswered;
    LineAnswers m_dtr;
    LineAnswers m_rts;
    LineAnswers m_break;
    std::optional<std::uint8_t> m_modemState;
    std::chrono::steady_clock::time_point m_openedAt;

    // Serialises calls on the socket object itself (asio's socket is not safe for concurrent
    // use): Open/Close on the owner's thread, writes from any thread, reads on the I/O thread.
    // Taken last, held only for the call on the socket.
    std::mutex m_portLock;
    asio::ip::tcp::socket m_socket;
    asio::io_context::strand m_strand;
    Lines m_lines{*this};
};
