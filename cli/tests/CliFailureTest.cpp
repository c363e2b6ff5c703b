#include "CliFixture.h"

#include <gmock/gmock.h>

#include "CliRun.h"

#include <future>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using ::testing::StartsWith;

using CliFailureTest = CliFixture;

Transcript ConnectModel521M() {
    return Concat({Identify(),
                   {"AT+STOPSCAN", "AT+VER?", "AT+INFO?", "AT+MODULESETMODE", "AT+INFO?",
                    "AT+AUTOCON?", "AT+FLOWCONTROL?"}});
}

struct FailureCase {
    std::string what;
    std::string model;
    bool silent;
    std::vector<std::string> options;  // command and its options; the port is added
    int status;
    std::string err;
    Transcript commands;
    std::string refusedCommand{};  // answered ERROR by the module
};

// Each way a command can fail has its own exit status and one line on standard error.
TEST_F(CliFailureTest, failures_endWithTheirOwnStatus) {
    const std::string noAnswer =
        "This program is for the sKW52x and DTQ-50 series only. Please check the product name, "
        "communication port, etc., and try again.";
    const FailureCase cases[] = {
        {"no answer", "GaX-sKW523", true, {"info"}, 4, noAnswer, {"AT", "AT"}},
        {"unsupported model",
         "GaX-XB1",
         false,
         {"info"},
         5,
         "This is an unsupported device.",
         Identify()},
        {"another model than expected",
         "GaX-sKW523",
         false,
         {"reboot", "--expect-model", "GaX-DTQ50"},
         6,
         "The module is a GaX-sKW523, not a GaX-DTQ50.",
         Identify()},
        {"refused setting",
         "GaX-sKW523",
         false,
         {"set", "--name", "AB"},
         7,
         "Failed device name settings.",
         Concat({ConnectFull(), {"AT+MODEL?", "AT+MANUF=AB"}, Identify(), {"ATZ"}}),
         "AT+MANUF="},
        {"not offered by the model",
         "GaX-sKW521M",
         false,
         {"set", "--name", "N"},
         9,
         "--name is not available on the GaX-sKW521M in its current role.",
         Concat({ConnectModel521M(), {"ATZ"}})},
        {"not offered in the role being set",
         "GaX-sKW523",
         false,
         {"set", "--role", "master", "--name", "N"},
         9,
         "--name is not available on the GaX-sKW523 in its current role.",
         Concat({ConnectFull(), {"ATZ"}})},
        {"scan in the peripheral role",
         "GaX-sKW523",
         false,
         {"scan"},
         9,
         "scan is not available on the GaX-sKW523 in its current role.",
         Concat({ConnectFull(), {"ATZ"}})},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualModuleOptions module = ModelOptions(c.model);
        module.refusedCommand = c.refusedCommand;
        StartModule(module);
        Module().SetFault(SimFault::Silence, c.silent);
        std::vector<std::string> options(c.options.begin() + 1, c.options.end());
        const CliResult result = Run(c.options.front(), options);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, "skw-manager-cli: " + c.err + "\n");
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.commands, c.commands);
    }
}

TEST_F(CliFailureTest, portThatCannotBeOpened_endsWithStatus3) {
    const CliResult result = RunArgs({"info", "--port", "/nonexistent/ttyX"});
    EXPECT_EQ(result.status, 3);
    EXPECT_THAT(result.err, StartsWith("skw-manager-cli: Cannot open /nonexistent/ttyX: "));
}

TEST_F(CliFailureTest, rebootAndFactoryReset_restartTheModule) {
    StartModule();
    CliResult result = Run("reboot");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "The module has restarted.\n");
    EXPECT_EQ(result.commands, Concat({ConnectFull(), {"ATZ"}}));

    ASSERT_EQ(Run("set", {"--name", "CHANGED"}).status, 0);
    result = Run("factory-reset", {"--yes"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "The module has restored its factory settings and restarted.\n");
    EXPECT_EQ(result.commands, Concat({ConnectFull(), {"AT&F"}}));
    EXPECT_EQ(Module().Settings().deviceName, "sKW523");
}

struct UnconfirmedCase {
    std::vector<std::string> options;  // command and its options; the port is added
    std::string err;
};

// A restart the module never confirms ("+READY" does not come) is not reported as done: not
// for a UART change, whose restart applies it, nor for the restart that ends every command.
TEST_F(CliFailureTest, restartNotConfirmed_endsWithNoAnswer) {
    const UnconfirmedCase cases[] = {
        {{"set", "--uart", "115200"},
         "The UART settings were sent, but the device did not confirm its restart. Check the "
         "device and its port speed. The module may run at 115200 baud once it has restarted; "
         "if it does not answer at its old speed, try 115200."},
        {{"info"}, "The module did not confirm its restart."},
        {{"set", "--name", "N"}, "The module did not confirm its restart."},
    };
    for (const UnconfirmedCase& c : cases) {
        SCOPED_TRACE(c.options.front());
        VirtualModuleOptions options;
        options.lateCommand = "ATZ";
        options.lateBy = 5s;  // longer than the restart's limit
        StartModule(options);
        std::vector<std::string> rest(c.options.begin() + 1, c.options.end());
        const CliResult result = Run(c.options.front(), rest);
        EXPECT_EQ(result.status, 4);
        EXPECT_EQ(result.err, "skw-manager-cli: " + c.err + "\n");
        EXPECT_THAT(result.out, ::testing::Not(::testing::HasSubstr("restarted")));
        ASSERT_FALSE(result.commands.empty());
        EXPECT_EQ(result.commands.back(), "ATZ");
    }
}

