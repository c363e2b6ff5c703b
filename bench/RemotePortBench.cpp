// The same module read through its local pseudo-terminal and through a real ser2net on
// loopback (RFC 2217, and raw TCP), with the virtual module pacing its line at 9600 baud like
// hardware: one AT round trip (median of many) and identification plus the full read (median of
// a few). The local figures are the baseline; the ratios say what the network path costs.
// Then the terminal's side: bytes streamed into a line as fast as it takes them, read through
// the channel the terminal holds, locally and through ser2net. Last, a hostile server on
// loopback floods option requests, subnegotiations and data for 20 s while the terminal's
// channel stays open and sends a command every 100 ms, then stops reading: the peak memory of
// the process against a goal of 100 MB, and how long the lost link takes to be reported.
#include "AtStatus.h"
#include "ConfJobRunner.h"
#include "IoServiceExec.h"
#include "PortChannel.h"
#include "PtyPeer.h"
#include "ResponseKind.h"
#include "Rfc2217Peer.h"
#include "Ser2net.h"
#include "TestModule.h"
#include "sKW523Comm.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

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
    if (const std::error_code error = comm.Open(port, PortSettings::At(kBaud))) {
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

constexpr std::size_t kStreamBytes = 32 * 1024 * 1024;

// Reads the line's near end until `writer` has written everything (it waits on a full line).
void DrainUntilJoined(const std::string& slavePath, std::thread& writer) {
    std::atomic<bool> written{false};
    std::thread drain([&slavePath, &written] {
        const int fd = ::open(slavePath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        std::vector<char> buffer(64 * 1024);
        while (fd >= 0 && !written.load()) {
            if (::read(fd, buffer.data(), buffer.size()) <= 0) {
                pollfd waiter{fd, POLLIN, 0};
                ::poll(&waiter, 1, 10);
            }
        }
        if (fd >= 0) {
            ::close(fd);
        }
    });
    writer.join();
    written = true;
    drain.join();
}

// MB/s of a stream written into the far end of a pseudo-terminal and read through the channel
// that `port` names, as the terminal's channel reads it; 0 when it did not all arrive.
double StreamMBps(const std::string& port, PtyPeer& far) {
    IoServiceExec io;
    auto channel = std::make_shared<AnyPortChannel>(io.GetIoContext());
    std::atomic<std::size_t> received{0};
    channel->m_onReceive = [&received](PortChannel::Ptr, std::error_code& error,
                                       const std::vector<std::uint8_t>&, unsigned int size) {
        if (!error) {
            received += size;
        }
    };
    if (const std::error_code error = channel->Open(port, PortSettings::At(921600))) {
        std::fprintf(stderr, "cannot open %s: %s\n", port.c_str(), error.message().c_str());
        return 0;
    }
    io.Start();
    // Every byte value but 0xFF, which RFC 2217 doubles on the wire.
    std::vector<std::uint8_t> chunk(64 * 1024);
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        chunk[i] = static_cast<std::uint8_t>(i % 255);
    }
    const auto start = Clock::now();
    std::thread writer([&far, &chunk] {
        for (std::size_t sent = 0; sent < kStreamBytes; sent += chunk.size()) {
            far.Write(chunk);
        }
    });
    const auto limit = start + std::chrono::seconds(120);
    while (received.load() < kStreamBytes && Clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool complete = received.load() >= kStreamBytes;
    channel->Close();
    io.Stop();
    channel->m_onReceive = nullptr;
    DrainUntilJoined(far.SlavePath(), writer);
    return complete ? kStreamBytes / seconds / 1e6 : 0;
}

bool MeasureStreams() {
    double local = 0;
    {
        PtyPeer far;
        local = StreamMBps(far.SlavePath(), far);
    }
    std::printf("%d MiB streamed into the line, read by the terminal's channel:\n",
                static_cast<int>(kStreamBytes >> 20));
    std::printf("%-10s %8.1f MB/s\n", "local", local);
    for (const bool rfc2217 : {true, false}) {
        PtyPeer far;
        Ser2net server(
            {.device = far.SlavePath(), .lineSettings = "921600n81", .rfc2217 = rfc2217});
        if (const std::error_code error = server.Start()) {
            std::fprintf(stderr, "cannot start ser2net: %s\n", error.message().c_str());
            return false;
        }
        const double remote = StreamMBps(server.Url(), far);
        std::printf("%-10s %8.1f MB/s (%5.3f x local)\n", rfc2217 ? "rfc2217" : "socket", remote,
                    local > 0 ? remote / local : 0.0);
    }
    return local > 0;
}

// A field of /proc/self/status in KiB (VmHWM, VmRSS), 0 where there is none.
long StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return 0;
}

std::vector<std::uint8_t> HostilePattern() {
    constexpr std::uint8_t IAC = 255, DO = 253, WILL = 251, SB = 250, SE = 240;
    std::vector<std::uint8_t> wire;
    for (int round = 0; round < 8; ++round) {
        wire.insert(wire.end(), {IAC, DO, 99});
    }
    for (std::uint8_t option = 100; option < 200; ++option) {
        wire.insert(wire.end(), {IAC, WILL, option});
    }
    wire.insert(wire.end(), {IAC, SB, 44, 107, 0x30, IAC, SE});  // NOTIFY-MODEMSTATE
    wire.insert(wire.end(), {IAC, SB, 99});                      // an over-long subnegotiation
    wire.insert(wire.end(), 300, 'n');
    wire.insert(wire.end(), {IAC, SE});
    wire.insert(wire.end(), 200, 'd');  // data
    return wire;
}

bool MeasureFlood() {
    constexpr auto kFlood = std::chrono::seconds(20);
    constexpr double kGoalMB = 100;
    // Resets VmHWM to the present size, so the peak is this case's own.
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long startKiB = StatusKiB("VmRSS");
    Rfc2217Peer peer;
    IoServiceExec io;
    auto channel = std::make_shared<AnyPortChannel>(io.GetIoContext());
    std::atomic<std::size_t> received{0};
    std::atomic<bool> lost{false};
    std::string lostWith;
    channel->m_onReceive = [&](PortChannel::Ptr, std::error_code& error,
                               const std::vector<std::uint8_t>&, unsigned int size) {
        if (error) {
            lostWith = error.message();
            lost = true;
        }
        received += size;
    };
    if (const std::error_code error = channel->Open(peer.Url(), PortSettings::At(kBaud))) {
        std::fprintf(stderr, "cannot open the hostile server: %s\n", error.message().c_str());
        return false;
    }
    io.Start();
    peer.Flood(HostilePattern(), true);
    const std::string command = "AT\r";
    const auto start = Clock::now();
    int commands = 0;
    while (Clock::now() - start < kFlood && !lost) {
        commands += channel->Write(command.data(), command.size()) == command.size() ? 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const Rfc2217Peer::Seen seen = peer.Snapshot();
    const double floodSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const auto arrived = std::count(seen.data.begin(), seen.data.end(), '\r');
    // Then it stops reading while the channel keeps sending.
    peer.StopReading();
    const auto stopped = Clock::now();
    const std::vector<std::uint8_t> chunk(PortChannel::kTxQueueLimit, 'w');
    while (!lost && Clock::now() - stopped < std::chrono::seconds(30)) {
        channel->Write(chunk.data(), chunk.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double lostAfter = std::chrono::duration<double>(Clock::now() - stopped).count();
    channel->Close();
    io.Stop();
    channel->m_onReceive = nullptr;
    const double peakMB = (StatusKiB("VmHWM") - startKiB) / 1024.0;
    std::printf("Hostile server on loopback, %.0f s of flood (IAC DO 99, IAC WILL 100-199,\n"
                "subnegotiations, data) with a command every 100 ms, then no reading:\n",
                floodSeconds);
    std::printf("flooded %8.1f MB, data received %8.1f MB, commands sent %d, arrived %ld\n",
                static_cast<double>(seen.flooded) / 1e6, static_cast<double>(received) / 1e6,
                commands, static_cast<long>(arrived));
    std::printf("option negotiations the client sent in all: %zu\n", seen.negotiations.size());
    std::printf("peak memory over the start %8.1f MB (%5.3f x the %.0f MB goal)\n", peakMB,
                peakMB / kGoalMB, kGoalMB);
    std::printf("lost link reported after %.2f s without reading: %s\n", lostAfter,
                lost ? lostWith.c_str() : "never");
    return lost && peakMB < kGoalMB;
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
    const bool streams = MeasureStreams();
    return MeasureFlood() && streams ? 0 : 1;
}
