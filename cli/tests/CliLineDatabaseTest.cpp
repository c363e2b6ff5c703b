// Stations of one line recording into one real PostgreSQL server and taking their numbers from
// it, as `apply --watch --record postgresql://...` does.

#include "CliRun.h"
#include "RecordStore.h"
#include "ScratchPostgres.h"
#include "VirtualModule.h"

#include <gmock/gmock.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

ScratchPostgres& Postgres() {
    static ScratchPostgres server;
    return server;
}

std::string ProfileFile(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("skw-line-" + std::to_string(::getpid()) + "-" + name + ".json");
    std::ofstream(path) << R"({"name": "L)" << name << R"(-{n}", "advInterval": 250})";
    return path.string();
}

// One station: its own fixture of virtual modules, its own watch on a thread.
class StationRun {
public:
    StationRun(const std::string& station, const std::string& profile, int modules,
               int firstAddress, const std::string& record = Postgres().Address())
        : m_tag("ldb-" + std::to_string(::getpid()) + "-" + station + "-") {
        for (int i = 0; i < modules; ++i) {
            VirtualModuleOptions options;
            options.portName = m_tag + std::to_string(i);
            char address[16];
            std::snprintf(address, sizeof address, "C0FFEE%06X", firstAddress + i);
            options.address = address;
            m_modules.push_back(std::make_unique<VirtualModule>(options));
            EXPECT_FALSE(m_modules.back()->Start());
        }
        m_watch = std::async(std::launch::async, [this, station, profile, record] {
            return RunCli({"skw-manager-cli", "apply", profile, "--watch", "--ports",
                           "*/" + m_tag + "*", "--record", record, "--station", station},
                          CliEnvironment{m_out, m_err, {}, [this] { return Ports(); }, &m_stop});
        });
    }

    void PlugAll() { m_plugged = true; }
    int Finish() {
        m_stop = true;
        return m_watch.get();
    }
    VirtualModule& Module(std::size_t i) { return *m_modules[i]; }
    std::string Err() const { return m_err.str(); }
    std::string Out() const { return m_out.str(); }

private:
    std::vector<std::string> Ports() {
        std::vector<std::string> ports;
        for (const auto& module : m_modules) {
            if (m_plugged) {
                ports.push_back(module->PortPath());
            }
        }
        return ports;
    }

    std::string m_tag;
    std::vector<std::unique_ptr<VirtualModule>> m_modules;
    std::atomic<bool> m_plugged{false};
    std::atomic<bool> m_stop{false};
    std::ostringstream m_out;
    std::ostringstream m_err;
    std::future<int> m_watch;
};

std::vector<UnitRecord> Records(const std::string& station,
                                const std::string& record = Postgres().Address()) {
    std::string why;
    auto store = OpenRecordStore(record, why);
    EXPECT_TRUE(store) << why;
    RecordStore::Query query;
    query.station = station;
    return store ? store->Records(query, why) : std::vector<UnitRecord>{};
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + 60s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

}  // namespace

// Three stations, one counter: every name of the line unique and without gaps, every unit one
// row.
TEST(CliLineDatabaseTest, threeStations_shareOneCounter_andEveryUnitHasItsRow) {
    ASSERT_TRUE(Postgres().Running());
    const std::string profile = ProfileFile("three");
    const std::string prefix = "st" + std::to_string(::getpid()) + "-";
    std::vector<std::unique_ptr<StationRun>> stations;
    for (int s = 0; s < 3; ++s) {
        stations.push_back(
            std::make_unique<StationRun>(prefix + std::to_string(s), profile, 3, 0x100 + 16 * s));
    }
    std::this_thread::sleep_for(700ms);  // what each station lists at its start is not new
    for (auto& station : stations) {
        station->PlugAll();
    }
    EXPECT_TRUE(WaitFor([&] {
        std::size_t rows = 0;
        for (int s = 0; s < 3; ++s) {
            rows += Records(prefix + std::to_string(s)).size();
        }
        return rows == 9;
    }));
    std::set<std::string> names;
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(stations[s]->Finish(), 0) << stations[s]->Err();
        for (const UnitRecord& record : Records(prefix + std::to_string(s))) {
            EXPECT_EQ(record.result, UnitRecord::Result::Pass) << record.reason;
            EXPECT_TRUE(names.insert(record.name).second) << record.name << " given twice";
        }
    }
    std::set<std::string> expected;
    for (int n = 1; n <= 9; ++n) {
        expected.insert("Lthree-" + std::to_string(n));
    }
    EXPECT_EQ(names, expected);
}

