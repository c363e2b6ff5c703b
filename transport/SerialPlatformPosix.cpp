#include "SerialPlatform.h"

#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

namespace SerialPlatform {

std::string DeviceName(const std::string& portName) {
    return portName;
}

void DiscardInputAndOutput(NativeHandle handle) {
    ::tcflush(handle, TCIOFLUSH);
}

void DiscardOutput(NativeHandle handle) {
    ::tcflush(handle, TCOFLUSH);
}

std::error_code LockExclusively(NativeHandle handle) {
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        return error == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                    : std::error_code(error, std::generic_category());
    }
    // Not every device the user may pick is a terminal (a named pipe in tests, a file): the
    // lock above is what matters for those.
    ::ioctl(handle, TIOCEXCL);
    return {};
}

void ReleaseExclusiveLock(NativeHandle handle) { ::ioctl(handle, TIOCNXCL); }

}  // namespace SerialPlatform
