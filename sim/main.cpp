// skw-module-sim: a virtual module on a pseudo-terminal, for trying the program without
// hardware. Prints the path of its port and answers until SIGINT, SIGTERM or SIGHUP.
#include "ModuleSettings.h"
#include "ReplayModule.h"
#include "VirtualModule.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>

namespace {

const std::map<std::string, SimFault> kFaultNames = {
    {"silence", SimFault::Silence},         {"garbage", SimFault::GarbageLines},
    {"long-line", SimFault::LongLines},     {"split", SimFault::SplitWrites},
    {"forget-name", SimFault::ForgetsName},
};

struct CommandLine {
    VirtualModuleOptions module;
    std::string devicesFile;
    std::string logFile;
    std::vector<std::string> faults;
    int latencyMs = 0;
    int scanIntervalMs = 200;
    int lateByMs = 2000;
    std::string staleAtConnect;
    std::string replayFile;
};

// "\r", "\n" and "\\" in a command-line text become CR, LF and a backslash.
std::string Unescape(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            bytes += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// Control bytes shown as \r, \n or \xNN; UTF-8 passes unchanged.
std::string Printable(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

void WriteTrace(std::FILE* out, SimTraceDirection direction, std::string_view text) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    std::fprintf(out, "%s.%03ld %s %s\n", clock, now.tv_nsec / 1000000,
                 direction == SimTraceDirection::Received ? "->" : "<-", Printable(text).c_str());
    std::fflush(out);
}

void DefineOptions(CLI::App& app, CommandLine& line) {
    app.add_option("--model", line.module.model, "Model to answer as")->capture_default_str();
    app.add_option("--name", line.module.portName,
                   "Name of the published port (default: the model name)");
    app.add_option("--baud", line.module.uartSpeed, "The module's UART speed")
        ->capture_default_str()
        ->check(CLI::IsMember(
            std::vector<std::uint32_t>(kModuleUartSpeeds.begin(), kModuleUartSpeeds.end())));
    app.add_flag("--echo", line.module.echo, "Send every received byte back");
    app.add_flag("--enclosed", line.module.enclosed,
                 "Answer OK and +READY in the enclosed form \\r\\nOK\\r\\n");
    app.add_flag("--crlf", line.module.crlf, "End answer lines with CR LF instead of CR");
    app.add_option("--latency", line.latencyMs, "Delay before every answer, in ms")
        ->capture_default_str()
        ->check(CLI::Range(0, 60000));
    app.add_flag("--strict-speed", line.module.strictSpeed,
                 "Answer garbage while the port's speed differs from the module's UART speed");
    app.add_option("--devices", line.devicesFile,
                   "File of devices to report while scanning: ADDRESS,RSSI,NAME per line")
        ->check(CLI::ExistingFile);
    app.add_option("--scan-interval", line.scanIntervalMs, "Time between scan reports, in ms")
        ->capture_default_str()
        ->check(CLI::Range(10, 60000));
    app.add_flag("--line-rate", line.module.lineRate,
                 "Send bytes at the pace of the UART speed (10 bit times a byte)");
    app.add_option("--late-first", line.module.lateFirst,
                   "Answer the first N commands late (see --late-by)");
    app.add_option("--late-command", line.module.lateCommand,
                   "Answer this command (e.g. AT+MODEL?) late every time it comes");
    app.add_option("--address", line.module.address,
                   "The module's own Bluetooth address, 12 hex digits (default: the model's)")
        ->check([](const std::string& text) {
            const bool hex = text.size() == 12 &&
                             text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
            return hex ? std::string() : std::string("12 hex digits");
        });
    app.add_option("--refuse-command", line.module.refusedCommand,
                   "Answer ERROR to every command that begins with this (e.g. AT+FLOWCONTROL=)");
    app.add_option("--late-by", line.lateByMs, "How late a late answer comes, in ms")
        ->capture_default_str()
        ->check(CLI::Range(1, 60000));
    app.add_flag("--starts-scanning", line.module.startsScanning,
                 "Start in the central role, already scanning");
    app.add_option("--stale-at-connect", line.staleAtConnect,
                   "Bytes sent whenever the program opens the port (\\r and \\n allowed)");
    app.add_option("--replay", line.replayFile,
                   "Play back the device's side of a recorded session file instead of "
                   "answering as a model (see the README)")
        ->type_name("FILE");
    app.add_option("--log", line.logFile,
                   "Write received commands and answers to FILE instead of standard error");
    app.add_option("--fault", line.faults, "Start with a fault switched on (repeatable)")
        ->type_name("KIND")
        ->check(CLI::IsMember({"silence", "garbage", "long-line", "split", "forget-name"}));
}

bool LoadDevices(const std::string& path, std::vector<VirtualDevice>& devices) {
    std::ifstream input(path);
    std::string error;
    if (!input || !ParseVirtualDevices(input, devices, error)) {
        std::cerr << path << ": " << (input ? error : "cannot be read") << "\n";
        return false;
    }
    return true;
}

// Blocked before the module's thread starts, so only sigwait sees them.
sigset_t TerminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

// --replay: the recorded device until a termination signal; says how far the program followed.
int RunReplay(const CommandLine& line, const sigset_t& signals, std::FILE* log) {
    std::ifstream input(line.replayFile);
    std::vector<SessionEntry> session;
    std::string error;
    if (!input || !ParseSession(input, session, error)) {
        std::cerr << line.replayFile << ": " << (input ? error : "cannot be read") << "\n";
        return 2;
    }
    ReplayModule module(std::move(session),
                        line.module.portName.empty() ? "replay" : line.module.portName);
    if (const std::error_code startError = module.Start()) {
        std::cerr << "skw-module-sim: cannot start: " << startError.message() << "\n";
        return 1;
    }
    std::cout << module.PortPath() << std::endl;
    std::fprintf(log, "replaying %s on %s\n", line.replayFile.c_str(), module.PortPath().c_str());
    std::fflush(log);
    int received = 0;
    sigwait(&signals, &received);
    module.Stop();
    if (module.Diverged()) {
        std::fprintf(log, "the program wrote what the session did not: %s\n",
                     Printable(module.Unexpected()).c_str());
    } else {
        std::fprintf(
            log, "%s\n",
            module.Finished() ? "session replayed to its end" : "session not replayed to its end");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Virtual GaX-sKW module on a pseudo-terminal. Prints the port path, then "
        "answers AT commands until interrupted."};
    app.set_version_flag("--version", std::string("skw-module-sim ") + SKW_VERSION_TEXT,
                         "Print the version and exit");
    CommandLine line;
    DefineOptions(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version end with 0; a bad option with 2, like skw-manager-cli.
        const int status = app.exit(error);
        return status == 0 ? 0 : 2;
    }

    if (!line.devicesFile.empty() && !LoadDevices(line.devicesFile, line.module.devices)) {
        return 2;
    }
    std::FILE* log = stderr;
    if (!line.logFile.empty() && (log = std::fopen(line.logFile.c_str(), "a")) == nullptr) {
        std::perror(line.logFile.c_str());
        return 2;
    }
    line.module.latency = std::chrono::milliseconds(line.latencyMs);
    line.module.scanInterval = std::chrono::milliseconds(line.scanIntervalMs);
    line.module.lateBy = std::chrono::milliseconds(line.lateByMs);
    line.module.staleAtConnect = Unescape(line.staleAtConnect);
    line.module.trace = [log](SimTraceDirection direction, std::string_view text) {
        WriteTrace(log, direction, text);
    };

    const sigset_t signals = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    if (!line.replayFile.empty()) {
        const int status = RunReplay(line, signals, log);
        if (log != stderr) {
            std::fclose(log);
        }
        return status;
    }

    VirtualModule module(line.module);
    for (const std::string& fault : line.faults) {
        module.SetFault(kFaultNames.at(fault), true);
    }
    if (const std::error_code error = module.Start()) {
        std::cerr << "skw-module-sim: cannot start: " << error.message() << "\n";
        if (error == std::errc::permission_denied) {
            std::cerr << "skw-module-sim: " << PublishedPort::Directory()
                      << " must be a folder of your own (mode 0700 when it is under /tmp)\n";
        }
        return 1;
    }
    std::cout << module.PortPath() << std::endl;
    std::fprintf(log, "%s on %s (%s)\n", line.module.model.c_str(), module.PortPath().c_str(),
                 module.DevicePath().c_str());
    std::fflush(log);

    int received = 0;
    sigwait(&signals, &received);
    module.Stop();
    if (log != stderr) {
        std::fclose(log);
    }
    return 0;
}
