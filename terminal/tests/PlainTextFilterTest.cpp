#include "PlainTextFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(PlainTextFilter, dropsEscapeSequencesAndControlsAlsoWhenCutAcrossCalls) {
    struct Case {
        const char* name;
        std::vector<std::u16string> pieces;
        std::u16string kept;
    };
    const Case cases[] = {
        {"colours", {u"\x1B[1;31mred\x1B[0m plain\n"}, u"red plain\n"},
        {"cursor moves and erasing",
         {u"a\x1B[2K\x1B[10;5Hb\x1B"
          u"7c\n"},
         u"abc\n"},
        {"window title", {u"\x1B]0;title\x07x\x1B]2;t\x1B\\y"}, u"xy"},
        {"controls but line break and tab", {u"a\x01\x08\tb\x7F\x9B\r\n"}, u"a\tb\n"},
        {"sequence cut across calls",
         {u"x\x1B", u"[3", u"2mgreen\x1B]0;t", u"itle\x07."},
         u"xgreen."},
        {"text alone", {u"\xAC00 ok\n"}, u"\xAC00 ok\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlainTextFilter filter;
        std::u16string kept;
        for (const std::u16string& piece : c.pieces) {
            kept += filter.Filter(piece);
        }
        EXPECT_EQ(kept, c.kept);
    }
}
