#include "NameCounter.h"

#include <algorithm>

std::optional<unsigned> LocalNameCounter::Take() {
    std::lock_guard guard(m_lock);
    if (!m_returned.empty()) {
        const unsigned number = *m_returned.begin();
        m_returned.erase(m_returned.begin());
        return number;
    }
    return m_next++;
}

void LocalNameCounter::GiveBack(unsigned number) {
    std::lock_guard guard(m_lock);
    m_returned.insert(number);
}

void LocalNameCounter::StartAtLeast(unsigned next) {
    std::lock_guard guard(m_lock);
    m_next = std::max(m_next, next);
    m_returned.erase(m_returned.begin(), m_returned.lower_bound(next));
}
