#include "Profile.h"

#include <gtest/gtest.h>

namespace {

struct RefusedCase {
    std::string json;
    TextId text;
    std::string field;
};

// Every refusal names the field, so a production engineer finds it in a long file.
TEST(ProfileTest, badFiles_areRefused_namingTheField) {
    const RefusedCase cases[] = {
        {R"({"name": "A", "colour": "red"})", TextId::ProfileUnknownField, "colour"},
        {R"({"advInterval": "100"})", TextId::ProfileWrongType, "advInterval"},
        {R"({"advInterval": 100.5})", TextId::ProfileWrongType, "advInterval"},
        {R"({"advInterval": 19})", TextId::ProfileBadValue, "advInterval"},
        {R"({"advInterval": 18446744073709551615})", TextId::ProfileBadValue, "advInterval"},
        {R"({"flowControl": 1})", TextId::ProfileWrongType, "flowControl"},
        {R"({"baud": 12345})", TextId::ProfileBadValue, "baud"},
        {R"({"role": "central"})", TextId::ProfileBadValue, "role"},
        {R"({"name": "A\rAT&F"})", TextId::ProfileBadValue, "name"},
        {R"({"slots": [{"slot": 3, "address": "C0FFEE000001", "name": "A,B"}]})",
         TextId::ProfileBadValue, "slots[0].name"},
        {R"({"slots": [{"slot": 3, "address": "C0FFEE000001", "name": "A\u0000"}]})",
         TextId::ProfileBadValue, "slots[0].name"},
        {R"({"masterAddress": "C0FFEE00001"})", TextId::ProfileBadValue, "masterAddress"},
        {R"({"format": 2})", TextId::ProfileBadValue, "format"},
        {R"({"slots": {"slot": 1}})", TextId::ProfileWrongType, "slots"},
        {R"({"slots": [{"slot": 9, "address": null}]})", TextId::ProfileBadValue, "slots[0].slot"},
        {R"({"slots": [{"slot": 1, "address": "C0FFEE000001", "nick": "x"}]})",
         TextId::ProfileUnknownField, "slots[0].nick"},
        {R"({"slots": [{"slot": 1, "address": "C0FFEE00000G"}]})", TextId::ProfileBadValue,
         "slots[0].address"},
        {R"({"slots": [{"slot": 1, "address": "C0FFEE000001", "name": "NINEBYTES"}]})",
         TextId::ProfileBadValue, "slots[0].name"},
        {R"({"slots": [{"slot": 2, "address": null}, {"slot": 2, "address": null}]})",
         TextId::ProfileBadValue, "slots[1].slot"},
        {R"({"slots": [{"slot": 1, "address": "c0ffee000001"}, {"slot": 2, "address": "C0FFEE000001"}]})",
         TextId::ProfileBadValue, "slots"},
        {R"({"role": "slave", "slots": [{"slot": 1, "address": "C0FFEE000001"}]})",
         TextId::ProfileSlotsNeedMulti, "slots"},
        {R"([1, 2])", TextId::ProfileWrongType, "(top level)"},
        {R"({"name": "A",})", TextId::ProfileNotJson, ""},
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
    profile.advInterval = 2560;
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
        {"{x}{n}", 1, "{x}1"},
        {"PLAIN", 9, "PLAIN"},
        {"SENSOR-{n:03}", 1, std::nullopt},  // 10 bytes
        {"SNSR-{n:3", 1, std::nullopt},      // no placeholder, 9 bytes as written
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(NameFor(c.pattern, c.counter), c.name);
    }
}

}  // namespace
