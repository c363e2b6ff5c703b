#include "CliArguments.h"

#include "BaudRates.h"
#include "ExitCode.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>

namespace {

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

void AddConnection(CLI::App* command, Connection& connection) {
    command->add_option("--port,-p", connection.port, kPortHelp)->required()->check(kNotEmpty);
    command->add_option_function<std::string>(
        "--baud,-b", [&connection](const std::string& text) { connection.baud = PortBaud(text); },
        "Speed of the port (default 9600)");
    AddText(command, "--expect-model", connection.expectedModel,
            "Stop with status 6 unless the module is this model")
        ->check(kNotEmpty);
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
};

void AddInfo(CLI::App& app, Commands& c) {
    CLI::App* info = app.add_subcommand("info", "Identify the module and show its settings");
    AddConnection(info, c.info.connection);
    info->add_flag("--json", c.info.json, "Print one JSON object");
}

void AddSet(CLI::App& app, Commands& c) {
    CLI::App* set = app.add_subcommand(
        "set", "Change settings; they are applied in the order the options are listed here");
    SetRequest& r = c.set;
    AddConnection(set, r.connection);
    AddText(set, "--role", r.role, "Operation role")
        ->check(CLI::IsMember(std::vector<std::string>(kRoleNames.begin(), kRoleNames.end())));
    AddText(set, "--name", r.name, "Device name, at most 8 bytes of UTF-8");
    AddText(set, "--adv-interval", r.advInterval, "Advertising interval, 20 to 2560 ms");
    AddText(set, "--autocon", r.autoCon, "Automatic connection at power-on")
        ->check(CLI::IsMember({"on", "off"}));
    AddText(set, "--master", r.master, "Master device address (12 hex digits) or 'none'");
    set->add_option("--slot", r.slots, "Register slot N: N=ADDRESS[,NAME] (repeatable)");
    set->add_option("--clear-slot", r.clearSlots, "Empty slot N (repeatable)")
        ->check(CLI::Range(1u, 8u));
    AddText(set, "--uart", r.uart,
            "UART speed and flow control: BAUD[,on|off]; the module restarts, applied last");
}

void AddScan(CLI::App& app, Commands& c) {
    CLI::App* scan = app.add_subcommand("scan", "Scan for devices and list each one once");
    ScanRequest& r = c.scan;
    AddConnection(scan, r.connection);
    scan->add_option("--seconds,-s", r.seconds, "How long to scan (default 5)")
        ->check(CLI::Range(1u, 3600u));
    AddText(scan, "--name-filter", r.nameFilter, "Only names containing this (at most 8 bytes)");
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
    AddText(exporter, "--output,-o", c.exportProfile.output, "Write to FILE instead of stdout");

    CLI::App* apply = app.add_subcommand(
        "apply", "Apply a settings file: show what differs, set it, read it back and check it");
    ApplyRequest& r = c.apply;
    CLI::Option* port = apply->add_option("--port,-p", r.connection.port, kPortHelp);
    apply->add_option("--baud,-b", r.connection.baud, "Speed of the port (default 9600)")
        ->check(CLI::IsMember(kPortBauds));
    AddText(apply, "--expect-model", r.connection.expectedModel,
            "Stop with status 6 unless the module is this model");
    apply->add_option("file", r.file, "The settings file")->required();
    CLI::Option* dryRun =
        apply->add_flag("--dry-run", r.dryRun, "Only show what differs; send no setting");
    apply->add_option("--name-counter", r.nameCounter,
                      "First number of the device name's counter, e.g. {n:03} (default 1)");
    CLI::Option* watch = apply->add_flag(
        "--watch", r.watch, "Production mode: apply to every module that appears, until Ctrl+C");
    CLI::Option* ports = apply->add_option("--ports", r.portPattern,
                                           "Watch mode: the ports watched, a shell pattern");
    CLI::Option* report =
        AddText(apply, "--report", r.report, "Watch mode: append one CSV row per module");
    watch->excludes(port)->excludes(dryRun);
    ports->needs(watch);
    report->needs(watch);
    apply->callback([apply, watch] {
        if (watch->count() == 0 && apply->get_option("--port")->count() == 0) {
            throw CLI::RequiredError("--port");
        }
    });
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
    return PortsRequest{};
}

}  // namespace

std::variant<CliRequest, int> ParseArguments(const std::vector<std::string>& args,
                                             std::ostream& out, std::ostream& err) {
    CLI::App app{"Configure a GaX-sKW52x or GaX-DTQ50 module over its serial port.", kProgramName};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string(kProgramName) + " " + SKW_VERSION_TEXT,
                         "Print the version and exit");
    app.footer(
        "Exit status: 0 done; 1 internal error, or standard output cannot be written; 2 bad\n"
        "argument (no setting sent); 3 port cannot be opened (also when another program has it\n"
        "open); 4 no answer, or a restart not confirmed; 5 unsupported model; 6 another model\n"
        "than expected; 7 setting or command refused; 8 port error during the command; 9 not\n"
        "offered for the model in its current role; 10 a setting did not read back as applied;\n"
        "130 interrupted (SIGINT or SIGTERM): the command stopped between two settings and the\n"
        "module was restarted out of its setting mode. Ctrl+C during a scan ends the scan early,\n"
        "during apply --watch it ends the watch after the module in progress (status 0).");
    app.add_subcommand("ports", "List the serial ports, virtual modules included");
    Commands commands;
    AddInfo(app, commands);
    AddSet(app, commands);
    AddScan(app, commands);
    AddDeviceCommands(app, commands);
    AddProfileCommands(app, commands);

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
        err << kProgramName << ": " << error.what() << '\n';
        return ToInt(ExitCode::BadArgument);
    }
    return Chosen(app, commands);
}
