#include "CliFixture.h"
#include "CliRun.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <gmock/gmock.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

using CliApplyTest = CliFixture;

std::string ScratchFile(const std::string& name) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("skw-cli-apply-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = ScratchFile(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A module set up by hand is copied to a factory-fresh one; the copy reads back the same, and
// a second apply finds nothing to send.
TEST_F(CliApplyTest, exportThenApply_copiesEveryField_andASecondApplySendsNothing) {
    StartModule();
    ASSERT_EQ(Run("set",
                  {"--role", "multi-at", "--slot", "1=C0FFEE000001,Q1", "--slot", "5=D4CA6E10A2B3"})
                  .status,
              0);
    const std::string file = ScratchFile("copy.json");
    const CliResult exported = Run("export", {"-o", file});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string source = Run("info", {"--json"}).out;

    StartModule();
    const CliResult applied = Run("apply", {file});
    EXPECT_EQ(applied.status, 0) << applied.err;
    EXPECT_THAT(applied.out, HasSubstr("role: slave → multi-at\n"));
    EXPECT_THAT(applied.out, HasSubstr("slots[1]: - → C0FFEE000001 Q1\n"));
    EXPECT_EQ(Run("info", {"--json"}).out, source);

    const CliResult again = Run("apply", {file});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "The module already has every setting of the file.\n");
    EXPECT_EQ(again.commands, Concat({ConnectFull(), {"ATZ"}}));  // the read and the restart
}

