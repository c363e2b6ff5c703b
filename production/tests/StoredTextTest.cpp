#include "StoredText.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

// Every sink stores text as valid UTF-8: valid text as it is, every other byte (and NUL) as \xHH
// and a backslash doubled; the bytes come back whole.
TEST(StoredTextTest, invalidBytesAreEscaped_andComeBackWhole) {
    const struct {
        std::string bytes;
        std::string stored;
        bool utf8;
    } cases[] = {
        {"SNS-001 김", "SNS-001 김", true},
        {"a\\b", "a\\\\b", true},                             // a backslash, doubled
        {"\\x41", "\\\\x41", true},                           // text that looks escaped stays text
        {"L\xff", "L\\xFF", false},                           // not UTF-8 at all
        {"\xF8\x9B~\xC3#", "\\xF8\\x9B~\\xC3#", false},       // a noisy module's line
        {"\xC0\xAF", "\\xC0\\xAF", false},                    // an overlong '/'
        {"\xED\xA0\x80", "\\xED\\xA0\\x80", false},           // a surrogate
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80", false},  // beyond U+10FFFF
        {"\xE2\x82", "\\xE2\\x82", false},                    // cut short
        {"\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!", true},     // four bytes, valid
        {"a\0b"s, "a\\x00b", true},  // NUL: PostgreSQL's text cannot hold it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(IsUtf8(c.bytes), c.utf8);
        EXPECT_EQ(StoredText(c.bytes), c.stored);
        EXPECT_TRUE(IsUtf8(StoredText(c.bytes)));
        EXPECT_EQ(BytesOfStoredText(c.stored), c.bytes);
    }
    // Text stored before the escaping, with a stray backslash, reads back as it was.
    EXPECT_EQ(BytesOfStoredText("C:\\temp\\x1"), "C:\\temp\\x1");
}
