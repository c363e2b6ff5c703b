#pragma once

#include "Conversions.h"

#include <cstdint>

// One device seen by a scan: the payload of an AT_SCAN_REPORT result, byte for byte.
struct ScanReport {
    BdAddr address{};
    std::int8_t rssi = 0;  // dBm
    char name[64] = {};    // NUL-terminated
};

static_assert(sizeof(ScanReport) == 71, "ScanReport mirrors the 71-byte scan report payload");
