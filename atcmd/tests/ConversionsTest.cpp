#include "Conversions.h"

#include <gtest/gtest.h>

namespace {

BdAddr Bytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4,
             std::uint8_t b5) {
    return BdAddr{b0, b1, b2, b3, b4, b5};
}

const BdAddr kSentinel = Bytes(0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE);

}  // namespace

TEST(TextConversion, utf8AndUtf16_roundTripAndReplaceInvalidInput) {
    struct Case {
        std::string utf8;
        std::u16string wide;
    };
    const Case cases[] = {
        {"", u""},
        {"AT+MANUF=abc", u"AT+MANUF=abc"},
        {"\xEA\xB0\x80", u"\uAC00"},                      // 가
        {"\xED\x95\x9C\xEA\xB8\x80", u"\uD55C\uAE00"},    // 한글
        {"\xF0\x9F\x98\x80", u"\U0001F600"},              // outside the BMP: a surrogate pair
    };
    for (const Case& c : cases) {
        std::u16string wide;
        std::string narrow;
        EXPECT_EQ(Utf8ToWide(c.utf8, wide), static_cast<int>(c.wide.size()));
        EXPECT_EQ(wide, c.wide);
        EXPECT_EQ(WideToUtf8(c.wide, narrow), static_cast<int>(c.utf8.size()));
        EXPECT_EQ(narrow, c.utf8);
        WideToUtf8(c.wide.c_str(), narrow);
        EXPECT_EQ(narrow, c.utf8);
    }
    EXPECT_EQ(Utf8ToWide(std::string("\xFF")), u"\uFFFD");
    EXPECT_EQ(Utf8ToWide(std::string("a\xEA\xB0")), u"a\uFFFD");  // truncated sequence
    EXPECT_EQ(WideToUtf8(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a\xEF\xBF\xBD" "b");
}

TEST(HexText, isHexStringAndPairDecoding) {
    EXPECT_TRUE(IsHexString(""));
    EXPECT_TRUE(IsHexString("0123456789abcdefABCDEF"));
    EXPECT_FALSE(IsHexString("0x12"));
    EXPECT_FALSE(IsHexString("12 34"));
    EXPECT_FALSE(IsHexString("12\xEA"));

    struct Case {
        const char* pair;
        bool ok;
        std::uint8_t value;
    };
    const Case cases[] = {
        {"fF", true, 0xFF}, {"00", true, 0x00}, {"a5", true, 0xA5},
        {"g0", false, 0x00}, {"A ", false, 0xA0}, {"1z", false, 0x10},
    };
    for (const Case& c : cases) {
        std::uint8_t value = 0x55;
        EXPECT_EQ(HexPairToByte(c.pair, value), c.ok) << c.pair;
        EXPECT_EQ(value, c.value) << c.pair;
    }
}

TEST(BdAddress, plainForm_parsesFormatsAndKeepsPartialOutput) {
    struct Case {
        std::string text;
        bool ok;
        BdAddr expected;
    };
    const Case cases[] = {
        {"0123456789ab", true, Bytes(0x01, 0x23, 0x45, 0x67, 0x89, 0xAB)},
        {"0123456789AG", false, Bytes(0x01, 0x23, 0x45, 0x67, 0x89, 0xA0)},
        {"0123456789A", false, kSentinel},    // wrong length: untouched
        {"0123456789ABC", false, kSentinel},
        {" 123456789AB", false, Bytes(0, 0, 0, 0, 0, 0)},  // no trimming
    };
    for (const Case& c : cases) {
        BdAddr address = kSentinel;
        EXPECT_EQ(ParseBdAddr(c.text, address), c.ok) << c.text;
        EXPECT_EQ(address, c.expected) << c.text;
    }
    EXPECT_EQ(FormatBdAddr(Bytes(0x01, 0x23, 0x45, 0x67, 0x89, 0xAB)), "0123456789AB");
    EXPECT_EQ(FormatBdAddr(Bytes(0, 0, 0, 0, 0, 0)), "000000000000");
    EXPECT_EQ(FormatBdAddr(Bytes(0x0A, 0, 0, 0, 0, 1)), "0A0000000001");
    std::u16string wide;
    FormatBdAddr(Bytes(0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01), wide);
    EXPECT_EQ(wide, u"DEADBEEF0001");
}

TEST(BdAddress, delimitedForm_acceptsAnySeparatorAndSurroundingWhitespace) {
    const BdAddr expected = Bytes(0x01, 0x23, 0x45, 0x67, 0x89, 0xAB);
    for (const std::string text : {"01:23:45:67:89:AB", "01-23-45-67-89-ab", "01x23y45z67q89wab",
                                   "  01:23:45:67:89:AB\t", "01:23:45:67:89:AB\r\n"}) {
        BdAddr address = kSentinel;
        EXPECT_TRUE(ParseBdAddrDelimited(text, address)) << text;
        EXPECT_EQ(address, expected) << text;
    }
    struct Failure {
        std::string text;
        BdAddr expected;
    };
    const Failure failures[] = {
        {"0123456789AB", Bytes(0, 0, 0, 0, 0, 0)},
        {"01:23:4G:67:89:AB", Bytes(0x01, 0x23, 0x40, 0, 0, 0)},
        {"", Bytes(0, 0, 0, 0, 0, 0)},
    };
    for (const Failure& f : failures) {
        BdAddr address = kSentinel;
        EXPECT_FALSE(ParseBdAddrDelimited(f.text, address)) << f.text;
        EXPECT_EQ(address, f.expected) << f.text;
    }
}
