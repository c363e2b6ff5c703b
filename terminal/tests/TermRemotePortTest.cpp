// The terminal on a port exported over the network, against a scripted access server: the modem
// lines it notifies, the control requests the terminal's line tools send, and a dropped link.
#include "AppSettings.h"
#include "RecordingPrompter.h"
#include "Rfc2217Peer.h"
#include "ScratchSettings.h"
#include "SerialTermPage.h"
#include "TelnetProtocol.h"
#include "TermRichedit.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>

namespace {

constexpr int kWaitMs = 10'000;

class TermRemotePortTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<SerialTermPage>();
        page->show();
    }

    template <typename Control>
    Control* Find(const char* name) const {
        return page->findChild<Control*>(QLatin1String(name));
    }
    bool Lit(const char* indicator) const {
        return Find<QLabel>(indicator)->property("lit").toBool();
    }
    bool ViewShows(const QString& text) const {
        return page->findChild<TermRichedit*>(QString::number(SerialTermPage::kIdView))
            ->PlainText()
            .contains(text);
    }
    static bool Requested(const Rfc2217Peer::Seen& seen, std::uint8_t control) {
        const Rfc2217Peer::Request request{Telnet::kSetControl, {control}};
        return std::find(seen.requests.begin(), seen.requests.end(), request) !=
               seen.requests.end();
    }
    QString Url(const Rfc2217Peer& peer) const { return QString::fromStdString(peer.Url()); }

    ScratchSettings settings;
    RecordingPrompter prompter;
    std::unique_ptr<SerialTermPage> page;
};

}  // namespace

TEST_F(TermRemotePortTest, notifiedLines_light_andTheLineToolsSendControlRequests) {
    Rfc2217Peer peer(
        {.modemStateAtStart = Telnet::kModemCts | Telnet::kModemDcd, .notifyAtStart = true});
    ASSERT_FALSE(page->OpenPort(Url(peer), 115200, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lit("termCts") && Lit("termDcd"); }, kWaitMs));
    EXPECT_FALSE(Lit("termDsr"));
    peer.SendModemState(Telnet::kModemDsr | Telnet::kModemRi);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lit("termDsr") && Lit("termRi") && !Lit("termCts"); },
                                kWaitMs));

    // Opening asserted both lines (the stored default); the check boxes drop them.
    EXPECT_TRUE(peer.WaitFor([](const auto& seen) {
        return Requested(seen, Telnet::kControlDtrOn) && Requested(seen, Telnet::kControlRtsOn);
    }));
    Find<QCheckBox>("termDtr")->click();
    Find<QCheckBox>("termRts")->click();
    EXPECT_TRUE(peer.WaitFor([](const auto& seen) {
        return Requested(seen, Telnet::kControlDtrOff) && Requested(seen, Telnet::kControlRtsOff);
    }));
    ASSERT_TRUE(Find<QPushButton>("termBreak")->isEnabled());
    Find<QPushButton>("termBreak")->click();
    // The break ends by a timer of the window thread: wait with the event loop running.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto seen = peer.Snapshot();
            return Requested(seen, Telnet::kControlBreakOn) &&
                   Requested(seen, Telnet::kControlBreakOff);
        },
        kWaitMs));
    EXPECT_TRUE(Find<QPushButton>("termBreak")->isEnabled());

    peer.SendData({'o', 'k', 0xFF, '\n'});
    EXPECT_TRUE(QTest::qWaitFor([&] { return ViewShows(QStringLiteral("ok")); }, kWaitMs));
    EXPECT_TRUE(prompter.messages.empty());
}

// A server that drops the connection is a lost port: with automatic reconnect the terminal
// waits, connects again as soon as the server takes connections, and reads on.
TEST_F(TermRemotePortTest, aDroppedLink_isALostPort_thatReconnectOpensAgain) {
    AppSettings::SetTermAutoReconnect(true);
    page = std::make_unique<SerialTermPage>();
    page->show();
    Rfc2217Peer peer;
    ASSERT_FALSE(page->OpenPort(Url(peer), 115200, 0));
    ASSERT_TRUE(peer.WaitFor([](const auto& seen) { return seen.connected; }));

    peer.Disconnect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->IsWaitingForPort(); }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->IsPortOpen(); }, kWaitMs));
    EXPECT_EQ(peer.Snapshot().connections, 2u);
    peer.SendData({'b', 'a', 'c', 'k'});
    EXPECT_TRUE(QTest::qWaitFor([&] { return ViewShows(QStringLiteral("back")); }, kWaitMs));
    EXPECT_TRUE(prompter.messages.empty());
}
