#pragma once

#include "SessionOutcome.h"

// The exit status of skw-manager-cli. The numbers are part of its interface: scripts test them.
enum class ExitCode : int {
    Ok = 0,
    Internal = 1,       // an unexpected failure of the program itself
    BadArgument = 2,    // nothing was sent to the module
    PortNotOpened = 3,  // the port could not be opened
    NoAnswer = 4,       // the module did not answer, or did not confirm a restart or stop
    Unsupported = 5,    // the module is not one of the supported models
    OtherModel = 6,     // another model than expected answered
    Refused = 7,        // the module refused a setting or command
    PortError = 8,      // the port failed while a command ran
    NotAvailable = 9,   // the model, in its current role, does not offer this
    NotVerified = 10,   // a setting was acknowledged but does not read back as applied
    Interrupted = 130,  // SIGINT or SIGTERM; stopped between two settings, the module left working
};

inline int ToInt(ExitCode code) {
    return static_cast<int>(code);
}

// The exit status of each way a unit of work ends.
ExitCode ExitCodeOf(SessionOutcome outcome);
