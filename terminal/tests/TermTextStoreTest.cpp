#include "TermTextStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::u16string> LinesOf(const TermTextStore& store) {
    std::vector<std::u16string> lines;
    for (std::size_t index = 0; index < store.Lines(); ++index) {
        lines.emplace_back(store.Line(index));
    }
    return lines;
}

}  // namespace

TEST(TermTextStore, trimsWholeLinesFromTheTopAndCountsThem) {
    struct Case {
        const char* name;
        std::size_t limit;
        std::vector<std::u16string> appends;
        std::u16string text;
        std::uint64_t trimmed;
    };
    const Case cases[] = {
        {"within the limit", 20, {u"ab\ncd", u"e\n"}, u"ab\ncde\n", 0},
        {"whole lines go", 8, {u"one\ntwo\nthree\n"}, u"three\n", 2},
        {"in pieces as at once", 8, {u"one\n", u"two\n", u"thr", u"ee\n"}, u"three\n", 2},
        {"a line at the cut stays whole", 6, {u"ab\ncd\nef"}, u"cd\nef", 1},
        {"a last line alone keeps its newest characters", 4, {u"old\nabcdefgh"}, u"efgh", 1},
        {"a character is not split", 3, {u"x\xD83D\xDE00yz"}, u"yz", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TermTextStore store;
        store.SetLimit(c.limit);
        for (const std::u16string& text : c.appends) {
            store.Append(text);
        }
        EXPECT_EQ(store.Text(), c.text);
        EXPECT_EQ(store.Characters(), c.text.size());
        EXPECT_EQ(store.TrimmedLines(), c.trimmed);
    }
}

// Many times the limit goes through, so the buffer is compacted again and again; the lines and
// their offsets stay those of the text kept.
TEST(TermTextStore, longStream_keepsTheNewestLinesAndTheirOffsets) {
    TermTextStore store;
    store.SetLimit(100'000);
    std::u16string all;
    for (int line = 0; line < 100'000; ++line) {
        const std::u16string text = u"line " + std::u16string(line % 40, u'x') + u"\n";
        store.Append(text);
        all += text;
    }
    const std::u16string kept = store.Text();
    ASSERT_LE(kept.size(), 100'000u);
    EXPECT_GT(kept.size(), 100'000u - 50);
    EXPECT_EQ(all.substr(all.size() - kept.size()), kept);
    EXPECT_EQ(store.Line(0).substr(0, 5), u"line ");
    for (std::size_t index = 0; index + 1 < store.Lines(); ++index) {
        ASSERT_EQ(kept.substr(store.LineOffset(index), store.Line(index).size()),
                  store.Line(index));
        ASSERT_EQ(kept[store.LineOffset(index + 1) - 1], u'\n');
    }
    EXPECT_EQ(store.TrimmedLines() + store.Lines() - 1, 100'000u);
}

TEST(TermTextStore, removeBack_takesCharactersAndTheLinesTheyEnded) {
    TermTextStore store;
    store.Append(u"ab\ncd\nef");
    store.RemoveBack(4);
    EXPECT_EQ(LinesOf(store), (std::vector<std::u16string>{u"ab", u"c"}));
    store.RemoveBack(1);
    EXPECT_EQ(LinesOf(store), (std::vector<std::u16string>{u"ab", u""}));
    store.RemoveBack(100);
    EXPECT_EQ(LinesOf(store), (std::vector<std::u16string>{u""}));
    store.Append(u"new");
    EXPECT_EQ(store.Text(), u"new");
}

TEST(TermTextStore, lowerLimit_trimsAtOnce) {
    TermTextStore store;
    store.Append(u"one\ntwo\nthree");
    EXPECT_EQ(store.SetLimit(6), 2u);
    EXPECT_EQ(store.Text(), u"three");
}
