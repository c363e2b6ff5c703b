// A station's system calls on POSIX systems.

#include "StationPlatform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace StationPlatform {

namespace {

class FlockLock : public FileLock {
public:
    explicit FlockLock(int fd) : m_fd(fd) {}
    ~FlockLock() override { ::close(m_fd); }  // also lets go of the lock
    FlockLock(const FlockLock&) = delete;
    FlockLock& operator=(const FlockLock&) = delete;

private:
    int m_fd;
};

}  // namespace

std::unique_ptr<FileLock> TryLock(const std::string& path, std::error_code& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = {errno, std::generic_category()};
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                     : std::error_code(errno, std::generic_category());
        ::close(fd);
        return nullptr;
    }
    error.clear();
    return std::make_unique<FlockLock>(fd);
}

std::string LockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime != nullptr && *runtime != '\0'
                                   ? std::string(runtime) + "/skw-station-locks"
                                   : "/tmp/skw-station-locks-" + std::to_string(::geteuid());
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

std::string DataFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::filesystem::path base =
        data != nullptr && *data != '\0'
            ? std::filesystem::path(data)
            : std::filesystem::path(home != nullptr ? home : "/tmp") / ".local" / "share";
    const std::filesystem::path folder = base / "skw-manager";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder.string();
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return "station";
    }
    return name;
}

}  // namespace StationPlatform
