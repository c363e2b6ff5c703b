#include "Commands.h"
#include "SessionProfile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

// The exit status.
int WriteProfile(const std::string& text, const std::string& path, const CliContext& context) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        return context.Fail(
            ExitCode::Internal,
            context.texts(ConfMessageId::MSG_PROFILE_CANNOT_WRITE, {path, std::strerror(errno)}));
    }
    return ToInt(ExitCode::Ok);
}

}  // namespace

int RunExport(const ExportRequest& request, const CliContext& context) {
    ModuleSession session(context.texts, context.stopRequested);
    if (const Step failed = session.ReadAndLeave(request.connection)) {
        return context.Fail(*failed);
    }
    std::string text = ProfileText(ProfileOf(session, request.connection.baud));
    if (!request.output) {
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        context.SayJson(text);
        return ToInt(ExitCode::Ok);
    }
    return WriteProfile(text, *request.output, context);
}
