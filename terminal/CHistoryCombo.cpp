#include "CHistoryCombo.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

QString TrimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ') {
        ++first;
    }
    while (last > first && text.at(last - 1) == u' ') {
        --last;
    }
    return text.mid(first, last - first);
}

}  // namespace

CHistoryCombo::CHistoryCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // The box completes by itself and keeps its own list: no Qt completer, no insertion of
    // the edit text on Enter.
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxCount(m_nMaxItems);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CHistoryCombo::OnEditUpdate);
}

void CHistoryCombo::StoreEditText() {
    const QString text = currentText();
    if (!text.isEmpty()) {
        AddToHistory(text);
    }
}

int CHistoryCombo::AddToHistory(const QString& text) {
    const QString stored = TrimSpaces(text);
    // Make room first: the box refuses items beyond its maximum.
    const int duplicate = IndexOfExact(0, stored);
    if (duplicate >= 0) {
        removeItem(duplicate);
    }
    while (count() >= m_nMaxItems) {
        removeItem(count() - 1);
    }
    insertItem(0, stored);
    SelectItem(0);
    return 0;
}

int CHistoryCombo::FindItemExact(int start, const QString& text) {
    const int index = IndexOfExact(start, text);
    if (index >= 0) {
        SelectItem(index);
    }
    return index;
}

int CHistoryCombo::FindItemPrefix(const QString& text) {
    const int index = IndexOfPrefix(text);
    if (index >= 0) {
        SelectItem(index);
    }
    return index;
}

int CHistoryCombo::IndexOfExact(int start, const QString& text) const {
    for (int index = std::max(start, 0); index < count(); ++index) {
        if (itemText(index) == text) {
            return index;
        }
    }
    return -1;
}

int CHistoryCombo::IndexOfPrefix(const QString& text) const {
    for (int index = 0; index < count(); ++index) {
        if (itemText(index).startsWith(text, Qt::CaseSensitive)) {
            return index;
        }
    }
    return -1;
}

void CHistoryCombo::SelectItem(int index) {
    setCurrentIndex(index);
    setEditText(itemText(index));
}

void CHistoryCombo::OnEditUpdate() {
    if (!m_bAutoComplete || !m_bCompleteNext) {
        return;
    }
    QLineEdit* edit = lineEdit();
    const QString typed = edit->text();
    const int length = static_cast<int>(typed.size());
    const int selectionStart =
        edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int selectionEnd =
        edit->hasSelectedText() ? edit->selectionEnd() : edit->cursorPosition();
    if (FindItemPrefix(typed) < 0) {
        return;  // nothing was changed, so the user's text and selection stand
    }
    if (selectionEnd < length) {
        edit->setSelection(selectionStart, selectionEnd - selectionStart);
    } else {
        // Highlight the completed remainder, so the next typed character replaces it.
        edit->setSelection(length, static_cast<int>(edit->text().size()) - length);
    }
}

// The edit field hands its focus to the box, so every key typed into it passes here first.
void CHistoryCombo::keyPressEvent(QKeyEvent* event) {
    if (m_bAutoComplete) {
        const int key = event->key();
        m_bCompleteNext = key != Qt::Key_Delete && key != Qt::Key_Backspace;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Q_EMIT historyEnter(this);
        }
    }
    QComboBox::keyPressEvent(event);
}
