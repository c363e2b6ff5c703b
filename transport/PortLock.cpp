#include "PortLock.h"

#ifndef _WIN32
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

std::error_code LockPortExclusively(NativePort fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        return error == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                    : std::error_code(error, std::generic_category());
    }
    // Not every device the user may pick is a terminal (a named pipe in tests, a file): the
    // lock above is what matters for those.
    ::ioctl(fd, TIOCEXCL);
    return {};
}

void ReleasePortLock(NativePort fd) {
    ::ioctl(fd, TIOCNXCL);
}

#else

// Windows opens a COM port exclusively by itself.
std::error_code LockPortExclusively(NativePort) {
    return {};
}

void ReleasePortLock(NativePort) {}

#endif
