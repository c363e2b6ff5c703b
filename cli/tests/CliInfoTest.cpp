#include "CliFixture.h"

namespace {

using CliInfoTest = CliFixture;

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
        EXPECT_EQ(result.commands, Concat({Identify(), c.read}));
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
    EXPECT_EQ(result.commands, Reread());
}

}  // namespace
