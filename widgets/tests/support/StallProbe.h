#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>

// How long the window thread went without handling its events: a timer on that thread ticks
// every few milliseconds and the longest gap between two ticks (or between the last tick and
// Longest()) is the longest stall. Create it on the window thread; it measures from Start().
class StallProbe {
public:
    explicit StallProbe(std::chrono::milliseconds interval = std::chrono::milliseconds(5)) {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(interval);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    }

    void Start() {
        m_longestMs = 0;
        m_clock.start();
        m_lastTickMs = 0;
        m_timer.start();
    }
    void Stop() {
        Tick();
        m_timer.stop();
    }
    // The longest gap so far; while running, counting the one still open (a stall that has not
    // ended yet). What happens after Stop does not count.
    qint64 LongestMs() const {
        return m_timer.isActive() ? std::max(m_longestMs, m_clock.elapsed() - m_lastTickMs)
                                  : m_longestMs;
    }

private:
    void Tick() {
        const qint64 now = m_clock.elapsed();
        m_longestMs = std::max(m_longestMs, now - m_lastTickMs);
        m_lastTickMs = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTickMs = 0;
    qint64 m_longestMs = 0;
};
