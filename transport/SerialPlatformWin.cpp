#include "SerialPlatform.h"

#include <mstcpip.h>
#include <windows.h>
#include <winsock2.h>

#include <algorithm>
#include <cstdint>

namespace SerialPlatform {

std::string DeviceName(const std::string& portName) {
    constexpr const char* kDevicePrefix = R"(\\.\)";
    if (portName.rfind('\\', 0) == 0) {
        return portName;
    }
    return kDevicePrefix + portName;
}

void DiscardInputAndOutput(NativeHandle handle) {
    ::PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void DiscardOutput(NativeHandle handle) {
    ::PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR);
}

std::error_code KeepModemLinesOnClose(NativeHandle) {
    return {};
}

// CreateFile opens a COM port for one process only; a second opener gets ERROR_ACCESS_DENIED.
std::error_code LockExclusively(NativeHandle) {
    return {};
}

void ReleaseExclusiveLock(NativeHandle) {}

std::error_code ConnectWithin(asio::ip::tcp::socket& socket,
                              const asio::ip::tcp::endpoint& endpoint,
                              std::chrono::milliseconds limit) {
    // Not asio's connect: with the socket in non-blocking mode it still waits without a limit.
    if (::connect(socket.native_handle(), endpoint.data(), static_cast<int>(endpoint.size())) ==
        0) {
        return {};
    }
    if (const int error = ::WSAGetLastError(); error != WSAEWOULDBLOCK) {
        return {error, std::system_category()};
    }
    // A refused connection shows in the exception set on Windows, not as writable.
    const SOCKET handle = socket.native_handle();
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(handle, &writable);
    FD_SET(handle, &failed);
    timeval wait{static_cast<long>(limit.count() / 1000),
                 static_cast<long>((limit.count() % 1000) * 1000)};
    const int ready = ::select(0, nullptr, &writable, &failed, &wait);
    if (ready == SOCKET_ERROR) {
        return {::WSAGetLastError(), std::system_category()};
    }
    if (ready == 0) {
        return std::make_error_code(std::errc::timed_out);
    }
    int result = 0;
    int length = sizeof result;
    if (::getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &length) !=
        0) {
        return {::WSAGetLastError(), std::system_category()};
    }
    return result == 0 ? std::error_code{} : std::error_code(result, std::system_category());
}

bool WaitReadable(asio::ip::tcp::socket& socket, std::chrono::milliseconds limit) {
    const auto ms = std::max<std::int64_t>(limit.count(), 0);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket.native_handle(), &readable);
    timeval wait{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return ::select(0, &readable, nullptr, nullptr, &wait) != 0;
}

bool WaitWritable(asio::ip::tcp::socket& socket, std::chrono::milliseconds limit) {
    const auto ms = std::max<std::int64_t>(limit.count(), 0);
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(socket.native_handle(), &writable);
    timeval wait{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return ::select(0, nullptr, &writable, nullptr, &wait) != 0;
}

void KeepAlive(asio::ip::tcp::socket& socket, std::chrono::seconds idle,
               std::chrono::seconds interval, int) {
    // Windows takes the idle time and interval in one call; its probe count is fixed (10).
    tcp_keepalive values{1, static_cast<ULONG>(idle.count() * 1000),
                         static_cast<ULONG>(interval.count() * 1000)};
    DWORD returned = 0;
    ::WSAIoctl(socket.native_handle(), SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0,
               &returned, nullptr, nullptr);
}

}  // namespace SerialPlatform
