#pragma once

#include "ConfJob.h"
#include "ConfMessages.h"
#include "Prompter.h"

#include <optional>

// What the page does after a job that changes a setting: the message on success, what
// follows it, and the message on failure.
struct SettingOutcome {
    enum class Then { Identify, EnableControls, BackToPortSettings };

    ConfJob job;
    ConfMessages::Id done;
    Prompter::Icon doneIcon;
    Then then;
    ConfMessages::Id failed;
};

std::optional<SettingOutcome> SettingOutcomeOf(std::int32_t job);
