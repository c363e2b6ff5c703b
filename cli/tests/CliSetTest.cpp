#include "CliFixture.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

using CliSetTest = CliFixture;

Transcript DeleteSlots(int from, int to) {
    Transcript commands;
    for (int slot = from; slot <= to; ++slot) {
        commands.push_back("AT+DELSLOT=" + std::to_string(slot));
    }
    return commands;
}

struct SetCase {
    std::vector<std::string> options;
    Transcript afterConnect;  // what follows identification and the first read
    std::string out;
};

// Each setting is checked as the page checks it and sent with the page's job; the settings
// that make the page read the module again are followed by a fresh identification and read.
TEST_F(CliSetTest, settings_areSentWithTheirJobs_andReported) {
    const std::string nameDone = "Completed device name settings.\n";
    const std::string advDone = "Setting advertising interval has been completed.\n";
    const std::string roleDone = "Completed operation role settings.\n";
    const std::string uartDone =
        "The UART settings for the device have been completed. The device has restarted to "
        "apply the changed settings.\n";
    const SetCase cases[] = {
        {{"--name", "ABCDEFGH"}, {"AT+MODEL?", "AT+MANUF=ABCDEFGH", "ATZ"}, nameDone},
        {{"--name", ""}, {"AT+MODEL?", "AT+MANUF=", "ATZ"}, nameDone},
        {{"--name", "가나"}, {"AT+MODEL?", "AT+MANUF=가나", "ATZ"}, nameDone},
        {{"--adv-interval", "20"}, {"AT+MODEL?", "AT+ADVINTERVAL=20", "ATZ"}, advDone},
        {{"--adv-interval", "2560"}, {"AT+MODEL?", "AT+ADVINTERVAL=2560", "ATZ"}, advDone},
        {{"--adv-interval", "100ms"}, {"AT+MODEL?", "AT+ADVINTERVAL=100", "ATZ"}, advDone},
        {{"--role", "multi-bypass"}, {"AT+MODEL?", "AT+ROLE=M", "AT+MBYPASS=ON", "ATZ"}, roleDone},
        {{"--master", "c0ffee000001", "--autocon", "on", "--role", "master"},
         Concat({{"AT+MODEL?", "AT+ROLE=C", "AT+MBYPASS=OFF"},
                 Reread(),
                 {"AT+MODEL?", "AT+AUTOCON=ON"},
                 Reread(),
                 {"AT+MODEL?", "AT+SETCONMAC=C0FFEE000001", "ATZ"}}),
         roleDone + "Completed automatic reconnection settings.\n"
                    "Master device registered successfully.\n"},
        {{"--role", "master", "--master", "none"},
         Concat({{"AT+MODEL?", "AT+ROLE=C", "AT+MBYPASS=OFF"},
                 Reread(),
                 {"AT+MODEL?", "AT+SETCONMAC=000000000000", "ATZ"}}),
         roleDone + "Successfully delete the master devices.\n"},
        {{"--role", "multi-at", "--slot", "3=C0FFEE000001,Q1", "--slot", "1=d4ca6e10a2b3"},
         Concat({{"AT+MODEL?", "AT+ROLE=M", "AT+MBYPASS=OFF"},
                 Reread(),
                 {"AT+MODEL?", "AT+SETSLOT=1,D4CA6E10A2B3", "AT+DELSLOT=2",
                  "AT+SETSLOT=3,C0FFEE000001,Q1"},
                 DeleteSlots(4, 8),
                 {"ATZ"}}),
         roleDone + "Node (device) registration has been completed\n"},
        {{"--uart", "115200"},
         {"AT+MODEL?", "AT+FLOWCONTROL=OFF", "AT+UART=115200", "ATZ"},
         uartDone},
        {{"--uart", "57600,on", "--name", "N"},
         {"AT+MODEL?", "AT+MANUF=N", "AT+MODEL?", "AT+FLOWCONTROL=ON", "AT+UART=57600", "ATZ"},
         nameDone + uartDone},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        StartModule();
        const CliResult result = Run("set", c.options);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.commands, Concat({ConnectFull(), c.afterConnect}));
    }
}

