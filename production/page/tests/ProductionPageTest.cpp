// The production page against several virtual modules: what the operator sees, what the record
// holds, and how a run ends.

#include "ProductionPage.h"
#include "RecordStore.h"
#include "RecordingFileAsker.h"
#include "ScratchSettings.h"
#include "StallProbe.h"
#include "StationTile.h"
#include "Translations.h"
#include "VirtualModule.h"

#include <gmock/gmock.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QWindow>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using Page = ProductionPage;
using State = StationTile::State;

std::string Scratch(const std::string& name) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("skw-production-page-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / name);
    return (folder / name).string();
}

QString WriteFile(const std::string& name, const std::string& text) {
    const std::string path = Scratch(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return QString::fromStdString(path);
}

// A page with a settings file and its own database, no system ports (only the test's virtual
// modules are listed) and a pattern that matches only this test's modules.
class ProductionPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_tag = "pp-" + std::to_string(::getpid()) + "-" + test.substr(0, 12) + "-";
        m_database = Scratch(test + ".sqlite");
        m_page = std::make_unique<Page>();
        m_page->SetSystemPortSource([] { return QStringList(); });
        m_page->resize(1200, 800);
        m_page->show();
        Get<QLineEdit>(Page::kIdPattern)->setText(QString::fromStdString("*/" + m_tag + "*"));
        Get<QAbstractButton>(Page::kIdRecordOther)->click();
        Get<QLineEdit>(Page::kIdRecordAddress)
            ->setText(QString::fromStdString("sqlite:" + m_database));
        Get<QLineEdit>(Page::kIdLot)->setText(QStringLiteral("L9"));
    }
    void TearDown() override {
        if (m_page->IsRunning()) {
            m_page->RequestStop();
            m_page->RequestStop();
            EXPECT_TRUE(WaitFor([&] { return !m_page->IsRunning(); }));
        }
        m_page.reset();
        m_modules.clear();
    }

    template <typename T>
    T* Get(const char* name) {
        T* control = m_page->findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    static bool WaitFor(const std::function<bool()>& condition, int ms = 30000) {
        return QTest::qWaitFor(condition, ms);
    }

    void UseSettings(const std::string& json) {
        RecordingFileAsker asker;
        asker.AnswerWith(WriteFile(m_tag + "settings.json", json));
        Get<QAbstractButton>(Page::kIdChooseSettings)->click();
        ASSERT_EQ(asker.requests.size(), 1u);
    }

    // Starts the run and waits until the station watches its ports.
    void StartRun() {
        Get<QAbstractButton>(Page::kIdStart)->click();
        ASSERT_TRUE(m_page->IsRunning());
        ASSERT_TRUE(WaitFor([&] { return m_page->StatusText().contains("Recording into"); }))
            << m_page->StatusText().toStdString();
    }

    // A module plugged into the fixture now.
    VirtualModule& Plug(const std::string& address, VirtualModuleOptions options = {}) {
        options.portName = m_tag + std::to_string(m_modules.size());
        options.address = address;
        m_modules.push_back(std::make_unique<VirtualModule>(options));
        EXPECT_FALSE(m_modules.back()->Start());
        return *m_modules.back();
    }
    QString PortOf(std::size_t i) const { return QString::fromStdString(m_modules[i]->PortPath()); }

    StationTile* TileOf(std::size_t i) { return m_page->Tile(PortOf(i)); }
    bool Ended(std::size_t i) {
        StationTile* tile = TileOf(i);
        return tile != nullptr &&
               (tile->CurrentState() == State::Pass || tile->CurrentState() == State::Fail ||
                tile->CurrentState() == State::Duplicate);
    }

    std::vector<UnitRecord> Records() {
        std::string why;
        auto store = OpenRecordStore("sqlite:" + m_database, why);
        EXPECT_NE(store, nullptr) << why;
        return store ? store->Records({}, why) : std::vector<UnitRecord>{};
    }

    ScratchSettings m_settings;  // what the page remembers stays with the test
    std::string m_tag;
    std::string m_database;
    std::unique_ptr<Page> m_page;
    std::vector<std::unique_ptr<VirtualModule>> m_modules;
};

