#include "InputRules.h"
#include "SettingTable.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace {

using InputRules::ScanFilterError;

TEST(InputRulesTest, trimmed_dropsTheWhiteSpaceQtTrims) {
    const struct {
        const char* text;
        const char* trimmed;
    } cases[] = {
        {"  -70 ", "-70"},
        {"\t\n\v\f\r x \r", "x"},
        {"a b", "a b"},
        {"", ""},
        {"   ", ""},
        {"\xC2\xA0x\xE3\x80\x80", "x"},                              // U+00A0, U+3000
        {"\xE2\x80\xA8\xE2\x80\x8Ax\xC2\x85", "x"},                  // U+2028, U+200A, U+0085
        {"\xE1\x9A\x80\xE2\x81\x9Fx\xE2\x80\xAF", "x"},              // U+1680, U+205F, U+202F
        {"\xEF\xBB\xBFx\xE2\x80\x8B", "\xEF\xBB\xBFx\xE2\x80\x8B"},  // U+FEFF, U+200B stay
        {"\xC0\xA0x", "\xC0\xA0x"},          // an overlong blank is no blank
        {"\xA0x\xE2\x80", "\xA0x\xE2\x80"},  // nor are broken sequences
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::Trimmed(c.text), c.trimmed) << c.text;
    }
}

TEST(InputRulesTest, strToInt_takesSignAndLeadingDigitsOnly) {
    const struct {
        const char* text;
        int value;
    } cases[] = {{"100ms", 100}, {"", 0},    {"-45", -45}, {"+7", 7},
                 {"ms100", 0},   {" 12", 0}, {"--5", 0},   {"4294967297", 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::StrToInt(c.text), c.value) << c.text;
    }
}

TEST(InputRulesTest, advInterval_acceptsTwentyTo2560_andRefusesDigitsThatWouldWrap) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> value;
    } cases[] = {{"19", std::nullopt},         {"20", 20},
                 {"2560", 2560},               {"2561", std::nullopt},
                 {"", std::nullopt},           {"100ms", 100},
                 {"ms", std::nullopt},         {"0000100", 100},
                 {"-100", std::nullopt},       {"4294967396", std::nullopt},
                 {"-4294967196", std::nullopt}, {"99999999999999999999100", std::nullopt}};
    const NumberRange range = SettingRowOf(JOB_SET_ADV_INTERVAL)->range;
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::ParseNumberIn(c.text, range.low, range.high), c.value) << c.text;
    }
}

TEST(InputRulesTest, names_areMeasuredInUtf8Bytes) {
    const struct {
        const char* name;
        bool fits;
    } cases[] = {{"ABCDEFGH", true}, {"ABCDEFGHI", false},        {"가나", true},
                 {"가나다", false},  {"가나다라마바사아", false}, {"", true}};
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::FitsNameBytes(c.name), c.fits) << c.name;
    }
}

TEST(InputRulesTest, textsInsideCommands_carryNoControlCharacter) {
    const struct {
        std::string text;
        bool refused;
    } cases[] = {{"A\rATZ", true},        {"NAME\n", true},  {"TAB\tX", true},
                 {std::string("A\0B", 3), true}, {"DEL\x7F", true}, {"\x1F", true},
                 {"센서 2", false},        {"A,B~", false},    {"", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::HasControlCharacter(c.text), c.refused) << c.text;
    }
}

TEST(InputRulesTest, address_isTwelveHexDigitsOfEitherCase) {
    const BdAddr coffee = {0xC0, 0xFF, 0xEE, 0x00, 0x00, 0x01};
    const struct {
        const char* text;
        std::optional<BdAddr> address;
    } cases[] = {
        {"C0FFEE000001", coffee},       {"c0ffee000001", coffee}, {"C0FFEE00000", std::nullopt},
        {"C0FFEE00000G", std::nullopt}, {"", std::nullopt},       {" C0FFEE000001", std::nullopt},
        {"C0FFEE0000011", std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::ParseAddress(c.text), c.address) << c.text;
    }
}

TEST(InputRulesTest, rssiFilterText_keepsTheLowEightBitsOfValidNumbers) {
    const struct {
        const char* text;
        std::optional<std::int8_t> value;
    } cases[] = {
        {"-45", -45},
        {"  -70 ", -70},
        {"127", 127},
        {"200", -56},
        {"-200", 56},
        {"300", 44},
        {"-", 0},
        {"-7a", {}},
        {"--5", {}},
        {"", {}},
        {"   ", {}},
        {"+5", {}},
        {"1 2", {}},
        {"99999999999999999999", -1},
        {"\xC2\xA0-70\xE3\x80\x80", -70},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::ParseRssiFilterText(c.text), c.value) << c.text;
    }
}

