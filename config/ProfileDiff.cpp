#include "ProfileDiff.h"

#include "InputRules.h"

#include <algorithm>

namespace {

std::string OrDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string SlotText(const SlotValue& slot) {
    return slot.address.empty() ? "-"
           : slot.name.empty()  ? slot.address
                                : slot.address + " " + slot.name;
}

std::string OnOff(bool on) {
    return on ? "on" : "off";
}

std::string UartText(std::uint32_t baud, bool flow) {
    return std::to_string(baud) + "," + OnOff(flow);
}

class Difference {
public:
    Difference(const Profile& profile, const std::string& name, const ModuleValues& module,
               std::uint32_t baud) {
        Role(profile, module);
        Peripheral(profile, name, module);
        Central(profile, module);
        Slots(profile, module);
        Uart(profile, module, baud);
    }

    std::vector<FieldChange> Take() { return std::move(m_changes); }

private:
    void Add(ProfileField kind, std::string field, std::string from, std::string to,
             unsigned slot = 0) {
        m_changes.push_back({kind, slot, std::move(field), std::move(from), std::move(to)});
    }

    static std::string FieldName(ConfJob job) { return std::string(SettingRowOf(job)->fileField); }

    void Role(const Profile& p, const ModuleValues& v) {
        if (p.role && *p.role != v.role) {
            Add(ProfileField::Role, FieldName(JOB_SET_ROLE), v.role < 0 ? "-" : kRoleNames[v.role],
                kRoleNames[*p.role]);
        }
    }

    void Peripheral(const Profile& p, const std::string& name, const ModuleValues& v) {
        if (p.name && name != v.name) {
            Add(ProfileField::Name, FieldName(JOB_SET_NAME), v.name, name);
        }
        if (p.advInterval && v.advInterval != p.advInterval) {
            Add(ProfileField::AdvInterval, FieldName(JOB_SET_ADV_INTERVAL),
                v.advInterval ? std::to_string(*v.advInterval) : "-",
                std::to_string(*p.advInterval));
        }
    }

    void Central(const Profile& p, const ModuleValues& v) {
        if (p.autoConnect && v.autoCon != p.autoConnect) {
            Add(ProfileField::AutoConnect, FieldName(JOB_SET_AUTOCON),
                v.autoCon ? OnOff(*v.autoCon) : "-", OnOff(*p.autoConnect));
        }
        if (p.masterAddress && v.masterAddress != p.masterAddress) {
            Add(ProfileField::MasterAddress, FieldName(JOB_SET_MASTER),
                v.masterAddress ? OrDash(*v.masterAddress) : "-", OrDash(*p.masterAddress));
        }
    }

    void Slots(const Profile& p, const ModuleValues& v) {
        for (const auto& [number, wanted] : p.slots) {
            const SlotValue held = v.slots ? (*v.slots)[number - 1] : SlotValue{};
            if (v.slots && held == wanted) {
                continue;
            }
            Add(ProfileField::Slot, FieldName(JOB_WRITE_SLOTS) + "[" + std::to_string(number) + "]",
                v.slots ? SlotText(held) : "-", SlotText(wanted), number);
        }
    }

    void Uart(const Profile& p, const ModuleValues& v, std::uint32_t baud) {
        const std::uint32_t wantedBaud = p.baud.value_or(baud);
        const bool wantedFlow = p.flowControl.value_or(v.flow);
        if (wantedBaud != baud || wantedFlow != v.flow) {
            Add(ProfileField::Uart, FieldName(JOB_SET_UART), UartText(baud, v.flow),
                UartText(wantedBaud, wantedFlow));
        }
    }

    std::vector<FieldChange> m_changes;
};

const SettingRow& SettingOf(ProfileField kind, const Profile& profile) {
    if (kind == ProfileField::MasterAddress && profile.masterAddress &&
        profile.masterAddress->empty()) {
        return *SettingRowOf(JOB_DELETE_MASTER);
    }
    return *std::find_if(kSettingRows.begin(), kSettingRows.end(),
                         [kind](const SettingRow& row) { return row.field == kind; });
}

// The file's slot to blame for a refused slot write: the one refused, or, when that is a slot
// the module keeps, the file's slot that takes the same address.
unsigned FileSlotOf(const InputRules::SaveError& error, const Profile& profile,
                    const InputRules::SlotTexts& addresses) {
    const auto number = static_cast<unsigned>(error.slot);
    if (profile.slots.contains(number)) {
        return number;
    }
    for (const auto& [fileSlot, value] : profile.slots) {
        if (!value.address.empty() && value.address == addresses[number - 1]) {
            return fileSlot;
        }
    }
    return number;
}

// The slots as the page's rows would show them with the file's slots typed in.
std::variant<SlotArray, ProfileRefusal> WriteSlots(const Profile& profile,
                                                   const ModuleValues& module) {
    InputRules::SlotTexts addresses;
    InputRules::SlotTexts names;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        const auto held = profile.slots.find(static_cast<unsigned>(i + 1));
        const SlotValue slot = held != profile.slots.end() ? held->second
                               : module.slots              ? (*module.slots)[i]
                                                           : SlotValue{};
        addresses[i] = slot.address;
        names[i] = slot.name;
    }
    auto built = InputRules::BuildWriteSlots(addresses, names);
    if (const auto* error = std::get_if<InputRules::SaveError>(&built)) {
        return ProfileRefusal{
            ConfMessageId::MSG_PROFILE_BAD_VALUE,
            "slots[" + std::to_string(FileSlotOf(*error, profile, addresses)) + "]"};
    }
    return std::get<SlotArray>(built);
}

}  // namespace

