// The terminal's channel: the serial port and its I/O thread, the bounded hand-over of received
// bytes to the window thread, and the turns in which the window thread formats them and hands
// them out to the view and the log.
#include "TermChannel.h"

#include "Conversions.h"
#include "IoServiceExec.h"
#include "ModemLines.h"
#include "OpenChecked.h"

#include <QMetaMethod>
#include <QMetaObject>

#include <algorithm>
#include <ctime>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Days from 1970-01-01 to a date of the civil calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Milliseconds since 1970-01-01 00:00 local time. The zone's offset is looked up once a second
// per thread.
std::int64_t LocalMs() {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    thread_local std::int64_t cachedSecond = -1;
    thread_local std::int64_t cachedOffsetMs = 0;
    const std::int64_t second = now / 1000;
    if (second != cachedSecond) {
        const std::time_t asTime = static_cast<std::time_t>(second);
        std::tm local{};
#if defined(_WIN32)
        localtime_s(&local, &asTime);
#else
        localtime_r(&asTime, &local);
#endif
        // The local calendar time read as if it were UTC, less the UTC time: the zone's offset.
        const std::int64_t days =
            DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        const std::int64_t localSecond =
            days * 86400 + (local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec;
        cachedSecond = second;
        cachedOffsetMs = (localSecond - second) * 1000;
    }
    return now + cachedOffsetMs;
}

// Reads of the same millisecond share one arrival, up to this size.
constexpr std::size_t kArrivalMergeBytes = 16 * 1024;
// A burst of this much makes the channel hand its freed heap back once the data stops.
constexpr std::uint64_t kTrimAfterBytes = 8 * 1024 * 1024;

}  // namespace

// The port (serial or network, by the name opened) and the thread that runs its reads and
// writes. The thread is declared first, so the port goes before its context does.
struct TermChannel::Port {
    IoServiceExec ioService;
    PortChannel::Ptr port = std::make_shared<AnyPortChannel>(ioService.GetIoContext());
};

TermChannel::TermChannel(QObject* parent) : QObject(parent), m_port(std::make_unique<Port>()) {
    // I/O thread, under the port's read lock: the port's next read starts only after this
    // returns. A failed read reports with the lock held, so Fail must not close the port.
    m_port->port->m_onReceive = [this](PortChannel::Ptr, std::error_code& error,
                                       const std::vector<std::uint8_t>& data, unsigned int size) {
        if (error) {
            Fail();
        } else {
            Arrive(data.data(), std::min<std::size_t>(size, data.size()));
        }
    };
    // I/O thread, under the port's write lock.
    m_port->port->m_onWriteComplete = [this](PortChannel::Ptr, std::error_code& error,
                                             unsigned int) {
        if (error) {
            Fail();
        }
    };
    m_nextTurn.setSingleShot(true);
    m_nextTurn.setTimerType(Qt::PreciseTimer);
    connect(&m_nextTurn, &QTimer::timeout, this, &TermChannel::OnReceivedData);
    m_memoryTrim.setSingleShot(true);
    m_memoryTrim.setInterval(500);
    connect(&m_memoryTrim, &QTimer::timeout, this, [this] {
        m_bytesSinceTrim = 0;
#if defined(__GLIBC__)
        ::malloc_trim(0);
#endif
    });
}

TermChannel::~TermChannel() {
    if (IsOpen()) {
        m_port->port->Close();
    }
    m_port->ioService.Stop();
    // The port may outlive the channel in a handler the stopped context still holds.
    m_port->port->m_onReceive = nullptr;
    m_port->port->m_onWriteComplete = nullptr;
}

std::error_code TermChannel::Open(const QString& portName, const PortSettings& settings) {
    if (const std::error_code error =
            OpenChecked(*m_port->port, WideToUtf8(portName.toStdU16String()), settings)) {
        return error;
    }
    // Counted before the thread runs, so a failure is reported under this connection.
    ++m_connection;
    m_formatter.SetOpenedAt(LocalMs());
    m_port->ioService.Start();
    Q_EMIT openChanged(true);
    return {};
}

void TermChannel::SetLeaveModemLines(bool leave) {
    if (!IsOpen()) {
        m_port->port->m_leaveModemLines = leave;
    }
}

void TermChannel::Close() {
    if (!IsOpen()) {
        return;
    }
    m_port->port->Close();
    m_port->ioService.Stop();
    Q_EMIT openChanged(false);
}

bool TermChannel::IsOpen() const {
    return m_port->port->IsOpen();
}

std::size_t TermChannel::Write(const void* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    return m_recorder.Send(data, [&] { return m_port->port->Write(data, size); });
}

ModemLineControl& TermChannel::ModemLines() {
    return m_port->port->ModemLines();
}

// I/O thread: only reads the open flag and posts (failed() is connected queued).
void TermChannel::Fail() {
    if (IsOpen()) {
        Q_EMIT failed(m_connection.load());
    }
}

// I/O thread. Waits while the window thread is behind.
void TermChannel::Arrive(const std::uint8_t* data, std::size_t size) {
    m_recorder.Received(data, size);
    std::unique_lock lock(m_rxMutex);
    // Polled as well, since closing does not know this condition.
    while (m_rxPendingBytes >= kPendingLimit && IsOpen()) {
        m_rxRoom.wait_for(lock, std::chrono::milliseconds(20));
    }
    const std::int64_t localMs = LocalMs();
    if (m_rxPending.empty() || m_rxPending.back().localMs != localMs ||
        m_rxPending.back().bytes.size() >= kArrivalMergeBytes) {
        m_rxPending.push_back({localMs, {}});
    }
    auto& bytes = m_rxPending.back().bytes;
    bytes.insert(bytes.end(), data, data + size);
    m_rxPendingBytes += size;
    if (!m_rxPosted) {
        m_rxPosted = true;
        QMetaObject::invokeMethod(this, &TermChannel::OnReceivedData, Qt::QueuedConnection);
    }
}

