#include "SettingTable.h"

#include <algorithm>

namespace {

InputRefusal Refusal(ConfJob job, ConfMessageId message) {
    return InputRefusal{message, SettingRowOf(job)->refusalIcon};
}

CheckedInputs DeviceNameInputs(std::string_view text) {
    JobInputs inputs;
    inputs.deviceName = std::string(text);
    if (InputRules::HasControlCharacter(inputs.deviceName)) {
        return Refusal(JOB_SET_NAME, ConfMessageId::MSG_TEXT_NOT_ALLOWED);
    }
    if (inputs.deviceName.find(',') != std::string::npos) {
        return Refusal(JOB_SET_NAME, ConfMessageId::MSG_NAME_NOT_ALLOWED);
    }
    if (!InputRules::FitsNameBytes(inputs.deviceName)) {
        return Refusal(JOB_SET_NAME, ConfMessageId::MSG_NAME_TOO_LONG);
    }
    return inputs;
}

CheckedInputs AdvIntervalInputs(std::string_view text) {
    const std::optional<std::uint32_t> interval = InputRules::ParseAdvInterval(text);
    if (!interval) {
        return Refusal(JOB_SET_ADV_INTERVAL, ConfMessageId::MSG_BAD_ADV_INTERVAL);
    }
    JobInputs inputs;
    inputs.advInterval = *interval;
    return inputs;
}

CheckedInputs MasterInputs(std::string_view text) {
    const std::optional<BdAddr> address = InputRules::ParseAddress(text);
    if (!address) {
        return Refusal(JOB_SET_MASTER, ConfMessageId::MSG_BAD_ADDRESS);
    }
    JobInputs inputs;
    inputs.masterAddr = *address;
    return inputs;
}

}  // namespace

const SettingRow* SettingRowOf(std::int32_t job) {
    const auto found = std::find_if(kSettingRows.begin(), kSettingRows.end(),
                                    [job](const SettingRow& row) { return row.job == job; });
    return found != kSettingRows.end() ? &*found : nullptr;
}

CheckedInputs TypedInputs(ConfJob job, std::string_view text) {
    const SettingRow* row = SettingRowOf(job);
    switch (row != nullptr ? row->rule : InputRule::None) {
        case InputRule::DeviceName:
            return DeviceNameInputs(text);
        case InputRule::AdvInterval:
            return AdvIntervalInputs(text);
        case InputRule::Address:
            return MasterInputs(text);
        case InputRule::None:
        case InputRule::Slots:
            break;
    }
    return JobInputs{};
}

CheckedInputs SlotInputs(const InputRules::SlotTexts& addresses,
                         const InputRules::SlotTexts& names) {
    auto built = InputRules::BuildWriteSlots(addresses, names);
    if (const auto* error = std::get_if<InputRules::SaveError>(&built)) {
        return RefusalOf(*error);
    }
    JobInputs inputs;
    inputs.writeSlots = std::get<SlotArray>(built);
    return inputs;
}

InputRefusal RefusalOf(const InputRules::SaveError& error) {
    const MessageIcon icon = SettingRowOf(JOB_WRITE_SLOTS)->refusalIcon;
    switch (error.kind) {
        case InputRules::SaveError::Duplicate:
            return {ConfMessageId::MSG_DUPLICATE_SLOTS, icon, error.slot};
        case InputRules::SaveError::BadAddress:
            return {ConfMessageId::MSG_SLOT_BAD_ADDRESS, icon, error.slot};
        case InputRules::SaveError::NameNotAllowed:
            return {ConfMessageId::MSG_SLOT_NAME_NOT_ALLOWED, icon, error.slot};
        case InputRules::SaveError::NameTooLong:
            break;
    }
    return {ConfMessageId::MSG_SLOT_NAME_TOO_LONG, icon, error.slot};
}
