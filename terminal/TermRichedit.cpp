// The terminal's view: received text kept within a limit of characters (TermTextStore: whole
// lines trimmed from the top, only the newest part of an update over the limit built), painted
// line by line as far as it is in sight, following the end or holding the user's place; the
// selection, copying and finding; and typed keys turned into bytes to send.
#include "TermRichedit.h"

#include "Conversions.h"
#include "TermRicheditAccessible.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

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

// Cells a UTF-16 unit takes in a fixed-pitch font: two for the wide East Asian ranges (and a
// character beyond the basic plane, counted at its first unit), none for a second unit.
int Cells(char16_t unit) {
    if (unit < 0x1100) {
        return 1;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        return 0;
    }
    const bool wide = (unit >= 0x1100 && unit <= 0x115F) || (unit >= 0x2E80 && unit <= 0xA4CF) ||
                      (unit >= 0xAC00 && unit <= 0xD7A3) || (unit >= 0xF900 && unit <= 0xFAFF) ||
                      (unit >= 0xFE30 && unit <= 0xFE4F) || (unit >= 0xFF00 && unit <= 0xFF60) ||
                      (unit >= 0xFFE0 && unit <= 0xFFE6) || (unit >= 0xD800 && unit <= 0xDBFF);
    return wide ? 2 : 1;
}

qsizetype CellsOf(std::u16string_view text) {
    qsizetype cells = 0;
    for (const char16_t unit : text) {
        cells += Cells(unit);
    }
    return cells;
}

// The first column of `line` that starts at or after `cells` cells, and the cells before it.
std::pair<qsizetype, qsizetype> ColumnAtCell(std::u16string_view line, qsizetype cells) {
    qsizetype column = 0;
    qsizetype before = 0;
    while (column < static_cast<qsizetype>(line.size()) && before < cells) {
        before += Cells(line[column]);
        ++column;
    }
    return {column, before};
}

QString CopyOf(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

// The text without a copy, for as long as the store keeps it unchanged.
QString ViewOf(std::u16string_view text) {
    return QString::fromRawData(reinterpret_cast<const QChar*>(text.data()),
                                static_cast<qsizetype>(text.size()));
}

}  // namespace

TermRichedit::TermRichedit(QWidget* parent) : QAbstractScrollArea(parent) {
    InitView();
}

void TermRichedit::InitView() {
    m_store.SetLimit(kTextLimit);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    setFont(TerminalFont());
    QPalette colours = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, Qt::black);
        colours.setColor(group, QPalette::Text, Qt::white);
    }
    setPalette(colours);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    const QFontMetricsF metrics(font());
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    m_ascent = static_cast<int>(std::ceil(metrics.ascent()));
    m_cellWidth = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('M')));
    verticalScrollBar()->setSingleStep(1);
    m_repaint.setSingleShot(true);
    connect(&m_repaint, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
    m_announce.setSingleShot(true);
    connect(&m_announce, &QTimer::timeout, this, &TermRichedit::NotifyTextChanged);
    InitMenu();
    UpdateScrollBars();
    InstallTermRicheditAccessible();
}

void TermRichedit::InitMenu() {
    m_menu = new QMenu(this);
    m_menu->addAction(QString(), this, &TermRichedit::CopySelection);
    m_menu->addAction(QString(), this, &TermRichedit::Paste);
    m_menu->addAction(QString(), this, &TermRichedit::SelectAll);
    connect(m_menu, &QMenu::aboutToShow, this, &TermRichedit::UpdateMenu);
    UpdateMenu();
}

// Texts too, as the language may have changed since the menu was made.
void TermRichedit::UpdateMenu() {
    const QList<QAction*> actions = m_menu->actions();
    actions[0]->setText(tr("Copy"));
    actions[0]->setEnabled(SelectionFirst() != SelectionLast());
    actions[1]->setText(tr("Paste"));
    actions[1]->setEnabled(m_online && !QApplication::clipboard()->text().isEmpty());
    actions[2]->setText(tr("Select all"));
}

void TermRichedit::SetLineEnd(bool carriageReturn, bool lineFeed) {
    m_bLineEndCR = carriageReturn;
    m_bLineEndLF = lineFeed;
}

