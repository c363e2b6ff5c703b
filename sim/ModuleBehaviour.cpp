#include "ModuleBehaviour.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::size_t kMaxNameBytes = 8;
constexpr std::size_t kSlotCount = 8;

ModuleReply Text(std::string text) {
    return {std::move(text), false};
}
ModuleReply Acknowledge(std::string text) {
    return {std::move(text), true};
}
ModuleReply Error() {
    return Text("ERROR");
}

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// "00A0C8523001" -> "00:A0:C8:52:30:01"
std::string WithColons(const std::string& address) {
    std::string text;
    for (std::size_t i = 0; i < address.size(); i += 2) {
        if (i > 0) {
            text += ':';
        }
        text += address.substr(i, 2);
    }
    return text;
}

const char* OnOff(bool on) {
    return on ? "ON" : "OFF";
}

// Names travel as comma-separated fields of "AT+INFO?", so a comma would break the answer.
bool IsValidName(const std::string& name) {
    return name.size() <= kMaxNameBytes && name.find(',') == std::string::npos;
}

bool ParseSlotNumber(const std::string& text, std::size_t& index) {
    unsigned number = 0;
    if (!ParseDecimal(text, number) || number < 1 || number > kSlotCount) {
        return false;
    }
    index = number - 1;
    return true;
}

const char* RoleWord(ModuleRole role) {
    switch (role) {
        case ModuleRole::Central:
            return "CENTRAL";
        case ModuleRole::Multi:
            return "MULTI";
        case ModuleRole::Peripheral:
            break;
    }
    return "PERIPHERAL";
}

}  // namespace

template <unsigned ModuleSettings::*Field, unsigned Low, unsigned High>
ModuleReply ModuleBehaviour::SetNumber(const std::string& argument) {
    unsigned number = 0;
    if (!ParseDecimal(argument, number) || number < Low || number > High) {
        return Error();
    }
    m_settings.*Field = number;
    return Acknowledge("OK");
}

template <unsigned ModuleSettings::*Field>
ModuleReply ModuleBehaviour::GetNumber(const std::string&) {
    return Text(std::to_string(m_settings.*Field));
}

using Form = SimCommand::Form;

const ModuleBehaviour::CommandEntry ModuleBehaviour::kCommands[] = {
    {Form::Bare, "AT", kBasic, &ModuleBehaviour::Ok},
    {Form::Query, "MODEL", kBasic, &ModuleBehaviour::Model},
    {Form::Bare, "ATZ", kCore, &ModuleBehaviour::Reset},
    {Form::Bare, "AT&F", kCore, &ModuleBehaviour::FactoryReset},
    {Form::Query, "VER", kCore, &ModuleBehaviour::Version},
    {Form::Query, "INFO", kCore, &ModuleBehaviour::Info},
    {Form::Action, "MODULESETMODE", kCore, &ModuleBehaviour::EnterSettingMode},
    {Form::Set, "UART", kCore, &ModuleBehaviour::SetUart},
    {Form::Set, "FLOWCONTROL", kCore, &ModuleBehaviour::SetFlowControl},
    {Form::Query, "FLOWCONTROL", kCore, &ModuleBehaviour::GetFlowControl},
    {Form::Set, "SF", kScan, &ModuleBehaviour::SetScanFilter},
    {Form::Action, "STARTSCAN", kScan, &ModuleBehaviour::StartScan},
    {Form::Action, "STOPSCAN", kScan, &ModuleBehaviour::StopScan},
    {Form::Set, "AUTOCON", kAutoConnect, &ModuleBehaviour::SetAutoConnect},
    {Form::Query, "AUTOCON", kAutoConnect, &ModuleBehaviour::GetAutoConnect},
    {Form::Set, "SETCONMAC", kAutoConnect, &ModuleBehaviour::SetConnectAddress},
    {Form::Set, "MANUF", kPeripheral, &ModuleBehaviour::SetDeviceName},
    {Form::Set, "ADVINTERVAL", kPeripheral,
     &ModuleBehaviour::SetNumber<&ModuleSettings::advInterval, 20, 2560>},
    {Form::Query, "ADVINTERVAL", kPeripheral,
     &ModuleBehaviour::GetNumber<&ModuleSettings::advInterval>},
    {Form::Set, "ROLE", kRoles, &ModuleBehaviour::SetRole},
    {Form::Query, "ROLE", kRoles, &ModuleBehaviour::GetRole},
    {Form::Set, "MBYPASS", kRoles, &ModuleBehaviour::SetBypass},
    {Form::Query, "MBYPASS", kRoles, &ModuleBehaviour::GetBypass},
    {Form::Set, "SETSLOT", kSlots, &ModuleBehaviour::SetSlot},
    {Form::Set, "DELSLOT", kSlots, &ModuleBehaviour::DeleteSlot},
    {Form::Set, "GETSLOT", kSlots, &ModuleBehaviour::GetSlot},
};

