// One AT transaction (SendCommand "AT\r" answered by "OK\r") against a pty peer that answers at
// once, and the raw exchange of the same bytes over the same kind of pty, in one run.
#include "AtStatus.h"
#include "PtyPeer.h"
#include "ResponseKind.h"
#include "sKW523Comm.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kCommand = "AT\r";
const std::string kAnswer = "OK\r";

// Answers every command at once, on its own thread, until destroyed.
class InstantModule {
public:
    explicit InstantModule(PtyPeer& peer) : m_peer(peer), m_thread([this] { Run(); }) {}
    ~InstantModule() {
        m_stop = true;
        m_thread.join();
    }

private:
    void Run() {
        while (!m_stop) {
            if (m_peer.ReadExactly(kCommand.size(), 50ms).size() == kCommand.size()) {
                m_peer.Write(kAnswer);
            }
        }
    }

    PtyPeer& m_peer;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The program's side of a raw pty, with blocking reads.
class RawLine {
public:
    explicit RawLine(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        if (m_fd < 0) {
            throw std::runtime_error("cannot open " + path);
        }
        termios attributes{};
        ::tcgetattr(m_fd, &attributes);
        ::cfmakeraw(&attributes);
        ::tcsetattr(m_fd, TCSANOW, &attributes);
    }
    ~RawLine() { ::close(m_fd); }
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;

    bool Exchange() {
        if (::write(m_fd, kCommand.data(), kCommand.size()) !=
            static_cast<ssize_t>(kCommand.size())) {
            return false;
        }
        std::size_t received = 0;
        char buffer[16];
        while (received < kAnswer.size()) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                return false;
            }
            received += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int m_fd;
};

struct Figures {
    double medianUs = 0;
    double meanUs = 0;
    int failures = 0;
};

// Times each round trip; failed ones are counted, not timed.
class Timings {
public:
    template <typename RoundTrip>
    void Round(RoundTrip roundTrip) {
        const auto started = Clock::now();
        const bool ok = roundTrip();
        const std::chrono::duration<double, std::micro> took = Clock::now() - started;
        if (ok) {
            m_micros.push_back(took.count());
        } else {
            ++m_failures;
        }
    }
    Figures Summary() const {
        Figures figures;
        figures.failures = m_failures;
        if (m_micros.empty()) {
            return figures;
        }
        std::vector<double> sorted = m_micros;
        std::sort(sorted.begin(), sorted.end());
        figures.medianUs = sorted[sorted.size() / 2];
        for (const double value : sorted) {
            figures.meanUs += value / static_cast<double>(sorted.size());
        }
        return figures;
    }

private:
    std::vector<double> m_micros;
    int m_failures = 0;
};

void Print(const char* what, int rounds, const Figures& figures) {
    std::printf("%-28s median %10.1f us   mean %10.1f us   (%d rounds, %d failed)\n", what,
                figures.medianUs, figures.meanUs, rounds, figures.failures);
}

}  // namespace

// Both lines are open at once and their rounds alternate, so a busy machine weighs on the
// baseline and on the channel alike.
int main() {
    constexpr int kRounds = 1000;

    PtyPeer rawPeer;
    InstantModule rawModule(rawPeer);
    RawLine line(rawPeer.SlavePath());

    PtyPeer commandPeer;
    InstantModule commandModule(commandPeer);
    sKW523Comm comm;
    if (comm.Open(commandPeer.SlavePath(), PortSettings::At(115200))) {
        std::fprintf(stderr, "cannot open %s\n", commandPeer.SlavePath().c_str());
        return 1;
    }

    Timings raw;
    Timings command;
    for (int round = 0; round < kRounds; ++round) {
        raw.Round([&] { return line.Exchange(); });
        command.Round(
            [&] { return comm.SendCommand(kCommand, KIND_AT, 1500).Status() == AT_OK; });
    }
    comm.Close();

    const Figures rawFigures = raw.Summary();
    const Figures commandFigures = command.Summary();
    Print("raw pty round trip", kRounds, rawFigures);
    Print("SendCommand round trip", kRounds, commandFigures);
    if (rawFigures.medianUs > 0) {
        std::printf("ratio of medians (SendCommand / raw): %.2f\n",
                    commandFigures.medianUs / rawFigures.medianUs);
    }
    return rawFigures.failures + commandFigures.failures == 0 ? 0 : 1;
}