void TermRichedit::ShowUpdate(const ShownUpdate& update) {
    const bool follow = IsFollowing();
    const int firstShownLine = verticalScrollBar()->value();
    NoteChange(update.dropTail);
    if (update.dropTail > 0) {
        m_store.RemoveBack(update.dropTail);
    }
    AppendNewest(update.finalText, update.partialText);
    AfterChange(follow, firstShownLine);
}

// Appends the two texts as one, building only the part that can stay within the limit: its
// last limit + 1 characters (the one before tells whether a line starts at the cut).
void TermRichedit::AppendNewest(std::u16string_view finalText, std::u16string_view partialText) {
    const std::size_t keep = m_store.Limit() + 1;
    const std::size_t total = finalText.size() + partialText.size();
    std::size_t skip = total > keep ? total - keep : 0;
    for (const std::u16string_view part : {finalText, partialText}) {
        const std::size_t skipped = std::min(skip, part.size());
        m_store.Append(part.substr(skipped));
        skip -= skipped;
    }
}

void TermRichedit::AppendText(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    const bool follow = IsFollowing();
    const int firstShownLine = verticalScrollBar()->value();
    NoteChange(0);
    AppendNewest(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                     static_cast<std::size_t>(text.size())),
                 {});
    AfterChange(follow, firstShownLine);
}

// After the text changed: the scroll range, the place shown (the end, or the user's lines), and
// a repaint.
void TermRichedit::AfterChange(bool follow, int firstShownLine) {
    // Lines trimmed above the user's place move it up by as many.
    const std::uint64_t removedLines = m_store.TrimmedLines() - m_shownTrimmed;
    m_shownTrimmed = m_store.TrimmedLines();
    MeasureNewLines();
    UpdateScrollBars();
    if (follow) {
        ScrollToEnd();
    } else {
        const auto kept =
            static_cast<std::int64_t>(firstShownLine) -
            static_cast<std::int64_t>(std::min<std::uint64_t>(removedLines, INT32_MAX));
        verticalScrollBar()->setValue(static_cast<int>(std::max<std::int64_t>(0, kept)));
    }
    ScheduleRepaint();
}

// The widest line sets the horizontal scroll range; each line is measured once it is complete.
void TermRichedit::MeasureNewLines() {
    const std::uint64_t trimmed = m_store.TrimmedLines();
    std::size_t index = static_cast<std::size_t>(std::max(m_measuredLine, trimmed) - trimmed);
    for (; index < m_store.Lines(); ++index) {
        m_widestCells = std::max(m_widestCells, CellsOf(m_store.Line(index)));
    }
    m_measuredLine = trimmed + m_store.Lines() - 1;  // the last line may still grow
}

void TermRichedit::Clear() {
    if (m_announcing) {
        NotifyTextChanged();
        QAccessibleTextRemoveEvent removed(this, 0, PlainText());
        Announce(&removed);
        m_announcedTrimmed = m_announcedEnd = 0;
    }
    m_store.Clear();
    m_anchor = m_caret = {};
    m_widestCells = 0;
    m_measuredLine = 0;
    m_shownTrimmed = 0;
    UpdateScrollBars();
    viewport()->update();
}

int TermRichedit::VisibleLines() const {
    return std::max(1, viewport()->height() / m_lineHeight);
}

void TermRichedit::UpdateScrollBars() {
    const int lines = static_cast<int>(std::min<std::size_t>(m_store.Lines(), INT32_MAX));
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(VisibleLines());
    vertical->setRange(0, std::max(0, lines - VisibleLines()));
    QScrollBar* horizontal = horizontalScrollBar();
    const int width = static_cast<int>(
        std::min<qreal>(INT32_MAX / 2, static_cast<qreal>(m_widestCells + 1) * m_cellWidth));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(static_cast<int>(m_cellWidth));
    horizontal->setRange(0, std::max(0, width - viewport()->width()));
}

bool TermRichedit::IsFollowing() const {
    const QScrollBar* bar = verticalScrollBar();
    return !m_holdWhenScrolledUp || bar->value() >= bar->maximum();
}