// Modules plugged in while the station runs go from waiting to PASS, each with the next name;
// the record holds what the tiles show, and the counts add up.
TEST_F(ProductionPageTest, pluggedModules_goFromWaitingToPass_withTheirNames_asRecorded) {
    UseSettings(R"({"name": "SNS-{n:03}", "advInterval": 200})");
    EXPECT_THAT(Get<QPlainTextEdit>(Page::kIdSummary)->toPlainText().toStdString(),
                HasSubstr("Name: SNS-{n:03}"));
    StartRun();
    VirtualModuleOptions slow;
    slow.latency = 30ms;
    for (int i = 0; i < 3; ++i) {
        Plug("C0FFEE0001A" + std::to_string(i), slow);
    }
    std::map<QString, std::set<State>> seen;
    ASSERT_TRUE(WaitFor([&] {
        for (std::size_t i = 0; i < 3; ++i) {
            if (StationTile* tile = TileOf(i)) {
                seen[PortOf(i)].insert(tile->CurrentState());
            }
        }
        return Ended(0) && Ended(1) && Ended(2);
    }));
    std::set<QString> names;
    for (std::size_t i = 0; i < 3; ++i) {
        StationTile* tile = TileOf(i);
        EXPECT_EQ(tile->CurrentState(), State::Pass) << tile->Reason().toStdString();
        EXPECT_TRUE(seen[PortOf(i)].contains(State::Waiting));
        EXPECT_TRUE(seen[PortOf(i)].contains(State::Configuring));
        EXPECT_THAT(tile->accessibleName().toStdString(), HasSubstr("PASS"));
        EXPECT_THAT(tile->accessibleName().toStdString(),
                    HasSubstr(tile->NameText().toStdString()));
        names.insert(tile->NameText());
    }
    EXPECT_EQ(names, (std::set<QString>{"SNS-001", "SNS-002", "SNS-003"}));
    EXPECT_TRUE(WaitFor([&] { return Get<QLabel>(Page::kIdPass)->text() == "PASS: 3"; }));
    EXPECT_EQ(Get<QLabel>(Page::kIdUnits)->text(), "Units: 3");
    EXPECT_EQ(Get<QLabel>(Page::kIdYield)->text(), "First-pass yield: 100.0 %");
    EXPECT_EQ(Get<QTableWidget>(Page::kIdRecords)->rowCount(), 3);

    // The table shows the port's short name (its path in the tooltip) and the local time of
    // day, neither of them cut.
    const std::vector<UnitRecord> records = Records();
    auto* table = Get<QTableWidget>(Page::kIdRecords);
    QTest::qWait(50);
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString port = table->item(row, 1)->toolTip();
        EXPECT_EQ(table->item(row, 1)->text(), port.section(u'/', -1));
        EXPECT_TRUE(port.startsWith(u'/')) << port.toStdString();
        const QString time = table->item(row, 0)->text();
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(time).hasMatch())
            << time.toStdString();
        const QDateTime utc =
            QDateTime::fromString(table->item(row, 0)->toolTip(), Qt::ISODateWithMs);
        ASSERT_TRUE(utc.isValid()) << table->item(row, 0)->toolTip().toStdString();
        EXPECT_EQ(time, utc.toLocalTime().toString(QStringLiteral("HH:mm:ss")));
        for (const int column : {0, 1}) {
            EXPECT_GE(table->columnWidth(column),
                      table->fontMetrics().horizontalAdvance(table->item(row, column)->text()));
        }
    }

    ASSERT_EQ(records.size(), 3u);
    for (const UnitRecord& record : records) {
        StationTile* tile = m_page->Tile(QString::fromStdString(record.port));
        ASSERT_NE(tile, nullptr) << record.port;
        EXPECT_EQ(record.result, UnitRecord::Result::Pass);
        EXPECT_EQ(QString::fromStdString(record.name), tile->NameText());
        EXPECT_THAT(tile->accessibleName().toStdString(), HasSubstr(record.address));
        EXPECT_EQ(record.lot, "L9");
    }
    for (const auto& module : m_modules) {
        EXPECT_EQ(module->Commands().back(), "ATZ");
    }
}