// The slots and the bypass value a setting does not name are sent as the module holds them.
TEST_F(CliSetTest, valuesNotGiven_areSentAsReadFromTheModule) {
    StartModule();
    ASSERT_EQ(Run("set", {"--role", "multi-bypass", "--slot", "1=C0FFEE000001", "--slot",
                          "2=D4CA6E10A2B3,Sensor"})
                  .status,
              0);

    CliResult result = Run("set", {"--clear-slot", "1"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.commands,
              Concat({ConnectFull(),
                      {"AT+MODEL?", "AT+DELSLOT=1", "AT+SETSLOT=2,D4CA6E10A2B3,Sensor"},
                      DeleteSlots(3, 8),
                      {"ATZ"}}));

    result = Run("set", {"--role", "slave"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.commands,
              Concat({ConnectFull(), {"AT+MODEL?", "AT+ROLE=S", "AT+MBYPASS=ON", "ATZ"}}));
}

// A slot address held by the module counts in the duplicate check, as on the page; the check
// comes before any setting of the call is sent.
TEST_F(CliSetTest, slotAddressHeldInAnotherSlot_isRefusedBeforeAnySetting) {
    StartModule();
    ASSERT_EQ(Run("set", {"--role", "multi-at", "--slot", "4=C0FFEE000001"}).status, 0);

    const CliResult result = Run("set", {"--role", "multi-bypass", "--slot", "6=c0ffee000001"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "skw-manager-cli: Duplicated Bluetooth addresses are assigned to slot\n");
    EXPECT_EQ(result.commands, Concat({ConnectFull(), {"ATZ"}}));
}

struct BadCase {
    std::vector<std::string> args;  // "PORT" stands for the module's port
    std::string reason;             // part of the one error line
};

// Arguments the page would refuse, and malformed command lines, end with status 2 and one
// line on standard error before the port is even opened.
TEST_F(CliSetTest, badArguments_sendNothing) {
    const BadCase cases[] = {
        {{"set", "--port", "PORT", "--name", "123456789"}, "The device name is too long."},
        {{"set", "--port", "PORT", "--name", "가나다"}, "The device name is too long."},
        {{"set", "--port", "PORT", "--name", "A\rATZ"},
         "The name must not contain control characters"},
        {{"set", "--port", "PORT", "--name", "NAME\n"},
         "The name must not contain control characters"},
        {{"set", "--port", "PORT", "--name", "NA\u0085ME"},
         "The name must not contain control characters"},
        {{"set", "--port", "PORT", "--name", "A,B"}, "The device name must not contain commas"},
        {{"set", "--port", "PORT", "--clear-slot", "010"}, "--clear-slot"},
        {{"set", "--port", "PORT", "--clear-slot", "0x1"}, "--clear-slot"},
        {{"apply", "--port", "PORT", "--name-counter", "042x", "f.json"}, "--name-counter"},
        {{"apply", "--port", "PORT", "--name-counter", "0x10", "f.json"}, "--name-counter"},
        {{"apply", "--port", "PORT", "--name-counter", "", "f.json"}, "--name-counter"},
        {{"apply", "--port", "PORT", "--baud", "", "f.json"}, "--baud"},
        {{"apply", "--port", "PORT", "--baud", "0x2580", "f.json"}, "--baud"},
        {{"apply", "--port", "PORT", "--expect-model", "", "f.json"}, "--expect-model"},
        {{"apply", "--port", "", "f.json"}, "--port"},
        {{"export", "--port", "PORT", "-o", ""}, "--output"},
        {{"export", "--port", "PORT", "-o", "/nonexistent-folder/x.json"}, "--output"},
        {{"scan", "--port", "PORT", "--name-filter", ""}, "--name-filter"},
        {{"set", "--port", "PORT", "--adv-interval", "4294967396"},
         "Invalid advertising interval value."},
        {{"set", "--port", "PORT", "--slot", "2=C0FFEE000001,A,B"},
         "Slot 2: the name must not contain commas"},
        {{"set", "--port", "PORT", "--slot", "4=C0FFEE000001,AB\tC"},
         "Slot 4: the name must not contain commas"},
        {{"scan", "--port", "PORT", "--name-filter", "QUOR\r"},
         "The name must not contain control characters"},
        {{"set", "--port", "PORT", "--adv-interval", "19"}, "Invalid advertising interval value."},
        {{"set", "--port", "PORT", "--adv-interval", "2561"},
         "Invalid advertising interval value."},
        {{"set", "--port", "PORT", "--adv-interval", ""}, "Invalid advertising interval value."},
        {{"set", "--port", "PORT", "--adv-interval", "ms100"},
         "Invalid advertising interval value."},
        {{"set", "--port", "PORT", "--master", "C0FFEE00000"}, "Invalid Bluetooth address."},
        {{"set", "--port", "PORT", "--master", "C0FFEE00000G"}, "Invalid Bluetooth address."},
        {{"set", "--port", "PORT", "--master", ""}, "Invalid Bluetooth address."},
        {{"set", "--port", "PORT", "--slot", "3=C0FFEE00000"},
         "Slot 3: Invalid Bluetooth address."},
        {{"set", "--port", "PORT", "--slot", "1=C0FFEE000001", "--slot", "2=c0ffee000001"},
         "Duplicated Bluetooth addresses are assigned to slot"},
        {{"set", "--port", "PORT", "--slot", "2=C0FFEE000001,123456789"},
         "Slot 2: invalid name length."},
        {{"set", "--port", "PORT", "--slot", "9=C0FFEE000001"},
         "Invalid --slot value: 9=C0FFEE000001"},
        {{"set", "--port", "PORT", "--slot", "C0FFEE000001"}, "Invalid --slot value: C0FFEE000001"},
        {{"set", "--port", "PORT", "--slot", "1=C0FFEE000001", "--clear-slot", "1"},
         "Slot 1 is given more than once."},
        {{"set", "--port", "PORT", "--clear-slot", "9"}, "--clear-slot"},
        {{"set", "--port", "PORT", "--uart", "1234"}, "Invalid --uart value: 1234"},
        {{"set", "--port", "PORT", "--uart", "9600,yes"}, "Invalid --uart value: 9600,yes"},
        {{"set", "--port", "PORT", "--role", "boss"}, "--role"},
        {{"set", "--port", "PORT"}, "Nothing to set: give at least one setting."},
        {{"scan", "--port", "PORT", "--rssi-min", "  "}, "No RSSI value is set."},
        {{"scan", "--port", "PORT", "--rssi-min", "- 5"}, "The RSSI filter value is not a number."},
        {{"scan", "--port", "PORT", "--rssi-min", "70-"}, "The RSSI filter value is not a number."},
        {{"scan", "--port", "PORT", "--name-filter", "123456789"},
         "The filter device name is too long."},
        {{"scan", "--port", "PORT", "--seconds", "0"}, "--seconds"},
        {{"factory-reset", "--port", "PORT"},
         "Reset to factory settings. Are you sure you want to continue? Confirm with --yes."},
        {{"info", "--port", "PORT", "--baud", "1234"}, "--baud"},
        {{"info"}, "--port is required"},
        {{"info", "--port", "PORT", "--baud", ""}, "--baud"},
        {{"info", "--port", "PORT", "--baud", "9600x"}, "--baud"},
        {{"info", "--port", "PORT", "--expect-model", ""}, "--expect-model"},
        {{"info", "--port", ""}, "--port"},
        {{"set", "--port", "PORT", "--slot", "1="}, "Invalid --slot value: 1="},
        {{"set", "--port", "PORT", "--slot", "1=,NAME"}, "Invalid --slot value: 1=,NAME"},
        {{"scan", "--port", "PORT", "--rssi-min", "-999999999999999999999"},
         "The RSSI filter value is out of range."},
        {{"scan", "--port", "PORT", "--rssi-min", "4294967296"},
         "The RSSI filter value is out of range."},
        {{}, "A subcommand is required"},
    };
    StartModule();
    for (const BadCase& c : cases) {
        std::vector<std::string> args = c.args;
        for (std::string& arg : args) {
            arg = arg == "PORT" ? Module().PortPath() : arg;
        }
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliResult result = RunArgs(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_THAT(result.err, StartsWith("skw-manager-cli: "));
        EXPECT_THAT(result.err, HasSubstr(c.reason));
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.commands, Transcript{});
    }
}

}  // namespace
