#pragma once

#include "ModemLines.h"

#include <QWidget>

#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class TermChannel;

// The row of line controls below the terminal view: the DTR and RTS outputs, the CTS, DSR, DCD
// and RI inputs as small indicators, the Break button, the choice of leaving DTR and RTS as
// they are when opening and that of reopening a lost port by itself. The inputs are read a few
// times a second on a thread of their own; a port without modem lines shows its line controls
// disabled, with a tooltip that says why.
class TermLineRow : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kPollInterval{200};
    static constexpr std::chrono::milliseconds kBreakLength{250};

    TermLineRow(TermChannel* channel, QWidget* parent = nullptr);
    ~TermLineRow() override;

    // Applies the stored DTR and RTS choice to the port just opened (RTS is left to the driver
    // under hardware flow control, flowControl 2; both are left as they are while LeaveLines)
    // and starts reading the inputs.
    void PortOpened(std::uint8_t flowControl);
    // "Leave DTR and RTS as they are when opening": a board whose reset is wired to DTR must not
    // reset when the port opens or closes. Stored; the page hands it to the channel.
    bool LeaveLines() const;
    // Stops reading the inputs and shows the lines as unknown.
    void PortClosed();
    bool AutoReconnect() const;
    // For tests: the lines the row works on instead of the channel's.
    void SetModemLines(ModemLineControl* lines) { m_lines = lines; }

private:
    void BuildControls();
    void OnDtrClicked(bool asserted);
    void OnRtsClicked(bool asserted);
    void OnBreak();
    void OnReading(unsigned run, const std::error_code& error, const ModemLineState& state);
    void ShowNoModemLines();
    void EnableLineControls(bool enable, const QString& why);
    void ShowInputs(const ModemLineState& state, bool known);

    ModemLineControl* m_lines;
    ModemLineWatcher m_watcher;
    unsigned m_run = 0;  // counts watches, so a reading of a stopped one is dropped
    bool m_rtsToDriver = false;
    QCheckBox* m_dtr = nullptr;
    QCheckBox* m_rts = nullptr;
    QLabel* m_cts = nullptr;
    QLabel* m_dsr = nullptr;
    QLabel* m_dcd = nullptr;
    QLabel* m_ri = nullptr;
    QPushButton* m_break = nullptr;
    QCheckBox* m_reconnect = nullptr;
    QCheckBox* m_leaveLines = nullptr;
};
