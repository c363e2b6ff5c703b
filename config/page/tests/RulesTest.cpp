#include "ControlGroupIds.h"
#include "InputRules.h"
#include "SlotRules.h"

#include <gtest/gtest.h>

#include <QString>

#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <variant>

// The rules themselves are tested in config/tests; here, what the page adds in handing them its
// UTF-16 texts.
namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

TEST(PageRulesTest, trimming_takesTheSameWhiteSpaceAsQString) {
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const QChar blank(c);
        const QString text = blank + QStringLiteral("1") + blank + QStringLiteral("2") + blank;
        EXPECT_EQ(Utf8(text.trimmed()), InputRules::Trimmed(Utf8(text)))
            << "U+" << std::hex << static_cast<unsigned>(c);
    }
}

SlotRules::SlotTexts Rows(std::initializer_list<std::pair<int, const char16_t*>> filled) {
    SlotRules::SlotTexts texts;
    for (const auto& [slot, text] : filled) {
        texts[static_cast<std::size_t>(slot - 1)] = QString::fromUtf16(text);
    }
    return texts;
}

TEST(PageRulesTest, assigned_ignoresLetterCaseAsQtDoes) {
    const SlotRules::SlotTexts rows = Rows({{2, u"AABBCCDDEEFF"}, {4, u"Ä"}, {6, u"\u212A"}});
    const struct {
        const char16_t* address;
        bool assigned;
    } cases[] = {{u"aabbccddeeff", true}, {u"ä", true}, {u"Ä", true}, {u"k", true},
                 {u"a", false},           {u"", false}};
    for (const auto& c : cases) {
        const QString address = QString::fromUtf16(c.address);
        EXPECT_EQ(SlotRules::IsAssigned(rows, address), c.assigned) << address.toStdString();
    }
}

TEST(PageRulesTest, save_findsDuplicatesAsQtComparesThem) {
    using Kind = InputRules::SaveError::Kind;
    const struct {
        SlotRules::SlotTexts addresses;
        Kind kind;
        int slot;
    } cases[] = {
        {Rows({{2, u"aabbccddeeff"}, {5, u"AABBCCDDEEFF"}}), Kind::Duplicate, 2},
        {Rows({{1, u"Ä"}, {3, u"ä"}}), Kind::Duplicate, 1},
        {Rows({{2, u"\u212A"}, {5, u"k"}}), Kind::Duplicate, 2},  // KELVIN SIGN folds to k
        {Rows({{1, u"ß"}, {3, u"SS"}}), Kind::BadAddress, 1},     // no letter folds to two
    };
    for (const auto& c : cases) {
        const auto built = SlotRules::BuildWriteSlots(c.addresses, {});
        const auto* error = std::get_if<InputRules::SaveError>(&built);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->kind, c.kind);
        EXPECT_EQ(error->slot, c.slot);
    }
}

TEST(PageRulesTest, save_takesTheRowsInUtf8) {
    const auto built = SlotRules::BuildWriteSlots(Rows({{2, u"a1b2c3d4e5f6"}}),
                                                  Rows({{2, u"태그"}, {3, u"orphan"}}));
    const auto& slots = std::get<SlotArray>(built);
    EXPECT_EQ(FormatBdAddr(slots[1].addr), "A1B2C3D4E5F6");
    EXPECT_EQ(slots[1].Name(), "태그");
    EXPECT_EQ(slots[2].Name(), "orphan");
}

TEST(ControlGroupIdsTest, everyGroupMemberIsReEnabledByTheAllGroups) {
    std::set<int> all;
    for (ControlGroup group : {GRP_ALL_INPUTS, GRP_ALL_BUTTONS}) {
        for (int id : ControlIdsOf(group)) {
            EXPECT_TRUE(all.insert(id).second) << "listed twice: " << id;
        }
    }
    for (int g = GRP_SCAN_INPUTS; g < GRP_COUNT; ++g) {
        for (int id : ControlIdsOf(static_cast<ControlGroup>(g))) {
            EXPECT_TRUE(all.count(id)) << "group " << g << " id " << id;
        }
    }
}

}  // namespace
