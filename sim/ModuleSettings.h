#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

enum class ModuleRole : std::uint8_t { Peripheral = 1, Central = 2, Multi = 3 };

// Groups of commands; each model answers the groups it has and "ERROR" to the rest.
enum ModuleCapability : unsigned {
    kBasic = 1u << 0,        // AT, AT+MODEL?
    kCore = 1u << 1,         // restart, factory reset, version, info, setting mode, UART
    kScan = 1u << 2,         // scanning and its name filter
    kAutoConnect = 1u << 3,  // automatic connection and the address it connects to
    kPeripheral = 1u << 4,   // device name, advertising interval
    kRoles = 1u << 5,        // role and bypass
    kSlots = 1u << 6,        // the eight registered devices
};

struct ModuleSlot {
    std::string address;  // 12 upper-case hex digits
    std::string name;     // at most 8 bytes, may be empty
    bool operator==(const ModuleSlot&) const = default;
};

// Everything the virtual module remembers; the commands read and write it.
struct ModuleSettings {
    std::string model;
    std::string address;  // 12 upper-case hex digits
    std::string firmware;
    std::string deviceName;
    ModuleRole role = ModuleRole::Peripheral;
    bool bypass = false;
    bool autoConnect = false;
    std::string autoConnectAddress = "000000000000";
    unsigned advInterval = 100;  // ms
    bool flowControl = false;
    std::uint32_t uartSpeed = 9600;         // in use now
    std::uint32_t pendingUartSpeed = 9600;  // takes effect at the next restart
    std::array<std::optional<ModuleSlot>, 8> slots;

    bool settingMode = false;
    bool scanning = false;
    bool nameFilterOn = false;
    std::string nameFilter;

    bool operator==(const ModuleSettings&) const = default;
};

// The state of a freshly built module of that model, and the one "AT&F" restores.
ModuleSettings FactorySettings(const std::string& model);
// The command groups (ModuleCapability) the model answers; an unknown model only kBasic.
unsigned CapabilitiesOf(const std::string& model);

// The UART speeds the module accepts, slowest first.
inline constexpr std::array<std::uint32_t, 7> kModuleUartSpeeds = {9600,   19200,  38400, 57600,
                                                                   115200, 230400, 460800};
bool IsModuleUartSpeed(std::uint32_t speed);
