#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>

// The bytes the module is going to write, in order, each with the earliest time it may go out.
// An entry never goes out before the one queued ahead of it. Not thread-safe; one owner.
class OutputSchedule {
public:
    using Clock = std::chrono::steady_clock;

    void Add(std::string bytes, Clock::time_point notBefore);
    // Queues the bytes as pieces of 1, 2, 3, 1, 2, 3... bytes, `gap` apart, so the reader
    // receives them in separate reads.
    void AddInPieces(const std::string& bytes, Clock::time_point notBefore, Clock::duration gap);

    bool Empty() const { return m_entries.empty(); }
    // All bytes waiting, over every entry.
    std::size_t Bytes() const { return m_bytes; }
    std::optional<Clock::time_point> NextDue() const;
    std::size_t FrontSize() const { return m_entries.empty() ? 0 : m_entries.front().bytes.size(); }
    // The bytes of the first entry if it is due at `now`.
    std::string* Due(Clock::time_point now);
    // Removes `count` bytes of the first entry, and the entry once it is empty.
    void Consume(std::size_t count);
    void DropFront();
    void Clear();

private:
    struct Entry {
        Clock::time_point due;
        std::string bytes;
    };
    std::deque<Entry> m_entries;
    std::size_t m_bytes = 0;
};
