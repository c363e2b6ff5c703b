#include "AppSettings.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
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
}

TEST_F(AppSettingsTest, terminalViewOptions_areStoredInTheSameGroup) {
    AppSettings::SetTermHexView(true);
    AppSettings::SetTermScrollback(1'000'000);
    QSettings raw;
    EXPECT_EQ(raw.value("Default Values/Terminal hex view").toInt(), 1);
    EXPECT_EQ(raw.value("Default Values/Terminal scrollback characters").toInt(), 1'000'000);
    EXPECT_TRUE(AppSettings::TermHexView());
    EXPECT_EQ(AppSettings::TermScrollback(), 1'000'000);
}

TEST_F(AppSettingsTest, valuesAreStoredUnderTheirHistoricNames) {
    AppSettings::WriteProfileInt(AppSettings::kRssiFilterValue, -70);
    AppSettings::WriteProfileString(AppSettings::kComPort, "/dev/ttyUSB0");
    QSettings raw;
    EXPECT_EQ(raw.value("Default Values/RSSI filter value").toInt(), -70);
    EXPECT_EQ(raw.value("Default Values/Application COM port").toString(), "/dev/ttyUSB0");
    EXPECT_EQ(AppSettings::RssiFilterValue(), -70);
}

TEST_F(AppSettingsTest, opModeOtherThanTerminal_readsAsConfigurator) {
    for (const int stored : {0, 1, 3, -1}) {
        AppSettings::WriteProfileInt(AppSettings::kOpMode, stored);
        EXPECT_EQ(AppSettings::OpMode(), AppSettings::kOpModeConfigurator) << stored;
    }
    AppSettings::WriteProfileInt(AppSettings::kOpMode, 2);
    EXPECT_EQ(AppSettings::OpMode(), AppSettings::kOpModeTerminal);
}

TEST_F(AppSettingsTest, unreadableInteger_givesTheDefault) {
    QSettings().setValue("Default Values/Application buadrate", "fast");
    EXPECT_EQ(AppSettings::BaudRate(), 9600);
}
