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

std::string NumberText(std::optional<unsigned> number) {
    return number ? std::to_string(*number) : "-";
}

// The fields that differ, in the order the settings are applied.
class Difference {
public:
    Difference(const Profile& profile, const std::string& name, const ModuleValues& module,
               std::uint32_t baud)
        : m_file(profile), m_name(name), m_module(module), m_baud(baud) {
        for (const SettingRow* row : RowsInApplyOrder()) {
            Compare(*row);
        }
    }

    std::vector<FieldChange> Take() { return std::move(m_changes); }

private:
    void Add(const SettingRow& row, std::string from, std::string to) {
        m_changes.push_back(
            {row.field, 0, std::string(row.fileField), std::move(from), std::move(to)});
    }

    void Compare(const SettingRow& row) {
        const Profile& p = m_file;
        const ModuleValues& v = m_module;
        switch (row.kind) {
            case ValueKind::Role:
                if (p.role && *p.role != v.role) {
                    Add(row, v.role < 0 ? "-" : kRoleNames[v.role], kRoleNames[*p.role]);
                }
                break;
            case ValueKind::Name:
                if (p.name && m_name != v.name) {
                    Add(row, v.name, m_name);
                }
                break;
            case ValueKind::Number: {
                const std::optional<unsigned> wanted = NumberOf(p.numbers, row.field);
                const std::optional<unsigned> held = NumberOf(v.numbers, row.field);
                if (wanted && held != wanted) {
                    Add(row, NumberText(held), NumberText(wanted));
                }
                break;
            }
            case ValueKind::OnOff:
                if (p.autoConnect && v.autoCon != p.autoConnect) {
                    Add(row, v.autoCon ? OnOff(*v.autoCon) : "-", OnOff(*p.autoConnect));
                }
                break;
            case ValueKind::Address:
                if (p.masterAddress && v.masterAddress != p.masterAddress) {
                    Add(row, v.masterAddress ? OrDash(*v.masterAddress) : "-",
                        OrDash(*p.masterAddress));
                }
                break;
            case ValueKind::Slots:
                Slots(row);
                break;
            case ValueKind::Uart:
                Uart(row);
                break;
        }
    }

    void Slots(const SettingRow& row) {
        const ModuleValues& v = m_module;
        for (const auto& [number, wanted] : m_file.slots) {
            const SlotValue held = v.slots ? (*v.slots)[number - 1] : SlotValue{};
            if (v.slots && held == wanted) {
                continue;
            }
            m_changes.push_back({row.field, number,
                                 std::string(row.fileField) + "[" + std::to_string(number) + "]",
                                 v.slots ? SlotText(held) : "-", SlotText(wanted)});
        }
    }

    void Uart(const SettingRow& row) {
        const std::uint32_t wantedBaud = m_file.baud.value_or(m_baud);
        const bool wantedFlow = m_file.flowControl.value_or(m_module.flow);
        if (wantedBaud != m_baud || wantedFlow != m_module.flow) {
            Add(row, UartText(m_baud, m_module.flow), UartText(wantedBaud, wantedFlow));
        }
    }

    const Profile& m_file;
    const std::string& m_name;
    const ModuleValues& m_module;
    std::uint32_t m_baud;
    std::vector<FieldChange> m_changes;
};

const SettingRow& SettingOf(ProfileField kind, const Profile& profile) {
    if (kind == ProfileField::MasterAddress && profile.masterAddress &&
        profile.masterAddress->empty()) {
        return *SettingRowOf(JOB_DELETE_MASTER);
    }
    return FieldRowOf(kind);
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
    const SettingRow* row = SettingRowOf(job);
    JobInputs inputs;
    if (row == nullptr) {
        return inputs;
    }
    switch (row->kind) {
        case ValueKind::Role:
            inputs.roleIndex = profile.role.value_or(module.role);
            break;
        case ValueKind::Name:
            inputs.deviceName = name;
            break;
        case ValueKind::Number:
            inputs.number = NumberOf(profile.numbers, row->field).value_or(0);
            break;
        case ValueKind::OnOff:
            inputs.autoConIndex = profile.autoConnect.value_or(false) ? 1 : 0;
            break;
        case ValueKind::Address:
            if (const auto address = InputRules::ParseAddress(profile.masterAddress.value_or(""))) {
                inputs.masterAddr = *address;
            }
            break;
        case ValueKind::Slots: {
            auto built = WriteSlots(profile, module);
            if (const auto* refusal = std::get_if<ProfileRefusal>(&built)) {
                return *refusal;
            }
            inputs.writeSlots = std::get<SlotArray>(built);
            break;
        }
        case ValueKind::Uart:
            inputs.baudRate = profile.baud.value_or(baud);
            inputs.flowControl = profile.flowControl.value_or(module.flow) ? 1 : 0;
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
