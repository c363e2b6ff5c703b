#pragma once

#include "ConfJob.h"
#include "ConfMessageTable.h"
#include "JobInputs.h"
#include "ModelRules.h"
#include "ModuleValues.h"
#include "Profile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// What a settings file changes on a module, and the page's jobs that change it.

enum class ProfileField { Role, Name, AdvInterval, AutoConnect, MasterAddress, Slot, Uart };

// One field whose module value differs from the settings file's.
struct FieldChange {
    ProfileField kind;
    unsigned slot = 0;  // ProfileField::Slot: 1-8
    std::string field;  // the file's field name, e.g. "advInterval", "slots[3]"; "uart"
    std::string from;   // the module's value as read
    std::string to;     // the file's
};

// The fields that differ, in the order the settings are applied: role, device name,
// advertising interval, automatic connection, master address, slots, UART (speed and flow
// control; it restarts the module, so it comes last). `name` is the device name with its
// counter filled in; `baud` the speed the module was reached at.
std::vector<FieldChange> ProfileChanges(const Profile& profile, const std::string& name,
                                        const ModuleValues& module, std::uint32_t baud);

// One of the page's setting jobs, with the control group whose button runs it on the page
// (none: always offered) and whether the page identifies and reads the module after it.
struct ProfileJob {
    ConfJob job;
    std::optional<ControlGroup> group;
    bool rereads;
    std::string field{};  // the first field it changes
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
