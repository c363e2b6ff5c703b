// What the line's database costs a unit: taking its number and writing its record, on SQLite
// and on a PostgreSQL server on loopback, against the time of one unit's apply at 9600 baud
// (a virtual module pacing its line like hardware), measured in the same run.
#include "BenchProfiles.h"
#include "ProfileApply.h"
#include "ProfileFile.h"
#include "RecordStore.h"
#include "ScratchPostgres.h"
#include "VirtualModule.h"

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <variant>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kUnits = 200;

// The confirmed fields of a unit that took the peripheral settings file, "field=value".
std::vector<std::string> ConfirmedFields() {
    const nlohmann::json file = nlohmann::json::parse(PeripheralProfileText());
    std::vector<std::string> fields;
    for (const auto& [key, value] : file.items()) {
        if (key != "format") {
            fields.push_back(key + "=" +
                             (value.is_string() ? value.get<std::string>() : value.dump()));
        }
    }
    return fields;
}

// The median of one unit's counter and record, in ms.
double UnitCostMs(RecordStore& store) {
    std::vector<double> times;
    UnitRecord record;
    record.time = "2026-12-11T00:00:00Z";
    record.station = "bench";
    record.result = UnitRecord::Result::Pass;
    record.confirmed = ConfirmedFields();
    for (int i = 0; i < kUnits; ++i) {
        record.address = "C0FFEE" + std::to_string(100000 + i);
        const auto start = Clock::now();
        store.TakeNumber("bench-{n}", 1);
        store.Write(record);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// One apply of a name and an interval at 9600 baud, in ms.
double ApplyMs() {
    VirtualModuleOptions options;
    options.portName = "rsb-" + std::to_string(::getpid());
    options.lineRate = true;
    VirtualModule module(options);
    module.Start();
    const auto profile = std::filesystem::temp_directory_path() /
                         ("skw-rsb-" + std::to_string(::getpid()) + ".json");
    std::ofstream(profile) << PeripheralProfileText();
    const auto start = Clock::now();
    // As `skw-manager-cli apply` does: the file read, then applied.
    const auto read = ReadProfileFile(profile.string());
    if (std::holds_alternative<Profile>(read)) {
        ApplyOptions options;
        options.connection.port = module.PortPath();
        SilentReporter silent;
        ApplyProfile(std::get<Profile>(read), options, SessionTexts(), silent);
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::filesystem::remove(profile);
    return ms;
}

}  // namespace

int main() {
    const double apply = ApplyMs();
    std::printf("one unit's apply at 9600 baud: %.0f ms\n", apply);
    const auto sqlite = std::filesystem::temp_directory_path() /
                        ("skw-rsb-" + std::to_string(::getpid()) + ".sqlite");
    std::filesystem::remove(sqlite);
    std::string why;
    if (auto store = OpenRecordStore("sqlite:" + sqlite.string(), why)) {
        const double cost = UnitCostMs(*store);
        std::printf(
            "SQLite      counter + record  median %6.2f ms   %.2f %% of the apply (goal <= 1 %%)\n",
            cost, 100 * cost / apply);
    } else {
        std::printf("SQLite: %s\n", why.c_str());
    }
    std::filesystem::remove(sqlite);
    ScratchPostgres postgres;
    if (auto store = postgres.Running() ? OpenRecordStore(postgres.Address(), why) : nullptr) {
        const double cost = UnitCostMs(*store);
        std::printf(
            "PostgreSQL  counter + record  median %6.2f ms   %.2f %% of the apply (goal <= 1 %%)\n",
            cost, 100 * cost / apply);
    } else {
        std::printf("PostgreSQL: not started (%s)\n", why.c_str());
    }
    return 0;
}