void TermRichedit::ScrollToEnd() {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

// Repainting every turn of a stream would cost more than the text; once a frame is enough.
void TermRichedit::ScheduleRepaint() {
    if (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= kRepaintGapMs) {
        viewport()->update();
    } else if (!m_repaint.isActive()) {
        m_repaint.start(static_cast<int>(kRepaintGapMs - m_sincePaint.elapsed()));
    }
}

void TermRichedit::SetTextLimit(int characters) {
    const bool follow = IsFollowing();
    const int firstShownLine = verticalScrollBar()->value();
    NoteChange(0);
    m_store.SetLimit(static_cast<std::size_t>(std::max(1, characters)));
    AfterChange(follow, firstShownLine);
    Q_EMIT textLimitChanged(TextLimit());
}

// Following the end moves the scroll bar with every update; that repaint waits for its frame too.
void TermRichedit::scrollContentsBy(int, int) {
    ScheduleRepaint();
}

void TermRichedit::resizeEvent(QResizeEvent* event) {
    const bool follow = IsFollowing();
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
    if (follow) {
        ScrollToEnd();
    }
}

void TermRichedit::paintEvent(QPaintEvent*) {
    m_sincePaint.start();
    QPainter painter(viewport());
    painter.setFont(font());
    const std::size_t first = static_cast<std::size_t>(verticalScrollBar()->value());
    const std::size_t end = std::min(m_store.Lines(), first + VisibleLines() + 1);
    for (std::size_t index = first; index < end; ++index) {
        PaintLine(painter, index, static_cast<int>(index - first) * m_lineHeight);
    }
}

// One line from the first cell in sight; the selection behind it in the highlight colour.
void TermRichedit::PaintLine(QPainter& painter, std::size_t index, int top) {
    const std::u16string_view line = m_store.Line(index);
    const qreal left = horizontalScrollBar()->value();
    const auto [column, cellsBefore] =
        ColumnAtCell(line, static_cast<qsizetype>(left / m_cellWidth));
    const qreal x = cellsBefore * m_cellWidth - left;
    const std::uint64_t lineNumber = m_store.TrimmedLines() + index;
    const Spot first = SelectionFirst();
    const Spot last = SelectionLast();
    if (first != last && lineNumber >= first.line && lineNumber <= last.line) {
        const qsizetype from = lineNumber == first.line ? first.column : 0;
        const qsizetype to =
            lineNumber == last.line ? last.column : static_cast<qsizetype>(line.size()) + 1;
        const qreal fromX =
            CellsOf(line.substr(0, std::min<std::size_t>(from, line.size()))) * m_cellWidth - left;
        const qreal toX = (CellsOf(line.substr(0, std::min<std::size_t>(to, line.size()))) +
                           (to > static_cast<qsizetype>(line.size()) ? 1 : 0)) *
                              m_cellWidth -
                          left;
        painter.fillRect(QRectF(fromX, top, toX - fromX, m_lineHeight),
                         palette().brush(QPalette::Highlight));
    }
    const qsizetype columns = static_cast<qsizetype>(viewport()->width() / m_cellWidth) + 2;
    const std::u16string_view shown =
        line.substr(std::min<std::size_t>(column, line.size()), static_cast<std::size_t>(columns));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QPointF(x, top + m_ascent), ViewOf(shown));
}

QString TermRichedit::PlainText() const {
    return QString::fromStdU16String(m_store.Text());
}

QString TermRichedit::LastLine() const {
    return CopyOf(m_store.Line(m_store.Lines() - 1));
}

QString TermRichedit::LineAt(const QPoint& point) const {
    const Spot spot = SpotAt(point);
    return CopyOf(m_store.Line(spot.line - m_store.TrimmedLines()));
}

TermRichedit::Spot TermRichedit::SpotAt(const QPoint& point) const {
    const std::size_t index = std::min<std::size_t>(
        m_store.Lines() - 1, static_cast<std::size_t>(verticalScrollBar()->value() +
                                                      std::max(0, point.y()) / m_lineHeight));
    const std::u16string_view line = m_store.Line(index);
    const qreal cells = (point.x() + horizontalScrollBar()->value()) / m_cellWidth;
    const qsizetype column = ColumnAtCell(line, static_cast<qsizetype>(std::lround(cells))).first;
    return {m_store.TrimmedLines() + index, column};
}

// A spot on a line trimmed since moves to the start of the text.
TermRichedit::Spot TermRichedit::ClampedSpot(Spot spot) const {
    if (spot.line < m_store.TrimmedLines()) {
        return {m_store.TrimmedLines(), 0};
    }
    const std::size_t index =
        std::min<std::size_t>(spot.line - m_store.TrimmedLines(), m_store.Lines() - 1);
    spot.line = m_store.TrimmedLines() + index;
    spot.column = std::min<qsizetype>(spot.column, m_store.Line(index).size());
    return spot;
}

