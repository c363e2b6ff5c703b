#include "PublishedPort.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNameSuffix = 99;

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// The folder, created private if missing; another user's folder (or a link in its place)
// would let that user plant links we then list and write into.
std::error_code PrivateFolder(const std::string& path, bool perUser) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return LastError();
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return LastError();
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (perUser && (info.st_mode & 0077) != 0)) {
        return std::make_error_code(std::errc::permission_denied);
    }
    return {};
}

// Takes the lock file of a name; -1 when a running module holds it. The file is checked to
// still be the one at the path after locking: a module that withdrew meanwhile removed it.
int TakeLock(const std::string& lockPath, std::error_code& error) {
    for (;;) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            error = LastError();
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        struct stat held {};
        struct stat atPath {};
        if (::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &atPath) == 0 &&
            held.st_ino == atPath.st_ino && held.st_dev == atPath.st_dev) {
            return fd;
        }
        ::close(fd);
    }
}

}  // namespace

PublishedPort::~PublishedPort() {
    Withdraw();
}

std::string PublishedPort::Directory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/skw-virtual-ports";
    }
    return "/tmp/skw-virtual-ports-" + std::to_string(::geteuid());
}

std::string PublishedPort::LockPathOf(const std::string& linkPath) {
    return linkPath + ".lock";
}

std::error_code PublishedPort::Publish(const std::string& name, const std::string& target) {
    Withdraw();
    if (!IsPlainFileName(name)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const bool perUser = runtime == nullptr || *runtime == '\0';
    const std::string directory = Directory();
    if (std::error_code error = PrivateFolder(directory, perUser)) {
        return error;
    }
    for (int suffix = 1; suffix <= kMaxNameSuffix; ++suffix) {
        const fs::path link =
            fs::path(directory) / (suffix == 1 ? name : name + "-" + std::to_string(suffix));
        std::error_code error;
        const int lock = TakeLock(LockPathOf(link.string()), error);
        if (error) {
            return error;
        }
        if (lock < 0) {
            continue;  // a running module has this name
        }
        fs::remove(link, error);  // left by a module that ended without withdrawing it
        fs::create_symlink(target, link, error);
        if (error) {
            ::close(lock);
            return error;
        }
        m_linkPath = link.string();
        m_target = target;
        m_lockFd = lock;
        m_published = true;
        return {};
    }
    return std::make_error_code(std::errc::file_exists);
}

void PublishedPort::Withdraw() {
    if (!m_published) {
        return;
    }
    m_published = false;
    std::error_code error;
    const fs::path target = fs::read_symlink(m_linkPath, error);
    if (!error && target == m_target) {
        fs::remove(m_linkPath, error);
    }
    // Removed while still held, so nobody takes a lock on a file that is about to go.
    fs::remove(LockPathOf(m_linkPath), error);
    ::close(m_lockFd);
    m_lockFd = -1;
}
