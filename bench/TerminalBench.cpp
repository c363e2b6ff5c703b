// Streams mixed ASCII and Korean lines through a pseudo-terminal into the real terminal page
// (offscreen, on the GUI thread) and prints, in one run against a plain reader of the same pty:
// - per display mode (text, text + time stamps, hex, text with a raw log file), the rate shown
//   unthrottled (with the GUI thread's CPU time per MB, which a busy shared machine disturbs
//   less than the rate) and the longest GUI-thread stall, and the longest stall at the
//   921600-baud pace;
// - resident memory before, at the peak of and after a long unthrottled stream, with the
//   default scrollback and with the largest offered (5 M characters, 10 MB of text).
// - at the largest scrollback (5 M characters, first) the goals: unthrottled >= 30 MB/s shown
//   with a stall <= 50 ms and a peak memory within the idle memory, the text and 64 MB; then,
//   into the full view, a stall <= 16 ms at the 921600-baud pace.
// Every run checks that all bytes were taken and that the end of the view (and the log file)
// is what was sent.
//
//   terminal_bench [--large-mb N] [--flood-mb N] [--memory-mb N] [--screenshot page.png]
//
// With --screenshot only a short paced stream with time stamps and hex view on is shown and
// the page is saved (the UI language follows LANGUAGE).
#include "PtyPeer.h"
#include "ReceivedFormatter.h"
#include "ReceivedTextDecoder.h"
#include "RecordingFileAsker.h"
#include "SerialTermPage.h"
#include "TermChannel.h"
#include "TermLogger.h"
#include "TermRichedit.h"
#include "Translations.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

using Clock = std::chrono::steady_clock;

