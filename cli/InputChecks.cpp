#include "InputChecks.h"

#include "Conversions.h"

#include <algorithm>
#include <cctype>

namespace InputChecks {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A lone '-' passes, like the page's check; the threshold then is 0.
bool IsSignedDigits(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(i == 0 && text[i] == '-') && !IsDigit(text[i])) {
            return false;
        }
    }
    return true;
}

bool SameAddress(const std::string& a, const std::string& b) {
    return !a.empty() && std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
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

std::string Normalised(const std::string& utf8) {
    return WideToUtf8(Utf8ToWide(utf8));
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

std::optional<std::uint32_t> ParseAdvInterval(std::string_view text) {
    const int value = StrToInt(text);
    if (value < kMinAdvInterval || value > kMaxAdvInterval) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<BdAddr> ParseAddress(const std::string& text) {
    BdAddr address{};
    if (text.empty() || !ParseBdAddr(text, address)) {
        return std::nullopt;
    }
    return address;
}

ScanFilterError CheckScanFilters(const std::optional<std::string>& rssiText,
                                 const std::optional<std::string>& nameFilter) {
    if (rssiText) {
        const std::string_view trimmed = Trimmed(*rssiText);
        if (trimmed.empty()) {
            return ScanFilterError::RssiNotSet;
        }
        if (!IsSignedDigits(trimmed)) {
            return ScanFilterError::RssiNotNumber;
        }
    }
    if (nameFilter && !FitsNameBytes(*nameFilter)) {
        return ScanFilterError::NameTooLong;
    }
    return ScanFilterError::None;
}

std::int8_t RssiThreshold(std::string_view rssiText) {
    const auto value = static_cast<std::uint32_t>(StrToInt(Trimmed(rssiText)));
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFFu));
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
        if (!addresses[i].empty() && !ParseBdAddr(addresses[i], entry.addr)) {
            return SaveError{SaveError::BadAddress, number};
        }
        if (!FitsNameBytes(names[i])) {
            return SaveError{SaveError::NameTooLong, number};
        }
        entry.name = MakeTextArea(names[i]);
    }
    return entries;
}

}  // namespace InputChecks
