#include "SessionRecorder.h"

#include <cerrno>

std::string EscapeSessionBytes(const void* data, std::size_t size) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::string text;
    text.reserve(size);
    for (std::size_t index = 0; index < size; ++index) {
        const unsigned char byte = bytes[index];
        if (byte == '\\') {
            text += "\\\\";
        } else if (byte == '\r') {
            text += "\\r";
        } else if (byte == '\n') {
            text += "\\n";
        } else if (byte == '\t') {
            text += "\\t";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += static_cast<char>(byte);
        } else {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0x0F];
        }
    }
    return text;
}

SessionRecorder::~SessionRecorder() {
    Stop();
}

std::error_code SessionRecorder::Start(const std::string& path) {
    Stop();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return {errno, std::generic_category()};
    }
    std::fputs("# skw session 1\n", file);
    std::lock_guard lock(m_lock);
    m_file = file;
    m_start = std::chrono::steady_clock::now();
    m_failed = false;
    return {};
}

std::error_code SessionRecorder::Stop() {
    std::lock_guard lock(m_lock);
    if (m_file == nullptr) {
        return {};
    }
    const bool failed = m_failed || std::fflush(m_file) != 0;
    std::fclose(m_file);
    m_file = nullptr;
    return failed ? std::make_error_code(std::errc::io_error) : std::error_code();
}

bool SessionRecorder::IsRecording() const {
    std::lock_guard lock(m_lock);
    return m_file != nullptr;
}

std::size_t SessionRecorder::Send(const void* data, const std::function<std::size_t()>& write) {
    std::lock_guard lock(m_lock);
    const std::size_t taken = write();
    LineLocked("tx", data, taken);
    return taken;
}

void SessionRecorder::Received(const void* data, std::size_t size) {
    std::lock_guard lock(m_lock);
    LineLocked("rx", data, size);
}

void SessionRecorder::LineLocked(const char* direction, const void* data, std::size_t size) {
    if (size == 0 || m_file == nullptr) {
        return;
    }
    const std::string bytes = EscapeSessionBytes(data, size);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - m_start)
                        .count();
    if (std::fprintf(m_file, "%lld %s %s\n", static_cast<long long>(ms), direction, bytes.c_str()) <
        0) {
        m_failed = true;
    }
}
