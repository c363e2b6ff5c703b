#include "ProfileApply.h"

#include "ApplySet.h"

#include <algorithm>
#include <memory>

namespace {

// The `set` request that applies `changes`, the settings in the same order.
SetRequest RequestFor(const std::vector<FieldChange>& changes, const Profile& profile,
                      const std::string& name, const Connection& connection) {
    SetRequest request;
    request.connection = connection;
    for (const FieldChange& change : changes) {
        switch (change.kind) {
            case ProfileField::Role:
                request.role = change.to;
                break;
            case ProfileField::Name:
                request.name = name;
                break;
            case ProfileField::AdvInterval:
                request.advInterval = change.to;
                break;
            case ProfileField::AutoConnect:
                request.autoCon = change.to;
                break;
            case ProfileField::MasterAddress:
                request.master = profile.masterAddress->empty() ? "none" : *profile.masterAddress;
                break;
            case ProfileField::Slot: {
                const SlotValue& wanted = profile.slots.at(change.slot);
                if (wanted.address.empty()) {
                    request.clearSlots.push_back(change.slot);
                } else {
                    request.slots.push_back(std::to_string(change.slot) + "=" + wanted.address +
                                            "," + wanted.name);
                }
                break;
            }
            case ProfileField::Uart:
                request.uart = change.to;  // BAUD,on|off
                break;
        }
    }
    return request;
}

std::string ChangeLine(const FieldChange& change) {
    return change.field + ": " + change.from + " → " + change.to;
}

// Reads the module again, at the new speed after a UART change, and names the applied fields
// that do not read back as the file has them.
Step Verify(const Profile& profile, const std::string& name,
            const std::vector<FieldChange>& applied, const Connection& connection,
            std::unique_ptr<ModuleSession>& session, const CliContext& context,
            ModuleValues& module) {
    Connection now = connection;
    if (const auto uart = std::find_if(applied.begin(), applied.end(),
                                       [](const FieldChange& c) { return c.field == "uart"; });
        uart != applied.end()) {
        now.baud = profile.baud.value_or(connection.baud);
        session.reset();  // the port is closed before it is opened again
        session = std::make_unique<ModuleSession>(context.texts, context.stopRequested);
        if (Step failed = session->Connect(now)) {
            return failed;
        }
    } else if (Step failed = session->Refresh()) {
        return failed;
    }
    module = ValuesOf(*session);
    std::string message;
    for (const FieldChange& change : ProfileChanges(profile, name, module, now.baud)) {
        const bool wasApplied =
            std::any_of(applied.begin(), applied.end(),
                        [&change](const FieldChange& a) { return a.field == change.field; });
        if (wasApplied) {
            if (!message.empty()) {
                message += ' ';
            }
            message +=
                context.texts(TextId::ProfileNotVerified, {change.field, change.to, change.from});
        }
    }
    if (!message.empty()) {
        return Failure{ExitCode::NotVerified, message};
    }
    return std::nullopt;
}

// Applies the difference to the connected module and verifies it; the outcome gets what
// differed and how it ended.
void ApplyToModule(const Profile& profile, const std::string& name, const ApplyOptions& options,
                   const CliContext& context, std::unique_ptr<ModuleSession>& session,
                   ApplyOutcome& outcome) {
    outcome.module = ValuesOf(*session);
    outcome.changes = ProfileChanges(profile, name, outcome.module, options.connection.baud);
    if (outcome.changes.empty()) {
        context.Say(context.texts(TextId::ProfileMatches));
        return;
    }
    for (const FieldChange& change : outcome.changes) {
        context.Say(ChangeLine(change));
    }
    outcome.failure = ApplySet(RequestFor(outcome.changes, profile, name, options.connection),
                               *session, context, options.dryRun);
    if (options.dryRun) {
        if (!outcome.failure) {
            context.Say(context.texts(TextId::ProfileDryRun));
        }
        return;
    }
    if (!outcome.failure) {
        outcome.failure = Verify(profile, name, outcome.changes, options.connection, session,
                                 context, outcome.module);
    }
}

}  // namespace

ApplyOutcome ApplyProfile(const Profile& profile, const ApplyOptions& options,
                          const CliContext& context) {
    ApplyOutcome outcome;
    std::string name;
    if (profile.name) {
        const std::optional<std::string> filled = NameFor(*profile.name, options.nameCounter);
        if (!filled) {
            outcome.failure =
                Failure{ExitCode::BadArgument, context.texts(TextId::ProfileBadValue, {"name"})};
            return outcome;
        }
        name = *filled;
    }
    auto session = std::make_unique<ModuleSession>(context.texts, context.stopRequested);
    outcome.failure = session->Connect(options.connection);
    if (!outcome.failure) {
        ApplyToModule(profile, name, options, context, session, outcome);
    }
    // Whatever happened, the module is let go of as every command lets go of it.
    outcome.failure = session->Leave(outcome.failure);
    return outcome;
}
