#pragma once

#include "ConfJobRunner.h"
#include "Connection.h"
#include "ModelRules.h"
#include "SessionOutcome.h"
#include "SessionTexts.h"
#include "sKW523Comm.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// One connection to a module, worked through the configuration page's jobs in the order the
// page runs them: identification, the model's read job, then the commands. The jobs run on the
// caller's thread, one at a time; the channel's I/O thread is the only other thread.
class ModuleSession {
public:
    // `stopRequested` (may be null) is set by SIGINT/SIGTERM; it is honoured only between
    // jobs, so a job's commands are always sent together.
    explicit ModuleSession(const SessionTexts& texts,
                           const std::atomic<bool>* stopRequested = nullptr)
        : m_texts(texts), m_stopRequested(stopRequested) {}
    ~ModuleSession() { m_comm.Close(); }
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    // Every line the session writes and reads, as it goes (before Connect).
    void SetTranscript(std::function<void(bool sent, std::string_view line)> sink) {
        m_comm.SetTranscript(std::move(sink));
    }

    // Opens the port (8 data bits, no parity, one stop bit, no flow control), identifies the
    // module and reads it.
    Step Connect(const Connection& connection);
    // Identifies and reads the module again, as the page does after most settings.
    Step Refresh();

    // Runs one job. Scan jobs whose scan state does not match report JOB_FAILED.
    JobStatus Run(ConfJob job, const JobInputs& inputs = {});
    // The port failed (a read or write error closed it) since it was opened.
    bool PortFailed() const { return !m_comm.IsOpen(); }
    Failure PortError() const;

    // What a failed setting or command means, told apart as the page tells it: it
    // identifies the module again after a plain failure. `failed` is the failure's message.
    Failure AfterFailure(JobStatus status, const std::string& failed);

    // Sends the scan stop (with the filter switched off) and leaves the scan state idle.
    JobStatus StopScan();

    // The interruption failure once a stop was asked for; nothing otherwise.
    Step Interruption() const;

    // Lets go of the module as the window does: a module the read job put into its setting
    // mode is restarted ("ATZ") so that it works again. An unconfirmed restart is the outcome
    // only when nothing failed before; `failed` is what the command ends with so far.
    Step Leave(Step failed);

    // A command that only reads: connects, honours a stop asked for meanwhile, and lets go of
    // the module (Connect, Interruption, Leave).
    Step ReadAndLeave(const Connection& connection);

    // Whether the page offers the controls of `group` for this model and the role last read,
    // or the role byte given.
    bool Offers(ControlGroup group) const { return Offers(group, Module().role); }
    bool Offers(ControlGroup group, std::uint8_t role) const;

    std::string Model() const { return m_jobs.Model(); }
    ModuleState Module() const { return m_jobs.Module(); }
    ConfJob ReadJob() const { return m_readJob; }
    ScanReport LastScanReport() const { return m_jobs.LastScanReport(); }
    void SetScanState(ScanState state) { m_jobs.SetScanState(state); }

private:
    Step Identify();
    Step Read();

    const SessionTexts& m_texts;
    const std::atomic<bool>* m_stopRequested;
    SessionRecorder m_recorder;  // before the channel, which records into it until it closes
    sKW523Comm m_comm;
    ConfJobRunner m_jobs{m_comm};
    std::optional<std::string> m_expectedModel;
    ConfJob m_readJob = JOB_READ_FULL;
    bool m_inSetMode = false;  // a read job succeeded and no restart followed
};
