#include "ModelRules.h"

#include <array>

namespace {

constexpr unsigned long long Groups(std::initializer_list<ControlGroup> groups) {
    unsigned long long mask = 0;
    for (ControlGroup group : groups) {
        mask |= 1ULL << group;
    }
    return mask;
}

constexpr std::array kModels = {
    ModelCapabilities{kModel523, ModelRoles::Any, JOB_READ_FULL, true, {}},
    ModelCapabilities{kModelDtq50, ModelRoles::Any, JOB_READ_FULL, true, {}},
    ModelCapabilities{kModel521M, ModelRoles::CentralOnly, JOB_READ_MASTER, true,
                      Groups({GRP_ROLE_BUTTONS, GRP_SLAVE_INPUTS, GRP_SLAVE_BUTTONS,
                              GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS})},
    ModelCapabilities{
        kModel521, ModelRoles::PeripheralOnly, JOB_READ_SLAVE, false,
        Groups({GRP_ROLE_BUTTONS, GRP_MASTER_INPUTS, GRP_MASTER_BUTTONS, GRP_SCAN_INPUTS,
                GRP_SCAN_BUTTONS, GRP_SLOT_INPUTS, GRP_SLOT_BUTTONS})},
};

bool HasRoles(std::string_view model, ModelRoles roles) {
    const ModelCapabilities* row = CapabilitiesOf(model);
    return row != nullptr && row->roles == roles;
}

}  // namespace

const ModelCapabilities* CapabilitiesOf(std::string_view model) {
    for (const ModelCapabilities& row : kModels) {
        if (row.name == model) {
            return &row;
        }
    }
    return nullptr;
}

bool IsSupportedModel(std::string_view model) {
    return CapabilitiesOf(model) != nullptr;
}

bool IsFullRoleModel(std::string_view model) {
    return HasRoles(model, ModelRoles::Any);
}

bool IsModel521M(std::string_view model) {
    return HasRoles(model, ModelRoles::CentralOnly);
}

bool IsModel521(std::string_view model) {
    return HasRoles(model, ModelRoles::PeripheralOnly);
}

ConfJob ReadJobOf(std::string_view model) {
    const ModelCapabilities* row = CapabilitiesOf(model);
    return row != nullptr ? row->readJob : JOB_READ_SLAVE;
}

bool CanScan(std::string_view model) {
    const ModelCapabilities* row = CapabilitiesOf(model);
    return row != nullptr && row->canScan;
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
    const ModelCapabilities* row = CapabilitiesOf(model);
    if (row == nullptr) {
        return {};
    }
    return row->roles == ModelRoles::Any ? FullRoleGroups(role) : row->keptDisabled;
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
