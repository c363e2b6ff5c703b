#include "Commands.h"
#include "InputRules.h"
#include "ModuleSession.h"

#include <charconv>
#include <chrono>
#include <cstring>
#include <set>

namespace {

std::optional<std::string> FilterError(InputRules::ScanFilterError error, const Texts& tr) {
    switch (error) {
        case InputRules::ScanFilterError::None:
            break;
        case InputRules::ScanFilterError::RssiNotSet:
            return tr(TextId::RssiNotSet);
        case InputRules::ScanFilterError::RssiNotNumber:
            return tr(TextId::RssiNotNumber);
        case InputRules::ScanFilterError::NameTooLong:
            return tr(TextId::NameFilterTooLong);
        case InputRules::ScanFilterError::NameNotAllowed:
            return tr(ConfMessageId::MSG_TEXT_NOT_ALLOWED);
    }
    return std::nullopt;
}

// The page keeps the low 8 bits of the number typed (300 acts as 44), but a number too long
// for the page's edit to hold at all would become an arbitrary threshold.
bool FitsTheEdit(std::string_view rssiText) {
    const std::string_view trimmed = InputRules::Trimmed(rssiText);
    int value = 0;
    return std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value).ec !=
           std::errc::result_out_of_range;
}

// The devices found, each listed once, as the page's scan list takes them: a report below the
// RSSI threshold is dropped and not remembered, so the device is judged again at its next one.
class DeviceListing {
public:
    DeviceListing(std::optional<std::int8_t> threshold, bool json, const CliContext& context)
        : m_threshold(threshold), m_json(json), m_context(context) {
        const Texts& tr = context.texts;
        m_addressWidth =
            std::max<std::size_t>(12, DisplayWidth(tr(ConfMessageId::MSG_COLUMN_ADDRESS)));
        m_rssiWidth = std::max<std::size_t>(4, DisplayWidth(tr(ConfMessageId::MSG_COLUMN_RSSI)));
        if (!m_json) {
            context.Say(Row(tr(ConfMessageId::MSG_COLUMN_ADDRESS),
                            tr(ConfMessageId::MSG_COLUMN_RSSI),
                            tr(ConfMessageId::MSG_COLUMN_NAME)));
        }
    }

    void Add(const ScanReport& report) {
        const std::string address = FormatBdAddr(report.address);
        if (m_seen.contains(address) || (m_threshold && *m_threshold > report.rssi)) {
            return;
        }
        m_seen.insert(address);
        const std::string name =
            Normalised(std::string(report.name, ::strnlen(report.name, sizeof report.name)));
        if (m_json) {
            m_items.push_back(JsonObject()
                                  .Text("address", address)
                                  .Text("name", name)
                                  .Number("rssi", report.rssi));
        } else {
            m_context.Say(Row(address, std::to_string(report.rssi), name));
        }
    }

    void Finish() const {
        if (m_json) {
            m_context.SayJson(JsonArray(m_items));
        }
    }

private:
    std::string Row(const std::string& address, const std::string& rssi,
                    const std::string& name) const {
        const std::size_t rssiUsed = DisplayWidth(rssi);
        const std::string rssiRight =
            std::string(m_rssiWidth > rssiUsed ? m_rssiWidth - rssiUsed : 0, ' ') + rssi;
        return PadRight(address, m_addressWidth) + "  " + rssiRight + "  " + name;
    }

    const std::optional<std::int8_t> m_threshold;
    const bool m_json;
    const CliContext& m_context;
    std::size_t m_addressWidth = 12;
    std::size_t m_rssiWidth = 4;
    std::set<std::string> m_seen;
    std::vector<JsonObject> m_items;
};

// Fetches reports until the time is up or a stop is asked for; a failure ends it early.
Step CollectReports(ModuleSession& session, const ScanRequest& request, DeviceListing& listing,
                    const CliContext& context) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(request.seconds);
    while (std::chrono::steady_clock::now() < deadline && !context.StopRequested()) {
        const JobStatus status = session.Run(JOB_SCAN_REPORT);
        if (session.PortFailed()) {
            return session.PortError();
        }
        if (status == JOB_OK) {
            listing.Add(session.LastScanReport());
        } else if (status != JOB_NO_REPORT) {
            return Failure{SessionOutcome::NoAnswer, context.texts(ConfMessageId::MSG_NO_ANSWER)};
        }
    }
    return std::nullopt;
}

Step Scan(ModuleSession& session, const ScanRequest& request,
          const std::optional<std::string>& nameFilter, const CliContext& context) {
    if (!session.Offers(GRP_SCAN_BUTTONS)) {
        return Failure{SessionOutcome::NotAvailable,
                       context.texts(SessionText::NotAvailable, {"scan", session.Model()})};
    }
    JobInputs inputs;
    inputs.nameFilterOn = nameFilter.has_value();
    inputs.nameFilter = nameFilter.value_or("");
    if (const JobStatus started = session.Run(JOB_SCAN_START, inputs); started != JOB_OK) {
        return session.AfterFailure(started, context.texts(TextId::ScanNotStarted));
    }
    std::optional<std::int8_t> threshold;
    if (request.rssiMin) {
        threshold = InputRules::RssiThreshold(*request.rssiMin);
    }
    DeviceListing listing(threshold, request.json, context);
    Step failed = CollectReports(session, request, listing, context);
    if (!session.PortFailed()) {
        const JobStatus stopped = session.StopScan();
        if (!failed && stopped != JOB_OK) {
            failed = session.PortFailed()
                         ? session.PortError()
                         : Failure{SessionOutcome::NoAnswer, context.texts(TextId::ScanNotStopped)};
        }
    } else if (!failed) {
        failed = session.PortError();
    }
    listing.Finish();
    return failed;
}

}  // namespace

int RunScan(const ScanRequest& request, const CliContext& context) {
    std::optional<std::string> nameFilter;
    if (request.nameFilter) {
        nameFilter = Normalised(*request.nameFilter);
    }
    if (const auto error =
            FilterError(InputRules::CheckScanFilters(request.rssiMin, nameFilter), context.texts)) {
        return context.Fail(ExitCode::BadArgument, *error);
    }
    if (request.rssiMin && !FitsTheEdit(*request.rssiMin)) {
        return context.Fail(ExitCode::BadArgument, context.texts(TextId::RssiOutOfRange));
    }
    ModuleSession session(context.texts, context.stopRequested);
    Step failed = session.Connect(request.connection);
    if (!failed) {
        failed = session.Interruption();
    }
    if (!failed) {  // an interruption from here on ends the scan early, as it is meant to
        failed = Scan(session, request, nameFilter, context);
    }
    failed = session.Leave(failed);
    return failed ? context.Fail(*failed) : ToInt(ExitCode::Ok);
}
