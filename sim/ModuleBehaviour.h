#pragma once

#include "ModuleSettings.h"
#include "SimCommand.h"
#include "VirtualDevice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One answer line without its line end. Acknowledgements ("OK", "+READY") are the only answers
// the program also accepts in the enclosed "\r\nOK\r\n" form.
struct ModuleReply {
    std::string text;
    bool acknowledgement = false;
    bool operator==(const ModuleReply&) const = default;
};

// What the module does with each command line: the model's command set, its settings and its
// scanning. No I/O and no locking; the owner serialises the calls.
class ModuleBehaviour {
public:
    // `address`: the module's own, 12 hex digits; empty for the model's usual one.
    ModuleBehaviour(const std::string& model, std::uint32_t uartSpeed,
                    std::vector<VirtualDevice> devices, const std::string& address = {});

    // The answer to one command line (without its CR); nothing for an empty line.
    std::optional<ModuleReply> Answer(std::string_view line);
    // The next scan report line, or nothing when not scanning or no device passes the filter.
    std::optional<std::string> NextScanReport();

    // As a module left scanning: the central role, scanning already. False for a model that
    // cannot scan.
    bool StartScanningAsCentral();

    const ModuleSettings& Settings() const { return m_settings; }

    // A faulty module: the device name command is acknowledged but not kept.
    void SetForgetsName(bool on) { m_forgetsName = on; }

private:
    using Handler = ModuleReply (ModuleBehaviour::*)(const std::string& argument);
    struct CommandEntry {
        SimCommand::Form form;
        std::string_view name;
        unsigned capability;
        Handler handler;
    };
    static const CommandEntry kCommands[];

    const CommandEntry* FindCommand(const SimCommand& command) const;
    void Restart();
    bool PassesNameFilter(const VirtualDevice& device) const;
    int NextRssi(int typical);

    ModuleReply Ok(const std::string&);
    ModuleReply Model(const std::string&);
    ModuleReply Reset(const std::string&);
    ModuleReply FactoryReset(const std::string&);
    ModuleReply Version(const std::string&);
    ModuleReply Info(const std::string&);
    ModuleReply EnterSettingMode(const std::string&);
    ModuleReply SetUart(const std::string& argument);
    ModuleReply SetFlowControl(const std::string& argument);
    ModuleReply GetFlowControl(const std::string&);
    ModuleReply SetScanFilter(const std::string& argument);
    ModuleReply StartScan(const std::string&);
    ModuleReply StopScan(const std::string&);
    ModuleReply SetAutoConnect(const std::string& argument);
    ModuleReply GetAutoConnect(const std::string&);
    ModuleReply SetConnectAddress(const std::string& argument);
    ModuleReply SetDeviceName(const std::string& argument);
    // A number setting kept in `Field`, refused outside [Low, High].
    template <unsigned ModuleSettings::*Field, unsigned Low, unsigned High>
    ModuleReply SetNumber(const std::string& argument);
    template <unsigned ModuleSettings::*Field>
    ModuleReply GetNumber(const std::string&);
    ModuleReply SetRole(const std::string& argument);
    ModuleReply GetRole(const std::string&);
    ModuleReply SetBypass(const std::string& argument);
    ModuleReply GetBypass(const std::string&);
    ModuleReply SetSlot(const std::string& argument);
    ModuleReply DeleteSlot(const std::string& argument);
    ModuleReply GetSlot(const std::string& argument);

    ModuleSettings m_settings;
    bool m_forgetsName = false;
    unsigned m_capabilities;
    std::vector<VirtualDevice> m_devices;
    std::size_t m_nextDevice = 0;
    std::uint32_t m_noise = 0x2545F491u;
};
