#pragma once

#include "ConfJob.h"
#include "JobInputs.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// The configuration page's worker: a queue of jobs, each with the inputs captured when it was
// posted, run one at a time on one thread. The job lock is held for the whole of a job, so
// PostJob waits while a job runs; the owner closes the AT channel before it stops the worker,
// which makes a running job end at once.
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

    // Appends a job, dropping the queued ones first when `clear` is set. Waits while a job runs.
    void PostJob(std::int32_t id, bool clear, JobInputs inputs = {});

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

    std::mutex m_jobLock;  // guards m_jobQueue; held by the worker for the whole of a job
    std::condition_variable m_jobCond;
    std::deque<PostedJob> m_jobQueue;
    std::atomic<bool> m_busy{false};
    std::thread m_worker;  // touched by the owner's thread only
};
