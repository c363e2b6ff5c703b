#pragma once

#include "ConfJob.h"
#include "JobInputs.h"
#include "MatchResult.h"
#include "ModuleState.h"
#include "ResponseKind.h"
#include "ScanReport.h"
#include "ScanState.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

class sKW523Comm;

// One AT transaction of a job: the command (a printf format where it takes arguments), the
// response kind it waits for, its time limit and the status that counts as success.
struct Transaction {
    const char* command;
    ResponseKind kind;
    std::uint32_t limitMs;
    std::int32_t expected;
};

// The configuration jobs as sequences of AT transactions on the page's channel. Run is called
// on the worker thread, one job at a time; what the jobs read is kept here and published when
// each job ends, so the window thread reads it through the accessors after the job's result.
class ConfJobRunner {
public:
    explicit ConfJobRunner(sKW523Comm& comm);

    // Performs one job; nothing when the job reports no result (a scan job whose scan state
    // does not match, JOB_QUIT or an unknown id).
    std::optional<JobStatus> Run(ConfJob job, const JobInputs& inputs);

    // JOB_OK, JOB_FAILED, JOB_UNSUPPORTED or JOB_OTHER_DEVICE. Worker thread.
    JobStatus VerifyModel();
    // Whether the last transaction's answer was read, whatever it said; false when it was lost,
    // cut short or drowned in noise: a failed job then may not have reached the module at all.
    // Worker thread.
    bool LastAnswerWasRead() const;

    // Any thread: copies of the values as the last finished job left them.
    ModuleState Module() const;
    std::string Model() const;
    ScanReport LastScanReport() const;

    // Asked before every transaction and pause of a job: once it says true, the rest of the
    // running job is skipped (transactions give AT_ABORTED). Set before the worker starts.
    void SetAbortCheck(std::function<bool()> aborted) { m_aborted = std::move(aborted); }
    // Any thread: wakes the running job's transaction or pause, so it sees the abort check.
    void WakeForAbort();

    // Written by the worker (IDLE -> RUNNING) and by the window thread (the other moves).
    ScanState GetScanState() const { return m_scanState.load(); }
    void SetScanState(ScanState state) { m_scanState.store(state); }

private:
    std::optional<JobStatus> Dispatch(ConfJob job, const JobInputs& inputs);
    void Publish();

    // The jobs.
    JobStatus Identify();
    JobStatus ReadFull();
    JobStatus ReadMaster();
    JobStatus ReadSlave();
    JobStatus ReadyAfter(const Transaction& command);
    JobStatus WriteSlots(const SlotArray& slots);
    std::optional<JobStatus> ScanStart(const JobInputs& inputs);
    std::optional<JobStatus> ScanReportJob();
    std::optional<JobStatus> ScanStop();
    JobStatus SetName(const std::string& name);
    JobStatus SetNumber(const Transaction& command, std::uint32_t number);
    JobStatus SetUart(std::uint32_t flowControl, std::uint32_t baudRate);
    JobStatus SetAutoCon(int autoConIndex);
    JobStatus SetRole(int roleIndex);
    JobStatus SetMaster(const BdAddr& address);

    // One helper per transaction; false when the answer is not the expected one.
    bool CheckAlive();
    bool ReadModel();
    void StopScanQuietly();
    bool ReadFirmware();
    bool ReadInfo();
    JobStatus EnterSetMode();
    bool ReadAutoCon();
    bool ReadNumber(const Transaction& query, std::uint16_t& into);
    bool ReadFlow();
    bool ReadRole();
    bool ReadBypass();
    bool ReadSlot(unsigned number);
    bool WriteSlot(unsigned number, const SlotEntry& entry);
    std::int32_t SetScanFilter(bool on, const std::string& name);

    // The transaction primitives.
    MatchResult Exchange(const Transaction& t, std::string_view command);
    MatchResult Exchange(const Transaction& t) { return Exchange(t, t.command); }
    template <typename... Args>
    MatchResult ExchangeFormatted(const Transaction& t, Args... args);
    bool Expect(const Transaction& t, MatchResult& answer);
    template <typename... Args>
    bool Succeeds(const Transaction& t, Args... args);
    static JobStatus OkIf(bool success) { return success ? JOB_OK : JOB_FAILED; }
    void Pause(std::chrono::milliseconds pause);
    bool Aborted() const { return m_aborted && m_aborted(); }
    bool InSetMode() const;

    sKW523Comm& m_comm;
    std::function<bool()> m_aborted;
    std::mutex m_pauseLock;  // pairs with m_pauseCond; guards nothing else
    std::condition_variable m_pauseCond;
    std::atomic<ScanState> m_scanState{SCAN_IDLE};

    // The worker's own copies, touched by the running job only.
    ModuleState m_dev;
    std::string m_model;
    std::int32_t m_lastAnswer = 0;
    ScanReport m_scanReport;

    mutable std::mutex m_publishLock;  // guards the three below
    ModuleState m_publishedDev;
    std::string m_publishedModel;
    ScanReport m_publishedReport;
};
