#include "CliRun.h"

#include "CliArguments.h"
#include "Commands.h"

#include <exception>
#include <variant>

namespace {

template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

int Dispatch(const CliRequest& request, const CliEnvironment& environment,
             const CliContext& context) {
    return std::visit(
        Overloaded{
            [&](const PortsRequest&) {
                return RunPorts(
                    environment.listPorts ? environment.listPorts() : std::vector<std::string>{},
                    context);
            },
            [&](const InfoRequest& r) { return RunInfo(r, context); },
            [&](const SetRequest& r) { return RunSet(r, context); },
            [&](const ScanRequest& r) { return RunScan(r, context); },
            [&](const RebootRequest& r) { return RunReboot(r, context); },
            [&](const FactoryResetRequest& r) { return RunFactoryReset(r, context); },
            [&](const ExportRequest& r) { return RunExport(r, context); },
            [&](const ApplyRequest& r) { return RunApply(r, context, environment.listPorts); },
            [&](const ReportRequest& r) { return RunReport(r, context); },
        },
        request);
}

// A result that never reached standard output (a full disk, a closed pipe) is a failure,
// whatever the module did.
int CheckedOutput(int status, const CliContext& context) {
    context.out.flush();
    if (context.out) {
        return status;
    }
    const int failed = context.Fail(ExitCode::Internal, context.texts(TextId::OutputFailed));
    return status == ToInt(ExitCode::Ok) ? failed : status;
}

int Run(const std::vector<std::string>& args, const CliEnvironment& environment,
        const CliContext& context) {
    try {
        auto parsed = ParseArguments(args, environment.out, environment.err, context.texts);
        if (const int* status = std::get_if<int>(&parsed)) {
            return *status;
        }
        return Dispatch(std::get<CliRequest>(parsed), environment, context);
    } catch (const std::exception& error) {
        return context.Fail(ExitCode::Internal, error.what());
    }
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment) {
    const CliContext context{
        environment.out,           environment.err,         Texts(environment.translate),
        environment.stopRequested, environment.stopSignals, environment.summaryRequested};
    return CheckedOutput(Run(args, environment, context), context);
}
