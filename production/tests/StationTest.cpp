#include "Station.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The records a station wrote, and PASS addresses known from before.
class MemoryRecord : public RecordSink {
public:
    std::error_code Write(const UnitRecord& record) override {
        std::lock_guard guard(m_lock);
        if (failFrom != 0 && records.size() + 1 >= failFrom) {
            return std::make_error_code(std::errc::no_space_on_device);
        }
        records.push_back(record);
        return {};
    }
    std::set<std::string> PassedAddresses() const override { return earlier; }
    std::string Name() const override { return "memory"; }

    std::vector<UnitRecord> Records() {
        std::lock_guard guard(m_lock);
        return records;
    }

    std::set<std::string> earlier;
    std::size_t failFrom = 0;  // this write and every later one fail; 0: none

private:
    std::mutex m_lock;
    std::vector<UnitRecord> records;
};

// Ports that the test plugs in and out; each port's module has an address and a behaviour.
class Fixture {
public:
    void Plug(const std::string& port) {
        std::lock_guard guard(m_lock);
        m_ports.push_back(port);
    }
    void Unplug(const std::string& port) {
        std::lock_guard guard(m_lock);
        std::erase(m_ports, port);
    }
    std::vector<std::string> Ports() {
        std::lock_guard guard(m_lock);
        return m_ports;
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_ports;
};

StationOptions FastOptions(unsigned parallel = 0) {
    StationOptions options;
    // Tests run side by side, with the same port names: each its own locks.
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const auto folder = std::filesystem::temp_directory_path() /
                        ("skw-station-locks-" + std::to_string(::getpid()) + "-" + test->name());
    std::filesystem::create_directories(folder);
    options.lockFolder = folder.string();
    options.portPattern = "/dev/fx*";
    options.parallel = parallel;
    options.pollInterval = 5ms;
    options.settleTime = 10ms;
    return options;
}

// Runs a station, plugging modules in once it watches, until `done` holds for its records (it
// is then stopped as Ctrl+C does) or it stops by itself.
Station::End RunUntil(Station& station, MemoryRecord& record, const std::function<void()>& plug,
                      const std::function<bool(const std::vector<UnitRecord>&)>& done) {
    std::atomic<int> stop{0};
    std::atomic<bool> ended{false};
    std::thread helper([&] {
        std::this_thread::sleep_for(30ms);  // what is there when it starts is not new
        plug();
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while (!ended && !done(record.Records()) && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(5ms);
        }
        stop = 1;
    });
    const Station::End end = station.Run(stop);
    ended = true;
    helper.join();
    return end;
}

UnitTry Passed(const UnitContext& unit) {
    UnitTry tried;
    tried.record.port = unit.port;  // the unit's work fills its record, the station passes it on
    tried.record.address = "ADDR-" + unit.port;
    tried.record.name = "SNS-" + std::to_string(unit.number);
    tried.record.result =
        unit.claim(tried.record.address) ? UnitRecord::Result::Pass : UnitRecord::Result::Duplicate;
    tried.nameWritten = tried.record.result == UnitRecord::Result::Pass;
    return tried;
}

}  // namespace

// Modules plugged in together run at the same time, and their names are unique and without
// gaps, whatever order they end in.
TEST(StationTest, unitsRunTogether_withUniqueGapFreeNumbers) {
    Fixture fixture;
    MemoryRecord record;
    LocalNameCounter counter(1);
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    Station station(
        FastOptions(), [&] { return fixture.Ports(); },
        [&](const UnitContext& unit) {
            mostAtOnce = std::max(mostAtOnce.load(), ++running);
            std::this_thread::sleep_for(100ms);
            --running;
            return Passed(unit);
        },
        counter, &record, {});
    RunUntil(
        station, record,
        [&] {
            for (int i = 0; i < 6; ++i) {
                fixture.Plug("/dev/fx" + std::to_string(i));
            }
        },
        [](const auto& records) { return records.size() == 6; });
    std::vector<std::string> names;
    for (const UnitRecord& r : record.Records()) {
        EXPECT_EQ(r.result, UnitRecord::Result::Pass);
        names.push_back(r.name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"SNS-1", "SNS-2", "SNS-3", "SNS-4", "SNS-5", "SNS-6"}));
    EXPECT_GT(mostAtOnce.load(), 1);
}

