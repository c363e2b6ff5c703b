#pragma once

#include "CliOutput.h"
#include "CliRequest.h"
#include "ModuleSession.h"

// The settings of `request` applied to the connected module as `set` applies them: checked,
// refused before anything is sent when the page would not offer one in the role it is applied
// in, then sent in set's order, each reported on its own line. `dryRun`: only the checks.
Step ApplySet(const SetRequest& request, ModuleSession& session, const CliContext& context,
              bool dryRun);
