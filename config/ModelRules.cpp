#include "ModelRules.h"

#include <array>

bool IsSupportedModel(std::string_view model) {
    return IsFullRoleModel(model) || IsModel521M(model) || IsModel521(model);
}

bool IsFullRoleModel(std::string_view model) {
    return model == kModel523 || model == kModelDtq50;
}

bool IsModel521M(std::string_view model) {
    return model == kModel521M;
}

bool IsModel521(std::string_view model) {
    return model == kModel521;
}

ConfJob ReadJobOf(std::string_view model) {
    if (IsFullRoleModel(model)) {
        return JOB_READ_FULL;
    }
    return IsModel521M(model) ? JOB_READ_MASTER : JOB_READ_SLAVE;
}

ControlGroupSet MakeGroupSet(std::initializer_list<ControlGroup> groups) {
    ControlGroupSet set;
    for (ControlGroup group : groups) {
        set.set(group);
    }
    return set;
}

namespace {

constexpr std::array<int, 26> kAllInputs = {1014, 1025, 1024, 1027, 1061, 1062, 1063, 1064, 1065,
                                            1066, 1067, 1068, 1043, 1044, 1045, 1046, 1047, 1048,
                                            1049, 1050, 1007, 1071, 1069, 1001, 1002, 1028};
constexpr std::array<int, 35> kAllButtons = {1009, 1010, 1013, 1026, 1033, 1034, 1035, 1036, 1037,
                                             1038, 1039, 1040, 1041, 1015, 1053, 1054, 1055, 1056,
                                             1057, 1058, 1059, 1060, 1003, 1004, 1005, 1006, 1012,
                                             1011, 1022, 1021, 1070, 1032, 1042, 1023, 1072};
constexpr std::array<int, 5> kScanInputs = {1025, 1024, 1027, 1007, 1028};
constexpr std::array<int, 4> kScanButtons = {1026, 1021, 1012, 1011};
constexpr std::array<int, 5> kRoleButtons = {1003, 1004, 1005, 1006, 1022};
constexpr std::array<int, 2> kSlaveInputs = {1014, 1069};
constexpr std::array<int, 2> kSlaveButtons = {1015, 1032};
constexpr std::array<int, 1> kMasterInputs = {1071};
constexpr std::array<int, 3> kMasterButtons = {1070, 1072, 1042};
constexpr std::array<int, 16> kSlotInputs = {1061, 1062, 1063, 1064, 1065, 1066, 1067, 1068,
                                             1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050};
constexpr std::array<int, 17> kSlotButtons = {1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041,
                                              1053, 1054, 1055, 1056, 1057, 1058, 1059, 1060};

constexpr std::array<std::span<const int>, GRP_COUNT> kGroupIds = {
    kAllInputs,    kAllButtons,   kScanInputs,    kScanButtons, kRoleButtons, kSlaveInputs,
    kSlaveButtons, kMasterInputs, kMasterButtons, kSlotInputs,  kSlotButtons};

ControlGroupSet FullRoleGroups(std::uint8_t role) {
    switch (role) {
        case 1:
            return MakeGroupSet({GRP_SCAN_INPUTS, GRP_SCAN_BUTTONS, GRP_MASTER_INPUTS,
                                 GRP_MASTER_BUTTONS, GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS});
        case 2:
            return MakeGroupSet(
                {GRP_SLAVE_INPUTS, GRP_SLAVE_BUTTONS, GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS});
        case 3:
            return MakeGroupSet(
                {GRP_SLAVE_INPUTS, GRP_SLAVE_BUTTONS, GRP_MASTER_INPUTS, GRP_MASTER_BUTTONS});
        default:
            return {};
    }
}

}  // namespace

std::span<const int> ControlIdsOf(ControlGroup group) {
    return group < GRP_COUNT ? kGroupIds[group] : std::span<const int>{};
}

ControlGroupSet GroupsKeptDisabled(std::string_view model, std::uint8_t role) {
    if (IsFullRoleModel(model)) {
        return FullRoleGroups(role);
    }
    if (IsModel521M(model)) {
        return MakeGroupSet({GRP_ROLE_BUTTONS, GRP_SLAVE_INPUTS, GRP_SLAVE_BUTTONS, GRP_SLOT_INPUTS,
                             GRP_SLOT_BUTTONS});
    }
    if (IsModel521(model)) {
        return MakeGroupSet({GRP_ROLE_BUTTONS, GRP_MASTER_INPUTS, GRP_MASTER_BUTTONS,
                             GRP_SCAN_INPUTS, GRP_SCAN_BUTTONS, GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS});
    }
    return {};
}

int RoleIndexOf(std::uint8_t role, std::uint8_t bypass) {
    switch (role) {
        case 1:
            return 0;
        case 2:
            return 1;
        case 3:
            return bypass != 0 ? 3 : 2;
        default:
            return -1;
    }
}