// Only the ports the station watches get tiles: a port there before the start asks for its
// module to be plugged in again, one the pattern leaves out gets none.
TEST_F(ProductionPageTest, tiles_areForTheWatchedPortsOnly_andAPresentOneAsksForAReplug) {
    m_page->SetSystemPortSource([] { return QStringList{QStringLiteral("/dev/ttyS0")}; });
    UseSettings(R"({"advInterval": 210})");
    Plug("C0FFEE0003A0");
    StartRun();
    ASSERT_TRUE(WaitFor([&] { return TileOf(0) != nullptr; }));
    EXPECT_EQ(TileOf(0)->CurrentState(), State::Present);
    EXPECT_EQ(TileOf(0)->StateText(), "Plug in again");
    Plug("C0FFEE0003A1");
    ASSERT_TRUE(WaitFor([&] { return Ended(1); }));
    EXPECT_EQ(TileOf(0)->CurrentState(), State::Present);
    EXPECT_EQ(m_page->Tile(QStringLiteral("/dev/ttyS0")), nullptr);
    EXPECT_EQ(m_page->Tiles().size(), 2);
}

// A path typed or pasted into the settings file's field is read as a chosen one is: a good file
// gives its summary and Start, a missing one says why and keeps Start off.
TEST_F(ProductionPageTest, typedSettingsPath_isReadAsAChosenOne) {
    auto* field = Get<QLineEdit>(Page::kIdSettingsFile);
    EXPECT_FALSE(field->isReadOnly());
    const QString good = WriteFile(m_tag + "typed.json", R"({"name": "TYPED-{n}"})");
    struct Case {
        QString path;
        bool usable;
        std::string summary;
    };
    const Case cases[] = {
        {good, true, "TYPED-{n}"},
        {good + ".missing", false, "missing"},
        {QStringLiteral("  ") + good + QStringLiteral(" "), true, "TYPED-{n}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, c.path);
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(Get<QPushButton>(Page::kIdStart)->isEnabled(), c.usable);
        EXPECT_THAT(Get<QPlainTextEdit>(Page::kIdSummary)->toPlainText().toStdString(),
                    HasSubstr(c.summary));
    }
}

// The fields as the operator left them come back with the next page (the next run of the
// program), the settings file read again.
TEST_F(ProductionPageTest, fields_areRememberedForTheNextPage) {
    UseSettings(R"({"name": "KEEP-{n}"})");
    Get<QLineEdit>(Page::kIdStation)->setText(QStringLiteral("Bench 3"));
    Get<QLineEdit>(Page::kIdOperator)->setText(QString::fromUtf8("김민수"));
    const QString remote = QStringLiteral("rfc2217://127.0.0.1:4001");
    Get<QLineEdit>(Page::kIdRemotePort)->setText(remote);
    Get<QAbstractButton>(Page::kIdAddRemote)->click();  // ticks it and the ticked-ports choice
    const QString pattern = Get<QLineEdit>(Page::kIdPattern)->text();
    const QString settingsFile = Get<QLineEdit>(Page::kIdSettingsFile)->text();

    m_page = std::make_unique<Page>();
    m_page->SetSystemPortSource([] { return QStringList(); });
    EXPECT_EQ(Get<QLineEdit>(Page::kIdSettingsFile)->text(), settingsFile);
    EXPECT_THAT(Get<QPlainTextEdit>(Page::kIdSummary)->toPlainText().toStdString(),
                HasSubstr("KEEP-{n}"));
    EXPECT_TRUE(Get<QPushButton>(Page::kIdStart)->isEnabled());
    EXPECT_EQ(Get<QLineEdit>(Page::kIdPattern)->text(), pattern);
    EXPECT_TRUE(Get<QAbstractButton>(Page::kIdUseChosen)->isChecked());
    const QList<QListWidgetItem*> items =
        Get<QListWidget>(Page::kIdPortList)->findItems(remote, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.front()->checkState(), Qt::Checked);
    EXPECT_EQ(Get<QLineEdit>(Page::kIdStation)->text(), "Bench 3");
    EXPECT_EQ(Get<QLineEdit>(Page::kIdOperator)->text(), QString::fromUtf8("김민수"));
    EXPECT_EQ(Get<QLineEdit>(Page::kIdLot)->text(), "L9");
    EXPECT_TRUE(Get<QAbstractButton>(Page::kIdRecordOther)->isChecked());
    EXPECT_EQ(Get<QLineEdit>(Page::kIdRecordAddress)->text(),
              QString::fromStdString("sqlite:" + m_database));

    // Back to the pattern and this station's database: remembered too.
    Get<QAbstractButton>(Page::kIdUsePattern)->click();
    Get<QAbstractButton>(Page::kIdRecordDefault)->click();
    m_page = std::make_unique<Page>();
    EXPECT_TRUE(Get<QAbstractButton>(Page::kIdUsePattern)->isChecked());
    EXPECT_TRUE(Get<QAbstractButton>(Page::kIdRecordDefault)->isChecked());
}

// A module that refuses a command is a FAIL that says why, with its transcript a click away
// (and a flash when the operator asked for one); a module already configured is a DUPLICATE.
TEST_F(ProductionPageTest, refusingModule_failsWithItsReason_andADuplicateIsLeftAlone) {
    UseSettings(R"({"name": "DUP-{n}", "advInterval": 300})");
    EXPECT_FALSE(Get<QCheckBox>(Page::kIdFlashOnFail)->isChecked());
    EXPECT_FALSE(Get<QCheckBox>(Page::kIdSoundOnFail)->isChecked());
    Get<QCheckBox>(Page::kIdFlashOnFail)->setChecked(true);
    StartRun();
    VirtualModuleOptions refusing;
    refusing.refusedCommand = "AT+ADVINTERVAL=";
    Plug("C0FFEE0002B1", refusing);
    Plug("C0FFEE0002B2");
    ASSERT_TRUE(WaitFor([&] { return Ended(0) && Ended(1); }));
    Plug("C0FFEE0002B2");  // the one that passed, again
    ASSERT_TRUE(WaitFor([&] { return Ended(2); }));

    StationTile* failed = TileOf(0);
    EXPECT_EQ(failed->CurrentState(), State::Fail);
    EXPECT_FALSE(failed->Reason().isEmpty());
    EXPECT_THAT(failed->accessibleName().toStdString(), HasSubstr("FAIL"));
    EXPECT_THAT(failed->accessibleName().toStdString(), HasSubstr(failed->Reason().toStdString()));
    EXPECT_TRUE(WaitFor([&] { return m_page->IsFlashing(); }, 2000));
    QTest::mouseClick(failed, Qt::LeftButton);
    ASSERT_NE(m_page->TranscriptWindow(), nullptr);
    const auto* transcript = m_page->TranscriptWindow()->findChild<QPlainTextEdit*>();
    ASSERT_NE(transcript, nullptr);
    EXPECT_THAT(transcript->toPlainText().toStdString(), HasSubstr("> AT+ADVINTERVAL=300"));
    EXPECT_THAT(transcript->toPlainText().toStdString(), HasSubstr("< ERROR"));

    EXPECT_EQ(TileOf(1)->CurrentState(), State::Pass);
    EXPECT_EQ(TileOf(2)->CurrentState(), State::Duplicate);
    EXPECT_THAT(TileOf(2)->accessibleName().toStdString(), HasSubstr("DUPLICATE"));
    // Clicking a tile that did not fail opens nothing new.
    m_page->TranscriptWindow()->close();
    QTest::mouseClick(TileOf(1), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return m_page->TranscriptWindow() == nullptr; }, 2000));

    // From the keyboard alone: the tiles are in the tab order (Tab follows the focus chain to
    // what takes it), and Enter on the FAIL one opens its transcript.
    std::set<QWidget*> reached;
    QWidget* next = Get<QWidget>(Page::kIdSerial);
    for (int step = 0; step < 500; ++step) {
        next = next->nextInFocusChain();
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() && next->isVisible()) {
            reached.insert(next);
        }
    }
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(reached.contains(TileOf(i))) << i;
    }
    QTest::keyClick(failed, Qt::Key_Return);
    EXPECT_NE(m_page->TranscriptWindow(), nullptr);
    m_page->TranscriptWindow()->close();

    std::map<std::string, std::string> results;  // port -> result, as recorded
    for (const UnitRecord& record : Records()) {
        results[record.port] = ResultText(record.result);
        if (record.result == UnitRecord::Result::Fail) {
            EXPECT_EQ(QString::fromStdString(record.reason), failed->Reason());
        }
    }
    EXPECT_EQ(results,
              (std::map<std::string, std::string>{{m_modules[0]->PortPath(), "FAIL"},
                                                  {m_modules[1]->PortPath(), "PASS"},
                                                  {m_modules[2]->PortPath(), "DUPLICATE"}}));
    EXPECT_TRUE(WaitFor([&] { return Get<QLabel>(Page::kIdFail)->text() == "FAIL: 1"; }));
}

