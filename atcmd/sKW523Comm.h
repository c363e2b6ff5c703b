#pragma once

#include "AtCmdBase.h"
#include "MatchResult.h"
#include "ScanFilter.h"
#include "ScanReport.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <system_error>
#include <vector>

// The AT command channel of the module family: synchronous transactions over the port, each
// writing one command and waiting for a frame that a matcher of the named response kind
// accepts; the wait wakes as bytes arrive and examines every complete frame at once. Transactions
// may be started from any thread; they never overlap: one started while another runs waits for it
// to end.
class sKW523Comm : public AtCmdBase {
public:
    using ErrorCallback = std::function<void(const sKW523Comm*, std::error_code&)>;

    static constexpr std::uint32_t kScanReportWaitMs = 3000;
    static constexpr std::uint32_t kScanFilterTimeoutMs = 1500;

    sKW523Comm();
    // Closes the channel if its owner has not.
    ~sKW523Comm() override;

    // Writes `command` as given (callers end it with CR) and waits up to `timeoutMs` for an
    // answer of `kind`. Never empty. Status: the deciding matcher's, or AT_NO_RESULT,
    // AT_FRAME_TOO_LONG, AT_TIMEOUT, AT_NOT_OPEN (nothing written) or AT_ABORTED. Frames before
    // the answer are consumed; frames behind it stay for a following WaitScanReport.
    MatchResult SendCommand(std::string_view command, std::int32_t kind, std::uint32_t timeoutMs);
    // Waits up to 3000 ms, sending nothing, for the next scan report; reports that arrived
    // since the last transaction come first. AT_SCAN_REPORT (report filled), AT_TIMEOUT,
    // AT_NOT_OPEN, AT_ABORTED or AT_NO_RESULT.
    std::int32_t WaitScanReport(ScanReport& report);
    // Sends "AT+SF=ON,<name>\r" or "AT+SF=OFF\r" and returns the transaction's status.
    std::int32_t SetScanFilter(const ScanFilter& filter);

    // Called on the I/O thread when a read or write fails while the port is open; set it before
    // Open. After a failed read it runs with the receive lock held, so it must neither start a
    // transaction nor close the channel. Without it the channel closes its port itself.
    ErrorCallback m_onError;

protected:
    // Runs between a command transaction's open check and its write; tests use it to let a
    // Close come in exactly there.
    virtual void BeforeCommandWrite() {}

private:
    void RegisterMatchers();
    void OnPortReceive(PortChannel::Ptr port, std::error_code& error,
                       const std::vector<std::uint8_t>& data, unsigned int count);
    void OnPortWriteComplete(PortChannel::Ptr port, std::error_code& error,
                             unsigned int bytesWritten);
    void ReportPortFailure(std::error_code& error);
    // The transaction itself; m_transactionLock held.
    MatchResult RunCommand(std::string_view command, std::int32_t kind, std::uint32_t timeoutMs);
    Clock::time_point StartClock();

    struct TransactionScope {
        explicit TransactionScope(sKW523Comm& channel) : m_channel(channel) {
            m_channel.BeginTransaction();
        }
        ~TransactionScope() { m_channel.EndTransaction(); }
        TransactionScope(const TransactionScope&) = delete;
        TransactionScope& operator=(const TransactionScope&) = delete;
        sKW523Comm& m_channel;
    };

    std::int64_t m_lastCommandTime = 0;  // steady clock, ns; the running transaction's
    std::mutex m_transactionLock;        // held for the whole of every transaction
};
