#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

// The terminal view's text: lines in one buffer with an index of where each starts, at most a
// limit of characters (line breaks included), trimmed by whole lines from the top. Appending
// and trimming cost per character added and per line removed, never per character kept: the
// trimmed front is dropped only once it is half as large as what is kept. Toolkit-free.
class TermTextStore {
public:
    // Appends `text`; '\n' ends a line. Returns the number of whole lines trimmed from the top
    // to stay within the limit; only a last line alone over the limit loses part of itself.
    std::size_t Append(std::u16string_view text);
    // Removes `count` characters from the end (at most all).
    void RemoveBack(std::size_t count);
    void Clear();
    // Sets the limit and trims to it; returns the lines trimmed.
    std::size_t SetLimit(std::size_t characters);
    std::size_t Limit() const { return m_limit; }

    // Characters kept, line breaks included.
    std::size_t Characters() const { return m_text.size() - m_dead; }
    // Lines kept; an empty store, or text ending with '\n', ends in an empty line.
    std::size_t Lines() const { return m_starts.size(); }
    std::u16string_view Line(std::size_t index) const;
    // Lines trimmed from the top since the store was created or cleared: the first line kept is
    // line number TrimmedLines() counted from the first ever appended.
    std::uint64_t TrimmedLines() const { return m_trimmedLines; }
    // The offset of a line's first character in Text().
    std::size_t LineOffset(std::size_t index) const { return m_starts[index] - m_dead; }
    std::u16string Text() const { return m_text.substr(m_dead); }
    // The same without a copy, valid until the store next changes.
    std::u16string_view TextView() const { return std::u16string_view(m_text).substr(m_dead); }
    // The line holding offset `offset` of Text() (a line break belongs to the line it ends).
    std::size_t LineOfOffset(std::size_t offset) const;
    // Characters trimmed from the top since the store was created or cleared.
    std::uint64_t TrimmedCharacters() const { return m_trimmedCharacters; }
    // While set, the text trimmed from the top is appended to `sink` before it goes (for
    // whoever must tell others what went); null stops it.
    void SetTrimmedSink(std::u16string* sink) { m_trimmedSink = sink; }

private:
    std::size_t TrimToLimit();
    void Compact();
    void ReserveFor(std::size_t incoming);

    std::u16string m_text;  // the first m_dead units were trimmed
    std::size_t m_dead = 0;
    std::deque<std::size_t> m_starts{0};  // offset in m_text of each line kept
    std::uint64_t m_trimmedLines = 0;
    std::uint64_t m_trimmedCharacters = 0;
    std::u16string* m_trimmedSink = nullptr;
    std::size_t m_limit = 32767;
};
