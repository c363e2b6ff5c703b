#include "PortPattern.h"

#include "NetworkChannel.h"

#include <algorithm>

#include <cstddef>

namespace {

// One bracket set of a shell pattern, "[abc]", "[a-z]" or "[!x]", at `p` (just after '[').
// Returns whether `c` is in it and moves `p` past the closing ']'; an unclosed '[' is a literal.
bool MatchesSet(const std::string& pattern, std::size_t& p, char c) {
    const std::size_t open = p;
    const bool negated = p < pattern.size() && (pattern[p] == '!' || pattern[p] == '^');
    std::size_t i = negated ? p + 1 : p;
    bool found = false;
    bool first = true;
    for (; i < pattern.size() && (first || pattern[i] != ']'); ++i, first = false) {
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            found = found || (pattern[i] <= c && c <= pattern[i + 2]);
            i += 2;
        } else {
            found = found || pattern[i] == c;
        }
    }
    if (i >= pattern.size()) {
        p = open;
        return c == '[';
    }
    p = i + 1;
    return found != negated;
}

}  // namespace

bool MatchesPortPattern(const std::string& pattern, const std::string& text) {
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starP = std::string::npos;
    std::size_t starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starT = t;
            continue;
        }
        if (p < pattern.size()) {
            std::size_t next = p + 1;
            bool matched = false;
            if (pattern[p] == '?') {
                matched = true;
            } else if (pattern[p] == '[') {
                matched = MatchesSet(pattern, next, text[t]);
            } else {
                matched = pattern[p] == text[t];
            }
            if (matched) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starP == std::string::npos) {
            return false;
        }
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::vector<std::string> PortListEntries(const std::string& list) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) {
            entries.push_back(list.substr(start, comma - start));
        }
        start = comma + 1;
    }
    return entries;
}

bool MatchesPortList(const std::string& list, const std::string& port) {
    const auto entries = PortListEntries(list);
    return std::any_of(entries.begin(), entries.end(), [&port](const std::string& entry) {
        return MatchesPortPattern(entry, port);
    });
}

std::vector<std::string> NetworkPortsIn(const std::string& list) {
    std::vector<std::string> ports;
    for (const std::string& entry : PortListEntries(list)) {
        if (IsNetworkPort(entry)) {
            ports.push_back(entry);
        }
    }
    return ports;
}
