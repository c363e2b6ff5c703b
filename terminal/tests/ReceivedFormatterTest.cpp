#include "ReceivedFormatter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One read: its bytes and the time of day (ms) it arrived at.
struct Read {
    std::string bytes;
    std::int64_t ms;
};

// A view that follows the formatter's updates as the terminal view does.
struct FollowingView {
    void Read(const std::string& bytes, std::int64_t ms) {
        formatter.Format(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), ms);
        Apply();
    }
    void Apply() {
        ShownUpdate update = formatter.TakeUpdate();
        text.resize(text.size() - std::min(update.dropTail, text.size()));
        text += update.finalText + update.partialText;
    }
    ReceivedFormatter formatter;
    std::u16string text;
};

std::u16string Shown(ReceivedFormatter& formatter, const std::vector<Read>& reads) {
    FollowingView view;
    std::swap(view.formatter, formatter);
    for (const Read& read : reads) {
        view.Read(read.bytes, read.ms);
    }
    return view.text;
}

// One hex row as shown: the hex column padded to 16 bytes, then the ASCII column.
std::u16string Row(std::u16string hex, const std::u16string& ascii) {
    hex.resize(16 * 3, u' ');
    return hex + u" |" + ascii + u"|";
}

constexpr std::int64_t kAt = ((13 * 60 + 5) * 60 + 9) * 1000LL + 7;  // 13:05:09.007

}  // namespace

TEST(ReceivedFormatter, timeStamp_isLocalTimeOfDayWithMilliseconds) {
    std::u16string out;
    AppendTimeStamp(out, kAt);
    AppendTimeStamp(out, 24LL * 3600 * 1000 - 1);
    EXPECT_EQ(out, u"[13:05:09.007] [23:59:59.999] ");
}

TEST(ReceivedFormatter, timestamps_markEachLineOnceWithTheArrivalOfItsFirstByte) {
    struct Case {
        const char* name;
        std::vector<Read> reads;
        std::u16string shown;
    };
    const Case cases[] = {
        {"lines in one read",
         {{"a\r\nb\rc\nd", 1000}},
         u"[00:00:01.000] a\n[00:00:01.000] b\n"
         u"[00:00:01.000] c\n[00:00:01.000] d"},
        {"line split across reads",
         {{"ab", 1000}, {"cd\r\n", 2000}, {"e", 3000}},
         u"[00:00:01.000] abcd\n[00:00:03.000] e"},
        {"CR LF split across reads",
         {{"a\r", 1000}, {"\nb", 2000}},
         u"[00:00:01.000] a\n[00:00:02.000] b"},
        {"empty lines", {{"\n\n", 1000}}, u"[00:00:01.000] \n[00:00:01.000] \n"},
        {"line break ends a read",
         {{"a\n", 1000}, {"b", 2000}},
         u"[00:00:01.000] a\n[00:00:02.000] b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReceivedFormatter formatter;
        formatter.SetTimestamps(true);
        EXPECT_EQ(Shown(formatter, c.reads), c.shown);
    }
}

TEST(ReceivedFormatter, hexRows_growAcrossReadsAndEndAtSixteenBytes) {
    ReceivedFormatter formatter;
    formatter.SetHex(true, 0);
    formatter.SetTimestamps(true);
    const std::u16string shown = Shown(formatter, {{"Hello,", kAt},
                                                   {std::string(" world!\r\n\0\x7F\xFF"
                                                                "AB",
                                                                14),
                                                    kAt + 1},
                                                   {"C", kAt + 2}});
    EXPECT_EQ(shown,
              u"[13:05:09.007] " +
                  Row(u"48 65 6c 6c 6f 2c 20 77 6f 72 6c 64 21 0d 0a 00", u"Hello, world!...") +
                  u"\n[13:05:09.008] " + Row(u"7f ff 41 42 43", u"..ABC"));
}

TEST(ReceivedFormatter, switchingModesMidStream_losesAndRepeatsNoByte) {
    FollowingView view;
    // "x" and the first two bytes of U+AC00: the held bytes go to the hex view.
    view.Read("x\xEA\xB0", 0);
    view.formatter.SetHex(true, 0);
    view.Read("\x80y", 0);
    view.formatter.SetHex(false, 0);
    view.Apply();
    view.Read("z\r\n", 0);
    EXPECT_EQ(view.text, u"x\n" + Row(u"ea b0 80 79", u"...y") + u"\nz\n");
    EXPECT_EQ(view.formatter.DecodedUnits(), 3u);  // x, z and the line break
}

// Clear empties the view: the unfinished row goes with it (handed back for a log) and comes back
// neither with the next bytes nor when hex view is switched off.
TEST(ReceivedFormatter, clearedView_dropsTheUnfinishedRowAndHandsItBack) {
    struct Case {
        const char* name;
        bool hexAfterClear;
        std::u16string shown;
    };
    const Case cases[] = {
        {"next bytes in hex", true, Row(u"78 79 7a", u"xyz")},
        {"hex view switched off", false, u"xyz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FollowingView view;
        view.formatter.SetHex(true, 0);
        view.Read("GHIJKLMNO", 0);
        view.text.clear();
        EXPECT_EQ(view.formatter.ViewCleared(), Row(u"47 48 49 4a 4b 4c 4d 4e 4f", u"GHIJKLMNO"));
        view.formatter.SetHex(c.hexAfterClear, 0);
        view.Apply();
        view.Read("xyz", 0);
        EXPECT_EQ(view.text, c.shown);
        EXPECT_EQ(view.formatter.ViewCleared(), c.hexAfterClear ? c.shown : u"");
    }
}

// Each stamp is of the arrival of its line's first byte; the gap is to the previous line's, and
// an unfinished hex row shown again is not a line of its own.
TEST(ReceivedFormatter, stampFormats_readAsChosen) {
    constexpr std::int64_t kDay = 1796994309007;          // 2026-12-11 13:05:09.007, local
    constexpr std::int64_t kLeapDay = 1709164800000 + 1;  // 2024-02-29 00:00:00.001
    struct Case {
        StampFormat format;
        std::vector<Read> reads;
        std::u16string shown;
    };
    const Case cases[] = {
        {StampFormat::kTimeOfDay, {{"a\n", kDay}}, u"[13:05:09.007] a\n"},
        {StampFormat::kDateAndTime,
         {{"a\n", kDay}, {"b", kLeapDay}},
         u"[2026-12-11 13:05:09.007] a\n[2024-02-29 00:00:00.001] b"},
        {StampFormat::kSinceOpen,
         {{"a\nb", kDay + 1500}, {"\nc\n", kDay + 61'002}},
         u"[1.500] a\n[1.500] b\n[61.002] c\n"},
        {StampFormat::kSincePrevious,
         {{"a\n", kDay}, {"b\nc", kDay + 12}, {"\n", kDay + 5000}},
         u"[+0.000] a\n[+0.012] b\n[+0.000] c\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        ReceivedFormatter formatter;
        formatter.SetTimestamps(true);
        formatter.SetStampFormat(c.format);
        formatter.SetOpenedAt(kDay);
        EXPECT_EQ(Shown(formatter, c.reads), c.shown);
    }
    FollowingView hex;
    hex.formatter.SetTimestamps(true);
    hex.formatter.SetStampFormat(StampFormat::kSincePrevious);
    hex.formatter.SetHex(true, 0);
    hex.Read(std::string(16, 'x'), kDay);
    hex.Read("y", kDay + 250);
    hex.Read("z", kDay + 400);
    EXPECT_EQ(hex.text.substr(hex.text.rfind(u'\n') + 1, 10), u"[+0.250] 7");
}
