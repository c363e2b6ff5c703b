#include "InputRules.h"
#include "SlotRules.h"

#include <gtest/gtest.h>

#include <variant>

namespace {

using InputRules::ScanFilterError;

TEST(InputRulesTest, strToIntW_takesSignAndLeadingDigitsOnly) {
    const struct {
        const char16_t* text;
        int value;
    } cases[] = {{u"100ms", 100}, {u"", 0},    {u"-45", -45}, {u"+7", 7},
                 {u"ms100", 0},   {u" 12", 0}, {u"--5", 0},   {u"4294967297", 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::StrToIntW(QString::fromUtf16(c.text)), c.value)
            << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(InputRulesTest, advInterval_acceptsTwentyTo2560) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> value;
    } cases[] = {{"19", std::nullopt}, {"20", 20},     {"2560", 2560},      {"2561", std::nullopt},
                 {"", std::nullopt},   {"100ms", 100}, {"ms", std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::ParseAdvInterval(QString::fromUtf8(c.text)), c.value) << c.text;
    }
}

TEST(InputRulesTest, names_areMeasuredInUtf8Bytes) {
    EXPECT_TRUE(InputRules::FitsNameBytes(QStringLiteral("ABCDEFGH")));
    EXPECT_FALSE(InputRules::FitsNameBytes(QStringLiteral("ABCDEFGHI")));
    EXPECT_TRUE(InputRules::FitsNameBytes(QStringLiteral("가나")));
    EXPECT_FALSE(InputRules::FitsNameBytes(QStringLiteral("가나다")));
    EXPECT_TRUE(InputRules::FitsNameBytes(QString()));
    // The stored name filter counts characters instead, so eight syllables are stored...
    EXPECT_TRUE(InputRules::NameFilterStorable(QStringLiteral("가나다라마바사아")));
    // ...but refused when a scan starts.
    EXPECT_EQ(InputRules::CheckScanFilters(false, {}, true, QStringLiteral("가나다라마바사아")),
              ScanFilterError::NameTooLong);
}

TEST(InputRulesTest, scanFilters_checkRssiFirstThenName) {
    const struct {
        bool rssiOn;
        const char* rssi;
        bool nameOn;
        const char* name;
        ScanFilterError error;
    } cases[] = {
        {true, "", false, "", ScanFilterError::RssiNotSet},
        {true, "   ", false, "", ScanFilterError::RssiNotSet},
        {true, "-", false, "", ScanFilterError::None},
        {true, " -70 ", false, "", ScanFilterError::None},
        {true, "- 5", false, "", ScanFilterError::RssiNotNumber},
        {true, "70-", false, "", ScanFilterError::RssiNotNumber},
        {true, "-7a", true, "TOOLONGNAME", ScanFilterError::RssiNotNumber},
        {false, "junk", true, "TOOLONGNAME", ScanFilterError::NameTooLong},
        {false, "junk", false, "TOOLONGNAME", ScanFilterError::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::CheckScanFilters(c.rssiOn, QString::fromUtf8(c.rssi), c.nameOn,
                                               QString::fromUtf8(c.name)),
                  c.error)
            << c.rssi << " / " << c.name;
    }
}

TEST(InputRulesTest, rssiThreshold_isTheLowByteOfTheTrimmedNumber) {
    EXPECT_EQ(InputRules::RssiThreshold(QStringLiteral("300")), 44);
    EXPECT_EQ(InputRules::RssiThreshold(QStringLiteral("-300")), -44);
    EXPECT_EQ(InputRules::RssiThreshold(QStringLiteral("-")), 0);
    // The check before a scan accepts blanks around the number; the threshold must not read
    // such a text as 0.
    EXPECT_EQ(InputRules::RssiThreshold(QStringLiteral("  -70 ")), -70);
}

SlotRules::SlotTexts Texts(std::initializer_list<std::pair<int, const char*>> filled) {
    SlotRules::SlotTexts texts;
    for (const auto& [slot, text] : filled) {
        texts[static_cast<std::size_t>(slot - 1)] = QString::fromUtf8(text);
    }
    return texts;
}

TEST(SlotRulesTest, save_buildsNumberedEntriesFromTheRows) {
    const auto built = SlotRules::BuildWriteSlots(Texts({{2, "a1b2c3d4e5f6"}}),
                                                  Texts({{2, "태그"}, {3, "orphan"}}));
    const auto& slots = std::get<SlotArray>(built);
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        EXPECT_EQ(slots[i].slot, i + 1);
    }
    EXPECT_EQ(FormatBdAddr(slots[1].addr), "A1B2C3D4E5F6");
    EXPECT_EQ(slots[1].Name(), "태그");
    // A name without an address still goes along; the job deletes such a slot.
    EXPECT_TRUE(IsZeroAddr(slots[2].addr));
    EXPECT_EQ(slots[2].Name(), "orphan");
}

TEST(SlotRulesTest, save_reportsTheFirstFailingSlot) {
    using Kind = SlotRules::SaveError::Kind;
    const struct {
        SlotRules::SlotTexts addresses;
        SlotRules::SlotTexts names;
        Kind kind;
        int slot;
    } cases[] = {
        {Texts({{2, "aabbccddeeff"}, {5, "AABBCCDDEEFF"}}), {}, Kind::Duplicate, 2},
        {Texts({{4, "AABBCCDDEEF"}}), {}, Kind::BadAddress, 4},
        {Texts({{4, "AABBCCDDEEFG"}}), {}, Kind::BadAddress, 4},
        {Texts({{1, "AABBCC"}, {3, "112233445566"}, {6, "112233445566"}}), {}, Kind::BadAddress, 1},
        {{}, Texts({{3, "NINEBYTES"}}), Kind::NameTooLong, 3},
        {{}, Texts({{7, "가나다"}}), Kind::NameTooLong, 7},
    };
    for (const auto& c : cases) {
        const auto built = SlotRules::BuildWriteSlots(c.addresses, c.names);
        const auto* error = std::get_if<SlotRules::SaveError>(&built);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->kind, c.kind);
        EXPECT_EQ(error->slot, c.slot);
    }
}

}  // namespace
