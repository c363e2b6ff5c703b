// A production station configuring many modules at once, against one module alone, measured in
// the same run: virtual modules pacing their line like hardware at 9600 baud, each plugged into
// its own port, the watch of `skw-manager-cli apply --watch` configuring them. The time is from
// plugging the modules in to the last record written; the memory is the process's peak resident
// size while they run, against its size before, per running unit.
#include "BenchProfiles.h"
#include "CliRun.h"
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
#include <sstream>
#include <string>
#include <thread>
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

struct Profile {
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

// Plugs `count` fresh modules into a running watch and times them to their last record.
Run Station(const std::string& profilePath, int count, int round) {
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
    std::atomic<bool> stop{false};
    std::ostringstream out;
    std::ostringstream err;
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
        return RunCli({"skw-manager-cli", "apply", profilePath, "--watch", "--ports",
                       "*/" + tag + "*", "--report", report},
                      CliEnvironment{out, err, {}, listPorts, &stop});
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
    stop = true;
    if (watch.get() != 0) {
        std::fprintf(stderr, "watch failed: %s\n", err.str().c_str());
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
    const Profile profiles[] = {
        {"name with counter + interval", PeripheralProfileText()},
        {"role multi-at + 8 slots", SlotsProfile()},
    };
    std::printf(
        "production station, 9600 baud line rate; time from plugging in to the last record\n");
    int round = 0;
    for (const Profile& profile : profiles) {
        const std::string path = (folder / ("p" + std::to_string(round) + ".json")).string();
        std::ofstream(path) << profile.json;
        const Run one = Station(path, 1, round++);
        std::printf("%-30s  1 module   %7.2f s\n", profile.what, one.seconds);
        for (const int count : {8, 24}) {
            const Run many = Station(path, count, round++);
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
