#pragma once

#include "CliOutput.h"
#include "CliRequest.h"
#include "WatchMode.h"

#include <string>
#include <vector>

// The commands; each returns the exit status.
int RunPorts(const std::vector<std::string>& ports, const CliContext& context);
int RunInfo(const InfoRequest& request, const CliContext& context);
int RunSet(const SetRequest& request, const CliContext& context);
int RunScan(const ScanRequest& request, const CliContext& context);
int RunReboot(const RebootRequest& request, const CliContext& context);
int RunFactoryReset(const FactoryResetRequest& request, const CliContext& context);
int RunExport(const ExportRequest& request, const CliContext& context);
int RunApply(const ApplyRequest& request, const CliContext& context, const PortLister& listPorts);
int RunReport(const ReportRequest& request, const CliContext& context);