ModuleBehaviour::ModuleBehaviour(const std::string& model, std::uint32_t uartSpeed,
                                 std::vector<VirtualDevice> devices, const std::string& address)
    : m_settings(FactorySettings(model)),
      m_capabilities(CapabilitiesOf(model)),
      m_devices(std::move(devices)) {
    if (!address.empty()) {
        m_settings.address = address;
    }
    m_settings.uartSpeed = uartSpeed;
    m_settings.pendingUartSpeed = uartSpeed;
}

std::optional<ModuleReply> ModuleBehaviour::Answer(std::string_view line) {
    if (line.empty()) {
        return std::nullopt;
    }
    const SimCommand command = ParseSimCommand(line);
    const CommandEntry* entry = FindCommand(command);
    if (entry == nullptr || (entry->capability & m_capabilities) == 0) {
        return Error();
    }
    return (this->*entry->handler)(command.argument);
}

const ModuleBehaviour::CommandEntry* ModuleBehaviour::FindCommand(const SimCommand& command) const {
    for (const CommandEntry& entry : kCommands) {
        if (entry.form == command.form && entry.name == command.name) {
            return &entry;
        }
    }
    return nullptr;
}

std::optional<std::string> ModuleBehaviour::NextScanReport() {
    if (!m_settings.scanning) {
        return std::nullopt;
    }
    for (std::size_t tried = 0; tried < m_devices.size(); ++tried) {
        const VirtualDevice& device = m_devices[m_nextDevice];
        m_nextDevice = (m_nextDevice + 1) % m_devices.size();
        if (PassesNameFilter(device)) {
            return "+" + device.address + "," + std::to_string(NextRssi(device.rssi)) + "," +
                   device.name;
        }
    }
    return std::nullopt;
}

bool ModuleBehaviour::StartScanningAsCentral() {
    if ((m_capabilities & kScan) == 0) {
        return false;
    }
    if (m_settings.role == ModuleRole::Peripheral) {
        m_settings.role = ModuleRole::Central;
    }
    m_settings.scanning = true;
    return true;
}

bool ModuleBehaviour::PassesNameFilter(const VirtualDevice& device) const {
    return !m_settings.nameFilterOn || device.name.find(m_settings.nameFilter) != std::string::npos;
}

// The typical value plus up to 6 dB either way, from a fixed pseudo-random sequence.
int ModuleBehaviour::NextRssi(int typical) {
    m_noise ^= m_noise << 13;
    m_noise ^= m_noise >> 17;
    m_noise ^= m_noise << 5;
    const int jitter = static_cast<int>(m_noise % 13) - 6;
    return std::clamp(typical + jitter, -127, 0);
}

void ModuleBehaviour::Restart() {
    m_settings.settingMode = false;
    m_settings.scanning = false;
    m_settings.nameFilterOn = false;
    m_settings.nameFilter.clear();
    m_settings.uartSpeed = m_settings.pendingUartSpeed;
}

