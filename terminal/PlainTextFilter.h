#pragma once

#include <string>
#include <string_view>

// Drops ANSI escape sequences (CSI "ESC [ … final", OSC "ESC ] … BEL or ESC \", and the
// two-character ones) and every other control character but the line break and the tab from
// text, for a log that is read as plain text. A sequence may be cut across calls: the filter
// keeps its place in it. Toolkit-free; one instance per stream.
class PlainTextFilter {
public:
    std::u16string Filter(std::u16string_view text);
    void Reset() { m_state = State::kText; }

private:
    enum class State { kText, kEscape, kCsi, kString, kStringEscape };

    bool Keep(char16_t unit);

    State m_state = State::kText;
};
