#pragma once

#include <array>
#include <cstdint>
#include <string>

// Where user-interface text (UTF-16) meets the serial line (bytes). Stateless; any thread.
// Narrow text is UTF-8 everywhere: port names included.

// A Bluetooth device address, bytes in the order their hex pairs are written (no reversal).
using BdAddr = std::array<std::uint8_t, 6>;

// Each conversion replaces `result` and returns the number of units written. Invalid UTF-8
// becomes U+FFFD; an unpaired surrogate in UTF-16 becomes U+FFFD too.
int Utf8ToWide(const std::string& source, std::u16string& result);
int WideToUtf8(const std::u16string& source, std::string& result);
int WideToUtf8(const char16_t* nulTerminated, std::string& result);

// Convenience forms for callers that want the value.
std::u16string Utf8ToWide(const std::string& source);
std::string WideToUtf8(const std::u16string& source);

// True if every byte is 0-9, a-f or A-F; the empty string is a hex string.
bool IsHexString(const std::string& text);
// Decodes two hex characters. On failure `out` keeps what was assembled: 0 if the first
// character failed, the first digit times 16 if the second did.
bool HexPairToByte(const char* pair, std::uint8_t& out);

// Exactly 12 hex digits, either case, no trimming. Wrong length leaves `out` untouched; a bad
// digit leaves the pairs before it filled, the failing pair partial and the rest 0.
bool ParseBdAddr(std::string text, BdAddr& out);
// Six pairs with any single separator between them (17 characters after trimming C whitespace).
// `out` is zeroed first; a bad digit leaves the pairs before it filled.
bool ParseBdAddrDelimited(std::string text, BdAddr& out);
// Twelve upper-case hex digits, leading zeros kept.
void FormatBdAddr(const BdAddr& address, std::string& text);
void FormatBdAddr(const BdAddr& address, std::u16string& text);
std::string FormatBdAddr(const BdAddr& address);
