#pragma once

// What every result of a matcher or of the channel promises, whatever the frame.
#include "AtStatus.h"
#include "MatchResult.h"
#include "Require.h"

#include <algorithm>
#include <cstdint>
#include <span>

inline bool AllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) { return byte == 0; });
}

// The header's length is the payload's; texts end in a NUL inside their areas; numbers stay in
// their ranges.
inline void CheckResult(const MatchResult& result) {
    Require(!result.IsEmpty());
    Require(result.Bytes().size() == MatchResult::kHeaderSize + result.PayloadLength());
    const std::span<const std::uint8_t> payload = result.Payload();
    switch (result.Status()) {
        case AT_VERSION:
        case AT_TEXT:
        case AT_MODEL:
            Require(payload.size() == 64 && payload[63] == 0);
            break;
        case AT_HEX_TEXT:
            Require(payload.size() == 53 && payload[52] == 0);
            break;
        case AT_SCAN_REPORT:
            Require(payload.size() == 71 && payload[70] == 0);
            break;
        case AT_SLOT:
            Require(payload.size() == 71 && payload[0] <= 8 && AllZero(payload.subspan(15)));
            break;
        case AT_INFO:
            Require(payload.size() == 198 && payload[69] == 0 && payload[133] == 0 &&
                    payload[197] == 0);
            break;
        case AT_SR:
            Require(payload.size() == 71 && payload[0] <= 7 && payload[1] <= 8 && payload[2] <= 8 &&
                    AllZero(payload.subspan(3)));
            break;
        default:
            break;
    }
}
