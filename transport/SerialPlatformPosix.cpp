#include "SerialPlatform.h"

#include <termios.h>

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

}  // namespace SerialPlatform