TEST(InputRulesTest, rssiThreshold_isTheLowByteOfTheTrimmedNumber) {
    const struct {
        const char* text;
        std::int8_t threshold;
    } cases[] = {
        {"300", 44},
        {"-300", -44},
        {"-", 0},
        // The check before a scan accepts blanks around the number; the threshold must not
        // read such a text as 0.
        {"  -70 ", -70},
        {"\xE3\x80\x80-70", -70},
        {"+5", 5},
        {"-7a", -7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::RssiThreshold(c.text), c.threshold) << c.text;
    }
}

TEST(InputRulesTest, scanFilters_checkRssiFirstThenName) {
    const std::optional<std::string> off;
    const struct {
        std::optional<std::string> rssi;
        std::optional<std::string> name;
        ScanFilterError error;
    } cases[] = {
        {"", off, ScanFilterError::RssiNotSet},
        {"   ", off, ScanFilterError::RssiNotSet},
        {"\xC2\xA0", off, ScanFilterError::RssiNotSet},
        {"-", off, ScanFilterError::None},
        {" -70 ", off, ScanFilterError::None},
        {"- 5", off, ScanFilterError::RssiNotNumber},
        {"70-", off, ScanFilterError::RssiNotNumber},
        {"-7a", "TOOLONGNAME", ScanFilterError::RssiNotNumber},
        {off, "TOOLONGNAME", ScanFilterError::NameTooLong},
        {off, "가나다라마바사아", ScanFilterError::NameTooLong},
        {off, "ABCDEFGH", ScanFilterError::None},
        {off, "QUOR\r\n", ScanFilterError::NameNotAllowed},
        {off, "TOO\rLONGNAME", ScanFilterError::NameNotAllowed},
        {off, off, ScanFilterError::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::CheckScanFilters(c.rssi, c.name), c.error)
            << c.rssi.value_or("(off)") << " / " << c.name.value_or("(off)");
    }
}

InputRules::SlotTexts Texts(std::initializer_list<std::pair<int, const char*>> filled) {
    InputRules::SlotTexts texts;
    for (const auto& [slot, text] : filled) {
        texts[static_cast<std::size_t>(slot - 1)] = text;
    }
    return texts;
}

TEST(InputRulesTest, assigned_comparesNonEmptySlotsIgnoringAsciiCase) {
    const InputRules::SlotTexts addresses = Texts({{2, "AABBCCDDEEFF"}, {4, "\xC3\x84"}});
    const struct {
        const char* address;
        bool assigned;
    } cases[] = {{"AABBCCDDEEFF", true},  {"aabbccddeeff", true},
                 {"AABBCCDDEEF0", false}, {"", false},
                 {"\xC3\x84", true},      {"\xC3\xA4", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(InputRules::IsAssigned(addresses, c.address), c.assigned) << c.address;
    }
}

TEST(InputRulesTest, save_buildsNumberedEntriesFromTheRows) {
    const auto built = InputRules::BuildWriteSlots(Texts({{2, "a1b2c3d4e5f6"}}),
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

TEST(InputRulesTest, save_reportsTheFirstFailingSlot) {
    using Kind = InputRules::SaveError::Kind;
    const struct {
        InputRules::SlotTexts addresses;
        InputRules::SlotTexts names;
        Kind kind;
        int slot;
    } cases[] = {
        {Texts({{2, "aabbccddeeff"}, {5, "AABBCCDDEEFF"}}), {}, Kind::Duplicate, 2},
        {Texts({{4, "AABBCCDDEEF"}}), {}, Kind::BadAddress, 4},
        {Texts({{4, "AABBCCDDEEFG"}}), {}, Kind::BadAddress, 4},
        {Texts({{1, "AABBCC"}, {3, "112233445566"}, {6, "112233445566"}}), {}, Kind::BadAddress, 1},
        {{}, Texts({{3, "NINEBYTES"}}), Kind::NameTooLong, 3},
        {{}, Texts({{7, "가나다"}}), Kind::NameTooLong, 7},
        {{}, Texts({{2, "A,B"}}), Kind::NameNotAllowed, 2},
        {{}, Texts({{5, "NAME\n"}}), Kind::NameNotAllowed, 5},
        {{}, Texts({{8, "A\rATZ"}}), Kind::NameNotAllowed, 8},
    };
    for (const auto& c : cases) {
        const auto built = InputRules::BuildWriteSlots(c.addresses, c.names);
        const auto* error = std::get_if<InputRules::SaveError>(&built);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->kind, c.kind);
        EXPECT_EQ(error->slot, c.slot);
    }
}

}  // namespace
