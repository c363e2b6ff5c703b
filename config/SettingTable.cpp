#include "SettingTable.h"

#include <algorithm>

namespace {

InputRefusal Refusal(const SettingRow& row, ConfMessageId message) {
    return InputRefusal{message, row.refusalIcon};
}

CheckedInputs NameInputs(const SettingRow& row, std::string_view text) {
    JobInputs inputs;
    inputs.deviceName = std::string(text);
    if (InputRules::HasControlCharacter(inputs.deviceName)) {
        return Refusal(row, ConfMessageId::MSG_TEXT_NOT_ALLOWED);
    }
    if (inputs.deviceName.find(',') != std::string::npos) {
        return Refusal(row, ConfMessageId::MSG_NAME_NOT_ALLOWED);
    }
    if (!InputRules::FitsNameBytes(inputs.deviceName)) {
        return Refusal(row, ConfMessageId::MSG_NAME_TOO_LONG);
    }
    return inputs;
}

CheckedInputs NumberInputs(const SettingRow& row, std::string_view text) {
    const std::optional<std::uint32_t> number =
        InputRules::ParseNumberIn(text, row.range.low, row.range.high);
    if (!number) {
        return Refusal(row, row.outOfRange);
    }
    JobInputs inputs;
    inputs.number = *number;
    return inputs;
}

CheckedInputs AddressInputs(const SettingRow& row, std::string_view text) {
    const std::optional<BdAddr> address = InputRules::ParseAddress(text);
    if (!address) {
        return Refusal(row, ConfMessageId::MSG_BAD_ADDRESS);
    }
    JobInputs inputs;
    inputs.masterAddr = *address;
    return inputs;
}

bool OwnsItsField(const SettingRow& row) {
    return &FieldRowOf(row.field) == &row;
}

}  // namespace

const SettingRow* SettingRowOf(std::int32_t job) {
    const auto found = std::find_if(kSettingRows.begin(), kSettingRows.end(),
                                    [job](const SettingRow& row) { return row.job == job; });
    return found != kSettingRows.end() ? &*found : nullptr;
}

const SettingRow& FieldRowOf(ProfileField field) {
    return *std::find_if(kSettingRows.begin(), kSettingRows.end(),
                         [field](const SettingRow& row) { return row.field == field; });
}

std::vector<const SettingRow*> FieldRows() {
    std::vector<const SettingRow*> rows;
    for (const SettingRow& row : kSettingRows) {
        if (OwnsItsField(row)) {
            rows.push_back(&row);
        }
    }
    return rows;
}

std::vector<const SettingRow*> RowsInApplyOrder() {
    std::vector<const SettingRow*> rows = FieldRows();
    std::stable_sort(rows.begin(), rows.end(), [](const SettingRow* a, const SettingRow* b) {
        return a->applyOrder < b->applyOrder;
    });
    return rows;
}

std::vector<const SettingRow*> RowsOfKind(ValueKind kind) {
    std::vector<const SettingRow*> rows = FieldRows();
    std::erase_if(rows, [kind](const SettingRow* row) { return row->kind != kind; });
    return rows;
}

CheckedInputs TypedInputs(ConfJob job, std::string_view text) {
    const SettingRow* row = SettingRowOf(job);
    if (row == nullptr) {
        return JobInputs{};
    }
    switch (row->kind) {
        case ValueKind::Name:
            return NameInputs(*row, text);
        case ValueKind::Number:
            return NumberInputs(*row, text);
        case ValueKind::Address:
            return job == JOB_DELETE_MASTER ? CheckedInputs{JobInputs{}}
                                            : AddressInputs(*row, text);
        case ValueKind::Role:
        case ValueKind::OnOff:
        case ValueKind::Slots:
        case ValueKind::Uart:
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
