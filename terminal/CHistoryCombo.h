#pragma once

#include <QComboBox>
#include <QString>

// The line entry of the terminal page: an editable combo box whose list keeps the last ten sent
// lines, newest first, each once. While the user types it completes the text from that list
// (not after Delete or Backspace); Enter in it emits historyEnter() once, and the key still
// takes its normal course. The history lives only as long as the box.
class CHistoryCombo : public QComboBox {
    Q_OBJECT

public:
    explicit CHistoryCombo(QWidget* parent = nullptr);

    // Records the edit field's text unless it is empty.
    void StoreEditText();
    // Stores `text` without its leading and trailing spaces as item 0; returns 0.
    int AddToHistory(const QString& text);
    // Index of the first item at or after `start` (-1 means 0) equal to `text`, or -1. A found
    // item becomes the current one.
    int FindItemExact(int start, const QString& text);
    // Index of the first item that begins with `text`, or -1. A found item becomes current.
    int FindItemPrefix(const QString& text);

Q_SIGNALS:
    void historyEnter(CHistoryCombo* box);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int IndexOfExact(int start, const QString& text) const;
    int IndexOfPrefix(const QString& text) const;
    void SelectItem(int index);
    void OnEditUpdate();

    int m_nMaxItems = 10;
    bool m_bAutoComplete = true;
    bool m_bCompleteNext = true;
};
