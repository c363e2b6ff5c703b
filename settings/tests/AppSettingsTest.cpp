#include "AppSettings.h"
#include "ScratchSettings.h"

#include <gtest/gtest.h>
#include <QSettings>

#include <functional>

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    ScratchSettings m_settings;
};

}  // namespace

TEST_F(AppSettingsTest, emptyStore_givesTheDefaults) {
    EXPECT_EQ(AppSettings::OpMode(), AppSettings::kOpModeConfigurator);
    EXPECT_EQ(AppSettings::ComPort(), "COM1");
    EXPECT_EQ(AppSettings::BaudRate(), 9600);
    EXPECT_EQ(AppSettings::FlowControl(), 0);
    EXPECT_FALSE(AppSettings::NameFilterChecked());
    EXPECT_EQ(AppSettings::NameFilterValue(), "QUORVEX");
    EXPECT_FALSE(AppSettings::RssiFilterChecked());
    EXPECT_EQ(AppSettings::RssiFilterValue(), -45);
    EXPECT_TRUE(AppSettings::LineEndCarriageReturn());
    EXPECT_FALSE(AppSettings::LineEndLineFeed());
    EXPECT_FALSE(AppSettings::TermTimestamps());
    EXPECT_FALSE(AppSettings::TermHexView());
    EXPECT_FALSE(AppSettings::TermHoldScroll());
    EXPECT_EQ(AppSettings::TermScrollback(), 32767);
    EXPECT_FALSE(AppSettings::TermLogAsShown());
    EXPECT_TRUE(AppSettings::TermDtr());
    EXPECT_TRUE(AppSettings::TermRts());
    EXPECT_FALSE(AppSettings::TermAutoReconnect());
    EXPECT_EQ(AppSettings::ProdPortPattern(), "*");
    EXPECT_FALSE(AppSettings::ProdUseTickedPorts());
    EXPECT_FALSE(AppSettings::ProdRecordToLine());
    EXPECT_TRUE(AppSettings::ProdTickedPorts().isEmpty());
}

