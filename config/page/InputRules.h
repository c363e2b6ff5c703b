#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// The page's checks of what the user typed, free of widgets.
namespace InputRules {

// Like the Windows shell's StrToIntW: an optional sign and the digits that follow it; the
// conversion stops at the first other character, no digits give 0. Wraps like a 32-bit int.
int StrToIntW(QStringView text);

inline constexpr int kMaxNameBytes = 8;         // device name and name filter, in UTF-8 bytes
inline constexpr int kMaxStoredNameFilter = 8;  // name filter setting, in UTF-16 units
inline constexpr int kMinAdvInterval = 20;
inline constexpr int kMaxAdvInterval = 2560;

// Device name and name filter: at most 8 bytes in UTF-8, empty allowed.
bool FitsNameBytes(const QString& name);

// The advertising interval typed, when it is in 20-2560 ms.
std::optional<std::uint32_t> ParseAdvInterval(const QString& text);

enum class ScanFilterError { None, RssiNotSet, RssiNotNumber, NameTooLong };

// The checks before a scan starts, RSSI first.
ScanFilterError CheckScanFilters(bool rssiOn, const QString& rssiText, bool nameOn,
                                 const QString& nameText);

// The threshold a scan report is judged by: the RSSI edit's number as a signed 8-bit value.
// The text is trimmed first, as the check before the scan trims it.
std::int8_t RssiThreshold(const QString& rssiText);

// The name filter setting takes texts of at most 8 characters, empty included.
bool NameFilterStorable(const QString& text);

}  // namespace InputRules
