#include "Commands.h"
#include "ProfileApply.h"
#include "ProfileFile.h"
#include "WatchMode.h"

int RunApply(const ApplyRequest& request, const CliContext& context, const PortLister& listPorts) {
    auto read = ReadProfileFile(request.file, context.texts);
    if (const auto* failed = std::get_if<Failure>(&read)) {
        return context.Fail(failed->code, failed->message);
    }
    const Profile& profile = std::get<Profile>(read);
    if (request.watch) {
        return RunWatch(profile, request, context, listPorts);
    }
    const ApplyOptions options{request.connection, request.nameCounter, request.dryRun};
    const ApplyOutcome outcome = ApplyProfile(profile, options, context);
    if (outcome.failure) {
        return context.Fail(outcome.failure->code, outcome.failure->message);
    }
    return ToInt(ExitCode::Ok);
}
