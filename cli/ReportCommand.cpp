// `skw-manager-cli report`: the records of a line's database, filtered, as a table, JSON Lines
// or CSV, or a summary: yield per station and failures by reason.

#include "Commands.h"
#include "RecordColumns.h"
#include "RecordFile.h"
#include "RecordStore.h"
#include "StationPlatform.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>
#include <variant>

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

// Text as the text lines show it (control characters escaped), its line breaks kept: a CSV
// field may hold them.
std::string PrintableLines(const std::string& text) {
    std::string shown;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
        shown += Printable(std::string_view(text).substr(begin, end - begin)) + '\n';
    }
    return shown + Printable(std::string_view(text).substr(begin));
}

// A record whose every text is safe to show: what came from a module may hold terminal escapes.
UnitRecord Printed(UnitRecord r) {
    for (const RecordColumn& column : RecordColumns()) {
        if (const auto* text = std::get_if<std::string UnitRecord::*>(&column.member)) {
            r.*(*text) = PrintableLines(r.*(*text));
        } else if (const auto* list =
                       std::get_if<std::vector<std::string> UnitRecord::*>(&column.member)) {
            for (std::string& field : r.*(*list)) {
                field = PrintableLines(field);
            }
        }
    }
    return r;
}

void SayCsv(const std::vector<UnitRecord>& records, const CliContext& context) {
    context.out << CsvHeaderLine();
    for (const UnitRecord& r : records) {
        context.out << CsvLine(Printed(r));
    }
    context.out << std::flush;
}

// An address as records hold it: twelve hex digits in upper case, without separators.
std::string RecordedAddress(const std::string& typed) {
    std::string address;
    for (const char c : typed) {
        if (c != ':' && c != '-') {
            address += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return address;
}

// A unit is one module at one station: its address, or, when its module was never read, its
// port and the start of its first try: a further try on that port (attempt 2, 3, ...) belongs
// to the unit before it. Records come in the order they were written.
class UnitKeys {
public:
    std::string Of(const UnitRecord& r) {
        if (!r.address.empty()) {
            return r.station + "\n" + r.address;
        }
        std::string& current = m_addressless[r.station + "\n" + r.port];
        if (r.attempt <= 1 || current.empty()) {
            current = r.station + "\n" + r.port + "@" + r.time;
        }
        return current;
    }

private:
    std::map<std::string, std::string> m_addressless;  // station and port -> its unit now
};

// Per station: units counted once each, those that ever passed, and the first-pass yield (units
// that passed at their first try among the units configured, duplicates aside); then failures
// by reason, counting units, with their tries apart.
void SaySummary(const std::vector<UnitRecord>& records, const CliContext& context) {
    struct Unit {
        bool passed = false;
        bool passedFirst = false;
        bool configured = false;  // a try other than DUPLICATE
    };
    std::map<std::string, std::map<std::string, Unit>> stations;
    struct Reason {
        std::set<std::string> units;
        unsigned tries = 0;
    };
    std::map<std::string, Reason> reasons;
    UnitKeys keys;
    for (const UnitRecord& r : records) {
        const std::string key = keys.Of(r);
        Unit& unit = stations[r.station][key];
        const bool pass = r.result == UnitRecord::Result::Pass;
        unit.passed = unit.passed || pass;
        unit.passedFirst = unit.passedFirst || (pass && r.attempt == 1);
        unit.configured = unit.configured || r.result != UnitRecord::Result::Duplicate;
        if (r.result == UnitRecord::Result::Fail) {
            reasons[r.reason].units.insert(key);
            ++reasons[r.reason].tries;
        }
    }
    for (const auto& [station, units] : stations) {
        unsigned pass = 0;
        unsigned passFirst = 0;
        unsigned configured = 0;
        for (const auto& [key, unit] : units) {
            pass += unit.passed ? 1 : 0;
            passFirst += unit.passedFirst ? 1 : 0;
            configured += unit.configured ? 1 : 0;
        }
        context.Say(
            context.texts(TextId::StationYield,
                          {station, std::to_string(units.size()), std::to_string(pass),
                           Fixed1(configured == 0 ? 0.0 : 100.0 * passFirst / configured)}));
    }
    for (const auto& [reason, counted] : reasons) {
        const std::string tries = counted.tries == counted.units.size()
                                      ? ""
                                      : " (" + std::to_string(counted.tries) + " tries)";
        context.Say(std::to_string(counted.units.size()) + tries + "  " + reason);
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
    if (query.address) {
        query.address = RecordedAddress(*query.address);
    }
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
