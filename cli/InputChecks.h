#pragma once

#include "ModuleState.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The configuration page's checks of what the user typed, over UTF-8 text. They mirror the
// page's rules (InputRules and SlotRules of config/page, which work on Qt strings) rule for
// rule, so a value the page refuses is refused here with the same message.
namespace InputChecks {

inline constexpr std::size_t kMaxNameBytes = 8;  // device name, name filter, slot name
inline constexpr int kMinAdvInterval = 20;
inline constexpr int kMaxAdvInterval = 2560;

// Text as the page's edits hold it: invalid UTF-8 becomes U+FFFD.
std::string Normalised(const std::string& utf8);

// An optional sign and the digits that follow it; stops at the first other character, no
// digits give 0; wraps like a 32-bit int.
int StrToInt(std::string_view text);

// Device name and name filter: at most 8 bytes in UTF-8, empty allowed.
bool FitsNameBytes(std::string_view utf8);

// The advertising interval typed, when it is in 20-2560 ms ("100ms" counts as 100).
std::optional<std::uint32_t> ParseAdvInterval(std::string_view text);

// An address as typed into the master or a slot edit: exactly 12 hex digits, either case.
std::optional<BdAddr> ParseAddress(const std::string& text);

enum class ScanFilterError { None, RssiNotSet, RssiNotNumber, NameTooLong };

// The checks before a scan starts, RSSI first; an absent filter is switched off.
ScanFilterError CheckScanFilters(const std::optional<std::string>& rssiText,
                                 const std::optional<std::string>& nameFilter);

// The threshold a scan report is judged by: the trimmed text's number, its low 8 bits signed.
std::int8_t RssiThreshold(std::string_view rssiText);

using SlotTexts = std::array<std::string, kSlotCount>;

struct SaveError {
    enum Kind { Duplicate, BadAddress, NameTooLong } kind;
    int slot;  // 1-8, the slot whose check failed
};

// The eight entries a save writes, or the first check that fails, slot by slot: a later slot
// with the same address (ignoring case), then the address itself, then the name's length.
std::variant<SlotArray, SaveError> BuildWriteSlots(const SlotTexts& addresses,
                                                   const SlotTexts& names);

}  // namespace InputChecks
