// The same module read through its local pseudo-terminal and through a real ser2net on
// loopback (RFC 2217, and raw TCP), with the virtual module pacing its line at 9600 baud like
// hardware: one AT round trip (median of many) and identification plus the full read (median of
// a few). The local figures are the baseline; the ratios say what the network path costs.
// Then the terminal's side: bytes streamed into a line as fast as it takes them, read through
// the channel the terminal holds, locally and through ser2net.
#include "AtStatus.h"
#include "ConfJobRunner.h"
#include "IoServiceExec.h"
#include "PortChannel.h"
#include "PtyPeer.h"
#include "ResponseKind.h"
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
    return MeasureStreams() ? 0 : 1;
}
