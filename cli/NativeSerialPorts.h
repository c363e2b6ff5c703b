#pragma once

#include <string>
#include <vector>

// The serial ports the system itself lists, read without Qt (QtSerialPorts is Qt's list). On
// Windows the port names of the registry's serial device map (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM:
// COM3, ...), in the registry's order, each once; elsewhere the /dev entries of serial adapters,
// in name order.
std::vector<std::string> NativeSerialPorts();
