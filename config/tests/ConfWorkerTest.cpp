#include "ConfWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
constexpr auto kLimit = 10s;

// A fake job runner that records what it ran and can hold a job until released.
class ConfWorkerTest : public ::testing::Test {
protected:
    using Result = std::pair<std::int32_t, std::int32_t>;

    std::optional<JobStatus> Run(ConfJob job, const JobInputs& inputs) {
        std::unique_lock lock(m_lock);
        m_ran.push_back(inputs.deviceName);
        m_cond.notify_all();
        if (job == m_holdJob) {
            m_cond.wait(lock, [this] { return m_released; });
        }
        if (job == JOB_SCAN_REPORT) {
            return std::nullopt;  // stands for a job that reports nothing
        }
        return job == JOB_SET_NAME ? JOB_FAILED : JOB_OK;
    }

    void OnResult(std::int32_t job, std::int32_t status) {
        std::lock_guard lock(m_lock);
        m_results.emplace_back(job, status);
        m_cond.notify_all();
    }

    void OnBusy(bool busy) {
        std::lock_guard lock(m_lock);
        m_busyLog.push_back(busy);
    }

    static JobInputs Named(const std::string& name) {
        JobInputs inputs;
        inputs.deviceName = name;
        return inputs;
    }

    std::vector<Result> WaitForResults(std::size_t count) {
        std::unique_lock lock(m_lock);
        EXPECT_TRUE(m_cond.wait_for(lock, kLimit, [&] { return m_results.size() >= count; }));
        return m_results;
    }

    void WaitUntilRunning(std::size_t jobsStarted) {
        std::unique_lock lock(m_lock);
        EXPECT_TRUE(m_cond.wait_for(lock, kLimit, [&] { return m_ran.size() >= jobsStarted; }));
    }

    void Release() {
        std::lock_guard lock(m_lock);
        m_released = true;
        m_cond.notify_all();
    }

    std::mutex m_lock;
    std::condition_variable m_cond;
    std::vector<std::string> m_ran;
    std::vector<Result> m_results;
    std::vector<bool> m_busyLog;
    ConfJob m_holdJob = JOB_QUIT;
    bool m_released = false;

    ConfWorker m_worker{[this](ConfJob job, const JobInputs& in) { return Run(job, in); },
                        [this](std::int32_t job, std::int32_t st) { OnResult(job, st); },
                        [this](bool busy) { OnBusy(busy); }};
};

TEST_F(ConfWorkerTest, runsJobsInOrderWithTheirOwnInputsAndIgnoresUnknownIds) {
    ASSERT_TRUE(m_worker.Start());
    m_worker.PostJob(JOB_IDENTIFY, false, Named("first"));
    m_worker.PostJob(2, false, Named("unassigned"));
    m_worker.PostJob(16, false, Named("unassigned"));
    m_worker.PostJob(99, false, Named("unknown"));
    m_worker.PostJob(JOB_SCAN_REPORT, false, Named("silent"));
    m_worker.PostJob(JOB_SET_NAME, false, Named("second"));

    const std::vector<Result> results = WaitForResults(2);
    m_worker.Stop();

    EXPECT_EQ(results, (std::vector<Result>{{JOB_IDENTIFY, JOB_OK}, {JOB_SET_NAME, JOB_FAILED}}));
    EXPECT_EQ(m_ran, (std::vector<std::string>{"first", "silent", "second"}));
    // Busy is raised and dropped around every job taken, the ignored ones included.
    EXPECT_EQ(m_busyLog, (std::vector<bool>{true, false, true, false, true, false, true, false,
                                            true, false, true, false}));
    EXPECT_FALSE(m_worker.IsBusy());
}

TEST_F(ConfWorkerTest, postingNeverWaitsAndAnAbortDropsTheRunningJobTheQueueAndTheirResults) {
    m_holdJob = JOB_READ_FULL;
    // The handler wakes the held job, as the page's wakes a waiting transaction.
    m_worker.SetAbortHandler([this] { Release(); });
    ASSERT_TRUE(m_worker.Start());
    m_worker.PostJob(JOB_READ_FULL, false, Named("held"));
    WaitUntilRunning(1);
    // Returns while the job is held; would hang otherwise.
    m_worker.PostJob(JOB_REBOOT, false, Named("queued"));

    EXPECT_TRUE(m_worker.AbortRunningJob(kLimit));
    m_worker.PostJob(JOB_IDENTIFY, false, Named("after"));
    const std::vector<Result> results = WaitForResults(1);
    m_worker.Stop();
    EXPECT_EQ(results, (std::vector<Result>{{JOB_IDENTIFY, JOB_OK}}));
    EXPECT_EQ(m_ran, (std::vector<std::string>{"held", "after"}));
}

TEST_F(ConfWorkerTest, stopAndRestartStartWithAnEmptyQueue) {
    ConfWorker idle{[](ConfJob, const JobInputs&) { return JOB_OK; }, {}};
    idle.Stop();  // never started: harmless
    EXPECT_FALSE(idle.IsRunning());

    ASSERT_TRUE(m_worker.Start());
    EXPECT_FALSE(m_worker.Start());
    m_worker.Stop();
    EXPECT_FALSE(m_worker.IsRunning());

    m_worker.PostJob(JOB_REBOOT, false, Named("stale"));  // queued while stopped
    ASSERT_TRUE(m_worker.Start());
    m_worker.PostJob(JOB_IDENTIFY, false, Named("fresh"));
    const std::vector<Result> results = WaitForResults(1);
    m_worker.Stop();
    EXPECT_EQ(results, (std::vector<Result>{{JOB_IDENTIFY, JOB_OK}}));
    EXPECT_EQ(m_ran, (std::vector<std::string>{"fresh"}));
}

}  // namespace
