#pragma once

#include <string>

// The shell's pattern match for port paths ('*', '?', bracket sets "[a-z]" and "[!x]"; '*'
// crosses '/'), the same on every system: the production watch's --ports.
bool MatchesPortPattern(const std::string& pattern, const std::string& port);