namespace {

constexpr double kPacedBytesPerSecond = 921600.0 / 10.0;  // 8N1: ten bits per byte
constexpr std::size_t kPacedBytes = 92160 * 2;            // two seconds at that pace
constexpr std::size_t kBlockBytes = 1024 * 1024;          // the repeated part of every stream

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

// A block of whole lines, a multiple of 16 bytes long, so a stream of whole blocks ends in
// whole lines and whole hex rows.
std::string Block(std::size_t size) {
    std::string block = MixedLines(size);
    while (block.size() % 16 != 0) {
        block.insert(block.size() - 2, 1, '.');
    }
    return block;
}

// CPU time of the calling thread: on a shared machine, the part of the wall time that was ours.
double ThreadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// Writes `total` bytes of `block` repeated to the peer, as fast as it takes them or at
// `bytesPerSecond`.
void Feed(PtyPeer& peer, const std::string& block, std::size_t total, double bytesPerSecond) {
    const auto start = Clock::now();
    std::size_t sent = 0;
    while (sent < total) {
        std::size_t due = total;
        if (bytesPerSecond > 0) {
            const std::chrono::duration<double> elapsed = Clock::now() - start;
            due = std::min(total, static_cast<std::size_t>(elapsed.count() * bytesPerSecond));
        }
        if (due > sent) {
            const std::size_t offset = sent % block.size();
            const std::size_t count = std::min(due - sent, block.size() - offset);
            peer.Write(block.substr(offset, count));
            sent += count;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

struct Mode {
    const char* name;
    bool timestamps = false;
    bool hex = false;
    bool log = false;
    int scrollback = TermRichedit::kTextLimit;
};

struct Run {
    double seconds = 0;
    double windowCpuSeconds = 0;  // the window thread's own CPU time while it streamed
    double longestStallMs = 0;
    std::uint64_t bytesShown = 0;
    bool tailIntact = false;
    std::optional<bool> logIdentical;
    long rssBeforeKb = 0;
    long rssPeakKb = 0;
    long rssAfterKb = 0;
};

// Runs the GUI event loop while a 1 ms timer measures its own lateness, until `done`; samples
// the resident memory every 50 ms into `peakKb`.
double RunEventLoopUntil(const std::function<bool()>& done, std::chrono::seconds limit,
                         long& peakKb) {
    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QElapsedTimer sinceTick;
    QElapsedTimer sinceSample;
    double longest = 0;
    const auto deadline = Clock::now() + limit;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6 - 1.0);
        if (sinceSample.elapsed() >= 50) {
            peakKb = std::max(peakKb, ResidentKb());
            sinceSample.restart();
        }
        if (done() || Clock::now() > deadline) {
            loop.quit();
        }
        sinceTick.restart();
    });
    sinceTick.start();
    sinceSample.start();
    ticker.start();
    loop.exec();
    return longest;
}

void Settle(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

QString StripStamps(QString text) {
    static const QRegularExpression kStamp(
        QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\] "));
    return text.replace(kStamp, QString());
}

// The stream is `block` repeated; it ends with this prefix of the block.
std::string LastPart(const std::string& block, std::size_t total) {
    const std::size_t rest = total % block.size();
    return block.substr(0, rest == 0 ? block.size() : rest);
}

// Whether the end of the view is the end of the stream as that mode shows it.
bool TailIntact(const TermRichedit& view, const std::string& block, std::size_t total,
                const Mode& mode) {
    const std::string last = LastPart(block, total);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(last.data());
    const QString shown = view.PlainText();
    if (mode.hex) {
        const std::size_t tailBytes = std::min<std::size_t>(16 * 64, last.size() / 16 * 16);
        ReceivedFormatter formatter;
        formatter.SetHex(true, 0);
        formatter.Format(bytes + last.size() - tailBytes, tailBytes, 0);
        return tailBytes > 0 &&
               shown.endsWith(QString::fromStdU16String(formatter.TakeUpdate().finalText));
    }
    ReceivedTextDecoder decoder;
    const QString expected = QString::fromStdU16String(decoder.Decode(bytes, last.size()));
    QString tail = StripStamps(shown.right(20000));
    tail = tail.mid(tail.indexOf(u'\n') + 1);  // the first line may be cut
    return tail.size() > 1000 && expected.endsWith(tail);
}

bool FileIsBlockRepeated(const QString& path, const std::string& block, std::size_t total) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || static_cast<std::size_t>(file.size()) != total) {
        return false;
    }
    for (std::size_t offset = 0; offset < total; offset += block.size()) {
        const std::size_t count = std::min(block.size(), total - offset);
        if (file.read(static_cast<qint64>(count)).toStdString() != block.substr(0, count)) {
            return false;
        }
    }
    return true;
}

void SetOptions(SerialTermPage& page, const Mode& mode) {
    page.findChild<QCheckBox*>(QStringLiteral("termTimestamps"))->setChecked(mode.timestamps);
    page.findChild<QCheckBox*>(QStringLiteral("termHexView"))->setChecked(mode.hex);
    auto* scrollback = page.findChild<QComboBox*>(QStringLiteral("termScrollback"));
    scrollback->setCurrentIndex(scrollback->findData(mode.scrollback));
}

// Empties the page and sets `mode`; returns the run with the resident memory before it.
Run PreparePage(SerialTermPage& page, const Mode& mode) {
    page.ClosePort();
    SetOptions(page, mode);
    Settle(600);  // let a memory trim of the run before happen first
    Run run;
    run.rssBeforeKb = run.rssPeakKb = ResidentKb();
    return run;
}

// Feeds `total` bytes of `block` repeated and runs the window until the channel has taken
// `until` bytes in all; fills the run's times, stall, peak memory and bytes.
void MeasureStream(PtyPeer& peer, const TermChannel& channel, const std::string& block,
                   std::size_t total, double bytesPerSecond, std::uint64_t until, Run& run) {
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    std::thread feeder(Feed, std::ref(peer), std::cref(block), total, bytesPerSecond);
    run.longestStallMs = RunEventLoopUntil([&] { return channel.ReceivedBytes() >= until; },
                                           std::chrono::seconds(600), run.rssPeakKb);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.windowCpuSeconds = ThreadCpuSeconds() - cpuStart;
    if (channel.ReceivedBytes() < until) {
        // The feeder may be blocked on a full pty that nobody reads any more.
        std::printf("TIMEOUT: %llu of %llu bytes shown\n",
                    static_cast<unsigned long long>(channel.ReceivedBytes()),
                    static_cast<unsigned long long>(until));
        std::_Exit(1);
    }
    feeder.join();
    run.bytesShown = total;
}

