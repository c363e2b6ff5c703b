#include "NameCounter.h"

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
