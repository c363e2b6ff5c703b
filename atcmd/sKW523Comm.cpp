#include "sKW523Comm.h"

#include "AtStatus.h"
#include "Matchers.h"
#include "ResponseKind.h"

#include <asio/post.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

bool IsDecisive(std::int32_t status) {
    return status != AT_NO_MATCH && status != AT_INCOMPLETE;
}

}  // namespace

sKW523Comm::sKW523Comm() {
    m_port->m_onReceive = [this](PortChannel::Ptr port, std::error_code& error,
                                 const std::vector<std::uint8_t>& data, unsigned int count) {
        OnPortReceive(std::move(port), error, data, count);
    };
    m_port->m_onWriteComplete = [this](PortChannel::Ptr port, std::error_code& error,
                                       unsigned int bytesWritten) {
        OnPortWriteComplete(std::move(port), error, bytesWritten);
    };
    RegisterMatchers();
}

// The port's callbacks point at this object: the port must be closed before it goes away.
sKW523Comm::~sKW523Comm() {
    Close();
}

// The order of the matchers in a row decides which status an enclosed "\r\nOK\r\n" gets
// (MatchOk and MatchError both accept it), and the module relies on that.
void sKW523Comm::RegisterMatchers() {
    m_matcherTable = {
        {KIND_AT, {MatchOk, MatchError}},
        {KIND_RESET, {MatchReady}},
        {KIND_FACTORY_RESET, {MatchReady}},
        {KIND_SCAN_FILTER, {MatchOk, MatchError}},
        {KIND_START_SCAN, {MatchScanning, MatchError}},
        {KIND_STOP_SCAN, {MatchStopped, MatchError}},
        {KIND_VERSION, {MatchVersion}},
        {KIND_SCAN_REPORT, {MatchScanReport}},
        {KIND_SET_NAME, {MatchOk, MatchError}},
        {KIND_TEXT, {MatchText, MatchError}},
        {KIND_SET_SLOT, {MatchOk, MatchError}},
        {KIND_DEL_SLOT, {MatchOk, MatchError}},
        {KIND_GET_SLOT, {MatchSlot, MatchError}},
        {KIND_ON_OFF, {MatchOnOffText, MatchError}},
        {KIND_ACK_18, {MatchOk, MatchError}},
        {KIND_HEX_TEXT, {MatchHexText, MatchError}},
        {KIND_ACK_20, {MatchOk, MatchError}},
        {KIND_MODEL, {MatchModel, MatchError}},
        {KIND_INFO, {MatchInfo, MatchError}},
        {KIND_GET_ADV_INTERVAL, {MatchNumber, MatchError}},
        {KIND_SET_ADV_INTERVAL, {MatchOk, MatchError}},
        {KIND_SR, {MatchSr, MatchOk, MatchError}},
        {KIND_ACK_25, {MatchOk, MatchError}},
        {KIND_ACK_26, {MatchOk, MatchError}},
        {KIND_SETMODE, {MatchError, MatchSetMode}},
        {KIND_SET_UART, {MatchOk, MatchError}},
        {KIND_SET_FLOW_CONTROL, {MatchOk, MatchError}},
        {KIND_GET_FLOW_CONTROL, {MatchError, MatchFlowControl}},
        {KIND_SET_AUTOCON, {MatchOk, MatchError}},
        {KIND_GET_AUTOCON, {MatchError, MatchAutoCon}},
        {KIND_GET_ROLE, {MatchError, MatchRole}},
        {KIND_SET_ROLE, {MatchOk, MatchError}},
        {KIND_SET_BYPASS, {MatchOk, MatchError}},
        {KIND_GET_BYPASS, {MatchError, MatchBypass}},
        {KIND_SET_CON_MAC, {MatchOk, MatchError}},
    };
}

MatchResult sKW523Comm::SendCommand(std::string_view command, std::int32_t kind,
                                    std::uint32_t timeoutMs) {
    std::lock_guard transaction(m_transactionLock);
    return RunCommand(command, kind, timeoutMs);
}

MatchResult sKW523Comm::RunCommand(std::string_view command, std::int32_t kind,
                                   std::uint32_t timeoutMs) {
    if (!IsOpen()) {
        return MatchResult(AT_NOT_OPEN);
    }
    const TransactionScope scope(*this);
    DiscardReceived();
    m_echo.assign(command.substr(0, command.find('\r')));
    BeforeCommandWrite();
    if (CollectReceived(Clock::now()) < 0) {
        return MatchResult(AT_ABORTED);  // aborted or closed before anything was sent
    }
    m_workBuffer.clear();
    if (!command.empty()) {
        // Dropped if the channel closed meanwhile.
        if (m_recorder != nullptr) {
            m_recorder->Send(command.data(),
                             [&] { return m_port->Write(command.data(), command.size()); });
        } else {
            m_port->Write(command.data(), command.size());
        }
        if (m_transcript) {
            m_transcript(true, m_echo);
        }
    }
    const Clock::time_point deadline = StartClock() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Every complete frame that is there, in order, before waiting again.
        while (!m_workBuffer.empty()) {
            MatchResult match = ExtractAndMatch(kind);
            if (match.IsEmpty()) {
                return MatchResult(AT_NO_RESULT);
            }
            if (IsDecisive(match.Status())) {
                return match;
            }
            if (match.Status() == AT_INCOMPLETE) {
                break;
            }
        }
        const std::int32_t collected = CollectReceived(deadline);
        if (collected < 0) {
            return MatchResult(AT_ABORTED);
        }
        if (collected == 0) {
            return MatchResult(AT_TIMEOUT);
        }
    }
}

