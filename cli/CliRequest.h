#pragma once

#include "Connection.h"
#include "Profile.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// What the command line asks for, as given: the values are checked by the commands, before
// anything is sent.

// The values of --role are the settings file's role names (kRoleNames).

struct PortsRequest {};

struct InfoRequest {
    Connection connection;
    bool json = false;
};

struct SetRequest {
    Connection connection;
    // The settings' options (SettingRow::option) as given, by their setting's field, but for
    // the slots': --uart BAUD[,on|off], --master 12 hex digits or "none".
    std::map<ProfileField, std::string> values;
    std::vector<std::string> slots;    // N=ADDRESS[,NAME]
    std::vector<unsigned> clearSlots;  // N
};

struct ScanRequest {
    Connection connection;
    unsigned seconds = 5;
    std::optional<std::string> nameFilter;
    std::optional<std::string> rssiMin;
    bool json = false;
};

struct RebootRequest {
    Connection connection;
};

struct FactoryResetRequest {
    Connection connection;
    bool confirmed = false;
};

struct ExportRequest {
    Connection connection;
    std::optional<std::string> output;  // none: standard output
};

struct ApplyRequest {
    Connection connection;  // its port is empty in watch mode
    std::string file;
    bool dryRun = false;
    unsigned nameCounter = 1;  // fills the device name's counter placeholder
    bool watch = false;
    std::string portPattern = "*";       // watch mode: PortListEntries
    std::optional<std::string> report;   // watch mode: the CSV or JSON Lines report appended to
    unsigned parallel = 0;               // watch mode: units at once; 0: every new port
    unsigned retries = 1;                // watch mode: further tries after a failure on the line
    std::optional<std::string> station;  // watch mode: default the host name
    std::optional<std::string> operatorName;  // watch mode
    std::optional<std::string> lot;           // watch mode
    std::optional<std::string> record;  // watch mode: the line's database (sqlite:, postgresql://)
    std::optional<unsigned> resetCounter;  // watch mode with a database: the counter's next number
};

// The records of a line's database, filtered.
struct ReportRequest {
    std::optional<std::string> record;  // none: the station's own default database
    std::optional<std::string> lot;
    std::optional<std::string> station;
    std::optional<std::string> result;
    std::optional<std::string> address;
    std::optional<std::string> since;
    bool json = false;
    bool csv = false;
    bool summary = false;  // yield per station and failures by reason instead of the records
};

using CliRequest = std::variant<PortsRequest, InfoRequest, SetRequest, ScanRequest, RebootRequest,
                                FactoryResetRequest, ExportRequest, ApplyRequest, ReportRequest>;
