#pragma once

#include "CliOutput.h"
#include "CliRequest.h"
#include "ProfileDiff.h"
#include "SessionProfile.h"

#include <string>
#include <vector>

struct ApplyOutcome {
    Step failure;                      // nothing: applied and verified (or nothing to apply)
    std::vector<FieldChange> changes;  // what differed before applying
    ModuleValues module;               // as last read; empty when the module was not read
};

struct ApplyOptions {
    Connection connection;
    unsigned nameCounter = 1;
    bool dryRun = false;
};

// Reads the module, prints the difference (one line per field), applies only what differs as
// `set` does, reads the module back and checks every applied field.
ApplyOutcome ApplyProfile(const Profile& profile, const ApplyOptions& options,
                          const CliContext& context);