// The names are what existing settings files hold, misspellings included: a renamed constant or
// a corrected typo would silently drop every user's stored choices.
TEST_F(AppSettingsTest, eachSetter_writesItsHistoricRawNameAndEncoding) {
    struct Case {
        const char* rawKey;
        std::function<void()> set;
        QVariant stored;
    };
    const Case cases[] = {
        {"Default Values/Applicatoin Op Mode", [] { AppSettings::SetOpMode(2); }, 2},
        {"Default Values/Application COM port", [] { AppSettings::SetComPort("/dev/ttyUSB0"); },
         "/dev/ttyUSB0"},
        {"Default Values/Application buadrate", [] { AppSettings::SetBaudRate(115200); }, 115200},
        {"Default Values/Application flow control", [] { AppSettings::SetFlowControl(1); }, 1},
        {"Default Values/Name filter check", [] { AppSettings::SetNameFilterChecked(true); }, 1},
        {"Default Values/Name filter value", [] { AppSettings::SetNameFilterValue("ABC"); }, "ABC"},
        {"Default Values/RSSI filter check", [] { AppSettings::SetRssiFilterChecked(true); }, 1},
        {"Default Values/RSSI filter value", [] { AppSettings::SetRssiFilterValue(-70); }, -70},
        {"Default Values/Line end carriage return",
         [] { AppSettings::SetLineEndCarriageReturn(false); }, 0},
        {"Default Values/Line end line feed", [] { AppSettings::SetLineEndLineFeed(true); }, 1},
        {"Default Values/Terminal timestamps", [] { AppSettings::SetTermTimestamps(true); }, 1},
        {"Default Values/Terminal hex view", [] { AppSettings::SetTermHexView(true); }, 1},
        {"Default Values/Terminal hold when scrolled up",
         [] { AppSettings::SetTermHoldScroll(true); }, 1},
        {"Default Values/Terminal scrollback characters",
         [] { AppSettings::SetTermScrollback(1'000'000); }, 1'000'000},
        {"Default Values/Terminal log as shown", [] { AppSettings::SetTermLogAsShown(true); }, 1},
        {"Default Values/Terminal DTR", [] { AppSettings::SetTermDtr(false); }, 0},
        {"Default Values/Terminal RTS", [] { AppSettings::SetTermRts(false); }, 0},
        {"Default Values/Terminal automatic reconnect",
         [] { AppSettings::SetTermAutoReconnect(true); }, 1},
        {"Default Values/Terminal timestamp format", [] { AppSettings::SetTermStampFormat(2); }, 2},
        {"Default Values/Terminal leave DTR and RTS", [] { AppSettings::SetTermLeaveLines(true); },
         1},
        {"Default Values/Terminal log without control sequences",
         [] { AppSettings::SetTermLogPlainText(true); }, 1},
        {"Default Values/Terminal line delay", [] { AppSettings::SetTermLineDelayMs(20); }, 20},
        {"Default Values/Terminal character delay", [] { AppSettings::SetTermCharDelayMs(3); }, 3},
        {"Default Values/Terminal macros", [] { AppSettings::SetTermMacros("[]"); }, "[]"},
        {"Default Values/Production settings file",
         [] { AppSettings::SetProdSettingsFile("/x/s.json"); }, "/x/s.json"},
        {"Default Values/Production ticked ports only",
         [] { AppSettings::SetProdUseTickedPorts(true); }, 1},
        {"Default Values/Production port pattern",
         [] { AppSettings::SetProdPortPattern("*/line-*"); }, "*/line-*"},
        {"Default Values/Production ticked ports",
         [] { AppSettings::SetProdTickedPorts({"/dev/ttyUSB0"}); }, "/dev/ttyUSB0"},
        {"Default Values/Production station", [] { AppSettings::SetProdStation("S1"); }, "S1"},
        {"Default Values/Production operator", [] { AppSettings::SetProdOperator("Kim"); }, "Kim"},
        {"Default Values/Production lot", [] { AppSettings::SetProdLot("L9"); }, "L9"},
        {"Default Values/Production record to the line",
         [] { AppSettings::SetProdRecordToLine(true); }, 1},
        {"Default Values/Production record address",
         [] { AppSettings::SetProdRecordAddress("sqlite:/x.db"); }, "sqlite:/x.db"},
    };
    for (const Case& c : cases) {
        ScratchSettings::Clear();
        c.set();
        QSettings raw;
        EXPECT_EQ(raw.allKeys(), QStringList{c.rawKey}) << c.rawKey;
        EXPECT_EQ(raw.value(c.rawKey).toString(), c.stored.toString()) << c.rawKey;
    }
}

TEST_F(AppSettingsTest, storedValues_readBackThroughTheGetters) {
    AppSettings::SetComPort("/dev/ttyUSB0");
    AppSettings::SetRssiFilterValue(-70);
    AppSettings::SetLineEndCarriageReturn(false);
    AppSettings::SetNameFilterChecked(true);
    AppSettings::SetProdTickedPorts({"/dev/ttyUSB0", "rfc2217://host:4000"});
    EXPECT_EQ(AppSettings::ProdTickedPorts(), QStringList({"/dev/ttyUSB0", "rfc2217://host:4000"}));
    EXPECT_EQ(AppSettings::ComPort(), "/dev/ttyUSB0");
    EXPECT_EQ(AppSettings::RssiFilterValue(), -70);
    EXPECT_FALSE(AppSettings::LineEndCarriageReturn());
    EXPECT_TRUE(AppSettings::NameFilterChecked());
}

TEST_F(AppSettingsTest, opModeOtherThanTerminalOrProduction_readsAsConfigurator) {
    for (const int stored : {0, 1, 4, -1}) {
        AppSettings::SetOpMode(stored);
        EXPECT_EQ(AppSettings::OpMode(), AppSettings::kOpModeConfigurator) << stored;
    }
    AppSettings::SetOpMode(2);
    EXPECT_EQ(AppSettings::OpMode(), AppSettings::kOpModeTerminal);
    AppSettings::SetOpMode(3);
    EXPECT_EQ(AppSettings::OpMode(), AppSettings::kOpModeProduction);
}

TEST_F(AppSettingsTest, unreadableInteger_givesTheDefault) {
    ScratchSettings::Store(AppSettings::Value::BaudRate, "fast");
    EXPECT_EQ(AppSettings::BaudRate(), 9600);
}
