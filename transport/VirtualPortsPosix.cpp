// The virtual-port rules on POSIX systems: ownership and mode from lstat, liveness from the
// module's flock on the lock file.

#include "VirtualPorts.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace VirtualPorts {

namespace {

bool OwnedByUs(const struct stat& info) {
    return info.st_uid == ::geteuid();
}

// Whether a module holds the lock: a shared lock cannot be had while it holds its exclusive
// one. The lock file must be ours and a plain file.
bool LockIsHeld(const std::string& lockPath) {
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const bool ours = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && OwnedByUs(info);
    const bool held = ours && ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // also lets go of the shared lock if it was free
    return held;
}

}  // namespace

std::string Folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/skw-virtual-ports";
    }
    return "/tmp/skw-virtual-ports-" + std::to_string(::geteuid());
}

bool IsTrustedFolder(const std::string& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && OwnedByUs(info) &&
           (info.st_mode & 0077) == 0;
}

bool IsLive(const std::string& linkPath) {
    const std::string folder = std::filesystem::path(linkPath).parent_path().string();
    struct stat link {};
    struct stat target {};
    return IsTrustedFolder(folder) && ::lstat(linkPath.c_str(), &link) == 0 &&
           S_ISLNK(link.st_mode) && OwnedByUs(link) && ::stat(linkPath.c_str(), &target) == 0 &&
           LockIsHeld(linkPath + ".lock");
}

std::error_code CheckBeforeOpen(const std::string& portName) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    const fs::path folder = fs::weakly_canonical(Folder(), ignored);
    const fs::path parent =
        fs::weakly_canonical(fs::absolute(portName, ignored).parent_path(), ignored);
    if (folder.empty() || parent != folder) {
        return {};
    }
    return IsLive(portName) ? std::error_code() : make_error_code(VirtualPortError::NoModule);
}

}  // namespace VirtualPorts
