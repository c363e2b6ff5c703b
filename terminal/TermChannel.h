#pragma once

#include "PortSettings.h"
#include "ReceivedFormatter.h"
#include "SessionRecorder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

class ModemLineControl;

// The terminal's connection to the far end: the channel, the I/O thread that runs it, and the
// hand-over of what arrives to the window thread, where it is formatted for showing. Lives on
// the window thread; nothing in it knows a widget.
//
// What it gives out, as Qt signals (all but failed() emitted on the window thread, so direct
// connections get the data without a copy):
// - received(raw, shown): every round of bytes taken, as received, and the text added for them
//   for good; for a log. Emitted before shown() of the same round.
// - shown(update): what a view of the stream is to change (ShownUpdate).
// - failed(connection): a read or write failed; emitted on the I/O thread, so connect it queued.
//   A report whose connection is no longer Connection() is stale.
// - openChanged(open): after an open or a close.
//
// The hand-over is bounded: while kPendingLimit bytes wait for the window thread, the I/O thread
// waits before it takes more, so reading pauses and the kernel and the line's flow control hold
// the rest. The window thread works through them in turns of the event loop: a turn formats
// what waits for at most kSliceTime and hands at most kSliceUnits characters to the view,
// unless it has formatted more than the view keeps (SetShownLimit): the view then shows the
// newest lines of it in place of everything, which costs the same however much more was
// formatted, so the turn formats on up to kTurnUnits characters.
//
// The port is a PortChannel chosen by the name opened (a serial device, or rfc2217:// and
// socket:// for a port exported over the network); nothing else in the terminal knows which.
// A dropped network link fails like an unplugged adapter, so reconnecting works the same.
class TermChannel : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kPendingLimit = 4 * 1024 * 1024;
    // Bytes taken from the hand-over at a time; a hex row is about five characters a byte.
    static constexpr std::size_t kTakeBytes = 16 * 1024;
    static constexpr std::size_t kSliceUnits = 64 * 1024;
    static constexpr std::size_t kTurnUnits = 1024 * 1024;
    static constexpr std::chrono::milliseconds kSliceTime{4};
    // Turns of a trickle are gathered to about one per this time; each repaints the view.
    static constexpr std::chrono::milliseconds kTurnGap{8};

    explicit TermChannel(QObject* parent = nullptr);
    ~TermChannel() override;

    // Opens `portName` and starts reading. Returns the channel's error unchanged; an option
    // value out of range gives std::errc::invalid_argument.
    std::error_code Open(const QString& portName, const PortSettings& settings);
    // Returns once no callback of the connection runs; what was received stays to be shown.
    void Close();
    bool IsOpen() const;
    // Whether the next opens leave DTR and RTS as they are (PortChannel::m_leaveModemLines).
    void SetLeaveModemLines(bool leave);
    // Counts successful opens.
    unsigned Connection() const { return m_connection; }

    // Queues up to the free room of the send queue; returns how many bytes were taken. A write
    // on a closed channel is dropped (0).
    std::size_t Write(const void* data, std::size_t size);
    // Records what is written and received while it runs ("Record session…").
    SessionRecorder& Recorder() { return m_recorder; }
    // The control lines of the open port; the calls fail while it is closed.
    ModemLineControl& ModemLines();

    // Display options; each applies to what arrives from then on.
    void SetTimestamps(bool on) { m_formatter.SetTimestamps(on); }
    void SetStampFormat(StampFormat format) { m_formatter.SetStampFormat(format); }
    // Shows what waits the new way; the switch falls between two bytes.
    void SetHexView(bool on);
    bool HexView() const { return m_formatter.Hex(); }
    // How many characters the view keeps; more in one turn would be trimmed at once.
    void SetShownLimit(int characters) { m_shownLimit = characters; }

    // The view was emptied; received data keeps coming (the user's "Clear"). An unfinished hex
    // row goes with the view; the log gets it as a line (received()).
    void ViewCleared();
    // Hands out what arrived but was not shown yet, then forgets everything held and the counts;
    // an unfinished hex row reaches the log as in ViewCleared. For a closed channel.
    void ClearReceived();
    // The unfinished hex row as the view shows it (empty when none), for a log that stops.
    std::u16string UnfinishedRow() { return m_formatter.UnfinishedRow(); }

    // UTF-16 units decoded since the last ClearReceived (shown or trimmed since).
    std::uint64_t ReceivedCharacters() const { return m_formatter.DecodedUnits(); }
    // Bytes taken into the window thread since the last ClearReceived.
    std::uint64_t ReceivedBytes() const { return m_receivedBytes; }

Q_SIGNALS:
    void received(std::string_view raw, std::u16string_view shown);
    void shown(const ShownUpdate& update);
    void failed(unsigned connection);
    void openChanged(bool open);

private:
    struct Port;
    struct Arrival {
        std::int64_t localMs;
        std::vector<std::uint8_t> bytes;
    };

    // I/O thread.
    void Arrive(const std::uint8_t* data, std::size_t size);
    void Fail();
    // Window thread.
    void OnReceivedData();
    bool WaitForMoreFirst();
    bool TakeArrivals(std::size_t budget, std::deque<Arrival>& into);
    void PostIfWaiting();
    void FormatArrivals(const std::deque<Arrival>& arrivals, bool keepRaw, std::string& raw);
    bool TurnHasRoom(std::chrono::steady_clock::time_point start) const;
    void HandOut(const ShownUpdate& update, std::string_view raw);
    void HandOutDroppedRow(std::u16string row);
    bool WantsRaw() const;

    SessionRecorder m_recorder;  // before the port: the I/O thread records into it
    std::unique_ptr<Port> m_port;
    std::atomic<unsigned> m_connection{0};
    std::mutex m_rxMutex;
    std::condition_variable m_rxRoom;  // signalled when the window thread has taken bytes
    std::deque<Arrival> m_rxPending;   // guarded by m_rxMutex, as are the two below
    std::size_t m_rxPendingBytes = 0;
    bool m_rxPosted = false;  // a call of OnReceivedData is on its way
    // Window thread only:
    ReceivedFormatter m_formatter;
    int m_shownLimit = 32767;  // the view's own default until it tells
    std::uint64_t m_receivedBytes = 0;
    std::uint64_t m_bytesSinceTrim = 0;
    QTimer m_memoryTrim;  // gives the heap back once a burst is over
    QTimer m_nextTurn;
    QElapsedTimer m_sinceTurn;
};
