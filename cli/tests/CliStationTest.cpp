// The watch mode as a production station, against several virtual modules at once.

#include "CliRun.h"
#include "VirtualModule.h"

#include <nlohmann/json.hpp>

#include <gmock/gmock.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

std::string Scratch(const std::string& name) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("skw-cli-station-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / name);
    return (folder / name).string();
}

std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = Scratch(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path;
}

std::vector<nlohmann::json> JsonLines(const std::string& path) {
    std::vector<nlohmann::json> records;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        records.push_back(nlohmann::json::parse(line));
    }
    return records;
}

// A fixture of virtual modules, each on its own port; plugged in by the test, listed to the
// watch by its port lister.
class Fixture {
public:
    VirtualModule& Add(const std::string& address, VirtualModuleOptions options = {}) {
        options.portName = Tag() + std::to_string(m_next++);
        options.address = address;
        auto module = std::make_unique<VirtualModule>(options);
        EXPECT_FALSE(module->Start());
        std::lock_guard guard(m_lock);
        m_modules.push_back(std::move(module));
        return *m_modules.back();
    }
    void PlugAll() {
        std::lock_guard guard(m_lock);
        m_plugged = m_modules.size();
    }
    std::vector<std::string> Ports() {
        std::lock_guard guard(m_lock);
        std::vector<std::string> ports;
        for (std::size_t i = 0; i < m_plugged; ++i) {
            ports.push_back(m_modules[i]->PortPath());
        }
        return ports;
    }
    VirtualModule& Module(std::size_t i) { return *m_modules[i]; }
    // Its ports' pattern: tests run side by side, and two watches over one pattern are refused.
    std::string Pattern() const { return "*/" + Tag() + "*"; }

    static std::string Tag() { return "st-" + std::to_string(::getpid()) + "-"; }

private:
    std::mutex m_lock;
    std::vector<std::unique_ptr<VirtualModule>> m_modules;
    std::size_t m_plugged = 0;
    int m_next = 0;
};

struct WatchRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the watch on its own thread; `whileRunning` plugs modules and decides when to stop.
WatchRun RunWatch(Fixture& fixture, std::vector<std::string> args,
                  const std::function<void(std::atomic<bool>& stop)>& whileRunning) {
    std::atomic<bool> stop{false};
    std::ostringstream out;
    std::ostringstream err;
    args.insert(args.begin(), "skw-manager-cli");
    auto running = std::async(std::launch::async, [&] {
        return RunCli(args, CliEnvironment{out, err, {}, [&] { return fixture.Ports(); }, &stop});
    });
    std::this_thread::sleep_for(300ms);  // what is listed when it starts is not new
    whileRunning(stop);
    stop = true;
    WatchRun run;
    run.status = running.get();
    run.out = out.str();
    run.err = err.str();
    return run;
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + 30s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

}  // namespace

// Eight modules plugged in together are configured together; their names are unique and
// without gaps, and every unit has its record, written before its line.
TEST(CliStationTest, eightModulesAtOnce_getUniqueGapFreeNames_andOneRecordEach) {
    const std::string profile =
        WriteFile("eight.json", R"({"name": "SNS-{n:03}", "advInterval": 200})");
    const std::string report = Scratch("eight.jsonl");
    Fixture fixture;
    for (int i = 0; i < 8; ++i) {
        VirtualModuleOptions options;
        options.latency = 20ms;
        fixture.Add("C0FFEE00000" + std::to_string(i + 1), options);
    }
    const WatchRun run =
        RunWatch(fixture,
                 {"apply", profile, "--watch", "--ports", fixture.Pattern(), "--report", report,
                  "--lot", "L7"},
                 [&](std::atomic<bool>&) {
                     fixture.PlugAll();
                     EXPECT_TRUE(WaitFor([&] { return JsonLines(report).size() == 8; }));
                 });
    EXPECT_EQ(run.status, 0) << run.err;
    std::set<std::string> names;
    for (const auto& record : JsonLines(report)) {
        EXPECT_EQ(record["result"], "PASS");
        EXPECT_EQ(record["lot"], "L7");
        names.insert(record["name"].get<std::string>());
    }
    EXPECT_EQ(names, (std::set<std::string>{"SNS-001", "SNS-002", "SNS-003", "SNS-004", "SNS-005",
                                            "SNS-006", "SNS-007", "SNS-008"}));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(fixture.Module(i).Commands().back(), "ATZ");
    }
    EXPECT_THAT(run.out, HasSubstr("Units 8: PASS 8, FAIL 0, DUPLICATE 0"));
}

