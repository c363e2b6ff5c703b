#include "ExitCode.h"

ExitCode ExitCodeOf(SessionOutcome outcome) {
    switch (outcome) {
        case SessionOutcome::BadInput:
            return ExitCode::BadArgument;
        case SessionOutcome::PortNotOpened:
            return ExitCode::PortNotOpened;
        case SessionOutcome::NoAnswer:
            return ExitCode::NoAnswer;
        case SessionOutcome::Unsupported:
            return ExitCode::Unsupported;
        case SessionOutcome::OtherModel:
            return ExitCode::OtherModel;
        case SessionOutcome::Refused:
            return ExitCode::Refused;
        case SessionOutcome::PortError:
            return ExitCode::PortError;
        case SessionOutcome::NotAvailable:
            return ExitCode::NotAvailable;
        case SessionOutcome::NotVerified:
            return ExitCode::NotVerified;
        case SessionOutcome::Interrupted:
            return ExitCode::Interrupted;
        case SessionOutcome::RecordRefused:
            // A report or database that cannot be used is an argument the watch cannot take:
            // nothing was sent to a module.
            return ExitCode::BadArgument;
        case SessionOutcome::StationTaken:
            // As for a port another program has open.
            return ExitCode::PortNotOpened;
        case SessionOutcome::RecordFailed:
            // Nothing the user could have given otherwise: the file or database failed under
            // the running station.
            return ExitCode::Internal;
    }
    return ExitCode::Internal;
}
