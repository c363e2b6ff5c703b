#include "InputRules.h"

#include "AppSettings.h"
#include "Conversions.h"

namespace InputRules {

int StrToIntW(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i].unicode() - u'0');
    }
    return static_cast<int>(negative ? 0u - value : value);
}

bool FitsNameBytes(const QString& name) {
    return WideToUtf8(name.toStdU16String()).size() <= static_cast<std::size_t>(kMaxNameBytes);
}

std::optional<std::uint32_t> ParseAdvInterval(const QString& text) {
    const int value = StrToIntW(text);
    if (value < kMinAdvInterval || value > kMaxAdvInterval) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

ScanFilterError CheckScanFilters(bool rssiOn, const QString& rssiText, bool nameOn,
                                 const QString& nameText) {
    if (rssiOn) {
        if (rssiText.trimmed().isEmpty()) {
            return ScanFilterError::RssiNotSet;
        }
        if (!AppSettings::ParseRssiFilterText(rssiText)) {
            return ScanFilterError::RssiNotNumber;
        }
    }
    if (nameOn && !FitsNameBytes(nameText)) {
        return ScanFilterError::NameTooLong;
    }
    return ScanFilterError::None;
}

std::int8_t RssiThreshold(const QString& rssiText) {
    const auto value = static_cast<std::uint32_t>(StrToIntW(rssiText.trimmed()));
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFFu));
}

bool NameFilterStorable(const QString& text) {
    return text.size() <= kMaxStoredNameFilter;
}

}  // namespace InputRules
