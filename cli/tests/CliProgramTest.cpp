#include "VirtualModule.h"

#include <nlohmann/json.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <stdexcept>
#include <thread>

extern char** environ;

using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

constexpr auto kLimit = 20s;

// skw-manager-cli as a child process, with its output on pipes and a language of its own.
class Program {
public:
    // `stdoutPath`: standard output goes to this file instead of the pipe.
    Program(std::vector<std::string> args, const std::string& language,
            const std::string& stdoutPath = "") {
        std::array<int, 2> out{};
        std::array<int, 2> err{};
        if (::pipe(out.data()) != 0 || ::pipe(err.data()) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (stdoutPath.empty()) {
            posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        } else {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(), O_WRONLY,
                                             0);
        }
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[1]);
        posix_spawn_file_actions_addclose(&actions, err[1]);
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
        if (m_out >= 0) {
            ::close(m_out);
        }
        ::close(m_err);
    }

    void Signal(int signal) const { ::kill(m_pid, signal); }
    // Closes the reading end of its standard output, as a pager that quit does.
    void CloseOutput() {
        ::close(m_out);
        m_out = -1;
    }

    // Reads its output to the end and returns its exit status; -1 if it did not end in time.
    int Finish() {
        const auto deadline = std::chrono::steady_clock::now() + kLimit;
        bool outOpen = m_out >= 0;
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
        // The unit of work's own texts come from its catalogue.
        {"ko",
         {"info", "--port", "PORT", "--expect-model", "GaX-DTQ50"},
         6,
         "",
         "skw-manager-cli: 장치 모델이 GaX-DTQ50이(가) 아니라 GaX-sKW523입니다.\n"},
        // The argument parser's own mistakes lead in the user's language too.
        {"ko", {"info"}, 2, "", "skw-manager-cli: 인수가 없습니다: --port is required\n"},
        {"ko",
         {"info", "--port", "PORT", "--bogus"},
         2,
         "",
         "skw-manager-cli: 알 수 없는 인수입니다: The following argument was not expected: "
         "--bogus\n"},
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
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(commands.end() - 3, commands.end()),
              (std::vector<std::string>{"AT+STOPSCAN", "AT+SF=OFF", "ATZ"}));
    EXPECT_THAT(program.out, HasSubstr("Device Address  RSSI  Device Name\n"));
}

struct OutputCase {
    std::vector<std::string> args;  // "PORT" stands for the module's port
    bool closedPipe;                // else standard output is /dev/full
};

// A result that cannot be written is a failure, not a success nobody saw.
TEST(CliProgramTest, outputThatCannotBeWritten_endsWithStatus1) {
    const OutputCase cases[] = {
        {{"info", "--port", "PORT"}, false},
        {{"info", "--port", "PORT", "--json"}, false},
        {{"ports"}, false},
        {{"info", "--port", "PORT"}, true},
    };
    VirtualModule module(Options("GaX-sKW523"));
    Started(module);
    for (const OutputCase& c : cases) {
        std::vector<std::string> args = c.args;
        for (std::string& arg : args) {
            arg = arg == "PORT" ? module.PortPath() : arg;
        }
        SCOPED_TRACE(::testing::PrintToString(args) + (c.closedPipe ? " | closed" : " > full"));
        Program program(args, "en", c.closedPipe ? "" : "/dev/full");
        if (c.closedPipe) {
            program.CloseOutput();
        }
        EXPECT_EQ(program.Finish(), 1);
        EXPECT_EQ(program.err, "skw-manager-cli: Cannot write to standard output.\n");
    }
}

struct InterruptCase {
    std::string what;
    std::string model;
    std::vector<std::string> args;  // after the port
    std::string signalAt;           // the command during which both signals come
    int status;
    std::vector<std::string> lastCommands;  // how the module was left
    std::string notSent;                    // a command of a later setting, skipped
    std::vector<int> signals = {SIGINT, SIGTERM};
};

