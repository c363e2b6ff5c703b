#pragma once

#include <string>
#include <vector>

// The shell's pattern match for port paths ('*', '?', bracket sets "[a-z]" and "[!x]"; '*'
// crosses '/'), the same on every system: the production watch's --ports.
bool MatchesPortPattern(const std::string& pattern, const std::string& port);

// The production watch's --ports: one or more entries separated by commas, each a pattern or
// the name of a port exported over the network (rfc2217://host:port, socket://host:port).
// A network port cannot be seen to appear: it counts as listed for as long as the watch runs, and
// the module behind it is taken once, when the watch starts.
std::vector<std::string> PortListEntries(const std::string& list);
bool MatchesPortList(const std::string& list, const std::string& port);
std::vector<std::string> NetworkPortsIn(const std::string& list);
