#include "Commands.h"
#include "ProfileApply.h"
#include "ProfileFile.h"
#include "WatchMode.h"

int RunApply(const ApplyRequest& request, const CliContext& context, const PortLister& listPorts) {
    auto read = ReadProfileFile(request.file, context.stopRequested);
    if (context.StopRequested()) {  // checked before the port is opened
        return context.Fail(ExitCode::Interrupted, context.texts(SessionText::Interrupted));
    }
    if (const auto* error = std::get_if<ProfileFileError>(&read)) {
        return context.Fail(ExitCode::BadArgument,
                            context.texts(error->text, {error->arg1, error->arg2}));
    }
    const Profile& profile = std::get<Profile>(read);
    if (request.watch) {
        return RunWatch(profile, request, context, listPorts);
    }
    ApplyOptions options{request.connection, request.nameCounter, request.dryRun};
    options.stopRequested = context.stopRequested;
    CliReporter reporter(context);
    const ApplyOutcome outcome = ApplyProfile(profile, options, context.texts, reporter);
    if (outcome.failure) {
        return context.Fail(*outcome.failure);
    }
    return ToInt(ExitCode::Ok);
}
