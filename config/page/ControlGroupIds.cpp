#include "ControlGroupIds.h"

#include "ConfControlIds.h"

#include <array>

namespace {

constexpr std::array<int, 26> kAllInputs = {
    kIdDeviceName,    kIdNameFilter,    kIdNameFilterCheck, kIdRssiFilterCheck, SlotAddressId(1),
    SlotAddressId(2), SlotAddressId(3), SlotAddressId(4),   SlotAddressId(5),   SlotAddressId(6),
    SlotAddressId(7), SlotAddressId(8), SlotNameId(1),      SlotNameId(2),      SlotNameId(3),
    SlotNameId(4),    SlotNameId(5),    SlotNameId(6),      SlotNameId(7),      SlotNameId(8),
    kIdScanList,      kIdMasterAddress, kIdAdvInterval,     kIdUartBaud,        kIdUartFlow,
    kIdRssiFilter};
constexpr std::array<int, 35> kAllButtons = {
    kIdUpdate,          kIdReboot,      kIdFactoryReset, kIdScan,        kIdSave,
    SlotClearId(1),     SlotClearId(2), SlotClearId(3),  SlotClearId(4), SlotClearId(5),
    SlotClearId(6),     SlotClearId(7), SlotClearId(8),  kIdChangeName,  SlotCopyId(1),
    SlotCopyId(2),      SlotCopyId(3),  SlotCopyId(4),   SlotCopyId(5),  SlotCopyId(6),
    SlotCopyId(7),      SlotCopyId(8),  kIdRoleSlave,    kIdRoleMaster,  kIdRoleMultiAt,
    kIdRoleMultiBypass, kIdAutoConOn,   kIdAutoConOff,   kIdRoleApply,   kIdAutoConApply,
    kIdMasterCopy,      kIdAdvApply,    kIdMasterDelete, kIdUartApply,   kIdMasterRegister};
constexpr std::array<int, 5> kScanInputs = {kIdNameFilter, kIdNameFilterCheck, kIdRssiFilterCheck,
                                            kIdScanList, kIdRssiFilter};
constexpr std::array<int, 4> kScanButtons = {kIdScan, kIdAutoConApply, kIdAutoConOn, kIdAutoConOff};
constexpr std::array<int, 5> kRoleButtons = {kIdRoleSlave, kIdRoleMaster, kIdRoleMultiAt,
                                             kIdRoleMultiBypass, kIdRoleApply};
constexpr std::array<int, 2> kSlaveInputs = {kIdDeviceName, kIdAdvInterval};
constexpr std::array<int, 2> kSlaveButtons = {kIdChangeName, kIdAdvApply};
constexpr std::array<int, 1> kMasterInputs = {kIdMasterAddress};
constexpr std::array<int, 3> kMasterButtons = {kIdMasterCopy, kIdMasterRegister, kIdMasterDelete};
constexpr std::array<int, 16> kSlotInputs = {
    SlotAddressId(1), SlotAddressId(2), SlotAddressId(3), SlotAddressId(4),
    SlotAddressId(5), SlotAddressId(6), SlotAddressId(7), SlotAddressId(8),
    SlotNameId(1),    SlotNameId(2),    SlotNameId(3),    SlotNameId(4),
    SlotNameId(5),    SlotNameId(6),    SlotNameId(7),    SlotNameId(8)};
constexpr std::array<int, 17> kSlotButtons = {
    kIdSave,        SlotClearId(1), SlotClearId(2), SlotClearId(3), SlotClearId(4), SlotClearId(5),
    SlotClearId(6), SlotClearId(7), SlotClearId(8), SlotCopyId(1),  SlotCopyId(2),  SlotCopyId(3),
    SlotCopyId(4),  SlotCopyId(5),  SlotCopyId(6),  SlotCopyId(7),  SlotCopyId(8)};

constexpr std::array<std::span<const int>, GRP_COUNT> kGroupIds = {
    kAllInputs,    kAllButtons,   kScanInputs,    kScanButtons, kRoleButtons, kSlaveInputs,
    kSlaveButtons, kMasterInputs, kMasterButtons, kSlotInputs,  kSlotButtons};

}  // namespace

std::span<const int> ControlIdsOf(ControlGroup group) {
    return group < GRP_COUNT ? kGroupIds[group] : std::span<const int>{};
}
