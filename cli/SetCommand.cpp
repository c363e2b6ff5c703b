#include "ApplySet.h"
#include "BaudRates.h"
#include "Commands.h"
#include "InputRules.h"
#include "ModuleSession.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <variant>

namespace {

struct SlotText {
    std::string address;  // empty: the slot is emptied
    std::string name;
};

// Makes a setting's job inputs when it runs, from the module's values as last read; or the
// message of a check that needed those values.
using InputsOf = std::function<std::variant<JobInputs, std::string>(const ModuleSession&)>;

// A setting, checked, waiting for its turn.
struct Setting {
    std::string option;
    ConfJob job;
    std::optional<ControlGroup> group;  // the page's controls it needs; none: always offered
    TextId done;
    TextId failed;
    bool rereads;  // the page identifies and reads the module again after it
    InputsOf inputs;
};

struct SetPlan {
    std::vector<Setting> settings;
    std::uint8_t roleAfter = 0;  // the role byte the module reports after --role, if given
};

using Checked = std::variant<SetPlan, std::string>;

std::optional<unsigned> SlotNumber(std::string_view text) {
    unsigned number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1 ||
        number > kSlotCount) {
        return std::nullopt;
    }
    return number;
}

std::string SaveErrorText(const InputRules::SaveError& error, const Texts& tr) {
    const std::string slot = std::to_string(error.slot);
    switch (error.kind) {
        case InputRules::SaveError::Duplicate:
            return tr(TextId::DuplicateSlots);
        case InputRules::SaveError::BadAddress:
            return tr(TextId::SlotBadAddress, {slot});
        case InputRules::SaveError::NameNotAllowed:
            return tr(TextId::SlotNameNotAllowed, {slot});
        case InputRules::SaveError::NameTooLong:
            break;
    }
    return tr(TextId::SlotNameTooLong, {slot});
}

// Slot texts as the page's slot rows show them after a full read.
InputRules::SlotTexts AddressTexts(const SlotArray& slots, InputRules::SlotTexts& names) {
    InputRules::SlotTexts addresses;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        if (!IsZeroAddr(slots[i].addr)) {
            addresses[i] = FormatBdAddr(slots[i].addr);
            names[i] = Normalised(slots[i].Name());
        }
    }
    return addresses;
}

std::variant<SlotArray, std::string> BuildSlots(const SlotArray& held,
                                                const std::map<unsigned, SlotText>& changes,
                                                const Texts& tr) {
    InputRules::SlotTexts names;
    InputRules::SlotTexts addresses = AddressTexts(held, names);
    for (const auto& [number, text] : changes) {
        addresses[number - 1] = text.address;
        names[number - 1] = text.name;
    }
    auto built = InputRules::BuildWriteSlots(addresses, names);
    if (const auto* error = std::get_if<InputRules::SaveError>(&built)) {
        return SaveErrorText(*error, tr);
    }
    return std::get<SlotArray>(built);
}

InputsOf Fixed(JobInputs inputs) {
    return [inputs](const ModuleSession&) { return inputs; };
}

// The slots not named keep what the module holds, as on the page, whose "Save" writes the
// eight rows as they show.
InputsOf SlotInputs(std::map<unsigned, SlotText> changes, const Texts& texts) {
    return [changes = std::move(changes),
            &texts](const ModuleSession& session) -> std::variant<JobInputs, std::string> {
        auto built = BuildSlots(session.Module().slots, changes, texts);
        if (auto* error = std::get_if<std::string>(&built)) {
            return *error;
        }
        JobInputs inputs;
        inputs.writeSlots = std::get<SlotArray>(built);
        return inputs;
    };
}

// Unless given, the flow control stays as read.
enum class Flow { AsRead, Off, On };

InputsOf UartInputs(std::uint32_t baud, Flow flow) {
    return [baud, flow](const ModuleSession& session) -> std::variant<JobInputs, std::string> {
        const bool on = flow == Flow::AsRead ? session.Module().flow != 0 : flow == Flow::On;
        JobInputs inputs;
        inputs.baudRate = baud;
        inputs.flowControl = on ? 1 : 0;
        return inputs;
    };
}

class SetChecker {
public:
    SetChecker(const SetRequest& request, const Texts& texts)
        : m_request(request), m_texts(texts) {}

    Checked Check() {
        using Step = std::optional<std::string> (SetChecker::*)();
        for (const Step step :
             {&SetChecker::Role, &SetChecker::Name, &SetChecker::AdvInterval, &SetChecker::AutoCon,
              &SetChecker::Master, &SetChecker::Slots, &SetChecker::Uart}) {
            if (std::optional<std::string> error = (this->*step)()) {
                return *error;
            }
        }
        if (m_plan.settings.empty()) {
            return m_texts(TextId::NothingToSet);
        }
        return std::move(m_plan);
    }

private:
    std::optional<std::string> Role() {
        if (m_request.role) {
            JobInputs inputs;
            const auto found = std::find(kRoleNames.begin(), kRoleNames.end(), *m_request.role);
            inputs.roleIndex = static_cast<int>(found - kRoleNames.begin());
            m_plan.roleAfter = RoleByteOf(inputs.roleIndex);
            m_plan.settings.push_back({"--role", JOB_SET_ROLE, GRP_ROLE_BUTTONS, TextId::RoleDone,
                                       TextId::RoleFailed, true, Fixed(inputs)});
        }
        return std::nullopt;
    }

