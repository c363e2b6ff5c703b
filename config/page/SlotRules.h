#pragma once

#include "ModuleState.h"

#include <QString>

#include <array>
#include <variant>

// The rules of the eight slot rows, over the texts of their edits.
namespace SlotRules {

using SlotTexts = std::array<QString, kSlotCount>;

inline constexpr int kMaxSlotNameChars = 8;  // a name copied from the scan list, UTF-16 units
inline constexpr int kMaxSlotNameBytes = 8;  // a name Save writes, UTF-8 bytes

// True if a non-empty slot address equals `address`, ignoring letter case.
bool IsAssigned(const SlotTexts& addresses, const QString& address);

// A scan-list name as a slot takes it: its first 8 UTF-16 units.
QString SlotNameOf(const QString& listName);

struct SaveError {
    enum Kind { Duplicate, BadAddress, NameTooLong } kind;
    int slot;  // 1-8, the slot whose check failed
};

// The eight entries Save writes, or the first check that fails, slot by slot: a later slot
// with the same address, then the address itself (12 hex digits), then the name (8 bytes).
std::variant<SlotArray, SaveError> BuildWriteSlots(const SlotTexts& addresses,
                                                   const SlotTexts& names);

}  // namespace SlotRules
