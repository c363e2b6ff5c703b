#pragma once

#include "PortChannel.h"

#include <stdexcept>
#include <string>
#include <system_error>

// PortChannel::Open for callers that take their option values from elsewhere: a value out of
// range gives invalid_argument instead of the exception, and the port stays closed.
inline std::error_code OpenChecked(PortChannel& port, const std::string& portName,
                                   const PortSettings& settings) {
    try {
        return port.Open(portName, settings);
    } catch (const std::out_of_range&) {
        return std::make_error_code(std::errc::invalid_argument);
    }
}