// A settings file that changes the role, a slot and the UART speed, as the first set case does.
std::string SlotsAndUartFile() {
    const auto path = std::filesystem::temp_directory_path() /
                      ("skw-cli-interrupt-" + std::to_string(::getpid()) + ".json");
    std::ofstream(path, std::ios::trunc)
        << R"({"role": "multi-at", "slots": [{"slot": 1, "address": "C0FFEE000001"}],)"
        << R"( "baud": 19200})";
    return path.string();
}

// Signals (most cases two, 50 ms apart): the command stops at its next safe point, never inside a
// sequence that belongs together, and leaves the module out of its setting mode.
TEST(CliProgramTest, interrupt_stopsAtASafePoint) {
    const std::string settingsFile = SlotsAndUartFile();
    const InterruptCase cases[] = {
        {"apply stops between settings as set does",
         "GaX-sKW523",
         {"apply", settingsFile},
         "AT+SETSLOT=1,C0FFEE000001",
         130,
         {"AT+DELSLOT=7", "AT+DELSLOT=8", "ATZ"},
         "AT+FLOWCONTROL=OFF"},
        {"the eight slots are written together",
         "GaX-sKW523",
         {"set", "--role", "multi-at", "--slot", "1=C0FFEE000001", "--slot", "2=D4CA6E10A2B3",
          "--uart", "19200"},
         "AT+SETSLOT=1,C0FFEE000001",
         130,
         {"AT+DELSLOT=7", "AT+DELSLOT=8", "ATZ"},
         "AT+FLOWCONTROL=OFF"},
        {"a closed terminal's SIGHUP stops as Ctrl+C does",
         "GaX-sKW523",
         {"set", "--role", "multi-at", "--slot", "1=C0FFEE000001", "--slot", "2=D4CA6E10A2B3",
          "--uart", "19200"},
         "AT+SETSLOT=1,C0FFEE000001",
         130,
         {"AT+DELSLOT=7", "AT+DELSLOT=8", "ATZ"},
         "AT+FLOWCONTROL=OFF",
         {SIGHUP}},
        {"the UART change is applied by its restart",
         "GaX-sKW523",
         {"set", "--adv-interval", "200", "--uart", "19200"},
         "AT+FLOWCONTROL=OFF",
         0,
         {"AT+FLOWCONTROL=OFF", "AT+UART=19200", "ATZ"},
         ""},
        {"the scan is stopped in the module",
         "GaX-sKW521M",
         {"scan", "--seconds", "600", "--name-filter", "Q"},
         "AT+STARTSCAN",
         0,
         {"AT+STOPSCAN", "AT+SF=OFF", "ATZ"},
         ""},
        {"info ends after its read",
         "GaX-sKW523",
         {"info"},
         "AT+VER?",
         130,
         {"AT+GETSLOT=8", "ATZ"},
         ""},
    };
    for (const InterruptCase& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualModuleOptions options = Options(c.model);
        options.latency = 30ms;
        VirtualModule module(options);
        Started(module);
        std::vector<std::string> args = {c.args.front(), "--port", module.PortPath()};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        Program program(args, "en");
        ASSERT_TRUE(module.WaitForCommand(c.signalAt, kLimit));
        for (std::size_t i = 0; i < c.signals.size(); ++i) {
            if (i > 0) {
                std::this_thread::sleep_for(50ms);
            }
            program.Signal(c.signals[i]);
        }
        EXPECT_EQ(program.Finish(), c.status) << program.err;
        const std::vector<std::string> commands = module.Commands();
        ASSERT_GE(commands.size(), c.lastCommands.size());
        EXPECT_EQ(std::vector<std::string>(commands.end() - c.lastCommands.size(), commands.end()),
                  c.lastCommands);
        if (!c.notSent.empty()) {
            EXPECT_THAT(commands, ::testing::Not(::testing::Contains(c.notSent)));
        }
    }
    std::filesystem::remove(settingsFile);
}

