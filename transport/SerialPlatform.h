#pragma once

#include <asio/serial_port.hpp>

#include <string>

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

}  // namespace SerialPlatform
