#pragma once

#include "IoServiceExec.h"
#include "MatchResult.h"
#include "MatcherEntry.h"
#include "PortChannel.h"
#include "SessionRecorder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// The process-wide I/O service of the AT channels' ports, and how many channels hold it: the
// first Open starts it, the last Close stops it. Channels open and close on any thread (a
// production station runs several at once); the counter, the start and the stop are guarded by
// g_ioServiceLock.
extern IoServiceExec g_ioService;
extern std::int32_t g_ioServiceUsers;
extern std::mutex g_ioServiceLock;

// The port, the received bytes, the wait for them and the framing of an AT command channel.
// The transactions and the response-kind table are the derived class's.
class AtCmdBase {
public:
    static constexpr std::size_t kRxBufferLimit = 1024;
    static constexpr std::size_t kMinFrameSize = 3;
    static constexpr std::size_t kMaxFrameSize = 255;
    using Clock = std::chrono::steady_clock;
    // What the work buffer keeps at most; beyond it the oldest lines are dropped, and of noise
    // without any line end (a wrong baud rate) only the newest kPartialLineLimit bytes stay.
    static constexpr std::size_t kWorkBufferLimit = 16 * 1024;
    static constexpr std::size_t kPartialLineLimit = 4 * 1024;

    // What CutNextFrame found at the front of a byte range.
    struct FrameCut {
        bool complete = false;  // a frame [frameBegin, frameEnd) was found
        std::size_t frameBegin = 0;
        std::size_t frameEnd = 0;
        std::size_t consumed = 0;  // bytes to drop from the front: what was skipped and the frame
    };

    AtCmdBase();
    virtual ~AtCmdBase();
    AtCmdBase(const AtCmdBase&) = delete;
    AtCmdBase& operator=(const AtCmdBase&) = delete;

    // Owner's thread. A serial device, or a network port (rfc2217://host:port,
    // socket://host:port). Option values as PortChannel::Open takes them; values it rejects give
    // std::errc::invalid_argument.
    std::error_code Open(const std::string& portName, const PortSettings& settings);
    // Owner's thread. A transaction waiting on another thread ends with AT_ABORTED.
    void Close();
    // Any thread: the transaction running now, if any, ends at once with AT_ABORTED; the port
    // stays open and the next transaction runs normally.
    void AbortTransaction();
    // False from the moment the line failed, before the channel has finished closing.
    bool IsOpen() const { return m_port->IsOpen() && !m_portFailed; }
    // Records the bytes written and received into `recorder` (a session file); before Open.
    void SetRecorder(SessionRecorder* recorder) { m_recorder = recorder; }
    // What the channel writes and reads, line by line (see m_transcript); before Open.
    void SetTranscript(std::function<void(bool sent, std::string_view line)> sink) {
        m_transcript = std::move(sink);
    }

    // Framing, pure. A plain frame runs to its first CR ("OK\r"); an enclosed frame starts with
    // CR LF and runs through the next CR LF ("\r\nOK\r\n"), taking one more CR that follows
    // directly. Single CR and LF bytes between frames, one-byte lines and the first CR LF of an
    // empty enclosed line are skipped.
    //
    // Where the frame that begins at `start` ends: after its closing LF for an enclosed frame,
    // at its CR for a plain one; start + 1 for a byte to skip; none while incomplete.
    static std::optional<std::size_t> FindFrameEnd(std::span<const std::uint8_t> bytes,
                                                   std::size_t start);
    // At most one frame from the front of `bytes`.
    static FrameCut CutNextFrame(std::span<const std::uint8_t> bytes);

protected:
    // The transaction's wait: sleeps until bytes arrive (the receive callback wakes it), the
    // transaction is aborted or the channel closed, or `deadline` passes; then moves what
    // arrived into m_workBuffer. Returns -1 once aborted, the size of m_workBuffer if bytes
    // arrived, otherwise 0 (the deadline passed). Never waits when bytes are already there.
    std::int32_t CollectReceived(Clock::time_point deadline);
    // Brackets a transaction, so AbortTransaction reaches only the one that runs.
    void BeginTransaction();
    void EndTransaction();
    bool IsAborted() const;  // m_rxLock held
    // Takes at most one frame out of m_workBuffer and matches it. AT_INCOMPLETE when no complete
    // frame is there; the bytes skipped on the way are dropped either way. The module's echo of
    // the command just written (m_echo) is consumed as AT_NO_MATCH whatever the kind.
    MatchResult ExtractAndMatch(std::int32_t kind);
    // AT_FRAME_TOO_LONG above 255 bytes, AT_NO_MATCH below 3 bytes or when no matcher of the
    // kind's row decides, else the first decisive result (an empty one included).
    MatchResult MatchFrame(std::span<const std::uint8_t> frame, std::int32_t kind) const;
    // Drops every byte received so far, in both buffers.
    void DiscardReceived();
    // Keeps m_workBuffer within kWorkBufferLimit and its unterminated tail within
    // kPartialLineLimit, dropping the oldest bytes.
    void BoundWorkBuffer();
    bool IsEcho(std::span<const std::uint8_t> frame) const;

    PortChannel::Ptr m_port;  // an AnyPortChannel: serial or network by the name opened
    std::vector<std::uint8_t> m_rxBuffer;    // filled on the I/O thread; guarded by m_rxLock
    std::vector<std::uint8_t> m_workBuffer;  // the running transaction's
    std::string m_echo;  // the running command without its CR; empty when nothing was sent
    std::mutex m_rxLock;
    std::condition_variable m_rxCond;
    std::atomic<bool> m_aborted{false};
    // The line failed (a read or write error): the waiting transaction ends at once instead of
    // at its time limit. Set under m_rxLock, so a waiter cannot miss it; cleared by Open.
    std::atomic<bool> m_portFailed{false};
    bool m_transactionRunning = false;  // guarded by m_rxLock
    bool m_abortRequested = false;      // guarded by m_rxLock; for the running transaction only
    std::vector<MatcherEntry> m_matcherTable;  // filled once by the derived constructor
    // Each command written (without its CR) and each frame received, for a unit's transcript.
    // Set before the channel is used; called on the transaction's thread.
    std::function<void(bool sent, std::string_view line)> m_transcript;
    SessionRecorder* m_recorder = nullptr;  // set before Open, read by the I/O thread too

private:
    // Whether this channel counts among g_ioServiceUsers. Kept apart from the port's open flag,
    // since a failed port may close itself on the I/O thread.
    bool m_holdsIoService = false;
};