// A FAIL record lists only what the read-back confirmed, and carries the module's transcript;
// a module already configured is a DUPLICATE and is left alone; its number goes to the next.
TEST(CliStationTest, failRecord_holdsConfirmedFieldsAndTranscript_andDuplicatesAreLeftAlone) {
    const std::string profile =
        WriteFile("forgets.json", R"({"name": "SNS-{n}", "advInterval": 300})");
    const std::string report = Scratch("forgets.jsonl");
    Fixture fixture;
    VirtualModule& forgetful = fixture.Add("C0FFEE0000A1");
    forgetful.SetFault(SimFault::ForgetsName, true);
    fixture.Add("C0FFEE0000A2");
    fixture.Add("C0FFEE0000A2");  // the same module again, in another port
    const WatchRun run =
        RunWatch(fixture,
                 {"apply", profile, "--watch", "--ports", fixture.Pattern(), "--report", report,
                  "--parallel", "1"},
                 [&](std::atomic<bool>&) {
                     fixture.PlugAll();
                     EXPECT_TRUE(WaitFor([&] { return JsonLines(report).size() == 3; }));
                 });
    EXPECT_EQ(run.status, 0) << run.err;
    const auto records = JsonLines(report);
    ASSERT_EQ(records.size(), 3u);
    for (const auto& record : records) {
        SCOPED_TRACE(record.dump());
        if (record["address"] == "C0FFEE0000A1") {
            EXPECT_EQ(record["result"], "FAIL");
            EXPECT_EQ(record["confirmed"], nlohmann::json::array({"advInterval=300"}));
            EXPECT_THAT(record["transcript"].get<std::string>(), HasSubstr("> AT+MANUF="));
            EXPECT_THAT(record["transcript"].get<std::string>(), HasSubstr("< OK"));
        } else if (record["result"] == "PASS") {
            EXPECT_EQ(record["transcript"], "");
        } else {
            EXPECT_EQ(record["result"], "DUPLICATE");
        }
    }
    const auto passes = std::count_if(records.begin(), records.end(),
                                      [](const auto& r) { return r["result"] == "PASS"; });
    EXPECT_EQ(passes, 1);
    EXPECT_THAT(run.out, HasSubstr("DUPLICATE C0FFEE0000A2"));
}

// A record the watch cannot use stops it before any port is watched, with status 2 (an argument
// it cannot take) and one line that says why.
TEST(CliStationTest, aRecordThatCannotBeUsed_isRefusedBeforeAnyPort) {
    const std::string profile = WriteFile("refused.json", R"({"advInterval": 400})");
    const std::string folder = Scratch("refused-folder");
    std::filesystem::create_directories(folder);
    const struct {
        std::vector<std::string> record;
        std::string message;
    } cases[] = {
        {{"--record", "mysql://line/records"}, "The line's database mysql://line/records cannot"},
        // Kept in memory, records and counter would be gone at exit.
        {{"--record", "sqlite:"}, "The line's database sqlite: cannot be used: name a database"},
        {{"--record", "sqlite::memory:"}, "sqlite::memory: cannot be used: name a database file"},
        {{"--record", "sqlite:file::memory:?cache=shared"}, "cannot be used: name a database"},
        {{"--report", folder}, "The report " + folder + " cannot be used"},
        {{"--report", profile}, "The report must not be the settings file."},
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.message);
        std::vector<std::string> args = {"skw-manager-cli", "apply",   profile,
                                         "--watch",         "--ports", "/dev/skw-none-*"};
        args.insert(args.end(), refused.record.begin(), refused.record.end());
        std::ostringstream out;
        std::ostringstream err;
        std::atomic<bool> stop{false};
        auto run = std::async(std::launch::async, [&] {
            return RunCli(
                args,
                CliEnvironment{out, err, {}, [] { return std::vector<std::string>{}; }, &stop});
        });
        if (run.wait_for(5s) != std::future_status::ready) {
            stop = true;  // it was not refused: end it, and fail below
        }
        EXPECT_EQ(run.get(), 2);
        EXPECT_THAT(err.str(), HasSubstr(refused.message));
        EXPECT_EQ(out.str(), "");
    }
}