// While a run is on, nothing of its settings can change; Stop lets the running unit finish,
// starts no new one, and the window goes on handling its events meanwhile.
TEST_F(ProductionPageTest, stopMidRun_finishesTheRunningUnit_startsNoNewOne_andNeverBlocks) {
    UseSettings(R"({"name": "STP-{n}", "advInterval": 250})");
    const char* locked[] = {Page::kIdChooseSettings, Page::kIdPattern,     Page::kIdUsePattern,
                            Page::kIdUseChosen,      Page::kIdPortList,    Page::kIdRemotePort,
                            Page::kIdStation,        Page::kIdOperator,    Page::kIdLot,
                            Page::kIdRecordDefault,  Page::kIdRecordOther, Page::kIdRecordAddress,
                            Page::kIdStart};
    StartRun();
    for (const char* name : locked) {
        EXPECT_FALSE(Get<QWidget>(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(Get<QWidget>(Page::kIdStop)->isEnabled());
    EXPECT_TRUE(Get<QWidget>(Page::kIdSerial)->isEnabled());
    EXPECT_TRUE(Get<QWidget>(Page::kIdFlashOnFail)->isEnabled());

    VirtualModuleOptions slow;
    slow.latency = 150ms;
    Plug("C0FFEE0003C1", slow);
    ASSERT_TRUE(
        WaitFor([&] { return TileOf(0) && TileOf(0)->CurrentState() == State::Configuring; }));
    StallProbe probe;
    probe.Start();
    Get<QAbstractButton>(Page::kIdStop)->click();
    EXPECT_TRUE(m_page->IsRunning());
    EXPECT_EQ(Get<QPushButton>(Page::kIdStop)->text(), "Stop now");
    Plug("C0FFEE0003C2");  // too late: no new unit starts
    ASSERT_TRUE(WaitFor([&] { return !m_page->IsRunning(); }));
    probe.Stop();
    EXPECT_LT(probe.LongestMs(), 500);
    EXPECT_EQ(TileOf(0)->CurrentState(), State::Pass);
    EXPECT_EQ(m_modules[0]->Commands().back(), "ATZ");
    EXPECT_TRUE(m_modules[1]->Commands().empty());
    EXPECT_EQ(Records().size(), 1u);
    for (const char* name : locked) {
        EXPECT_TRUE(Get<QWidget>(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(Get<QWidget>(Page::kIdStop)->isEnabled());
}

// A second Stop ends a unit that is still running at its next safe point, still with "ATZ".
// Start and Stop from the keyboard: F5 and Shift+F5 (twice: stop now).
TEST_F(ProductionPageTest, startAndStop_haveKeys) {
    UseSettings(R"({"advInterval": 240})");
    QApplication::setActiveWindow(m_page.get());
    QWindow* window = m_page->windowHandle();
    QTest::keyClick(window, Qt::Key_F5);
    ASSERT_TRUE(WaitFor([&] { return m_page->IsRunning(); }, 2000));
    QTest::keyClick(window, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_TRUE(
        WaitFor([&] { return Get<QPushButton>(Page::kIdStop)->text() == "Stop now"; }, 2000));
    QTest::keyClick(window, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_TRUE(WaitFor([&] { return !m_page->IsRunning(); }));
}

TEST_F(ProductionPageTest, stopTwice_endsTheRunningUnitAtItsNextSafePoint) {
    UseSettings(R"({"name": "HRD-{n}", "advInterval": 260})");
    StartRun();
    VirtualModuleOptions slow;
    slow.latency = 250ms;
    Plug("C0FFEE0004D1", slow);
    // Once the module is in its setting mode, a stop still lets it go with "ATZ".
    ASSERT_TRUE(WaitFor(
        [&] { return TileOf(0) && TileOf(0)->accessibleName().contains("Applying step 1 of"); }));
    m_page->RequestStop();
    m_page->RequestStop();
    ASSERT_TRUE(WaitFor([&] { return !m_page->IsRunning(); }));
    EXPECT_EQ(m_modules[0]->Commands().back(), "ATZ");
    EXPECT_EQ(TileOf(0)->CurrentState(), State::Fail);
    EXPECT_EQ(m_page->StatusText(), "Stopped.");
}

// A scanned serial goes with the next unit that starts, into its tile and its record; one
// scanned for a port waits for that port.
TEST_F(ProductionPageTest, scannedSerial_goesWithTheNextUnit_intoItsRecord) {
    UseSettings(R"({"advInterval": 270})");
    StartRun();
    auto* serial = Get<QLineEdit>(Page::kIdSerial);
    QTest::keyClicks(serial, "SN-0001");
    QTest::keyClick(serial, Qt::Key_Return);
    EXPECT_TRUE(serial->text().isEmpty());
    EXPECT_THAT(Get<QLabel>(Page::kIdSerialQueue)->text().toStdString(), HasSubstr("SN-0001"));
    Plug("C0FFEE0005E1");
    ASSERT_TRUE(WaitFor([&] { return Ended(0); }));
    EXPECT_TRUE(Get<QLabel>(Page::kIdSerialQueue)->text().isEmpty());
    EXPECT_THAT(TileOf(0)->findChild<QLabel*>("tileDetail")->text().toStdString(),
                HasSubstr("SN-0001"));
    // The second, scanned for the port of a module plugged later.
    Plug("C0FFEE0005E2");
    ASSERT_TRUE(WaitFor([&] { return TileOf(1) != nullptr; }));
    // (the tile exists once the port is listed; its unit starts after the port has settled)
    auto* target = Get<QComboBox>(Page::kIdSerialTarget);
    target->setCurrentIndex(target->findData(PortOf(1)));
    QTest::keyClicks(serial, "SN-0002");
    QTest::keyClick(serial, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Ended(1); }));
    std::map<std::string, std::string> serials;
    for (const UnitRecord& record : Records()) {
        serials[record.address] = record.serial;
    }
    EXPECT_EQ(serials, (std::map<std::string, std::string>{{"C0FFEE0005E1", "SN-0001"},
                                                           {"C0FFEE0005E2", "SN-0002"}}));
    EXPECT_EQ(Get<QTableWidget>(Page::kIdRecords)->item(0, 5)->text(), "SN-0002");
}

// Every control and every tile has a name for automation and screen readers, in both
// languages; the texts are Korean when the user's language is.
TEST_F(ProductionPageTest, everyControlAndTile_hasAnAccessibleName_inBothLanguages) {
    const char* port = "rfc2217://127.0.0.1:1";
    Get<QLineEdit>(Page::kIdRemotePort)->setText(port);
    Get<QAbstractButton>(Page::kIdAddRemote)->click();
    EXPECT_TRUE(Get<QAbstractButton>(Page::kIdUseChosen)->isChecked());
    ASSERT_EQ(Get<QListWidget>(Page::kIdPortList)->findItems(port, Qt::MatchExactly).size(), 1);
    const auto check = [&](Page& page) {
        for (QWidget* widget : page.findChildren<QWidget*>()) {
            const bool control =
                qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
                qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<StationTile*>(widget);
            // The table's own parts (its headers, its corner button) go by the table's name.
            const bool inner =
                qobject_cast<QAbstractItemView*>(widget->parentWidget()) ||
                qobject_cast<QAbstractItemView*>(
                    widget->parentWidget() ? widget->parentWidget()->parentWidget() : nullptr);
            if (control && !inner) {
                EXPECT_FALSE(widget->accessibleName().isEmpty())
                    << widget->metaObject()->className() << " "
                    << widget->objectName().toStdString();
            }
        }
    };
    UseSettings(R"({"advInterval": 280})");
    Get<QAbstractButton>(Page::kIdStart)->click();  // a remote port that is not there: one tile
    ASSERT_TRUE(WaitFor([&] { return m_page->Tile(port) != nullptr; }));
    check(*m_page);
    m_page->RequestStop();
    m_page->RequestStop();
    ASSERT_TRUE(WaitFor([&] { return !m_page->IsRunning(); }));

    Translations::Install(QStringLiteral("ko"));
    {
        Page korean;
        EXPECT_EQ(korean.findChild<QPushButton*>(Page::kIdStart)->text(), "시작");
        EXPECT_EQ(korean.findChild<QPushButton*>(Page::kIdStart)->accessibleName(), "시작");
        EXPECT_EQ(korean.findChild<QLineEdit*>(Page::kIdSettingsFile)->placeholderText(),
                  "경로를 입력하거나 설정 파일을 선택하세요");
        EXPECT_EQ(korean.findChild<QPushButton*>(Page::kIdStart)->toolTip(), "시작 (F5)");
        check(korean);
        StationTile tile(QStringLiteral("/dev/ttyUSB0"));
        UnitRecord record;
        record.result = UnitRecord::Result::Pass;
        record.name = "SNS-001";
        tile.ShowRecord(record);
        EXPECT_EQ(tile.StateText(), "합격");
        EXPECT_THAT(tile.accessibleName().toStdString(), HasSubstr("합격"));
    }
    Translations::Install(QStringLiteral("en"));
}

}  // namespace
