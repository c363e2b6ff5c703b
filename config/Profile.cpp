#include "Profile.h"

#include "BaudRates.h"
#include "InputRules.h"
#include "ModelRules.h"
#include "SettingTable.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;

// Checks one JSON object's members; the first problem found is kept.
class FieldReader {
public:
    FieldReader(const Json& object, std::string path) : m_object(object), m_path(std::move(path)) {}

    std::optional<ProfileError> UnknownAmong(const std::vector<std::string_view>& known) const {
        for (const auto& [key, value] : m_object.items()) {
            if (std::find(known.begin(), known.end(), key) == known.end()) {
                return ProfileError{ConfMessageId::MSG_PROFILE_UNKNOWN_FIELD, Path(key)};
            }
        }
        return std::nullopt;
    }

    // The member `key` if present and of the type `isType` accepts, else an error is kept.
    const Json* Member(const std::string& key, bool (Json::*isType)() const noexcept,
                       bool nullAllowed = false) {
        const auto found = m_object.find(key);
        if (found == m_object.end() || m_error) {
            return nullptr;
        }
        if (!((*found).*isType)() && !(nullAllowed && found->is_null())) {
            m_error = ProfileError{ConfMessageId::MSG_PROFILE_WRONG_TYPE, Path(key)};
            return nullptr;
        }
        return &*found;
    }

    void Refuse(const std::string& key) {
        if (!m_error) {
            m_error = ProfileError{ConfMessageId::MSG_PROFILE_BAD_VALUE, Path(key)};
        }
    }

    std::string Path(std::string_view key) const {
        return m_path.empty() ? std::string(key) : m_path + "." + std::string(key);
    }
    const std::optional<ProfileError>& Error() const { return m_error; }

private:
    const Json& m_object;
    std::string m_path;
    std::optional<ProfileError> m_error;
};

std::optional<std::int64_t> IntegerIn(const Json& value, std::int64_t low, std::int64_t high) {
    if (value.is_number_unsigned() &&
        value.get<std::uint64_t>() > static_cast<std::uint64_t>(high)) {
        return std::nullopt;
    }
    const std::int64_t number = value.get<std::int64_t>();
    if (number < low || number > high) {
        return std::nullopt;
    }
    return number;
}

std::optional<std::string> AddressText(const Json& value) {
    if (value.is_null()) {
        return std::string();
    }
    const std::optional<BdAddr> address = InputRules::ParseAddress(value.get<std::string>());
    if (!address) {
        return std::nullopt;
    }
    return FormatBdAddr(*address);
}

bool IsValidUtf8(const std::string& text) {
    return Normalised(text) == text;
}

// Text that goes into a command: a control character would end or corrupt the command line,
// and a comma would shift the command's fields (a slot's) or cut the name (the module's).
bool FitsCommand(const std::string& text) {
    return IsValidUtf8(text) && !InputRules::HasControlCharacter(text) &&
           text.find(',') == std::string::npos;
}

void ReadUart(FieldReader& r, Profile& p) {
    if (const Json* baud = r.Member("baud", &Json::is_number_integer)) {
        const auto value = IntegerIn(*baud, 0, UINT32_MAX);
        if (!value || std::find(kBaudRates.begin(), kBaudRates.end(), *value) == kBaudRates.end()) {
            r.Refuse("baud");
        } else {
            p.baud = static_cast<std::uint32_t>(*value);
        }
    }
    if (const Json* flow = r.Member("flowControl", &Json::is_boolean)) {
        p.flowControl = flow->get<bool>();
    }
}

void ReadRole(const std::string& key, FieldReader& r, Profile& p) {
    if (const Json* role = r.Member(key, &Json::is_string)) {
        const auto found =
            std::find(kRoleNames.begin(), kRoleNames.end(), role->get<std::string>());
        if (found == kRoleNames.end()) {
            r.Refuse(key);
        } else {
            p.role = static_cast<int>(found - kRoleNames.begin());
        }
    }
}

void ReadMasterAddress(const std::string& key, FieldReader& r, Profile& p) {
    if (const Json* master = r.Member(key, &Json::is_string, true)) {
        p.masterAddress = AddressText(*master);
        if (!p.masterAddress) {
            r.Refuse(key);
        }
    }
}

void ReadName(const std::string& key, FieldReader& r, Profile& p) {
    if (const Json* name = r.Member(key, &Json::is_string)) {
        p.name = name->get<std::string>();
        if (!FitsCommand(*p.name) || !IsValidNamePattern(*p.name)) {
            r.Refuse(key);
        }
    }
}

