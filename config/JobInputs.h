#pragma once

#include "ModuleState.h"

#include <cstdint>
#include <string>

// The values a job takes from the page, captured on the window thread when the job is posted,
// so the worker never reads a control. Each job reads only its own fields.
struct JobInputs {
    std::string deviceName{};  // JOB_SET_NAME: UTF-8; the job sends at most 63 bytes

    bool nameFilterOn = false;  // JOB_SCAN_START: "Name filter" checked
    std::string nameFilter{};   // UTF-8; the job sends at most 63 bytes

    std::uint32_t baudRate = 9600;  // JOB_SET_UART: item data of the selected baud rate
    std::uint32_t flowControl = 0;  // item data of the selected flow control, 0 off

    int roleIndex = -1;    // JOB_SET_ROLE: the role radio index 0-3, -1 when none is checked
    int autoConIndex = 0;  // JOB_SET_AUTOCON: 0 OFF, anything else ON

    std::uint32_t number = 0;  // a setting of ValueKind::Number; its job sends the low 16 bits
    BdAddr masterAddr{};       // JOB_SET_MASTER
    SlotArray writeSlots{};    // JOB_WRITE_SLOTS
};
