#pragma once

#include "ConfJob.h"
#include "ConfMessageTable.h"
#include "InputRules.h"
#include "JobInputs.h"
#include "ModelRules.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

// Every module setting the program changes, one row each: what the page, the command-line tool
// and settings files know about it. A new setting is a new row here, plus its job sequence,
// its answer's matcher and the virtual module's command.

// The fields of a settings file that a setting changes.
enum class ProfileField { Role, Name, AdvInterval, AutoConnect, MasterAddress, Slot, Uart };

// What the page does once a setting has been applied.
enum class AfterSetting : std::uint8_t {
    Identify,        // identifies and reads the module again
    EnableControls,  // the controls show what was applied already
    Reconnect,       // the module restarts at its new speed: back to the port settings
};

enum class MessageIcon : std::uint8_t { None, Information, Warning, Error };

// How the value a user gives for a setting is checked before anything is sent.
enum class InputRule : std::uint8_t {
    None,         // a choice from a list: nothing to check
    DeviceName,   // no control character, no comma, at most 8 bytes
    AdvInterval,  // 20-2560 ms
    Address,      // 12 hex digits
    Slots,        // the eight slot rows (InputRules::BuildWriteSlots)
};

struct SettingRow {
    ConfJob job;
    ProfileField field;
    std::string_view fileField;  // its field in a settings file
    std::string_view option;     // its option of `skw-manager-cli set`
    // The page's controls whose button runs it; none: always offered.
    std::optional<ControlGroup> group;
    AfterSetting then;
    ConfMessageId done;
    MessageIcon doneIcon;
    ConfMessageId failed;
    InputRule rule;
    MessageIcon refusalIcon;  // of a value the rule refuses

    constexpr bool Rereads() const { return then == AfterSetting::Identify; }
};

// In the order `set` and a settings file apply them: the UART change restarts the module, so
// it comes last.
inline constexpr std::array kSettingRows = {
    SettingRow{JOB_SET_ROLE, ProfileField::Role, "role", "--role", GRP_ROLE_BUTTONS,
               AfterSetting::Identify, ConfMessageId::MSG_ROLE_DONE, MessageIcon::Information,
               ConfMessageId::MSG_ROLE_FAILED, InputRule::None, MessageIcon::None},
    SettingRow{JOB_SET_NAME, ProfileField::Name, "name", "--name", GRP_SLAVE_BUTTONS,
               AfterSetting::EnableControls, ConfMessageId::MSG_NAME_DONE, MessageIcon::Information,
               ConfMessageId::MSG_NAME_FAILED, InputRule::DeviceName, MessageIcon::Warning},
    SettingRow{JOB_SET_ADV_INTERVAL, ProfileField::AdvInterval, "advInterval", "--adv-interval",
               GRP_SLAVE_BUTTONS, AfterSetting::EnableControls, ConfMessageId::MSG_ADV_DONE,
               MessageIcon::Information, ConfMessageId::MSG_ADV_FAILED, InputRule::AdvInterval,
               MessageIcon::Error},
    SettingRow{JOB_SET_AUTOCON, ProfileField::AutoConnect, "autoConnect", "--autocon",
               GRP_SCAN_BUTTONS, AfterSetting::Identify, ConfMessageId::MSG_AUTOCON_DONE,
               MessageIcon::Information, ConfMessageId::MSG_AUTOCON_FAILED, InputRule::None,
               MessageIcon::None},
    SettingRow{JOB_SET_MASTER, ProfileField::MasterAddress, "masterAddress", "--master",
               GRP_MASTER_BUTTONS, AfterSetting::Identify, ConfMessageId::MSG_MASTER_DONE,
               MessageIcon::Information, ConfMessageId::MSG_MASTER_FAILED, InputRule::Address,
               MessageIcon::Error},
    SettingRow{JOB_DELETE_MASTER, ProfileField::MasterAddress, "masterAddress", "--master",
               GRP_MASTER_BUTTONS, AfterSetting::Identify, ConfMessageId::MSG_MASTER_DELETED,
               MessageIcon::Information, ConfMessageId::MSG_MASTER_DELETE_FAILED, InputRule::None,
               MessageIcon::None},
    SettingRow{JOB_WRITE_SLOTS, ProfileField::Slot, "slots", "--slot", GRP_SLOT_BUTTONS,
               AfterSetting::Identify, ConfMessageId::MSG_SLOTS_DONE, MessageIcon::None,
               ConfMessageId::MSG_SLOTS_FAILED, InputRule::Slots, MessageIcon::Error},
    SettingRow{JOB_SET_UART, ProfileField::Uart, "uart", "--uart", std::nullopt,
               AfterSetting::Reconnect, ConfMessageId::MSG_UART_DONE, MessageIcon::Information,
               ConfMessageId::MSG_UART_FAILED, InputRule::None, MessageIcon::None},
};

// The row of a setting job; nothing for a job that changes no setting.
const SettingRow* SettingRowOf(std::int32_t job);

// A value refused by a setting's input rule: the message, its icon on the page and, for a
// slot, the slot it names ("%1").
struct InputRefusal {
    ConfMessageId message;
    MessageIcon icon;
    int slot = 0;
};

using CheckedInputs = std::variant<JobInputs, InputRefusal>;

// The inputs of a setting whose value is typed as text (InputRule DeviceName, AdvInterval or
// Address), or why the text is refused. `text` is UTF-8.
CheckedInputs TypedInputs(ConfJob job, std::string_view text);

// The inputs of the slot write from the texts of the eight slot rows, or the refusal of the
// first slot that fails.
CheckedInputs SlotInputs(const InputRules::SlotTexts& addresses,
                         const InputRules::SlotTexts& names);

// The refusal of a slot write that InputRules::BuildWriteSlots refused.
InputRefusal RefusalOf(const InputRules::SaveError& error);
