#include "TermTextStore.h"

#include <algorithm>

namespace {

// A trimmed front smaller than this is kept until later, so a small view never compacts often.
constexpr std::size_t kCompactAtLeast = 64 * 1024;

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::size_t TermTextStore::Append(std::u16string_view text) {
    ReserveFor(text.size());
    const std::size_t from = m_text.size();
    m_text.append(text);
    for (std::size_t index = text.find(u'\n'); index != std::u16string_view::npos;
         index = text.find(u'\n', index + 1)) {
        m_starts.push_back(from + index + 1);
    }
    return TrimToLimit();
}

std::size_t TermTextStore::TrimToLimit() {
    if (Characters() <= m_limit) {
        return 0;
    }
    const std::size_t keepFrom = m_text.size() - m_limit;  // the first offset that may stay
    std::size_t lines = 0;
    while (m_starts.size() > 1 && m_starts.front() < keepFrom) {
        m_starts.pop_front();
        ++lines;
    }
    if (m_starts.front() < keepFrom) {
        // The last line alone is over the limit: it keeps its newest characters.
        std::size_t cut = keepFrom;
        if (cut < m_text.size() && IsLowSurrogate(m_text[cut])) {
            ++cut;
        }
        m_starts.front() = cut;
    }
    if (m_trimmedSink != nullptr) {
        m_trimmedSink->append(m_text, m_dead, m_starts.front() - m_dead);
    }
    m_trimmedCharacters += m_starts.front() - m_dead;
    m_dead = m_starts.front();
    m_trimmedLines += lines;
    Compact();
    return lines;
}

// The buffer is taken once at its full size (the limit, half of it trimmed and not given back
// yet, and room for the turns coming in): growing it by doubling would copy all of it, a stall of
// tens of milliseconds at the largest limit. The system provides its pages as they are first
// written, so the room costs nothing until it is used.
void TermTextStore::ReserveFor(std::size_t incoming) {
    const std::size_t wanted = 2 * m_limit + 2 * kCompactAtLeast + incoming;
    if (m_text.size() + incoming > m_text.capacity()) {
        m_text.reserve(std::max(wanted, m_text.size() + incoming));
    }
}

// Moves what is kept to the front of the buffer once the trimmed front is half as large: a
// character appended is moved at most twice on average, and the buffer stays within about twice
// the limit (it keeps its size for the next round rather than being allocated again).
void TermTextStore::Compact() {
    if (m_dead < kCompactAtLeast || m_dead * 2 < Characters()) {
        return;
    }
    m_text.erase(0, m_dead);
    for (std::size_t& start : m_starts) {
        start -= m_dead;
    }
    m_dead = 0;
}

void TermTextStore::RemoveBack(std::size_t count) {
    const std::size_t size = m_text.size() - std::min(count, Characters());
    m_text.resize(size);
    while (m_starts.size() > 1 && m_starts.back() > size) {
        m_starts.pop_back();
    }
}

void TermTextStore::Clear() {
    m_text.clear();
    m_text.shrink_to_fit();
    m_dead = 0;
    m_starts.assign(1, 0);
    m_trimmedLines = 0;
    m_trimmedCharacters = 0;
}

std::size_t TermTextStore::SetLimit(std::size_t characters) {
    m_limit = std::max<std::size_t>(1, characters);
    return TrimToLimit();
}

std::u16string_view TermTextStore::Line(std::size_t index) const {
    const std::size_t start = m_starts[index];
    const std::size_t end = index + 1 < m_starts.size() ? m_starts[index + 1] - 1 : m_text.size();
    return std::u16string_view(m_text).substr(start, end - start);
}

std::size_t TermTextStore::LineOfOffset(std::size_t offset) const {
    // The last line starting at or before the offset.
    const auto after = std::upper_bound(m_starts.begin() + 1, m_starts.end(), offset + m_dead);
    return static_cast<std::size_t>(after - m_starts.begin()) - 1;
}
