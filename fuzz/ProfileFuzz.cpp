// A settings file, whatever its bytes, through the reader. What it accepts holds only values the
// page could have set, and is written and read back unchanged.
#include "BaudRates.h"
#include "InputRules.h"
#include "ModuleState.h"
#include "Profile.h"
#include "Require.h"
#include "SettingTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <variant>

namespace {

// "", or an address as the reader writes it: twelve upper-case hex digits.
bool IsStoredAddress(const std::string& address) {
    return address.empty() ||
           (address.size() == 12 && std::all_of(address.begin(), address.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
            }));
}

// The values every command and the difference to a module are built from.
void CheckAccepted(const Profile& p) {
    Require(!p.baud ||
            std::find(kBaudRates.begin(), kBaudRates.end(), *p.baud) != kBaudRates.end());
    Require(!p.role || (*p.role >= 0 && static_cast<std::size_t>(*p.role) < kRoleNames.size()));
    Require(!p.masterAddress || IsStoredAddress(*p.masterAddress));
    Require(!p.name || !InputRules::HasControlCharacter(*p.name));
    for (const auto& [field, number] : p.numbers) {
        const SettingRow& row = FieldRowOf(field);
        Require(row.kind == ValueKind::Number && number >= row.range.low &&
                number <= row.range.high);
    }
    std::set<std::string> addresses;
    for (const auto& [number, slot] : p.slots) {
        Require(number >= 1 && number <= kSlotCount && IsStoredAddress(slot.address));
        Require(InputRules::FitsNameBytes(slot.name) &&
                !InputRules::HasControlCharacter(slot.name) &&
                slot.name.find(',') == std::string::npos);
        Require(!slot.address.empty() || slot.name.empty());
        Require(slot.address.empty() || addresses.insert(slot.address).second);
    }
    Require(addresses.empty() || !p.role || *p.role >= 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::variant<Profile, ProfileError> read = ParseProfile(text);
    const auto* profile = std::get_if<Profile>(&read);
    if (profile == nullptr) {
        return 0;
    }
    CheckAccepted(*profile);
    const std::variant<Profile, ProfileError> again = ParseProfile(ProfileText(*profile));
    const auto* same = std::get_if<Profile>(&again);
    Require(same != nullptr && *same == *profile);
    return 0;
}