// A station that loses the database configures no module until it is back; then every module
// is configured, and none is shown as passed without its row.
TEST(CliLineDatabaseTest, aLostDatabase_holdsTheStation_untilItIsBack) {
    ASSERT_TRUE(Postgres().Running());
    const std::string profile = ProfileFile("lost");
    const std::string station = "lost" + std::to_string(::getpid());
    StationRun run(station, profile, 2, 0x200);
    std::this_thread::sleep_for(700ms);
    Postgres().Stop();
    run.PlugAll();
    std::this_thread::sleep_for(2s);
    for (std::size_t i = 0; i < 2; ++i) {
        // Read and left again at most: no setting is sent without a number.
        for (const std::string& command : run.Module(i).Commands()) {
            EXPECT_NE(command.rfind("AT+MANUF=", 0), 0u) << command;
        }
    }
    ASSERT_TRUE(Postgres().Start());
    EXPECT_TRUE(WaitFor([&] { return Records(station).size() == 2; }));
    EXPECT_EQ(run.Finish(), 0) << run.Err();
    EXPECT_THAT(run.Out(), ::testing::HasSubstr("cannot be reached"));
    for (const UnitRecord& record : Records(station)) {
        EXPECT_EQ(record.result, UnitRecord::Result::Pass) << record.reason;
    }
}

// A module that passed at one running station is a DUPLICATE at another station on the same
// database, though that one started before the PASS: the check asks the database when the unit
// starts. Both databases a line may share.
TEST(CliLineDatabaseTest, aModulePassedAtAnotherRunningStation_isADuplicate) {
    ASSERT_TRUE(Postgres().Running());
    const auto sqlite = std::filesystem::temp_directory_path() /
                        ("skw-line-" + std::to_string(::getpid()) + "-moved.sqlite");
    std::filesystem::remove(sqlite);
    const std::string databases[] = {Postgres().Address(), "sqlite:" + sqlite.string()};
    const std::string profile = ProfileFile("moved");
    int round = 0;
    for (const std::string& database : databases) {
        SCOPED_TRACE(database);
        const std::string prefix = "mv" + std::to_string(::getpid()) + "-" + std::to_string(round);
        const int address = 0x400 + 16 * round++;
        StationRun first(prefix + "a", profile, 1, address, database);
        StationRun second(prefix + "b", profile, 1, address, database);  // the module, moved
        std::this_thread::sleep_for(700ms);  // what each station lists at its start is not new
        first.PlugAll();
        ASSERT_TRUE(WaitFor([&] { return Records(prefix + "a", database).size() == 1; }));
        second.PlugAll();
        EXPECT_TRUE(WaitFor([&] { return Records(prefix + "b", database).size() == 1; }));
        EXPECT_EQ(first.Finish(), 0) << first.Err();
        EXPECT_EQ(second.Finish(), 0) << second.Err();
        const std::vector<UnitRecord> moved = Records(prefix + "b", database);
        ASSERT_EQ(moved.size(), 1u);
        EXPECT_EQ(moved[0].result, UnitRecord::Result::Duplicate) << moved[0].reason;
        for (const std::string& command : second.Module(0).Commands()) {
            EXPECT_NE(command.rfind("AT+MANUF=", 0), 0u) << command;
        }
    }
}
