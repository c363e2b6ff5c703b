// The page never makes the window thread wait on the module, and what follows a message box
// belongs to the connection that showed it.

#include "PageFixture.h"
#include "StallProbe.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <chrono>

namespace {

using namespace std::chrono_literals;

// Far below the 3 s report wait and stop limit that the window thread once sat out, far above
// what a loaded machine adds.
constexpr qint64 kStallLimitMs = 1000;

class ResponsivenessTest : public PageFixture {
protected:
    QString ScanCaption() const { return Get<QAbstractButton>(kIdScan)->text(); }
    bool WaitScanning() {
        return WaitFor([this] { return ScanCaption() == u"Stop" && Get(kIdScan)->isEnabled(); });
    }
    // Runs `action` on the window thread and lets its events run for `settleMs`; the longest
    // stall meanwhile.
    qint64 StallOf(const std::function<void()>& action, int settleMs = 300) {
        StallProbe probe;
        probe.Start();
        QTest::qWait(20);
        action();
        QTest::qWait(settleMs);
        probe.Stop();
        return probe.LongestMs();
    }
};

// A silent module: the report wait and the stop both run into their 3 s limits, on the worker.
TEST_F(ResponsivenessTest, stopDuringAScan_neverBlocksTheWindow_andKeepsTheCommandOrder) {
    StartModule();
    Prepare({{"AT+ROLE=M\r", KIND_SET_ROLE}});
    OpenAndWaitReady();
    m_module->ClearCommands();
    ASSERT_TRUE(Click(kIdScan));
    ASSERT_TRUE(WaitScanning());
    m_module->SetFault(SimFault::Silence, true);
    QTest::qWait(100);  // a report wait is under way by now; not a check

    const qint64 stall = StallOf([this] { Click(kIdScan); });
    EXPECT_LT(stall, kStallLimitMs);
    ASSERT_TRUE(WaitForCommand("AT+STOPSCAN"));
    m_module->SetFault(SimFault::Silence, false);
    ASSERT_TRUE(WaitReady()) << MessageTexts().join(u'|').toStdString();
    EXPECT_EQ(ScanCaption(), u"Scan");
    const auto commands = m_module->Commands();
    const auto stop = std::find(commands.begin(), commands.end(), "AT+STOPSCAN");
    ASSERT_NE(stop, commands.end());
    EXPECT_EQ(std::vector<std::string>(commands.begin(), stop),
              (std::vector<std::string>{"AT+MODEL?", "AT+SF=OFF", "AT+STARTSCAN"}));
    EXPECT_TRUE(MessageTexts().isEmpty());
}

// A message box runs an event loop; when the port closes and a new connection opens inside
// it, the old connection's follow-up (an identification, enabled controls) does not happen.
TEST_F(ResponsivenessTest, afterAMessageBox_onlyTheSameConnectionCarriesOn) {
    StartModule();
    OpenAndWaitReady();
    const auto identificationsOf = [](const std::vector<std::string>& commands) {
        return std::count(commands.begin(), commands.end(), "AT+MODEL?");
    };
    const auto perOpening = identificationsOf(m_module->Commands());
    const QString port = QString::fromStdString(m_module->PortPath());
    struct Case {
        const char* name;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"setting done, then identify", [this] { Click(kIdRoleApply); }},
        {"bad interval, then enable",
         [this] {
             Get<QLineEdit>(kIdAdvInterval)->setText(QStringLiteral("5"));
             Click(kIdAdvApply);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool replaced = false;
        m_prompter.whileShown = [&] {
            if (replaced) {
                return;
            }
            replaced = true;
            m_page->ClosePort();
            m_module->ClearCommands();
            ASSERT_FALSE(m_page->OpenPort(port, 9600, 0));
        };
        m_prompter.messages.clear();
        c.act();
        ASSERT_TRUE(WaitFor([&] { return replaced; }));
        m_prompter.whileShown = nullptr;
        // The new connection is still identifying: nothing of the old one enabled its controls.
        EXPECT_FALSE(Get(kIdUpdate)->isEnabled());
        ASSERT_TRUE(WaitReady()) << MessageTexts().join(u'|').toStdString();
        QTest::qWait(300);
        EXPECT_EQ(identificationsOf(m_module->Commands()), perOpening);
        EXPECT_EQ(m_prompter.messages.size(), 1u) << MessageTexts().join(u'|').toStdString();
    }
}

// The read of a connection closed in its middle ends on the worker after the next connection
// opened; its failure is not the new connection's.
TEST_F(ResponsivenessTest, resultOfAnEarlierConnection_isDroppedAfterCloseAndOpen) {
    VirtualModuleOptions options;
    options.lateBy = 700ms;
    options.lateCommand = "AT+MODULESETMODE";
    StartModule(options);
    const QString port = QString::fromStdString(m_module->PortPath());
    ASSERT_FALSE(m_page->OpenPort(port, 9600, 0));
    ASSERT_TRUE(WaitForCommand("AT+MODULESETMODE"));
    m_page->ClosePort();
    ASSERT_FALSE(m_page->OpenPort(port, 9600, 0));
    ASSERT_TRUE(WaitReady()) << MessageTexts().join(u'|').toStdString();
    QTest::qWait(1000);  // past the old connection's late answer
    EXPECT_TRUE(MessageTexts().isEmpty()) << MessageTexts().join(u'|').toStdString();
    EXPECT_TRUE(Get(kIdUpdate)->isEnabled());
    EXPECT_EQ(m_setupRequests, 0);
}

}  // namespace
