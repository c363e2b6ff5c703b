#include "SetPlan.h"

namespace {

Failure NotOffered(const PlannedSetting& setting, const ModuleSession& session,
                   const SessionTexts& tr) {
    return Failure{SessionOutcome::NotAvailable,
                   tr(SessionText::NotAvailable, {setting.row->option, session.Model()})};
}

// A setting the page would not offer in the role it will be applied in, or whose check fails
// against the module's values, stops the run before anything is changed.
Step CheckBeforeSending(const SetPlan& plan, const ModuleSession& session, const SessionTexts& tr) {
    std::uint8_t role = session.Module().role;
    for (const PlannedSetting& setting : plan.settings) {
        if (setting.row->group && !session.Offers(*setting.row->group, role)) {
            return NotOffered(setting, session, tr);
        }
        if (const auto inputs = setting.inputs(session);
            const auto* error = std::get_if<std::string>(&inputs)) {
            return Failure{SessionOutcome::BadInput, *error};
        }
        if (setting.row->job == JOB_SET_ROLE) {
            role = plan.roleAfter;
        }
    }
    return std::nullopt;
}

// Applies one setting; nothing when it succeeded.
Step Apply(const PlannedSetting& setting, ModuleSession& session, const SessionTexts& texts,
           SessionReporter& reporter) {
    const SettingRow& row = *setting.row;
    if (row.group && !session.Offers(*row.group)) {  // the role did not become the one set
        return NotOffered(setting, session, texts);
    }
    auto inputs = setting.inputs(session);
    if (const auto* error = std::get_if<std::string>(&inputs)) {
        return Failure{SessionOutcome::BadInput, *error};
    }
    const JobInputs& jobInputs = std::get<JobInputs>(inputs);
    const JobStatus status = session.Run(row.job, jobInputs);
    Step failed;
    if (status == JOB_NOT_CONFIRMED && !session.PortFailed()) {
        failed = Failure{SessionOutcome::NoAnswer, texts(ConfMessageId::MSG_UART_NOT_CONFIRMED)};
    } else if (status != JOB_OK) {
        failed = session.AfterFailure(status, texts(row.failed));
    }
    if (failed && row.job == JOB_SET_UART) {
        failed->message += ' ';
        failed->message +=
            texts(SessionText::UartSpeedMayHaveChanged, {std::to_string(jobInputs.baudRate)});
    }
    if (failed) {
        return failed;
    }
    reporter.Step(texts(row.done));
    return std::nullopt;
}

}  // namespace

Step RunSetPlan(const SetPlan& plan, ModuleSession& session, const SessionTexts& texts,
                SessionReporter& reporter, bool dryRun,
                const std::function<void(const SettingRow&)>& onStart) {
    Step failed = CheckBeforeSending(plan, session, texts);
    if (dryRun) {
        return failed;
    }
    bool stale = false;
    for (const PlannedSetting& setting : plan.settings) {
        if (!failed) {  // between two settings: where an interruption takes effect
            failed = session.Interruption();
        }
        if (!failed && stale) {
            failed = session.Refresh();
        }
        if (failed) {
            break;
        }
        if (onStart) {
            onStart(*setting.row);
        }
        failed = Apply(setting, session, texts, reporter);
        stale = setting.row->Rereads();
    }
    return failed;
}
