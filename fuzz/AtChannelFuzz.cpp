// The received byte stream through the channel's work buffer, as one transaction fills it read
// by read, bounds it and takes the frames the kind waited for.
//
// Input: byte 0 names the response kind waited for (mod 40), byte 1 how the stream arrives
// (see Arrival), the rest is the stream. The stream's bytes before its first CR stand for the
// command just written, so the module's echo of it occurs.
#include "AtStatus.h"
#include "MatchChecks.h"
#include "sKW523Comm.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

using Bytes = std::span<const std::uint8_t>;
using FrameCut = AtCmdBase::FrameCut;

constexpr std::uint8_t kCr = '\r';
constexpr std::uint8_t kLf = '\n';

// Byte 1 of the input. Normally the stream arrives in reads of 1-64 bytes, or of 1024, and the
// transaction takes every complete frame after each. A flood repeats the stream while the
// transaction does not look, until the work buffer has had to drop bytes; it collects 1024 bytes
// at a time, as much as the receive buffer keeps.
struct Arrival {
    explicit Arrival(std::uint8_t byte)
        : flood((byte & 0x80) != 0),
          readSize(flood || (byte & 0x40) != 0 ? AtCmdBase::kRxBufferLimit : 1 + (byte & 0x3F)) {}
    bool flood;
    std::size_t readSize;
};

// The channel's own steps on its work buffer. One channel serves every input: each input
// starts from an empty buffer, and constructing one opens nothing.
class ChannelUnderTest : public sKW523Comm {
public:
    void Receive(Bytes stream, std::int32_t kind, Arrival arrival) {
        m_echo.assign(stream.begin(), std::find(stream.begin(), stream.end(), kCr));
        m_workBuffer.clear();
        const Bytes arriving = arrival.flood ? Repeated(stream, kFloodBytes) : stream;
        for (std::size_t start = 0; start < arriving.size(); start += arrival.readSize) {
            const Bytes read =
                arriving.subspan(start, std::min(arrival.readSize, arriving.size() - start));
            m_workBuffer.insert(m_workBuffer.end(), read.begin(), read.end());
            BoundWorkBuffer();
            CheckBounds(read);
            if (!arrival.flood) {
                TakeFrames(kind, m_workBuffer.size());
            }
        }
        TakeFrames(kind, arrival.flood ? kFramesAfterFlood : m_workBuffer.size());
    }

private:
    // Past the buffer's limit if the stream holds line ends, far past the partial line's if not.
    static constexpr std::size_t kFloodBytes = kWorkBufferLimit + kRxBufferLimit;
    // Taking the frames of a full buffer one by one moves the buffer each time; a few show
    // that framing resumes after the drop.
    static constexpr std::size_t kFramesAfterFlood = 8;

    // `stream` over and over, `size` bytes in all (none for an empty stream).
    Bytes Repeated(Bytes stream, std::size_t size) {
        m_repeated.resize(stream.empty() ? 0 : size);
        std::size_t filled = std::min(stream.size(), m_repeated.size());
        std::copy_n(stream.begin(), filled, m_repeated.begin());
        while (filled < m_repeated.size()) {
            const std::size_t count = std::min(filled, m_repeated.size() - filled);
            std::copy_n(m_repeated.begin(), count, m_repeated.begin() + filled);
            filled += count;
        }
        return m_repeated;
    }

    // Within both limits, and what arrived last is still there.
    void CheckBounds(Bytes read) const {
        Require(m_workBuffer.size() <= kWorkBufferLimit);
        const auto lineEnd = std::find_if(m_workBuffer.rbegin(), m_workBuffer.rend(),
                                          [](std::uint8_t b) { return b == kCr || b == kLf; });
        Require(static_cast<std::size_t>(lineEnd - m_workBuffer.rbegin()) <= kPartialLineLimit);
        const std::size_t kept = std::min(read.size(), m_workBuffer.size());
        Require(std::equal(read.end() - static_cast<std::ptrdiff_t>(kept), read.end(),
                           m_workBuffer.end() - static_cast<std::ptrdiff_t>(kept)));
    }

    // Every complete frame at the front, as the transaction examines them, up to `limit`.
    void TakeFrames(std::int32_t kind, std::size_t limit) {
        for (std::size_t taken = 0; taken < limit && !m_workBuffer.empty(); ++taken) {
            const std::size_t before = m_workBuffer.size();
            const FrameCut cut = CutNextFrame(m_workBuffer);
            const Bytes frame =
                std::span(m_workBuffer).subspan(cut.frameBegin, cut.frameEnd - cut.frameBegin);
            const bool echo = cut.complete && IsEcho(frame);
            const MatchResult result = ExtractAndMatch(kind);
            CheckResult(result);
            Require(m_workBuffer.size() == before - cut.consumed);
            if (result.Status() == AT_INCOMPLETE) {
                Require(!cut.complete);
                return;
            }
            Require(cut.complete);
            // The echo is never an answer, whatever the kind.
            Require(!echo || result.Status() == AT_NO_MATCH);
        }
    }

    std::vector<std::uint8_t> m_repeated;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    static ChannelUnderTest channel;
    channel.Receive(Bytes(data + 2, size - 2), static_cast<std::int32_t>(data[0] % 40),
                    Arrival(data[1]));
    return 0;
}
