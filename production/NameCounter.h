#pragma once

#include <mutex>
#include <optional>
#include <set>

// Where a production run takes each unit's number for its name's counter. A number is taken
// when a unit's apply starts and never given to two units; a unit that ends before its name was
// written gives its number back, and the smallest number given back goes to the next unit, so
// the names of a run stay without gaps.
class NameCounter {
public:
    virtual ~NameCounter() = default;
    // Nothing when the counter cannot be reached (a line's database that is down).
    virtual std::optional<unsigned> Take() = 0;
    virtual void GiveBack(unsigned number) = 0;
};

// The counter of one station's run, in memory. Any thread.
class LocalNameCounter : public NameCounter {
public:
    explicit LocalNameCounter(unsigned first) : m_next(first) {}
    // No number below `next` is taken from here on (those of an earlier run's report).
    void StartAtLeast(unsigned next);
    std::optional<unsigned> Take() override;
    void GiveBack(unsigned number) override;

private:
    std::mutex m_lock;  // guards both below
    unsigned m_next;
    std::set<unsigned> m_returned;
};
