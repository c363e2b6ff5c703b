#include "CliArguments.h"

#include "BaudRates.h"
#include "ExitCode.h"
#include "RecordStore.h"
#include "SettingTable.h"
#include "StoredText.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

namespace {

// A name counter of up to nine digits: the largest width of a placeholder that still fits a
// name is far below it.
constexpr unsigned kMaxNameCounter = 999'999'999;

constexpr const char* kPortHelp =
    "Serial port (/dev/ttyUSB0) or network port (rfc2217://HOST:PORT, socket://HOST:PORT)";

// The speeds of the COM port dialog's list.
const std::vector<std::uint32_t> kPortBauds(kBaudRates.begin(), kBaudRates.end());

CLI::Option* AddText(CLI::App* command, const std::string& name, std::optional<std::string>& target,
                     const std::string& description) {
    return command->add_option_function<std::string>(
        name, [&target](const std::string& value) { target = value; }, description);
}

// The parser skips its checks for an empty value; these options have no empty meaning.
const CLI::Validator kNotEmpty(
    [](const std::string& value) { return value.empty() ? "an empty value" : std::string(); }, "",
    "NOT EMPTY");

// A list of ports without one would watch nothing, silently.
const CLI::Validator kSomePort(
    [](const std::string& value) {
        return value.find_first_not_of(", ") == std::string::npos ? "no port in it" : std::string();
    },
    "", "PORTS");

// What is recorded, or looked up in the records, is text: a line's database refuses other bytes.
const CLI::Validator kUtf8(
    [](const std::string& value) { return IsUtf8(value) ? std::string() : "not UTF-8 text"; }, "",
    "UTF-8");

// An empty value would otherwise be taken as the default speed.
std::uint32_t PortBaud(const std::string& text) {
    std::uint32_t baud = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), baud);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        std::find(kPortBauds.begin(), kPortBauds.end(), baud) == kPortBauds.end()) {
        throw CLI::ValidationError("--baud", "'" + text + "' is not a speed of the port list");
    }
    return baud;
}

// A counter or slot number: decimal digits only (the parser would take "0x10" as hex and
// "010" as octal), within [low, high].
unsigned Decimal(const std::string& option, const std::string& text, unsigned low, unsigned high) {
    unsigned value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    const bool digitsOnly =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (text.empty() || !digitsOnly || error != std::errc() || end != last || value < low ||
        value > high) {
        throw CLI::ValidationError(option, "'" + text + "' is not a decimal number from " +
                                               std::to_string(low) + " to " + std::to_string(high));
    }
    return value;
}

// The folder a file is to be written into exists.
const CLI::Validator kFolderExists(
    [](const std::string& path) {
        const std::filesystem::path parent = std::filesystem::path(path).parent_path();
        std::error_code error;
        if (parent.empty() || std::filesystem::is_directory(parent, error)) {
            return std::string();
        }
        return "the folder " + parent.string() + " does not exist";
    },
    "", "FOLDER EXISTS");

CLI::Option* AddPort(CLI::App* command, Connection& connection) {
    return command->add_option("--port,-p", connection.port, kPortHelp)->check(kNotEmpty);
}

// How the module is reached, but for the port: its speed and the model expected.
void AddLine(CLI::App* command, Connection& connection) {
    command->add_option_function<std::string>(
        "--baud,-b", [&connection](const std::string& text) { connection.baud = PortBaud(text); },
        "Speed of the port (default 9600)");
    AddText(command, "--expect-model", connection.expectedModel,
            "Stop with status 6 unless the module is this model")
        ->check(kNotEmpty);
}

// One module, one session: a recording of it can be replayed as the module
// (skw-module-sim --replay).
void AddConnection(CLI::App* command, Connection& connection) {
    AddPort(command, connection)->required();
    AddLine(command, connection);
    command
        ->add_option("--record-session", connection.recordPath,
                     "Record the session (both directions, with times) into FILE")
        ->type_name("FILE")
        ->check(kNotEmpty)
        ->check(kFolderExists);
}

