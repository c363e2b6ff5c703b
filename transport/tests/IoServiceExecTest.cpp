#include "IoServiceExec.h"

#include <gtest/gtest.h>
#include <asio/post.hpp>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Posts a handler now; the returned future is ready once the runner's thread has run it.
std::future<void> PostProbe(IoServiceExec& service) {
    auto ran = std::make_shared<std::promise<void>>();
    asio::post(service.GetIoContext(), [ran] { ran->set_value(); });
    return ran->get_future();
}

}  // namespace

TEST(IoServiceExec, stopBeforeAnyStart_doesNotKeepTheContextStopped) {
    IoServiceExec service;
    service.Stop();  // stops the context although no thread ever ran it
    auto posted = PostProbe(service);
    service.Start();
    EXPECT_EQ(posted.wait_for(5s), std::future_status::ready);
    service.Stop();
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
    auto first = PostProbe(service);
    service.Start();
    ASSERT_EQ(first.wait_for(5s), std::future_status::ready);
    std::this_thread::sleep_for(50ms);  // the thread is past its last handler: let it return
    service.Start();                    // still holds the ended thread: does nothing
    auto waiting = PostProbe(service);
    EXPECT_EQ(waiting.wait_for(200ms), std::future_status::timeout);

    service.Stop();
    service.Stop();  // second Stop joins nothing
    auto posted = PostProbe(service);
    service.Start();
    EXPECT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(posted.wait_for(5s), std::future_status::ready);
    service.Stop();
}

TEST(IoServiceExec, stop_waitsForAHandlerThatIsStillRunning) {
    IoServiceExec service;
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> finished{false};
    asio::post(service.GetIoContext(), [&entered, released, &finished] {
        entered.set_value();
        released.wait();
        finished = true;
    });
    service.Start();
    ASSERT_EQ(entered.get_future().wait_for(5s), std::future_status::ready);
    // What the handler had done when Stop returned: a thread left running would not be done.
    auto finishedWhenStopped = std::async(std::launch::async, [&service, &finished] {
        service.Stop();
        return finished.load();
    });
    // Stop must not return while the handler runs; a thread it left running would let it.
    EXPECT_EQ(finishedWhenStopped.wait_for(200ms), std::future_status::timeout);
    release.set_value();
    EXPECT_TRUE(finishedWhenStopped.get());
}
