// The tool on a module exported by a real ser2net: the same reads, settings and failures as on
// the local port.
#include "CliFixture.h"
#include "Ser2net.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <future>

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

}  // namespace
