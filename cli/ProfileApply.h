#pragma once

#include "CliOutput.h"
#include "CliRequest.h"
#include "ModuleValues.h"
#include "Profile.h"

#include <string>
#include <vector>

// One field whose module value differs from the settings file's.
struct FieldChange {
    std::string field;  // the file's field name, e.g. "advInterval", "slots[3]"
    std::string from;   // the module's value as read
    std::string to;     // the file's
};

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
