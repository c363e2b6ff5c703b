#include "TermRichedit.h"

#include "Conversions.h"

#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <chrono>
#include <ctime>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

bool IsLineBreakEnd(const QString& text, qsizetype position) {
    const QChar before = text.at(position - 1);
    return before == u'\n' || (before == u'\r' && text.at(position) != u'\n');
}

// The newest whole lines of `text` that fit into `limit` characters; a last line longer than
// the limit keeps its newest characters.
QString NewestLinesWithin(const QString& text, int limit) {
    const qsizetype first = text.size() - limit;
    for (qsizetype position = first; position < text.size(); ++position) {
        if (position > 0 && IsLineBreakEnd(text, position)) {
            return text.mid(position);
        }
    }
    return text.mid(text.at(first).isLowSurrogate() ? first + 1 : first);
}

// A fixed-pitch font that has Hangul itself where one is installed: with a fallback font for
// Hangul only, lines that mix it with Latin text get drawn in two different looks.
QFont TerminalFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({QStringLiteral("Noto Sans Mono CJK KR"), QStringLiteral("D2Coding"),
                      QStringLiteral("NanumGothicCoding"), font.family()});
    return font;
}

bool IsPrintable(const QString& text) {
    return std::none_of(text.begin(), text.end(),
                        [](QChar unit) { return unit.unicode() < 0x20 || unit.unicode() == 0x7F; });
}

// Milliseconds since local midnight. The zone's offset is looked up once a second per thread.
std::int64_t LocalMsOfDay() {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    thread_local std::int64_t cachedSecond = -1;
    thread_local std::int64_t cachedSecondOfDay = 0;
    const std::int64_t second = now / 1000;
    if (second != cachedSecond) {
        const std::time_t asTime = static_cast<std::time_t>(second);
        std::tm local{};
#if defined(_WIN32)
        localtime_s(&local, &asTime);
#else
        localtime_r(&asTime, &local);
#endif
        cachedSecond = second;
        cachedSecondOfDay = (local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec;
    }
    return cachedSecondOfDay * 1000 + now % 1000;
}

// Reads of the same millisecond share one arrival, up to this size.
constexpr std::size_t kArrivalMergeBytes = 16 * 1024;
// A burst of this much makes the view hand its freed heap back once the data stops.
constexpr std::uint64_t kTrimAfterBytes = 8 * 1024 * 1024;

}  // namespace

TermRichedit::TermRichedit(QWidget* parent)
    : QPlainTextEdit(parent), m_port(std::make_shared<CSerialportMP>(m_ioService.GetIoContext())) {
    m_port->m_onReceive = [this](CSerialportMP::Ptr, std::error_code& error,
                                 const std::vector<std::uint8_t>& data,
                                 unsigned int size) { OnRead(error, data, size); };
    m_port->m_onWriteComplete = [this](CSerialportMP::Ptr, std::error_code& error, unsigned int) {
        OnWrite(error);
    };
    m_nextTurn.setSingleShot(true);
    m_nextTurn.setTimerType(Qt::PreciseTimer);
    connect(&m_nextTurn, &QTimer::timeout, this, &TermRichedit::OnReceivedData);
    m_memoryTrim.setSingleShot(true);
    m_memoryTrim.setInterval(500);
    connect(&m_memoryTrim, &QTimer::timeout, this, [this] {
        m_bytesSinceTrim = 0;
#if defined(__GLIBC__)
        ::malloc_trim(0);
#endif
    });
    InitView();
}

TermRichedit::~TermRichedit() {
    if (m_port->IsOpen()) {
        m_port->Close();
    }
    m_ioService.Stop();
    // The channel may outlive the view in a handler the stopped context still holds.
    m_port->m_onReceive = nullptr;
    m_port->m_onWriteComplete = nullptr;
}

void TermRichedit::InitView() {
    setUndoRedoEnabled(false);
    // Only the program edits the text; keys are handled here and input-method text is sent,
    // not inserted.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setFocusPolicy(Qt::StrongFocus);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFont(TerminalFont());
    QPalette colours = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, Qt::black);
        colours.setColor(group, QPalette::Text, Qt::white);
    }
    setPalette(colours);
}

void TermRichedit::SetLineEnd(bool carriageReturn, bool lineFeed) {
    m_bLineEndCR = carriageReturn;
    m_bLineEndLF = lineFeed;
}

