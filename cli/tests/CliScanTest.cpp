#include "CliFixture.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <regex>
#include <sstream>

namespace {

using CliScanTest = CliFixture;

// Two devices far apart in strength (each report varies by up to 6 dB around these) and one
// the module's name filter keeps out.
VirtualModuleOptions ScanningModule() {
    VirtualModuleOptions options;
    options.scanInterval = std::chrono::milliseconds(20);
    options.devices = {{"C0FFEE000001", -20, "QUORVEX-01"},
                       {"C0FFEE000002", -100, "QUORVEX-02"},
                       {"D4CA6E10A2B3", -20, "Sensor"}};
    return options;
}

// The addresses listed, in order, from the table the scan prints.
std::vector<std::string> ListedAddresses(const std::string& out) {
    static const std::regex row(R"(^([0-9A-F]{12})  +-?\d+  (.*)$)");
    std::vector<std::string> addresses;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Device Address  RSSI  Device Name");
    while (std::getline(lines, line)) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(line, match, row)) << line;
        addresses.push_back(match[1]);
    }
    return addresses;
}

struct RssiCase {
    std::string rssiMin;
    std::vector<std::string> listed;
};

// The name filter goes to the module; the RSSI threshold is the low 8 bits of the number typed
// (300 acts as 44, -300 as -44, a lone '-' as 0); each device is listed once.
TEST_F(CliScanTest, filters_listEachAcceptedDeviceOnce_andStopTheScan) {
    const RssiCase cases[] = {
        {"-50", {"C0FFEE000001"}},
        {" -300 ", {"C0FFEE000001"}},
        {"300", {}},
        {"-", {}},
        {"-127", {"C0FFEE000001", "C0FFEE000002"}},
    };
    StartModule(ScanningModule());
    ASSERT_EQ(Run("set", {"--role", "master"}).status, 0);
    for (const RssiCase& c : cases) {
        SCOPED_TRACE(c.rssiMin);
        const CliResult result =
            Run("scan", {"--seconds", "1", "--name-filter", "QUOR", "--rssi-min", c.rssiMin});
        EXPECT_EQ(result.status, 0) << result.err;
        auto listed = ListedAddresses(result.out);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(result.commands, Concat({ConnectFull(),
                                           {"AT+MODEL?", "AT+SF=ON,QUOR", "AT+STARTSCAN",
                                            "AT+STOPSCAN", "AT+SF=OFF", "ATZ"}}));
    }
}

TEST_F(CliScanTest, json_listsDevicesWithNameAndStrength) {
    StartModule(ScanningModule());
    ASSERT_EQ(Run("set", {"--role", "multi-at"}).status, 0);
    const CliResult result = Run("scan", {"--seconds", "1", "--json"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(std::regex_match(
        result.out,
        std::regex(R"(\[(\{"address":"[0-9A-F]{12}","name":"[^"]*","rssi":-\d+\},?){3}\]\n)")))
        << result.out;
    EXPECT_THAT(result.out, ::testing::HasSubstr(R"({"address":"D4CA6E10A2B3","name":"Sensor",)"));
    EXPECT_EQ(
        result.commands,
        Concat({ConnectFull(),
                {"AT+MODEL?", "AT+SF=OFF", "AT+STARTSCAN", "AT+STOPSCAN", "AT+SF=OFF", "ATZ"}}));
}

}  // namespace