// A unit that fails before its name is written gives its number back; a failure on the line
// is tried again (and recorded each time), a refusal is not; an address that passed before is
// a duplicate and is not configured.
TEST(StationTest, numbersGivenBack_retriesOnTheLineOnly_andDuplicates) {
    Fixture fixture;
    MemoryRecord record;
    record.earlier = {"ADDR-/dev/fx-old"};
    LocalNameCounter counter(1);
    std::map<std::string, int> tries;
    std::mutex triesLock;
    StationOptions options = FastOptions(1);  // one at a time: a predictable order
    options.retries = 1;
    Station station(
        options, [&] { return fixture.Ports(); },
        [&](const UnitContext& unit) {
            {
                std::lock_guard guard(triesLock);
                ++tries[unit.port];
            }
            UnitTry tried;
            tried.record.address = "ADDR-" + unit.port;
            if (unit.port == "/dev/fx-line") {
                tried.lineFailure = true;  // no answer, both times
            } else if (unit.port == "/dev/fx-refuses") {
                tried.record.reason = "refused";
            } else {
                return Passed(unit);
            }
            return tried;
        },
        counter, &record, {});
    RunUntil(
        station, record,
        [&] {
            for (const char* port :
                 {"/dev/fx-line", "/dev/fx-refuses", "/dev/fx-old", "/dev/fx-new"}) {
                fixture.Plug(port);
                std::this_thread::sleep_for(30ms);
            }
        },
        [](const auto& records) { return records.size() == 5; });
    const auto records = record.Records();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(tries["/dev/fx-line"], 2);
    EXPECT_EQ(tries["/dev/fx-refuses"], 1);
    // The new module got number 1: the units before it gave theirs back.
    const auto passed = std::find_if(records.begin(), records.end(), [](const UnitRecord& r) {
        return r.result == UnitRecord::Result::Pass;
    });
    ASSERT_NE(passed, records.end());
    EXPECT_EQ(passed->port, "/dev/fx-new");
    EXPECT_EQ(passed->name, "SNS-1");
    const auto old = std::count_if(records.begin(), records.end(), [](const UnitRecord& r) {
        return r.result == UnitRecord::Result::Duplicate;
    });
    EXPECT_EQ(old, 1);
    const StationSummary summary = station.Summary();
    EXPECT_EQ(summary.units, 4u);
    EXPECT_EQ(summary.pass, 1u);
    EXPECT_EQ(summary.fail, 2u);
    EXPECT_EQ(summary.duplicate, 1u);
    EXPECT_DOUBLE_EQ(summary.FirstPassYield(), 1.0 / 3.0);
}

// A record that cannot be written stops the station before the next unit, and the unit whose
// record was lost is not reported as done.
TEST(StationTest, aRecordThatCannotBeWritten_stopsBeforeTheNextUnit) {
    Fixture fixture;
    MemoryRecord record;
    record.failFrom = 2;
    LocalNameCounter counter(1);
    std::atomic<int> started{0};
    std::vector<std::string> shown;
    StationEvents events;
    events.recorded = [&shown](const UnitRecord& r) { shown.push_back(r.name); };
    Station station(
        FastOptions(1), [&] { return fixture.Ports(); },
        [&](const UnitContext& unit) {
            ++started;
            return Passed(unit);
        },
        counter, &record, events);
    // Nothing but the failed record stops it.
    const Station::End end = RunUntil(
        station, record,
        [&] {
            for (int i = 0; i < 4; ++i) {
                fixture.Plug("/dev/fx" + std::to_string(i));
            }
        },
        [](const auto&) { return false; });
    EXPECT_EQ(end, Station::End::RecordFailed);
    EXPECT_EQ(started.load(), 2);
    EXPECT_EQ(shown, std::vector<std::string>{"SNS-1"});
}

// A module swapped into a port while the station is still busy with its predecessor is a unit
// of its own, not silence.
TEST(StationTest, aModuleSwappedInWhileItsPredecessorRuns_getsItsOwnUnit) {
    Fixture fixture;
    MemoryRecord record;
    LocalNameCounter counter(1);
    std::atomic<int> units{0};
    Station station(
        FastOptions(), [&] { return fixture.Ports(); },
        [&](const UnitContext& unit) {
            UnitTry tried = Passed(unit);
            tried.record.address += "#" + std::to_string(++units);
            std::this_thread::sleep_for(150ms);
            return tried;
        },
        counter, &record, {});
    RunUntil(
        station, record,
        [&] {
            fixture.Plug("/dev/fx0");
            while (units.load() == 0) {
                std::this_thread::sleep_for(2ms);
            }
            fixture.Unplug("/dev/fx0");  // the first module is pulled out while it runs
            std::this_thread::sleep_for(30ms);
            fixture.Plug("/dev/fx0");  // and the next one plugged in
        },
        [](const auto& records) { return records.size() == 2; });
    const auto records = record.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "SNS-1");
    EXPECT_EQ(records[1].name, "SNS-2");
}

// The station hands every try its own context (who works, which lot, which try) and writes the
// record as the unit's work filled it: a retry is a second try of the same unit.
TEST(StationTest, eachTry_getsTheStationsContext_andItsRecordIsWrittenAsFilled) {
    Fixture fixture;
    MemoryRecord record;
    LocalNameCounter counter(1);
    StationOptions options = FastOptions(1);
    options.station = "ST-2";
    options.operatorName = "kim";
    options.lot = "L0412";
    options.retries = 1;
    Station station(
        options, [&] { return fixture.Ports(); },
        [](const UnitContext& unit) {
            UnitTry tried;
            tried.record.port = unit.port;
            tried.record.station = unit.station;
            tried.record.operatorName = unit.operatorName;
            tried.record.lot = unit.lot;
            tried.record.attempt = unit.attempt;
            tried.record.time = "T" + std::to_string(unit.attempt);
            tried.record.transcript = "> AT";
            tried.lineFailure = true;  // no answer, both times
            return tried;
        },
        counter, &record, {});
    RunUntil(
        station, record, [&] { fixture.Plug("/dev/fx-silent"); },
        [](const auto& records) { return records.size() == 2; });
    const auto records = record.Records();
    ASSERT_EQ(records.size(), 2u);
    for (unsigned i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].port, "/dev/fx-silent");
        EXPECT_EQ(records[i].station, "ST-2");
        EXPECT_EQ(records[i].operatorName, "kim");
        EXPECT_EQ(records[i].lot, "L0412");
        EXPECT_EQ(records[i].attempt, i + 1);
        EXPECT_EQ(records[i].time, "T" + std::to_string(i + 1));
        EXPECT_EQ(records[i].transcript, "> AT");
    }
}
