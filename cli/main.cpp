#include "CliHost.h"
#include "CliRun.h"

#include <atomic>
#include <csignal>
#include <iostream>

namespace {

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The first Ctrl+C ends a running scan in order (the module is told to stop); a second one
// ends the program at once.
extern "C" void OnStopSignal(int signal) {
    g_stopRequested.store(true);
    std::signal(signal, SIG_DFL);
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv, argv + argc);
    const CliHost host(argc, argv);
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);

    const CliEnvironment environment{std::cout, std::cerr, host.UserLanguage(),
                                     CliHost::SerialPorts, &g_stopRequested};
    return RunCli(args, environment);
}