void ReadNumber(const SettingRow& row, FieldReader& r, Profile& p) {
    const std::string key(row.fileField);
    if (const Json* number = r.Member(key, &Json::is_number_integer)) {
        const auto value = IntegerIn(*number, row.range.low, row.range.high);
        if (!value) {
            r.Refuse(key);
        } else {
            p.numbers[row.field] = static_cast<unsigned>(*value);
        }
    }
}

// Reads one field other than the slots, which are read once the other fields are good.
void ReadField(const SettingRow& row, FieldReader& r, Profile& p) {
    const std::string key(row.fileField);
    switch (row.kind) {
        case ValueKind::Uart:
            ReadUart(r, p);
            break;
        case ValueKind::Role:
            ReadRole(key, r, p);
            break;
        case ValueKind::OnOff:
            if (const Json* on = r.Member(key, &Json::is_boolean)) {
                p.autoConnect = on->get<bool>();
            }
            break;
        case ValueKind::Address:
            ReadMasterAddress(key, r, p);
            break;
        case ValueKind::Name:
            ReadName(key, r, p);
            break;
        case ValueKind::Number:
            ReadNumber(row, r, p);
            break;
        case ValueKind::Slots:
            break;
    }
}

std::optional<ProfileError> ReadSlot(const Json& item, const std::string& path, Profile& p) {
    if (!item.is_object()) {
        return ProfileError{ConfMessageId::MSG_PROFILE_WRONG_TYPE, path};
    }
    FieldReader r(item, path);
    if (auto unknown = r.UnknownAmong({"slot", "address", "name"})) {
        return unknown;
    }
    const Json* number = r.Member("slot", &Json::is_number_integer);
    const Json* address = r.Member("address", &Json::is_string, true);
    const Json* name = r.Member("name", &Json::is_string);
    if (r.Error()) {
        return r.Error();
    }
    // An entry without its address would empty the slot: null says that, a missing key is a
    // mistake.
    if (!item.contains("address")) {
        return ProfileError{ConfMessageId::MSG_PROFILE_MISSING_FIELD, r.Path("address")};
    }
    const auto slot = number ? IntegerIn(*number, 1, kSlotCount) : std::nullopt;
    if (!slot || p.slots.contains(static_cast<unsigned>(*slot))) {
        return ProfileError{ConfMessageId::MSG_PROFILE_BAD_VALUE, r.Path("slot")};
    }
    SlotValue value;
    if (address) {
        const std::optional<std::string> text = AddressText(*address);
        if (!text) {
            return ProfileError{ConfMessageId::MSG_PROFILE_BAD_VALUE, r.Path("address")};
        }
        value.address = *text;
    }
    if (name) {
        value.name = name->get<std::string>();
        if (!FitsCommand(value.name) || !InputRules::FitsNameBytes(value.name)) {
            return ProfileError{ConfMessageId::MSG_PROFILE_BAD_VALUE, r.Path("name")};
        }
    }
    if (value.address.empty()) {
        value.name.clear();  // an empty slot has no name
    }
    p.slots.emplace(static_cast<unsigned>(*slot), std::move(value));
    return std::nullopt;
}

std::optional<ProfileError> ReadSlots(FieldReader& r, Profile& p) {
    const Json* slots = r.Member("slots", &Json::is_array);
    if (!slots) {
        return r.Error();
    }
    std::set<std::string> addresses;
    for (std::size_t i = 0; i < slots->size(); ++i) {
        const std::string path = "slots[" + std::to_string(i) + "]";
        if (auto error = ReadSlot((*slots)[i], path, p)) {
            return error;
        }
    }
    for (const auto& [number, slot] : p.slots) {
        if (!slot.address.empty() && !addresses.insert(slot.address).second) {
            return ProfileError{ConfMessageId::MSG_PROFILE_BAD_VALUE, "slots"};
        }
    }
    const bool anyAddress = !addresses.empty();
    if (anyAddress && p.role && *p.role < 2) {
        return ProfileError{ConfMessageId::MSG_PROFILE_SLOTS_NEED_MULTI, "slots"};
    }
    return std::nullopt;
}

std::optional<ProfileError> ReadFormat(FieldReader& r) {
    const Json* format = r.Member("format", &Json::is_number_integer);
    if (format && (!format->is_number_integer() || format->get<std::int64_t>() != kProfileFormat)) {
        r.Refuse("format");
    }
    return r.Error();
}

