#pragma once

#include <cstdint>

// A port's line options, as one value: what every open takes. The defaults are the modules'
// frame (8 data bits, no parity, one stop bit) without flow control.
struct PortSettings {
    std::uint32_t baudRate = 9600;
    std::uint8_t characterSize = 8;
    std::uint8_t parity = 0;       // 0 none, 1 odd, 2 even
    std::uint8_t stopBits = 0;     // 0 one, 1 one and a half, 2 two
    std::uint8_t flowControl = 0;  // 0 none, 1 software, 2 hardware

    static PortSettings At(std::uint32_t baudRate, std::uint8_t flowControl = 0) {
        PortSettings settings;
        settings.baudRate = baudRate;
        settings.flowControl = flowControl;
        return settings;
    }
};
