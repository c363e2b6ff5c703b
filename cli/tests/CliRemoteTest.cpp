// The tool on a module exported by a real ser2net: the same reads, settings and failures as on
// the local port.
#include "CliFixture.h"
#include "CliRun.h"
#include "Ser2net.h"
#include "VirtualModule.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

class CliRemoteTest : public CliFixture {
protected:
    void SetUp() override {
        ASSERT_FALSE(Ser2net::Program().empty()) << "ser2net is missing: run scripts/setup.sh";
    }
    // Exports the module's pseudo-terminal.
    void Export(bool rfc2217 = true) {
        m_server = std::make_unique<Ser2net>(
            Ser2net::Options{.device = Module().DevicePath(), .rfc2217 = rfc2217});
        const std::error_code error = m_server->Start();
        ASSERT_FALSE(error) << error.message() << "\n" << m_server->Log();
    }
    Ser2net& Server() { return *m_server; }
    CliResult RunRemote(const std::string& command, std::vector<std::string> options = {}) {
        options.insert(options.begin(), {command, "--port", m_server->Url()});
        return RunArgs(options);
    }
    // The speed the module's side of the line is set to.
    speed_t LineSpeed() {
        const int fd = ::open(Module().DevicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        termios attributes{};
        EXPECT_EQ(::tcgetattr(fd, &attributes), 0);
        ::close(fd);
        return ::cfgetospeed(&attributes);
    }

private:
    std::unique_ptr<Ser2net> m_server;
};

TEST_F(CliRemoteTest, info_readsWhatTheLocalPortReads) {
    for (const bool rfc2217 : {true, false}) {
        SCOPED_TRACE(rfc2217 ? "rfc2217" : "socket");
        StartModule();
        const CliResult local = Run("info", {"--json"});
        ASSERT_EQ(local.status, 0) << local.err;
        Export(rfc2217);
        const CliResult remote = RunRemote("info", {"--json"});
        EXPECT_EQ(remote.status, 0) << remote.err;
        EXPECT_EQ(remote.out, local.out);
        EXPECT_EQ(remote.commands, local.commands);
    }
}

TEST_F(CliRemoteTest, set_changesTheModule) {
    StartModule();
    Export();
    const CliResult result = RunRemote("set", {"--name", "REMOTE", "--adv-interval", "200"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Module().Settings().deviceName, "REMOTE");
    EXPECT_EQ(Module().Settings().advInterval, 200);
}

// The module answers only at its own speed; the speed asked for travels to the server, which
// sets the line to it for each connection.
TEST_F(CliRemoteTest, speed_followsThePortSettingOverTheNetwork) {
    VirtualModuleOptions options;
    options.uartSpeed = 19200;
    options.strictSpeed = true;
    StartModule(options);
    Export();
    CliResult result = RunRemote("info", {"--baud", "19200"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(LineSpeed(), B19200);

    result = RunRemote("info");  // 9600: only noise comes back
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(LineSpeed(), B9600);

    result = RunRemote("set", {"--baud", "19200", "--name", "FAST"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Module().Settings().deviceName, "FAST");
    EXPECT_EQ(LineSpeed(), B19200);
}

TEST_F(CliRemoteTest, serverStoppedDuringACommand_endsWithPortError) {
    StartModule(ModelOptions("GaX-sKW523", 50ms));
    Export();
    auto running = std::async(std::launch::async, [&] { return RunRemote("info"); });
    ASSERT_TRUE(Module().WaitForCommand("AT+VER?", 20s));
    Server().Stop();
    const CliResult result = running.get();
    EXPECT_EQ(result.status, 8);
    EXPECT_EQ(result.err, "skw-manager-cli: Error on COM port. Closing the port.\n");
}

TEST_F(CliRemoteTest, nothingListening_portNotOpened) {
    StartModule();
    Export();
    const std::string url = Server().Url();
    Server().Stop();
    const CliResult result = RunArgs({"info", "--port", url});
    EXPECT_EQ(result.status, 3);
    EXPECT_THAT(result.err, ::testing::HasSubstr(url));
}

// A watch over two modules, each behind its own server: both named from one counter, each
// with its record.
TEST(CliRemoteWatchTest, remotePortsInTheList_areConfiguredWhenTheWatchStarts) {
    ASSERT_FALSE(Ser2net::Program().empty()) << "ser2net is missing: run scripts/setup.sh";
    const auto folder = std::filesystem::temp_directory_path() /
                        ("skw-cli-remote-watch-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string profile = (folder / "remote.json").string();
    std::ofstream(profile, std::ios::trunc) << R"({"name": "NET-{n:02}"})";
    const std::string report = (folder / "remote.jsonl").string();
    std::filesystem::remove(report);

    std::vector<std::unique_ptr<VirtualModule>> modules;
    std::vector<std::unique_ptr<Ser2net>> servers;
    std::string ports;
    for (const char* address : {"C0FFEE00A001", "C0FFEE00A002"}) {
        VirtualModuleOptions options;
        options.address = address;
        modules.push_back(std::make_unique<VirtualModule>(options));
        ASSERT_FALSE(modules.back()->Start());
        servers.push_back(
            std::make_unique<Ser2net>(Ser2net::Options{.device = modules.back()->DevicePath()}));
        ASSERT_FALSE(servers.back()->Start()) << servers.back()->Log();
        ports += (ports.empty() ? "" : ",") + servers.back()->Url();
    }

    std::atomic<bool> stop{false};
    std::ostringstream out;
    std::ostringstream err;
    auto running = std::async(std::launch::async, [&] {
        return RunCli(
            {"skw-manager-cli", "apply", profile, "--watch", "--ports", ports, "--report", report},
            CliEnvironment{out, err, {}, [] { return std::vector<std::string>{}; }, &stop});
    });
    auto passes = [&report] {
        std::ifstream records(report);
        int count = 0;
        for (std::string line; std::getline(records, line);) {
            count += line.find("\"PASS\"") != std::string::npos ? 1 : 0;
        }
        return count;
    };
    const auto limit = std::chrono::steady_clock::now() + 30s;
    while (passes() < 2 && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(50ms);
    }
    stop = true;
    EXPECT_EQ(running.get(), 0) << err.str();
    EXPECT_EQ(passes(), 2) << out.str();
    std::set<std::string> names;
    for (const auto& module : modules) {
        names.insert(module->Settings().deviceName);
    }
    EXPECT_EQ(names, (std::set<std::string>{"NET-01", "NET-02"})) << out.str() << err.str();
}

}  // namespace
