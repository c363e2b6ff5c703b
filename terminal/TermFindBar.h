#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class TermRichedit;

// A small bar under the terminal view that finds text in it: next and previous, case-insensitive
// unless "Match case" is on, wrapping around at either end; the match is selected, so it is
// highlighted and scrolled into view. Escape closes the bar and does nothing else.
class TermFindBar : public QWidget {
    Q_OBJECT

public:
    TermFindBar(TermRichedit* view, QWidget* parent = nullptr);

    // Shows the bar and puts the focus into its field.
    void Open();
    // Finds the field's text after (or before) the current match; false if it is nowhere.
    bool FindNext();
    bool FindPrevious();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool Find(bool backward);

    TermRichedit* m_view;
    QLineEdit* m_edit = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_close = nullptr;
};
