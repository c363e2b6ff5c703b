// The received byte stream through the pure framer, frame by frame, and as it looked before
// all of it had arrived.
#include "AtCmdBase.h"
#include "Require.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace {

using Bytes = std::span<const std::uint8_t>;
using FrameCut = AtCmdBase::FrameCut;

constexpr std::uint8_t kCr = '\r';
constexpr std::uint8_t kLf = '\n';

// A plain frame is its text and the CR that ends it; an enclosed one is CR LF, a text without
// CR, CR LF and perhaps one more CR. Texts are never empty, plain ones at least two bytes.
void CheckFrameShape(Bytes frame) {
    Require(frame.size() >= AtCmdBase::kMinFrameSize);
    if (frame[0] != kCr) {
        Require(frame[0] != kLf && std::find(frame.begin(), frame.end(), kCr) == frame.end() - 1);
        return;
    }
    Require(frame[1] == kLf);
    const auto close = std::find(frame.begin() + 2, frame.end(), kCr);
    Require(close > frame.begin() + 2 && frame.end() - close >= 2 && close[1] == kLf);
    const auto after = frame.end() - (close + 2);
    Require(after == 0 || (after == 1 && frame.back() == kCr));
}

// A cut made when only `arrived` bytes were there agrees with the cut made on all of them:
// the channel drops skipped bytes at once, so they must stay skipped; a frame found early is
// the same frame, except that an enclosed one may later take one more CR.
void CheckEarlierCut(Bytes bytes, const FrameCut& full, std::size_t arrived) {
    const FrameCut early = AtCmdBase::CutNextFrame(bytes.first(arrived));
    if (!early.complete) {
        Require(early.consumed <= (full.complete ? full.frameBegin : full.consumed));
        return;
    }
    Require(full.complete && early.frameBegin == full.frameBegin);
    Require(early.frameEnd == full.frameEnd ||
            (early.frameEnd + 1 == full.frameEnd && bytes[early.frameEnd] == kCr));
}

void CheckFramer(Bytes bytes) {
    while (!bytes.empty()) {
        const FrameCut cut = AtCmdBase::CutNextFrame(bytes);
        Require(cut.consumed <= bytes.size());
        if (!cut.complete) {
            CheckEarlierCut(bytes, cut, bytes.size() - 1);
            return;
        }
        Require(cut.frameBegin < cut.frameEnd && cut.frameEnd == cut.consumed);
        CheckFrameShape(bytes.subspan(cut.frameBegin, cut.frameEnd - cut.frameBegin));
        for (const std::size_t arrived :
             {cut.frameBegin, (cut.frameBegin + cut.frameEnd) / 2, cut.frameEnd - 1}) {
            CheckEarlierCut(bytes, cut, arrived);
        }
        bytes = bytes.subspan(cut.consumed);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckFramer(Bytes(data, size));
    return 0;
}