// One subcommand per request; each fills its own request, and the one that was parsed wins.
struct Commands {
    InfoRequest info;
    SetRequest set;
    ScanRequest scan;
    RebootRequest reboot;
    FactoryResetRequest factoryReset;
    ExportRequest exportProfile;
    ApplyRequest apply;
    ReportRequest report;
};

void AddInfo(CLI::App& app, Commands& c) {
    CLI::App* info = app.add_subcommand("info", "Identify the module and show its settings");
    AddConnection(info, c.info.connection);
    info->add_flag("--json", c.info.json, "Print one JSON object");
}

// The slots are two options: one fills a slot, the other empties it.
void AddSlotOptions(CLI::App* set, const SettingRow& row, SetRequest& r) {
    set->add_option(std::string(row.option), r.slots, std::string(row.help));
    set->add_option_function<std::vector<std::string>>(
        "--clear-slot",
        [&r](const std::vector<std::string>& numbers) {
            for (const std::string& number : numbers) {
                r.clearSlots.push_back(
                    Decimal("--clear-slot", number, 1, static_cast<unsigned>(kSlotCount)));
            }
        },
        "Empty slot N (repeatable)");
}

void AddSetting(CLI::App* set, const SettingRow& row, SetRequest& r) {
    if (row.kind == ValueKind::Slots) {
        AddSlotOptions(set, row, r);
        return;
    }
    CLI::Option* option = set->add_option_function<std::string>(
        std::string(row.option),
        [&r, field = row.field](const std::string& value) { r.values[field] = value; },
        std::string(row.help));
    if (row.kind == ValueKind::Role) {
        option->check(
            CLI::IsMember(std::vector<std::string>(kRoleNames.begin(), kRoleNames.end())));
    } else if (row.kind == ValueKind::OnOff) {
        option->check(CLI::IsMember({"on", "off"}));
    }
}

void AddSet(CLI::App& app, Commands& c) {
    CLI::App* set = app.add_subcommand(
        "set", "Change settings; they are applied in the order the options are listed here");
    AddConnection(set, c.set.connection);
    for (const SettingRow* row : RowsInApplyOrder()) {
        AddSetting(set, *row, c.set);
    }
}

void AddScan(CLI::App& app, Commands& c) {
    CLI::App* scan = app.add_subcommand("scan", "Scan for devices and list each one once");
    ScanRequest& r = c.scan;
    AddConnection(scan, r.connection);
    scan->add_option("--seconds,-s", r.seconds, "How long to scan (default 5)")
        ->check(CLI::Range(1u, 3600u));
    AddText(scan, "--name-filter", r.nameFilter, "Only names containing this (at most 8 bytes)")
        ->check(kNotEmpty);
    AddText(scan, "--rssi-min", r.rssiMin, "Only devices at least this strong, in dBm");
    scan->add_flag("--json", r.json, "Print one JSON array at the end");
}

void AddDeviceCommands(CLI::App& app, Commands& c) {
    CLI::App* reboot = app.add_subcommand("reboot", "Restart the module");
    AddConnection(reboot, c.reboot.connection);
    CLI::App* reset = app.add_subcommand("factory-reset", "Restore the factory settings");
    AddConnection(reset, c.factoryReset.connection);
    reset->add_flag("--yes", c.factoryReset.confirmed, "Confirm the factory reset");
}

