#pragma once

#include <asio/detail/noncopyable.hpp>
#include <asio/io_context.hpp>

#include <atomic>
#include <thread>
#include <vector>

// Owns one io_context and the single thread that runs it. There is no work guard: the thread
// ends by itself once the context has no more work (every channel on it closed or failed).
class IoServiceExec : private asio::detail::noncopyable {
public:
    IoServiceExec() = default;
    virtual ~IoServiceExec();

    asio::io_context& GetIoContext() { return m_ioContext; }

    // Starts the thread unless a thread object (running or ended) is already held.
    void Start();
    // Joins the thread, then stops the context. Callers close their channels first; never call
    // it on the thread itself.
    void Stop();

private:
    void RunLoop();

    asio::io_context m_ioContext;
    std::vector<std::thread*> m_threads;
    std::atomic<bool> m_stopped{false};
};
