#include "ModelRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ModelCase {
    std::string model;
    bool supported, fullRole, is521M, is521;
};

TEST(ModelRulesTest, modelTestsCompareWholeNamesCaseSensitively) {
    const ModelCase cases[] = {
        {"GaX-sKW523", true, true, false, false},    {"GaX-DTQ50", true, true, false, false},
        {"GaX-sKW521M", true, false, true, false},   {"GaX-sKW521", true, false, false, true},
        {"GaX-sKW521X", false, false, false, false}, {"GaX-sKW52", false, false, false, false},
        {"gax-skw523", false, false, false, false},  {"GAX-SKW521M", false, false, false, false},
        {"GaX-sKW523 ", false, false, false, false}, {"", false, false, false, false},
        {"ERROR", false, false, false, false},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(c.model);
        EXPECT_EQ(IsSupportedModel(c.model), c.supported);
        EXPECT_EQ(IsFullRoleModel(c.model), c.fullRole);
        EXPECT_EQ(IsModel521M(c.model), c.is521M);
        EXPECT_EQ(IsModel521(c.model), c.is521);
    }
}

TEST(ModelRulesTest, eachModelHasItsReadJob_andOnlyThePeripheralOnlyModelCannotScan) {
    const struct {
        const char* model;
        ConfJob read;
        bool canScan;
    } cases[] = {
        {"GaX-sKW523", JOB_READ_FULL, true},
        {"GaX-DTQ50", JOB_READ_FULL, true},
        {"GaX-sKW521M", JOB_READ_MASTER, true},
        {"GaX-sKW521", JOB_READ_SLAVE, false},
        {"GaX-sKW521X", JOB_READ_SLAVE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        EXPECT_EQ(ReadJobOf(c.model), c.read);
        EXPECT_EQ(CanScan(c.model), c.canScan);
    }
}

struct EnableCase {
    std::string model;
    std::uint8_t role;
    ControlGroupSet kept;
};

TEST(ModelRulesTest, groupsKeptDisabledFollowModelAndRoleByte) {
    const ControlGroupSet none;
    const ControlGroupSet peripheral =
        MakeGroupSet({GRP_SCAN_INPUTS, GRP_SCAN_BUTTONS, GRP_MASTER_INPUTS, GRP_MASTER_BUTTONS,
                      GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS});
    const ControlGroupSet central =
        MakeGroupSet({GRP_SLAVE_INPUTS, GRP_SLAVE_BUTTONS, GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS});
    const ControlGroupSet multi =
        MakeGroupSet({GRP_SLAVE_INPUTS, GRP_SLAVE_BUTTONS, GRP_MASTER_INPUTS, GRP_MASTER_BUTTONS});
    const ControlGroupSet only521M = MakeGroupSet(
        {GRP_ROLE_BUTTONS, GRP_SLAVE_INPUTS, GRP_SLAVE_BUTTONS, GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS});
    const ControlGroupSet only521 =
        MakeGroupSet({GRP_ROLE_BUTTONS, GRP_MASTER_INPUTS, GRP_MASTER_BUTTONS, GRP_SCAN_INPUTS,
                      GRP_SCAN_BUTTONS, GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS});
    const EnableCase cases[] = {
        {"GaX-sKW523", 1, peripheral}, {"GaX-sKW523", 2, central},
        {"GaX-sKW523", 3, multi},      {"GaX-sKW523", 0, none},
        {"GaX-sKW523", 4, none},       {"GaX-sKW523", 255, none},
        {"GaX-DTQ50", 1, peripheral},  {"GaX-DTQ50", 2, central},
        {"GaX-DTQ50", 3, multi},       {"GaX-sKW521M", 1, only521M},
        {"GaX-sKW521M", 3, only521M},  {"GaX-sKW521M", 0, only521M},
        {"GaX-sKW521", 2, only521},    {"GaX-sKW521", 0, only521},
        {"GaX-sKW521X", 1, none},      {"", 2, none},
        {"gax-skw523", 1, none},
    };
    for (const EnableCase& c : cases) {
        SCOPED_TRACE(c.model + " role " + std::to_string(c.role));
        EXPECT_EQ(GroupsKeptDisabled(c.model, c.role), c.kept);
    }
}

TEST(ModelRulesTest, roleIndexFollowsRoleAndBypassBytes) {
    const struct {
        std::uint8_t role, bypass;
        int index;
    } cases[] = {{1, 0, 0}, {1, 1, 0}, {2, 0, 1},  {2, 1, 1},  {3, 0, 2},
                 {3, 1, 3}, {3, 7, 3}, {0, 0, -1}, {4, 1, -1}, {255, 0, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoleIndexOf(c.role, c.bypass), c.index)
            << "role " << int{c.role} << " bypass " << int{c.bypass};
    }
}

}  // namespace
