#include "PlainTextFilter.h"

namespace {

constexpr char16_t kEscape = 0x1B;
constexpr char16_t kBell = 0x07;

bool IsControl(char16_t unit) {
    return (unit < 0x20 && unit != u'\n' && unit != u'\t') || (unit >= 0x7F && unit <= 0x9F);
}

}  // namespace

std::u16string PlainTextFilter::Filter(std::u16string_view text) {
    std::u16string kept;
    kept.reserve(text.size());
    for (const char16_t unit : text) {
        if (Keep(unit)) {
            kept.push_back(unit);
        }
    }
    return kept;
}

// Steps through one unit of the text; returns whether it is text to keep.
bool PlainTextFilter::Keep(char16_t unit) {
    switch (m_state) {
        case State::kText:
            if (unit == kEscape) {
                m_state = State::kEscape;
                return false;
            }
            return !IsControl(unit);
        case State::kEscape:
            // "ESC [" starts a control sequence, "ESC ]", "ESC P", "ESC _" a string ended by BEL
            // or "ESC \"; any other character ends a two-character sequence.
            m_state = unit == u'[' ? State::kCsi
                      : (unit == u']' || unit == u'P' || unit == u'_' || unit == u'^')
                          ? State::kString
                          : State::kText;
            return false;
        case State::kCsi:
            if (unit >= 0x40 && unit <= 0x7E) {
                m_state = State::kText;
            }
            return false;
        case State::kString:
            if (unit == kBell) {
                m_state = State::kText;
            } else if (unit == kEscape) {
                m_state = State::kStringEscape;
            }
            return false;
        case State::kStringEscape:
            m_state = unit == u'\\' ? State::kText : State::kString;
            return false;
    }
    return false;
}
