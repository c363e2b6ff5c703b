#include "VirtualModule.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

using namespace std::chrono_literals;

namespace {

// Invalid UTF-8 and punctuation: what a line with noise on it tends to look like. No matcher
// of the program takes it for an answer except those that accept any text.
const std::string kGarbageLine = "\xF8\x9B~\xE7?\xC3#\xAD!";
// With its line end a line of 300 bytes, too long for the program's framing.
const std::string kLongLine(299, 'X');

constexpr auto kSplitGap = 4ms;
// Output nobody reads (no program on the port) is dropped after this long.
constexpr auto kStaleOutput = 2s;
// What the module holds for a program that does not read: a real module's UART buffer is a
// few kilobytes and overruns; this one is generous, but bounded.
constexpr std::size_t kMaxQueuedOutput = 256 * 1024;
// The command log, for tests, keeps at most this many lines.
constexpr std::size_t kMaxLoggedCommands = 65536;
constexpr int kRoomPollMs = 100;
constexpr auto kMaxCatchUp = 5ms;

// What the program reads when its port runs at another speed than the module: every byte
// comes out with its top bit set, so no CR or LF ever ends a line.
std::string Garble(const std::string& bytes) {
    std::string garbled = bytes;
    for (char& c : garbled) {
        c = static_cast<char>((static_cast<unsigned char>(c) * 37u + 0x5Bu) | 0x80u);
    }
    return garbled;
}

timespec TimeUntil(OutputSchedule::Clock::time_point when) {
    using namespace std::chrono;
    const auto left = std::clamp<nanoseconds>(
        duration_cast<nanoseconds>(when - OutputSchedule::Clock::now()), 0ns, nanoseconds(60s));
    return {static_cast<time_t>(left.count() / 1'000'000'000),
            static_cast<long>(left.count() % 1'000'000'000)};
}

OutputSchedule::Clock::duration ByteTimeAt(std::uint32_t baud) {
    return std::chrono::nanoseconds(10'000'000'000LL / std::max<std::uint32_t>(baud, 1));
}

}  // namespace

VirtualModule::VirtualModule(VirtualModuleOptions options)
    : m_options(std::move(options)),
      m_behaviour(m_options.model, m_options.uartSpeed, m_options.devices, m_options.address) {}

VirtualModule::~VirtualModule() {
    Stop();
}

std::error_code VirtualModule::Start() {
    if (m_thread.joinable()) {
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return {errno, std::system_category()};
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    std::error_code error = m_pty.Open(m_options.uartSpeed);
    if (!error) {
        const std::string& name = m_options.portName.empty() ? m_options.model : m_options.portName;
        error = m_link.Publish(name, m_pty.SlavePath());
    }
    if (error) {
        Stop();
        return error;
    }
    m_devicePath = m_pty.SlavePath();
    m_portPath = m_link.LinkPath();
    m_byteTime = ByteTimeAt(m_options.uartSpeed);
    m_packetMode = !m_options.staleAtConnect.empty() && m_pty.EnablePacketMode();
    if (m_options.startsScanning) {
        StartScanningNow();
    }
    {
        std::lock_guard guard(m_lock);
        m_running = true;
    }
    m_thread = std::thread(&VirtualModule::Run, this);
    return {};
}

void VirtualModule::Stop() {
    if (m_thread.joinable()) {
        {
            std::lock_guard guard(m_lock);
            m_stopRequested = true;
            WakeLocked();
        }
        m_thread.join();
    }
    {
        std::lock_guard guard(m_lock);
        m_running = false;
    }
    m_changed.notify_all();
    CloseLine();
    for (int* fd : {&m_wakeRead, &m_wakeWrite}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

std::vector<std::string> VirtualModule::Commands() const {
    std::lock_guard guard(m_lock);
    return m_commands;
}

void VirtualModule::ClearCommands() {
    std::lock_guard guard(m_lock);
    m_commands.clear();
}

bool VirtualModule::WaitForCommand(std::string_view command,
                                   std::chrono::milliseconds limit) const {
    std::unique_lock guard(m_lock);
    return m_changed.wait_for(guard, limit, [&] {
        return std::find(m_commands.begin(), m_commands.end(), command) != m_commands.end();
    });
}

ModuleSettings VirtualModule::Settings() const {
    std::lock_guard guard(m_lock);
    return m_behaviour.Settings();
}

void VirtualModule::SetFault(SimFault fault, bool on) {
    {
        std::lock_guard guard(m_lock);
        switch (fault) {
            case SimFault::Silence:
                m_faults.silence = on;
                break;
            case SimFault::GarbageLines:
                m_faults.garbage = on;
                break;
            case SimFault::LongLines:
                m_faults.longLines = on;
                break;
            case SimFault::SplitWrites:
                m_faults.split = on;
                break;
            case SimFault::ForgetsName:
                m_behaviour.SetForgetsName(on);
                break;
        }
        WakeLocked();
    }
}

void VirtualModule::SendRaw(std::string bytes) {
    {
        std::lock_guard guard(m_lock);
        m_pendingRaw += bytes;
        WakeLocked();
    }
}

void VirtualModule::Unplug() {
    std::unique_lock guard(m_lock);
    if (!m_running) {
        return;
    }
    m_unplugRequested = true;
    WakeLocked();
    m_changed.wait(guard, [this] { return m_unplugged || !m_running; });
}

void VirtualModule::Run() {
    // A module's UART sends when the byte is due, not up to 50 us later as the kernel's default
    // timer slack lets a sleeping thread wake; with hundreds of paced pieces a job that slack
    // would count against the program's own waiting.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    while (TakeRequests()) {
        ReadCommands();
        SendScanReportIfDue();
        WriteDue();
        WaitForActivity();
    }
}

void VirtualModule::StartScanningNow() {
    bool scanning = false;
    {
        std::lock_guard guard(m_lock);
        scanning = m_behaviour.StartScanningAsCentral();
    }
    if (scanning) {
        m_scanning = true;
        m_nextScanReport = Clock::now() + m_options.scanInterval;
    }
}

void VirtualModule::WaitForActivity() {
    pollfd fds[2] = {{m_wakeRead, POLLIN, 0}, {m_pty.MasterFd(), POLLIN, 0}};
    if (m_waitingForRoom) {
        fds[1].events |= POLLOUT;
    }
    const std::optional<Clock::time_point> wake = NextWake();
    const timespec timeout = wake ? TimeUntil(*wake) : timespec{};
    ::ppoll(fds, m_pty.IsOpen() ? 2 : 1, wake ? &timeout : nullptr, nullptr);
    char drain[64];
    while (::read(m_wakeRead, drain, sizeof drain) > 0) {
    }
}

std::optional<VirtualModule::Clock::time_point> VirtualModule::NextWake() const {
    if (!m_pty.IsOpen()) {
        return std::nullopt;
    }
    std::optional<Clock::time_point> wake;
    if (m_waitingForRoom) {
        wake = Clock::now() + std::chrono::milliseconds(kRoomPollMs);
    } else {
        wake = NextRelease();
    }
    if (m_scanning && (!wake || m_nextScanReport < *wake)) {
        wake = m_nextScanReport;
    }
    return wake;
}

// Without line rate an entry goes out whole once due. With it, in pieces of about a
// millisecond of wire time, each written when its last byte would have crossed the line.
std::optional<VirtualModule::Clock::time_point> VirtualModule::NextRelease(
    std::size_t* count) const {
    const std::optional<Clock::time_point> due = m_output.NextDue();
    if (!due) {
        return std::nullopt;
    }
    const std::size_t available = m_output.FrontSize();
    const std::size_t pieceSize = m_options.lineRate ? PacedChunk(available) : available;
    if (count != nullptr) {
        *count = pieceSize;
    }
    if (!m_options.lineRate) {
        return due;
    }
    return std::max(*due, m_txLineFreeAt) +
           m_byteTime * static_cast<Clock::duration::rep>(pieceSize);
}

std::size_t VirtualModule::PacedChunk(std::size_t available) const {
    const auto perMillisecond = static_cast<std::size_t>(
        std::max<Clock::duration::rep>(1, std::chrono::milliseconds(1) / m_byteTime));
    return std::min(available, perMillisecond);
}

void VirtualModule::NoteReceived(std::size_t count, Clock::time_point now) {
    if (m_options.lineRate) {
        m_rxWireEnd =
            std::max(now, m_rxWireEnd) + m_byteTime * static_cast<Clock::duration::rep>(count);
    }
}

// The module answers in order: an answer is not due before the one ahead of it.
VirtualModule::Clock::time_point VirtualModule::AnswerTime(const std::string& command,
                                                           Clock::time_point heard) {
    const bool late = m_options.lateBy > Clock::duration::zero() &&
                      (m_commandsHeard < m_options.lateFirst || command == m_options.lateCommand);
    ++m_commandsHeard;
    const Clock::time_point start = std::max(heard, m_busyUntil);
    m_busyUntil = start + m_options.latency + (late ? m_options.lateBy : Clock::duration::zero());
    return m_busyUntil;
}

bool VirtualModule::TakeRequests() {
    std::string raw;
    bool unplug = false;
    {
        std::lock_guard guard(m_lock);
        if (m_stopRequested) {
            return false;
        }
        m_activeFaults = m_faults;
        raw.swap(m_pendingRaw);
        unplug = m_unplugRequested && !m_unplugged;
    }
    Emit(raw, Clock::now());
    if (unplug) {
        CloseLine();
        {
            std::lock_guard guard(m_lock);
            m_unplugged = true;
        }
        m_changed.notify_all();
    }
    return true;
}

void VirtualModule::ReadCommands() {
    if (!m_pty.IsOpen()) {
        return;
    }
    char buffer[1024];
    ssize_t count = 0;
    while ((count = ::read(m_pty.MasterFd(), buffer, sizeof buffer)) > 0) {
        std::string_view bytes(buffer, static_cast<std::size_t>(count));
        if (m_packetMode) {
            const auto status = static_cast<unsigned char>(bytes.front());
            bytes.remove_prefix(1);
            if (status != TIOCPKT_DATA) {
                // The program flushed its input: it has just opened the port.
                if ((status & TIOCPKT_FLUSHREAD) != 0) {
                    Emit(m_options.staleAtConnect, Clock::now());
                }
                continue;
            }
        }
        NoteReceived(bytes.size(), Clock::now());
        if (m_options.echo) {
            Emit(std::string(bytes), Clock::now());
        }
        for (const CommandLineReader::Line& line : m_reader.Feed(bytes)) {
            HandleLine(line);
        }
    }
}

void VirtualModule::HandleLine(const CommandLineReader::Line& line) {
    if (line.text.empty() && !line.tooLong) {
        return;
    }
    const Clock::time_point now = std::max(Clock::now(), m_rxWireEnd);
    // Bytes sent at the wrong speed arrive as noise: nothing the module could act on.
    const bool understood = !SpeedMismatch();
    std::optional<ModuleReply> reply = ModuleReply{"ERROR"};
    bool startedScanning = false;
    {
        std::lock_guard guard(m_lock);
        m_activeFaults = m_faults;
        if (m_commands.size() >= kMaxLoggedCommands) {  // a flood keeps only its recent half
            m_commands.erase(m_commands.begin(), m_commands.begin() + kMaxLoggedCommands / 2);
        }
        m_commands.push_back(line.text);
        const bool refused =
            !m_options.refusedCommand.empty() && line.text.starts_with(m_options.refusedCommand);
        if (understood && !line.tooLong && !refused) {
            reply = m_behaviour.Answer(line.text);
        }
        startedScanning = !m_scanning && m_behaviour.Settings().scanning;
        m_scanning = m_behaviour.Settings().scanning;
        m_byteTime = ByteTimeAt(m_behaviour.Settings().uartSpeed);
    }
    m_changed.notify_all();
    Trace(SimTraceDirection::Received, line.text);
    if (startedScanning) {
        m_nextScanReport = now + m_options.latency + m_options.scanInterval;
    }
    if (reply) {
        SendLine(FrameReply(*reply), AnswerTime(line.text, now));
        Trace(SimTraceDirection::Sent, reply->text);
    }
}

void VirtualModule::SendScanReportIfDue() {
    const Clock::time_point now = Clock::now();
    if (!m_scanning || !m_pty.IsOpen() || now < m_nextScanReport) {
        return;
    }
    std::optional<std::string> report;
    {
        std::lock_guard guard(m_lock);
        m_activeFaults = m_faults;
        report = m_behaviour.NextScanReport();
    }
    // A steady rate, without bursts to catch up after a stall.
    m_nextScanReport = std::max(m_nextScanReport + m_options.scanInterval, now);
    if (report) {
        SendLine(LineOf(*report), now);
        Trace(SimTraceDirection::Sent, *report);
    }
}

void VirtualModule::SendLine(const std::string& bytes, Clock::time_point notBefore) {
    if (m_activeFaults.garbage) {
        Emit(LineOf(kGarbageLine), notBefore);
    }
    if (m_activeFaults.longLines) {
        Emit(LineOf(kLongLine), notBefore);
    }
    Emit(bytes, notBefore);
}

void VirtualModule::Emit(const std::string& bytes, Clock::time_point notBefore) {
    if (bytes.empty() || m_activeFaults.silence || !m_pty.IsOpen()) {
        return;
    }
    const std::string out = SpeedMismatch() ? Garble(bytes) : bytes;
    if (m_output.Bytes() + out.size() > kMaxQueuedOutput) {
        if (!m_overrun) {  // logged once per overrun, or the log would grow instead
            Trace(SimTraceDirection::Sent, "[output dropped: the program does not read]");
        }
        m_overrun = true;
        m_droppedBytes.fetch_add(out.size());
        return;
    }
    m_overrun = false;
    if (m_activeFaults.split) {
        m_output.AddInPieces(out, notBefore, kSplitGap);
    } else {
        m_output.Add(out, notBefore);
    }
    m_queuedBytes.store(m_output.Bytes());
}

std::string VirtualModule::FrameReply(const ModuleReply& reply) const {
    if (reply.acknowledgement && m_options.enclosed) {
        return "\r\n" + reply.text + "\r\n";
    }
    return LineOf(reply.text);
}

std::string VirtualModule::LineOf(const std::string& text) const {
    return text + (m_options.crlf ? "\r\n" : "\r");
}

bool VirtualModule::SpeedMismatch() const {
    if (!m_options.strictSpeed) {
        return false;
    }
    std::uint32_t moduleSpeed = 0;
    {
        std::lock_guard guard(m_lock);
        moduleSpeed = m_behaviour.Settings().uartSpeed;
    }
    return m_pty.ProgramSpeed() != moduleSpeed;
}

void VirtualModule::WriteDue() {
    m_waitingForRoom = false;
    for (;;) {
        const Clock::time_point now = Clock::now();
        std::size_t count = 0;
        const std::optional<Clock::time_point> release = NextRelease(&count);
        if (!release || *release > now) {
            return;
        }
        const std::string* bytes = m_output.Due(now);
        const ssize_t written = ::write(m_pty.MasterFd(), bytes->data(), count);
        if (written > 0) {
            m_output.Consume(static_cast<std::size_t>(written));
            m_queuedBytes.store(m_output.Bytes());
            // A sender stalled for long leaves the line idle; it does not make up for the
            // stall with a burst (short stalls of the module's thread are made up for).
            m_txLineFreeAt = std::max(*release, now - kMaxCatchUp);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && errno == EAGAIN && now - *m_output.NextDue() < kStaleOutput) {
            m_waitingForRoom = true;
            return;
        } else if (written < 0 && errno == EAGAIN) {
            m_output.DropFront();
        } else {
            m_output.Clear();
        }
    }
}

void VirtualModule::CloseLine() {
    m_pty.Close();
    m_link.Withdraw();
    m_output.Clear();
    m_waitingForRoom = false;
}

// The pipe exists exactly while m_running; both change under m_lock.
void VirtualModule::WakeLocked() {
    const char byte = 1;
    if (m_running) {
        [[maybe_unused]] const ssize_t ignored = ::write(m_wakeWrite, &byte, 1);
    }
}

void VirtualModule::Trace(SimTraceDirection direction, std::string_view text) const {
    if (m_options.trace) {
        m_options.trace(direction, text);
    }
}
