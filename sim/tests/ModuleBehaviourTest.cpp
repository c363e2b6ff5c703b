#include "ModuleBehaviour.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const std::string kKoreanTwoSyllables = "\xEC\x98\xA8\xEB\x8F\x84";  // 온도, 6 bytes
const std::string kKoreanThreeSyllables = "\xEC\x98\xA8\xEB\x8F\x84\xEC\x84\xBC";  // 9 bytes

ModuleReply Plain(std::string text) {
    return {std::move(text), false};
}
ModuleReply Ack(std::string text) {
    return {std::move(text), true};
}

ModuleBehaviour Fresh(const std::string& model) {
    return ModuleBehaviour(model, 9600, BuiltInVirtualDevices());
}

// Runs the lines in order and returns the answer to the last one.
std::optional<ModuleReply> Feed(ModuleBehaviour& module, const std::vector<std::string>& lines) {
    std::optional<ModuleReply> last;
    for (const std::string& line : lines) {
        last = module.Answer(line);
    }
    return last;
}

TEST(SimBehaviour, emptyLine_getsNoAnswer) {
    ModuleBehaviour module = Fresh("GaX-sKW523");
    EXPECT_EQ(module.Answer(""), std::nullopt);
}

TEST(SimBehaviour, badArgumentsAndUnknownCommands_answerErrorAndChangeNothing) {
    const char* const lines[] = {
        "AT+UART=9601",
        "AT+UART=",
        "AT+UART=+9600",
        "AT+UART=9600 ",
        "AT+ADVINTERVAL=19",
        "AT+ADVINTERVAL=2561",
        "AT+ADVINTERVAL=1e2",
        "AT+MANUF=123456789",
        "AT+MANUF=a,b",
        "AT+ROLE=X",
        "AT+ROLE=SC",
        "AT+ROLE=",
        "AT+MBYPASS=on",
        "AT+FLOWCONTROL=",
        "AT+AUTOCON=1",
        "AT+SETCONMAC=0123456789A",
        "AT+SETCONMAC=0123456789AG",
        "AT+SETSLOT=0,0123456789AB",
        "AT+SETSLOT=9,0123456789AB",
        "AT+SETSLOT=1",
        "AT+SETSLOT=1,0123456789AB,123456789",
        "AT+GETSLOT=9",
        "AT+GETSLOT=",
        "AT+DELSLOT=0",
        "AT+SF=ON",
        "AT+SF=ON,123456789",
        "AT+SF=on,x",
        "AT+MODEL",
        "at",
        "AT+VER",
        "AT+NOSUCH?",
        "ATE0",
        "hello",
        "AT+ROLE?X",
    };
    ModuleBehaviour module = Fresh("GaX-sKW523");
    const ModuleSettings before = module.Settings();
    for (const char* line : lines) {
        EXPECT_EQ(module.Answer(line), Plain("ERROR")) << line;
    }
    EXPECT_EQ(module.Answer("AT+MANUF=" + kKoreanThreeSyllables), Plain("ERROR"));
    EXPECT_EQ(module.Settings(), before);
}

struct SequenceCase {
    const char* what;
    std::vector<std::string> lines;
    ModuleReply lastAnswer;
};

TEST(SimBehaviour, settingsReadBackAsWritten) {
    const SequenceCase cases[] = {
        {"name",
         {"AT+MANUF=Tag 1", "AT+INFO?"},
         Plain("00:A0:C8:52:30:01,Tag 1,PERIPHERAL,STANDBY")},
        {"Korean name",
         {"AT+MANUF=" + kKoreanTwoSyllables, "AT+INFO?"},
         Plain("00:A0:C8:52:30:01," + kKoreanTwoSyllables + ",PERIPHERAL,STANDBY")},
        {"empty name", {"AT+MANUF=", "AT+INFO?"}, Plain("00:A0:C8:52:30:01,,PERIPHERAL,STANDBY")},
        {"interval", {"AT+ADVINTERVAL=2560", "AT+ADVINTERVAL?"}, Plain("2560")},
        {"flow control", {"AT+FLOWCONTROL=ON", "AT+FLOWCONTROL?"}, Plain("ON")},
        {"central", {"AT+ROLE=C", "AT+ROLE?"}, Plain("CLIENT[CENTRAL]")},
        {"multi", {"AT+ROLE=M", "AT+ROLE?"}, Plain("CLIENT[MULTI]")},
        {"back to peripheral", {"AT+ROLE=M", "AT+ROLE=S", "AT+ROLE?"}, Plain("SERVER[PERIPHERAL]")},
        {"role in info",
         {"AT+ROLE=M", "AT+INFO?"},
         Plain("00:A0:C8:52:30:01,sKW523,MULTI,STANDBY")},
        {"bypass", {"AT+MBYPASS=ON", "AT+MBYPASS?"}, Plain("ON")},
        {"automatic connection",
         {"AT+SETCONMAC=0123456789ab", "AT+AUTOCON=ON", "AT+AUTOCON?"},
         Plain("ON,[01:23:45:67:89:AB]")},
        {"slot with name",
         {"AT+SETSLOT=3,0123456789ab,Tag", "AT+GETSLOT=3"},
         Plain("+SLOT,3,0123456789AB,Tag")},
        {"slot without name",
         {"AT+SETSLOT=4,A1B2C3D4E5F6", "AT+GETSLOT=4"},
         Plain("+SLOT,4,A1B2C3D4E5F6")},
        {"slot overwritten",
         {"AT+SETSLOT=4,A1B2C3D4E5F6,x", "AT+SETSLOT=4,0123456789AB", "AT+GETSLOT=4"},
         Plain("+SLOT,4,0123456789AB")},
        {"slot deleted",
         {"AT+SETSLOT=5,0123456789AB", "AT+DELSLOT=5", "AT+GETSLOT=5"},
         Plain("ERROR")},
        {"other slots untouched", {"AT+SETSLOT=5,0123456789AB", "AT+GETSLOT=6"}, Plain("ERROR")},
        {"setting mode",
         {"AT+MODULESETMODE", "AT+INFO?"},
         Plain("00:A0:C8:52:30:01,sKW523,PERIPHERAL,SETMODE")},
        {"scanning",
         {"AT+MODULESETMODE", "AT+ROLE=C", "AT+STARTSCAN", "AT+INFO?"},
         Plain("00:A0:C8:52:30:01,sKW523,CENTRAL,SCANNING")},
        {"scan stopped",
         {"AT+MODULESETMODE", "AT+ROLE=C", "AT+STARTSCAN", "AT+STOPSCAN", "AT+INFO?"},
         Plain("00:A0:C8:52:30:01,sKW523,CENTRAL,SETMODE")},
        {"restart leaves setting mode and stops scanning",
         {"AT+MODULESETMODE", "AT+ROLE=C", "AT+STARTSCAN", "ATZ", "AT+INFO?"},
         Plain("00:A0:C8:52:30:01,sKW523,CENTRAL,STANDBY")},
        {"restart keeps settings",
         {"AT+MANUF=Kept", "AT+ROLE=M", "ATZ", "AT+INFO?"},
         Plain("00:A0:C8:52:30:01,Kept,MULTI,STANDBY")},
    };
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE(c.what);
        ModuleBehaviour module = Fresh("GaX-sKW523");
        EXPECT_EQ(Feed(module, c.lines), c.lastAnswer);
    }
}