    std::optional<std::string> Name() {
        if (m_request.name) {
            JobInputs inputs;
            inputs.deviceName = Normalised(*m_request.name);
            if (InputRules::HasControlCharacter(inputs.deviceName)) {
                return m_texts(TextId::TextNotAllowed);
            }
            if (!InputRules::FitsNameBytes(inputs.deviceName)) {
                return m_texts(TextId::NameTooLong);
            }
            m_plan.settings.push_back({"--name", JOB_SET_NAME, GRP_SLAVE_BUTTONS, TextId::NameDone,
                                       TextId::NameFailed, false, Fixed(inputs)});
        }
        return std::nullopt;
    }

    std::optional<std::string> AdvInterval() {
        if (m_request.advInterval) {
            const auto interval = InputRules::ParseAdvInterval(*m_request.advInterval);
            if (!interval) {
                return m_texts(TextId::BadAdvInterval);
            }
            JobInputs inputs;
            inputs.advInterval = *interval;
            m_plan.settings.push_back({"--adv-interval", JOB_SET_ADV_INTERVAL, GRP_SLAVE_BUTTONS,
                                       TextId::AdvDone, TextId::AdvFailed, false, Fixed(inputs)});
        }
        return std::nullopt;
    }

    std::optional<std::string> AutoCon() {
        if (m_request.autoCon) {
            JobInputs inputs;
            inputs.autoConIndex = *m_request.autoCon == "on" ? 1 : 0;
            m_plan.settings.push_back({"--autocon", JOB_SET_AUTOCON, GRP_SCAN_BUTTONS,
                                       TextId::AutoConDone, TextId::AutoConFailed, true,
                                       Fixed(inputs)});
        }
        return std::nullopt;
    }

    std::optional<std::string> Master() {
        if (!m_request.master) {
            return std::nullopt;
        }
        if (*m_request.master == "none") {
            m_plan.settings.push_back({"--master", JOB_DELETE_MASTER, GRP_MASTER_BUTTONS,
                                       TextId::MasterDeleted, TextId::MasterDeleteFailed, true,
                                       Fixed({})});
            return std::nullopt;
        }
        const std::optional<BdAddr> address = InputRules::ParseAddress(*m_request.master);
        if (!address) {
            return m_texts(TextId::BadAddress);
        }
        JobInputs inputs;
        inputs.masterAddr = *address;
        m_plan.settings.push_back({"--master", JOB_SET_MASTER, GRP_MASTER_BUTTONS,
                                   TextId::MasterDone, TextId::MasterFailed, true, Fixed(inputs)});
        return std::nullopt;
    }

    std::optional<std::string> AddSlotChange(unsigned number, SlotText text) {
        if (!m_slotChanges.emplace(number, std::move(text)).second) {
            return m_texts(TextId::SlotGivenTwice, {std::to_string(number)});
        }
        return std::nullopt;
    }

    std::optional<std::string> SlotArgument(const std::string& argument) {
        const std::size_t equals = argument.find('=');
        const std::optional<unsigned> number =
            equals == std::string::npos ? std::nullopt
                                        : SlotNumber(std::string_view(argument).substr(0, equals));
        if (!number) {
            return m_texts(TextId::BadSlotArgument, {argument});
        }
        const std::string value = argument.substr(equals + 1);
        const std::size_t comma = value.find(',');
        if (comma == 0 || value.empty()) {  // emptying a slot is --clear-slot's, never implied
            return m_texts(TextId::BadSlotArgument, {argument});
        }
        // Normalised like the page's texts, so two different invalid byte sequences are the
        // same address to the duplicate check, as they are on the page.
        SlotText text{
            Normalised(value.substr(0, comma)),
            comma == std::string::npos ? std::string() : Normalised(value.substr(comma + 1))};
        return AddSlotChange(*number, std::move(text));
    }

    std::optional<std::string> Slots() {
        for (const std::string& argument : m_request.slots) {
            if (auto error = SlotArgument(argument)) {
                return error;
            }
        }
        for (const unsigned number : m_request.clearSlots) {
            if (auto error = AddSlotChange(number, {})) {
                return error;
            }
        }
        if (m_slotChanges.empty()) {
            return std::nullopt;
        }
        // What the given slots alone get wrong is refused before anything is sent.
        if (auto built = BuildSlots(SlotArray{}, m_slotChanges, m_texts);
            std::holds_alternative<std::string>(built)) {
            return std::get<std::string>(built);
        }
        m_plan.settings.push_back({"--slot", JOB_WRITE_SLOTS, GRP_SLOT_BUTTONS, TextId::SlotsDone,
                                   TextId::SlotsFailed, true, SlotInputs(m_slotChanges, m_texts)});
        return std::nullopt;
    }

