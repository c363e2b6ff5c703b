#include "AtCmdBase.h"

#include "AtStatus.h"
#include "OpenChecked.h"

#include <algorithm>

IoServiceExec g_ioService;
std::int32_t g_ioServiceUsers = 0;
std::mutex g_ioServiceLock;

namespace {

constexpr std::uint8_t kCr = '\r';
constexpr std::uint8_t kLf = '\n';

std::optional<std::size_t> FindCr(std::span<const std::uint8_t> bytes, std::size_t from) {
    const auto found =
        std::find(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), kCr);
    if (found == bytes.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - bytes.begin());
}

bool IsEmptyEnclosedLine(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == kCr && bytes[1] == kLf && bytes[2] == kCr &&
           bytes[3] == kLf;
}

}  // namespace

AtCmdBase::AtCmdBase() : m_port(std::make_shared<AnyPortChannel>(g_ioService.GetIoContext())) {}

AtCmdBase::~AtCmdBase() = default;

std::error_code AtCmdBase::Open(const std::string& portName, const PortSettings& settings) {
    if (m_holdsIoService && !m_port->IsOpen()) {
        Close();  // the port failed and closed itself; let go of the I/O service first
    }
    // Opening a port gives the I/O thread work; the last Close joins that thread once it has
    // none. Both under one lock, or a port opened meanwhile would keep the join waiting.
    std::lock_guard service(g_ioServiceLock);
    if (const std::error_code error = OpenChecked(*m_port, portName, settings)) {
        return error;
    }
    m_aborted = false;
    m_portFailed = false;
    g_ioService.Start();
    ++g_ioServiceUsers;
    m_holdsIoService = true;
    return {};
}

void AtCmdBase::Close() {
    if (!m_holdsIoService) {
        return;
    }
    {
        std::lock_guard lock(m_rxLock);
        m_aborted = true;
    }
    m_rxCond.notify_all();
    {
        std::lock_guard service(g_ioServiceLock);
        m_port->Close();
        m_holdsIoService = false;
        if (--g_ioServiceUsers == 0) {
            g_ioService.Stop();
        }
    }
    std::lock_guard lock(m_rxLock);
    m_rxBuffer.clear();
}

std::optional<std::size_t> AtCmdBase::FindFrameEnd(std::span<const std::uint8_t> bytes,
                                                   std::size_t start) {
    if (start >= bytes.size()) {
        return std::nullopt;
    }
    if (bytes[start] == kCr) {
        if (bytes.size() - start < 4) {
            return std::nullopt;
        }
        if (bytes[start + 1] != kLf) {
            return start + 1;
        }
        const auto close = FindCr(bytes, start + 2);
        if (!close || *close + 1 == bytes.size()) {
            return std::nullopt;
        }
        return bytes[*close + 1] == kLf ? *close + 2 : start + 1;
    }
    if (bytes[start] == kLf) {
        return start + 1;
    }
    return FindCr(bytes, start);
}

AtCmdBase::FrameCut AtCmdBase::CutNextFrame(std::span<const std::uint8_t> bytes) {
    FrameCut cut;
    std::size_t start = 0;
    for (;;) {
        const auto end = FindFrameEnd(bytes, start);
        if (!end) {
            cut.consumed = start;
            return cut;
        }
        if (*end == start + 1) {
            start = *end;
            continue;
        }
        if (!IsEmptyEnclosedLine(bytes.subspan(start, *end - start))) {
            std::size_t frameEnd = *end;
            if (frameEnd < bytes.size() && bytes[frameEnd] == kCr) {
                ++frameEnd;
            }
            cut.complete = true;
            cut.frameBegin = start;
            cut.frameEnd = frameEnd;
            cut.consumed = frameEnd;
            return cut;
        }
        start += 2;
    }
}

std::int32_t AtCmdBase::CollectReceived(Clock::time_point deadline) {
    std::unique_lock lock(m_rxLock);
    const auto hasNews = [this] { return IsAborted() || m_portFailed || !m_rxBuffer.empty(); };
    // A timed wait whose deadline has passed still sleeps in the kernel until its timer fires,
    // which costs more than a whole round trip on a fast line: look without waiting then.
    if (!hasNews() && Clock::now() < deadline) {
        m_rxCond.wait_until(lock, deadline, hasNews);
    }
    if (IsAborted()) {
        return -1;
    }
    if (m_rxBuffer.empty()) {
        return 0;
    }
    m_workBuffer.insert(m_workBuffer.end(), m_rxBuffer.begin(), m_rxBuffer.end());
    m_rxBuffer.clear();
    BoundWorkBuffer();
    return static_cast<std::int32_t>(m_workBuffer.size());
}

