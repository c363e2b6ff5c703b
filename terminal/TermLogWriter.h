#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

// Appends to a log file on its own thread, so a slow disk never stalls the caller. Written
// bytes are flushed at least once a second and on Stop. The first write error (disk full, no
// permission, the file removed) ends the writing and is reported once through the error
// callback, on the writer's thread; later Appends are dropped. Stop (or destruction) writes
// what is queued and joins the thread.
class TermLogWriter {
public:
    using ErrorCallback = std::function<void(const std::error_code&)>;

    static constexpr std::chrono::milliseconds kFlushInterval{1000};

    TermLogWriter() = default;
    ~TermLogWriter();
    TermLogWriter(const TermLogWriter&) = delete;
    TermLogWriter& operator=(const TermLogWriter&) = delete;

    // Opens `path` for appending (creating it) and starts the thread. `onError` is called at
    // most once. Fails if the file cannot be opened or a log is already running.
    std::error_code Start(const std::string& path, ErrorCallback onError);
    void Append(std::string_view bytes);
    void Stop();
    bool IsRunning() const;

private:
    void Run();
    std::error_code WriteOut(const std::string& bytes);
    std::error_code Flush();
    bool FileStillThere() const;

    std::string m_path;
    std::FILE* m_file = nullptr;  // the writer thread's while it runs
    ErrorCallback m_onError;
    std::thread m_thread;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::string m_queue;     // guarded by m_lock
    bool m_running = false;  // guarded by m_lock
    bool m_stopping = false; // guarded by m_lock
};
