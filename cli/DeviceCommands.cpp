#include "Commands.h"
#include "ModuleSession.h"

namespace {

// Restarts the module with `job`; the page closes the port afterwards whatever the answer,
// here a missing ready answer is reported.
int Restart(const Connection& connection, ConfJob job, TextId done, const CliContext& context) {
    ModuleSession session(context.texts, context.stopRequested);
    Step failed = session.Connect(connection);
    if (!failed) {
        failed = session.Interruption();
    }
    if (failed) {
        failed = session.Leave(failed);
        return context.Fail(*failed);
    }
    const JobStatus status = session.Run(job);
    if (session.PortFailed()) {
        return context.Fail(session.PortError());
    }
    if (status != JOB_OK) {
        return context.Fail(ExitCode::NoAnswer, context.texts(SessionText::RestartNotConfirmed));
    }
    context.Say(context.texts(done));
    return ToInt(ExitCode::Ok);
}

}  // namespace

int RunReboot(const RebootRequest& request, const CliContext& context) {
    return Restart(request.connection, JOB_REBOOT, TextId::Restarted, context);
}

int RunFactoryReset(const FactoryResetRequest& request, const CliContext& context) {
    if (!request.confirmed) {
        return context.Fail(ExitCode::BadArgument,
                            context.texts(ConfMessageId::MSG_FACTORY_RESET_QUESTION) + " " +
                                context.texts(TextId::ConfirmWithYes));
    }
    return Restart(request.connection, JOB_FACTORY_RESET, TextId::FactoryRestored, context);
}
