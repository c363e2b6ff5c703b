#pragma once

#include "PortChannel.h"
#include "TelnetProtocol.h"

#include <asio/io_context.hpp>
#include <asio/io_context_strand.hpp>
#include <asio/ip/tcp.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>

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

// The PortChannel of a network port. Open connects and, for RFC 2217, negotiates on the
// caller's thread (blocking, within the limits below) and purges the server's buffers; after
// that every read and write runs on the io_context's thread like the serial channel's, and a
// failed link (closed by the server, reset, keepalive given up) reaches the receive callback as
// an error, as an unplugged adapter does.
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
    };
    static constexpr std::size_t kReadBufferSize = 4096;
    static constexpr std::size_t kWriteBufferSize = 1024;

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
    void CloseSocket();           // m_portLock held
    // Splits a read into data (appended to `data`) and the server's requests and answers;
    // what the client answers to its negotiations is appended to `replies`. m_readLock held.
    void TakeIn(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                std::vector<std::uint8_t>& replies);
    void NoteAnswer(const Telnet::ComPortAnswer& answer);  // m_readLock held
    std::error_code SendControl(std::uint8_t value);
    // Queues wire bytes (already escaped) after what is queued; false when closed.
    bool QueueWire(std::span<const std::uint8_t> wire);
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
    bool m_settingRefused = false;

    // Writing: the queue holds wire bytes. m_writeLock guards the queue and the write state.
    std::mutex m_writeLock;
    std::vector<std::uint8_t> m_txQueue;
    std::array<std::uint8_t, kWriteBufferSize> m_writeBuf{};
    bool m_writing = false;
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
