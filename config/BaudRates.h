#pragma once

#include <array>
#include <cstdint>

// The speeds offered everywhere a speed is chosen: the host's serial port (COM port dialog,
// command-line --baud) and the module's UART (configuration page, command-line --uart).
// The virtual module keeps its own list: it models what a module accepts.
inline constexpr std::array<std::uint32_t, 7> kBaudRates = {9600,   19200,  38400, 57600,
                                                            115200, 230400, 460800};
inline constexpr std::uint32_t kDefaultBaudRate = 9600;
