#include "CliFixture.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

using CliInfoTest = CliFixture;

// Sends `bytes` to the module as any program on its port could.
void WriteRaw(const std::string& port, const std::string& bytes) {
    const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

struct InfoCase {
    std::string model;
    Transcript read;
    std::string json;
};

// Each model is read with its own job and shows only what that job reads.
TEST_F(CliInfoTest, eachModel_readWithItsJob_showsWhatItRead) {
    const std::string emptySlots =
        R"({"slot":1,"address":null,"name":""},{"slot":2,"address":null,"name":""},)"
        R"({"slot":3,"address":null,"name":""},{"slot":4,"address":null,"name":""},)"
        R"({"slot":5,"address":null,"name":""},{"slot":6,"address":null,"name":""},)"
        R"({"slot":7,"address":null,"name":""},{"slot":8,"address":null,"name":""})";
    const InfoCase cases[] = {
        {"GaX-DTQ50", FullRead(true),
         R"({"model":"GaX-DTQ50","firmware":"v1.0.9","address":"00A0C8050001","name":"DTQ50",)"
         R"("role":"slave","flowControl":false,"advInterval":100,"autoConnect":false,)"
         R"("masterAddress":null,"slots":[)" +
             emptySlots + "]}"},
        {"GaX-sKW521M",
         {"AT+STOPSCAN", "AT+VER?", "AT+INFO?", "AT+MODULESETMODE", "AT+INFO?", "AT+AUTOCON?",
          "AT+FLOWCONTROL?"},
         R"({"model":"GaX-sKW521M","firmware":"v1.6.2","address":"00A0C852100D",)"
         R"("name":"sKW521M","role":"master","flowControl":false,"autoConnect":false,)"
         R"("masterAddress":null})"},
        {"GaX-sKW521",
         {"AT+VER?", "AT+INFO?", "AT+MODULESETMODE", "AT+INFO?", "AT+FLOWCONTROL?",
          "AT+ADVINTERVAL?"},
         R"({"model":"GaX-sKW521","firmware":"v1.6.2","address":"00A0C8521005",)"
         R"("name":"sKW521","role":"slave","flowControl":false,"advInterval":100})"},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.model);
        StartModule(ModelOptions(c.model));
        const CliResult result = Run("info", {"--json"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.json + "\n");
        EXPECT_EQ(result.commands, Concat({Identify(), c.read, {"ATZ"}}));
    }
}

TEST_F(CliInfoTest, table_showsRoleSlotsAndMasterAsTheModuleHoldsThem) {
    StartModule();
    ASSERT_EQ(Run("set", {"--role", "multi-bypass", "--slot", "2=C0FFEE000001,QUORVEX", "--slot",
                          "8=D4CA6E10A2B3"})
                  .status,
              0);

    const CliResult result = Run("info");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Model name                          GaX-sKW523\n"
              "Firmware ver.                       v2.1.4\n"
              "Bluetooth addr.                     00A0C8523001\n"
              "Device name                         sKW523\n"
              "Operation role                      Multi (Bypass)\n"
              "Flow control                        OFF\n"
              "Adv. Interval                       100 msec\n"
              "Automatic connection upon power-on  OFF\n"
              "Master device address               -\n"
              "Slot 1                              -\n"
              "Slot 2                              C0FFEE000001 QUORVEX\n"
              "Slot 3                              -\n"
              "Slot 4                              -\n"
              "Slot 5                              -\n"
              "Slot 6                              -\n"
              "Slot 7                              -\n"
              "Slot 8                              D4CA6E10A2B3\n");
    EXPECT_EQ(result.commands, Concat({ConnectFull(), {"ATZ"}}));
}

struct EscapeCase {
    std::string model;
    std::vector<std::string> options;            // command and its options; the port is added
    std::string text;                            // part of the text output
    std::string json;                            // part of the --json output
    std::string device = "\x1b]0;X\x07\x1b[2J";  // the name a nearby device reports
};

// Escape sequences in what a module or a nearby device sends never reach the user's terminal:
// text output shows them escaped; JSON carries them as its own escapes.
TEST_F(CliInfoTest, escapeSequencesFromTheFarEnd_areShownEscaped) {
    const EscapeCase cases[] = {
        {"GaX-sKW523",
         {"info"},
         "Device name                         \\x1b[31m\n",
         R"("name":"\u001b[31m")"},
        {"GaX-sKW521M",
         {"scan", "--seconds", "1"},
         "  \\x1b]0;X\\x07\\x1b[2J\n",
         R"("name":"\u001b]0;X\u0007\u001b[2J")"},
        {"GaX-sKW521M",
         {"scan", "--seconds", "1"},
         "  \\x9b2J\\x7f\n",
         R"("name":"\u009b2J\u007f")",
         "\xc2\x9b"
         "2J\x7f"},  // C1 CSI and DEL
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.model);
        VirtualModuleOptions options = ModelOptions(c.model);
        options.scanInterval = std::chrono::milliseconds(20);
        options.devices = {{"C0FFEE000001", -20, c.device}};
        StartModule(options);
        if (c.options.front() == "info") {
            WriteRaw(Module().PortPath(), "AT+MANUF=\x1b[31m\r");
            ASSERT_TRUE(Module().WaitForCommand("AT+MANUF=\x1b[31m", 5s));
        }
        std::vector<std::string> rest(c.options.begin() + 1, c.options.end());
        const CliResult text = Run(c.options.front(), rest);
        EXPECT_EQ(text.status, 0) << text.err;
        EXPECT_THAT(text.out, ::testing::HasSubstr(c.text));
        EXPECT_EQ(text.out.find('\x1b'), std::string::npos);
        EXPECT_EQ(text.out.find("\xc2\x9b"), std::string::npos);
        rest.push_back("--json");
        const CliResult json = Run(c.options.front(), rest);
        EXPECT_EQ(json.status, 0) << json.err;
        EXPECT_THAT(json.out, ::testing::HasSubstr(c.json));
        EXPECT_EQ(json.out.find("\xc2\x9b"), std::string::npos);
    }
}

}  // namespace