TEST(SimBehaviour, uartSpeed_changesAtTheNextRestart) {
    ModuleBehaviour module = Fresh("GaX-sKW523");
    EXPECT_EQ(module.Answer("AT+UART=115200"), Ack("OK"));
    EXPECT_EQ(module.Settings().uartSpeed, 9600u);
    EXPECT_EQ(module.Answer("ATZ"), Ack("+READY"));
    EXPECT_EQ(module.Settings().uartSpeed, 115200u);
}

TEST(SimBehaviour, factoryReset_restoresEveryDefaultAndTheFactorySpeed) {
    ModuleBehaviour module("GaX-DTQ50", 57600, BuiltInVirtualDevices());
    Feed(module,
         {"AT+MANUF=Other", "AT+ROLE=C", "AT+MBYPASS=ON", "AT+AUTOCON=ON",
          "AT+SETCONMAC=0123456789AB", "AT+ADVINTERVAL=500", "AT+FLOWCONTROL=ON", "AT+UART=230400",
          "AT+SETSLOT=2,0123456789AB,x", "AT+SF=ON,Q", "AT+MODULESETMODE", "AT+STARTSCAN"});
    EXPECT_EQ(module.Answer("AT&F"), Ack("+READY"));
    EXPECT_EQ(module.Settings(), FactorySettings("GaX-DTQ50"));
    EXPECT_EQ(module.Settings().uartSpeed, 9600u);
}

// Up to `count` reports; fewer if the module stops reporting.
std::vector<std::string> CollectReports(ModuleBehaviour& module, std::size_t count) {
    std::vector<std::string> reports;
    while (reports.size() < count) {
        const std::optional<std::string> report = module.NextScanReport();
        if (!report) {
            break;
        }
        reports.push_back(*report);
    }
    return reports;
}

std::string NameOf(const std::string& report) {
    return report.substr(report.find(',', report.find(',') + 1) + 1);
}

TEST(SimBehaviour, scanReports_cycleTheDevicesThroughTheNameFilter) {
    const std::vector<VirtualDevice> devices = BuiltInVirtualDevices();
    ModuleBehaviour module = Fresh("GaX-sKW521M");
    EXPECT_EQ(module.NextScanReport(), std::nullopt);  // not scanning yet

    Feed(module, {"AT+SF=OFF", "AT+STARTSCAN"});
    std::set<std::string> names;
    for (const std::string& report : CollectReports(module, devices.size())) {
        names.insert(NameOf(report));
    }
    EXPECT_EQ(names.size(), devices.size());

    Feed(module, {"AT+SF=ON,QUORVEX"});
    names.clear();
    for (const std::string& report : CollectReports(module, 2 * devices.size())) {
        names.insert(NameOf(report));
    }
    EXPECT_EQ(names, (std::set<std::string>{"QUORVEX-01", "QUORVEX-02",
                                            "\xEC\x8B\xAC\xEB\xB0\x95\xEA\xB3\x84 QUORVEX"}));

    Feed(module, {"AT+SF=ON,nobody"});
    EXPECT_EQ(module.NextScanReport(), std::nullopt);
    Feed(module, {"AT+SF=OFF", "AT+STOPSCAN"});
    EXPECT_EQ(module.NextScanReport(), std::nullopt);
}

TEST(SimBehaviour, scanReports_carryAddressVaryingRssiAndTheWholeName) {
    const std::vector<VirtualDevice> devices = {{"D4CA6E10A2B3", -71, "Sensor, A"}};
    ModuleBehaviour module("GaX-sKW523", 9600, devices);
    Feed(module, {"AT+ROLE=C", "AT+STARTSCAN"});
    std::set<int> strengths;
    for (const std::string& report : CollectReports(module, 20)) {
        ASSERT_EQ(report.rfind("+D4CA6E10A2B3,", 0), 0u) << report;
        EXPECT_EQ(NameOf(report), "Sensor, A");
        const int rssi = std::stoi(report.substr(14));
        EXPECT_GE(rssi, -77);
        EXPECT_LE(rssi, -65);
        strengths.insert(rssi);
    }
    EXPECT_GT(strengths.size(), 1u);
}

}  // namespace