// A watch that would watch nothing, or whose counter makes every name too long, is refused
// at its start with status 2, before any port is watched.
TEST(CliStationTest, aWatchThatCouldConfigureNothing_isRefusedAtItsStart) {
    const std::string profile = WriteFile("start.json", R"({"name": "SNS-{n:03}"})");
    const struct {
        std::vector<std::string> options;
        std::string message;
    } cases[] = {
        {{"--ports", ""}, "--ports"},
        {{"--ports", ","}, "--ports"},
        {{"--ports", " , "}, "--ports"},
        {{"--ports", "/dev/skw-none-*", "--name-counter", "99999999"}, "name"},
        {{"--ports", "/dev/skw-none-*", "--record", "mysql://line/records"},
         "mysql://line/records"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.back());
        std::vector<std::string> args = {"skw-manager-cli", "apply", profile, "--watch"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        std::ostringstream out;
        std::ostringstream err;
        std::atomic<bool> stop{false};
        auto run = std::async(std::launch::async, [&] {
            return RunCli(
                args,
                CliEnvironment{out, err, {}, [] { return std::vector<std::string>{}; }, &stop});
        });
        if (run.wait_for(5s) != std::future_status::ready) {
            stop = true;  // it was not refused: end it, and fail below
        }
        EXPECT_EQ(run.get(), 2);
        EXPECT_THAT(err.str(), HasSubstr(c.message));
    }
}

// A value that is not UTF-8 would be recorded with every unit (or looked for in the records) and
// a line's database refuses it: it is refused before anything starts, with status 2.
TEST(CliStationTest, argumentsThatAreNotUtf8_areRefusedBeforeAnythingStarts) {
    const std::string profile = WriteFile("not-utf8.json", R"({"advInterval": 400})");
    const std::vector<std::string> watch = {"apply", profile, "--watch", "--ports",
                                            "/dev/skw-none-*"};
    const std::vector<std::string> reportCommand = {"report"};
    const std::vector<std::string> cases[] = {
        {"--lot", "L\xff-1"},
        {"--operator", "kim\xc3"},
        {"--station", "ST-\xc0\xaf"},
        {"--record", "sqlite:/tmp/line-\xfe.sqlite"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.front());
        for (const bool report : {false, true}) {
            if (report && bad.front() == "--operator") {
                continue;  // the report has no such filter
            }
            std::vector<std::string> args = {"skw-manager-cli"};
            const std::vector<std::string>& command = report ? reportCommand : watch;
            args.insert(args.end(), command.begin(), command.end());
            args.insert(args.end(), bad.begin(), bad.end());
            std::ostringstream out;
            std::ostringstream err;
            std::atomic<bool> stop{false};
            auto run = std::async(std::launch::async, [&] {
                return RunCli(
                    args,
                    CliEnvironment{out, err, {}, [] { return std::vector<std::string>{}; }, &stop});
            });
            if (run.wait_for(5s) != std::future_status::ready) {
                stop = true;  // it was not refused: end it, and fail below
            }
            EXPECT_EQ(run.get(), 2) << report;
            EXPECT_THAT(err.str(), HasSubstr("not UTF-8"));
            EXPECT_EQ(out.str(), "");
        }
    }
}

// A report that disappears stops the watch before the next module, with one clear message; a
// second watch over the same ports is refused.
TEST(CliStationTest, lostReport_stopsTheWatch_andASecondWatchIsRefused) {
    const std::string profile = WriteFile("lost.json", R"({"advInterval": 400})");
    const std::string report = Scratch("lost.csv");
    Fixture fixture;
    fixture.Add("C0FFEE0000B1");
    fixture.Add("C0FFEE0000B2");
    const WatchRun run = RunWatch(
        fixture, {"apply", profile, "--watch", "--ports", fixture.Pattern(), "--report", report},
        [&](std::atomic<bool>&) {
            // A second station on the same ports while the first runs.
            std::ostringstream out;
            std::ostringstream err;
            std::atomic<bool> stop{false};
            auto second = std::async(std::launch::async, [&] {
                return RunCli(
                    {"skw-manager-cli", "apply", profile, "--watch", "--ports", fixture.Pattern()},
                    CliEnvironment{out, err, {}, [&] { return fixture.Ports(); }, &stop});
            });
            if (second.wait_for(5s) != std::future_status::ready) {
                stop = true;  // it was not refused: end it, and fail below
            }
            EXPECT_EQ(second.get(), 3);
            EXPECT_THAT(err.str(), HasSubstr("Another watch already uses " + fixture.Pattern()));
            std::filesystem::remove(report);
            fixture.PlugAll();
            std::this_thread::sleep_for(3s);  // the watch stops by itself before this ends
        });
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("cannot be written"));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("PASS C0FFEE")));
}

