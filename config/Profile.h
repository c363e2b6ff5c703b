#pragma once

#include "ConfMessageTable.h"
#include "ModuleValues.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// A settings file: what the configuration page can set on a module, each field optional; a
// field that is absent leaves the module's value as it is.
//
//   {"format": 1, "model": "GaX-sKW523", "baud": 9600, "flowControl": false,
//    "role": "multi-at", "autoConnect": false, "masterAddress": null,
//    "name": "SENSOR-{n:03}", "advInterval": 250,
//    "slots": [{"slot": 1, "address": "C0FFEE000001", "name": "Q1"}, {"slot": 2, "address": null}]}
inline constexpr int kProfileFormat = 1;

// The file's role names, by the page's role radio index.
inline constexpr std::array<const char*, 4> kRoleNames = {"slave", "master", "multi-at",
                                                          "multi-bypass"};

struct Profile {
    std::optional<std::string> model;  // informational
    std::optional<std::uint32_t> baud;
    std::optional<bool> flowControl;
    std::optional<int> role;  // the page's role radio index, as kRoleNames
    std::optional<bool> autoConnect;
    std::optional<std::string> masterAddress;  // 12 hex digits, upper case; empty: none
    std::optional<std::string> name;           // may hold a counter placeholder, {n} or {n:03}
    SettingNumbers numbers;                    // the settings of ValueKind::Number
    std::map<unsigned, SlotValue> slots;  // by slot number 1-8; slots not listed are left alone
    bool operator==(const Profile&) const = default;
};

// Why a settings file is refused: the message (its "%1" takes the field) and the field it
// names ("slots[2].address").
struct ProfileError {
    ConfMessageId text;
    std::string field;
};

// Reads and checks a settings file as the page checks what is typed; the device name's length
// is checked once its counter is filled in (NameFor).
std::variant<Profile, ProfileError> ParseProfile(std::string_view json);

// The file's text, with a trailing line end.
std::string ProfileText(const Profile& profile);

// The fields `profile` holds, in the order its file has them.
std::vector<std::string> FieldsIn(const Profile& profile);

// A device name in a settings file is a pattern: at most one counter placeholder, "{n}" or
// "{n:W}" / "{n:0W}" (W one or two digits, at most 16: the number's width, zero-padded), and
// "{{" / "}}" for a brace of the name. Any other "{" makes the pattern invalid.
bool IsValidNamePattern(const std::string& pattern);

// Whether the device name holds a counter placeholder.
bool HasNameCounter(const std::string& pattern);

// The device name with its counter placeholder filled in, or nothing when the pattern is
// invalid or the name does not fit.
std::optional<std::string> NameFor(const std::string& pattern, unsigned counter);

// The profile of a module as read, with the fields the page offers for `model` in the role
// byte `role`; `baud` is the speed the module was reached at.
Profile ProfileOf(const ModuleValues& values, std::string_view model, std::uint8_t role,
                  std::uint32_t baud);
