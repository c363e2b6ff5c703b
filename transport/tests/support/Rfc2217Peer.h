#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An access server scripted by the test, on 127.0.0.1 at a free port, for what a real server on
// a pseudo-terminal cannot show: line notifications, answered and unanswered control requests,
// late answers, refusals, a connection closed on purpose, and the hostile ones: a server that
// floods requests or data, stops reading, drops early requests, closes during the set-up or
// cannot do the flow control asked for. It takes one connection at a time and
// reads the Telnet stream with a parser of its own (never the program's), so a misreading
// cannot hide on both sides.
class Rfc2217Peer {
public:
    struct Script {
        bool telnet = true;          // false: a raw TCP port, every byte is data
        bool negotiate = true;       // false: accepts the connection and never answers
        bool refuseComPort = false;  // answers WILL COM-PORT-OPTION with DONT
        bool answerControl = true;   // answers SET-CONTROL for DTR, RTS and break
        std::chrono::milliseconds answerDelay{0};  // before every answer
        // The first `lateControlAnswers` control answers come this much later still.
        std::chrono::milliseconds lateControlBy{0};
        unsigned lateControlAnswers = 0;
        bool splitWrites = false;            // sends everything one byte per write
        bool closeOnData = false;            // closes the connection when data arrives
        std::uint8_t modemStateAtStart = 0;  // sent once the client asked for COM-PORT
        bool notifyAtStart = false;
        // Drops COM-PORT requests that come before its DO COM-PORT-OPTION went out.
        bool strictComPort = false;
        // Answers a flow-control SET-CONTROL (1 to 3) with this value instead, when not 0.
        std::uint8_t flowAnswer = 0;
        bool closeOnComPort = false;  // closes the connection when WILL COM-PORT-OPTION arrives
        int receiveBuffer = 0;        // the socket's receive buffer in bytes, when not 0
        // Flooded from the moment the connection is accepted, when not empty, up to
        // floodAtStartBytes, reading nothing until that is sent.
        std::vector<std::uint8_t> floodAtStart{};
        std::size_t floodAtStartBytes = 256 * 1024;
    };
    struct Request {
        std::uint8_t command = 0;
        std::vector<std::uint8_t> value;
        bool operator==(const Request&) const = default;
    };

    Rfc2217Peer() : Rfc2217Peer(Script{}) {}
    explicit Rfc2217Peer(Script script);
    ~Rfc2217Peer();
    Rfc2217Peer(const Rfc2217Peer&) = delete;
    Rfc2217Peer& operator=(const Rfc2217Peer&) = delete;

    std::uint16_t Port() const { return m_port; }
    // rfc2217://127.0.0.1:port, or socket://... for a raw script.
    std::string Url() const;

    // What the peer has seen of the current or last connection.
    struct Seen {
        std::vector<std::uint8_t> data;  // unescaped
        std::vector<Request> requests;   // COM-PORT-OPTION requests, in order
        unsigned controlAnswersSent = 0;
        unsigned connections = 0;  // accepted so far
        bool connected = false;
        // The client's option negotiations (verb, option), in order.
        std::vector<std::pair<std::uint8_t, std::uint8_t>> negotiations;
        unsigned droppedRequests = 0;  // COM-PORT requests a strict script dropped
        std::uint64_t flooded = 0;     // bytes sent by Flood
    };
    Seen Snapshot() const;
    // Waits until `done` holds (checked whenever something happens), within `limit`.
    bool WaitFor(const std::function<bool(const Seen&)>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

    void SendData(const std::vector<std::uint8_t>& data);  // escaped in Telnet mode
    void SendModemState(std::uint8_t bits);
    // A COM-PORT-OPTION command of the server (the client's number + 100) with its value.
    void SendComPort(std::uint8_t command, const std::vector<std::uint8_t>& value);
    void SendRaw(const std::vector<std::uint8_t>& wire);  // as it is, Telnet commands included
    // Sends `wire` over and over as fast as the client takes it, until StopFlood; with
    // `reading` false it reads nothing meanwhile (nor after).
    void Flood(const std::vector<std::uint8_t>& wire, bool reading);
    void StopFlood();
    void StopReading();  // for the rest of this connection
    // Closes the connection as a server that goes away does.
    void Disconnect();

private:
    void Run();
    void Accept();
    void ReadConnection();
    void Parse();                                                  // m_lock held
    void HandleOption(std::uint8_t verb, std::uint8_t option);     // m_lock held
    void HandleRequest(const std::vector<std::uint8_t>& payload);  // m_lock held
    void Schedule(std::vector<std::uint8_t> bytes, std::chrono::milliseconds delay,
                  bool controlAnswer = false, bool agreesComPort = false);  // m_lock held
    void FlushDue();
    void SendNow(const std::vector<std::uint8_t>& bytes);
    void CloseConnection();
    void Wake();
    void FloodSome();
    void StartFlood(const std::vector<std::uint8_t>& wire, bool reading,
                    std::uint64_t limit = UINT64_MAX);  // m_lock held

    const Script m_script;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::thread m_thread;

    // m_lock guards everything below; the peer's thread takes it around each step and the
    // test's calls take it briefly.
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    int m_connection = -1;
    bool m_stop = false;
    bool m_disconnectRequested = false;
    std::vector<std::uint8_t> m_in;  // received, not parsed yet
    Seen m_seen;
    unsigned m_controlAnswers = 0;  // control answers scheduled on this connection
    struct Outgoing {
        std::chrono::steady_clock::time_point due;
        std::vector<std::uint8_t> bytes;
        bool controlAnswer = false;
        bool agreesComPort = false;
    };
    std::vector<Outgoing> m_outgoing;  // in order of their time
    bool m_comPortAgreed = false;      // its DO COM-PORT-OPTION went out on this connection
    std::vector<std::uint8_t> m_flood;  // sent over and over while not empty
    std::size_t m_floodUnit = 1;        // the length of one copy of the pattern
    std::size_t m_floodOffset = 0;      // where in a copy the next send starts
    std::uint64_t m_floodLeft = 0;      // bytes the flood may still send
    bool m_reading = true;
};