// The counter placeholder: "{n}" or "{n:0W}" / "{n:W}" with W one or two digits (at most 16).
// Braces are the pattern's own: "{{" and "}}" stand for a brace of the name, and any other
// "{" is an error, so a misspelt placeholder ("{N}", "{n:003}") is never sent as it stands.
struct Placeholder {
    std::size_t at = std::string::npos;
    std::size_t length = 0;
    unsigned width = 0;
};

// The placeholder at `at` (a '{' not followed by another), or nothing if it is not one.
std::optional<Placeholder> PlaceholderAt(const std::string& pattern, std::size_t at) {
    if (pattern.compare(at, 3, "{n}") == 0) {
        return Placeholder{at, 3, 0};
    }
    const std::size_t close = pattern.find('}', at);
    if (close == std::string::npos || pattern.compare(at, 3, "{n:") != 0) {
        return std::nullopt;
    }
    const char* first = pattern.data() + at + 3;
    const char* last = pattern.data() + close;
    unsigned width = 0;
    const auto [end, error] = std::from_chars(first, last, width);
    const bool digitsOnly = first != last && *first != '+' && *first != '-';
    if (!digitsOnly || error != std::errc() || end != last || last - first > 2 || width > 16) {
        return std::nullopt;
    }
    return Placeholder{at, close + 1 - at, width};
}

// The name a pattern gives for `counter`, or nothing for a pattern that breaks the rules
// above or holds more than one placeholder.
std::optional<std::string> FillPattern(const std::string& pattern, unsigned counter,
                                       bool* hasPlaceholder = nullptr) {
    std::string name;
    bool placed = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if ((c == '{' || c == '}') && i + 1 < pattern.size() && pattern[i + 1] == c) {
            name += c;
            ++i;
            continue;
        }
        if (c != '{') {
            name += c;
            continue;
        }
        const std::optional<Placeholder> placeholder = PlaceholderAt(pattern, i);
        if (!placeholder || placed) {
            return std::nullopt;
        }
        std::string digits = std::to_string(counter);
        if (digits.size() < placeholder->width) {
            digits.insert(0, placeholder->width - digits.size(), '0');
        }
        name += digits;
        placed = true;
        i += placeholder->length - 1;
    }
    if (hasPlaceholder != nullptr) {
        *hasPlaceholder = placed;
    }
    return name;
}

// A module's name as a pattern that gives it back.
std::string EscapeBraces(const std::string& name) {
    std::string pattern;
    for (const char c : name) {
        pattern += c;
        if (c == '{' || c == '}') {
            pattern += c;
        }
    }
    return pattern;
}

Json SlotsJson(const std::map<unsigned, SlotValue>& slots) {
    Json array = Json::array();
    for (const auto& [number, slot] : slots) {
        array.push_back({{"slot", number},
                         {"address", slot.address.empty() ? Json(nullptr) : Json(slot.address)},
                         {"name", slot.name}});
    }
    return array;
}

// Parses JSON and notes the first key given twice in one object (JSON allows it, and the last
// one would silently win).
class DuplicateKeyWatch {
public:
    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        switch (event) {
            case Json::parse_event_t::object_start:
                m_keys.emplace_back();
                break;
            case Json::parse_event_t::object_end:
                m_keys.pop_back();
                break;
            case Json::parse_event_t::key:
                if (!m_keys.empty() && !m_keys.back().insert(parsed.get<std::string>()).second &&
                    m_duplicate.empty()) {
                    m_duplicate = parsed.get<std::string>();
                }
                break;
            default:
                break;
        }
        return true;
    }
    const std::string& Duplicate() const { return m_duplicate; }

private:
    std::vector<std::set<std::string>> m_keys;
    std::string m_duplicate;
};

// Every field a settings file may have; the UART's speed and flow control are two.
std::vector<std::string_view> KnownFields() {
    std::vector<std::string_view> known = {"format", "model"};
    for (const SettingRow* row : FieldRows()) {
        if (row->kind == ValueKind::Uart) {
            known.insert(known.end(), {"baud", "flowControl"});
        } else {
            known.push_back(row->fileField);
        }
    }
    return known;
}

void WriteField(const SettingRow& row, const Profile& p, Json& json) {
    const std::string key(row.fileField);
    switch (row.kind) {
        case ValueKind::Uart:
            if (p.baud) {
                json["baud"] = *p.baud;
            }
            if (p.flowControl) {
                json["flowControl"] = *p.flowControl;
            }
            break;
        case ValueKind::Role:
            if (p.role) {
                json[key] = kRoleNames[*p.role];
            }
            break;
        case ValueKind::OnOff:
            if (p.autoConnect) {
                json[key] = *p.autoConnect;
            }
            break;
        case ValueKind::Address:
            if (p.masterAddress) {
                json[key] = p.masterAddress->empty() ? Json(nullptr) : Json(*p.masterAddress);
            }
            break;
        case ValueKind::Name:
            if (p.name) {
                json[key] = *p.name;
            }
            break;
        case ValueKind::Number:
            if (const auto number = NumberOf(p.numbers, row.field)) {
                json[key] = *number;
            }
            break;
        case ValueKind::Slots:
            if (!p.slots.empty()) {
                json[key] = SlotsJson(p.slots);
            }
            break;
    }
}

