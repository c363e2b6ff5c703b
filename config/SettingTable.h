#pragma once

#include "ConfJob.h"
#include "ConfMessageTable.h"
#include "InputRules.h"
#include "JobInputs.h"
#include "ModelRules.h"
#include "ModuleState.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

// Every module setting the program changes, one row each: what the page, the command-line tool
// and settings files know about it. The settings file's reader and writer, the difference to a
// module, `set`'s options and checks, `info`, `export` and the production page's summary are
// made from the rows; what each setting still has of its own is its job sequence, its answer's
// matcher, its control on the page and the virtual module's command.

// The fields of a settings file that a setting changes.
enum class ProfileField { Role, Name, AdvInterval, AutoConnect, MasterAddress, Slot, Uart };

// What kind of value a setting takes. Settings of one kind share their parse and check, their
// field in a settings file, their `set` option and how `info` shows them; a new setting of a
// kind that exists is a row and nothing more in these.
enum class ValueKind : std::uint8_t {
    Role,     // a choice from kRoleNames (Profile::role, JobInputs::roleIndex)
    Name,     // text under the device name rules; in a file, a pattern with a counter
    Number,   // a whole number within `range` (Profile/ModuleValues::numbers, JobInputs::number)
    OnOff,    // on or off (Profile::autoConnect, JobInputs::autoConIndex)
    Address,  // 12 hex digits; the JOB_DELETE_MASTER row deletes it (`set` value "none")
    Slots,    // the eight slot rows (InputRules::BuildWriteSlots)
    Uart,     // speed and flow control; two fields in a file
};

// What the page does once a setting has been applied.
enum class AfterSetting : std::uint8_t {
    Identify,        // identifies and reads the module again
    EnableControls,  // the controls show what was applied already
    Reconnect,       // the module restarts at its new speed: back to the port settings
};

enum class MessageIcon : std::uint8_t { None, Information, Warning, Error };

// A caption of the configuration page, by its translation context and English source; `info`
// shows it in the user's language.
struct Caption {
    const char* context = nullptr;
    const char* source = nullptr;
};

inline constexpr const char* kLayoutContext = "ConfPageLayout";

struct NumberRange {
    unsigned low = 0;
    unsigned high = 0;
};

struct SettingRow {
    ConfJob job;
    ProfileField field;
    ValueKind kind;
    std::string_view fileField;  // its field in a settings file
    std::string_view option;     // its option of `skw-manager-cli set`; empty: none of its own
    std::string_view help;       // the option's help
    int applyOrder;  // `set` and a settings file apply the settings by this, lowest first
    // The page's controls whose button runs it; none: always offered.
    std::optional<ControlGroup> group;
    AfterSetting then;
    ConfMessageId done;
    MessageIcon doneIcon;
    ConfMessageId failed;
    MessageIcon refusalIcon;  // of a value its check refuses
    // ValueKind::Number: the value's range, the message refusing one outside it, where the read
    // jobs leave the value, the partial read that reads it beside JOB_READ_FULL, and `info`'s
    // label and unit.
    NumberRange range{};
    ConfMessageId outOfRange{};
    std::uint16_t ModuleState::*state = nullptr;
    ConfJob readBy{};
    Caption label{};
    Caption unit{};

    constexpr bool Rereads() const { return then == AfterSetting::Identify; }
};

