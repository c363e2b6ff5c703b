#include "SlotRules.h"

#include "Conversions.h"

namespace SlotRules {

namespace {

std::string Utf8(const QString& text) {
    return WideToUtf8(text.toStdU16String());
}

// Qt ignores letter case across Unicode ("ä" equals "Ä"), InputRules across ASCII only; the
// case-folded texts compare the way Qt does. Folding turns no other character into a hex
// digit, so a folded address parses to the same bytes or fails as before.
std::string AddressKey(const QString& address) {
    return Utf8(address.toCaseFolded());
}

InputRules::SlotTexts AddressKeys(const SlotTexts& addresses) {
    InputRules::SlotTexts keys;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        keys[i] = AddressKey(addresses[i]);
    }
    return keys;
}

}  // namespace

bool IsAssigned(const SlotTexts& addresses, const QString& address) {
    return InputRules::IsAssigned(AddressKeys(addresses), AddressKey(address));
}

QString SlotNameOf(const QString& listName) {
    return listName.left(kMaxSlotNameChars);
}

std::variant<SlotArray, InputRules::SaveError> BuildWriteSlots(const SlotTexts& addresses,
                                                               const SlotTexts& names) {
    InputRules::SlotTexts utf8Names;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        utf8Names[i] = Utf8(names[i]);
    }
    return InputRules::BuildWriteSlots(AddressKeys(addresses), utf8Names);
}

}  // namespace SlotRules
