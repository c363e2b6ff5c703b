#pragma once

#include <asio/serial_port.hpp>

#include <system_error>

using NativePort = asio::serial_port::native_handle_type;

// A serial port is used by one program at a time, as a COM port is on Windows: two programs
// sending commands to one module interleave them and each reads the other's answers.
//
// LockPortExclusively, right after the open: further opens of the terminal fail with EBUSY
// (TIOCEXCL, which root does not honour), and a non-blocking flock on the device tells a
// second opener, root or not, that the port is taken. `fd` is the open port's descriptor.
// Returns device_or_resource_busy when another program holds the port.
std::error_code LockPortExclusively(NativePort fd);

// Undoes the exclusive mode before the port is closed: the terminal may stay open elsewhere
// (a pseudo-terminal's owner keeps it), and it must not refuse the next program. The flock
// goes with the descriptor.
void ReleasePortLock(NativePort fd);
