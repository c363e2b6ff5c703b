#pragma once

#include "ConfJob.h"
#include "ModuleState.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

struct SlotValue {
    std::string address;  // empty: the slot is empty
    std::string name;
    bool operator==(const SlotValue&) const = default;
};
using SlotValues = std::array<SlotValue, kSlotCount>;

enum class ProfileField;  // SettingTable.h

// The values of the settings of ValueKind::Number, by their field; a setting not read or not in
// a file is absent.
using SettingNumbers = std::map<ProfileField, unsigned>;

inline std::optional<unsigned> NumberOf(const SettingNumbers& numbers, ProfileField field) {
    const auto found = numbers.find(field);
    return found != numbers.end() ? std::optional<unsigned>(found->second) : std::nullopt;
}

// What the page shows after the model's read job, as UTF-8 text; only what that job reads is
// set.
struct ModuleValues {
    std::string model;
    std::string firmware;
    std::string address;
    std::string name;
    int role = -1;  // the page's role radio index; -1 for a role byte it does not know
    bool flow = false;
    SettingNumbers numbers;
    std::optional<bool> autoCon;
    std::optional<std::string> masterAddress;  // empty: none
    std::optional<SlotValues> slots;
};

// The values of a module as `readJob` (the model's read job) left them in `module`.
ModuleValues ValuesOf(const ModuleState& module, std::string_view model, ConfJob readJob);

// Text as the page's edits hold it: invalid UTF-8 becomes U+FFFD.
std::string Normalised(const std::string& utf8);