qsizetype TermRichedit::OffsetOf(const Spot& spot) const {
    const Spot clamped = ClampedSpot(spot);
    const std::size_t index = clamped.line - m_store.TrimmedLines();
    return static_cast<qsizetype>(m_store.LineOffset(index)) + clamped.column;
}

TermRichedit::Spot TermRichedit::SpotOf(qsizetype offset) const {
    const std::size_t index =
        m_store.LineOfOffset(static_cast<std::size_t>(std::max<qsizetype>(0, offset)));
    const qsizetype column =
        std::clamp<qsizetype>(offset - static_cast<qsizetype>(m_store.LineOffset(index)), 0,
                              static_cast<qsizetype>(m_store.Line(index).size()));
    return {m_store.TrimmedLines() + index, column};
}

qsizetype TermRichedit::SelectionStart() const {
    return OffsetOf(SelectionFirst());
}

void TermRichedit::Select(qsizetype from, qsizetype to) {
    m_anchor = SpotOf(from);
    m_caret = SpotOf(to);
    viewport()->update();
    NotifyCaret();
}

void TermRichedit::SelectAll() {
    m_anchor = {m_store.TrimmedLines(), 0};
    m_caret = {m_store.TrimmedLines() + m_store.Lines() - 1,
               static_cast<qsizetype>(m_store.Line(m_store.Lines() - 1).size())};
    viewport()->update();
    NotifyCaret();
}

QString TermRichedit::SelectedText() const {
    const qsizetype from = OffsetOf(SelectionFirst());
    const qsizetype to = OffsetOf(SelectionLast());
    return TextBetween(from, to);
}

void TermRichedit::CopySelection() const {
    if (SelectionFirst() != SelectionLast()) {
        QApplication::clipboard()->setText(SelectedText());
    }
}

bool TermRichedit::Find(const QString& text, bool backward, bool matchCase) {
    if (text.isEmpty()) {
        return false;
    }
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const Spot from = ClampedSpot(backward ? SelectionFirst() : SelectionLast());
    if (FindFrom(text, from, backward, cs)) {
        return true;
    }
    // Wrap around: search again from the other end.
    const std::size_t lastIndex = m_store.Lines() - 1;
    const Spot otherEnd = backward ? Spot{m_store.TrimmedLines() + lastIndex,
                                          static_cast<qsizetype>(m_store.Line(lastIndex).size())}
                                   : Spot{m_store.TrimmedLines(), 0};
    return FindFrom(text, otherEnd, backward, cs);
}

// Searches line by line from `from`; a match lies within one line, as the text shows it.
bool TermRichedit::FindFrom(const QString& text, Spot from, bool backward, Qt::CaseSensitivity cs) {
    const std::size_t count = m_store.Lines();
    std::size_t index = from.line - m_store.TrimmedLines();
    qsizetype column = from.column;
    for (;;) {
        const QString line = ViewOf(m_store.Line(index));
        const qsizetype found = backward
                                    ? (column > 0 ? line.lastIndexOf(text, column - 1, cs) : -1)
                                    : line.indexOf(text, column, cs);
        if (found >= 0) {
            m_anchor = {m_store.TrimmedLines() + index, found};
            m_caret = {m_anchor.line, found + text.size()};
            ScrollTo(m_anchor);
            viewport()->update();
            NotifyCaret();
            return true;
        }
        if (backward ? index == 0 : index + 1 >= count) {
            return false;
        }
        index = backward ? index - 1 : index + 1;
        column = backward ? static_cast<qsizetype>(m_store.Line(index).size()) + 1 : 0;
    }
}

// Brings `spot` into sight, to the middle when it is out of it.
void TermRichedit::ScrollTo(const Spot& spot) {
    QScrollBar* vertical = verticalScrollBar();
    const int line = static_cast<int>(spot.line - m_store.TrimmedLines());
    if (line < vertical->value() || line >= vertical->value() + VisibleLines()) {
        vertical->setValue(line - VisibleLines() / 2);
    }
    const std::size_t index = spot.line - m_store.TrimmedLines();
    const qreal x =
        CellsOf(m_store.Line(index).substr(0, static_cast<std::size_t>(spot.column))) * m_cellWidth;
    QScrollBar* horizontal = horizontalScrollBar();
    if (x < horizontal->value() || x >= horizontal->value() + viewport()->width() - m_cellWidth) {
        horizontal->setValue(static_cast<int>(x) - viewport()->width() / 2);
    }
}

