#pragma once

#include "ModuleSession.h"
#include "SessionReporter.h"
#include "SessionTexts.h"
#include "SettingTable.h"

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

// Makes a setting's job inputs when it runs, from the module's values as last read; or the
// message of a check that needed those values.
using InputsOf = std::function<std::variant<JobInputs, std::string>(const ModuleSession&)>;

// A setting, checked, waiting for its turn.
struct PlannedSetting {
    const SettingRow* row;
    InputsOf inputs;
};

struct SetPlan {
    std::vector<PlannedSetting> settings;
    std::uint8_t roleAfter = 0;  // the role byte the module reports after its role setting
};

// Runs `plan` on the connected module: refused before anything is sent when the page would
// not offer a setting in the role it is applied in, then sent in order, each reported as a step,
// the module read again where the page reads it. `dryRun`: only the checks. `onStart` hears of
// each setting as it is sent.
Step RunSetPlan(const SetPlan& plan, ModuleSession& session, const SessionTexts& texts,
                SessionReporter& reporter, bool dryRun,
                const std::function<void(const SettingRow&)>& onStart = {});
