#include "SlotRules.h"

#include "Conversions.h"

namespace SlotRules {

namespace {

bool SameAddress(const QString& a, const QString& b) {
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

std::string ToAnsi(const QString& text) {
    std::string result;
    WideToAnsi(text.toStdU16String(), result);
    return result;
}

bool HasLaterDuplicate(const SlotTexts& addresses, std::size_t slot) {
    for (std::size_t later = slot + 1; later < kSlotCount; ++later) {
        if (SameAddress(addresses[later], addresses[slot])) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsAssigned(const SlotTexts& addresses, const QString& address) {
    for (const QString& assigned : addresses) {
        if (SameAddress(assigned, address)) {
            return true;
        }
    }
    return false;
}

QString SlotNameOf(const QString& listName) {
    return listName.left(kMaxSlotNameChars);
}

std::variant<SlotArray, SaveError> BuildWriteSlots(const SlotTexts& addresses,
                                                   const SlotTexts& names) {
    SlotArray entries{};
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        const int number = static_cast<int>(i) + 1;
        if (HasLaterDuplicate(addresses, i)) {
            return SaveError{SaveError::Duplicate, number};
        }
        SlotEntry& entry = entries[i];
        entry.slot = static_cast<std::uint8_t>(number);
        if (!addresses[i].isEmpty() && !ParseBdAddr(ToAnsi(addresses[i]), entry.addr)) {
            return SaveError{SaveError::BadAddress, number};
        }
        const std::string name = WideToUtf8(names[i].toStdU16String());
        if (name.size() > static_cast<std::size_t>(kMaxSlotNameBytes)) {
            return SaveError{SaveError::NameTooLong, number};
        }
        entry.name = MakeTextArea(name);
    }
    return entries;
}

}  // namespace SlotRules
