#include "CliHost.h"
#include "CliRun.h"

#include <atomic>
#include <csignal>
#include <iostream>

namespace {

std::atomic<bool> g_stopRequested{false};
std::atomic<int> g_stopSignals{0};
std::atomic<bool> g_summaryRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

// Ctrl+C, SIGTERM or SIGHUP (a closed terminal, a dropped SSH session) asks the running command to
// stop at its next safe point: between two settings, or a scan stopped in the module. Further
// signals change nothing, so a sequence of commands that belongs together (the eight slots, a UART
// change and the restart that applies it) is never cut; the wait is bounded by the running job's
// answer limits.
// The watch mode counts them: the second stops the modules in progress at their next safe
// point too.
extern "C" void OnStopSignal(int) {
    g_stopRequested.store(true);
    g_stopSignals.fetch_add(1);
}

extern "C" void OnSummarySignal(int) {
    g_summaryRequested.store(true);
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv, argv + argc);
    const CliHost host(argc, argv);
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#ifdef SIGHUP  // POSIX only
    std::signal(SIGHUP, OnStopSignal);
#endif
#ifdef SIGUSR1
    std::signal(SIGUSR1, OnSummarySignal);
#endif
#ifdef SIGPIPE  // POSIX only; on Windows a closed pipe is a plain write error already
    // A closed pipe shows as a write error of standard output, reported with status 1.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    const CliEnvironment environment{
        std::cout,        std::cerr,      host.UserLanguage(), CliHost::SerialPorts,
        &g_stopRequested, &g_stopSignals, &g_summaryRequested};
    return RunCli(args, environment);
}
