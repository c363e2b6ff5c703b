#include "ProfileApply.h"

#include "SetPlan.h"

#include <algorithm>
#include <memory>

namespace {

// The settings of the core's plan as `set` runs them; each job's inputs are taken from the file
// and from the module's values when its turn comes.
SetPlan SetPlanOf(const ApplyPlan& plan, const Profile& profile, std::uint32_t baud,
                  const SessionTexts& texts) {
    SetPlan set;
    for (const ProfileJob& job : plan.jobs) {
        const SettingRow* row = job.setting;
        set.settings.push_back(
            {row,
             [row, &profile, &texts, name = plan.name,
              baud](const ModuleSession& session) -> std::variant<JobInputs, std::string> {
                 auto inputs = ProfileJobInputs(row->job, profile, name, ValuesOf(session), baud);
                 if (const auto* refusal = std::get_if<ProfileRefusal>(&inputs)) {
                     return texts(refusal->text, {refusal->field, session.Model()});
                 }
                 return std::get<JobInputs>(inputs);
             }});
        if (row->job == JOB_SET_ROLE && profile.role) {
            set.roleAfter = RoleByteOf(*profile.role);
        }
    }
    return set;
}

void Tell(const ApplyOptions& options, const ApplyProgress& progress) {
    if (options.progress) {
        options.progress(progress);
    }
}

std::string ChangeLine(const FieldChange& change) {
    return change.field + ": " + change.from + " → " + change.to;
}

// Reads the module again, at the new speed after a UART change, and names the applied fields
// that do not read back as the file has them.
Step Verify(const Profile& profile, const std::string& name,
            const std::vector<FieldChange>& applied, const ApplyOptions& options,
            std::unique_ptr<ModuleSession>& session, const SessionTexts& texts,
            ModuleValues& module, std::vector<std::string>& confirmed) {
    const Connection& connection = options.connection;
    Connection now = connection;
    if (const auto uart =
            std::find_if(applied.begin(), applied.end(),
                         [](const FieldChange& c) { return c.kind == ProfileField::Uart; });
        uart != applied.end()) {
        now.baud = profile.baud.value_or(connection.baud);
        session.reset();  // the port is closed before it is opened again
        session = std::make_unique<ModuleSession>(texts, options.stopRequested);
        if (options.transcript) {
            session->SetTranscript(options.transcript);
        }
        if (Step failed = session->Connect(now)) {
            return failed;
        }
    } else if (Step failed = session->Refresh()) {
        return failed;
    }
    module = ValuesOf(*session);
    const std::vector<FieldChange> remaining = ProfileChanges(profile, name, module, now.baud);
    std::string message;
    for (const FieldChange& change : applied) {
        const auto differs =
            std::find_if(remaining.begin(), remaining.end(),
                         [&change](const FieldChange& r) { return r.field == change.field; });
        if (differs == remaining.end()) {
            confirmed.push_back(change.field + "=" + change.to);
            continue;
        }
        if (!message.empty()) {
            message += ' ';
        }
        message +=
            texts(SessionText::ProfileNotVerified, {differs->field, differs->to, differs->from});
    }
    if (!message.empty()) {
        return Failure{SessionOutcome::NotVerified, message};
    }
    return std::nullopt;
}

// The module, as last read, carries the name planned for it.
bool CarriesName(const ApplyOutcome& outcome) {
    return !outcome.name.empty() && outcome.module.name == outcome.name;
}

// Applies the difference to the connected module and verifies it; the outcome gets what
// differed and how it ended.
void ApplyToModule(const Profile& profile, const ApplyOptions& options, const SessionTexts& texts,
                   SessionReporter& reporter, std::unique_ptr<ModuleSession>& session,
                   ApplyOutcome& outcome) {
    outcome.module = ValuesOf(*session);
    if (options.accept && !options.accept(outcome.module)) {
        outcome.refused = true;
        return;
    }
    const std::optional<ApplyPlan> plan =
        PlanApply(profile, options.nameCounter, outcome.module, session->Model(),
                  session->Module().role, options.connection.baud);
    outcome.changes = plan->changes;  // the name was checked before the port was opened
    outcome.name = plan->name;
    if (outcome.changes.empty()) {
        outcome.nameWritten = CarriesName(outcome);
        reporter.Message(texts(ConfMessageId::MSG_PROFILE_MATCHES));
        return;
    }
    for (const FieldChange& change : outcome.changes) {
        reporter.Result(ChangeLine(change));
    }
    // The read, each setting, the read-back.
    const auto total = static_cast<unsigned>(plan->jobs.size()) + 2;
    unsigned done = 1;
    ConfJob running = JOB_IDENTIFY;
    bool nameSent = false;
    const auto started = [&](const SettingRow& setting) {
        running = setting.job;
        nameSent = nameSent || setting.job == JOB_SET_NAME;
        Tell(options, {ApplyProgress::Stage::Applying, done++, total});
    };
    outcome.failure = RunSetPlan(SetPlanOf(*plan, profile, options.connection.baud, texts),
                                 *session, texts, reporter, options.dryRun, started);
    // A module that answered the name with a refusal does not hold it; one that did not answer
    // may.
    const bool nameRefused = outcome.failure &&
                             outcome.failure->outcome == SessionOutcome::Refused &&
                             running == JOB_SET_NAME;
    outcome.nameWritten = nameSent && !nameRefused;
    if (options.dryRun) {
        if (!outcome.failure) {
            reporter.Message(texts(SessionText::ProfileDryRun));
        }
        return;
    }
    if (!outcome.failure) {
        Tell(options, {ApplyProgress::Stage::Verifying, total - 1, total});
        outcome.failure = Verify(profile, plan->name, outcome.changes, options, session, texts,
                                 outcome.module, outcome.confirmed);
        const bool readBack =
            !outcome.failure || outcome.failure->outcome == SessionOutcome::NotVerified;
        if (readBack) {
            outcome.nameWritten = CarriesName(outcome);
        }
    }
}

}  // namespace

ApplyOutcome ApplyProfile(const Profile& profile, const ApplyOptions& options,
                          const SessionTexts& texts, SessionReporter& reporter) {
    ApplyOutcome outcome;
    if (!ProfileNameFor(profile, options.nameCounter)) {
        outcome.failure = Failure{SessionOutcome::BadInput,
                                  texts(ConfMessageId::MSG_PROFILE_BAD_VALUE,
                                        {std::string(SettingRowOf(JOB_SET_NAME)->fileField)})};
        return outcome;
    }
    auto session = std::make_unique<ModuleSession>(texts, options.stopRequested);
    if (options.transcript) {
        session->SetTranscript(options.transcript);
    }
    Tell(options, {ApplyProgress::Stage::Reading, 0, 0});
    outcome.failure = session->Connect(options.connection);
    if (!outcome.failure) {
        ApplyToModule(profile, options, texts, reporter, session, outcome);
    }
    // Whatever happened, the module is let go of as every command lets go of it.
    outcome.failure = session->Leave(outcome.failure);
    return outcome;
}
