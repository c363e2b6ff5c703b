#pragma once

#include "MatchResult.h"

#include <cstdint>
#include <span>
#include <vector>

// A response matcher: a pure function of one frame (see Matchers.h).
using ResponseMatcher = MatchResult (*)(std::span<const std::uint8_t> frame);

// One row of a channel's response-kind table: the matchers tried, in order, for one kind.
struct MatcherEntry {
    std::int32_t kind = 0;
    std::vector<ResponseMatcher> matchers;
};
