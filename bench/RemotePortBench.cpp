// The same module read through its local pseudo-terminal and through a real ser2net on
// loopback (RFC 2217, and raw TCP), with the virtual module pacing its line at 9600 baud like
// hardware: one AT round trip (median of many) and identification plus the full read (median of
// a few). The local figures are the baseline; the ratios say what the network path costs.
#include "AtStatus.h"
#include "ConfJobRunner.h"
#include "ResponseKind.h"
#include "Ser2net.h"
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
constexpr std::uint32_t kBaud = 9600;
constexpr int kRoundTrips = 40;
constexpr int kReads = 5;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double roundTripMs = 0;
    double fullReadMs = 0;
};

bool Measure(const std::string& port, Figures& figures) {
    sKW523Comm comm;
    if (const std::error_code error = comm.Open(port, kBaud, 8, 0, 0, 0)) {
        std::fprintf(stderr, "cannot open %s: %s\n", port.c_str(), error.message().c_str());
        return false;
    }
    ConfJobRunner jobs(comm);
    std::vector<double> trips;
    for (int i = 0; i < kRoundTrips; ++i) {
        const Clock::time_point start = Clock::now();
        if (comm.SendCommand("AT\r", KIND_AT, 1000).Status() != AT_OK) {
            std::fprintf(stderr, "AT failed on %s\n", port.c_str());
            return false;
        }
        trips.push_back(Ms(Clock::now() - start).count());
    }
    std::vector<double> reads;
    for (int i = 0; i < kReads; ++i) {
        // A restart leaves the setting mode, so every read takes the full path and its pause.
        comm.SendCommand("ATZ\r", KIND_RESET, 3000);
        const Clock::time_point start = Clock::now();
        if (jobs.Run(JOB_IDENTIFY, {}) != JOB_OK || jobs.Run(JOB_READ_FULL, {}) != JOB_OK) {
            std::fprintf(stderr, "read failed on %s\n", port.c_str());
            return false;
        }
        reads.push_back(Ms(Clock::now() - start).count());
    }
    comm.SendCommand("ATZ\r", KIND_RESET, 3000);
    comm.Close();
    figures = {Median(trips), Median(reads)};
    return true;
}

}  // namespace

int main() {
    TestModule module({.model = "GaX-sKW523", .uartSpeed = kBaud, .lineRate = true});
    if (!module.Start()) {
        std::fprintf(stderr, "cannot start the virtual module\n");
        return 1;
    }
    Figures local;
    if (!Measure(module.PortPath(), local)) {
        return 1;
    }
    std::printf(
        "Through ser2net on loopback vs the local pty, %u baud line-rate module;\n"
        "AT round trip median of %d, identify + full read median of %d\n",
        kBaud, kRoundTrips, kReads);
    std::printf("%-10s AT round trip %7.2f ms            full read %8.1f ms\n", "local",
                local.roundTripMs, local.fullReadMs);
    for (const bool rfc2217 : {true, false}) {
        Ser2net server({.device = module.PortPath(), .rfc2217 = rfc2217});
        if (const std::error_code error = server.Start()) {
            std::fprintf(stderr, "cannot start ser2net: %s\n%s", error.message().c_str(),
                         server.Log().c_str());
            return 1;
        }
        Figures remote;
        if (!Measure(server.Url(), remote)) {
            return 1;
        }
        std::printf("%-10s AT round trip %7.2f ms (%5.3f x)  full read %8.1f ms (%5.3f x)\n",
                    rfc2217 ? "rfc2217" : "socket", remote.roundTripMs,
                    remote.roundTripMs / local.roundTripMs, remote.fullReadMs,
                    remote.fullReadMs / local.fullReadMs);
    }
    return 0;
}