Json FieldsJson(const Profile& p) {
    Json json = {{"format", kProfileFormat}};
    if (p.model) {
        json["model"] = *p.model;
    }
    for (const SettingRow* row : FieldRows()) {
        WriteField(*row, p, json);
    }
    return json;
}

// The field of `row` of a module as read.
void TakeField(const SettingRow& row, const ModuleValues& v, std::uint32_t baud, Profile& p) {
    switch (row.kind) {
        case ValueKind::Uart:
            p.baud = baud;
            p.flowControl = v.flow;
            break;
        case ValueKind::Role:
            if (v.role >= 0) {
                p.role = v.role;
            }
            break;
        case ValueKind::OnOff:
            if (v.autoCon) {
                p.autoConnect = *v.autoCon;
            }
            break;
        case ValueKind::Address:
            if (v.masterAddress) {
                p.masterAddress = *v.masterAddress;
            }
            break;
        case ValueKind::Name:
            p.name = EscapeBraces(v.name);
            break;
        case ValueKind::Number:
            if (const auto number = NumberOf(v.numbers, row.field)) {
                p.numbers[row.field] = *number;
            }
            break;
        case ValueKind::Slots:
            if (v.slots) {
                for (std::size_t i = 0; i < kSlotCount; ++i) {
                    p.slots.emplace(static_cast<unsigned>(i + 1), (*v.slots)[i]);
                }
            }
            break;
    }
}

}  // namespace

std::variant<Profile, ProfileError> ParseProfile(std::string_view text) {
    DuplicateKeyWatch watch;
    const Json json = Json::parse(
        text,
        [&watch](int depth, Json::parse_event_t event, Json& parsed) {
            return watch(depth, event, parsed);
        },
        false);
    if (json.is_discarded()) {
        return ProfileError{ConfMessageId::MSG_PROFILE_NOT_JSON, ""};
    }
    if (!watch.Duplicate().empty()) {
        return ProfileError{ConfMessageId::MSG_PROFILE_DUPLICATE_FIELD, watch.Duplicate()};
    }
    if (!json.is_object()) {
        return ProfileError{ConfMessageId::MSG_PROFILE_WRONG_TYPE, "(top level)"};
    }
    FieldReader r(json, "");
    if (auto unknown = r.UnknownAmong(KnownFields())) {
        return *unknown;
    }
    if (auto error = ReadFormat(r)) {
        return *error;
    }
    Profile profile;
    if (const Json* model = r.Member("model", &Json::is_string)) {
        profile.model = model->get<std::string>();
    }
    for (const SettingRow* row : FieldRows()) {
        ReadField(*row, r, profile);
    }
    if (r.Error()) {
        return *r.Error();
    }
    if (auto error = ReadSlots(r, profile)) {
        return *error;
    }
    return profile;
}

std::string ProfileText(const Profile& p) {
    return FieldsJson(p).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::vector<std::string> FieldsIn(const Profile& profile) {
    const Json json = FieldsJson(profile);
    std::vector<std::string> fields;
    for (const auto& [key, value] : json.items()) {
        if (key != "format") {
            fields.push_back(key);
        }
    }
    return fields;
}

std::optional<std::string> NameFor(const std::string& pattern, unsigned counter) {
    std::optional<std::string> name = FillPattern(pattern, counter);
    if (!name || !InputRules::FitsNameBytes(*name)) {
        return std::nullopt;
    }
    return name;
}

bool HasNameCounter(const std::string& pattern) {
    bool placed = false;
    return FillPattern(pattern, 0, &placed) && placed;
}

bool IsValidNamePattern(const std::string& pattern) {
    return FillPattern(pattern, 0).has_value();
}

Profile ProfileOf(const ModuleValues& v, std::string_view model, std::uint8_t role,
                  std::uint32_t baud) {
    const ControlGroupSet kept = GroupsKeptDisabled(model, role);
    Profile p;
    p.model = v.model;
    for (const SettingRow* row : FieldRows()) {
        if (!row->group || !kept.test(*row->group)) {
            TakeField(*row, v, baud, p);
        }
    }
    return p;
}
