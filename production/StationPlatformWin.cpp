// A station's system calls on Windows.

#include "StationPlatform.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace StationPlatform {

namespace {

class SharedNoneLock : public FileLock {
public:
    explicit SharedNoneLock(HANDLE handle) : m_handle(handle) {}
    ~SharedNoneLock() override { ::CloseHandle(m_handle); }
    SharedNoneLock(const SharedNoneLock&) = delete;
    SharedNoneLock& operator=(const SharedNoneLock&) = delete;

private:
    HANDLE m_handle;
};

}  // namespace

std::unique_ptr<FileLock> TryLock(const std::string& path, std::error_code& error) {
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        error = code == ERROR_SHARING_VIOLATION
                    ? std::make_error_code(std::errc::device_or_resource_busy)
                    : std::error_code(static_cast<int>(code), std::system_category());
        return nullptr;
    }
    error.clear();
    return std::make_unique<SharedNoneLock>(handle);
}

std::string LockFolder() {
    std::error_code ignored;
    const auto folder = std::filesystem::temp_directory_path(ignored) / "skw-station-locks";
    std::filesystem::create_directories(folder, ignored);
    return folder.string();
}

std::string DataFolder() {
    const char* local = std::getenv("LOCALAPPDATA");
    std::error_code ignored;
    const std::filesystem::path folder =
        (local != nullptr ? std::filesystem::path(local)
                          : std::filesystem::temp_directory_path(ignored)) /
        "skw-manager";
    std::filesystem::create_directories(folder, ignored);
    return folder.string();
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_s(&utc, &now);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return ::GetComputerNameA(name, &size) ? std::string(name, size) : std::string("station");
}

}  // namespace StationPlatform