    std::optional<std::string> Uart() {
        if (!m_request.uart) {
            return std::nullopt;
        }
        const std::string& text = *m_request.uart;
        const std::size_t comma = text.find(',');
        const std::string flow = comma == std::string::npos ? "" : text.substr(comma + 1);
        std::uint32_t baud = 0;
        const char* end = text.data() + std::min(comma, text.size());
        const auto parsed = std::from_chars(text.data(), end, baud);
        const bool baudOk =
            parsed.ec == std::errc() && parsed.ptr == end &&
            std::find(kBaudRates.begin(), kBaudRates.end(), baud) != kBaudRates.end();
        if (!baudOk || (comma != std::string::npos && flow != "on" && flow != "off")) {
            return m_texts(TextId::BadUartArgument, {text});
        }
        const Flow wanted = flow.empty() ? Flow::AsRead : flow == "on" ? Flow::On : Flow::Off;
        m_plan.settings.push_back({"--uart", JOB_SET_UART, std::nullopt, TextId::UartDone,
                                   TextId::UartFailed, false, UartInputs(baud, wanted)});
        return std::nullopt;
    }

    const SetRequest& m_request;
    const Texts& m_texts;
    SetPlan m_plan;
    std::map<unsigned, SlotText> m_slotChanges;
};

Failure NotOffered(const Setting& setting, const ModuleSession& session, const Texts& tr) {
    return Failure{ExitCode::NotAvailable,
                   tr(TextId::NotAvailable, {setting.option, session.Model()})};
}

// A setting the page would not offer in the role it will be applied in, or whose check fails
// against the module's values, stops the run before anything is changed.
Step CheckBeforeSending(const SetPlan& plan, const ModuleSession& session, const Texts& tr) {
    std::uint8_t role = session.Module().role;
    for (const Setting& setting : plan.settings) {
        if (setting.group && !session.Offers(*setting.group, role)) {
            return NotOffered(setting, session, tr);
        }
        if (const auto inputs = setting.inputs(session);
            const auto* error = std::get_if<std::string>(&inputs)) {
            return Failure{ExitCode::BadArgument, *error};
        }
        if (setting.job == JOB_SET_ROLE) {
            role = plan.roleAfter;
        }
    }
    return std::nullopt;
}

// Applies one setting; nothing when it succeeded.
Step Apply(const Setting& setting, ModuleSession& session, const CliContext& context) {
    if (setting.group && !session.Offers(*setting.group)) {  // the role did not become the one set
        return NotOffered(setting, session, context.texts);
    }
    auto inputs = setting.inputs(session);
    if (const auto* error = std::get_if<std::string>(&inputs)) {
        return Failure{ExitCode::BadArgument, *error};
    }
    const JobStatus status = session.Run(setting.job, std::get<JobInputs>(inputs));
    if (status == JOB_NOT_CONFIRMED && !session.PortFailed()) {
        return Failure{ExitCode::NoAnswer, context.texts(TextId::UartNotConfirmed)};
    }
    if (status != JOB_OK) {
        return session.AfterFailure(status, setting.failed);
    }
    context.Say(context.texts(setting.done));
    return std::nullopt;
}

}  // namespace

Step ApplySet(const SetRequest& request, ModuleSession& session, const CliContext& context,
              bool dryRun) {
    Checked checked = SetChecker(request, context.texts).Check();
    if (const auto* error = std::get_if<std::string>(&checked)) {
        return Failure{ExitCode::BadArgument, *error};
    }
    const SetPlan& plan = std::get<SetPlan>(checked);
    Step failed = CheckBeforeSending(plan, session, context.texts);
    if (dryRun) {
        return failed;
    }
    bool stale = false;
    for (const Setting& setting : plan.settings) {
        if (!failed) {  // between two settings: where an interruption takes effect
            failed = session.Interruption();
        }
        if (!failed && stale) {
            failed = session.Refresh();
        }
        if (failed) {
            break;
        }
        failed = Apply(setting, session, context);
        stale = setting.rereads;
    }
    return failed;
}

int RunSet(const SetRequest& request, const CliContext& context) {
    // The arguments are checked before the port is opened.
    if (auto checked = SetChecker(request, context.texts).Check();
        const auto* error = std::get_if<std::string>(&checked)) {
        return context.Fail(ExitCode::BadArgument, *error);
    }
    ModuleSession session(context.texts, context.stopRequested);
    Step failed = session.Connect(request.connection);
    if (!failed) {
        failed = ApplySet(request, session, context, false);
    }
    failed = session.Leave(failed);
    return failed ? context.Fail(failed->code, failed->message) : ToInt(ExitCode::Ok);
}
