#include "SerialLine.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

extern char** environ;

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// skw-module-sim run as a child process, its standard output on a pipe.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> arguments) {
        int out[2];
        if (::pipe(out) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        arguments.insert(arguments.begin(), SKW_MODULE_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int failed =
            posix_spawn(&m_pid, SKW_MODULE_SIM_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_stdout = out[0];
        if (failed != 0) {
            m_pid = -1;
        }
    }
    ~SimProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_stdout);
    }

    // The first line the process prints, without its newline.
    std::string FirstLine(std::chrono::milliseconds limit) {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (text.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd waiter{m_stdout, POLLIN, 0};
            char buffer[256];
            if (::poll(&waiter, 1, 50) > 0) {
                const ssize_t count = ::read(m_stdout, buffer, sizeof buffer);
                if (count <= 0) {
                    break;
                }
                text.append(buffer, static_cast<std::size_t>(count));
            }
        }
        return text.substr(0, text.find('\n'));
    }

    // Sends the signal and returns the exit status (-1 if it did not exit in time).
    int Terminate(int signal, std::chrono::milliseconds limit) {
        ::kill(m_pid, signal);
        return Wait(limit);
    }

    // The exit status once it ends by itself (-1 if it did not in time).
    int Wait(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                return -1;
            }
            ::poll(nullptr, 0, 10);
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(SimExecutable, printsItsPortAnswersAndWithdrawsThePortOnSigterm) {
    const fs::path scratch =
        fs::temp_directory_path() / ("skw-sim-test-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    std::ofstream(scratch / "devices.txt") << "C0FFEE0000AA,-50,Exe, test\n";

    SimProcess sim({"--model", "GaX-sKW521M", "--name", "exe-test", "--devices",
                    (scratch / "devices.txt").string(), "--scan-interval", "20", "--log",
                    (scratch / "log.txt").string()});
    const std::string port = sim.FirstLine(10s);
    ASSERT_EQ(fs::path(port).filename(), "exe-test");
    ASSERT_TRUE(fs::is_symlink(port));
    {
        SerialLine line(port);
        EXPECT_EQ(line.Ask("AT+MODEL?"), "GaX-sKW521M\r");
        EXPECT_EQ(line.Ask("AT+STARTSCAN"), "+SCANNING\r");
        const std::string report = line.ReadLine();
        EXPECT_EQ(report.rfind("+C0FFEE0000AA,", 0), 0u) << report;
        EXPECT_TRUE(report.ends_with(",Exe, test\r")) << report;
    }
    EXPECT_EQ(sim.Terminate(SIGTERM, 10s), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(port)));
    EXPECT_NE(ReadFile(scratch / "log.txt").find("-> AT+MODEL?\n"), std::string::npos);
    fs::remove_all(scratch);
}

// Bad options end with status 2, as they do for skw-manager-cli.
TEST(SimExecutable, badOptions_endWithStatus2) {
    const std::vector<std::vector<std::string>> cases = {
        {"--no-such-option"}, {"--baud", "1234"}, {"--fault", "fire"}, {"--latency", "soon"}};
    for (const auto& arguments : cases) {
        SCOPED_TRACE(arguments.front());
        SimProcess sim(arguments);
        EXPECT_EQ(sim.Wait(10s), 2);
    }
}

}  // namespace
