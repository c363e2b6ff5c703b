#include "Profile.h"
#include "ProfileDiff.h"

#include <gtest/gtest.h>

namespace {

struct RefusedCase {
    std::string json;
    ConfMessageId text;
    std::string field;
};

// Every refusal names the field, so a production engineer finds it in a long file.
TEST(ProfileTest, badFiles_areRefused_namingTheField) {
    const RefusedCase cases[] = {
        {R"({"name": "A", "colour": "red"})", ConfMessageId::MSG_PROFILE_UNKNOWN_FIELD, "colour"},
        {R"({"advInterval": "100"})", ConfMessageId::MSG_PROFILE_WRONG_TYPE, "advInterval"},
        {R"({"advInterval": 100.5})", ConfMessageId::MSG_PROFILE_WRONG_TYPE, "advInterval"},
        {R"({"advInterval": 19})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "advInterval"},
        {R"({"advInterval": 18446744073709551615})", ConfMessageId::MSG_PROFILE_BAD_VALUE,
         "advInterval"},
        {R"({"flowControl": 1})", ConfMessageId::MSG_PROFILE_WRONG_TYPE, "flowControl"},
        {R"({"baud": 12345})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "baud"},
        {R"({"role": "central"})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "role"},
        {R"({"name": "A\rAT&F"})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "name"},
        {R"({"name": "A,B"})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "name"},
        {R"({"name": "A\u0085B"})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "name"},  // C1
        {R"({"name": "SNS-{N}"})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "name"},
        {R"({"name": "{n}{n}"})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "name"},
        {R"({"slots": [{"slot": 1, "name": "NEWNAME"}]})", ConfMessageId::MSG_PROFILE_MISSING_FIELD,
         "slots[0].address"},
        {R"({"name": "A", "name": "B"})", ConfMessageId::MSG_PROFILE_DUPLICATE_FIELD, "name"},
        {R"({"slots": [{"slot": 1, "slot": 2, "address": null}]})",
         ConfMessageId::MSG_PROFILE_DUPLICATE_FIELD, "slot"},
        {R"({"slots": [{"slot": 3, "address": "C0FFEE000001", "name": "A,B"}]})",
         ConfMessageId::MSG_PROFILE_BAD_VALUE, "slots[0].name"},
        {R"({"slots": [{"slot": 3, "address": "C0FFEE000001", "name": "A\u0000"}]})",
         ConfMessageId::MSG_PROFILE_BAD_VALUE, "slots[0].name"},
        {R"({"masterAddress": "C0FFEE00001"})", ConfMessageId::MSG_PROFILE_BAD_VALUE,
         "masterAddress"},
        {R"({"format": 2})", ConfMessageId::MSG_PROFILE_BAD_VALUE, "format"},
        {R"({"slots": {"slot": 1}})", ConfMessageId::MSG_PROFILE_WRONG_TYPE, "slots"},
        {R"({"slots": [{"slot": 9, "address": null}]})", ConfMessageId::MSG_PROFILE_BAD_VALUE,
         "slots[0].slot"},
        {R"({"slots": [{"slot": 1, "address": "C0FFEE000001", "nick": "x"}]})",
         ConfMessageId::MSG_PROFILE_UNKNOWN_FIELD, "slots[0].nick"},
        {R"({"slots": [{"slot": 1, "address": "C0FFEE00000G"}]})",
         ConfMessageId::MSG_PROFILE_BAD_VALUE, "slots[0].address"},
        {R"({"slots": [{"slot": 1, "address": "C0FFEE000001", "name": "NINEBYTES"}]})",
         ConfMessageId::MSG_PROFILE_BAD_VALUE, "slots[0].name"},
        {R"({"slots": [{"slot": 2, "address": null}, {"slot": 2, "address": null}]})",
         ConfMessageId::MSG_PROFILE_BAD_VALUE, "slots[1].slot"},
        {R"({"slots": [{"slot": 1, "address": "c0ffee000001"}, {"slot": 2, "address": "C0FFEE000001"}]})",
         ConfMessageId::MSG_PROFILE_BAD_VALUE, "slots"},
        {R"({"role": "slave", "slots": [{"slot": 1, "address": "C0FFEE000001"}]})",
         ConfMessageId::MSG_PROFILE_SLOTS_NEED_MULTI, "slots"},
        {R"([1, 2])", ConfMessageId::MSG_PROFILE_WRONG_TYPE, "(top level)"},
        {R"({"name": "A",})", ConfMessageId::MSG_PROFILE_NOT_JSON, ""},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.json);
        const auto parsed = ParseProfile(c.json);
        ASSERT_TRUE(std::holds_alternative<ProfileError>(parsed));
        EXPECT_EQ(std::get<ProfileError>(parsed).text, c.text);
        EXPECT_EQ(std::get<ProfileError>(parsed).field, c.field);
    }
}

TEST(ProfileTest, writtenFile_readsBackAsTheSameProfile) {
    Profile profile;
    profile.model = "GaX-sKW523";
    profile.baud = 115200;
    profile.flowControl = true;
    profile.role = 2;
    profile.autoConnect = false;
    profile.masterAddress = "";
    profile.name = "심박{n:02}";
    profile.numbers[ProfileField::AdvInterval] = 2560;
    profile.slots[1] = {"C0FFEE000001", "Q1"};
    profile.slots[8] = {};
    const auto parsed = ParseProfile(ProfileText(profile));
    ASSERT_TRUE(std::holds_alternative<Profile>(parsed));
    EXPECT_EQ(std::get<Profile>(parsed), profile);

    const auto empty = ParseProfile("{}");
    ASSERT_TRUE(std::holds_alternative<Profile>(empty));
    EXPECT_EQ(std::get<Profile>(empty), Profile{});
}

TEST(ProfileTest, nameCounter_isFilledIn_andTheResultMustFit) {
    const struct {
        std::string pattern;
        unsigned counter;
        std::optional<std::string> name;
    } cases[] = {
        {"SNS-{n:03}", 7, "SNS-007"},
        {"SNS-{n:03}", 1234, "SNS-1234"},
        {"S{n}", 42, "S42"},
        {"S{n:3}", 5, "S005"},
        {"PLAIN", 9, "PLAIN"},
        {"A{{B}}{n}", 1, "A{B}1"},  // doubled braces are the name's own
        {"A}B", 1, "A}B"},
        {"SENSOR-{n:03}", 1, std::nullopt},  // 10 bytes
        // A misspelt or second placeholder is never sent as it stands.
        {"SNS-{N}", 1, std::nullopt},
        {"S{n:003}", 1, std::nullopt},
        {"S{n:-3}", 1, std::nullopt},
        {"S{n:}", 1, std::nullopt},
        {"{n}{n}", 1, std::nullopt},
        {"{x}{n}", 1, std::nullopt},
        {"SNS{n:3", 1, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(NameFor(c.pattern, c.counter), c.name);
        EXPECT_EQ(IsValidNamePattern(c.pattern),
                  c.name.has_value() || c.pattern == "SENSOR-{n:03}");
    }
}

TEST(ProfileTest, moduleNameWithBraces_isWrittenSoThatItReadsBackAsItself) {
    ModuleValues values;
    values.name = "A{n}B}";
    const Profile profile = ProfileOf(values, "GaX-sKW521", 1, 9600);
    const auto parsed = ParseProfile(ProfileText(profile));
    ASSERT_TRUE(std::holds_alternative<Profile>(parsed));
    const Profile& read = std::get<Profile>(parsed);
    ASSERT_TRUE(read.name.has_value());
    EXPECT_FALSE(HasNameCounter(*read.name));
    EXPECT_EQ(NameFor(*read.name, 7), "A{n}B}");
}

// What the window checks before the dialog: each change meets the model's rules in the role the
// module has when it is applied, and the slots the file sets with those it keeps pass the
// page's slot rules.
TEST(ProfileTest, refusal_followsTheRoleTheFileSets_andTheSlotsTheModuleKeeps) {
    ModuleValues slave;
    slave.role = 0;
    slave.name = "sKW523";
    slave.numbers[ProfileField::AdvInterval] = 100;
    slave.autoCon = false;
    slave.masterAddress = "";
    slave.slots.emplace();
    (*slave.slots)[0] = {"C0FFEE000001", "Q1"};
    const struct {
        const char* model;
        const char* json;
        std::optional<ConfMessageId> text;
        std::string field;
    } cases[] = {
        {"GaX-sKW523", R"({"role": "multi-at", "slots": [{"slot": 2, "address": "C0FFEE000002"}]})",
         std::nullopt, ""},
        {"GaX-sKW523", R"({"role": "multi-at", "name": "B1"})",
         ConfMessageId::MSG_PROFILE_NOT_OFFERED, "name"},
        {"GaX-sKW523", R"({"slots": [{"slot": 2, "address": "C0FFEE000002"}]})",
         ConfMessageId::MSG_PROFILE_NOT_OFFERED, "slots[2]"},
        {"GaX-sKW521", R"({"role": "master"})", ConfMessageId::MSG_PROFILE_NOT_OFFERED, "role"},
        {"GaX-sKW523", R"({"role": "multi-at", "slots": [{"slot": 3, "address": "C0FFEE000001"}]})",
         ConfMessageId::MSG_PROFILE_BAD_VALUE, "slots[3]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const auto parsed = ParseProfile(c.json);
        ASSERT_TRUE(std::holds_alternative<Profile>(parsed));
        const Profile& profile = std::get<Profile>(parsed);
        const auto changes = ProfileChanges(profile, profile.name.value_or(""), slave, 9600);
        const auto refusal = RefusalOf(changes, profile, slave, c.model, 1);
        ASSERT_EQ(refusal.has_value(), c.text.has_value());
        if (refusal) {
            EXPECT_EQ(refusal->text, *c.text);
            EXPECT_EQ(refusal->field, c.field);
        }
    }
}

}  // namespace
