#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class TermLogger;
class TermRichedit;

// The compact row above the terminal view: time stamps, hex view, holding the view while
// scrolled up, the scrollback size, and the Find, Clear and Log buttons. Each choice is applied
// to the view at once and kept in the settings.
class TermToolRow : public QWidget {
    Q_OBJECT

public:
    // Scrollback sizes offered, in characters; the first is the view's own default. The largest
    // is 10 MB of text as the view holds it (two bytes a character); the view's document costs
    // several times its text, so more would not stay within the terminal's memory budget.
    static constexpr int kScrollbackChoices[] = {32767, 1'000'000, 5'000'000};
    // The offered size for a stored one: the largest not above it (an earlier, larger choice
    // becomes the largest offered), else the default.
    static int OfferedScrollback(int stored);

    TermToolRow(TermRichedit* view, QWidget* parent = nullptr);

    TermLogger* Logger() const { return m_logger; }

Q_SIGNALS:
    void findRequested();

private:
    void BuildControls();
    void LoadSettings();
    void OnLogClicked();
    void OnLogStatusChanged(const QString& text);

    TermRichedit* m_view;
    TermLogger* m_logger;
    QCheckBox* m_timestamps = nullptr;
    QCheckBox* m_hexView = nullptr;
    QCheckBox* m_holdScroll = nullptr;
    QComboBox* m_scrollback = nullptr;
    QPushButton* m_find = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_log = nullptr;
};
