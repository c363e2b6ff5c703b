// Identification plus the full read of a "GaX-sKW523" against a virtual module that answers at
// once, against its floor: the job's fixed pauses plus one 10 ms wait step per frame examined
// (one answer frame per command here, since the module neither echoes nor adds lines).
#include "AtCmdBase.h"
#include "ConfJobRunner.h"
#include "TestModule.h"
#include "sKW523Comm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr int kRuns = 7;
constexpr auto kSetModePause = std::chrono::milliseconds(200);

struct Run {
    double measuredMs;
    double floorMs;
};

double FloorOf(const std::vector<std::string>& commands) {
    Ms floor = Ms(AtCmdBase::kWaitStep) * static_cast<double>(commands.size());
    if (std::count(commands.begin(), commands.end(), "AT+MODULESETMODE") > 0) {
        floor += kSetModePause;
    }
    return floor.count();
}

bool OneRun(TestModule& module, sKW523Comm& comm, Run& run) {
    // A restart leaves the setting mode, so every run takes the full path.
    comm.SendCommand("ATZ\r", KIND_RESET, 3000);
    module.ClearCommands();
    ConfJobRunner jobs(comm);
    const Clock::time_point start = Clock::now();
    const bool ok = jobs.Run(JOB_IDENTIFY, {}) == JOB_OK && jobs.Run(JOB_READ_FULL, {}) == JOB_OK;
    run.measuredMs = Ms(Clock::now() - start).count();
    run.floorMs = FloorOf(module.Commands());
    return ok;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    TestModule module({.model = "GaX-sKW523"});
    sKW523Comm comm;
    if (!module.Start() || comm.Open(module.PortPath(), 115200, 8, 0, 0, 0)) {
        std::fprintf(stderr, "cannot start the virtual module\n");
        return 1;
    }
    std::vector<double> measured, floors, ratios;
    for (int i = 0; i < kRuns; ++i) {
        Run run{};
        if (!OneRun(module, comm, run)) {
            std::fprintf(stderr, "run %d: a job failed\n", i + 1);
            return 1;
        }
        measured.push_back(run.measuredMs);
        floors.push_back(run.floorMs);
        ratios.push_back(run.measuredMs / run.floorMs);
    }
    comm.Close();
    std::printf("identify + full read of GaX-sKW523, median of %d runs\n", kRuns);
    std::printf("  measured: %8.1f ms\n", Median(measured));
    std::printf("  floor:    %8.1f ms (fixed pauses + one 10 ms wait step per frame)\n",
                Median(floors));
    std::printf("  ratio:    %8.3f\n", Median(ratios));
    return 0;
}
