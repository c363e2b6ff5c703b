#pragma once

#include "CSerialportMP.h"
#include "IoServiceExec.h"
#include "ReceivedFormatter.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

class QInputMethodEvent;
class QKeyEvent;

// The terminal's received-data view, white on black. It owns the terminal's serial channel and
// the I/O thread that runs it. Received bytes are handed from the I/O thread to the GUI thread
// through m_rxPending and a queued call; the view shows them as UTF-8 text (or as hex rows, with
// or without time stamps) and keeps at most its text limit by dropping whole lines from the top.
// Keys typed into it go out at once as UTF-8; Enter sends the chosen line end.
//
// The hand-over is bounded: while kPendingLimit bytes wait for the GUI thread, the I/O thread
// waits before it takes more, so reading pauses and the kernel and the line's flow control hold
// the rest. The GUI thread works through them in turns of the event loop: a turn formats what
// waits for at most kSliceTime and adds at most kSliceUnits characters to the view, unless it
// has formatted more than the text limit: the view then shows the newest lines of it in place
// of everything, which costs the same however much more was formatted, so the turn formats on
// up to kTurnUnits characters.
class TermRichedit : public QPlainTextEdit {
    Q_OBJECT

public:
    // Runs on the I/O thread; installed before the port is opened and not changed while open.
    using ErrorCallback = std::function<void(const TermRichedit*, const std::error_code&)>;

    // Called on the GUI thread with every round of bytes shown: the bytes as received and the
    // text that was added to the view for them for good (an unfinished hex row comes later).
    using ShownSink = std::function<void(std::string_view raw, std::u16string_view shown)>;

    static constexpr int kTextLimit = 32767;
    static constexpr std::size_t kPendingLimit = 4 * 1024 * 1024;
    // Bytes taken from the hand-over at a time; a hex row is about five characters a byte.
    static constexpr std::size_t kTakeBytes = 16 * 1024;
    static constexpr std::size_t kSliceUnits = 64 * 1024;
    static constexpr std::size_t kTurnUnits = 1024 * 1024;
    static constexpr std::chrono::milliseconds kSliceTime{4};
    // Turns of a trickle are gathered to about one per this time; each repaints the view.
    static constexpr std::chrono::milliseconds kTurnGap{8};

    explicit TermRichedit(QWidget* parent = nullptr);
    ~TermRichedit() override;

    const CSerialportMP::Ptr& Port() const { return m_port; }
    IoServiceExec& IoService() { return m_ioService; }

    void SetLineEnd(bool carriageReturn, bool lineFeed);
    void SetErrorCallback(ErrorCallback callback) { m_errorCallback = std::move(callback); }

    // Shows `text` at the end, trimming whole lines from the top to stay within the limit,
    // and leaves the view scrolled to its end.
    void AppendText(const QString& text);
    // Empties the view and forgets received bytes not shown yet. For a closed, stopped port.
    void ClearReceived();

    // UTF-16 units decoded from the port since the last ClearReceived (shown or trimmed since).
    std::uint64_t ReceivedCharacters() const { return m_formatter.DecodedUnits(); }
    // Bytes taken from the port into the view since the last ClearReceived.
    std::uint64_t ReceivedBytes() const { return m_receivedBytes; }

    // Display options; each applies to what arrives from then on.
    void SetTimestamps(bool on) { m_formatter.SetTimestamps(on); }
    void SetHexView(bool on);
    bool HexView() const { return m_formatter.Hex(); }
    // While on, new data does not move a view the user has scrolled up; at the end it follows.
    void SetHoldWhenScrolledUp(bool on) { m_holdWhenScrolledUp = on; }
    void SetTextLimit(int characters);
    int TextLimit() const { return m_nTextLimit; }
    void SetShownSink(ShownSink sink) { m_shownSink = std::move(sink); }
    // Empties the view; received data keeps coming (the user's "Clear").
    void ClearView();
    bool IsFollowing() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void InitView();
    void OnRead(std::error_code& error, const std::vector<std::uint8_t>& data, unsigned int size);
    void OnWrite(std::error_code& error);
    struct Arrival {
        std::int64_t msOfDay;
        std::vector<std::uint8_t> bytes;
    };
    void OnReceivedData();
    bool WaitForMoreFirst();
    bool TakeArrivals(std::size_t budget, std::deque<Arrival>& into);
    void PostIfWaiting();
    void FormatArrivals(const std::deque<Arrival>& arrivals, std::string& raw);
    bool TurnHasRoom(std::chrono::steady_clock::time_point start) const;
    void ShowUpdate(const ShownUpdate& update, std::string_view raw);
    void AppendNewest(std::u16string_view finalText, std::u16string_view partialText);
    void RemoveTrailingCharacters(std::size_t count);
    int TrimToLimit();
    void RemoveLeadingCharacters(int count);
    void ScrollToEnd();
    void MoveCaretToEnd();
    void OnEnter();
    void OnTypedText(const QString& text);
    void Send(const std::string& bytes);
    bool IsPortOpen() const;

    bool m_bLineEndCR = true;
    bool m_bLineEndLF = false;
    bool m_holdWhenScrolledUp = false;
    int m_nTextLimit = kTextLimit;
    IoServiceExec m_ioService;
    CSerialportMP::Ptr m_port;
    ErrorCallback m_errorCallback;
    std::mutex m_rxMutex;
    std::condition_variable m_rxRoom;  // signalled when the GUI thread has taken bytes
    std::deque<Arrival> m_rxPending;   // guarded by m_rxMutex, as are the two below
    std::size_t m_rxPendingBytes = 0;
    bool m_rxPosted = false;  // a call of OnReceivedData is on its way
    // GUI thread only:
    ReceivedFormatter m_formatter;
    ShownSink m_shownSink;
    std::uint64_t m_receivedBytes = 0;
    std::uint64_t m_bytesSinceTrim = 0;
    QTimer m_memoryTrim;  // gives the heap back once a burst is over
    QTimer m_nextTurn;
    QElapsedTimer m_sinceTurn;
};
