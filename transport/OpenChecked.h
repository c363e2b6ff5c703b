#pragma once

#include "PortChannel.h"

#include <stdexcept>
#include <string>
#include <system_error>

// PortChannel::Open for callers that take their option values from elsewhere: a value out of
// range gives invalid_argument instead of the exception, and the port stays closed.
inline std::error_code OpenChecked(PortChannel& port, const std::string& portName,
                                   std::uint32_t baudRate, std::uint8_t characterSize,
                                   std::uint8_t parity, std::uint8_t stopBits,
                                   std::uint8_t flowControl) {
    try {
        return port.Open(portName, baudRate, characterSize, parity, stopBits, flowControl);
    } catch (const std::out_of_range&) {
        return std::make_error_code(std::errc::invalid_argument);
    }
}