void AddProfileCommands(CLI::App& app, Commands& c) {
    CLI::App* exporter = app.add_subcommand("export", "Write the module's settings file (JSON)");
    AddConnection(exporter, c.exportProfile.connection);
    AddText(exporter, "--output,-o", c.exportProfile.output, "Write to FILE instead of stdout")
        ->check(kNotEmpty)
        ->check(kFolderExists);

    CLI::App* apply = app.add_subcommand(
        "apply", "Apply a settings file: show what differs, set it, read it back and check it");
    ApplyRequest& r = c.apply;
    CLI::Option* port = AddPort(apply, r.connection);
    AddLine(apply, r.connection);
    apply->add_option("file", r.file, "The settings file")->required()->check(kNotEmpty);
    CLI::Option* dryRun =
        apply->add_flag("--dry-run", r.dryRun, "Only show what differs; send no setting");
    apply->add_option_function<std::string>(
        "--name-counter",
        [&r](const std::string& text) {
            r.nameCounter = Decimal("--name-counter", text, 0, kMaxNameCounter);
        },
        "First number of the device name's counter, e.g. {n:03} (default 1)");
    CLI::Option* watch = apply->add_flag(
        "--watch", r.watch, "Production mode: apply to every module that appears, until Ctrl+C");
    CLI::Option* ports =
        apply
            ->add_option("--ports", r.portPattern,
                         "Watch mode: the ports watched: shell patterns and rfc2217:// or "
                         "socket:// ports, separated by commas")
            ->check(kSomePort);
    CLI::Option* report = AddText(apply, "--report", r.report,
                                  "Watch mode: append one record per try to FILE.csv or FILE.jsonl")
                              ->check(kNotEmpty)
                              ->check(kFolderExists);
    CLI::Option* parallel = apply->add_option_function<std::string>(
        "--parallel",
        [&r](const std::string& text) { r.parallel = Decimal("--parallel", text, 1, 256); },
        "Watch mode: at most N modules at once (default: every new one)");
    CLI::Option* retries = apply->add_option_function<std::string>(
        "--retries",
        [&r](const std::string& text) { r.retries = Decimal("--retries", text, 0, 10); },
        "Watch mode: tries again after a failure on the line (default 1)");
    CLI::Option* station =
        AddText(apply, "--station", r.station, "Watch mode: the station's name (default: host)")
            ->check(kNotEmpty)
            ->check(kUtf8);
    CLI::Option* operatorName =
        AddText(apply, "--operator", r.operatorName, "Watch mode: the operator, recorded")
            ->check(kUtf8);
    CLI::Option* lot =
        AddText(apply, "--lot", r.lot, "Watch mode: the lot, recorded")->check(kUtf8);
    CLI::Option* record =
        AddText(apply, "--record", r.record,
                "Watch mode: the line's database, sqlite:PATH or postgresql://user@host/db")
            ->check(kNotEmpty)
            ->check(kUtf8);
    CLI::Option* reset = apply->add_option_function<std::string>(
        "--reset-counter",
        [&r](const std::string& text) {
            r.resetCounter = Decimal("--reset-counter", text, 0, kMaxNameCounter);
        },
        "Watch mode with a database: the counter's next number (never lower than it is)");
    watch->excludes(port)->excludes(dryRun);
    record->excludes(report);
    reset->excludes(report);
    for (CLI::Option* option :
         {ports, report, parallel, retries, station, operatorName, lot, record, reset}) {
        option->needs(watch);
    }
    apply->callback([apply, watch] {
        if (watch->count() == 0 && apply->get_option("--port")->count() == 0) {
            throw CLI::RequiredError("--port");
        }
    });
}

// The parser's own message names the option and what is wrong with it, in English; the line
// leads with what kind of mistake it is, in the user's language.
TextId ParseErrorText(const CLI::ParseError& error) {
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
        return TextId::ArgumentMissing;
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        return TextId::ArgumentUnexpected;
    }
    if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr ||
        dynamic_cast<const CLI::ConversionError*>(&error) != nullptr ||
        dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        return TextId::ArgumentInvalid;
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr ||
        dynamic_cast<const CLI::RequiresError*>(&error) != nullptr) {
        return TextId::ArgumentsConflict;
    }
    return TextId::ArgumentsWrong;
}