// One turn: formats what waits while the turn has room, then hands it out, and asks for another
// turn after the event loop has had its own if more is waiting.
void TermChannel::OnReceivedData() {
    if (WaitForMoreFirst()) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool keepRaw = WantsRaw();
    std::string raw;
    std::deque<Arrival> arrivals;
    bool more = true;
    bool formatted = false;
    while (more && TurnHasRoom(start)) {
        arrivals.clear();
        more = TakeArrivals(kTakeBytes, arrivals);
        FormatArrivals(arrivals, keepRaw, raw);
        formatted = formatted || !arrivals.empty();
    }
    if (formatted) {
        HandOut(m_formatter.TakeUpdate(), raw);
    }
    m_sinceTurn.start();
    PostIfWaiting();
}

// A turn right after the last one finds little new and mostly repaints the view, which takes
// the time from the reading on a busy machine; so a trickle waits for the next turn's time,
// still as a call posted, while a backlog is worked through at once.
bool TermChannel::WaitForMoreFirst() {
    const qint64 sinceTurn = m_sinceTurn.isValid() ? m_sinceTurn.elapsed() : kTurnGap.count();
    if (sinceTurn >= kTurnGap.count()) {
        return false;
    }
    {
        std::lock_guard lock(m_rxMutex);
        if (m_rxPendingBytes >= kTakeBytes) {
            return false;
        }
    }
    if (!m_nextTurn.isActive()) {
        m_nextTurn.start(static_cast<int>(kTurnGap.count() - sinceTurn));
    }
    return true;
}

bool TermChannel::TurnHasRoom(std::chrono::steady_clock::time_point start) const {
    if (std::chrono::steady_clock::now() - start >= kSliceTime) {
        return false;
    }
    const std::size_t waiting = m_formatter.WaitingUnits();
    return waiting < kSliceUnits ||
           (waiting > static_cast<std::size_t>(m_shownLimit) && waiting < kTurnUnits);
}

// Takes about `budget` bytes into `into`; returns whether more are waiting.
bool TermChannel::TakeArrivals(std::size_t budget, std::deque<Arrival>& into) {
    bool more = false;
    {
        std::lock_guard lock(m_rxMutex);
        std::size_t taken = 0;
        while (!m_rxPending.empty() && taken < budget) {
            taken += m_rxPending.front().bytes.size();
            into.push_back(std::move(m_rxPending.front()));
            m_rxPending.pop_front();
        }
        m_rxPendingBytes -= taken;
        more = !m_rxPending.empty();
    }
    m_rxRoom.notify_all();
    return more;
}

// Ends a turn. Until then the I/O thread posts no call, as one is under way.
void TermChannel::PostIfWaiting() {
    std::lock_guard lock(m_rxMutex);
    m_rxPosted = !m_rxPending.empty();
    if (m_rxPosted) {
        QMetaObject::invokeMethod(this, &TermChannel::OnReceivedData, Qt::QueuedConnection);
    }
}

void TermChannel::FormatArrivals(const std::deque<Arrival>& arrivals, bool keepRaw,
                                 std::string& raw) {
    for (const Arrival& arrival : arrivals) {
        m_formatter.Format(arrival.bytes.data(), arrival.bytes.size(), arrival.localMs);
        m_receivedBytes += arrival.bytes.size();
        m_bytesSinceTrim += arrival.bytes.size();
        if (keepRaw) {
            raw.append(arrival.bytes.begin(), arrival.bytes.end());
        }
    }
    if (m_bytesSinceTrim >= kTrimAfterBytes) {
        m_memoryTrim.start();
    }
}

// The raw bytes are gathered only while someone takes them (a log).
bool TermChannel::WantsRaw() const {
    static const QMetaMethod kReceived = QMetaMethod::fromSignal(&TermChannel::received);
    return isSignalConnected(kReceived);
}

void TermChannel::HandOut(const ShownUpdate& update, std::string_view raw) {
    Q_EMIT received(raw, update.finalText);
    Q_EMIT shown(update);
}

void TermChannel::SetHexView(bool on) {
    // Bytes still waiting are shown the new way: the switch falls between two bytes either way.
    m_formatter.SetHex(on, LocalMs());
    HandOut(m_formatter.TakeUpdate(), {});
}

void TermChannel::ClearReceived() {
    // What arrived but is not handed out yet still reaches the log before it goes.
    const bool keepRaw = WantsRaw();
    for (bool more = true; more;) {
        std::deque<Arrival> arrivals;
        std::string raw;
        more = TakeArrivals(kTakeBytes, arrivals);
        if (!arrivals.empty()) {
            FormatArrivals(arrivals, keepRaw, raw);
            HandOut(m_formatter.TakeUpdate(), raw);
        }
    }
    PostIfWaiting();
    HandOutDroppedRow(m_formatter.Reset());
    m_receivedBytes = 0;
}

void TermChannel::ViewCleared() {
    HandOutDroppedRow(m_formatter.ViewCleared());
}

// A row that leaves the view unfinished stays in the log of the text as shown, ended there.
void TermChannel::HandOutDroppedRow(std::u16string row) {
    if (!row.empty()) {
        row.push_back(u'\n');
        Q_EMIT received({}, row);
    }
}
