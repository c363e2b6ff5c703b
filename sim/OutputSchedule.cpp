#include "OutputSchedule.h"

#include <algorithm>

void OutputSchedule::Add(std::string bytes, Clock::time_point notBefore) {
    if (bytes.empty()) {
        return;
    }
    const Clock::time_point due =
        m_entries.empty() ? notBefore : std::max(notBefore, m_entries.back().due);
    m_bytes += bytes.size();
    m_entries.push_back({due, std::move(bytes)});
}

void OutputSchedule::AddInPieces(const std::string& bytes, Clock::time_point notBefore,
                                 Clock::duration gap) {
    std::size_t size = 1;
    for (std::size_t start = 0; start < bytes.size(); start += size, size = size % 3 + 1) {
        Add(bytes.substr(start, size), notBefore);
        notBefore = m_entries.back().due + gap;
    }
}

std::optional<OutputSchedule::Clock::time_point> OutputSchedule::NextDue() const {
    if (m_entries.empty()) {
        return std::nullopt;
    }
    return m_entries.front().due;
}

std::string* OutputSchedule::Due(Clock::time_point now) {
    if (m_entries.empty() || m_entries.front().due > now) {
        return nullptr;
    }
    return &m_entries.front().bytes;
}

void OutputSchedule::Consume(std::size_t count) {
    std::string& front = m_entries.front().bytes;
    count = std::min(count, front.size());
    m_bytes -= count;
    front.erase(0, count);
    if (front.empty()) {
        m_entries.pop_front();
    }
}

void OutputSchedule::DropFront() {
    m_bytes -= m_entries.front().bytes.size();
    m_entries.pop_front();
}

void OutputSchedule::Clear() {
    m_entries.clear();
    m_bytes = 0;
}