// I/O thread, under the channel's read lock. Waits while the GUI thread is behind; the
// channel's next read starts only after this returns.
void TermRichedit::OnRead(std::error_code& error, const std::vector<std::uint8_t>& data,
                          unsigned int size) {
    std::unique_lock lock(m_rxMutex);
    if (error) {
        if (m_errorCallback) {
            m_errorCallback(this, error);
        }
        return;
    }
    // Polled as well, since Close does not know this condition.
    while (m_rxPendingBytes >= kPendingLimit && m_port->IsOpen()) {
        m_rxRoom.wait_for(lock, std::chrono::milliseconds(20));
    }
    const std::size_t count = std::min<std::size_t>(size, data.size());
    const std::int64_t msOfDay = LocalMsOfDay();
    if (m_rxPending.empty() || m_rxPending.back().msOfDay != msOfDay ||
        m_rxPending.back().bytes.size() >= kArrivalMergeBytes) {
        m_rxPending.push_back({msOfDay, {}});
    }
    auto& bytes = m_rxPending.back().bytes;
    bytes.insert(bytes.end(), data.begin(), data.begin() + count);
    m_rxPendingBytes += count;
    if (!m_rxPosted) {
        m_rxPosted = true;
        QMetaObject::invokeMethod(this, &TermRichedit::OnReceivedData, Qt::QueuedConnection);
    }
}

// I/O thread, under the channel's write lock.
void TermRichedit::OnWrite(std::error_code& error) {
    if (error && m_errorCallback) {
        m_errorCallback(this, error);
    }
}

// One turn: formats what waits while the turn has room, then shows it, and asks for another
// turn after the event loop has had its own if more is waiting.
void TermRichedit::OnReceivedData() {
    if (WaitForMoreFirst()) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    std::string raw;
    std::deque<Arrival> arrivals;
    bool more = true;
    bool formatted = false;
    while (more && TurnHasRoom(start)) {
        arrivals.clear();
        more = TakeArrivals(kTakeBytes, arrivals);
        FormatArrivals(arrivals, raw);
        formatted = formatted || !arrivals.empty();
    }
    if (formatted) {
        ShowUpdate(m_formatter.TakeUpdate(), raw);
    }
    m_sinceTurn.start();
    PostIfWaiting();
}

