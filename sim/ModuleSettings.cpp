#include "ModuleSettings.h"

#include <algorithm>

namespace {

// Every model the virtual module can be: what it is built with and what it answers.
struct ModelRow {
    const char* model;
    const char* address;
    const char* firmware;
    const char* deviceName;
    ModuleRole role;
    unsigned capabilities;
};

constexpr unsigned kEveryCommand =
    kBasic | kCore | kScan | kAutoConnect | kPeripheral | kRoles | kSlots;

constexpr ModelRow kModelRows[] = {
    {"GaX-sKW523", "00A0C8523001", "v2.1.4", "sKW523", ModuleRole::Peripheral, kEveryCommand},
    {"GaX-DTQ50", "00A0C8050001", "v1.0.9", "DTQ50", ModuleRole::Peripheral, kEveryCommand},
    {"GaX-sKW521M", "00A0C852100D", "v1.6.2", "sKW521M", ModuleRole::Central,
     kBasic | kCore | kScan | kAutoConnect},
    {"GaX-sKW521", "00A0C8521005", "v1.6.2", "sKW521", ModuleRole::Peripheral,
     kBasic | kCore | kPeripheral},
};

const ModelRow* RowOf(const std::string& model) {
    for (const ModelRow& row : kModelRows) {
        if (model == row.model) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

unsigned CapabilitiesOf(const std::string& model) {
    const ModelRow* row = RowOf(model);
    return row ? row->capabilities : kBasic;  // an unknown model only says what it is
}

ModuleSettings FactorySettings(const std::string& model) {
    ModuleSettings settings;
    settings.model = model;
    settings.address = "00A0C8000000";
    settings.firmware = "v1.0.0";
    settings.deviceName = "SIM";
    if (const ModelRow* row = RowOf(model)) {
        settings.address = row->address;
        settings.firmware = row->firmware;
        settings.deviceName = row->deviceName;
        settings.role = row->role;
    }
    return settings;
}

bool IsModuleUartSpeed(std::uint32_t speed) {
    return std::find(kModuleUartSpeeds.begin(), kModuleUartSpeeds.end(), speed) !=
           kModuleUartSpeeds.end();
}
