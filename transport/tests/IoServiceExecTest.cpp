#include "IoServiceExec.h"

#include <asio/post.hpp>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

bool RunsWithin(IoServiceExec& service, std::chrono::milliseconds limit) {
    auto ran = std::make_shared<std::promise<void>>();
    auto done = ran->get_future();
    asio::post(service.GetIoContext(), [ran] { ran->set_value(); });
    return done.wait_for(limit) == std::future_status::ready;
}

}  // namespace

TEST(IoServiceExec, destroyedWithoutEverStarting_doesNothing) {
    IoServiceExec service;
}

TEST(IoServiceExec, workPostedBeforeStart_runsOnceStarted) {
    IoServiceExec service;
    auto ran = std::make_shared<std::promise<std::thread::id>>();
    auto done = ran->get_future();
    asio::post(service.GetIoContext(), [ran] { ran->set_value(std::this_thread::get_id()); });
    service.Start();
    ASSERT_EQ(done.wait_for(5s), std::future_status::ready);
    EXPECT_NE(done.get(), std::this_thread::get_id());
    service.Stop();
}

TEST(IoServiceExec, drainedThread_isReplacedOnlyAfterStop) {
    IoServiceExec service;
    service.Start();  // no work: the thread runs out of work and ends by itself
    std::this_thread::sleep_for(50ms);
    service.Start();  // still holds the ended thread: does nothing
    EXPECT_FALSE(RunsWithin(service, 200ms));

    service.Stop();
    service.Stop();  // second Stop joins nothing
    service.Start();
    EXPECT_TRUE(RunsWithin(service, 5s));
    service.Stop();
}

TEST(IoServiceExec, destroyedAfterDraining_joinsTheEndedThread) {
    auto service = std::make_unique<IoServiceExec>();
    service->Start();
    std::this_thread::sleep_for(20ms);
    service.reset();
}
