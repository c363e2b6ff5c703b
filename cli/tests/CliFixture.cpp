#include "CliFixture.h"

#include "CliRun.h"

#include <unistd.h>

#include <atomic>
#include <sstream>

namespace {

std::string UniquePortName(const std::string& model) {
    static std::atomic<int> counter{0};
    return "cli-" + model + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

}  // namespace

void CliFixture::StartModule(VirtualModuleOptions options) {
    options.portName = UniquePortName(options.model);
    m_module = std::make_unique<VirtualModule>(std::move(options));
    const std::error_code error = m_module->Start();
    ASSERT_FALSE(error) << error.message();
}

CliResult CliFixture::Run(const std::string& command, const std::vector<std::string>& options) {
    std::vector<std::string> args = {command, "--port", m_module->PortPath()};
    args.insert(args.end(), options.begin(), options.end());
    return RunArgs(args);
}

CliResult CliFixture::RunArgs(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"skw-manager-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    if (m_module) {
        m_module->ClearCommands();
    }
    std::ostringstream out;
    std::ostringstream err;
    CliResult result;
    result.status = RunCli(argv, CliEnvironment{out, err, {}, {}, nullptr});
    result.out = out.str();
    result.err = err.str();
    if (m_module) {
        result.commands = m_module->Commands();
    }
    return result;
}

VirtualModuleOptions ModelOptions(const std::string& model, std::chrono::milliseconds latency) {
    VirtualModuleOptions options;
    options.model = model;
    options.latency = latency;
    return options;
}

Transcript Concat(std::initializer_list<Transcript> parts) {
    Transcript all;
    for (const Transcript& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Transcript Identify() {
    return {"AT", "AT+MODEL?"};
}

Transcript FullRead(bool entersSetMode) {
    Transcript read = {"AT+STOPSCAN", "AT+VER?", "AT+INFO?"};
    if (entersSetMode) {
        read.insert(read.end(), {"AT+MODULESETMODE", "AT+INFO?"});
    }
    read.insert(read.end(),
                {"AT+AUTOCON?", "AT+ADVINTERVAL?", "AT+FLOWCONTROL?", "AT+ROLE?", "AT+MBYPASS?"});
    for (int slot = 1; slot <= 8; ++slot) {
        read.push_back("AT+GETSLOT=" + std::to_string(slot));
    }
    return read;
}

Transcript ConnectFull() {
    return Concat({Identify(), FullRead(true)});
}

Transcript Reread() {
    return Concat({Identify(), FullRead(false)});
}
