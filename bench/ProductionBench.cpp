// A production station configuring many modules at once, against one module alone, measured in
// the same run: virtual modules pacing their line like hardware at 9600 baud, each plugged into
// its own port, the station of `skw-manager-cli apply --watch` (the unit of work's StationSetup
// and the production Station) configuring them. The time is from
// plugging the modules in to the last record written; the memory is the process's peak resident
// size while they run, against its size before, per running unit.
#include "BenchProfiles.h"
#include "ProfileFile.h"
#include "StationSetup.h"
#include "VirtualModule.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string SlotsProfile() {
    std::string slots;
    for (int n = 1; n <= 8; ++n) {
        if (n > 1) {
            slots += ',';
        }
        slots += R"({"slot": )" + std::to_string(n) + R"(, "address": "C0FFEE00000)" +
                 std::to_string(n) + R"(", "name": "TAG)" + std::to_string(n) + R"("})";
    }
    return R"({"format": 1, "role": "multi-at", "slots": [)" + slots + "]}";
}

struct BenchProfile {
    const char* what;
    std::string json;
};

long ResidentKb(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(std::string(field).size()));
        }
    }
    return 0;
}

std::size_t Lines(const std::string& path) {
    std::ifstream file(path);
    std::size_t lines = 0;
    for (std::string line; std::getline(file, line);) {
        ++lines;
    }
    return lines;
}

struct Run {
    double seconds = 0;
    long peakGrowthKb = 0;
};

// The watch's station over `pattern`, recording into `report`, until `stopLevel` is raised;
// why it could not start, or nothing.
std::string Watch(const std::string& profilePath, const std::string& pattern,
                  const std::string& report, const StationPortLister& listPorts,
                  const std::atomic<int>& stopLevel) {
    auto read = ReadProfileFile(profilePath);
    if (!std::holds_alternative<Profile>(read)) {
        return "the settings file is refused";
    }
    StationRequest request;
    request.file = profilePath;
    request.portPattern = pattern;
    request.report = report;
    StationSetup setup(std::get<Profile>(std::move(read)), request, SessionTexts());
    if (const Step refused = setup.Open()) {
        return refused->message;
    }
    Station station(setup.Options(), setup.Lister(listPorts),
                    [&setup](const UnitContext& unit) { return setup.Try(unit); }, setup.Counter(),
                    setup.Record(), {});
    station.Run(stopLevel);
    return {};
}

// Plugs `count` fresh modules into a running watch and times them to their last record.
Run TimeStation(const std::string& profilePath, int count, int round) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("skw-production-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string report = (folder / ("r" + std::to_string(round) + ".jsonl")).string();
    std::filesystem::remove(report);
    const std::string tag = "pb-" + std::to_string(::getpid()) + "-" + std::to_string(round) + "-";
    std::vector<std::unique_ptr<VirtualModule>> modules;
    for (int i = 0; i < count; ++i) {
        VirtualModuleOptions options;
        options.portName = tag + std::to_string(i);
        char address[16];
        std::snprintf(address, sizeof address, "C0FFEE%06X", 100 * round + i);
        options.address = address;
        options.lineRate = true;
        modules.push_back(std::make_unique<VirtualModule>(options));
        modules.back()->Start();
    }
    std::atomic<bool> plugged{false};
    std::atomic<int> stopLevel{0};
    const auto listPorts = [&]() {
        std::vector<std::string> ports;
        if (plugged) {
            for (const auto& module : modules) {
                ports.push_back(module->PortPath());
            }
        }
        return ports;
    };
    auto watch = std::async(std::launch::async, [&] {
        return Watch(profilePath, "*/" + tag + "*", report, listPorts, stopLevel);
    });
    std::this_thread::sleep_for(400ms);
    const long before = ResidentKb("VmRSS:");
    long peak = before;
    const auto start = Clock::now();
    plugged = true;
    while (Lines(report) < static_cast<std::size_t>(count)) {
        std::this_thread::sleep_for(5ms);
        peak = std::max(peak, ResidentKb("VmRSS:"));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    stopLevel = 1;  // as the first Ctrl+C: the running units finish
    if (const std::string failed = watch.get(); !failed.empty()) {
        std::fprintf(stderr, "watch failed: %s\n", failed.c_str());
    }
    std::ifstream records(report);
    for (std::string line; std::getline(records, line);) {
        if (line.find("\"result\":\"PASS\"") == std::string::npos) {
            std::fprintf(stderr, "not a PASS: %s\n", line.c_str());
        }
    }
    return {seconds, peak - before};
}

}  // namespace

int main() {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("skw-production-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const BenchProfile profiles[] = {
        {"name with counter + interval", PeripheralProfileText()},
        {"role multi-at + 8 slots", SlotsProfile()},
    };
    std::printf(
        "production station, 9600 baud line rate; time from plugging in to the last record\n");
    int round = 0;
    for (const BenchProfile& profile : profiles) {
        const std::string path = (folder / ("p" + std::to_string(round) + ".json")).string();
        std::ofstream(path) << profile.json;
        const Run one = TimeStation(path, 1, round++);
        std::printf("%-30s  1 module   %7.2f s\n", profile.what, one.seconds);
        for (const int count : {8, 24}) {
            const Run many = TimeStation(path, count, round++);
            std::printf(
                "%-30s %2d modules  %7.2f s   ratio %.2f (goal <= %.2f)   peak memory +%ld kB, "
                "%.1f kB per unit\n",
                profile.what, count, many.seconds, many.seconds / one.seconds,
                count == 8 ? 1.15 : 1.3, many.peakGrowthKb,
                static_cast<double>(many.peakGrowthKb) / count);
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
