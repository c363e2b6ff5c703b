#include "CommandLineReader.h"
#include "VirtualDevice.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Line = CommandLineReader::Line;

TEST(SimCommandLineReader, cutsLinesAcrossChunksAndForgivesTerminalHabits) {
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
        std::vector<Line> lines;
    };
    const Case cases[] = {
        {"split command", {"AT+MO", "DEL?", "\r"}, {{"AT+MODEL?"}}},
        {"two commands in one read", {"AT\rATZ\r"}, {{"AT"}, {"ATZ"}}},
        {"CR LF line ends", {"AT\r\n", "\nAT+VER?\r\n"}, {{"AT"}, {"AT+VER?"}}},
        {"LF inside a line is kept", {"AT\nX\r"}, {{"AT\nX"}}},
        {"backspace and DEL", {"ATX\b+VEX\x7fR?\r"}, {{"AT+VER?"}}},
        {"empty line", {"\r"}, {{""}}},
        {"no CR yet", {"AT"}, {}},
        {"too long", {std::string(300, 'A') + "\r"}, {{std::string(255, 'A'), true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CommandLineReader reader;
        std::vector<Line> lines;
        for (const std::string& chunk : c.chunks) {
            for (Line& line : reader.Feed(chunk)) {
                lines.push_back(std::move(line));
            }
        }
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(SimDeviceList, fileLinesKeepCommasAndUtf8InNames) {
    std::istringstream file(
        "# address,rssi,name\n"
        "\n"
        "d4ca6e10a2b3,-71,Sensor, A\r\n"
        "5C313E2F8190,-55,\xEC\x98\xA8\xEB\x8F\x84\n"
        "0123456789AB,0,\n");
    std::vector<VirtualDevice> devices;
    std::string error;
    ASSERT_TRUE(ParseVirtualDevices(file, devices, error)) << error;
    EXPECT_EQ(devices,
              (std::vector<VirtualDevice>{{"D4CA6E10A2B3", -71, "Sensor, A"},
                                          {"5C313E2F8190", -55, "\xEC\x98\xA8\xEB\x8F\x84"},
                                          {"0123456789AB", 0, ""}}));
}

TEST(SimDeviceList, badLine_isNamedAndNothingIsTaken) {
    const std::string badLines[] = {
        "0123456789A,-40,short address",
        "0123456789AG,-40,not hex",
        "0123456789AB,-40",
        "0123456789AB,strong,x",
        "0123456789AB,5,positive",
        "0123456789AB,-40," + std::string(64, 'n'),
    };
    for (const std::string& bad : badLines) {
        std::istringstream file("0123456789AB,-40,good\n" + bad + "\n");
        std::vector<VirtualDevice> devices = {{"C0FFEE000001", -48, "kept"}};
        std::string error;
        EXPECT_FALSE(ParseVirtualDevices(file, devices, error)) << bad;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
        EXPECT_EQ(devices.size(), 1u);
    }
}

}  // namespace