bool OpenOnPeer(SerialTermPage& page, const PtyPeer& peer) {
    if (page.OpenPort(QString::fromStdString(peer.SlavePath()), 921600, 0)) {
        std::fprintf(stderr, "cannot open %s\n", peer.SlavePath().c_str());
        return false;
    }
    return true;
}

Run StreamIntoPage(SerialTermPage& page, const TermChannel& channel, const TermRichedit& view,
                   const Mode& mode, const std::string& block, std::size_t total,
                   double bytesPerSecond) {
    PtyPeer peer;
    Run run = PreparePage(page, mode);
    QTemporaryDir folder;
    const QString logPath = folder.filePath(QStringLiteral("raw.log"));
    auto* logger = page.findChild<TermLogger*>();
    if (mode.log) {
        RecordingFileAsker files;
        files.AnswerWith(logPath, TermLogger::kFilterRaw);
        logger->Start();
    }
    if (!OpenOnPeer(page, peer)) {
        return {};
    }
    MeasureStream(peer, channel, block, total, bytesPerSecond, total, run);
    run.bytesShown = channel.ReceivedBytes();
    run.tailIntact = TailIntact(view, block, total, mode);
    page.ClosePort();  // before the peer goes, or its hang-up would count as a port error
    if (mode.log) {
        logger->Stop();
        run.logIdentical = FileIsBlockRepeated(logPath, block, total);
    }
    Settle(1000);
    run.rssAfterKb = ResidentKb();
    return run;
}

// The large scrollback as it is used for hours: an unthrottled stream of whole blocks fills the
// view, then the stream goes on at the 921600-baud pace into the full view.
struct LargeRun {
    Run flood;
    Run paced;
};

LargeRun StreamIntoFullView(SerialTermPage& page, const TermChannel& channel,
                            const TermRichedit& view, const Mode& mode, const std::string& block,
                            std::size_t floodBlocks) {
    PtyPeer peer;
    LargeRun large;
    large.flood = PreparePage(page, mode);
    if (!OpenOnPeer(page, peer)) {
        return {};
    }
    const std::size_t floodBytes = floodBlocks * block.size();
    MeasureStream(peer, channel, block, floodBytes, 0, floodBytes, large.flood);
    large.flood.tailIntact = TailIntact(view, block, floodBytes, mode);
    large.paced.rssBeforeKb = large.paced.rssPeakKb = large.flood.rssBeforeKb;
    MeasureStream(peer, channel, block, kPacedBytes, kPacedBytesPerSecond, floodBytes + kPacedBytes,
                  large.paced);
    large.paced.tailIntact = TailIntact(view, block, kPacedBytes, mode);
    page.ClosePort();
    Settle(1000);
    large.flood.rssAfterKb = large.paced.rssAfterKb = ResidentKb();
    return large;
}

