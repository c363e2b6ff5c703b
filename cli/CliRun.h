#pragma once

#include "CliTexts.h"

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// What the surroundings give the command-line tool: its streams, the user's language, the
// port list and a stop request.
struct CliEnvironment {
    std::ostream& out;
    std::ostream& err;
    Translator translate;                                 // empty: English
    std::function<std::vector<std::string>()> listPorts;  // for `ports`
    const std::atomic<bool>* stopRequested = nullptr;     // ends a running scan early
    const std::atomic<int>* stopSignals = nullptr;        // how many stop signals came
    std::atomic<bool>* summaryRequested = nullptr;        // SIGUSR1: the watch prints its summary
};

// Runs one command line (`args` starts with the program name) and returns the exit status.
int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment);
