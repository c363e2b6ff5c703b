#include "ReceivedTextDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string DecodeInPieces(const std::string& stream, const std::vector<std::size_t>& cuts) {
    ReceivedTextDecoder decoder;
    std::u16string text;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        text +=
            decoder.Decode(reinterpret_cast<const std::uint8_t*>(stream.data()) + from, cut - from);
        from = cut;
    }
    return text + decoder.Decode(reinterpret_cast<const std::uint8_t*>(stream.data()) + from,
                                 stream.size() - from);
}

std::u16string DecodeWhole(const std::string& stream) {
    return DecodeInPieces(stream, {});
}

}  // namespace

TEST(ReceivedTextDecoder, wholeBatches_decodeAsUtf8WithOneLfPerLineBreakAndWithoutNul) {
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"hi\r\n", u"hi\n"},
        {"a\rb\nc\r\n\r\n", u"a\nb\nc\n\n"},
        {"\xEA\xB0\x80", u"\uAC00"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {std::string("A\0B", 3), u"AB"},
        {std::string("\0\0", 2), u""},
        {"\xFF", u"\uFFFD"},
        {"a\x80"
         "b",
         u"a\uFFFDb"},
        {"\xEA\xB0"
         "A",
         u"\uFFFDA"},
        // Well-formed in shape but not UTF-8: overlong, a surrogate, beyond U+10FFFF.
        {"\xC0\xAF!", u"\uFFFD!"},
        {"\xED\xA0\x80!", u"\uFFFD!"},
        {"\xF4\x90\x80\x80!", u"\uFFFD!"},
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeWhole(c.bytes), c.text) << c.bytes;
    }
}

// However the stream is cut into reads, it shows the same text as when read in one piece.
TEST(ReceivedTextDecoder, anyCutIntoTwoOrSingleBytes_givesTheWholeStreamText) {
    const std::string streams[] = {
        "AT\r\nOK\r\n\xEA\xB0\x80\xEB\x82\x98\r\n",
        std::string("x\xF0\x9F\x98\x80y\0z\r\0\n", 12),
        "\xEA\xB0\xFF\x80\xC3\r\r\n\n",
    };
    for (const std::string& stream : streams) {
        const std::u16string whole = DecodeWhole(stream);
        for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
            EXPECT_EQ(DecodeInPieces(stream, {cut}), whole) << "cut at " << cut;
        }
        std::vector<std::size_t> everyByte;
        for (std::size_t cut = 1; cut < stream.size(); ++cut) {
            everyByte.push_back(cut);
        }
        EXPECT_EQ(DecodeInPieces(stream, everyByte), whole);
    }
}

TEST(ReceivedTextDecoder, crAtTheEndOfABatch_breaksTheLineAtOnceAndItsLfIsNotASecondBreak) {
    ReceivedTextDecoder decoder;
    const std::string first = "a\r";
    const std::string second = "\n\nb";
    EXPECT_EQ(decoder.Decode(reinterpret_cast<const std::uint8_t*>(first.data()), first.size()),
              u"a\n");
    EXPECT_EQ(decoder.Decode(reinterpret_cast<const std::uint8_t*>(second.data()), second.size()),
              u"\nb");
}

TEST(ReceivedTextDecoder, reset_dropsAHeldPartialSequence) {
    ReceivedTextDecoder decoder;
    const std::string start = "\xEA\xB0";
    const std::string next =
        "\x80"
        "A";
    decoder.Decode(reinterpret_cast<const std::uint8_t*>(start.data()), start.size());
    EXPECT_EQ(decoder.HeldBytes(), 2u);
    decoder.Reset();
    EXPECT_EQ(decoder.Decode(reinterpret_cast<const std::uint8_t*>(next.data()), next.size()),
              u"\uFFFDA");
}
