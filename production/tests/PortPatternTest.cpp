#include "PortPattern.h"

#include <gtest/gtest.h>

TEST(PortPatternTest, shellPatterns_andCommaSeparatedLists) {
    struct Case {
        const char* list;
        const char* port;
        bool matches;
    };
    const Case cases[] = {
        {"/dev/ttyUSB*", "/dev/ttyUSB12", true},
        {"/dev/ttyUSB?", "/dev/ttyUSB12", false},
        {"*/fx-*", "/run/user/0/skw-virtual-ports/fx-3", true},  // '*' crosses '/'
        {"/dev/ttyUSB[0-3]", "/dev/ttyUSB3", true},
        {"/dev/ttyUSB[!0-3]", "/dev/ttyUSB3", false},
        {"/dev/tty[", "/dev/tty[", true},  // an unclosed set is a literal
        {"COM1,COM2", "COM2", true},
        {"COM1,,COM2", "COM3", false},
        {"/dev/ttyACM*,rfc2217://lab:7001", "rfc2217://lab:7001", true},
        {"/dev/ttyACM*,rfc2217://lab:7001", "/dev/ttyUSB0", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesPortList(c.list, c.port), c.matches) << c.list << " " << c.port;
    }
}

TEST(PortPatternTest, networkPortsAreTheEntriesWithANetworkScheme) {
    EXPECT_EQ(NetworkPortsIn("/dev/ttyUSB*,rfc2217://10.0.0.5:7001,,SOCKET://lab:4000"),
              (std::vector<std::string>{"rfc2217://10.0.0.5:7001", "SOCKET://lab:4000"}));
    EXPECT_TRUE(NetworkPortsIn("*").empty());
}
