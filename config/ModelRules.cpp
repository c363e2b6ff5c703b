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

std::uint8_t RoleByteOf(int index) {
    return static_cast<std::uint8_t>(index < 2 ? index + 1 : 3);
}
