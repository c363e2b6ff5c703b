#include "ModuleValues.h"

#include "Conversions.h"
#include "ModelRules.h"
#include "SettingTable.h"

namespace {

std::string AddressOrEmpty(const BdAddr& address) {
    return IsZeroAddr(address) ? std::string() : FormatBdAddr(address);
}

}  // namespace

ModuleValues ValuesOf(const ModuleState& dev, std::string_view model, ConfJob readJob) {
    ModuleValues v;
    v.model = Normalised(std::string(model));
    v.firmware = Normalised(dev.Firmware());
    v.address = FormatBdAddr(dev.info.addr);
    v.name = Normalised(dev.info.DeviceName());
    v.flow = dev.flow != 0;
    for (const SettingRow* row : RowsOfKind(ValueKind::Number)) {
        if (readJob == JOB_READ_FULL || readJob == row->readBy) {
            v.numbers[row->field] = dev.*row->state;
        }
    }
    if (readJob == JOB_READ_FULL || readJob == JOB_READ_MASTER) {
        v.autoCon = dev.autoCon.on != 0;
        v.masterAddress = AddressOrEmpty(dev.autoCon.addr);
    }
    if (readJob == JOB_READ_FULL) {
        v.role = RoleIndexOf(dev.role, dev.bypass);
        v.slots.emplace();
        for (std::size_t i = 0; i < kSlotCount; ++i) {
            const SlotEntry& entry = dev.slots[i];
            if (!IsZeroAddr(entry.addr)) {
                (*v.slots)[i] = {FormatBdAddr(entry.addr), Normalised(entry.Name())};
            }
        }
    } else {
        v.role = readJob == JOB_READ_MASTER ? 1 : 0;
    }
    return v;
}

std::string Normalised(const std::string& utf8) {
    return WideToUtf8(Utf8ToWide(utf8));
}
