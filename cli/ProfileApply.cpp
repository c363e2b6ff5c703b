#include "ProfileApply.h"

#include "ApplySet.h"

#include <algorithm>
#include <memory>

namespace {

std::string OrDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string SlotText(const SlotValue& slot) {
    return slot.address.empty() ? "-"
           : slot.name.empty()  ? slot.address
                                : slot.address + " " + slot.name;
}

std::string OnOff(bool on) {
    return on ? "on" : "off";
}

std::string UartText(std::uint32_t baud, bool flow) {
    return std::to_string(baud) + "," + OnOff(flow);
}

// The differences in the order `set` applies them, and the `set` request that applies them.
class Difference {
public:
    Difference(const Profile& profile, const std::string& name, const ModuleValues& module,
               const Connection& connection) {
        m_request.connection = connection;
        Role(profile, module);
        Peripheral(profile, name, module);
        Central(profile, module);
        Slots(profile, module);
        Uart(profile, module, connection.baud);
    }

    const std::vector<FieldChange>& Changes() const { return m_changes; }
    const SetRequest& Request() const { return m_request; }

private:
    void Add(std::string field, std::string from, std::string to) {
        m_changes.push_back({std::move(field), std::move(from), std::move(to)});
    }

    void Role(const Profile& p, const ModuleValues& v) {
        if (p.role && *p.role != v.role) {
            Add("role", v.role < 0 ? "-" : kRoleNames[v.role], kRoleNames[*p.role]);
            m_request.role = kRoleNames[*p.role];
        }
    }

    void Peripheral(const Profile& p, const std::string& name, const ModuleValues& v) {
        if (p.name && name != v.name) {
            Add("name", v.name, name);
            m_request.name = name;
        }
        if (p.advInterval && v.advInterval != p.advInterval) {
            Add("advInterval", v.advInterval ? std::to_string(*v.advInterval) : "-",
                std::to_string(*p.advInterval));
            m_request.advInterval = std::to_string(*p.advInterval);
        }
    }

    void Central(const Profile& p, const ModuleValues& v) {
        if (p.autoConnect && v.autoCon != p.autoConnect) {
            Add("autoConnect", v.autoCon ? OnOff(*v.autoCon) : "-", OnOff(*p.autoConnect));
            m_request.autoCon = OnOff(*p.autoConnect);
        }
        if (p.masterAddress && v.masterAddress != p.masterAddress) {
            Add("masterAddress", v.masterAddress ? OrDash(*v.masterAddress) : "-",
                OrDash(*p.masterAddress));
            m_request.master = p.masterAddress->empty() ? "none" : *p.masterAddress;
        }
    }

    void Slots(const Profile& p, const ModuleValues& v) {
        for (const auto& [number, wanted] : p.slots) {
            const SlotValue held = v.slots ? (*v.slots)[number - 1] : SlotValue{};
            if (v.slots && held == wanted) {
                continue;
            }
            Add("slots[" + std::to_string(number) + "]", v.slots ? SlotText(held) : "-",
                SlotText(wanted));
            if (wanted.address.empty()) {
                m_request.clearSlots.push_back(number);
            } else {
                m_request.slots.push_back(std::to_string(number) + "=" + wanted.address + "," +
                                          wanted.name);
            }
        }
    }

    void Uart(const Profile& p, const ModuleValues& v, std::uint32_t baud) {
        const std::uint32_t wantedBaud = p.baud.value_or(baud);
        const bool wantedFlow = p.flowControl.value_or(v.flow);
        if (wantedBaud != baud || wantedFlow != v.flow) {
            Add("uart", UartText(baud, v.flow), UartText(wantedBaud, wantedFlow));
            m_request.uart = UartText(wantedBaud, wantedFlow);
        }
    }

    std::vector<FieldChange> m_changes;
    SetRequest m_request;
};

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
    const Difference left(profile, name, module, now);
    std::string message;
    for (const FieldChange& change : left.Changes()) {
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
    const Difference difference(profile, name, outcome.module, options.connection);
    outcome.changes = difference.Changes();
    if (outcome.changes.empty()) {
        context.Say(context.texts(TextId::ProfileMatches));
        return;
    }
    for (const FieldChange& change : outcome.changes) {
        context.Say(ChangeLine(change));
    }
    outcome.failure = ApplySet(difference.Request(), *session, context, options.dryRun);
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
