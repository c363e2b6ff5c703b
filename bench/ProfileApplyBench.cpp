// Applying a settings file as `skw-manager-cli apply` does (the unit of work's ApplyProfile),
// against its floor, with the virtual
// module pacing its line like hardware at 9600 baud. A factory-fresh "GaX-sKW523" gets a
// production profile in two files, as the role rules require: the peripheral settings (name,
// advertising interval) while it is still a peripheral, then the role "multi-at" with eight
// slots. Each apply reads the module, applies what differs and reads it back.
// The floor is the fixed pauses of the jobs that ran plus the wire time of every byte exchanged
// (10 bit times a byte), counted from the module's log; the ratio measured / floor is what
// waiting costs.
#include "BenchProfiles.h"
#include "ProfileApply.h"
#include "ProfileFile.h"
#include "TestModule.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr int kRuns = 3;
constexpr std::uint32_t kBaud = 9600;

std::string MultiProfile() {
    std::string slots;
    for (int n = 1; n <= 8; ++n) {
        slots += std::string(n == 1 ? "" : ",") + R"({"slot": )" + std::to_string(n) +
                 R"(, "address": "C0FFEE00000)" + std::to_string(n) + R"(", "name": "TAG)" +
                 std::to_string(n) + R"("})";
    }
    return R"({"format": 1, "role": "multi-at", "slots": [)" + slots + "]}";
}

// The fixed pauses of the jobs whose commands the module received.
Ms Pauses(const std::vector<std::string>& commands) {
    Ms pauses{0};
    for (const std::string& command : commands) {
        if (command == "AT+MODULESETMODE" || command.starts_with("AT+ROLE=") ||
            command.starts_with("AT+FLOWCONTROL=") || command.starts_with("AT+UART=")) {
            pauses += Ms(200);
        } else if (command.starts_with("AT+SETSLOT=") || command.starts_with("AT+DELSLOT=")) {
            pauses += Ms(100);
        }
    }
    return pauses;
}

struct Figures {
    double measured = 0;
    double floor = 0;
};

// The file read and applied to the module on `port`; the failure's message, or nothing.
std::optional<std::string> ApplyFile(const std::string& port, const std::string& file) {
    const auto read = ReadProfileFile(file);
    if (!std::holds_alternative<Profile>(read)) {
        return "the settings file " + file + " is refused";
    }
    ApplyOptions options;
    options.connection.port = port;
    options.connection.baud = kBaud;
    SilentReporter silent;
    const ApplyOutcome outcome =
        ApplyProfile(std::get<Profile>(read), options, SessionTexts(), silent);
    if (outcome.failure) {
        return outcome.failure->message;
    }
    return std::nullopt;
}

bool Apply(TestModule& module, const std::string& file, Figures& figures) {
    module.ClearCommands();
    const std::size_t wireBefore = module.WireBytes();
    const Clock::time_point start = Clock::now();
    const std::optional<std::string> failed = ApplyFile(module.PortPath(), file);
    figures.measured += Ms(Clock::now() - start).count();
    const double wire =
        1000.0 * 10.0 * static_cast<double>(module.WireBytes() - wireBefore) / kBaud;
    figures.floor += Pauses(module.Commands()).count() + wire;
    if (failed) {
        std::fprintf(stderr, "apply failed: %s\n", failed->c_str());
    }
    return !failed;
}

std::string WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path.string();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    const auto folder =
        std::filesystem::temp_directory_path() / ("skw-apply-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string peripheral = WriteFile(folder / "peripheral.json", PeripheralProfileText());
    const std::string multi = WriteFile(folder / "multi.json", MultiProfile());
    std::vector<double> measured, floors, ratios;
    for (int run = 0; run < kRuns; ++run) {
        TestModule module({.model = "GaX-sKW523", .uartSpeed = kBaud, .lineRate = true});
        if (!module.Start()) {
            std::fprintf(stderr, "cannot start the virtual module\n");
            return 1;
        }
        Figures figures;
        if (!Apply(module, peripheral, figures) || !Apply(module, multi, figures)) {
            return 1;
        }
        measured.push_back(figures.measured);
        floors.push_back(figures.floor);
        ratios.push_back(figures.measured / figures.floor);
    }
    std::filesystem::remove_all(folder);
    std::printf(
        "apply: name + interval, then role multi-at + eight slots, fresh GaX-sKW523, "
        "%u baud, median of %d runs\n",
        kBaud, kRuns);
    std::printf("measured %8.1f ms   floor %8.1f ms   ratio %6.3f   (goal <= 1.1)\n",
                Median(measured), Median(floors), Median(ratios));
    return 0;
}
