// Job times against their floor, with the virtual module pacing its line like hardware:
//  - identification plus the full read of a "GaX-sKW523",
//  - the eight-slot save,
// at 9600 and at 115200 baud. The floor of a job is its fixed pauses plus the wire time of every
// byte exchanged (10 bit times a byte), counted from the module's log of what it received and
// sent; a job can be no faster, so the ratio measured / floor is what waiting costs.
#include "AtCmdBase.h"
#include "ConfJobRunner.h"
#include "TestModule.h"
#include "sKW523Comm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr int kRuns = 3;

struct Figures {
    double measuredMs;
    double floorMs;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Ms WireTime(std::size_t bytes, std::uint32_t baud) {
    return Ms(1000.0 * 10.0 * static_cast<double>(bytes) / baud);
}

// Runs `job` once and measures it; the floor comes from what crossed the line meanwhile.
bool Measure(TestModule& module, std::uint32_t baud, Ms pauses,
             const std::function<bool()>& job, Figures& figures) {
    const std::size_t wireBefore = module.WireBytes();
    const Clock::time_point start = Clock::now();
    const bool ok = job();
    figures.measuredMs = Ms(Clock::now() - start).count();
    figures.floorMs = (pauses + WireTime(module.WireBytes() - wireBefore, baud)).count();
    return ok;
}

SlotArray EightSlots() {
    SlotArray slots{};
    for (std::uint8_t n = 1; n <= kSlotCount; ++n) {
        slots[n - 1].slot = n;
        if (n <= 4) {  // half written with an address and a name, half deleted
            slots[n - 1].addr = {0xC0, 0xFF, 0xEE, 0x00, 0x00, n};
            slots[n - 1].name = MakeTextArea("Tag" + std::to_string(n));
        }
    }
    return slots;
}

struct Row {
    const char* what;
    std::vector<double> measured{}, floors{}, ratios{};
    void Add(const Figures& f) {
        measured.push_back(f.measuredMs);
        floors.push_back(f.floorMs);
        ratios.push_back(f.measuredMs / f.floorMs);
    }
    void Print(std::uint32_t baud) const {
        std::printf("%6u baud  %-28s measured %8.1f ms   floor %8.1f ms   ratio %6.3f\n", baud,
                    what, Median(measured), Median(floors), Median(ratios));
    }
};

bool RunAt(std::uint32_t baud) {
    TestModule module({.model = "GaX-sKW523", .uartSpeed = baud, .lineRate = true});
    sKW523Comm comm;
    if (!module.Start() || comm.Open(module.PortPath(), PortSettings::At(baud))) {
        std::fprintf(stderr, "cannot start the virtual module\n");
        return false;
    }
    ConfJobRunner jobs(comm);
    JobInputs save;
    save.writeSlots = EightSlots();
    Row read{"identify + full read"};
    Row write{"eight-slot save"};
    for (int i = 0; i < kRuns; ++i) {
        // A restart leaves the setting mode, so every read takes the full path and its pause.
        comm.SendCommand("ATZ\r", KIND_RESET, 3000);
        Figures figures{};
        if (!Measure(module, baud, Ms(200), [&] {
                return jobs.Run(JOB_IDENTIFY, {}) == JOB_OK && jobs.Run(JOB_READ_FULL, {}) == JOB_OK;
            }, figures)) {
            std::fprintf(stderr, "read failed\n");
            return false;
        }
        read.Add(figures);
        if (!Measure(module, baud, Ms(8 * 100),
                     [&] { return jobs.Run(JOB_WRITE_SLOTS, save) == JOB_OK; }, figures)) {
            std::fprintf(stderr, "save failed\n");
            return false;
        }
        write.Add(figures);
    }
    comm.Close();
    read.Print(baud);
    write.Print(baud);
    return true;
}

}  // namespace

int main() {
    std::printf("Job times against their floor (fixed pauses + wire time), median of %d runs\n",
                kRuns);
    return RunAt(9600) && RunAt(115200) ? 0 : 1;
}
