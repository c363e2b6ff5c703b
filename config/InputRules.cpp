#include "InputRules.h"

#include "Conversions.h"

#include <algorithm>

namespace InputRules {

namespace {

// The white space beyond ASCII that QString::trimmed() removes, in UTF-8. Matching whole
// encodings means an invalid or overlong sequence never counts as white space, as it would not
// once the page's edit had turned it into U+FFFD.
constexpr std::array<std::string_view, 19> kWideBlanks = {
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81",
    "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86",
    "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8",
    "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAsciiBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::size_t LeadingBlank(std::string_view text) {
    if (!text.empty() && IsAsciiBlank(text.front())) {
        return 1;
    }
    for (const std::string_view blank : kWideBlanks) {
        if (text.starts_with(blank)) {
            return blank.size();
        }
    }
    return 0;
}

std::size_t TrailingBlank(std::string_view text) {
    if (!text.empty() && IsAsciiBlank(text.back())) {
        return 1;
    }
    for (const std::string_view blank : kWideBlanks) {
        if (text.ends_with(blank)) {
            return blank.size();
        }
    }
    return 0;
}

// A lone '-' passes; its number is 0.
bool IsSignedDigits(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(i == 0 && text[i] == '-') && !IsDigit(text[i])) {
            return false;
        }
    }
    return true;
}

// The number wraps at 32 bits, a multiple of 256, so its low byte is that of the whole number.
std::int8_t SignedLowByte(int value) {
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value)));
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameAddress(std::string_view a, std::string_view b) {
    return !a.empty() && std::ranges::equal(a, b, {}, AsciiUpper, AsciiUpper);
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

std::string_view Trimmed(std::string_view text) {
    while (const std::size_t blank = LeadingBlank(text)) {
        text.remove_prefix(blank);
    }
    while (const std::size_t blank = TrailingBlank(text)) {
        text.remove_suffix(blank);
    }
    return text;
}

int StrToInt(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return static_cast<int>(negative ? 0u - value : value);
}

bool FitsNameBytes(std::string_view utf8) {
    return utf8.size() <= kMaxNameBytes;
}

bool HasControlCharacter(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        // C0, DEL, and C1 (U+0080-U+009F: 0xC2 0x80-0x9F), which some terminals act on too.
        if (byte < 0x20 || byte == 0x7F || (byte == 0xC2 && next >= 0x80 && next <= 0x9F)) {
            return true;
        }
    }
    return false;
}

std::optional<std::uint32_t> ParseNumberIn(std::string_view text, std::uint32_t low,
                                           std::uint32_t high) {
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
        if (value > high) {
            return std::nullopt;  // stops before the number could wrap
        }
    }
    if (negative || value < low) {
        return std::nullopt;
    }
    return value;
}

std::optional<BdAddr> ParseAddress(std::string_view text) {
    BdAddr address{};
    if (!ParseBdAddr(std::string(text), address)) {
        return std::nullopt;
    }
    return address;
}

std::optional<std::int8_t> ParseRssiFilterText(std::string_view text) {
    const std::string_view trimmed = Trimmed(text);
    if (trimmed.empty() || !IsSignedDigits(trimmed)) {
        return std::nullopt;
    }
    return SignedLowByte(StrToInt(trimmed));
}

std::int8_t RssiThreshold(std::string_view rssiText) {
    return SignedLowByte(StrToInt(Trimmed(rssiText)));
}

ScanFilterError CheckScanFilters(const std::optional<std::string>& rssiText,
                                 const std::optional<std::string>& nameFilter) {
    if (rssiText) {
        if (Trimmed(*rssiText).empty()) {
            return ScanFilterError::RssiNotSet;
        }
        if (!ParseRssiFilterText(*rssiText)) {
            return ScanFilterError::RssiNotNumber;
        }
    }
    if (nameFilter && HasControlCharacter(*nameFilter)) {
        return ScanFilterError::NameNotAllowed;
    }
    if (nameFilter && !FitsNameBytes(*nameFilter)) {
        return ScanFilterError::NameTooLong;
    }
    return ScanFilterError::None;
}

bool IsAssigned(const SlotTexts& addresses, std::string_view address) {
    return std::ranges::any_of(addresses, [address](const std::string& assigned) {
        return SameAddress(assigned, address);
    });
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
        if (!addresses[i].empty()) {
            const std::optional<BdAddr> address = ParseAddress(addresses[i]);
            if (!address) {
                return SaveError{SaveError::BadAddress, number};
            }
            entry.addr = *address;
        }
        if (HasControlCharacter(names[i]) || names[i].find(',') != std::string::npos) {
            return SaveError{SaveError::NameNotAllowed, number};
        }
        if (!FitsNameBytes(names[i])) {
            return SaveError{SaveError::NameTooLong, number};
        }
        entry.name = MakeTextArea(names[i]);
    }
    return entries;
}

}  // namespace InputRules
