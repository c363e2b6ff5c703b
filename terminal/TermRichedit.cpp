// The terminal's view: showing received text within a limit of characters (trimming whole lines
// from the top, building only the newest part of an update that is over the limit), following the
// end or holding the user's place, and turning typed keys into bytes to send.
#include "TermRichedit.h"

#include "Conversions.h"

#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
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

TermRichedit::TermRichedit(QWidget* parent) : QPlainTextEdit(parent) {
    InitView();
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

void TermRichedit::ShowUpdate(const ShownUpdate& update) {
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
    Q_EMIT textLimitChanged(m_nTextLimit);
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
    if (!m_online) {
        return;
    }
    QByteArray lineEnd;
    if (m_bLineEndCR) {
        lineEnd += '\r';
    }
    if (m_bLineEndLF) {
        lineEnd += '\n';
    }
    if (lineEnd.isEmpty()) {
        return;
    }
    AppendText(QStringLiteral("\n"));
    Send(lineEnd);
}

void TermRichedit::OnTypedText(const QString& text) {
    if (!m_online) {
        return;
    }
    Send(QByteArray::fromStdString(WideToUtf8(text.toStdU16String())));
    // Control characters go out but, as in the view's normal typing, are not inserted.
    if (IsPrintable(text)) {
        AppendText(text);
    }
}

void TermRichedit::inputMethodEvent(QInputMethodEvent* event) {
    // A composed character is sent, not inserted: what the view shows of it is the far end's
    // answer, if any.
    const QString committed = event->commitString();
    if (!committed.isEmpty() && m_online) {
        Send(QByteArray::fromStdString(WideToUtf8(committed.toStdU16String())));
    }
    event->accept();
}

void TermRichedit::Send(const QByteArray& bytes) {
    if (!bytes.isEmpty()) {
        Q_EMIT typed(bytes);
    }
}
