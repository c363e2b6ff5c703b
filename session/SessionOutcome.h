#pragma once

#include <optional>
#include <string>

// How a unit of work ends when it does not succeed. The command line turns each into its exit
// status, the production page shows the message.
enum class SessionOutcome {
    BadInput,       // a value the module or the file cannot take; nothing was sent
    PortNotOpened,  // the port (or the session file recorded into) could not be opened
    NoAnswer,       // the module did not answer, or did not confirm a restart
    Unsupported,    // the module is not one of the supported models
    OtherModel,     // another model than expected answered
    Refused,        // the module refused a setting or command
    PortError,      // the port failed while a command ran
    NotAvailable,   // the model, in its current role, does not offer this
    NotVerified,    // a setting was acknowledged but does not read back as applied
    Interrupted,    // a stop was asked for; the module was left at a safe point
    RecordRefused,  // the record (a report file or the line's database) cannot be used
    StationTaken,   // another station already has the ports or the record
    RecordFailed,   // a try's record could not be written; the station stopped
};

struct Failure {
    SessionOutcome outcome;
    std::string message;
};
// Nothing: go on.
using Step = std::optional<Failure>;
