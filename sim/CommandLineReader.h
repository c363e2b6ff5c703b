#pragma once

#include <string>
#include <string_view>
#include <vector>

// Cuts the bytes the module receives into command lines. A CR ends a line; an LF right after a
// line end is dropped (terminal programs that send CR LF); backspace and DEL remove the last
// byte, for a person typing. A line longer than kMaxLineBytes is cut and flagged.
class CommandLineReader {
public:
    static constexpr std::size_t kMaxLineBytes = 255;

    struct Line {
        std::string text;
        bool tooLong = false;
        bool operator==(const Line&) const = default;
    };

    std::vector<Line> Feed(std::string_view bytes);

private:
    void Append(char byte);

    Line m_current;
    bool m_atLineStart = true;
};
