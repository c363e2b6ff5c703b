#pragma once

#include <cstdint>

// Status codes carried in bytes 0-3 of a MatchResult. Codes 5, 9 and 18 are not used.
enum AtStatus : std::int32_t {
    AT_OK = 0,
    AT_NO_MATCH = 1,
    // Made by the channel itself.
    AT_INCOMPLETE = 2,
    AT_NO_RESULT = 3,
    AT_FRAME_TOO_LONG = 4,
    AT_TIMEOUT = 6,
    AT_NOT_OPEN = 7,
    AT_ABORTED = 8,
    // Made by the matchers.
    AT_ERROR = 10,
    AT_READY = 11,
    AT_INFO = 12,
    AT_SCANNING = 13,
    AT_STOPPED = 14,
    AT_SCAN_REPORT = 15,
    AT_VERSION = 16,
    AT_TEXT = 17,
    AT_SLOT = 19,
    AT_MODEL = 20,
    AT_ON_OFF = 21,
    AT_HEX_TEXT = 22,
    AT_NUMBER = 23,
    AT_SR = 24,
    AT_SETMODE = 25,
    AT_FLOW_CONTROL = 26,
    AT_AUTOCON = 27,
    AT_ROLE = 28,
    AT_BYPASS = 29,
};
