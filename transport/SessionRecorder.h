#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>

// Writes a session file: both directions of a serial session with their times, for replaying the
// device's side later (skw-module-sim --replay). The file is text, one line per piece of data:
//
//   # skw session 1
//   <ms> tx <bytes>     what the program wrote to the port
//   <ms> rx <bytes>     what it received
//
// <ms> counts milliseconds since the recording started. <bytes> are printable ASCII as they are
// (a space too), with "\\" for a backslash, "\r", "\n", "\t", and "\xHH" (two upper-case hex
// digits) for every other byte; lines starting with '#' are comments.
//
// Send and Received may be called from any thread (the window's writes, the I/O thread's reads);
// the recorder's lock, its own, orders the lines. It is taken before the port's write lock (in
// Send) and after the port's read lock (Received runs in the receive callback), never the other
// way round.
class SessionRecorder {
public:
    SessionRecorder() = default;
    ~SessionRecorder();
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;

    // Creates (or truncates) `path` and starts the clock.
    std::error_code Start(const std::string& path);
    // Flushes and closes the file; returns the first write error, if any.
    std::error_code Stop();
    bool IsRecording() const;

    // Calls `write` (which hands the bytes at `data` to the port and returns how many it took)
    // and records what it took, both under the recorder's lock: an answer that arrives before
    // `write` returns is recorded after what it answers. `write` must not record.
    std::size_t Send(const void* data, const std::function<std::size_t()>& write);
    void Received(const void* data, std::size_t size);

private:
    void LineLocked(const char* direction, const void* data, std::size_t size);

    mutable std::mutex m_lock;
    std::FILE* m_file = nullptr;  // guarded by m_lock, as are the two below
    std::chrono::steady_clock::time_point m_start;
    bool m_failed = false;
};

// <bytes> of a session line for `size` bytes at `data`.
std::string EscapeSessionBytes(const void* data, std::size_t size);
