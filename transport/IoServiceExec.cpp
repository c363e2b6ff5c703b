#include "IoServiceExec.h"

#include <exception>

IoServiceExec::~IoServiceExec() { Stop(); }

void IoServiceExec::Start() {
    if (!m_threads.empty()) {
        return;
    }
    m_stopped = false;
    m_ioContext.restart();
    m_threads.push_back(new std::thread(&IoServiceExec::RunLoop, this));
}

void IoServiceExec::Stop() {
    if (!m_stopped) {
        m_stopped = true;
        for (std::thread* thread : m_threads) {
            thread->join();
            delete thread;
        }
        m_threads.clear();
    }
    if (!m_ioContext.stopped()) {
        m_ioContext.stop();
    }
}

void IoServiceExec::RunLoop() {
    try {
        while (!m_stopped) {
            m_ioContext.run();
            if (m_ioContext.stopped()) {
                break;
            }
        }
    } catch (const std::exception&) {
        // An escaped handler exception ends this thread; the next Stop/Start brings a new one.
    }
}
