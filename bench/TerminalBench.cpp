// Streams mixed ASCII and Korean lines through a pseudo-terminal into the real terminal page
// (offscreen, on the GUI thread), once at the pace of 460800 baud and once as fast as the peer
// can write, and prints what was shown, how fast, and the longest GUI-thread stall. A plain
// reader draining the same kind of pty in the same run is the baseline.
//
//   terminal_bench [--screenshot page.png]
#include "PtyPeer.h"
#include "ReceivedTextDecoder.h"
#include "SerialTermPage.h"
#include "TermRichedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kPacedBytes = 46080 * 3;  // three seconds at 460800 baud
constexpr std::size_t kFloodBytes = 4 * 1024 * 1024;
constexpr double kPacedBytesPerSecond = 460800.0 / 10.0;  // 8N1: ten bits per byte

std::string MixedLines(std::size_t size) {
    static const char* const kWords[] = {
        "temp=23.5", "\xEC\x98\xA8\xEB\x8F\x84",
        "OK",        "\xEC\x83\x81\xED\x83\x9C \xEC\xA0\x95\xEC\x83\x81",
        "rssi=-61",  "\xEC\x84\xBC\xEC\x84\x9C"};
    std::string stream;
    for (unsigned line = 0; stream.size() < size; ++line) {
        stream += std::to_string(100000 + line);
        for (unsigned word = 0; word < 3 + line % 5; ++word) {
            stream += ' ';
            stream += kWords[(line + word) % std::size(kWords)];
        }
        stream += "\r\n";
    }
    return stream;
}

QString ExpectedText(const std::string& stream) {
    ReceivedTextDecoder decoder;
    return QString::fromStdU16String(
        decoder.Decode(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size()));
}

// Writes `stream` to the peer, all at once or at `bytesPerSecond`.
void Feed(PtyPeer& peer, const std::string& stream, double bytesPerSecond) {
    const auto start = Clock::now();
    std::size_t sent = 0;
    while (sent < stream.size()) {
        std::size_t due = stream.size();
        if (bytesPerSecond > 0) {
            const std::chrono::duration<double> elapsed = Clock::now() - start;
            due =
                std::min(stream.size(), static_cast<std::size_t>(elapsed.count() * bytesPerSecond));
        }
        if (due > sent) {
            peer.Write(stream.substr(sent, due - sent));
            sent = due;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

struct Run {
    double seconds = 0;
    double longestStallMs = 0;
    std::uint64_t charactersShown = 0;
    bool tailIntact = false;
};

// Runs the GUI event loop while a 1 ms timer measures its own lateness, until `done`.
double RunEventLoopUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QElapsedTimer sinceTick;
    double longest = 0;
    const auto deadline = Clock::now() + limit;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6 - 1.0);
        sinceTick.restart();
        if (done() || Clock::now() > deadline) {
            loop.quit();
        }
    });
    sinceTick.start();
    ticker.start();
    loop.exec();
    return longest;
}

Run StreamIntoPage(SerialTermPage& page, TermRichedit& view, const std::string& stream,
                   double bytesPerSecond, const QString& screenshot = {}) {
    PtyPeer peer;
    page.ClosePort();
    if (page.OpenPort(QString::fromStdString(peer.SlavePath()), 460800, 0)) {
        std::fprintf(stderr, "cannot open %s\n", peer.SlavePath().c_str());
        return {};
    }
    const QString expected = ExpectedText(stream);
    const auto expectedCount = static_cast<std::uint64_t>(expected.size());
    Run run;
    const auto start = Clock::now();
    std::thread feeder(Feed, std::ref(peer), std::cref(stream), bytesPerSecond);
    run.longestStallMs = RunEventLoopUntil(
        [&] { return view.ReceivedCharacters() >= expectedCount; }, std::chrono::seconds(120));
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (view.ReceivedCharacters() < expectedCount) {
        // The feeder may be blocked on a full pty that nobody reads any more.
        std::printf("TIMEOUT: %llu of %llu characters shown\n",
                    static_cast<unsigned long long>(view.ReceivedCharacters()),
                    static_cast<unsigned long long>(expectedCount));
        std::fflush(stdout);
        std::_Exit(1);
    }
    feeder.join();
    run.charactersShown = view.ReceivedCharacters();

    run.tailIntact = expected.endsWith(view.toPlainText());
    if (!screenshot.isEmpty()) {
        page.grab().save(screenshot);
    }
    page.ClosePort();  // before the peer goes, or its hang-up would count as a port error
    return run;
}

double PlainReaderSeconds(const std::string& stream) {
    PtyPeer peer;
    const int fd = ::open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    termios attributes{};
    ::tcgetattr(fd, &attributes);
    ::cfmakeraw(&attributes);
    ::tcsetattr(fd, TCSANOW, &attributes);
    const auto start = Clock::now();
    std::thread feeder(Feed, std::ref(peer), std::cref(stream), 0.0);
    char buffer[1024];  // the channel's read size
    std::size_t received = 0;
    while (received < stream.size()) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        received += static_cast<std::size_t>(n);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    feeder.join();
    ::close(fd);
    return seconds;
}

// `reference` is the rate the run is compared with: the pace it was fed at, or the plain reader.
void Report(const char* name, const std::string& stream, const Run& run, double reference,
            const char* referenceName) {
    const QString expected = ExpectedText(stream);
    const double rate = stream.size() / run.seconds;
    std::printf(
        "%-12s %9zu B sent  %9lld chars expected  %9llu chars shown  tail %s  "
        "%7.3f s  %9.0f B/s shown  stall %6.1f ms  %5.2f x %s\n",
        name, stream.size(), static_cast<long long>(expected.size()),
        static_cast<unsigned long long>(run.charactersShown), run.tailIntact ? "intact" : "BROKEN",
        run.seconds, rate, run.longestStallMs, rate / reference, referenceName);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList arguments = QApplication::arguments();
    const qsizetype option = arguments.indexOf(QStringLiteral("--screenshot"));
    const QString screenshot = option >= 0 ? arguments.value(option + 1) : QString();

    const std::string flood = MixedLines(kFloodBytes);
    const double plainRate = flood.size() / PlainReaderSeconds(flood);
    std::printf("plain reader %9zu B in 1024-byte reads: %9.0f B/s (baseline)\n", flood.size(),
                plainRate);

    SerialTermPage page;
    page.resize(800, 560);
    page.show();
    auto* view = page.findChild<TermRichedit*>();

    const std::string paced = MixedLines(kPacedBytes);
    Report("460800 baud", paced,
           StreamIntoPage(page, *view, paced, kPacedBytesPerSecond, screenshot),
           kPacedBytesPerSecond, "the pace");
    Report("unthrottled", flood, StreamIntoPage(page, *view, flood, 0), plainRate, "plain reader");
    page.ClosePort();
    return 0;
}
