#include "ConfWorker.h"

#include <chrono>
#include <utility>

ConfWorker::ConfWorker(JobRunner runner, ResultHandler onResult, BusyHandler onBusy)
    : m_runJob(std::move(runner)), m_onResult(std::move(onResult)), m_onBusy(std::move(onBusy)) {}

ConfWorker::~ConfWorker() {
    Stop();
}

bool ConfWorker::Start() {
    if (m_worker.joinable()) {
        return false;
    }
    {
        std::lock_guard lock(m_jobLock);
        m_jobQueue.clear();  // jobs left from an earlier opening
    }
    // A fixed 1 ms pause before the thread starts, kept from the program this one replaces;
    // nothing relies on it, and the open path's timing stays the same as there.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_worker = std::thread(&ConfWorker::WorkerLoop, this);
    return true;
}

void ConfWorker::Stop() {
    if (m_worker.joinable()) {
        PostJob(JOB_QUIT, true);
        m_worker.join();
    }
    m_busy.store(false);
}

void ConfWorker::PostJob(std::int32_t id, bool clear, JobInputs inputs) {
    {
        std::lock_guard lock(m_jobLock);
        if (clear) {
            m_jobQueue.clear();
        }
        m_jobQueue.push_back(PostedJob{id, std::move(inputs)});
    }
    m_jobCond.notify_all();
}

bool ConfWorker::AbortRunningJob(std::chrono::milliseconds limit) {
    // A job may pass its abort check just before the flag is set and then start a wait the
    // first wake-up missed; waking it again every few milliseconds catches that one too.
    constexpr std::chrono::milliseconds kWakeInterval{2};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(m_jobLock);
    m_jobQueue.clear();
    if (!m_jobRunning) {
        return true;
    }
    m_abortRunning.store(true);
    while (m_jobRunning && std::chrono::steady_clock::now() < deadline) {
        lock.unlock();
        if (m_onAbort) {
            m_onAbort();
        }
        lock.lock();
        m_idleCond.wait_for(lock, kWakeInterval, [this] { return !m_jobRunning; });
    }
    return !m_jobRunning;
}

void ConfWorker::WorkerLoop() {
    std::unique_lock lock(m_jobLock);
    for (;;) {
        m_jobCond.wait(lock, [this] { return !m_jobQueue.empty(); });
        PostedJob job = std::move(m_jobQueue.front());
        m_jobQueue.pop_front();
        if (job.id == JOB_QUIT) {
            return;
        }
        m_jobRunning = true;
        m_abortRunning.store(false);
        lock.unlock();
        MarkBusy(true);
        RunJob(job);
        MarkBusy(false);
        lock.lock();
        m_jobRunning = false;
        m_idleCond.notify_all();
    }
}

void ConfWorker::RunJob(const PostedJob& job) {
    if (!IsKnownJob(job.id)) {
        return;
    }
    const std::optional<JobStatus> status = m_runJob(static_cast<ConfJob>(job.id), job.inputs);
    // Under the job lock, so that a result is either handed over before AbortRunningJob
    // returns or not at all.
    std::lock_guard lock(m_jobLock);
    if (status && m_onResult && !m_abortRunning.load()) {
        m_onResult(job.id, *status);
    }
}

void ConfWorker::MarkBusy(bool busy) {
    m_busy.store(busy);
    if (m_onBusy) {
        m_onBusy(busy);
    }
}