TEST_F(CliApplyTest, dryRun_printsTheDifference_andSendsNoSetting) {
    StartModule();
    const std::string file =
        WriteFile("dry.json", R"({"name": "SNS-{n:03}", "advInterval": 250, "baud": 9600})");
    // A counter with a leading zero is decimal, not octal.
    const CliResult result = Run("apply", {file, "--dry-run", "--name-counter", "041"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "name: sKW523 → SNS-041\nadvInterval: 100 → 250\nDry run: no setting was sent.\n");
    EXPECT_EQ(result.commands, Concat({ConnectFull(), {"ATZ"}}));
}

TEST_F(CliApplyTest, settingAcknowledgedButNotKept_endsWithStatus10) {
    StartModule();
    Module().SetFault(SimFault::ForgetsName, true);
    const std::string file = WriteFile("forgot.json", R"({"name": "NEW", "advInterval": 300})");
    const CliResult result = Run("apply", {file});
    EXPECT_EQ(result.status, 10);
    EXPECT_EQ(result.err,
              "skw-manager-cli: name did not read back as applied: NEW expected, sKW523 read.\n");
    EXPECT_EQ(Module().Settings().advInterval, 300);
}

// Nothing reaches the module from a file that is refused, not even the identification.
TEST_F(CliApplyTest, badFiles_endWithStatus2_beforeThePortIsOpened) {
    const struct {
        std::string json;
        std::string message;
    } cases[] = {
        {R"({"nmae": "A"})", "Unknown field in the settings file: nmae"},
        {R"({"advInterval": "fast"})", "Wrong type of field in the settings file: advInterval"},
        {R"({"name": "SENSOR-{n:03}"})", "Invalid value of field in the settings file: name"},
        {R"({"masterAddress": "C0FFEE"})",
         "Invalid value of field in the settings file: masterAddress"},
        {R"({"role": "slave", "slots": [{"slot": 1, "address": "C0FFEE000001"}]})",
         "Field slots of the settings file needs the role multi-at or multi-bypass."},
    };
    StartModule();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const CliResult result = Run("apply", {WriteFile("bad.json", c.json)});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "skw-manager-cli: " + c.message + "\n");
        EXPECT_EQ(result.commands, Transcript{});
    }
    const CliResult missing = Run("apply", {ScratchFile("missing.json")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_THAT(missing.err, HasSubstr("Cannot read the settings file"));
    // Endless input is cut at the size limit instead of filling the memory.
    const CliResult endless = Run("apply", {"/dev/zero"});
    EXPECT_EQ(endless.status, 2);
    EXPECT_THAT(endless.err, HasSubstr("is larger than 1 MiB"));
    EXPECT_EQ(endless.commands, Transcript{});
}

// A link left in the virtual-port folder by a module that was killed may point at another
// program's terminal by now: it is not opened, and nothing is written there.
TEST_F(CliApplyTest, staleVirtualLink_isNotOpened) {
    StartModule();  // makes the virtual-port folder as a module does
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::filesystem::path folder = std::filesystem::path(Module().PortPath()).parent_path();
    const std::string link = (folder / "stale-module").string();
    std::filesystem::remove(link);
    std::filesystem::create_symlink(::ptsname(master), link);
    std::ofstream(link + ".lock");  // nobody holds it
    const CliResult result = RunArgs({"info", "--port", link});
    EXPECT_EQ(result.status, 3);
    EXPECT_THAT(result.err, HasSubstr("no module is running on this port"));
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    char byte = 0;
    EXPECT_EQ(::read(master, &byte, 1), -1);  // nothing was written to the terminal
    ::close(master);
    std::filesystem::remove(link);
    std::filesystem::remove(link + ".lock");
}

TEST_F(CliApplyTest, fieldNotOfferedInTheResultingRole_isRefusedWithStatus9BeforeSending) {
    StartModule();
    const std::string file =
        WriteFile("central.json",
                  R"({"role": "master", "name": "X", "slots": [{"slot": 1, "address": null}]})");
    const CliResult result = Run("apply", {file});
    EXPECT_EQ(result.status, 9);
    EXPECT_THAT(result.err, HasSubstr("--name is not available"));
    EXPECT_EQ(result.commands, Concat({ConnectFull(), {"ATZ"}}));
}

// Production mode: three modules plugged one after the other, each named from the counter.
TEST(CliWatchTest, threeModules_oneAfterTheOther_passWithCounterNamesAndCsvRows) {
    const std::string profile =
        WriteFile("line.json", R"({"name": "SNS-{n:03}", "advInterval": 200})");
    const std::string report = ScratchFile("line.csv");
    std::filesystem::remove(report);
    std::vector<std::unique_ptr<VirtualModule>> modules;
    std::atomic<bool> stop{false};
    int polls = 0;
    // Runs on the watching thread between modules: plugs the next module once the last one is
    // reported (the first only after the watch took note of the ports already there).
    const auto listPorts = [&]() -> std::vector<std::string> {
        const std::size_t rows = Lines(ReadFile(report)).size();  // the header first
        const std::size_t reported = rows == 0 ? 0 : rows - 1;
        if (++polls > 1 && reported == modules.size()) {
            if (modules.size() == 3) {
                stop = true;
            } else {
                VirtualModuleOptions options;
                options.portName =
                    "watch-" + std::to_string(::getpid()) + "-" + std::to_string(modules.size());
                options.address = "00A0C852300" + std::to_string(modules.size() + 1);
                modules.push_back(std::make_unique<VirtualModule>(options));
                EXPECT_FALSE(modules.back()->Start());
            }
        }
        std::vector<std::string> ports;
        for (const auto& module : modules) {
            ports.push_back(module->PortPath());
        }
        return ports;
    };
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli({"skw-manager-cli", "apply", profile, "--watch", "--ports",
                               "*/watch-*", "--report", report},
                              CliEnvironment{out, err, {}, listPorts, &stop});
    EXPECT_EQ(status, 0) << err.str();
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 4u) << out.str() << err.str();
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        EXPECT_THAT(lines[i], ::testing::MatchesRegex("PASS 00A0C852300" + n + " SNS-00" + n +
                                                      " [0-9]+\\.[0-9]"));
        EXPECT_EQ(modules[i]->Settings().deviceName, "SNS-00" + n);
    }
    EXPECT_THAT(lines[3],
                HasSubstr("Units 3: PASS 3, FAIL 0, DUPLICATE 0; first-pass yield 100.0 %"));
    const std::vector<std::string> rows = Lines(ReadFile(report));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0],
              "time,station,operator,lot,port,address,model,firmware,name,confirmed,result,reason,"
              "seconds,attempt,transcript,serial\r");
    EXPECT_THAT(rows[3], HasSubstr(R"(,"00A0C8523003","GaX-sKW523","v2.1.4","SNS-003",)"
                                   R"("name=SNS-003;advInterval=200","PASS","",)"));
}

// A port that flickers onto the list (a connector that bounces, a node that udev is still
// setting up) is not opened before it has stayed listed for a while.
TEST(CliWatchTest, portListedOnlyBriefly_isNotOpened) {
    const std::string profile = WriteFile("brief.json", R"({"advInterval": 200})");
    VirtualModuleOptions options;
    options.portName = "brief-" + std::to_string(::getpid());
    VirtualModule module(options);
    ASSERT_FALSE(module.Start());
    std::atomic<bool> stop{false};
    int polls = 0;
    const auto listPorts = [&]() -> std::vector<std::string> {
        ++polls;
        stop = polls >= 6;
        return polls == 2 ? std::vector<std::string>{module.PortPath()}
                          : std::vector<std::string>{};
    };
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCli({"skw-manager-cli", "apply", profile, "--watch", "--ports", "*/brief-*"},
                     CliEnvironment{out, err, {}, listPorts, &stop}),
              0)
        << err.str();
    EXPECT_THAT(out.str(), HasSubstr("Units 0: PASS 0"));  // the summary, nothing else configured
    EXPECT_TRUE(module.Commands().empty());
}

}  // namespace
