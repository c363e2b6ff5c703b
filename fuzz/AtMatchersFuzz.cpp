// One frame, as the framer hands it over, through every response matcher.
#include "AtStatus.h"
#include "MatchChecks.h"
#include "MatcherEntry.h"
#include "Matchers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace {

constexpr ResponseMatcher kAllMatchers[] = {
    MatchOk,         MatchError,       MatchReady,  MatchScanning,  MatchStopped,
    MatchSetMode,    MatchFlowControl, MatchBypass, MatchOnOffText, MatchRole,
    MatchVersion,    MatchText,        MatchModel,  MatchHexText,   MatchNumber,
    MatchScanReport, MatchSlot,        MatchInfo,   MatchSr,        MatchAutoCon,
};

// A text area holds the front of the frame's text, cut at its area or its first NUL.
void CheckTextIsFrameFront(const MatchResult& result, std::span<const std::uint8_t> frame) {
    const std::string text = result.PayloadText(0, result.PayloadLength());
    const std::string_view front(reinterpret_cast<const char*>(frame.data()), frame.size());
    Require(front.starts_with(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> frame(data, size);
    bool scanReport = false;
    bool model = false;
    for (const ResponseMatcher matcher : kAllMatchers) {
        const MatchResult result = matcher(frame);
        CheckResult(result);
        scanReport = scanReport || result.Status() == AT_SCAN_REPORT;
        model = model || result.Status() == AT_MODEL;
        switch (result.Status()) {
            case AT_VERSION:
            case AT_TEXT:
            case AT_MODEL:
            case AT_HEX_TEXT:
                CheckTextIsFrameFront(result, frame);
                break;
            default:
                break;
        }
    }
    // A module still scanning is never taken for the model it was asked for.
    Require(!(scanReport && model));
    return 0;
}
