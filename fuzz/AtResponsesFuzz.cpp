// Feeds arbitrary received bytes through the framer, every matcher and the channel's own
// frame-by-frame matching for one response kind, checking what every step promises.
#include "AtStatus.h"
#include "Matchers.h"
#include "sKW523Comm.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

constexpr ResponseMatcher kAllMatchers[] = {
    MatchOk,         MatchError,       MatchReady,  MatchScanning,  MatchStopped,
    MatchSetMode,    MatchFlowControl, MatchBypass, MatchOnOffText, MatchRole,
    MatchVersion,    MatchText,        MatchModel,  MatchHexText,   MatchNumber,
    MatchScanReport, MatchSlot,        MatchInfo,   MatchSr,        MatchAutoCon,
};

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void CheckLayout(const MatchResult& result) {
    Require(!result.IsEmpty());
    Require(result.Bytes().size() == MatchResult::kHeaderSize + result.PayloadLength());
}

bool AllZero(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        if (byte != 0) {
            return false;
        }
    }
    return true;
}

// Texts end in a NUL inside their areas; numbers stay in their ranges.
void CheckPayload(const MatchResult& result) {
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

void CheckMatchers(std::span<const std::uint8_t> frame) {
    for (const ResponseMatcher matcher : kAllMatchers) {
        const MatchResult result = matcher(frame);
        CheckLayout(result);
        CheckPayload(result);
    }
}

// Cuts the whole stream into frames with the pure framer.
void CheckFramer(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const AtCmdBase::FrameCut cut = AtCmdBase::CutNextFrame(bytes);
        Require(cut.consumed <= bytes.size());
        if (!cut.complete) {
            return;
        }
        Require(cut.frameBegin < cut.frameEnd && cut.frameEnd == cut.consumed);
        CheckMatchers(bytes.subspan(cut.frameBegin, cut.frameEnd - cut.frameBegin));
        bytes = bytes.subspan(cut.consumed);
    }
}

// The channel's own step, fed through its work buffer, for the kind named by the first byte;
// the bytes before the first CR stand for the command just written, so echoes occur.
class ChannelUnderTest : public sKW523Comm {
public:
    void Drain(std::span<const std::uint8_t> bytes, std::int32_t kind) {
        const auto firstCr = std::find(bytes.begin(), bytes.end(), '\r');
        m_echo.assign(bytes.begin(), firstCr);
        m_workBuffer.clear();
        // Arrives in pieces, as wait steps move it, each bounded as a wait step does.
        for (std::size_t start = 0; start < bytes.size(); start += kPiece) {
            const auto piece = bytes.subspan(start, std::min(kPiece, bytes.size() - start));
            m_workBuffer.insert(m_workBuffer.end(), piece.begin(), piece.end());
            BoundWorkBuffer();
            Require(m_workBuffer.size() <= kWorkBufferLimit);
            Require(TailWithoutLineEnd() <= kPartialLineLimit);
        }
        while (!m_workBuffer.empty()) {
            const std::size_t before = m_workBuffer.size();
            const bool echo = FrontFrameIsEcho();
            const MatchResult result = ExtractAndMatch(kind);
            CheckLayout(result);
            CheckPayload(result);
            if (result.Status() == AT_INCOMPLETE) {
                Require(m_workBuffer.size() <= before);
                return;
            }
            Require(m_workBuffer.size() < before);
            // The echo is never an answer, whatever the kind.
            Require(!echo || result.Status() == AT_NO_MATCH);
        }
    }

private:
    static constexpr std::size_t kPiece = 1024;

    std::size_t TailWithoutLineEnd() const {
        const auto end = std::find_if(m_workBuffer.rbegin(), m_workBuffer.rend(),
                                      [](std::uint8_t b) { return b == '\r' || b == '\n'; });
        return static_cast<std::size_t>(end - m_workBuffer.rbegin());
    }
    bool FrontFrameIsEcho() const {
        const FrameCut cut = CutNextFrame(m_workBuffer);
        return cut.complete &&
               IsEcho(std::span(m_workBuffer).subspan(cut.frameBegin, cut.frameEnd - cut.frameBegin));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> bytes(data, size);
    CheckFramer(bytes);
    static ChannelUnderTest channel;
    channel.Drain(bytes.subspan(1), static_cast<std::int32_t>(bytes[0] % 40));
    return 0;
}
