#pragma once

#include "OutputSchedule.h"
#include "PseudoTerminal.h"
#include "PublishedPort.h"

#include <chrono>
#include <cstdint>
#include <istream>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

// One line of a session file (the program's SessionRecorder writes them): the bytes one side
// wrote and when, in milliseconds since the recording started.
struct SessionEntry {
    std::int64_t ms = 0;
    bool fromProgram = false;  // "tx"; "rx" is what the device sent
    std::string bytes;
};

// Reads a session file: "<ms> tx|rx <bytes>" lines, with "\\", "\r", "\n", "\t" and "\xHH"
// escapes, '#' comments and blank lines. On a bad line returns false with `error` naming it.
// The module's own reader: it shares nothing with the program's writer.
bool ParseSession(std::istream& input, std::vector<SessionEntry>& entries, std::string& error);

// The device's side of a recorded session, played back on a pseudo-terminal: what the program
// writes must be what the recording says it wrote, byte for byte (in any pieces); each piece the
// device sent then goes out as long after the program's last matched piece as it did in the
// recording. What the device sent before the program wrote anything goes out when the program
// opens the port (its flush of the line on opening), or else when it is first heard from. Bytes
// that differ from the recording end the replay: the device falls silent, as a real one would
// not know what to answer (Diverged()).
class ReplayModule {
public:
    using Clock = std::chrono::steady_clock;

    explicit ReplayModule(std::vector<SessionEntry> session, std::string portName = "replay");
    ~ReplayModule();
    ReplayModule(const ReplayModule&) = delete;
    ReplayModule& operator=(const ReplayModule&) = delete;

    std::error_code Start();
    void Stop();
    const std::string& PortPath() const { return m_portPath; }

    // Every entry replayed (the program wrote all it was to write).
    bool Finished() const;
    bool Diverged() const;
    // What the program wrote that did not match, from the first byte that differed.
    std::string Unexpected() const;

private:
    void Run();
    void Advance(Clock::time_point now);
    void ReadProgram(Clock::time_point now);
    void ProgramOpened(Clock::time_point now);
    void WriteDue(Clock::time_point now);

    std::vector<SessionEntry> m_session;
    std::string m_portName;
    std::string m_portPath;
    PseudoTerminal m_pty;
    PublishedPort m_port;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
    mutable std::mutex m_lock;  // the module's: guards the three below against the owner's calls
    bool m_stop = false;
    std::size_t m_next = 0;  // the session entry to play next
    std::string m_unexpected;
    // The module's thread only:
    std::string m_heard;  // written by the program, not matched yet
    bool m_packetMode = false;
    bool m_opened = false;  // the program has opened the port (or written) since the start
    std::int64_t m_anchorMs = 0;
    Clock::time_point m_anchor;
    OutputSchedule m_output;
};
