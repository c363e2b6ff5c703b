#pragma once

#include <cstdint>

// The module's scan name filter, as the configuration page fills it.
struct ScanFilter {
    std::uint8_t enabled = 0;  // 0 off, anything else on
    char name[64] = {};        // UTF-8, zero-padded; need not be NUL-terminated when full
};
