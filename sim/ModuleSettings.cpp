#include "ModuleSettings.h"

#include <algorithm>

namespace {

struct ModelDefaults {
    const char* model;
    const char* address;
    const char* firmware;
    const char* deviceName;
    ModuleRole role;
};

constexpr ModelDefaults kModelDefaults[] = {
    {"GaX-sKW523", "00A0C8523001", "v2.1.4", "sKW523", ModuleRole::Peripheral},
    {"GaX-DTQ50", "00A0C8050001", "v1.0.9", "DTQ50", ModuleRole::Peripheral},
    {"GaX-sKW521M", "00A0C852100D", "v1.6.2", "sKW521M", ModuleRole::Central},
    {"GaX-sKW521", "00A0C8521005", "v1.6.2", "sKW521", ModuleRole::Peripheral},
};

}  // namespace

ModuleSettings FactorySettings(const std::string& model) {
    ModuleSettings settings;
    settings.model = model;
    settings.address = "00A0C8000000";
    settings.firmware = "v1.0.0";
    settings.deviceName = "SIM";
    for (const ModelDefaults& defaults : kModelDefaults) {
        if (model == defaults.model) {
            settings.address = defaults.address;
            settings.firmware = defaults.firmware;
            settings.deviceName = defaults.deviceName;
            settings.role = defaults.role;
        }
    }
    return settings;
}

bool IsModuleUartSpeed(std::uint32_t speed) {
    return std::find(kModuleUartSpeeds.begin(), kModuleUartSpeeds.end(), speed) !=
           kModuleUartSpeeds.end();
}
