#include "BaudRates.h"
#include "Commands.h"
#include "InputRules.h"
#include "ModuleSession.h"
#include "SetPlan.h"
#include "SettingTable.h"

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

std::string RefusalMessage(const InputRefusal& refusal, const Texts& tr) {
    return tr(refusal.message, {std::to_string(refusal.slot)});
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
    auto built = SlotInputs(addresses, names);
    if (const auto* refusal = std::get_if<InputRefusal>(&built)) {
        return RefusalMessage(*refusal, tr);
    }
    return std::get<JobInputs>(built).writeSlots;
}

InputsOf Fixed(JobInputs inputs) {
    return [inputs](const ModuleSession&) { return inputs; };
}

// The slots not named keep what the module holds, as on the page, whose "Save" writes the
// eight rows as they show.
InputsOf SlotChangeInputs(std::map<unsigned, SlotText> changes, const Texts& texts) {
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
        for (const SettingRow* row : RowsInApplyOrder()) {
            if (std::optional<std::string> error = CheckSetting(*row)) {
                return *error;
            }
        }
        if (m_plan.settings.empty()) {
            return m_texts(TextId::NothingToSet);
        }
        return std::move(m_plan);
    }

private:
    void Add(ConfJob job, InputsOf inputs) {
        m_plan.settings.push_back({SettingRowOf(job), std::move(inputs)});
    }

    // The setting of `row`, when its option was given, checked as its kind of value is.
    std::optional<std::string> CheckSetting(const SettingRow& row) {
        if (row.kind == ValueKind::Slots) {
            return Slots();
        }
        const auto given = m_request.values.find(row.field);
        if (given == m_request.values.end()) {
            return std::nullopt;
        }
        const std::string& text = given->second;
        switch (row.kind) {
            case ValueKind::Role:
                Role(row, text);
                break;
            case ValueKind::Name:
                return AddTyped(row.job, Normalised(text));
            case ValueKind::Number:
                return AddTyped(row.job, text);
            case ValueKind::OnOff: {
                JobInputs inputs;
                inputs.autoConIndex = text == "on" ? 1 : 0;
                Add(row.job, Fixed(inputs));
                break;
            }
            case ValueKind::Address:
                return Address(row, text);
            case ValueKind::Uart:
                return Uart(row, text);
            case ValueKind::Slots:
                break;
        }
        return std::nullopt;
    }

    // A setting whose value is typed text, checked by its row.
    std::optional<std::string> AddTyped(ConfJob job, const std::string& text) {
        const CheckedInputs checked = TypedInputs(job, text);
        if (const auto* refusal = std::get_if<InputRefusal>(&checked)) {
            return RefusalMessage(*refusal, m_texts);
        }
        Add(job, Fixed(std::get<JobInputs>(checked)));
        return std::nullopt;
    }

    void Role(const SettingRow& row, const std::string& text) {
        JobInputs inputs;
        const auto found = std::find(kRoleNames.begin(), kRoleNames.end(), text);
        inputs.roleIndex = static_cast<int>(found - kRoleNames.begin());
        m_plan.roleAfter = RoleByteOf(inputs.roleIndex);
        Add(row.job, Fixed(inputs));
    }

    // "none" deletes the master address: the address's other job.
    std::optional<std::string> Address(const SettingRow& row, const std::string& text) {
        if (text == "none") {
            Add(JOB_DELETE_MASTER, Fixed({}));
            return std::nullopt;
        }
        return AddTyped(row.job, text);
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
        Add(JOB_WRITE_SLOTS, SlotChangeInputs(m_slotChanges, m_texts));
        return std::nullopt;
    }

    std::optional<std::string> Uart(const SettingRow& row, const std::string& text) {
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
        Add(row.job, UartInputs(baud, wanted));
        return std::nullopt;
    }

    const SetRequest& m_request;
    const Texts& m_texts;
    SetPlan m_plan;
    std::map<unsigned, SlotText> m_slotChanges;
};

// The settings of `request` applied to the connected module as `set` applies them: checked,
// then run as a plan (RunSetPlan). `dryRun`: only the checks.
Step ApplySet(const SetRequest& request, ModuleSession& session, const CliContext& context,
              bool dryRun) {
    Checked checked = SetChecker(request, context.texts).Check();
    if (const auto* error = std::get_if<std::string>(&checked)) {
        return Failure{SessionOutcome::BadInput, *error};
    }
    CliReporter reporter(context);
    return RunSetPlan(std::get<SetPlan>(checked), session, context.texts, reporter, dryRun);
}

}  // namespace

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
    return failed ? context.Fail(*failed) : ToInt(ExitCode::Ok);
}
