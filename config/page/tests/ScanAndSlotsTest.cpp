#include "PageFixture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <map>
#include <mutex>

namespace {

struct Report {
    std::string address;
    int rssi;
};

// The scan reports the module sends, in order.
class ReportLog {
public:
    void Record(SimTraceDirection direction, std::string_view line) {
        if (direction != SimTraceDirection::Sent || line.size() < 14 || line[0] != '+' ||
            line[13] != ',') {
            return;
        }
        const std::string rest(line.substr(14));
        std::lock_guard lock(m_lock);
        m_reports.push_back({std::string(line.substr(1, 12)), std::stoi(rest)});
    }
    std::vector<Report> Reports() const {
        std::lock_guard lock(m_lock);
        return m_reports;
    }

private:
    mutable std::mutex m_lock;
    std::vector<Report> m_reports;
};

class ScanAndSlotsTest : public PageFixture {
protected:
    // A multi-connection (or, with 'C', a central) module with devices to find.
    void OpenModule(char role) {
        VirtualModuleOptions options;
        options.devices = {{"C0FFEE000001", -58, "QUORVEX-01"},
                           {"C0FFEE000002", -86, "QUORVEX-FAR"},
                           {"D4CA6E10A2B3", -40, "Other"},
                           {"C0FFEE000003", -45, "QUORVEX 온도센서"}};
        options.trace = [this](SimTraceDirection direction, std::string_view line) {
            m_log.Record(direction, line);
        };
        StartModule(std::move(options));
        const std::string setRole = std::string("AT+ROLE=") + role + "\r";
        Prepare({{setRole.c_str(), KIND_SET_ROLE}});
        OpenAndWaitReady();
        m_module->ClearCommands();
    }

    QTableWidget* List() const { return Get<QTableWidget>(kIdScanList); }
    QString Cell(int row, int column) const { return List()->item(row, column)->text(); }
    QString ScanCaption() const { return Get<QAbstractButton>(kIdScan)->text(); }

    void StartScan() {
        ASSERT_TRUE(Click(kIdScan));
        ASSERT_TRUE(WaitFor([this] {
            return ScanCaption() == u"Stop" && Get(kIdScan)->isEnabled();
        })) << MessageTexts().join(u'|').toStdString();
    }

    void StopScan() {
        ASSERT_TRUE(Click(kIdScan));
        ASSERT_TRUE(WaitReady());
        EXPECT_EQ(ScanCaption(), u"Scan");
    }

    // Scans, without filters, until `devices` devices are listed.
    void ScanUntilListed(int devices) {
        StartScan();
        ASSERT_TRUE(WaitFor([&] { return List()->rowCount() >= devices; }));
        StopScan();
    }

    void Select(const QString& address) {
        for (int row = 0; row < List()->rowCount(); ++row) {
            if (Cell(row, 0) == address) {
                List()->selectRow(row);
                return;
            }
        }
        ADD_FAILURE() << "not listed: " << address.toStdString();
    }

    QLineEdit* SlotAddress(int slot) const { return Get<QLineEdit>(SlotAddressId(slot)); }
    QLineEdit* SlotName(int slot) const { return Get<QLineEdit>(SlotNameId(slot)); }

    // Save with the rows as they are; the one message it shows.
    QString SaveRefused() {
        m_prompter.messages.clear();
        EXPECT_TRUE(Click(kIdSave));
        EXPECT_EQ(m_prompter.messages.size(), 1u);
        EXPECT_TRUE(Get(kIdSave)->isEnabled());
        return m_prompter.messages.empty() ? QString() : m_prompter.messages[0].text;
    }

    ReportLog m_log;
};

TEST_F(ScanAndSlotsTest, scan_listsEachDeviceOnceWithItsFirstReportThatPassesTheFilters) {
    OpenModule('M');
    Get<QAbstractButton>(kIdNameFilterCheck)->click();
    Get<QLineEdit>(kIdNameFilter)->setText(QStringLiteral("QUORVEX"));
    Get<QAbstractButton>(kIdRssiFilterCheck)->click();
    Get<QLineEdit>(kIdRssiFilter)->setText(QStringLiteral(" -60 "));

    StartScan();
    EXPECT_FALSE(Get(kIdUpdate)->isEnabled());
    EXPECT_FALSE(Get(SlotAddressId(1))->isEnabled());
    // Wait until both devices that reach -60 dBm are listed and have been reported again.
    const auto reportedAfterListing = [this] {
        if (List()->rowCount() < 2) {
            return false;
        }
        std::map<std::string, int> counts;
        for (const Report& report : m_log.Reports()) {
            ++counts[report.address];
        }
        return counts["C0FFEE000001"] >= 6 && counts["C0FFEE000003"] >= 6;
    };
    ASSERT_TRUE(WaitFor(reportedAfterListing));
    StopScan();

    EXPECT_EQ(m_module->Commands(),
              (std::vector<std::string>{"AT+MODEL?", "AT+SF=ON,QUORVEX", "AT+STARTSCAN",
                                        "AT+STOPSCAN", "AT+SF=OFF"}));
    // Listed in the order of their first report at or above the threshold, with that report.
    std::vector<Report> expected;
    for (const Report& report : m_log.Reports()) {
        const bool listed = std::any_of(expected.begin(), expected.end(), [&](const Report& r) {
            return r.address == report.address;
        });
        if (!listed && report.rssi >= -60) {
            expected.push_back(report);
        }
    }
    ASSERT_EQ(List()->rowCount(), 2);
    ASSERT_EQ(expected.size(), 2u);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(Cell(row, 0).toStdString(), expected[static_cast<std::size_t>(row)].address);
        EXPECT_EQ(Cell(row, 2).toInt(), expected[static_cast<std::size_t>(row)].rssi);
    }
    EXPECT_TRUE(List()->findItems(QStringLiteral("QUORVEX 온도센서"), Qt::MatchExactly).size() ==
                1);
}