// The line's SQLite file removed under a running watch (its folder deleted, or the file alone)
// is noticed as a removed report is: the record that went into the removed file is not shown as
// passed, the watch stops before the next module, with status 1 and one message.
TEST(CliStationTest, removedDatabaseFile_stopsTheWatch_beforeTheNextModule) {
    const std::string profile = WriteFile("removed-db.json", R"({"advInterval": 400})");
    const std::string folder = Scratch("removed-db");
    const std::string database = folder + "/line.sqlite";
    const struct {
        const char* what;
        std::string removed;
    } cases[] = {{"the folder", folder}, {"the file", database}};
    for (const auto& [what, removed] : cases) {
        SCOPED_TRACE(what);
        std::filesystem::create_directories(folder);
        Fixture fixture;
        fixture.Add("C0FFEE0000C1");
        fixture.Add("C0FFEE0000C2");
        const WatchRun run =
            RunWatch(fixture,
                     {"apply", profile, "--watch", "--ports", fixture.Pattern(), "--record",
                      "sqlite:" + database, "--parallel", "1"},
                     [&](std::atomic<bool>&) {
                         std::filesystem::remove_all(removed);
                         fixture.PlugAll();
                         std::this_thread::sleep_for(3s);  // it stops by itself before this ends
                     });
        EXPECT_EQ(run.status, 1);
        EXPECT_THAT(run.err, HasSubstr("removed or replaced"));
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_THAT(run.out, ::testing::Not(HasSubstr("PASS C0FFEE")));
        // One module was configured; the other not even opened.
        EXPECT_TRUE(fixture.Module(0).Commands().empty() || fixture.Module(1).Commands().empty());
        std::filesystem::remove_all(folder);
    }
}

// A module that does not answer is tried again (each try recorded); one that refuses is not.
TEST(CliStationTest, failuresOnTheLine_areTriedAgain_refusalsAreNot) {
    const std::string profile = WriteFile("retry.json", R"({"advInterval": 500})");
    const std::string report = Scratch("retry.jsonl");
    Fixture fixture;
    fixture.Add("C0FFEE0000D1").SetFault(SimFault::Silence, true);
    VirtualModuleOptions refusing;
    refusing.refusedCommand = "AT+ADVINTERVAL=";
    fixture.Add("C0FFEE0000D2", refusing);
    const WatchRun run =
        RunWatch(fixture,
                 {"apply", profile, "--watch", "--ports", fixture.Pattern(), "--report", report,
                  "--retries", "2"},
                 [&](std::atomic<bool>&) {
                     fixture.PlugAll();
                     EXPECT_TRUE(WaitFor([&] { return JsonLines(report).size() == 4; }));
                 });
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::vector<unsigned>> attempts;
    for (const auto& record : JsonLines(report)) {
        EXPECT_EQ(record["result"], "FAIL");
        attempts[record["port"].get<std::string>()].push_back(record["attempt"].get<unsigned>());
    }
    EXPECT_EQ(attempts[fixture.Module(0).PortPath()], (std::vector<unsigned>{1, 2, 3}));
    EXPECT_EQ(attempts[fixture.Module(1).PortPath()], (std::vector<unsigned>{1}));
}