std::vector<FieldChange> ProfileChanges(const Profile& profile, const std::string& name,
                                        const ModuleValues& module, std::uint32_t baud) {
    return Difference(profile, name, module, baud).Take();
}

std::vector<ProfileJob> ProfileJobsFor(const std::vector<FieldChange>& changes,
                                       const Profile& profile) {
    std::vector<ProfileJob> jobs;
    for (const FieldChange& change : changes) {
        const SettingRow& setting = SettingOf(change.kind, profile);
        if (jobs.empty() || jobs.back().setting->job != setting.job) {
            jobs.push_back({&setting, change.field});
        }
    }
    return jobs;
}

std::optional<ProfileRefusal> RefusalOf(const std::vector<FieldChange>& changes,
                                        const Profile& profile, const ModuleValues& module,
                                        std::string_view model, std::uint8_t role) {
    for (const FieldChange& change : changes) {
        const SettingRow& setting = SettingOf(change.kind, profile);
        if (setting.group && GroupsKeptDisabled(model, role).test(*setting.group)) {
            return ProfileRefusal{ConfMessageId::MSG_PROFILE_NOT_OFFERED, change.field};
        }
        if (setting.job == JOB_SET_ROLE && profile.role) {
            role = RoleByteOf(*profile.role);
        }
    }
    const bool slotsChange = std::any_of(changes.begin(), changes.end(), [](const FieldChange& c) {
        return c.kind == ProfileField::Slot;
    });
    if (slotsChange) {
        if (auto built = WriteSlots(profile, module);
            const auto* refusal = std::get_if<ProfileRefusal>(&built)) {
            return *refusal;
        }
    }
    return std::nullopt;
}

std::variant<JobInputs, ProfileRefusal> ProfileJobInputs(ConfJob job, const Profile& profile,
                                                         const std::string& name,
                                                         const ModuleValues& module,
                                                         std::uint32_t baud) {
    JobInputs inputs;
    switch (job) {
        case JOB_SET_ROLE:
            inputs.roleIndex = profile.role.value_or(module.role);
            break;
        case JOB_SET_NAME:
            inputs.deviceName = name;
            break;
        case JOB_SET_ADV_INTERVAL:
            inputs.advInterval = profile.advInterval.value_or(0);
            break;
        case JOB_SET_AUTOCON:
            inputs.autoConIndex = profile.autoConnect.value_or(false) ? 1 : 0;
            break;
        case JOB_SET_MASTER:
            if (const auto address = InputRules::ParseAddress(profile.masterAddress.value_or(""))) {
                inputs.masterAddr = *address;
            }
            break;
        case JOB_WRITE_SLOTS: {
            auto built = WriteSlots(profile, module);
            if (const auto* refusal = std::get_if<ProfileRefusal>(&built)) {
                return *refusal;
            }
            inputs.writeSlots = std::get<SlotArray>(built);
            break;
        }
        case JOB_SET_UART:
            inputs.baudRate = profile.baud.value_or(baud);
            inputs.flowControl = profile.flowControl.value_or(module.flow) ? 1 : 0;
            break;
        default:
            break;
    }
    return inputs;
}

std::optional<std::string> ProfileNameFor(const Profile& profile, unsigned counter) {
    return profile.name ? NameFor(*profile.name, counter) : std::string();
}

std::optional<ApplyPlan> PlanApply(const Profile& profile, unsigned counter,
                                   const ModuleValues& module, std::string_view model,
                                   std::uint8_t role, std::uint32_t baud) {
    std::optional<std::string> name = ProfileNameFor(profile, counter);
    if (!name) {
        return std::nullopt;
    }
    ApplyPlan plan;
    plan.name = std::move(*name);
    plan.changes = ProfileChanges(profile, plan.name, module, baud);
    plan.refusal = RefusalOf(plan.changes, profile, module, model, role);
    plan.jobs = ProfileJobsFor(plan.changes, profile);
    return plan;
}