TEST_F(ScanAndSlotsTest, invalidFilters_areRefusedInKoreanAndNothingIsSent) {
    OpenModule('M');
    const struct {
        bool rssiOn;
        const char* rssi;
        bool nameOn;
        const char* name;
        const char* message;
    } cases[] = {
        {true, "  ", false, "", "RSSI 값이 설정되어 있지 않습니다."},
        {true, "-7a", false, "", "RSSI 필터값이 숫자가 아닙니다."},
        {false, "", true, "가나다", "필터 장치명이 너무 깁니다."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        m_prompter.messages.clear();
        Get<QAbstractButton>(kIdRssiFilterCheck)->setChecked(c.rssiOn);
        Get<QLineEdit>(kIdRssiFilter)->setText(QString::fromUtf8(c.rssi));
        Get<QAbstractButton>(kIdNameFilterCheck)->setChecked(c.nameOn);
        Get<QLineEdit>(kIdNameFilter)->setText(QString::fromUtf8(c.name));
        ASSERT_TRUE(Click(kIdScan));
        ASSERT_TRUE(WaitForMessages(1));
        EXPECT_EQ(m_prompter.messages[0].text.toStdString(), c.message);
        EXPECT_EQ(m_prompter.messages[0].caption, u"오류");
        EXPECT_TRUE(Get(kIdScan)->isEnabled());
        EXPECT_EQ(ScanCaption(), u"Scan");
    }
    EXPECT_TRUE(m_module->Commands().empty());
}

TEST_F(ScanAndSlotsTest, slots_takeListedDevicesOnceAndAreEmptiedWithX) {
    OpenModule('M');
    ScanUntilListed(4);

    List()->clearSelection();
    ASSERT_TRUE(Click(SlotCopyId(3)));
    EXPECT_EQ(MessageTexts(), QStringList{"No device selected in the scanned devices list."});

    Select(QStringLiteral("C0FFEE000001"));
    ASSERT_TRUE(Click(SlotCopyId(3)));
    EXPECT_EQ(SlotAddress(3)->text(), u"C0FFEE000001");
    EXPECT_TRUE(SlotAddress(3)->isReadOnly());
    EXPECT_EQ(SlotName(3)->text(), u"QUORVEX-");  // the first 8 of "QUORVEX-01"

    for (const int copyButton : {SlotCopyId(3), SlotCopyId(5)}) {  // slot 3 itself, then slot 5
        m_prompter.messages.clear();
        ASSERT_TRUE(Click(copyButton));
        EXPECT_EQ(MessageTexts(), QStringList{"The device is already assigned to a slot."});
    }
    EXPECT_TRUE(SlotAddress(5)->text().isEmpty());

    ASSERT_TRUE(Click(SlotClearId(3)));  // "X" of slot 3
    EXPECT_TRUE(SlotAddress(3)->text().isEmpty());
    EXPECT_TRUE(SlotName(3)->text().isEmpty());
    EXPECT_FALSE(SlotAddress(3)->isReadOnly());
    QTest::keyClicks(SlotAddress(3), QStringLiteral("c0ffee00000a"));
    EXPECT_EQ(SlotAddress(3)->text(), u"C0FFEE00000A");
    EXPECT_TRUE(m_module->Commands().empty() || m_module->Commands().back() == "AT+SF=OFF");
}

TEST_F(ScanAndSlotsTest, save_checksEverySlotThenWritesAllEight) {
    OpenModule('M');
    ScanUntilListed(4);
    Select(QStringLiteral("C0FFEE000003"));
    ASSERT_TRUE(Click(SlotCopyId(2)));  // slot 2 gets "QUORVEX 온도센서" cut to "QUORVEX ": 8 bytes
    Select(QStringLiteral("C0FFEE000001"));
    ASSERT_TRUE(Click(SlotCopyId(3)));

    QTest::keyClicks(SlotAddress(4), QStringLiteral("C0FFEE00000"));
    EXPECT_EQ(SaveRefused(), u"Slot 4: Invalid Bluetooth address.");
    SlotAddress(4)->clear();
    SlotAddress(6)->setText(QStringLiteral("c0ffee000001"));
    EXPECT_EQ(SaveRefused(), u"Duplicated Bluetooth addresses are assigned to slot");
    SlotAddress(6)->clear();
    SlotName(7)->setText(QStringLiteral("온도센서"));
    EXPECT_EQ(SaveRefused(), u"Slot 7: TAG 길이가 잘못되었습니다.");
    SlotName(7)->clear();
    // A comma would shift the arguments of "AT+SETSLOT", a line break end the command early.
    for (const QString& name : {QStringLiteral("A,B"), QStringLiteral("AB\n")}) {
        SlotName(5)->setText(name);
        EXPECT_EQ(SaveRefused(), u"Slot 5: the name must not contain commas or control "
                                 u"characters such as line breaks. Nothing was sent.");
    }
    SlotName(5)->clear();
    EXPECT_TRUE(m_module->Commands().empty() || m_module->Commands().back() == "AT+SF=OFF");

    m_module->ClearCommands();
    m_prompter.messages.clear();
    ASSERT_TRUE(Click(kIdSave));
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(m_prompter.messages[0].text, u"Node (device) registration has been completed");
    EXPECT_EQ(m_prompter.messages[0].icon, Prompter::Icon::None);
    ASSERT_TRUE(WaitReady());
    std::vector<std::string> commands = m_module->Commands();
    commands.resize(std::min<std::size_t>(commands.size(), 9));
    EXPECT_EQ(commands, (std::vector<std::string>{
                            "AT+MODEL?", "AT+DELSLOT=1", "AT+SETSLOT=2,C0FFEE000003,QUORVEX ",
                            "AT+SETSLOT=3,C0FFEE000001,QUORVEX-", "AT+DELSLOT=4", "AT+DELSLOT=5",
                            "AT+DELSLOT=6", "AT+DELSLOT=7", "AT+DELSLOT=8"}));
    // Read back from the module: filled slots can only be emptied with "X".
    EXPECT_EQ(SlotAddress(2)->text(), u"C0FFEE000003");
    EXPECT_TRUE(SlotAddress(2)->isReadOnly());
    EXPECT_EQ(SlotName(3)->text(), u"QUORVEX-");
    EXPECT_FALSE(SlotAddress(1)->isReadOnly());
}

TEST_F(ScanAndSlotsTest, masterDevice_andAutomaticConnection) {
    OpenModule('C');
    const struct {
        int button;
        const char* typed;
        const char* message;
        const char* sent;
    } cases[] = {
        {kIdMasterRegister, "12345", "Invalid Bluetooth address.", nullptr},
        {kIdMasterRegister, "c0ffee000001", "Master device registered successfully.",
         "AT+SETCONMAC=C0FFEE000001"},
        {kIdMasterDelete, "C0FFEE000001", "Successfully delete the master devices.",
         "AT+SETCONMAC=000000000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        m_module->ClearCommands();
        m_prompter.messages.clear();
        Get<QLineEdit>(kIdMasterAddress)->clear();
        QTest::keyClicks(Get<QLineEdit>(kIdMasterAddress), QString::fromUtf8(c.typed));
        ASSERT_TRUE(Click(c.button));
        ASSERT_TRUE(WaitForMessages(1));
        ASSERT_TRUE(WaitReady());
        EXPECT_EQ(m_prompter.messages[0].text.toStdString(), c.message);
        if (c.sent != nullptr) {
            EXPECT_TRUE(Sent(c.sent));
        } else {
            EXPECT_TRUE(m_module->Commands().empty());
        }
    }
    EXPECT_EQ(m_module->Settings().autoConnectAddress, "000000000000");

    m_prompter.messages.clear();
    Get<QRadioButton>(kIdAutoConOn)->setChecked(true);
    ASSERT_TRUE(Click(kIdAutoConApply));
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(m_prompter.messages[0].text, u"Completed automatic reconnection settings.");
    ASSERT_TRUE(WaitReady());
    EXPECT_TRUE(m_module->Settings().autoConnect);
    EXPECT_TRUE(Get<QRadioButton>(kIdAutoConOn)->isChecked());
}

TEST_F(ScanAndSlotsTest, unplugWhileScanning_reportsOnceAndLeadsBackToThePortSettings) {
    OpenModule('M');
    StartScan();
    ASSERT_TRUE(WaitFor([this] { return List()->rowCount() > 0; }));
    m_module->Unplug();
    ASSERT_TRUE(WaitFor([this] { return m_setupRequests > 0; }));
    QCoreApplication::processEvents();  // whatever the stopped worker had handed over
    EXPECT_EQ(MessageTexts(), QStringList{"Error on COM port. Closing the port."});
    EXPECT_EQ(m_prompter.messages[0].icon, Prompter::Icon::Error);
    EXPECT_EQ(m_setupRequests, 1);
    EXPECT_FALSE(m_page->IsPortOpen());
    EXPECT_FALSE(Get(kIdScan)->isEnabled());
    EXPECT_FALSE(Get(kIdUpdate)->isEnabled());
    EXPECT_EQ(ScanCaption(), u"Scan");  // no scan runs without a port
}

}  // namespace
