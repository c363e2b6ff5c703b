#pragma once

#include "TermMacro.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QWidget>

#include <array>

class QPushButton;
class QTimer;

// The row of macro buttons F1 to F12 above the send row, and Stop. A click (or the function key,
// through Trigger) sends the macro as if it were typed: sendRequested(bytes, echo); a macro that
// repeats is sent again every so many milliseconds until Stop, a close of the port (StopAll) or
// another click of it. An empty macro, and the context menu's "Edit…", open its editor
// (TermMacroDlg); the macros are stored with the settings at once.
class TermMacroRow : public QWidget {
    Q_OBJECT

public:
    explicit TermMacroRow(QWidget* parent = nullptr);

    void Trigger(int index);
    void Edit(int index);
    void StopAll();
    bool IsRepeating() const;
    const QList<TermMacro>& Macros() const { return m_macros; }

Q_SIGNALS:
    void sendRequested(const QByteArray& bytes, const QString& echo);

private:
    void Send(int index);
    void ShowMacro(int index);
    void SetMacro(int index, const TermMacro& macro);
    void UpdateStop();

    QList<TermMacro> m_macros;
    std::array<QPushButton*, TermMacro::kCount> m_buttons{};
    std::array<QTimer*, TermMacro::kCount> m_repeats{};
    QPushButton* m_stop = nullptr;
};