void TermRichedit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_caret = SpotAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier)) {
        m_anchor = m_caret;
    }
    viewport()->update();
    NotifyCaret();
}

void TermRichedit::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        m_caret = SpotAt(event->position().toPoint());
        viewport()->update();
        NotifyCaret();
    }
}

// A double click selects the word under it.
void TermRichedit::mouseDoubleClickEvent(QMouseEvent* event) {
    const Spot spot = SpotAt(event->position().toPoint());
    const QString line = CopyOf(m_store.Line(spot.line - m_store.TrimmedLines()));
    qsizetype from = spot.column;
    qsizetype to = spot.column;
    while (from > 0 && line.at(from - 1).isLetterOrNumber()) {
        --from;
    }
    while (to < line.size() && line.at(to).isLetterOrNumber()) {
        ++to;
    }
    m_anchor = {spot.line, from};
    m_caret = {spot.line, to};
    viewport()->update();
    NotifyCaret();
}

// A shared menu rather than one built per click, so assistive tools see one menu with its items.
void TermRichedit::contextMenuEvent(QContextMenuEvent* event) {
    m_menu->exec(event->globalPos());
}

void TermRichedit::Paste() {
    const QString text = QApplication::clipboard()->text();
    if (m_online && !text.isEmpty()) {
        Q_EMIT pasteRequested(text);
    }
}

void TermRichedit::keyPressEvent(QKeyEvent* event) {
    // Ctrl+V stays a byte for the far end (0x16), as every control key does.
    if ((event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier) ||
        (event->key() == Qt::Key_V &&
         event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier))) {
        Paste();
        event->accept();
        return;
    }
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
        case Qt::Key_Home:
            verticalScrollBar()->setValue(0);
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
    QAbstractScrollArea::keyPressEvent(event);  // Page Up and Page Down scroll
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

QString TermRichedit::TextBetween(qsizetype from, qsizetype to) const {
    const std::u16string_view text = m_store.TextView();
    const auto first = static_cast<std::size_t>(std::clamp<qsizetype>(from, 0, CharacterCount()));
    const auto last = static_cast<std::size_t>(std::clamp<qsizetype>(to, 0, CharacterCount()));
    return first < last ? CopyOf(text.substr(first, last - first)) : QString();
}

void TermRichedit::SetCaretOffset(qsizetype offset) {
    m_anchor = m_caret = SpotOf(offset);
    ScrollTo(m_caret);
    viewport()->update();
    NotifyCaret();
}

std::pair<qsizetype, qsizetype> TermRichedit::LineBoundsAt(qsizetype offset) const {
    const std::size_t index = m_store.LineOfOffset(
        static_cast<std::size_t>(std::clamp<qsizetype>(offset, 0, CharacterCount())));
    const auto start = static_cast<qsizetype>(m_store.LineOffset(index));
    const bool last = index + 1 >= m_store.Lines();
    const qsizetype end =
        last ? CharacterCount() : static_cast<qsizetype>(m_store.LineOffset(index + 1));
    return {start, end};
}

QRect TermRichedit::CharacterRect(qsizetype offset) const {
    const Spot spot = SpotOf(offset);
    const std::size_t index = spot.line - m_store.TrimmedLines();
    const std::u16string_view line = m_store.Line(index);
    const qreal x = CellsOf(line.substr(0, static_cast<std::size_t>(spot.column))) * m_cellWidth -
                    horizontalScrollBar()->value();
    const int cells =
        spot.column < static_cast<qsizetype>(line.size()) ? Cells(line[spot.column]) : 1;
    const int top = (static_cast<int>(index) - verticalScrollBar()->value()) * m_lineHeight;
    return QRect(static_cast<int>(x), top, static_cast<int>(std::ceil(cells * m_cellWidth)),
                 m_lineHeight);
}

qsizetype TermRichedit::OffsetAt(const QPoint& point) const {
    if (!viewport()->rect().contains(point)) {
        return -1;
    }
    const int index = verticalScrollBar()->value() + point.y() / m_lineHeight;
    if (index >= static_cast<int>(std::min<std::size_t>(m_store.Lines(), INT32_MAX))) {
        return -1;
    }
    // The character under the point, not the gap nearest to it.
    const std::u16string_view line = m_store.Line(static_cast<std::size_t>(index));
    const auto cell =
        static_cast<qsizetype>((point.x() + horizontalScrollBar()->value()) / m_cellWidth);
    qsizetype column = 0;
    for (qsizetype before = 0;
         column < static_cast<qsizetype>(line.size()) && before + Cells(line[column]) <= cell;
         ++column) {
        before += Cells(line[column]);
    }
    return static_cast<qsizetype>(m_store.LineOffset(static_cast<std::size_t>(index))) + column;
}

