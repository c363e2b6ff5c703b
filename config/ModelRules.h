#pragma once

#include "ConfJob.h"

#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <string_view>

// Model names are compared byte for byte, case-sensitive, whole string.
inline constexpr std::string_view kModel523 = "GaX-sKW523";
inline constexpr std::string_view kModelDtq50 = "GaX-DTQ50";
inline constexpr std::string_view kModel521M = "GaX-sKW521M";
inline constexpr std::string_view kModel521 = "GaX-sKW521";

// The eleven control groups of the configuration page, in the order the page builds them.
enum ControlGroup : std::uint8_t {
    GRP_ALL_INPUTS,
    GRP_ALL_BUTTONS,
    GRP_SCAN_INPUTS,
    GRP_SCAN_BUTTONS,
    GRP_ROLE_BUTTONS,
    GRP_SLAVE_INPUTS,
    GRP_SLAVE_BUTTONS,
    GRP_MASTER_INPUTS,
    GRP_MASTER_BUTTONS,
    GRP_SLOT_INPUTS,
    GRP_SLOT_BUTTONS,
    GRP_COUNT
};

using ControlGroupSet = std::bitset<GRP_COUNT>;
ControlGroupSet MakeGroupSet(std::initializer_list<ControlGroup> groups);

// What a model can be: every role, or one role only.
enum class ModelRoles : std::uint8_t { Any, CentralOnly, PeripheralOnly };

// One supported model's capabilities. Everything the program decides by model derives from
// this table (ModelRules.cpp); adding a model is adding a row.
struct ModelCapabilities {
    std::string_view name;
    ModelRoles roles;
    ConfJob readJob;  // the read job that follows a successful identification
    bool canScan;     // a module of it may be found scanning, and is stopped before use
    // The page's groups kept disabled whatever the role (Any: these depend on the role byte,
    // see GroupsKeptDisabled).
    ControlGroupSet keptDisabled;
};

// The row of `model`; nothing for an unsupported model.
const ModelCapabilities* CapabilitiesOf(std::string_view model);

bool IsSupportedModel(std::string_view model);
bool IsFullRoleModel(std::string_view model);  // takes any role
bool IsModel521M(std::string_view model);      // central only
bool IsModel521(std::string_view model);       // peripheral only

// The read job that follows a successful identification of a supported model.
ConfJob ReadJobOf(std::string_view model);

// Whether a module of `model` can be scanning when it is reached; such a module is stopped
// before anything else.
bool CanScan(std::string_view model);

// After every control was enabled, the groups that are disabled again for this model and, on
// the full-role models, the role byte last read from the module (1 peripheral, 2 central,
// 3 multi-connection). Unsupported models and unknown role bytes leave everything enabled.
ControlGroupSet GroupsKeptDisabled(std::string_view model, std::uint8_t role);

// The page's role radio index for a full-role module's role and bypass bytes: 0 peripheral,
// 1 central, 2 multi-connection in AT command mode, 3 multi-connection bypass; -1 for a role
// byte it does not know.
int RoleIndexOf(std::uint8_t role, std::uint8_t bypass);

// The role byte a full-role module reports after the role radio `index` was applied.
std::uint8_t RoleByteOf(int index);
