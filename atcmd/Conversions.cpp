#include "Conversions.h"

#include <utf8.h>

#include <cctype>
#include <cstdio>
#include <iterator>

namespace {

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

int Utf16RangeToUtf8(const char16_t* begin, const char16_t* end, std::string& result) {
    result.clear();
    auto out = std::back_inserter(result);
    for (const char16_t* unit = begin; unit != end; ++unit) {
        std::uint32_t codePoint = *unit;
        if (IsHighSurrogate(*unit) && unit + 1 != end && IsLowSurrogate(unit[1])) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (unit[1] - 0xDC00);
            ++unit;
        } else if (IsHighSurrogate(*unit) || IsLowSurrogate(*unit)) {
            codePoint = kReplacementCharacter;
        }
        utf8::append(static_cast<char32_t>(codePoint), out);
    }
    return static_cast<int>(result.size());
}

std::size_t NulTerminatedLength(const char16_t* text) {
    std::size_t length = 0;
    while (text != nullptr && text[length] != u'\0') {
        ++length;
    }
    return length;
}

int HexDigitValue(char character) {
    const char upper =
        (character >= 'a' && character <= 'z') ? static_cast<char>(character - 'a' + 'A')
                                               : character;
    if (upper >= '0' && upper <= '9') return upper - '0';
    if (upper >= 'A' && upper <= 'F') return upper - 'A' + 10;
    return -1;
}

void UpperCaseAscii(std::string& text) {
    for (char& character : text) {
        if (character >= 'a' && character <= 'z') {
            character = static_cast<char>(character - 'a' + 'A');
        }
    }
}

void TrimCWhitespace(std::string& text) {
    const char* whitespace = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(whitespace);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text = text.substr(first, text.find_last_not_of(whitespace) - first + 1);
}

}  // namespace

int Utf8ToWide(const std::string& source, std::u16string& result) {
    std::string valid;
    utf8::replace_invalid(source.begin(), source.end(), std::back_inserter(valid),
                          kReplacementCharacter);
    result.clear();
    utf8::utf8to16(valid.begin(), valid.end(), std::back_inserter(result));
    return static_cast<int>(result.size());
}

int WideToUtf8(const std::u16string& source, std::string& result) {
    return Utf16RangeToUtf8(source.data(), source.data() + source.size(), result);
}

int WideToUtf8(const char16_t* nulTerminated, std::string& result) {
    return Utf16RangeToUtf8(nulTerminated, nulTerminated + NulTerminatedLength(nulTerminated),
                            result);
}

std::u16string Utf8ToWide(const std::string& source) {
    std::u16string result;
    Utf8ToWide(source, result);
    return result;
}

std::string WideToUtf8(const std::u16string& source) {
    std::string result;
    WideToUtf8(source, result);
    return result;
}

bool IsHexString(const std::string& text) {
    for (const char character : text) {
        if (!std::isxdigit(static_cast<unsigned char>(character))) {
            return false;
        }
    }
    return true;
}

bool HexPairToByte(const char* pair, std::uint8_t& out) {
    out = 0;
    const int high = HexDigitValue(pair[0]);
    if (high < 0) {
        return false;
    }
    out = static_cast<std::uint8_t>(high << 4);
    const int low = HexDigitValue(pair[1]);
    if (low < 0) {
        return false;
    }
    out = static_cast<std::uint8_t>(out | low);
    return true;
}

bool ParseBdAddr(std::string text, BdAddr& out) {
    if (text.size() != 12) {
        return false;
    }
    UpperCaseAscii(text);
    out.fill(0);
    for (std::size_t pair = 0; pair < out.size(); ++pair) {
        if (!HexPairToByte(text.data() + 2 * pair, out[pair])) {
            return false;
        }
    }
    return true;
}

bool ParseBdAddrDelimited(std::string text, BdAddr& out) {
    UpperCaseAscii(text);
    out.fill(0);
    TrimCWhitespace(text);
    if (text.size() != 17) {
        return false;
    }
    for (std::size_t pair = 0; pair < out.size(); ++pair) {
        if (!HexPairToByte(text.data() + 3 * pair, out[pair])) {
            return false;
        }
    }
    return true;
}

void FormatBdAddr(const BdAddr& address, std::string& text) {
    char buffer[13];
    std::snprintf(buffer, sizeof buffer, "%02X%02X%02X%02X%02X%02X", address[0], address[1],
                  address[2], address[3], address[4], address[5]);
    text.assign(buffer, 12);
}

void FormatBdAddr(const BdAddr& address, std::u16string& text) {
    std::string narrow;
    FormatBdAddr(address, narrow);
    text.assign(narrow.begin(), narrow.end());
}

std::string FormatBdAddr(const BdAddr& address) {
    std::string text;
    FormatBdAddr(address, text);
    return text;
}
