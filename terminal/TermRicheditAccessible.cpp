// The terminal view as accessible text. The view paints only the lines in sight, so the text a
// screen reader reads is taken from its store range by range: nothing here copies more than
// the range asked for, and a word is looked for within its own line.
#include "TermRicheditAccessible.h"

#include "TermRichedit.h"

#include <QAccessibleWidget>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

// A word or a character is looked for within this many characters either side of the offset.
constexpr qsizetype kBoundaryWindow = 4096;

class TermRicheditAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TermRicheditAccessible(TermRichedit* view)
        : QAccessibleWidget(view, QAccessible::EditableText) {
        view->AnnounceChanges();
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Value) {
            return {};  // the text interface gives it, range by range
        }
        return QAccessibleWidget::text(type);
    }

    // Selection: the view has at most one.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && selectionCount() == 1) {
            *startOffset = static_cast<int>(View()->SelectionStart());
            *endOffset = static_cast<int>(View()->SelectionEnd());
        }
    }
    int selectionCount() const override { return View()->SelectionStart() < View()->SelectionEnd() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        View()->Select(startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0) {
            View()->SetCaretOffset(View()->CaretOffset());
        }
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0) {
            View()->Select(startOffset, endOffset);
        }
    }

    int cursorPosition() const override { return static_cast<int>(View()->CaretOffset()); }
    void setCursorPosition(int position) override { View()->SetCaretOffset(position); }

    QString text(int startOffset, int endOffset) const override {
        return View()->TextBetween(startOffset, endOffset);
    }
    int characterCount() const override { return static_cast<int>(View()->CharacterCount()); }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override {
        *startOffset = *endOffset = -1;
        const int count = characterCount();
        if (offset == -1) {
            offset = count;  // the end, as the caller may ask it
        }
        if (offset < 0 || offset > count || count == 0 ||
            (offset == count && type == QAccessible::CharBoundary)) {
            return {};
        }
        const auto [start, end] = BoundsAt(offset, type);
        *startOffset = start;
        *endOffset = end;
        return text(start, end);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override {
        *startOffset = *endOffset = -1;
        if (offset == -1) {
            offset = characterCount();
        }
        int atStart = 0;
        int atEnd = 0;
        textAtOffset(std::min(offset, characterCount() - 1), type, &atStart, &atEnd);
        if (offset == characterCount() && type != QAccessible::CharBoundary && atEnd <= offset &&
            atStart < offset) {
            // Before the end: the item ending there.
            return textAtOffset(atStart, type, startOffset, endOffset);
        }
        if (atStart <= 0) {
            return {};
        }
        return textAtOffset(atStart - 1, type, startOffset, endOffset);
    }

    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override {
        *startOffset = *endOffset = -1;
        int atStart = 0;
        int atEnd = 0;
        textAtOffset(offset, type, &atStart, &atEnd);
        if (atEnd < 0 || atEnd >= characterCount()) {
            return {};
        }
        return textAtOffset(atEnd, type, startOffset, endOffset);
    }

    QRect characterRect(int offset) const override {
        const QRect inViewport = View()->CharacterRect(offset);
        const QWidget* viewport = View()->viewport();
        return QRect(viewport->mapToGlobal(inViewport.topLeft()), inViewport.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return static_cast<int>(View()->OffsetAt(View()->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int startIndex, int /*endIndex*/) override {
        View()->ScrollToOffset(startIndex);
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        // One look for all of it: no attributes to tell.
        *startOffset = 0;
        *endOffset = characterCount();
        Q_UNUSED(offset);
        return {};
    }

private:
    TermRichedit* View() const { return static_cast<TermRichedit*>(widget()); }

    // The item at `offset`: a line (with its line break; a sentence or a paragraph is a line
    // here), the whole text, or a word or character found within the line.
    std::pair<int, int> BoundsAt(int offset, QAccessible::TextBoundaryType type) const {
        if (type == QAccessible::NoBoundary) {
            return {0, characterCount()};
        }
        const auto [lineStart, lineEnd] = View()->LineBoundsAt(offset);
        if (type != QAccessible::CharBoundary && type != QAccessible::WordBoundary) {
            return {static_cast<int>(lineStart), static_cast<int>(lineEnd)};
        }
        const qsizetype from = std::max(lineStart, offset - kBoundaryWindow);
        const qsizetype to = std::min(lineEnd, offset + kBoundaryWindow);
        const QString window = View()->TextBetween(from, to);
        QTextBoundaryFinder finder(type == QAccessible::CharBoundary ? QTextBoundaryFinder::Grapheme
                                                                     : QTextBoundaryFinder::Word,
                                   window);
        finder.setPosition(offset - from);
        if (!finder.isAtBoundary()) {
            finder.toPreviousBoundary();
        }
        const qsizetype start = std::max<qsizetype>(0, finder.position());
        qsizetype end = finder.toNextBoundary();
        if (end < 0) {
            end = window.size();
        }
        return {static_cast<int>(from + start), static_cast<int>(from + end)};
    }
};

QAccessibleInterface* TermRicheditFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TermRichedit") && object != nullptr && object->isWidgetType()) {
        return new TermRicheditAccessible(static_cast<TermRichedit*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallTermRicheditAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(&TermRicheditFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
