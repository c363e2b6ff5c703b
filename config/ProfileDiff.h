#pragma once

#include "ConfJob.h"
#include "ConfMessageTable.h"
#include "JobInputs.h"
#include "ModelRules.h"
#include "ModuleValues.h"
#include "Profile.h"
#include "SettingTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// What a settings file changes on a module, and the page's jobs that change it.

// One field whose module value differs from the settings file's.
struct FieldChange {
    ProfileField kind;
    unsigned slot = 0;  // ProfileField::Slot: 1-8
    std::string field;  // the file's field name, e.g. "name", "slots[3]"; "uart"
    std::string from;   // the module's value as read
    std::string to;     // the file's
};

// The fields that differ, in the order the settings are applied (SettingRow::applyOrder; the
// UART's speed and flow control are one change, last). `name` is the device name with its
// counter filled in; `baud` the speed the module was reached at.
std::vector<FieldChange> ProfileChanges(const Profile& profile, const std::string& name,
                                        const ModuleValues& module, std::uint32_t baud);

// One of the page's setting jobs and the first field it changes.
struct ProfileJob {
    const SettingRow* setting;
    std::string field{};
};

// The jobs that apply `changes`, in their order; every slot change is one slot write.
std::vector<ProfileJob> ProfileJobsFor(const std::vector<FieldChange>& changes,
                                       const Profile& profile);

// A change that the page would refuse: its message ("%1" the field, "%2" the model).
struct ProfileRefusal {
    ConfMessageId text;
    std::string field;
};

// The first change the model does not offer in the role the module would have when it is
// applied (after the file's role is set), or whose slots the page's slot rules refuse; `role`
// is the role byte as read.
std::optional<ProfileRefusal> RefusalOf(const std::vector<FieldChange>& changes,
                                        const Profile& profile, const ModuleValues& module,
                                        std::string_view model, std::uint8_t role);

// The inputs of one of the jobs of ProfileJobsFor, taken from the file and from the module's
// values as last read (the slots the file leaves alone keep what the module holds, the speed
// the file leaves out stays `baud`); or the refusal of the slot rules.
std::variant<JobInputs, ProfileRefusal> ProfileJobInputs(ConfJob job, const Profile& profile,
                                                         const std::string& name,
                                                         const ModuleValues& module,
                                                         std::uint32_t baud);

// Applying a settings file to a module as read: the device name with the counter filled in
// (empty when the file has none), the fields that differ, the jobs that change them, and why
// the page would refuse them (nothing: it would not).
struct ApplyPlan {
    std::string name;
    std::vector<FieldChange> changes;
    std::vector<ProfileJob> jobs;
    std::optional<ProfileRefusal> refusal;
};

// The device name of `profile` with `counter` filled in: empty when the file has none, nothing
// when the filled-in name breaks the name rules.
std::optional<std::string> ProfileNameFor(const Profile& profile, unsigned counter);

// Plans applying `profile` with `counter` to a module of `model` whose values are `module`
// and role byte `role`, reached at `baud`: counter, name, changes, refusal. Nothing when the
// counter cannot fill the name (ProfileNameFor).
std::optional<ApplyPlan> PlanApply(const Profile& profile, unsigned counter,
                                   const ModuleValues& module, std::string_view model,
                                   std::uint8_t role, std::uint32_t baud);
