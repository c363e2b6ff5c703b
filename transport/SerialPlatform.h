#pragma once

#include <asio/ip/tcp.hpp>
#include <asio/serial_port.hpp>

#include <chrono>

#include <string>
#include <system_error>

// The operating system's own serial calls, the ones asio does not wrap. One implementation per
// system (SerialPlatformPosix.cpp, SerialPlatformWin.cpp); callers never test the platform.
namespace SerialPlatform {

using NativeHandle = asio::serial_port::native_handle_type;

// The name asio opens for a port the user names: a device path as given on Linux
// (/dev/ttyUSB0); on Windows `COMn` becomes `\\.\COMn`, which also reaches COM10 and above.
std::string DeviceName(const std::string& portName);

// Drops what the driver holds in both directions (stale input of an earlier connection,
// output not yet sent).
void DiscardInputAndOutput(NativeHandle handle);

// Drops only the output the driver has not sent yet, so closing does not wait for it.
void DiscardOutput(NativeHandle handle);

// Keeps DTR and RTS as they are when the device is closed, instead of dropping them (POSIX:
// clears HUPCL, which stays so for the device's next opener; the driver still raises the lines
// when the device is opened while they are down). Windows keeps its driver's behaviour.
std::error_code KeepModemLinesOnClose(NativeHandle handle);

// A serial port is used by one program at a time, as a COM port is on Windows: two programs
// sending commands to one module interleave them and each reads the other's answers.
// Called right after the open; returns device_or_resource_busy when another program holds the
// port. On Linux: a non-blocking flock on the device (which root honours too) and TIOCEXCL
// (further opens of the terminal fail with EBUSY). Windows opens a COM port exclusively itself.
std::error_code LockExclusively(NativeHandle handle);

// Undoes the exclusive mode before the port is closed: the terminal may stay open elsewhere
// (a pseudo-terminal's owner keeps it), and it must not refuse the next program. The flock
// goes with the descriptor.
void ReleaseExclusiveLock(NativeHandle handle);

// The socket calls of the network channel that asio leaves to the system.

// Connects `socket` (open, in non-blocking mode) to `endpoint`, giving up after `limit` with
// std::errc::timed_out.
std::error_code ConnectWithin(asio::ip::tcp::socket& socket,
                              const asio::ip::tcp::endpoint& endpoint,
                              std::chrono::milliseconds limit);

// Waits until the socket has bytes to read (or an error or end to report): false after `limit`.
bool WaitReadable(asio::ip::tcp::socket& socket, std::chrono::milliseconds limit);
// Waits until the socket takes bytes again (or has an error to report): false after `limit`.
bool WaitWritable(asio::ip::tcp::socket& socket, std::chrono::milliseconds limit);

// Turns on TCP keepalive with the given idle time before the first probe, probe interval and
// number of unanswered probes, so a link whose far end vanished fails the read like an
// unplugged adapter instead of staying silent. Where the system lets unacknowledged sends be
// limited too, they fail after the same time.
void KeepAlive(asio::ip::tcp::socket& socket, std::chrono::seconds idle,
               std::chrono::seconds interval, int probes);

}  // namespace SerialPlatform
