#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where a module is reached and what is expected of it.
struct Connection {
    std::string port;
    std::uint32_t baud = 9600;
    std::optional<std::string> expectedModel;
    std::string recordPath;  // a session file to record both directions into; none if empty
};
