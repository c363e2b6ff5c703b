#include "SerialPlatform.h"

#include <windows.h>

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

// CreateFile opens a COM port for one process only; a second opener gets ERROR_ACCESS_DENIED.
std::error_code LockExclusively(NativeHandle) { return {}; }

void ReleaseExclusiveLock(NativeHandle) {}

}  // namespace SerialPlatform