std::int32_t sKW523Comm::WaitScanReport(ScanReport& report) {
    std::lock_guard transaction(m_transactionLock);
    if (!IsOpen()) {
        return AT_NOT_OPEN;
    }
    const TransactionScope scope(*this);
    m_echo.clear();
    // The limit is inclusive: a report in the 3000th millisecond still counts.
    const Clock::time_point deadline =
        StartClock() + std::chrono::milliseconds(kScanReportWaitMs + 1);
    // Reports that arrived since the last transaction come first.
    if (CollectReceived(Clock::now()) < 0) {
        return AT_ABORTED;
    }
    for (;;) {
        while (!m_workBuffer.empty()) {
            const MatchResult match = ExtractAndMatch(KIND_SCAN_REPORT);
            if (match.IsEmpty()) {
                return AT_NO_RESULT;
            }
            if (match.Status() == AT_SCAN_REPORT && match.Payload().size() >= sizeof report) {
                std::memcpy(&report, match.Payload().data(), sizeof report);
                return AT_SCAN_REPORT;
            }
            if (match.Status() == AT_INCOMPLETE) {
                break;
            }
            // Anything else (no match, an over-long line) is skipped.
        }
        const std::int32_t collected = CollectReceived(deadline);
        if (collected < 0) {
            return AT_ABORTED;
        }
        if (collected == 0) {
            return AT_TIMEOUT;
        }
    }
}

std::int32_t sKW523Comm::SetScanFilter(const ScanFilter& filter) {
    char command[128] = {};
    if (filter.enabled != 0) {
        // The name area need not hold a NUL when it is full.
        const auto nameLength = static_cast<int>(::strnlen(filter.name, sizeof filter.name));
        std::snprintf(command, sizeof command, "AT+SF=ON,%.*s\r", nameLength, filter.name);
    } else {
        std::snprintf(command, sizeof command, "AT+SF=OFF\r");
    }
    std::lock_guard transaction(m_transactionLock);
    return RunCommand(command, KIND_SCAN_FILTER, kScanFilterTimeoutMs).Status();
}

void sKW523Comm::OnPortReceive(PortChannel::Ptr, std::error_code& error,
                               const std::vector<std::uint8_t>& data, unsigned int count) {
    if (m_recorder != nullptr && !error) {
        m_recorder->Received(data.data(), std::min<std::size_t>(count, data.size()));
    }
    std::unique_lock lock(m_rxLock);
    if (error) {
        // Without an owner's handler nobody else ends the waiting transaction: it ends now, not
        // at its time limit. An owner with a handler aborts it itself, after telling the user.
        m_portFailed = !m_onError;
        ReportPortFailure(error);
        lock.unlock();
        m_rxCond.notify_all();
        return;
    }
    // Until the transaction collects them the buffer keeps at most 1024 bytes; the rest is
    // dropped.
    const std::size_t room = kRxBufferLimit - m_rxBuffer.size();
    const std::size_t taken = std::min({std::size_t{count}, data.size(), room});
    m_rxBuffer.insert(m_rxBuffer.end(), data.begin(),
                      data.begin() + static_cast<std::ptrdiff_t>(taken));
    lock.unlock();
    if (taken > 0) {
        m_rxCond.notify_all();  // the waiting transaction looks at them now, without the lock
    }
}

void sKW523Comm::OnPortWriteComplete(PortChannel::Ptr, std::error_code& error, unsigned int) {
    if (error) {
        {
            std::lock_guard lock(m_rxLock);
            m_portFailed = !m_onError;
        }
        m_rxCond.notify_all();
        ReportPortFailure(error);
    }
}

void sKW523Comm::ReportPortFailure(std::error_code& error) {
    if (m_onError) {
        m_onError(this, error);
        return;
    }
    // Closing from inside the port's own completion would take the lock that the completion
    // holds (the write completion holds the port's write lock), so the close runs as a fresh
    // handler on the I/O thread.
    asio::post(g_ioService.GetIoContext(), [port = m_port] { port->Close(); });
}

AtCmdBase::Clock::time_point sKW523Comm::StartClock() {
    const Clock::time_point now = Clock::now();
    m_lastCommandTime =
        std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count();
    return now;
}