double PlainReaderSeconds(const std::string& block, std::size_t total) {
    PtyPeer peer;
    const int fd = ::open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    termios attributes{};
    ::tcgetattr(fd, &attributes);
    ::cfmakeraw(&attributes);
    ::tcsetattr(fd, TCSANOW, &attributes);
    const auto start = Clock::now();
    std::thread feeder(Feed, std::ref(peer), std::cref(block), total, 0.0);
    char buffer[1024];  // the channel's read size
    std::size_t received = 0;
    while (received < total) {
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

const char* Verdict(bool ok) {
    return ok ? "ok" : "MISSED";
}

void ReportRate(const Mode& mode, std::size_t total, const Run& run, double plainRate,
                double goalMBps) {
    const double rate = run.bytesShown / run.seconds;
    std::printf(
        "%-14s unthrottled %6zu MB  %7.1f MB/s shown (%4.2f x plain, window thread "
        "%4.1f ms CPU/MB)  stall %5.1f ms  all bytes %s  tail %s%s",
        mode.name, total >> 20, rate / 1e6, rate / plainRate,
        run.windowCpuSeconds * 1e3 / (total >> 20), run.longestStallMs,
        run.bytesShown == total ? "yes" : "NO", run.tailIntact ? "intact" : "BROKEN",
        run.logIdentical ? (*run.logIdentical ? "  log identical" : "  log DIFFERS") : "");
    std::printf("  [goal rate >= %.0f MB/s: %s, stall <= 50 ms: %s]\n", goalMBps,
                goalMBps > 0 ? Verdict(rate / 1e6 >= goalMBps) : "-",
                Verdict(run.longestStallMs <= 50));
}

void ReportPaced(const Mode& mode, std::size_t total, const Run& run) {
    std::printf(
        "%-14s 921600 baud %6zu B   %7.1f kB/s shown (%4.2f x the pace)  stall %5.1f ms  "
        "all bytes %s  tail %s%s  [goal stall <= 16 ms: %s]\n",
        mode.name, total, run.bytesShown / run.seconds / 1e3,
        run.bytesShown / run.seconds / kPacedBytesPerSecond, run.longestStallMs,
        run.bytesShown == total ? "yes" : "NO", run.tailIntact ? "intact" : "BROKEN",
        run.logIdentical ? (*run.logIdentical ? "  log identical" : "  log DIFFERS") : "",
        Verdict(run.longestStallMs <= 16));
}

void ReportMemory(const Mode& mode, std::size_t total, const Run& run) {
    const long peakRise = (run.rssPeakKb - run.rssBeforeKb) / 1024;
    const long endRise = (run.rssAfterKb - run.rssBeforeKb) / 1024;
    std::printf(
        "%-14s memory over %5zu MB unthrottled: before %4ld MB  peak %4ld MB  after %4ld MB"
        "  (%6.1f MB/s, stall %5.1f ms, tail %s)  [goal peak and end within 64 MB: %s]\n",
        mode.name, total >> 20, run.rssBeforeKb / 1024, run.rssPeakKb / 1024, run.rssAfterKb / 1024,
        run.bytesShown / run.seconds / 1e6, run.longestStallMs,
        run.tailIntact ? "intact" : "BROKEN", Verdict(peakRise <= 64 && endRise <= 64));
}

// The goals of the largest scrollback: the rate and stall unthrottled, the memory beyond the
// text the view holds (two bytes a character), and the stall at the pace into the full view.
void ReportLarge(const Mode& mode, std::size_t floodBytes, const LargeRun& large) {
    const Run& flood = large.flood;
    const double rate = flood.bytesShown / flood.seconds / 1e6;
    const long textMb = static_cast<long>(mode.scrollback) * 2 / (1024 * 1024);
    const long beyondText = (flood.rssPeakKb - flood.rssBeforeKb) / 1024 - textMb;
    std::printf(
        "%-14s unthrottled %6zu MB  %7.1f MB/s shown (window thread %4.1f ms CPU/MB)  "
        "stall %5.1f ms  tail %s  [goal rate >= 30 MB/s: %s, stall <= 50 ms: %s]\n",
        mode.name, floodBytes >> 20, rate,
        flood.windowCpuSeconds * 1e3 / static_cast<double>(floodBytes >> 20), flood.longestStallMs,
        flood.tailIntact ? "intact" : "BROKEN", Verdict(rate >= 30),
        Verdict(flood.longestStallMs <= 50));
    std::printf(
        "%-14s memory: idle %4ld MB  peak %4ld MB  text %3ld MB  beyond idle and text "
        "%4ld MB  after %4ld MB  [goal peak <= idle + text + 64 MB: %s]\n",
        mode.name, flood.rssBeforeKb / 1024, flood.rssPeakKb / 1024, textMb, beyondText,
        flood.rssAfterKb / 1024, Verdict(beyondText <= 64));
    std::printf(
        "%-14s 921600 baud into the full view %6zu B  %7.1f kB/s shown  stall %5.1f ms  "
        "tail %s  [goal stall <= 16 ms: %s]\n",
        mode.name, kPacedBytes, large.paced.bytesShown / large.paced.seconds / 1e3,
        large.paced.longestStallMs, large.paced.tailIntact ? "intact" : "BROKEN",
        Verdict(large.paced.longestStallMs <= 16));
}

std::size_t MegabytesOption(const QStringList& arguments, const QString& name,
                            std::size_t fallback) {
    const qsizetype index = arguments.indexOf(name);
    return index >= 0 ? arguments.value(index + 1).toULongLong() : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    Translations::InstallForSystemLocale();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList arguments = QApplication::arguments();
    const qsizetype option = arguments.indexOf(QStringLiteral("--screenshot"));
    const QString screenshot = option >= 0 ? arguments.value(option + 1) : QString();
    const std::size_t floodBytes = MegabytesOption(arguments, "--flood-mb", 32) << 20;
    const std::size_t memoryBytes = MegabytesOption(arguments, "--memory-mb", 1024) << 20;
    const std::size_t largeBlocks = MegabytesOption(arguments, "--large-mb", 64);

    const std::string block = Block(kBlockBytes);
    SerialTermPage page;
    page.resize(900, 600);
    page.show();
    auto* view = page.findChild<TermRichedit*>();
    auto* channel = page.findChild<TermChannel*>();

    if (!screenshot.isEmpty()) {
        PtyPeer peer;
        page.OpenPort(QString::fromStdString(peer.SlavePath()), 921600, 0);
        SetOptions(page, {"text+stamps", true, false});
        peer.Write(block.substr(0, 700));
        Settle(300);
        SetOptions(page, {"hex+stamps", true, true});
        peer.Write(block.substr(700, 330));
        Settle(300);
        page.grab().save(screenshot);
        page.ClosePort();
        return 0;
    }

    const double plainRate = floodBytes / PlainReaderSeconds(block, floodBytes);
    std::printf("plain reader   %6zu MB in 1024-byte reads: %7.1f MB/s (baseline)\n",
                floodBytes >> 20, plainRate / 1e6);

    const Mode large[] = {{"text 5M", false, false, false, 5'000'000},
                          {"stamps 5M", true, false, false, 5'000'000}};
    std::printf("large scrollback (5,000,000 characters), the stream in whole blocks:\n");
    for (const Mode& mode : large) {
        ReportLarge(mode, largeBlocks * block.size(),
                    StreamIntoFullView(page, *channel, *view, mode, block, largeBlocks));
    }
    const Mode modes[] = {
        {"text"}, {"text+stamps", true}, {"hex", false, true}, {"text+log", false, false, true}};
    const double goals[] = {0, 30, 10, 0};
    for (std::size_t index = 0; index < std::size(modes); ++index) {
        const Run run = StreamIntoPage(page, *channel, *view, modes[index], block, floodBytes, 0);
        ReportRate(modes[index], floodBytes, run, plainRate, goals[index]);
    }
    for (const Mode& mode : modes) {
        const Run run =
            StreamIntoPage(page, *channel, *view, mode, block, kPacedBytes, kPacedBytesPerSecond);
        ReportPaced(mode, kPacedBytes, run);
    }
    const Mode memoryModes[] = {{"text 32K"},
                                {"text 1M", false, false, false, 1'000'000},
                                {"text 5M", false, false, false, 5'000'000}};
    for (const Mode& mode : memoryModes) {
        const Run run = StreamIntoPage(page, *channel, *view, mode, block, memoryBytes, 0);
        ReportMemory(mode, memoryBytes, run);
    }
    page.ClosePort();
    return 0;
}
