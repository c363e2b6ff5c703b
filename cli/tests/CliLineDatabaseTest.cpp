// Stations of one line recording into one real PostgreSQL server and taking their numbers from
// it, as `apply --watch --record postgresql://...` does.

#include "CliRun.h"
#include "RecordStore.h"
#include "ScratchPostgres.h"
#include "StoredText.h"
#include "VirtualModule.h"

#include <gmock/gmock.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
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
               int firstAddress, std::vector<std::string> options = {},
               const std::string& record = Postgres().Address())
        : m_tag("ldb-" + std::to_string(::getpid()) + "-" + station + "-") {
        for (int i = 0; i < modules; ++i) {
            VirtualModuleOptions module;
            module.portName = m_tag + std::to_string(i);
            char address[16];
            std::snprintf(address, sizeof address, "C0FFEE%06X", firstAddress + i);
            module.address = address;
            m_modules.push_back(std::make_unique<VirtualModule>(module));
            EXPECT_FALSE(m_modules.back()->Start());
        }
        std::vector<std::string> args = {"skw-manager-cli", "apply",
                                         profile,           "--watch",
                                         "--ports",         "*/" + m_tag + "*",
                                         "--record",        record,
                                         "--station",       station};
        args.insert(args.end(), options.begin(), options.end());
        m_watch = std::async(std::launch::async, [this, args] {
            return RunCli(args,
                          CliEnvironment{m_out, m_err, {}, [this] { return Ports(); }, &m_stop});
        });
    }

    void PlugAll() { m_plugged = true; }
    int Finish() {
        m_stop = true;
        return m_watch.get();
    }
    VirtualModule& Module(std::size_t i) { return *m_modules[i]; }
    // Whether the watch ended by itself within `limit`.
    bool Ended(std::chrono::seconds limit) {
        return m_watch.wait_for(limit) == std::future_status::ready;
    }
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

// Runs `sql` on the test's server as another program would; false when it fails.
bool RunSql(const std::string& sql) {
    PGconn* connection = PQconnectdb(Postgres().Address().c_str());
    PGresult* result = PQexec(connection, sql.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    PQfinish(connection);
    return ok;
}

// A server on loopback that accepts every connection and never answers: the kernel completes
// each handshake into the backlog, and nothing ever reads.
class SilentServer {
public:
    SilentServer() {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(m_socket, 16) == 0 &&
            ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }
    ~SilentServer() { ::close(m_socket); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    std::string Address() const {
        return "postgresql://skw@127.0.0.1:" + std::to_string(m_port) + "/line";
    }

private:
    int m_socket = -1;
    int m_port = 0;
};

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
        StationRun first(prefix + "a", profile, 1, address, {}, database);
        StationRun second(prefix + "b", profile, 1, address, {}, database);  // the module, moved
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

// A noisy module's FAIL transcript holds bytes that are not UTF-8 (and PostgreSQL takes only
// UTF-8): its record is stored all the same, escaped, with its bytes recoverable.
TEST(CliLineDatabaseTest, aNoisyModulesTranscript_isStored_withItsBytes) {
    ASSERT_TRUE(Postgres().Running());
    const std::string profile = ProfileFile("noisy");
    const std::string station = "noisy" + std::to_string(::getpid());
    StationRun run(station, profile, 1, 0x300, {"--retries", "0"});
    run.Module(0).SetFault(SimFault::GarbageLines, true);
    run.Module(0).SetFault(SimFault::ForgetsName, true);  // fails, so its transcript is kept
    std::this_thread::sleep_for(700ms);
    run.PlugAll();
    EXPECT_TRUE(WaitFor([&] { return Records(station).size() == 1; }));
    EXPECT_EQ(run.Finish(), 0) << run.Err();
    const auto records = Records(station);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].result, UnitRecord::Result::Fail);
    EXPECT_THAT(records[0].transcript, ::testing::HasSubstr("< \xF8\x9B~"));
    EXPECT_FALSE(IsUtf8(records[0].transcript));
}

// A record the database refuses for another reason than a lost connection (here a rule of the
// line's own) is not written again for ever: the watch stops before the next module with
// status 1 and the database's reason, and the unit's line is not shown.
TEST(CliLineDatabaseTest, aRecordTheDatabaseRefuses_stopsTheWatch_withItsReason) {
    ASSERT_TRUE(Postgres().Running());
    Records("schema");  // the tables exist
    const std::string lot = "refused-" + std::to_string(::getpid());
    const std::string rule = "refuse_" + std::to_string(::getpid());
    ASSERT_TRUE(
        RunSql("ALTER TABLE units ADD CONSTRAINT " + rule + " CHECK (lot <> '" + lot + "')"));
    const std::string profile = ProfileFile("rfs");
    const std::string station = "refused" + std::to_string(::getpid());
    StationRun run(station, profile, 1, 0x400, {"--lot", lot});
    std::this_thread::sleep_for(700ms);
    run.PlugAll();
    EXPECT_TRUE(run.Ended(20s));
    const int status = run.Finish();
    EXPECT_TRUE(RunSql("ALTER TABLE units DROP CONSTRAINT " + rule));
    EXPECT_EQ(status, 1);
    EXPECT_THAT(run.Err(), ::testing::HasSubstr("did not take a record"));
    EXPECT_THAT(run.Err(), ::testing::HasSubstr(rule));
    EXPECT_THAT(run.Out(), ::testing::Not(::testing::HasSubstr("PASS C0FFEE")));
    EXPECT_THAT(run.Out(), ::testing::Not(::testing::HasSubstr("cannot be reached")));
}

// A database server that accepts and never answers holds neither the watch nor `report`: each
// gives up within the connection's time limit, with a message that says so (status 2: nothing
// was sent to a module).
TEST(CliLineDatabaseTest, aServerThatNeverAnswers_isGivenUpWithinSeconds) {
    const SilentServer server;
    const std::string profile = ProfileFile("sil");
    const std::vector<std::string> cases[] = {
        {"report", "--record", server.Address(), "--summary"},
        {"apply", profile, "--watch", "--ports", "/dev/skw-none-*", "--record", server.Address()},
    };
    for (const auto& command : cases) {
        SCOPED_TRACE(command.front());
        std::vector<std::string> args = {"skw-manager-cli"};
        args.insert(args.end(), command.begin(), command.end());
        std::ostringstream out;
        std::ostringstream err;
        std::atomic<bool> stop{false};
        const auto began = std::chrono::steady_clock::now();
        auto run = std::async(std::launch::async, [&] {
            return RunCli(
                args,
                CliEnvironment{out, err, {}, [] { return std::vector<std::string>{}; }, &stop});
        });
        const bool ended = run.wait_for(15s) == std::future_status::ready;
        EXPECT_TRUE(ended) << "still waiting for the server";
        stop = true;
        EXPECT_EQ(run.get(), 2) << err.str();
        EXPECT_LT(std::chrono::steady_clock::now() - began, 15s);
        EXPECT_THAT(err.str(), ::testing::AllOf(::testing::HasSubstr("cannot be used"),
                                                ::testing::HasSubstr("timeout expired")));
    }
}
