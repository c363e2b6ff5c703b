// A scan burst: 500 reports arriving back to back at 115200 baud, taken by the configuration
// worker one JOB_SCAN_REPORT at a time and handed to a stand-in for the page, which posts the
// next job as the page does. Prints how many were listed, the time from the last byte on the
// line to the last report handed over, and the whole burst against its wire time.
#include "ConfJobRunner.h"
#include "ConfWorker.h"
#include "PtyPeer.h"
#include "sKW523Comm.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr int kReports = 500;
constexpr std::uint32_t kBaud = 115200;
constexpr auto kByteTime = std::chrono::nanoseconds(10'000'000'000LL / kBaud);

std::string ReportLine(int index) {
    char line[64];
    std::snprintf(line, sizeof line, "+C0FFEE%06X,-40,DEVICE%06d\r", index, index);
    return line;
}

// Writes the burst at the pace of the line, about a millisecond of bytes at a time, and notes
// when the last byte went out.
Clock::time_point SendBurst(PtyPeer& peer, const std::string& burst) {
    const auto perWrite = static_cast<std::size_t>(std::chrono::milliseconds(1) / kByteTime);
    Clock::time_point release = Clock::now();
    for (std::size_t start = 0; start < burst.size(); start += perWrite) {
        const std::string piece = burst.substr(start, perWrite);
        release += kByteTime * static_cast<int>(piece.size());
        std::this_thread::sleep_until(release);
        peer.Write(piece);
    }
    return Clock::now();
}

struct Handed {
    std::int32_t status;
    Clock::time_point at;
};

}  // namespace

int main() {
    PtyPeer peer;
    sKW523Comm comm;
    if (comm.Open(peer.SlavePath(), PortSettings::At(kBaud))) {
        std::fprintf(stderr, "cannot open %s\n", peer.SlavePath().c_str());
        return 1;
    }
    ConfJobRunner jobs(comm);
    jobs.SetScanState(SCAN_RUNNING);

    std::mutex lock;
    std::condition_variable arrived;
    std::deque<Handed> results;
    ConfWorker worker([&](ConfJob job, const JobInputs& in) { return jobs.Run(job, in); },
                      [&](std::int32_t, std::int32_t status) {
                          std::lock_guard guard(lock);
                          results.push_back({status, Clock::now()});
                          arrived.notify_all();
                      });
    worker.Start();
    worker.PostJob(JOB_SCAN_REPORT, false);

    std::string burst;
    for (int i = 0; i < kReports; ++i) {
        burst += ReportLine(i);
    }
    Clock::time_point firstByte = Clock::now();
    Clock::time_point lastByte;
    std::thread line([&] {
        firstByte = Clock::now();
        lastByte = SendBurst(peer, burst);
    });

    // The page: takes each result and asks for the next report while scanning.
    int listed = 0;
    Clock::time_point lastHanded;
    for (;;) {
        std::unique_lock guard(lock);
        arrived.wait(guard, [&] { return !results.empty(); });
        const Handed handed = results.front();
        results.pop_front();
        guard.unlock();
        if (handed.status != JOB_OK) {
            break;  // no report within its wait: the burst is over
        }
        ++listed;
        lastHanded = handed.at;
        worker.PostJob(JOB_SCAN_REPORT, false);
    }
    line.join();
    comm.Close();
    worker.Stop();

    const Ms wire = kByteTime * static_cast<int>(burst.size());
    std::printf("scan burst of %d reports (%zu bytes) at %u baud\n", kReports, burst.size(), kBaud);
    std::printf("  listed:                          %d of %d\n", listed, kReports);
    std::printf("  last byte -> last report handed: %8.1f ms\n", Ms(lastHanded - lastByte).count());
    std::printf("  first byte -> last report:       %8.1f ms (wire time %.1f ms, ratio %.3f)\n",
                Ms(lastHanded - firstByte).count(), wire.count(),
                Ms(lastHanded - firstByte).count() / wire.count());
    return listed == kReports ? 0 : 1;
}
