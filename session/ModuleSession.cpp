#include "ModuleSession.h"

Step ModuleSession::Connect(const Connection& connection) {
    m_expectedModel = connection.expectedModel;
    if (!connection.recordPath.empty()) {
        if (const std::error_code error = m_recorder.Start(connection.recordPath)) {
            return Failure{
                SessionOutcome::PortNotOpened,
                m_texts(SessionText::CannotOpenPort, {connection.recordPath, error.message()})};
        }
        m_comm.SetRecorder(&m_recorder);
    }
    if (const std::error_code error =
            m_comm.Open(connection.port, PortSettings::At(connection.baud))) {
        return Failure{SessionOutcome::PortNotOpened,
                       m_texts(SessionText::CannotOpenPort, {connection.port, error.message()})};
    }
    return Refresh();
}

Step ModuleSession::Refresh() {
    if (Step failed = Identify()) {
        return failed;
    }
    if (Step interrupted = Interruption()) {
        return interrupted;
    }
    return Read();
}

Step ModuleSession::Interruption() const {
    if (m_stopRequested == nullptr || !m_stopRequested->load()) {
        return std::nullopt;
    }
    return Failure{SessionOutcome::Interrupted, m_texts(SessionText::Interrupted)};
}

Step ModuleSession::Identify() {
    const JobStatus status = Run(JOB_IDENTIFY);
    if (PortFailed()) {
        return PortError();
    }
    if (status == JOB_UNSUPPORTED) {
        return Failure{SessionOutcome::Unsupported, m_texts(ConfMessageId::MSG_UNSUPPORTED)};
    }
    if (status != JOB_OK) {
        return Failure{SessionOutcome::NoAnswer, m_texts(ConfMessageId::MSG_NO_ANSWER)};
    }
    if (m_expectedModel && *m_expectedModel != Model()) {
        return Failure{SessionOutcome::OtherModel,
                       m_texts(SessionText::ExpectedModel, {Model(), *m_expectedModel})};
    }
    return std::nullopt;
}

Step ModuleSession::Read() {
    m_readJob = ReadJobOf(Model());
    const JobStatus status = Run(m_readJob);
    if (PortFailed()) {
        return PortError();
    }
    if (status != JOB_OK) {  // also when the module did not enter its setting mode
        return Failure{SessionOutcome::NoAnswer, m_texts(ConfMessageId::MSG_NO_ANSWER)};
    }
    m_inSetMode = true;
    // A module found scanning is stopped before anything else, as the page does; the outcome
    // shows in the next job.
    if (CanScan(Model()) && Module().info.Scanning()) {
        StopScan();
    }
    return std::nullopt;
}

JobStatus ModuleSession::Run(ConfJob job, const JobInputs& inputs) {
    const JobStatus status = m_jobs.Run(job, inputs).value_or(JOB_FAILED);
    // These end with the module's restart themselves; a UART change only once it got as far
    // as sending it. One that failed before leaves the module in its setting mode, the new
    // speed perhaps pending: Leave restarts it.
    const bool restartSent =
        job == JOB_REBOOT || job == JOB_FACTORY_RESET ||
        (job == JOB_SET_UART && (status == JOB_OK || status == JOB_NOT_CONFIRMED));
    if (restartSent) {
        m_inSetMode = false;
    }
    return status;
}

Step ModuleSession::Leave(Step failed) {
    if (!m_inSetMode || PortFailed()) {
        return failed;
    }
    const JobStatus restarted = Run(JOB_REBOOT);
    if (failed) {
        return failed;
    }
    if (PortFailed()) {
        return PortError();
    }
    if (restarted != JOB_OK) {
        return Failure{SessionOutcome::NoAnswer, m_texts(SessionText::RestartNotConfirmed)};
    }
    return std::nullopt;
}

Failure ModuleSession::PortError() const {
    return Failure{SessionOutcome::PortError, m_texts(ConfMessageId::MSG_PORT_ERROR)};
}

Failure ModuleSession::AfterFailure(JobStatus status, const std::string& failed) {
    if (PortFailed()) {
        return PortError();
    }
    switch (status) {
        case JOB_UNSUPPORTED:
            return Failure{SessionOutcome::Unsupported, m_texts(ConfMessageId::MSG_UNSUPPORTED)};
        case JOB_OTHER_DEVICE:
            return Failure{SessionOutcome::OtherModel,
                           failed + " " + m_texts(SessionText::OtherModelAnswers)};
        default:
            break;
    }
    // Only a readable answer other than the one expected is a refusal; an answer lost or
    // garbled on the line leaves open whether the module got the command at all.
    const bool answered = m_jobs.LastAnswerWasRead();
    // Refused or unanswered: a fresh identification tells.
    if (Step identified = Identify()) {
        if (identified->outcome == SessionOutcome::NoAnswer) {
            identified->message = failed + " " + identified->message;
        }
        return *identified;
    }
    if (!answered) {
        return Failure{SessionOutcome::NoAnswer,
                       failed + " " + m_texts(SessionText::AnswerNotRead)};
    }
    return Failure{SessionOutcome::Refused, failed};
}

JobStatus ModuleSession::StopScan() {
    m_jobs.SetScanState(SCAN_STOPPING);
    const JobStatus status = Run(JOB_SCAN_STOP);
    m_jobs.SetScanState(SCAN_IDLE);
    return status;
}

bool ModuleSession::Offers(ControlGroup group, std::uint8_t role) const {
    return !GroupsKeptDisabled(Model(), role).test(group);
}

Step ModuleSession::ReadAndLeave(const Connection& connection) {
    Step failed = Connect(connection);
    if (!failed) {
        failed = Interruption();
    }
    return Leave(failed);
}