void TermRichedit::ScrollToOffset(qsizetype offset) {
    ScrollTo(SpotOf(offset));
}

void TermRichedit::AnnounceChanges() {
    if (m_announcing) {
        return;
    }
    m_announcing = true;
    m_announcedTrimmed = m_store.TrimmedCharacters();
    m_announcedEnd = m_announcedTrimmed + m_store.Characters();
    m_store.SetTrimmedSink(&m_trimmedSinceAnnounced);
}

// Before the text changes: where the change starts, keeping what it takes from the end of the
// text already announced (the removed part of a text-changed event), and the event's frame.
void TermRichedit::NoteChange(std::size_t removedFromEnd) {
    if (!m_announcing) {
        return;
    }
    const std::uint64_t trimmed = m_store.TrimmedCharacters();
    const std::uint64_t end = trimmed + m_store.Characters();
    const std::uint64_t from = end - std::min<std::uint64_t>(removedFromEnd, m_store.Characters());
    const std::uint64_t announcedStop = std::min({end, m_changedFrom, m_announcedEnd});
    if (from < announcedStop) {
        m_removedAnnounced.prepend(TextBetween(static_cast<qsizetype>(from - trimmed),
                                               static_cast<qsizetype>(announcedStop - trimmed)));
    }
    m_changedFrom = std::min(m_changedFrom, from);
    if (!m_announce.isActive()) {
        m_announce.start(kRepaintGapMs);
    }
}

// One frame's changes as at most two events: the lines trimmed from the top, then the end
// replaced (what was removed from it, what came).
void TermRichedit::NotifyTextChanged() {
    m_announce.stop();
    if (!m_announcing || m_changedFrom == UINT64_MAX) {
        return;
    }
    const std::uint64_t trimmed = m_store.TrimmedCharacters();
    const std::uint64_t end = trimmed + m_store.Characters();
    const std::uint64_t announcedStop = std::min(m_changedFrom, m_announcedEnd);
    const std::uint64_t frontGone =
        std::min(trimmed, announcedStop) - std::min({trimmed, announcedStop, m_announcedTrimmed});
    if (frontGone > 0) {
        QAccessibleTextRemoveEvent removed(
            this, 0, CopyOf(std::u16string_view(m_trimmedSinceAnnounced).substr(0, frontGone)));
        Announce(&removed);
    }
    const std::uint64_t changedFrom = std::max(m_changedFrom, trimmed);
    const int position = static_cast<int>(changedFrom - trimmed);
    const QString inserted = TextBetween(position, static_cast<qsizetype>(end - trimmed));
    if (!m_removedAnnounced.isEmpty() && !inserted.isEmpty()) {
        QAccessibleTextUpdateEvent updated(this, position, m_removedAnnounced, inserted);
        Announce(&updated);
    } else if (!m_removedAnnounced.isEmpty()) {
        QAccessibleTextRemoveEvent removed(this, position, m_removedAnnounced);
        Announce(&removed);
    } else if (!inserted.isEmpty()) {
        QAccessibleTextInsertEvent added(this, position, inserted);
        Announce(&added);
    }
    m_announcedTrimmed = trimmed;
    m_announcedEnd = end;
    m_changedFrom = UINT64_MAX;
    m_removedAnnounced.clear();
    m_trimmedSinceAnnounced.clear();
}

void TermRichedit::NotifyCaret() {
    if (!m_announcing) {
        return;
    }
    const auto caret = static_cast<int>(CaretOffset());
    QAccessibleTextCursorEvent moved(this, caret);
    Announce(&moved);
    const auto first = static_cast<int>(OffsetOf(SelectionFirst()));
    const auto last = static_cast<int>(OffsetOf(SelectionLast()));
    QAccessibleTextSelectionEvent selected(this, first, last);
    selected.setCursorPosition(caret);
    Announce(&selected);
}

void TermRichedit::Announce(QAccessibleEvent* event) {
    QAccessible::updateAccessibility(event);
}