// Only an answer the tool could read can be a refusal: one lost on the line leaves open
// whether the module got the command, which is no answer (4), said as such; an ERROR is (7).
TEST_F(CliFailureTest, anAnswerThatCannotBeRead_isNoRefusal) {
    const struct {
        const char* what;
        std::string lateCommand;
        std::string refusedCommand;
        int status;
        std::string err;
    } cases[] = {
        {"answer lost", "AT+ADVINTERVAL=250", "", 4,
         "Failed to save advertising interval. No readable answer came: the module may not have "
         "received the command."},
        {"answer ERROR", "", "AT+ADVINTERVAL=", 7, "Failed to save advertising interval."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualModuleOptions options;
        options.lateCommand = c.lateCommand;
        options.lateBy = 2500ms;  // longer than the setting's limit
        options.refusedCommand = c.refusedCommand;
        StartModule(options);
        const CliResult result = Run("set", {"--adv-interval", "250"});
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, "skw-manager-cli: " + c.err + "\n");
    }
}

// A UART change that fails after the module entered its setting mode still ends with the
// restart every command ends with (a module left in setting mode would take the new speed at
// its next restart while the tool said it failed), and says which speed to try.
TEST_F(CliFailureTest, failedUartChange_restartsTheModule_andNamesTheSpeedToTry) {
    struct {
        const char* what;
        std::string lateCommand;
        std::string refusedCommand;
    } const cases[] = {
        {"speed acknowledged late", "AT+UART=19200", ""},
        {"flow control refused", "", "AT+FLOWCONTROL="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualModuleOptions options;
        options.strictSpeed = true;
        options.lateCommand = c.lateCommand;
        options.lateBy = 3s;
        options.refusedCommand = c.refusedCommand;
        StartModule(options);
        const CliResult result = Run("set", {"--uart", "19200"});
        EXPECT_NE(result.status, 0);
        EXPECT_THAT(result.err, ::testing::HasSubstr("try 19200."));
        ASSERT_FALSE(result.commands.empty());
        EXPECT_EQ(result.commands.back(), "ATZ");
    }
}

// A second program on the module's port is refused at once; the first one is not disturbed.
TEST_F(CliFailureTest, secondProgramOnThePort_isRefusedAtOnce) {
    StartModule(ModelOptions("GaX-sKW523", 30ms));
    auto first = std::async(std::launch::async, [&] { return Run("set", {"--name", "FIRST"}); });
    ASSERT_TRUE(Module().WaitForCommand("AT+VER?", 20s));
    const auto started = std::chrono::steady_clock::now();
    std::ostringstream out;
    std::ostringstream err;
    const int second = RunCli({"skw-manager-cli", "info", "--port", Module().PortPath()},
                              CliEnvironment{out, err, {}, {}, nullptr});
    EXPECT_EQ(second, 3);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_THAT(err.str(), ::testing::HasSubstr("busy"));
    const CliResult result = first.get();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Completed device name settings.\n");
    EXPECT_EQ(Module().Settings().deviceName, "FIRST");
}

struct UnplugCase {
    std::string model;
    std::vector<std::string> options;
    std::string unplugAfter;  // the command whose answer never comes
};

// Pulling the module off the line while a command runs ends it with the port-error status.
TEST_F(CliFailureTest, unplugDuringACommand_endsWithPortError) {
    const UnplugCase cases[] = {
        {"GaX-sKW523", {"info"}, "AT+VER?"},
        {"GaX-sKW523",
         {"set", "--role", "multi-at", "--slot", "1=C0FFEE000001"},
         "AT+SETSLOT=1,C0FFEE000001"},
        {"GaX-sKW521M", {"scan", "--seconds", "30"}, "AT+STARTSCAN"},
    };
    for (const UnplugCase& c : cases) {
        SCOPED_TRACE(c.unplugAfter);
        StartModule(ModelOptions(c.model, 50ms));
        std::vector<std::string> options(c.options.begin() + 1, c.options.end());
        auto running =
            std::async(std::launch::async, [&] { return Run(c.options.front(), options); });
        ASSERT_TRUE(Module().WaitForCommand(c.unplugAfter, 20s));
        Module().Unplug();
        const CliResult result = running.get();
        EXPECT_EQ(result.status, 8);
        EXPECT_EQ(result.err, "skw-manager-cli: Error on COM port. Closing the port.\n");
    }
}

}  // namespace
