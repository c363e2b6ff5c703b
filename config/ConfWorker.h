#pragma once

#include "ConfJob.h"
#include "JobInputs.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// The configuration page's worker: a queue of jobs, each with the inputs captured when it was
// posted, run one at a time on one thread. The job lock guards the queue only and is released
// while a job runs, so PostJob never waits for a job. AbortRunningJob ends the running job at
// its next step and drops its result, so the window thread never waits behind a job either.
//
// Owned by the page; Start, Stop and PostJob are called on the page's (window) thread only.
class ConfWorker {
public:
    // Runs one job; returns the status to report, or nothing when the job reports nothing.
    using JobRunner = std::function<std::optional<JobStatus>(ConfJob job, const JobInputs&)>;
    // Called on the worker thread with the job lock held: hand the values over (a queued call
    // to the window thread), never post a job or wait for the window thread from here.
    using ResultHandler = std::function<void(std::int32_t job, std::int32_t status)>;
    // Called on the worker thread when it sets (true) or clears (false) the busy flag.
    using BusyHandler = std::function<void(bool busy)>;
    // Called on the aborting thread: wake the running job from whatever it waits on (the AT
    // channel's transaction, a pause). The job then sees JobAborted() at its next step.
    using AbortHandler = std::function<void()>;

    explicit ConfWorker(JobRunner runner, ResultHandler onResult, BusyHandler onBusy = {});
    ~ConfWorker();
    ConfWorker(const ConfWorker&) = delete;
    ConfWorker& operator=(const ConfWorker&) = delete;

    // Empties the queue and starts the thread. False if it already runs.
    bool Start();
    // Posts JOB_QUIT with the queue cleared, joins the thread and clears the busy flag.
    // Harmless when the thread does not run.
    void Stop();
    bool IsRunning() const { return m_worker.joinable(); }

    // Appends a job, dropping the queued ones first when `clear` is set. Never waits for a job.
    void PostJob(std::int32_t id, bool clear, JobInputs inputs = {});

    void SetAbortHandler(AbortHandler onAbort) { m_onAbort = std::move(onAbort); }
    // Drops the queued jobs, aborts the running one (its result is never reported) and waits
    // for it to end, calling the abort handler again every few milliseconds in case the job was
    // between two steps when asked. Returns false if the job still runs after `limit`.
    bool AbortRunningJob(std::chrono::milliseconds limit);
    // Any thread: the job running now has been aborted; it should stop at its next step.
    bool JobAborted() const { return m_abortRunning.load(); }

    // Set from a job being taken until it has ended; the page also sets it when it hands work
    // over and clears it when the result has been handled.
    bool IsBusy() const { return m_busy.load(); }
    void SetBusy(bool busy) { m_busy.store(busy); }

private:
    struct PostedJob {
        std::int32_t id = 0;
        JobInputs inputs;
    };

    void WorkerLoop();
    void RunJob(const PostedJob& job);
    void MarkBusy(bool busy);

    const JobRunner m_runJob;
    const ResultHandler m_onResult;
    const BusyHandler m_onBusy;
    AbortHandler m_onAbort;  // set before Start

    std::mutex m_jobLock;  // guards m_jobQueue and m_jobRunning; not held while a job runs
    std::condition_variable m_jobCond;   // a job was posted
    std::condition_variable m_idleCond;  // the running job ended
    std::deque<PostedJob> m_jobQueue;
    bool m_jobRunning = false;
    std::atomic<bool> m_abortRunning{false};  // reset by the worker when it takes a job
    std::atomic<bool> m_busy{false};
    std::thread m_worker;  // touched by the owner's thread only
};
