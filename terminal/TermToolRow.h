#pragma once

#include "TermViewOptions.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class TermLogger;
class TermRecorder;

// The compact row above the terminal view: time stamps and their format, hex view, holding the
// view while scrolled up, the scrollback size, and the Find, Clear, Log and Record session
// buttons. It shows the view options its owner gives it and reports each choice as the whole
// options changed, for the owner to apply and store. The Log button starts and stops `logger`,
// Record session `recorder`.
class TermToolRow : public QWidget {
    Q_OBJECT

public:
    TermToolRow(TermLogger* logger, TermRecorder* recorder, QWidget* parent = nullptr);

    // Shows `options` without reporting them; the fields the row has no control for are kept
    // and reported back unchanged.
    void ShowOptions(const TermViewOptions& options);

Q_SIGNALS:
    void optionsChanged(const TermViewOptions& options);
    void findRequested();
    void clearRequested();

private:
    void BuildControls();
    template <typename Field, typename Value>
    void Choose(Field TermViewOptions::*field, Value value);
    void OnLogClicked();
    void OnLogStatusChanged(const QString& text);

    TermLogger* m_logger;
    TermRecorder* m_recorder;
    TermViewOptions m_options;
    QCheckBox* m_timestamps = nullptr;
    QComboBox* m_stampFormat = nullptr;
    QCheckBox* m_hexView = nullptr;
    QCheckBox* m_holdScroll = nullptr;
    QComboBox* m_scrollback = nullptr;
    QPushButton* m_find = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_log = nullptr;
    QPushButton* m_record = nullptr;
};
