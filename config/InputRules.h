#pragma once

#include "ModuleState.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The checks of what the user typed into the configuration page, over UTF-8 text. The page and
// the command-line tool both call them, so a value one refuses the other refuses too.
namespace InputRules {

inline constexpr std::size_t kMaxNameBytes = 8;  // device name, name filter, slot name

// `text` without white space at either end, white space as QString::trimmed() takes it: the
// ASCII blanks and U+0085, U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F and
// U+3000.
std::string_view Trimmed(std::string_view text);

// Like the Windows shell's StrToIntW: an optional sign and the digits that follow it; the
// conversion stops at the first other character, no digits give 0. Wraps like a 32-bit int.
int StrToInt(std::string_view text);

// Device name, name filter and slot name: at most 8 bytes, empty allowed.
bool FitsNameBytes(std::string_view utf8);

// Text that goes inside a command (device name, name filter, slot name) carries no control
// character (U+0000-U+001F, U+007F, and the C1 controls U+0080-U+009F): a CR would end the
// command early and send the rest as a command of its own.
bool HasControlCharacter(std::string_view utf8);

// A number typed, when it is in [low, high] (digits followed by a unit: "100ms" counts as 100).
// Digits beyond the range are refused however many there are, never wrapped into it.
std::optional<std::uint32_t> ParseNumberIn(std::string_view text, std::uint32_t low,
                                           std::uint32_t high);

// A master or slot address: exactly 12 hex digits, either case, nothing around them.
std::optional<BdAddr> ParseAddress(std::string_view text);

// The RSSI edit's rule: trimmed, an optional leading '-', then digits only; the number's low
// eight bits read as a signed byte (200 -> -56). Empty or bad text gives nothing.
std::optional<std::int8_t> ParseRssiFilterText(std::string_view text);

// The threshold a scan report is judged by: the trimmed text's number, its low 8 bits signed.
// Any text gives one; where ParseRssiFilterText gives a value, it is the same.
std::int8_t RssiThreshold(std::string_view rssiText);

enum class ScanFilterError { None, RssiNotSet, RssiNotNumber, NameTooLong, NameNotAllowed };

// The checks before a scan starts, RSSI first; an absent text is a filter switched off.
ScanFilterError CheckScanFilters(const std::optional<std::string>& rssiText,
                                 const std::optional<std::string>& nameFilter);

using SlotTexts = std::array<std::string, kSlotCount>;

// True if a non-empty slot address equals `address`, ignoring the case of ASCII letters.
bool IsAssigned(const SlotTexts& addresses, std::string_view address);

struct SaveError {
    // NameNotAllowed: a control character, or a comma, which would shift the command's
    // arguments.
    enum Kind { Duplicate, BadAddress, NameTooLong, NameNotAllowed } kind;
    int slot;  // 1-8, the slot whose check failed
};

// The eight entries a save writes, or the first check that fails, slot by slot: a later slot
// with the same address (as IsAssigned compares), then the address itself, then the name's
// characters and its length. A name without an address goes along; the write job deletes such a
// slot.
std::variant<SlotArray, SaveError> BuildWriteSlots(const SlotTexts& addresses,
                                                   const SlotTexts& names);

}  // namespace InputRules