// In the order of a settings file's fields as written; `applyOrder` is the order they are
// applied in. The UART change restarts the module, so it comes last.
inline constexpr std::array kSettingRows = {
    SettingRow{.job = JOB_SET_UART,
               .field = ProfileField::Uart,
               .kind = ValueKind::Uart,
               .fileField = "uart",
               .option = "--uart",
               .help = "UART speed and flow control: BAUD[,on|off]; the module restarts, applied "
                       "last",
               .applyOrder = 70,
               .group = std::nullopt,
               .then = AfterSetting::Reconnect,
               .done = ConfMessageId::MSG_UART_DONE,
               .doneIcon = MessageIcon::Information,
               .failed = ConfMessageId::MSG_UART_FAILED,
               .refusalIcon = MessageIcon::None},
    SettingRow{.job = JOB_SET_ROLE,
               .field = ProfileField::Role,
               .kind = ValueKind::Role,
               .fileField = "role",
               .option = "--role",
               .help = "Operation role",
               .applyOrder = 10,
               .group = GRP_ROLE_BUTTONS,
               .then = AfterSetting::Identify,
               .done = ConfMessageId::MSG_ROLE_DONE,
               .doneIcon = MessageIcon::Information,
               .failed = ConfMessageId::MSG_ROLE_FAILED,
               .refusalIcon = MessageIcon::None},
    SettingRow{.job = JOB_SET_AUTOCON,
               .field = ProfileField::AutoConnect,
               .kind = ValueKind::OnOff,
               .fileField = "autoConnect",
               .option = "--autocon",
               .help = "Automatic connection at power-on",
               .applyOrder = 40,
               .group = GRP_SCAN_BUTTONS,
               .then = AfterSetting::Identify,
               .done = ConfMessageId::MSG_AUTOCON_DONE,
               .doneIcon = MessageIcon::Information,
               .failed = ConfMessageId::MSG_AUTOCON_FAILED,
               .refusalIcon = MessageIcon::None},
    SettingRow{.job = JOB_SET_MASTER,
               .field = ProfileField::MasterAddress,
               .kind = ValueKind::Address,
               .fileField = "masterAddress",
               .option = "--master",
               .help = "Master device address (12 hex digits) or 'none'",
               .applyOrder = 50,
               .group = GRP_MASTER_BUTTONS,
               .then = AfterSetting::Identify,
               .done = ConfMessageId::MSG_MASTER_DONE,
               .doneIcon = MessageIcon::Information,
               .failed = ConfMessageId::MSG_MASTER_FAILED,
               .refusalIcon = MessageIcon::Error},
    // The master address's other job: a file's null or `set --master none`.
    SettingRow{.job = JOB_DELETE_MASTER,
               .field = ProfileField::MasterAddress,
               .kind = ValueKind::Address,
               .fileField = "masterAddress",
               .option = "--master",
               .help = "",
               .applyOrder = 50,
               .group = GRP_MASTER_BUTTONS,
               .then = AfterSetting::Identify,
               .done = ConfMessageId::MSG_MASTER_DELETED,
               .doneIcon = MessageIcon::Information,
               .failed = ConfMessageId::MSG_MASTER_DELETE_FAILED,
               .refusalIcon = MessageIcon::None},
    SettingRow{.job = JOB_SET_NAME,
               .field = ProfileField::Name,
               .kind = ValueKind::Name,
               .fileField = "name",
               .option = "--name",
               .help = "Device name, at most 8 bytes of UTF-8",
               .applyOrder = 20,
               .group = GRP_SLAVE_BUTTONS,
               .then = AfterSetting::EnableControls,
               .done = ConfMessageId::MSG_NAME_DONE,
               .doneIcon = MessageIcon::Information,
               .failed = ConfMessageId::MSG_NAME_FAILED,
               .refusalIcon = MessageIcon::Warning},
    SettingRow{.job = JOB_SET_ADV_INTERVAL,
               .field = ProfileField::AdvInterval,
               .kind = ValueKind::Number,
               .fileField = "advInterval",
               .option = "--adv-interval",
               .help = "Advertising interval, 20 to 2560 ms",
               .applyOrder = 30,
               .group = GRP_SLAVE_BUTTONS,
               .then = AfterSetting::EnableControls,
               .done = ConfMessageId::MSG_ADV_DONE,
               .doneIcon = MessageIcon::Information,
               .failed = ConfMessageId::MSG_ADV_FAILED,
               .refusalIcon = MessageIcon::Error,
               .range = {20, 2560},
               .outOfRange = ConfMessageId::MSG_BAD_ADV_INTERVAL,
               .state = &ModuleState::advInterval,
               .readBy = JOB_READ_SLAVE,
               .label = {kLayoutContext, "Adv. Interval"},
               .unit = {kLayoutContext, "msec"}},
    SettingRow{.job = JOB_WRITE_SLOTS,
               .field = ProfileField::Slot,
               .kind = ValueKind::Slots,
               .fileField = "slots",
               .option = "--slot",
               .help = "Register slot N: N=ADDRESS[,NAME] (repeatable)",
               .applyOrder = 60,
               .group = GRP_SLOT_BUTTONS,
               .then = AfterSetting::Identify,
               .done = ConfMessageId::MSG_SLOTS_DONE,
               .doneIcon = MessageIcon::None,
               .failed = ConfMessageId::MSG_SLOTS_FAILED,
               .refusalIcon = MessageIcon::Error},
};

// The row of a setting job; nothing for a job that changes no setting.
const SettingRow* SettingRowOf(std::int32_t job);

// The row that stands for `field` in a settings file and a difference: the first of its rows
// (the master address's set, not its delete).
const SettingRow& FieldRowOf(ProfileField field);

// One row per field, in the order a settings file is written.
std::vector<const SettingRow*> FieldRows();

// One row per field, in the order the settings are applied.
std::vector<const SettingRow*> RowsInApplyOrder();

// The rows of a kind, in the order a settings file is written.
std::vector<const SettingRow*> RowsOfKind(ValueKind kind);

// A value refused by a setting's check: the message, its icon on the page and, for a slot, the
// slot it names ("%1").
struct InputRefusal {
    ConfMessageId message;
    MessageIcon icon;
    int slot = 0;
};

using CheckedInputs = std::variant<JobInputs, InputRefusal>;

// The inputs of a setting whose value is typed as text (ValueKind Name, Number or Address), or
// why the text is refused. `text` is UTF-8.
CheckedInputs TypedInputs(ConfJob job, std::string_view text);

// The inputs of the slot write from the texts of the eight slot rows, or the refusal of the
// first slot that fails.
CheckedInputs SlotInputs(const InputRules::SlotTexts& addresses,
                         const InputRules::SlotTexts& names);

// The refusal of a slot write that InputRules::BuildWriteSlots refused.
InputRefusal RefusalOf(const InputRules::SaveError& error);