ModuleReply ModuleBehaviour::Ok(const std::string&) {
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::Model(const std::string&) {
    return Text(m_settings.model);
}

ModuleReply ModuleBehaviour::Reset(const std::string&) {
    Restart();
    return Acknowledge("+READY");
}

ModuleReply ModuleBehaviour::FactoryReset(const std::string&) {
    const std::string address = m_settings.address;  // burnt in, not a setting
    m_settings = FactorySettings(m_settings.model);
    m_settings.address = address;
    return Acknowledge("+READY");
}

ModuleReply ModuleBehaviour::Version(const std::string&) {
    return Text(m_settings.firmware);
}

ModuleReply ModuleBehaviour::Info(const std::string&) {
    const char* state = m_settings.scanning      ? "SCANNING"
                        : m_settings.settingMode ? "SETMODE"
                                                 : "STANDBY";
    return Text(WithColons(m_settings.address) + "," + m_settings.deviceName + "," +
                RoleWord(m_settings.role) + "," + state);
}

ModuleReply ModuleBehaviour::EnterSettingMode(const std::string&) {
    m_settings.settingMode = true;
    return Text("+SETMODE");
}

// The new speed takes effect when the module restarts.
ModuleReply ModuleBehaviour::SetUart(const std::string& argument) {
    unsigned speed = 0;
    if (!ParseDecimal(argument, speed) || !IsModuleUartSpeed(speed)) {
        return Error();
    }
    m_settings.pendingUartSpeed = speed;
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::SetFlowControl(const std::string& argument) {
    if (!ParseOnOff(argument, m_settings.flowControl)) {
        return Error();
    }
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::GetFlowControl(const std::string&) {
    return Text(OnOff(m_settings.flowControl));
}

ModuleReply ModuleBehaviour::SetScanFilter(const std::string& argument) {
    if (argument == "OFF") {
        m_settings.nameFilterOn = false;
        m_settings.nameFilter.clear();
        return Acknowledge("OK");
    }
    const std::vector<std::string> fields = SplitArguments(argument, 2);
    if (fields.size() != 2 || fields[0] != "ON" || fields[1].size() > kMaxNameBytes) {
        return Error();
    }
    m_settings.nameFilterOn = true;
    m_settings.nameFilter = fields[1];
    return Acknowledge("OK");
}

// A peripheral advertises; only the central roles scan.
ModuleReply ModuleBehaviour::StartScan(const std::string&) {
    if (m_settings.role == ModuleRole::Peripheral) {
        return Error();
    }
    m_settings.scanning = true;
    return Text("+SCANNING");
}

ModuleReply ModuleBehaviour::StopScan(const std::string&) {
    m_settings.scanning = false;
    return Text("+STOPPED");
}

ModuleReply ModuleBehaviour::SetAutoConnect(const std::string& argument) {
    if (!ParseOnOff(argument, m_settings.autoConnect)) {
        return Error();
    }
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::GetAutoConnect(const std::string&) {
    return Text(std::string(OnOff(m_settings.autoConnect)) + ",[" +
                WithColons(m_settings.autoConnectAddress) + "]");
}

ModuleReply ModuleBehaviour::SetConnectAddress(const std::string& argument) {
    if (!IsBluetoothAddress(argument)) {
        return Error();
    }
    m_settings.autoConnectAddress = UpperCase(argument);
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::SetDeviceName(const std::string& argument) {
    if (!IsValidName(argument)) {
        return Error();
    }
    if (!m_forgetsName) {
        m_settings.deviceName = argument;
    }
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::SetRole(const std::string& argument) {
    if (argument == "S") {
        m_settings.role = ModuleRole::Peripheral;
    } else if (argument == "C") {
        m_settings.role = ModuleRole::Central;
    } else if (argument == "M") {
        m_settings.role = ModuleRole::Multi;
    } else {
        return Error();
    }
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::GetRole(const std::string&) {
    switch (m_settings.role) {
        case ModuleRole::Central:
            return Text("CLIENT[CENTRAL]");
        case ModuleRole::Multi:
            return Text("CLIENT[MULTI]");
        case ModuleRole::Peripheral:
            break;
    }
    return Text("SERVER[PERIPHERAL]");
}

ModuleReply ModuleBehaviour::SetBypass(const std::string& argument) {
    if (!ParseOnOff(argument, m_settings.bypass)) {
        return Error();
    }
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::GetBypass(const std::string&) {
    return Text(OnOff(m_settings.bypass));
}

// "n,ADDRESS" or "n,ADDRESS,NAME"
ModuleReply ModuleBehaviour::SetSlot(const std::string& argument) {
    const std::vector<std::string> fields = SplitArguments(argument, 3);
    std::size_t index = 0;
    if (fields.size() < 2 || !ParseSlotNumber(fields[0], index) || !IsBluetoothAddress(fields[1])) {
        return Error();
    }
    const std::string name = fields.size() == 3 ? fields[2] : std::string();
    if (!IsValidName(name)) {
        return Error();
    }
    m_settings.slots[index] = ModuleSlot{UpperCase(fields[1]), name};
    return Acknowledge("OK");
}

ModuleReply ModuleBehaviour::DeleteSlot(const std::string& argument) {
    std::size_t index = 0;
    if (!ParseSlotNumber(argument, index)) {
        return Error();
    }
    m_settings.slots[index].reset();
    return Acknowledge("OK");
}

// An empty slot answers "ERROR".
ModuleReply ModuleBehaviour::GetSlot(const std::string& argument) {
    std::size_t index = 0;
    if (!ParseSlotNumber(argument, index) || !m_settings.slots[index]) {
        return Error();
    }
    const ModuleSlot& slot = *m_settings.slots[index];
    std::string text = "+SLOT," + std::to_string(index + 1) + "," + slot.address;
    if (!slot.name.empty()) {
        text += "," + slot.name;
    }
    return Text(text);
}
