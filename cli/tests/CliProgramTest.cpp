#include "VirtualModule.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <stdexcept>

extern char** environ;

using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

constexpr auto kLimit = 20s;

// skw-manager-cli as a child process, with its output on pipes and a language of its own.
class Program {
public:
    Program(std::vector<std::string> args, const std::string& language) {
        std::array<int, 2> out{};
        std::array<int, 2> err{};
        if (::pipe(out.data()) != 0 || ::pipe(err.data()) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        args.insert(args.begin(), SKW_MANAGER_CLI_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> environment = Environment(language);
        std::vector<char*> envp;
        for (std::string& variable : environment) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);
        const int failed =
            posix_spawn(&m_pid, SKW_MANAGER_CLI_PATH, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
        if (failed != 0) {
            m_pid = -1;
        }
    }
    ~Program() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_out);
        ::close(m_err);
    }

    void Signal(int signal) const { ::kill(m_pid, signal); }

    // Reads its output to the end and returns its exit status; -1 if it did not end in time.
    int Finish() {
        const auto deadline = std::chrono::steady_clock::now() + kLimit;
        bool outOpen = true;
        bool errOpen = true;
        while ((outOpen || errOpen) && std::chrono::steady_clock::now() < deadline) {
            std::array<pollfd, 2> fds = {pollfd{m_out, POLLIN, 0}, pollfd{m_err, POLLIN, 0}};
            ::poll(fds.data(), fds.size(), 100);
            outOpen = outOpen && Drain(fds[0], out);
            errOpen = errOpen && Drain(fds[1], err);
        }
        int status = 0;
        if (outOpen || errOpen || ::waitpid(m_pid, &status, 0) != m_pid) {
            return -1;
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string out;
    std::string err;

private:
    // Appends what `fd` has; false at its end.
    static bool Drain(const pollfd& fd, std::string& text) {
        if ((fd.revents & (POLLIN | POLLHUP)) == 0) {
            return true;
        }
        char buffer[4096];
        const ssize_t count = ::read(fd.fd, buffer, sizeof buffer);
        if (count <= 0) {
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(count));
        return true;
    }

    static std::vector<std::string> Environment(const std::string& language) {
        std::vector<std::string> environment;
        for (char** variable = environ; *variable != nullptr; ++variable) {
            const std::string entry = *variable;
            if (entry.rfind("LANGUAGE=", 0) != 0 && entry.rfind("LC_ALL=", 0) != 0) {
                environment.push_back(entry);
            }
        }
        environment.push_back("LANGUAGE=" + language);
        return environment;
    }

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};

VirtualModule& Started(VirtualModule& module) {
    const std::error_code error = module.Start();
    EXPECT_FALSE(error) << error.message();
    return module;
}

VirtualModuleOptions Options(const std::string& model) {
    static std::atomic<int> counter{0};
    VirtualModuleOptions options;
    options.model = model;
    options.portName =
        "cli-program-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    return options;
}

TEST(CliProgramTest, ports_listsTheVirtualModules) {
    VirtualModule module(Options("GaX-sKW523"));
    Started(module);
    Program program({"ports"}, "en");
    EXPECT_EQ(program.Finish(), 0) << program.err;
    EXPECT_THAT(program.out, HasSubstr(module.PortPath() + "\n"));
}

struct LanguageCase {
    std::string language;
    std::vector<std::string> args;  // "PORT" stands for the module's port
    int status;
    std::string out;  // part of standard output
    std::string err;  // all of standard error
};

// Texts the page has come from its Korean catalogue; the tool's own from its catalogue.
TEST(CliProgramTest, texts_followTheUserLanguage) {
    const LanguageCase cases[] = {
        {"ko",
         {"set", "--port", "PORT", "--name", "123456789"},
         2,
         "",
         "skw-manager-cli: 장치 이름이 너무 깁니다.\n"},
        {"en",
         {"set", "--port", "PORT", "--name", "123456789"},
         2,
         "",
         "skw-manager-cli: The device name is too long.\n"},
        {"ko",
         {"scan", "--port", "PORT", "--rssi-min", "x"},
         2,
         "",
         "skw-manager-cli: RSSI 필터값이 숫자가 아닙니다.\n"},
        {"ko:en", {"info", "--port", "PORT"}, 0, "동작 Role", ""},
    };
    VirtualModule module(Options("GaX-sKW523"));
    Started(module);
    for (const LanguageCase& c : cases) {
        std::vector<std::string> args = c.args;
        for (std::string& arg : args) {
            arg = arg == "PORT" ? module.PortPath() : arg;
        }
        SCOPED_TRACE(c.language + " " + c.args.front());
        Program program(args, c.language);
        EXPECT_EQ(program.Finish(), c.status);
        EXPECT_THAT(program.out, HasSubstr(c.out));
        EXPECT_EQ(program.err, c.err);
    }
}

// The first Ctrl+C ends a scan in order: the module is told to stop and the filter goes off.
TEST(CliProgramTest, interrupt_stopsTheScanInOrder) {
    VirtualModule module(Options("GaX-sKW521M"));
    Started(module);
    Program program({"scan", "--port", module.PortPath(), "--seconds", "600"}, "en");
    ASSERT_TRUE(module.WaitForCommand("AT+STARTSCAN", kLimit));
    program.Signal(SIGINT);
    EXPECT_EQ(program.Finish(), 0) << program.err;
    const std::vector<std::string> commands = module.Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(commands.end() - 2, commands.end()),
              (std::vector<std::string>{"AT+STOPSCAN", "AT+SF=OFF"}));
    EXPECT_THAT(program.out, HasSubstr("Device Address  RSSI  Device Name\n"));
}

}  // namespace
