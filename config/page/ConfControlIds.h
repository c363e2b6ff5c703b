#pragma once

// The configuration page's controls by id (dialog template 107). The id is also the control's
// object name, so tests and assistive tools find a control by it.
enum ConfControlId : int {
    kIdModel = 1000,
    kIdUartBaud = 1001,
    kIdUartFlow = 1002,
    kIdRoleSlave = 1003,  // the four role radios, in role radio index order
    kIdRoleMaster = 1004,
    kIdRoleMultiAt = 1005,
    kIdRoleMultiBypass = 1006,
    kIdScanList = 1007,
    kIdFirmware = 1008,
    kIdUpdate = 1009,
    kIdReboot = 1010,
    kIdAutoConOff = 1011,
    kIdAutoConOn = 1012,
    kIdFactoryReset = 1013,
    kIdDeviceName = 1014,
    kIdChangeName = 1015,
    kIdSectionDevice = 1016,  // the five section frames, in page order
    kIdSectionUart = 1017,
    kIdSectionRole = 1018,
    kIdSectionSlave = 1019,
    kIdSectionMaster = 1020,
    kIdAutoConApply = 1021,
    kIdRoleApply = 1022,
    kIdUartApply = 1023,
    kIdNameFilterCheck = 1024,
    kIdNameFilter = 1025,
    kIdScan = 1026,
    kIdRssiFilterCheck = 1027,
    kIdRssiFilter = 1028,
    kIdAdvApply = 1032,
    kIdSave = 1033,
    kIdSlotClear1 = 1034,  // "X" of slots 1-8: 1034-1041
    kIdMasterDelete = 1042,
    kIdSlotName1 = 1043,  // slot names 1-8: 1043-1050
    kIdAddress = 1052,
    kIdSlotCopy1 = 1053,     // "=>" of slots 1-8: 1053-1060
    kIdSlotAddress1 = 1061,  // slot addresses 1-8: 1061-1068
    kIdAdvInterval = 1069,
    kIdMasterCopy = 1070,
    kIdMasterAddress = 1071,
    kIdMasterRegister = 1072,
};

// The ids of slot `slot`'s row (1-8).
constexpr int SlotClearId(int slot) {
    return kIdSlotClear1 + slot - 1;
}
constexpr int SlotNameId(int slot) {
    return kIdSlotName1 + slot - 1;
}
constexpr int SlotCopyId(int slot) {
    return kIdSlotCopy1 + slot - 1;
}
constexpr int SlotAddressId(int slot) {
    return kIdSlotAddress1 + slot - 1;
}
