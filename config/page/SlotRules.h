#pragma once

#include "InputRules.h"
#include "ModuleState.h"

#include <QString>

#include <array>
#include <variant>

// The slot rules of InputRules over the texts of the eight slot rows, and the one slot rule that
// counts UTF-16 units.
namespace SlotRules {

using SlotTexts = std::array<QString, kSlotCount>;

inline constexpr int kMaxSlotNameChars = 8;  // a name copied from the scan list, UTF-16 units

// True if a non-empty slot address equals `address`, ignoring letter case.
bool IsAssigned(const SlotTexts& addresses, const QString& address);

// A scan-list name as a slot takes it: its first 8 UTF-16 units.
QString SlotNameOf(const QString& listName);

// The eight entries Save writes, or the first check that fails (see InputRules).
std::variant<SlotArray, InputRules::SaveError> BuildWriteSlots(const SlotTexts& addresses,
                                                               const SlotTexts& names);

}  // namespace SlotRules
