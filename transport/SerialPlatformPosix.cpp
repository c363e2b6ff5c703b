#include "SerialPlatform.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

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

std::error_code KeepModemLinesOnClose(NativeHandle handle) {
    termios attributes{};
    if (::tcgetattr(handle, &attributes) != 0) {
        return {errno, std::generic_category()};
    }
    attributes.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    if (::tcsetattr(handle, TCSANOW, &attributes) != 0) {
        return {errno, std::generic_category()};
    }
    return {};
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

void ReleaseExclusiveLock(NativeHandle handle) {
    ::ioctl(handle, TIOCNXCL);
}

std::error_code ConnectWithin(asio::ip::tcp::socket& socket,
                              const asio::ip::tcp::endpoint& endpoint,
                              std::chrono::milliseconds limit) {
    // Not asio's connect: with the socket in non-blocking mode it still waits without a limit.
    if (::connect(socket.native_handle(), endpoint.data(), endpoint.size()) == 0) {
        return {};
    }
    if (errno != EINPROGRESS) {
        return {errno, std::system_category()};
    }
    pollfd entry{socket.native_handle(), POLLOUT, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(limit.count()));
    if (ready < 0) {
        return {errno, std::system_category()};
    }
    if (ready == 0) {
        return std::make_error_code(std::errc::timed_out);
    }
    int result = 0;
    socklen_t length = sizeof result;
    if (::getsockopt(socket.native_handle(), SOL_SOCKET, SO_ERROR, &result, &length) != 0) {
        return {errno, std::system_category()};
    }
    return result == 0 ? std::error_code{} : std::error_code(result, std::system_category());
}

bool WaitReadable(asio::ip::tcp::socket& socket, std::chrono::milliseconds limit) {
    pollfd entry{socket.native_handle(), POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(std::max<std::int64_t>(limit.count(), 0))) != 0;
}

bool WaitWritable(asio::ip::tcp::socket& socket, std::chrono::milliseconds limit) {
    pollfd entry{socket.native_handle(), POLLOUT, 0};
    return ::poll(&entry, 1, static_cast<int>(std::max<std::int64_t>(limit.count(), 0))) != 0;
}

void KeepAlive(asio::ip::tcp::socket& socket, std::chrono::seconds idle,
               std::chrono::seconds interval, int probes) {
    const int fd = socket.native_handle();
    const int on = 1;
    const int idleSeconds = static_cast<int>(idle.count());
    const int intervalSeconds = static_cast<int>(interval.count());
    const unsigned userTimeoutMs =
        static_cast<unsigned>((idle + interval * probes) / std::chrono::milliseconds(1));
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
}

}  // namespace SerialPlatform
