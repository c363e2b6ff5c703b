#pragma once

#include "Connection.h"
#include "ProfileDiff.h"
#include "SessionOutcome.h"
#include "SessionProfile.h"
#include "SessionReporter.h"
#include "SessionTexts.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ApplyOutcome {
    Step failure;                      // nothing: applied and verified (or nothing to apply)
    std::vector<FieldChange> changes;  // what differed before applying
    ModuleValues module;               // as last read; empty when the module was not read
    std::string name;                  // the device name given, counter filled in
    // The applied fields the read-back confirmed, as "field=value"; none when the apply did
    // not get as far as its read-back.
    std::vector<std::string> confirmed;
    bool refused = false;  // `accept` refused the module: nothing was changed
    // The module may hold `name`: it read it back, or, when the apply ended before its
    // read-back, the name was sent and not refused.
    bool nameWritten = false;
};

// How far an apply has got: the module read, each setting applied, the read-back.
struct ApplyProgress {
    enum class Stage { Reading, Applying, Verifying };
    Stage stage = Stage::Reading;
    unsigned done = 0;   // steps finished
    unsigned total = 0;  // steps in all; known once the module has been read (0 before)
};

struct ApplyOptions {
    Connection connection;
    unsigned nameCounter = 1;
    bool dryRun = false;
    // Asked once the module has been read, before anything is changed: false leaves it as it
    // is (a module already configured).
    std::function<bool(const ModuleValues&)> accept{};
    // Every line written to and read from the module.
    std::function<void(bool sent, std::string_view line)> transcript{};
    // Each step as it starts, on the caller's thread.
    std::function<void(const ApplyProgress&)> progress{};
    // Set when a stop is asked for: honoured between two settings. May be null.
    const std::atomic<bool>* stopRequested = nullptr;
};

// Reads the module, reports the difference (one result per field), applies only what differs
// as `set` does, reads the module back and checks every applied field.
ApplyOutcome ApplyProfile(const Profile& profile, const ApplyOptions& options,
                          const SessionTexts& texts, SessionReporter& reporter);