// A settings file that never ends (a pipe nobody writes) does not hold the tool past Ctrl+C,
// and the port is never opened.
TEST(CliProgramTest, interruptWhileReadingAPipe_endsBeforeThePortIsOpened) {
    VirtualModule module(Options("GaX-sKW523"));
    Started(module);
    const auto fifo =
        std::filesystem::temp_directory_path() / ("skw-cli-fifo-" + std::to_string(::getpid()));
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Program program({"apply", "--port", module.PortPath(), fifo.string()}, "en");
    std::this_thread::sleep_for(200ms);  // let it reach the read; a signal before it counts too
    program.Signal(SIGINT);
    EXPECT_EQ(program.Finish(), 130) << program.err;
    EXPECT_TRUE(module.Commands().empty());
    std::filesystem::remove(fifo);
}

struct WatchSignalCase {
    std::string signalAt;  // the command, on the first module, during which the signals come
    int signals;           // 1: the running modules finish; 2: they stop at a safe point
};

// Signals at several points of a production run: every module that was started is restarted
// out of its setting mode and has its record, and no new module starts.
TEST(CliProgramTest, watchSignals_leaveEveryModuleRestartedAndEveryStartedUnitRecorded) {
    const auto profile = std::filesystem::temp_directory_path() /
                         ("skw-cli-watch-" + std::to_string(::getpid()) + ".json");
    std::ofstream(profile) << R"({"name": "W{n}", "advInterval": 300})";
    const WatchSignalCase cases[] = {
        {"AT+MODEL?", 1}, {"AT+ADVINTERVAL=300", 2}, {"AT+MODULESETMODE", 2}};
    for (const WatchSignalCase& c : cases) {
        SCOPED_TRACE(c.signalAt + " x" + std::to_string(c.signals));
        const auto report = std::filesystem::temp_directory_path() /
                            ("skw-cli-watch-" + std::to_string(::getpid()) + ".jsonl");
        std::filesystem::remove(report);
        const std::string tag = "wsig-" + std::to_string(::getpid()) + "-";
        Program program({"apply", profile.string(), "--watch", "--ports", "*/" + tag + "*",
                         "--report", report.string()},
                        "en");
        std::this_thread::sleep_for(700ms);  // what is listed when it starts is not new
        std::vector<std::unique_ptr<VirtualModule>> modules;
        for (int i = 0; i < 2; ++i) {
            VirtualModuleOptions options = Options("GaX-sKW523");
            options.portName = tag + std::to_string(i);
            options.address = "C0FFEE0000C" + std::to_string(i);
            options.latency = 30ms;
            modules.push_back(std::make_unique<VirtualModule>(options));
            Started(*modules.back());
        }
        ASSERT_TRUE(modules[0]->WaitForCommand(c.signalAt, kLimit));
        for (int i = 0; i < c.signals; ++i) {
            program.Signal(i == 0 ? SIGINT : SIGTERM);
            std::this_thread::sleep_for(50ms);
        }
        VirtualModuleOptions late = Options("GaX-sKW523");
        late.portName = tag + "late";
        VirtualModule lateModule(late);
        Started(lateModule);
        EXPECT_EQ(program.Finish(), 0) << program.err;
        std::ifstream file(report);
        std::set<std::string> recorded;
        for (std::string line; std::getline(file, line);) {
            recorded.insert(nlohmann::json::parse(line)["port"].get<std::string>());
        }
        for (const auto& module : modules) {
            const std::vector<std::string> commands = module->Commands();
            if (commands.empty()) {
                continue;  // not started: nothing to restart or record
            }
            EXPECT_EQ(commands.back(), "ATZ");
            EXPECT_TRUE(recorded.contains(module->PortPath())) << module->PortPath();
        }
        EXPECT_TRUE(lateModule.Commands().empty());
    }
    std::filesystem::remove(profile);
}

}  // namespace
