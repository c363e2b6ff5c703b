#pragma once

#include "CliOutput.h"
#include "CliRequest.h"
#include "Profile.h"

#include <functional>
#include <string>
#include <vector>

using PortLister = std::function<std::vector<std::string>()>;

// Production mode: applies `profile` to every module that appears on a watched port, one after
// the other, until a stop is requested (the module in progress is finished first). One line per
// module on `out` (PASS <address> <name> <seconds> / FAIL <address or port> <reason>), and a
// row in the CSV report when one is given.
int RunWatch(const Profile& profile, const ApplyRequest& request, const CliContext& context,
             const PortLister& listPorts);
