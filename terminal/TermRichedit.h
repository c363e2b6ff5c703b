#pragma once

#include "ReceivedFormatter.h"
#include "TermTextStore.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

class QAccessibleEvent;
class QContextMenuEvent;
class QMenu;
class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;
class QPaintEvent;
class QResizeEvent;

// The terminal's received-data view, white on black. It shows what it is given (the updates of a
// TermChannel, markers of the page) and keeps at most its text limit by dropping whole lines
// from the top; an update over the limit is built only as far as it can stay. The text lives in
// a TermTextStore and only the lines in sight are painted, so a large scrollback costs per
// character added, not per character kept. While the user holds it scrolled up it keeps its
// place, else it follows the end; the vertical scroll bar counts lines. The mouse selects, the
// context menu copies, pastes (to send: pasteRequested) and selects all, and Find selects a match
// and scrolls to it. Keys typed into it are emitted at once as UTF-8 (typed()); Enter gives the
// chosen line end. It knows no channel: TermViewLink connects the two.
class TermRichedit : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kTextLimit = 32767;
    // The view is painted at most this often while data streams in.
    static constexpr int kRepaintGapMs = 16;

    explicit TermRichedit(QWidget* parent = nullptr);

    void SetLineEnd(bool carriageReturn, bool lineFeed);
    // Whether what is typed goes anywhere; offline (as the view starts) keys are swallowed and
    // nothing of them is shown.
    void SetOnline(bool online) { m_online = online; }

    // Shows `text` at the end, trimming whole lines from the top to stay within the limit,
    // and leaves the view scrolled to its end unless the user holds it.
    void AppendText(const QString& text);
    // Applies one update of received data (see ShownUpdate).
    void ShowUpdate(const ShownUpdate& update);
    void Clear();

    // While on, new data does not move a view the user has scrolled up; at the end it follows.
    void SetHoldWhenScrolledUp(bool on) { m_holdWhenScrolledUp = on; }
    void SetTextLimit(int characters);
    int TextLimit() const { return static_cast<int>(m_store.Limit()); }
    bool IsFollowing() const;

    // The text shown, lines joined by '\n'.
    QString PlainText() const;
    // Characters shown, line breaks included.
    qsizetype CharacterCount() const { return static_cast<qsizetype>(m_store.Characters()); }
    QString LastLine() const;
    // The line drawn at `point` of the viewport.
    QString LineAt(const QPoint& point) const;

    // The selection as offsets in PlainText(); both equal when nothing is selected.
    qsizetype SelectionStart() const;
    qsizetype SelectionEnd() const { return OffsetOf(SelectionLast()); }
    void Select(qsizetype from, qsizetype to);
    QString SelectedText() const;
    void SelectAll();
    void CopySelection() const;
    // Finds `text` after (or before) the selection, wrapping around at either end; selects the
    // match and scrolls to it. False if it is nowhere.
    bool Find(const QString& text, bool backward, bool matchCase);

    // What the accessible text interface reads, computed from the store when asked: offsets are
    // those of PlainText(), and nothing copies more than the range asked for.
    QString TextBetween(qsizetype from, qsizetype to) const;
    qsizetype CaretOffset() const { return OffsetOf(m_caret); }
    // Moves the caret there, dropping the selection, and brings it into sight.
    void SetCaretOffset(qsizetype offset);
    // The line holding `offset`: its first offset and the offset after its line break.
    std::pair<qsizetype, qsizetype> LineBoundsAt(qsizetype offset) const;
    // The character's cell in viewport coordinates, and the offset drawn at a viewport point
    // (-1 outside the lines).
    QRect CharacterRect(qsizetype offset) const;
    qsizetype OffsetAt(const QPoint& point) const;
    void ScrollToOffset(qsizetype offset);
    // The context menu (Copy, Paste, Select all), one for the view's lifetime.
    QMenu* ContextMenu() const { return m_menu; }
    // From now on, changes of the text and the caret are announced to assistive tools (at most
    // once a repaint frame); set once the view's accessible interface is asked for.
    void AnnounceChanges();

Q_SIGNALS:
    // Bytes typed into the view, to go out as they are.
    void typed(const QByteArray& bytes);
    void textLimitChanged(int characters);
    // The user pasted `text` (context menu, Shift+Insert, Ctrl+Shift+V), for sending.
    void pasteRequested(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Hands an event to assistive tools (a seam for watching them).
    virtual void Announce(QAccessibleEvent* event);

private:
    // A place in the text: the line counted from the first ever shown, and the column in it.
    struct Spot {
        std::uint64_t line = 0;
        qsizetype column = 0;
        auto operator<=>(const Spot&) const = default;
    };

    void InitView();
    void AppendNewest(std::u16string_view finalText, std::u16string_view partialText);
    void AfterChange(bool follow, int firstShownLine);
    void MeasureNewLines();
    void UpdateScrollBars();
    int VisibleLines() const;
    void ScheduleRepaint();
    void PaintLine(QPainter& painter, std::size_t index, int top);
    void ScrollToEnd();
    void ScrollTo(const Spot& spot);
    Spot SpotAt(const QPoint& point) const;
    Spot ClampedSpot(Spot spot) const;
    qsizetype OffsetOf(const Spot& spot) const;
    Spot SpotOf(qsizetype offset) const;
    Spot SelectionFirst() const { return std::min(m_anchor, m_caret); }
    Spot SelectionLast() const { return std::max(m_anchor, m_caret); }
    bool FindFrom(const QString& text, Spot from, bool backward, Qt::CaseSensitivity cs);
    void OnEnter();
    void OnTypedText(const QString& text);
    void Send(const QByteArray& bytes);
    void Paste();
    void InitMenu();
    void UpdateMenu();
    // Text-changed events for assistive tools: the changes of a frame gathered into one.
    void NoteChange(std::size_t removedFromEnd);
    void NotifyTextChanged();
    void NotifyCaret();

    TermTextStore m_store;
    Spot m_anchor;  // selection: from the anchor to the caret
    Spot m_caret;
    int m_lineHeight = 1;
    int m_ascent = 0;
    qreal m_cellWidth = 1;
    qsizetype m_widestCells = 0;       // the widest line shown since the last Clear, in cells
    std::uint64_t m_measuredLine = 0;  // the first line (as in Spot) not measured yet
    std::uint64_t m_shownTrimmed = 0;  // the store's trimmed lines when the place was last set
    QElapsedTimer m_sincePaint;
    QTimer m_repaint;
    QMenu* m_menu = nullptr;
    // Since the last text-changed event (positions counted from the first character ever
    // shown): the end then, the first position changed since, and the text removed from the end
    // that had been announced.
    bool m_announcing = false;
    std::uint64_t m_announcedTrimmed = 0;
    std::uint64_t m_announcedEnd = 0;
    std::uint64_t m_changedFrom = UINT64_MAX;
    QString m_removedAnnounced;
    std::u16string m_trimmedSinceAnnounced;
    QTimer m_announce;
    bool m_bLineEndCR = true;
    bool m_bLineEndLF = false;
    bool m_online = false;
    bool m_holdWhenScrolledUp = false;
};
