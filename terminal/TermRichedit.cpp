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

}  // namespace

TermRichedit::TermRichedit(QWidget* parent)
    : QPlainTextEdit(parent), m_port(std::make_shared<CSerialportMP>(m_ioService.GetIoContext())) {
    m_port->m_onReceive = [this](CSerialportMP::Ptr, std::error_code& error,
                                 const std::vector<std::uint8_t>& data,
                                 unsigned int size) { OnRead(error, data, size); };
    m_port->m_onWriteComplete = [this](CSerialportMP::Ptr, std::error_code& error, unsigned int) {
        OnWrite(error);
    };
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

// I/O thread.
void TermRichedit::OnRead(std::error_code& error, const std::vector<std::uint8_t>& data,
                          unsigned int size) {
    std::lock_guard lock(m_rxMutex);
    if (!error) {
        const std::size_t count = std::min<std::size_t>(size, data.size());
        m_rxPending.insert(m_rxPending.end(), data.begin(), data.begin() + count);
        QMetaObject::invokeMethod(this, &TermRichedit::OnReceivedData, Qt::QueuedConnection);
    } else if (m_errorCallback) {
        m_errorCallback(this, error);
    }
}

// I/O thread, under the channel's write lock.
void TermRichedit::OnWrite(std::error_code& error) {
    if (error && m_errorCallback) {
        m_errorCallback(this, error);
    }
}

void TermRichedit::OnReceivedData() {
    std::vector<std::uint8_t> batch;
    {
        // Held only for the hand-over, so the I/O thread never waits for the text update.
        std::lock_guard lock(m_rxMutex);
        batch.swap(m_rxPending);
    }
    if (batch.empty()) {
        return;
    }
    const std::u16string text = m_decoder.Decode(batch.data(), batch.size());
    m_receivedCharacters += text.size();
    AppendText(QString::fromStdU16String(text));
}

void TermRichedit::AppendText(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    QTextCursor cursor(document());
    if (text.size() > m_nTextLimit) {
        // Everything shown now and the older part of the text would be trimmed right away.
        cursor.select(QTextCursor::Document);
        cursor.insertText(NewestLinesWithin(text, m_nTextLimit));
    } else {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
        TrimToLimit();
    }
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TermRichedit::TrimToLimit() {
    // characterCount() includes the document's closing paragraph separator.
    const int excess = document()->characterCount() - 1 - m_nTextLimit;
    if (excess <= 0) {
        return;
    }
    int cut = 0;
    QTextBlock block = document()->firstBlock();
    while (cut < excess && block.next().isValid()) {
        cut += block.length();  // the line with its line break
        block = block.next();
    }
    // Only when the last line alone is over the limit is part of a line removed.
    RemoveLeadingCharacters(std::max(cut, excess));
}

void TermRichedit::RemoveLeadingCharacters(int count) {
    QTextCursor cursor(document());
    cursor.setPosition(count, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TermRichedit::ClearReceived() {
    {
        std::lock_guard lock(m_rxMutex);
        m_rxPending.clear();
    }
    m_decoder.Reset();
    m_receivedCharacters = 0;
    clear();
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