// A turn right after the last one finds little new and mostly repaints the view, which takes
// the time from the reading on a busy machine; so a trickle waits for the next turn's time,
// still as a call posted, while a backlog is worked through at once.
bool TermRichedit::WaitForMoreFirst() {
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

bool TermRichedit::TurnHasRoom(std::chrono::steady_clock::time_point start) const {
    if (std::chrono::steady_clock::now() - start >= kSliceTime) {
        return false;
    }
    const std::size_t waiting = m_formatter.WaitingUnits();
    return waiting < kSliceUnits ||
           (waiting > static_cast<std::size_t>(m_nTextLimit) && waiting < kTurnUnits);
}

// Takes about `budget` bytes into `into`; returns whether more are waiting.
bool TermRichedit::TakeArrivals(std::size_t budget, std::deque<Arrival>& into) {
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
void TermRichedit::PostIfWaiting() {
    std::lock_guard lock(m_rxMutex);
    m_rxPosted = !m_rxPending.empty();
    if (m_rxPosted) {
        QMetaObject::invokeMethod(this, &TermRichedit::OnReceivedData, Qt::QueuedConnection);
    }
}

void TermRichedit::FormatArrivals(const std::deque<Arrival>& arrivals, std::string& raw) {
    for (const Arrival& arrival : arrivals) {
        m_formatter.Format(arrival.bytes.data(), arrival.bytes.size(), arrival.msOfDay);
        m_receivedBytes += arrival.bytes.size();
        m_bytesSinceTrim += arrival.bytes.size();
        if (m_shownSink) {
            raw.append(arrival.bytes.begin(), arrival.bytes.end());
        }
    }
    if (m_bytesSinceTrim >= kTrimAfterBytes) {
        m_memoryTrim.start();
    }
}

void TermRichedit::ShowUpdate(const ShownUpdate& update, std::string_view raw) {
    if (m_shownSink) {
        m_shownSink(raw, update.finalText);
    }
    if (update.dropTail > 0) {
        RemoveTrailingCharacters(update.dropTail);
    }
    AppendNewest(update.finalText, update.partialText);
}

// Appends the two texts as one, building only the part that can stay within the limit: its
// last limit + 1 characters (the one before tells whether a line starts at the cut).
void TermRichedit::AppendNewest(std::u16string_view finalText, std::u16string_view partialText) {
    const std::size_t keep = static_cast<std::size_t>(m_nTextLimit) + 1;
    const std::size_t total = finalText.size() + partialText.size();
    std::size_t skip = total > keep ? total - keep : 0;
    QString text;
    text.reserve(static_cast<qsizetype>(total - skip));
    for (const std::u16string_view part : {finalText, partialText}) {
        const std::size_t skipped = std::min(skip, part.size());
        text.append(reinterpret_cast<const QChar*>(part.data() + skipped),
                    static_cast<qsizetype>(part.size() - skipped));
        skip -= skipped;
    }
    AppendText(text);
}

void TermRichedit::RemoveTrailingCharacters(std::size_t count) {
    const int length = document()->characterCount() - 1;
    QTextCursor cursor(document());
    cursor.setPosition(std::max(0, length - static_cast<int>(std::min<std::size_t>(count, length))));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TermRichedit::SetHexView(bool on) {
    // Bytes still waiting are shown the new way: the switch falls between two bytes either way.
    m_formatter.SetHex(on, LocalMsOfDay());
    ShowUpdate(m_formatter.TakeUpdate(), {});
}

void TermRichedit::AppendText(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    const bool follow = IsFollowing();
    const int firstShownLine = bar->value();
    int removedLines = 0;
    QTextCursor cursor(document());
    if (text.size() > m_nTextLimit) {
        // Everything shown now and the older part of the text would be trimmed right away.
        removedLines = document()->blockCount();
        cursor.select(QTextCursor::Document);
        cursor.insertText(NewestLinesWithin(text, m_nTextLimit));
    } else {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
        removedLines = TrimToLimit();
    }
    if (follow) {
        ScrollToEnd();
    } else {
        // Lines trimmed above the user's place move it up by as many.
        bar->setValue(std::max(0, firstShownLine - removedLines));
    }
}

bool TermRichedit::IsFollowing() const {
    const QScrollBar* bar = verticalScrollBar();
    return !m_holdWhenScrolledUp || bar->value() >= bar->maximum();
}

void TermRichedit::ScrollToEnd() {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TermRichedit::SetTextLimit(int characters) {
    m_nTextLimit = std::max(1, characters);
    if (TrimToLimit() > 0 && IsFollowing()) {
        ScrollToEnd();
    }
}

// Returns the number of whole lines removed.
int TermRichedit::TrimToLimit() {
    // characterCount() includes the document's closing paragraph separator.
    const int excess = document()->characterCount() - 1 - m_nTextLimit;
    if (excess <= 0) {
        return 0;
    }
    int cut = 0;
    int lines = 0;
    QTextBlock block = document()->firstBlock();
    while (cut < excess && block.next().isValid()) {
        cut += block.length();  // the line with its line break
        block = block.next();
        ++lines;
    }
    // Only when the last line alone is over the limit is part of a line removed.
    RemoveLeadingCharacters(std::max(cut, excess));
    return lines;
}

void TermRichedit::RemoveLeadingCharacters(int count) {
    QTextCursor cursor(document());
    cursor.setPosition(count, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TermRichedit::ClearReceived() {
    // What arrived but is not shown yet still reaches the sink (the log) before it goes.
    for (bool more = true; more;) {
        std::deque<Arrival> arrivals;
        std::string raw;
        more = TakeArrivals(kTakeBytes, arrivals);
        if (!arrivals.empty()) {
            FormatArrivals(arrivals, raw);
            ShowUpdate(m_formatter.TakeUpdate(), raw);
        }
    }
    PostIfWaiting();
    m_formatter.Reset();
    m_receivedBytes = 0;
    clear();
}

void TermRichedit::ClearView() {
    clear();
    m_formatter.ViewCleared();
}

void TermRichedit::MoveCaretToEnd() {
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() || !cursor.atEnd()) {
        cursor.movePosition(QTextCursor::End);
        setTextCursor(cursor);
    }
}

void TermRichedit::keyPressEvent(QKeyEvent* event) {
    MoveCaretToEnd();
    switch (event->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OnEnter();
            event->accept();
            return;
        case Qt::Key_End:  // also Ctrl+End: back to the end, following again
            ScrollToEnd();
            event->accept();
            return;
        case Qt::Key_Escape:
            event->ignore();  // the window's: it consumes Escape, nothing is sent
            return;
        default:
            break;
    }
    if (!event->text().isEmpty()) {
        OnTypedText(event->text());
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TermRichedit::OnEnter() {
    if (!IsPortOpen()) {
        return;
    }
    std::string lineEnd;
    if (m_bLineEndCR) {
        lineEnd += '\r';
    }
    if (m_bLineEndLF) {
        lineEnd += '\n';
    }
    if (lineEnd.empty()) {
        return;
    }
    AppendText(QStringLiteral("\n"));
    Send(lineEnd);
}

void TermRichedit::OnTypedText(const QString& text) {
    if (!IsPortOpen()) {
        return;
    }
    Send(WideToUtf8(text.toStdU16String()));
    // Control characters go out but, as in the view's normal typing, are not inserted.
    if (IsPrintable(text)) {
        AppendText(text);
    }
}

void TermRichedit::inputMethodEvent(QInputMethodEvent* event) {
    // A composed character is sent, not inserted: what the view shows of it is the far end's
    // answer, if any.
    const QString committed = event->commitString();
    if (!committed.isEmpty() && IsPortOpen()) {
        Send(WideToUtf8(committed.toStdU16String()));
    }
    event->accept();
}

void TermRichedit::Send(const std::string& bytes) {
    if (!bytes.empty()) {
        m_port->Write(bytes.data(), bytes.size());
    }
}

bool TermRichedit::IsPortOpen() const {
    return m_port && m_port->IsOpen();
}
