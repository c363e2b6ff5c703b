// `skw-manager-cli report`: the records of a line's database, filtered, as a table, JSON Lines
// or CSV, or a summary: yield per station and failures by reason.

#include "Commands.h"
#include "RecordColumns.h"
#include "RecordFile.h"
#include "RecordStore.h"
#include "StationPlatform.h"

#include <cstdio>
#include <map>
#include <string_view>

namespace {

// The columns of a record's line in the text output.
constexpr const char* kTextColumns[] = {"time", "station", "result", "address", "name", "reason"};

std::string TextLine(const UnitRecord& r) {
    std::string line;
    for (const char* name : kTextColumns) {
        std::string text = ColumnText(r, RecordColumnNamed(name));
        if (text.empty() && name == std::string_view("address")) {
            text = r.port;  // a unit whose module was never read
        }
        line += (name == kTextColumns[0] ? "" : "  ") + text;
    }
    return line;
}

std::string Fixed1(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

void SayCsv(const std::vector<UnitRecord>& records, const CliContext& context) {
    context.out << CsvHeaderLine();
    for (const UnitRecord& r : records) {
        context.out << CsvLine(r);
    }
    context.out << std::flush;
}

// Per station: units (a unit is its last try), PASS, first-pass yield; then failures by reason.
void SaySummary(const std::vector<UnitRecord>& records, const CliContext& context) {
    struct Counts {
        std::map<std::string, const UnitRecord*> lastTry;  // by address or port
        unsigned firstPass = 0;
    };
    std::map<std::string, Counts> stations;
    std::map<std::string, unsigned> reasons;
    for (const UnitRecord& r : records) {
        Counts& counts = stations[r.station];
        counts.lastTry[r.address.empty() ? r.port + "@" + r.time : r.address] = &r;
        counts.firstPass += r.result == UnitRecord::Result::Pass && r.attempt == 1 ? 1 : 0;
        if (r.result == UnitRecord::Result::Fail) {
            ++reasons[r.reason];
        }
    }
    for (const auto& [station, counts] : stations) {
        unsigned pass = 0;
        unsigned duplicate = 0;
        for (const auto& [unit, last] : counts.lastTry) {
            pass += last->result == UnitRecord::Result::Pass ? 1 : 0;
            duplicate += last->result == UnitRecord::Result::Duplicate ? 1 : 0;
        }
        const auto units = static_cast<unsigned>(counts.lastTry.size());
        const unsigned configured = units - duplicate;
        context.Say(
            context.texts(TextId::StationYield,
                          {station, std::to_string(units), std::to_string(pass),
                           Fixed1(configured == 0 ? 0.0 : 100.0 * counts.firstPass / configured)}));
    }
    for (const auto& [reason, count] : reasons) {
        context.Say(std::to_string(count) + "  " + reason);
    }
}

}  // namespace

int RunReport(const ReportRequest& request, const CliContext& context) {
    const std::string address = request.record.value_or(DefaultRecordAddress());
    std::string why;
    const std::unique_ptr<RecordStore> store =
        OpenRecordStore(address, why, StoreAccess::Reading);
    if (!store) {
        return context.Fail(ExitCodeOf(SessionOutcome::RecordRefused),
                            context.texts(SessionText::StoreRefused, {ShownAddress(address), why}));
    }
    RecordStore::Query query{request.lot, request.station, request.result, request.address,
                             request.since};
    const std::vector<UnitRecord> records = store->Records(query, why);
    if (!why.empty()) {
        return context.Fail(ExitCode::PortError,
                            context.texts(SessionText::StoreRefused, {ShownAddress(address), why}));
    }
    if (request.summary) {
        SaySummary(records, context);
    } else if (request.csv) {
        SayCsv(records, context);
    } else {
        for (const UnitRecord& r : records) {
            if (request.json) {
                context.SayJson(JsonText(RecordJson(r)));
            } else {
                context.Say(TextLine(r));
            }
        }
    }
    return ToInt(ExitCode::Ok);
}