void AtCmdBase::AbortTransaction() {
    {
        std::lock_guard lock(m_rxLock);
        m_abortRequested = m_transactionRunning;
    }
    m_rxCond.notify_all();
}

void AtCmdBase::BeginTransaction() {
    std::lock_guard lock(m_rxLock);
    m_transactionRunning = true;
    m_abortRequested = false;
}

void AtCmdBase::EndTransaction() {
    std::lock_guard lock(m_rxLock);
    m_transactionRunning = false;
    m_abortRequested = false;
}

bool AtCmdBase::IsAborted() const {
    return m_aborted || m_abortRequested;
}

MatchResult AtCmdBase::ExtractAndMatch(std::int32_t kind) {
    if (m_workBuffer.empty()) {
        return MatchResult(AT_INCOMPLETE);
    }
    const FrameCut cut = CutNextFrame(m_workBuffer);
    const auto frame =
        std::span(m_workBuffer).subspan(cut.frameBegin, cut.frameEnd - cut.frameBegin);
    if (cut.complete && m_transcript) {
        m_transcript(false,
                     std::string_view(reinterpret_cast<const char*>(frame.data()), frame.size()));
    }
    MatchResult result = !cut.complete   ? MatchResult(AT_INCOMPLETE)
                         : IsEcho(frame) ? MatchResult(AT_NO_MATCH)
                                         : MatchFrame(frame, kind);
    m_workBuffer.erase(m_workBuffer.begin(),
                       m_workBuffer.begin() + static_cast<std::ptrdiff_t>(cut.consumed));
    return result;
}

MatchResult AtCmdBase::MatchFrame(std::span<const std::uint8_t> frame, std::int32_t kind) const {
    if (frame.size() > kMaxFrameSize) {
        return MatchResult(AT_FRAME_TOO_LONG);
    }
    if (frame.size() < kMinFrameSize) {
        return MatchResult(AT_NO_MATCH);
    }
    for (const MatcherEntry& entry : m_matcherTable) {
        if (entry.kind != kind) {
            continue;
        }
        for (const ResponseMatcher matcher : entry.matchers) {
            MatchResult result = matcher(frame);
            if (result.IsEmpty() || result.Status() != AT_NO_MATCH) {
                return result;
            }
        }
    }
    return MatchResult(AT_NO_MATCH);
}

bool AtCmdBase::IsEcho(std::span<const std::uint8_t> frame) const {
    if (m_echo.empty() || frame.empty() || frame.front() == kCr) {
        return false;
    }
    const auto text = frame.first(std::find(frame.begin(), frame.end(), kCr) - frame.begin());
    return std::equal(text.begin(), text.end(), m_echo.begin(), m_echo.end());
}

void AtCmdBase::BoundWorkBuffer() {
    const auto lineEnd = [](std::uint8_t byte) { return byte == kCr || byte == kLf; };
    const auto lastEnd = std::find_if(m_workBuffer.rbegin(), m_workBuffer.rend(), lineEnd);
    const auto tail = static_cast<std::size_t>(lastEnd - m_workBuffer.rbegin());
    std::size_t drop = 0;
    if (tail > kPartialLineLimit) {
        // Noise without a line end: keep its newest part, and the complete lines before it.
        const std::size_t tailStart = m_workBuffer.size() - tail;
        m_workBuffer.erase(m_workBuffer.begin() + static_cast<std::ptrdiff_t>(tailStart),
                           m_workBuffer.end() - static_cast<std::ptrdiff_t>(kPartialLineLimit));
    }
    if (m_workBuffer.size() > kWorkBufferLimit) {
        // Whole lines go, oldest first, so framing restarts at a line boundary.
        drop = m_workBuffer.size() - kWorkBufferLimit;
        const auto end = std::find_if(m_workBuffer.begin() + static_cast<std::ptrdiff_t>(drop),
                                      m_workBuffer.end(), lineEnd);
        drop =
            end == m_workBuffer.end() ? drop : static_cast<std::size_t>(end - m_workBuffer.begin());
        m_workBuffer.erase(m_workBuffer.begin(),
                           m_workBuffer.begin() + static_cast<std::ptrdiff_t>(drop));
    }
}

void AtCmdBase::DiscardReceived() {
    {
        std::lock_guard lock(m_rxLock);
        m_rxBuffer.clear();
    }
    m_workBuffer.clear();
}