void AddReport(CLI::App& app, Commands& c) {
    CLI::App* report =
        app.add_subcommand("report", "Print the records of a line's database, filtered");
    ReportRequest& r = c.report;
    AddText(report, "--record", r.record,
            "The database, sqlite:PATH or postgresql://user@host/db (default: this station's)")
        ->check(kNotEmpty)
        ->check(kUtf8);
    AddText(report, "--lot", r.lot, "Only this lot")->check(kUtf8);
    AddText(report, "--station", r.station, "Only this station")->check(kUtf8);
    AddText(report, "--result", r.result, "Only this result")
        ->check(CLI::IsMember({"PASS", "FAIL", "DUPLICATE"}));
    AddText(report, "--address", r.address, "Only the unit with this address")->check(kUtf8);
    report->add_option_function<std::string>(
        "--since",
        [&r](const std::string& text) {
            r.since = SinceAsUtc(text);
            if (!r.since) {
                throw CLI::ValidationError("--since",
                                           "'" + text + "' is not an ISO 8601 date or time");
            }
        },
        "Only records from this time on: 2026-12-10 (local midnight), 2026-12-10T08:00 or "
        "2026-12-10 08:00 (local), 2026-12-10T08:00Z or 2026-12-10T17:00+09:00");
    CLI::Option* json = report->add_flag("--json", r.json, "One JSON object per record");
    CLI::Option* csv = report->add_flag("--csv", r.csv, "CSV, as the watch's report file");
    report->add_flag("--summary", r.summary, "Yield per station and failures by reason");
    json->excludes(csv);
}

CliRequest Chosen(const CLI::App& app, Commands& c) {
    const std::string name = app.get_subcommands().front()->get_name();
    if (name == "info") {
        return c.info;
    }
    if (name == "set") {
        return c.set;
    }
    if (name == "scan") {
        return c.scan;
    }
    if (name == "reboot") {
        return c.reboot;
    }
    if (name == "factory-reset") {
        return c.factoryReset;
    }
    if (name == "export") {
        return c.exportProfile;
    }
    if (name == "apply") {
        return c.apply;
    }
    if (name == "report") {
        return c.report;
    }
    return PortsRequest{};
}

}  // namespace

std::variant<CliRequest, int> ParseArguments(const std::vector<std::string>& args,
                                             std::ostream& out, std::ostream& err,
                                             const Texts& texts) {
    CLI::App app{"Configure a GaX-sKW52x or GaX-DTQ50 module over its serial port.", kProgramName};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string(kProgramName) + " " + SKW_VERSION_TEXT,
                         "Print the version and exit");
    app.footer(
        "Exit status: 0 done; 1 internal error, or standard output cannot be written; 2 bad\n"
        "argument (no setting sent), or a report or database that cannot be used; 3 port cannot\n"
        "be opened (also when another program has it open, or another watch its ports); 4 no\n"
        "answer, or a restart not confirmed; 5 unsupported model; 6 another model than\n"
        "expected; 7 setting or command refused; 8 port error during the command; 9 not offered\n"
        "for the model in its current role; 10 a setting did not read back as applied; 130\n"
        "interrupted (SIGINT or SIGTERM): the command stopped between two settings and the\n"
        "module was restarted out of its setting mode. Ctrl+C during a scan ends the scan early,\n"
        "during apply --watch it ends the watch after the module in progress (status 0).");
    app.add_subcommand("ports", "List the serial ports, virtual modules included");
    Commands commands;
    AddInfo(app, commands);
    AddSet(app, commands);
    AddScan(app, commands);
    AddDeviceCommands(app, commands);
    AddProfileCommands(app, commands);
    AddReport(app, commands);

    std::vector<const char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        out << app.help();  // the chosen subcommand's help when there is one
        return ToInt(ExitCode::Ok);
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return ToInt(ExitCode::Ok);
    } catch (const CLI::ParseError& error) {
        err << kProgramName << ": " << texts(ParseErrorText(error), {error.what()}) << '\n';
        return ToInt(ExitCode::BadArgument);
    }
    return Chosen(app, commands);
}
