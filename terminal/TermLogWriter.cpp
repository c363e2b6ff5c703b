#include "TermLogWriter.h"

#include <cerrno>
#include <filesystem>
#include <utility>

namespace {

std::error_code LastError(std::errc fallback) {
    return errno != 0 ? std::error_code(errno, std::generic_category())
                      : std::make_error_code(fallback);
}

}  // namespace

TermLogWriter::~TermLogWriter() {
    Stop();
}

std::error_code TermLogWriter::Start(const std::string& path, ErrorCallback onError) {
    Stop();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) {
        return LastError(std::errc::io_error);
    }
    m_file = file;
    m_path = path;
    m_onError = std::move(onError);
    {
        std::lock_guard lock(m_lock);
        m_queue.clear();
        m_running = true;
        m_stopping = false;
    }
    m_thread = std::thread(&TermLogWriter::Run, this);
    return {};
}

void TermLogWriter::Append(std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    {
        std::lock_guard lock(m_lock);
        if (!m_running) {
            return;
        }
        m_queue.append(bytes);
    }
    m_wake.notify_one();
}

void TermLogWriter::Stop() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool TermLogWriter::IsRunning() const {
    std::lock_guard lock(m_lock);
    return m_running;
}

void TermLogWriter::Run() {
    auto nextFlush = std::chrono::steady_clock::now() + kFlushInterval;
    std::error_code error;
    for (;;) {
        std::string chunk;
        bool stopping = false;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait_until(lock, nextFlush, [this] { return m_stopping || !m_queue.empty(); });
            chunk.swap(m_queue);
            stopping = m_stopping;
        }
        error = WriteOut(chunk);
        const bool due = std::chrono::steady_clock::now() >= nextFlush;
        if (!error && (due || stopping)) {
            error = Flush();
            nextFlush = std::chrono::steady_clock::now() + kFlushInterval;
        }
        if (error || stopping) {
            break;
        }
    }
    {
        std::lock_guard lock(m_lock);
        m_running = false;
        m_queue.clear();
        m_queue.shrink_to_fit();
    }
    if (error && m_onError) {
        m_onError(error);
    }
}

std::error_code TermLogWriter::WriteOut(const std::string& bytes) {
    if (bytes.empty()) {
        return {};
    }
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        return LastError(std::errc::io_error);
    }
    return {};
}

std::error_code TermLogWriter::Flush() {
    errno = 0;
    if (std::fflush(m_file) != 0) {
        return LastError(std::errc::io_error);
    }
    if (!FileStillThere()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    return {};
}

// Writing on to a file that was deleted or renamed away succeeds and lands nowhere the user
// will look.
bool TermLogWriter::FileStillThere() const {
    std::error_code ignored;
    return std::filesystem::exists(m_path, ignored);
}
