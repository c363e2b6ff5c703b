// The configuration page's part in settings files: the module's values and profile as shown,
// and applying a file's changes through the page's own setting jobs.

#include "ConfJobRunner.h"
#include "ConfWorker.h"
#include "ModelRules.h"
#include "ModuleConfPage.h"

#include <QString>

#include <variant>

void ModuleConfPage::SetReady(bool ready) {
    if (ready != m_ready) {
        m_ready = ready;
        Q_EMIT moduleReadyChanged(ready);
    }
}

std::optional<ModuleValues> ModuleConfPage::ShownValues() const {
    if (!m_ready || !m_shownRead) {
        return std::nullopt;
    }
    return ValuesOf(m_runner->Module(), m_runner->Model(), *m_shownRead);
}

std::optional<Profile> ModuleConfPage::ModuleProfile() const {
    const std::optional<ModuleValues> values = ShownValues();
    if (!values) {
        return std::nullopt;
    }
    return ProfileOf(*values, m_runner->Model(), m_runner->Module().role, m_portBaud);
}

std::optional<ApplyPlan> ModuleConfPage::PlanFor(const Profile& profile, unsigned counter) const {
    const std::optional<ModuleValues> values = ShownValues();
    if (!values) {
        return ApplyPlan{};
    }
    return PlanApply(profile, counter, *values, m_runner->Model(), m_runner->Module().role,
                     m_portBaud);
}

QString ModuleConfPage::RefusalText(const ProfileRefusal& refusal) const {
    return ConfMessages::Text(refusal.text)
        .arg(QString::fromStdString(refusal.field),
             QString::fromStdString(Normalised(m_runner->Model())));
}

bool ModuleConfPage::ApplyProfile(const Profile& profile, unsigned counter) {
    std::optional<ApplyPlan> plan = PlanFor(profile, counter);
    if (!m_ready || !plan || plan->changes.empty() || plan->refusal) {
        return false;
    }
    m_profileRun = ProfileRun{profile, std::move(plan->name), std::move(plan->jobs)};
    EnableControls(false);
    PostNextProfileJob();
    return true;
}

void ModuleConfPage::PostNextProfileJob() {
    ProfileRun& run = *m_profileRun;
    if (run.next == run.jobs.size()) {
        run.readingBack = true;
        ClearDeviceInfo(false);
        PostJob(JOB_IDENTIFY);
        SetBusy(true);
        return;
    }
    const ProfileJob job = run.jobs[run.next++];
    const SettingRow& setting = *job.setting;
    // The role set earlier in the run decides what the module offers now, as on the page.
    if (setting.group &&
        GroupsKeptDisabled(m_runner->Model(), m_runner->Module().role).test(*setting.group)) {
        StopProfileRun(RefusalText({ConfMessageId::MSG_PROFILE_NOT_OFFERED, job.field}));
        return;
    }
    const ModuleValues values = ValuesOf(m_runner->Module(), m_runner->Model(), *m_shownRead);
    auto inputs = ProfileJobInputs(setting.job, run.profile, run.name, values, m_portBaud);
    if (const auto* refusal = std::get_if<ProfileRefusal>(&inputs)) {
        StopProfileRun(RefusalText(*refusal));
        return;
    }
    PostJob(setting.job, std::get<JobInputs>(inputs));
    SetBusy(true);
}

void ModuleConfPage::OnProfileSettingResult(const SettingRow& setting, std::int32_t status) {
    // A failure is the page's own; so is the UART setting's restart, which needs the port
    // opened again at the new speed.
    if (status != JOB_OK || setting.then == AfterSetting::Reconnect) {
        m_profileRun.reset();
        OnSettingResult(setting, status);
        return;
    }
    if (setting.Rereads()) {
        PostJob(JOB_IDENTIFY);
        SetBusy(true);
    } else {
        PostNextProfileJob();
    }
}

void ModuleConfPage::ContinueProfileRun() {
    if (!m_profileRun->readingBack) {
        PostNextProfileJob();
        return;
    }
    StopProfileRun(ConfMessages::Text(ConfMessages::MSG_PROFILE_APPLIED));
}

void ModuleConfPage::StopProfileRun(const QString& message) {
    const bool applied = m_profileRun->readingBack;
    m_profileRun.reset();
    const std::uint32_t session = m_session.load();
    Prompter::Ask(this, message, applied ? Prompter::Icon::Information : Prompter::Icon::Error);
    EnableControlsIfStillConnected(session);
}
