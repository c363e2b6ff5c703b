#pragma once

#include <QString>

#include <cstdint>

// What the COM port dialog hands its caller: the port to open, how, and which page to show.
struct ComPortSettings {
    QString port;  // device path; empty when the system lists no port
    int baudRate = 9600;
    std::uint8_t flowControl = 0;  // 0 none, 2 hardware (255 while nothing is selected)
    std::uint8_t opMode = 1;       // 1 Configurator, 2 Terminal, 3 Production
};
