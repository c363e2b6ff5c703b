#pragma once

#include "TermViewOptions.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <system_error>

class CHistoryCombo;
class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QPushButton;
class QVBoxLayout;
class TermChannel;
class TermFileSender;
class TermFindBar;
class TermLineRow;
class TermLogger;
class TermMacroRow;
class TermReconnector;
class TermRichedit;
class TermToolRow;

// The "Terminal" page: a plain serial terminal. It owns the channel (TermChannel); the view shows
// what the channel receives and sends what is typed into it; the history box sends whole lines,
// as UTF-8 text or as the bytes of a hexadecimal string, each followed by the chosen line end.
// The controls are enabled only while the port is open. A port error closes the port, tells the
// user and asks the main window, via setupComPortRequested(), to open the COM port settings.
class SerialTermPage : public QWidget {
    Q_OBJECT

public:
    // Control ids of the page, also the controls' object names.
    static constexpr int kIdView = 1075;
    static constexpr int kIdSend = 1076;
    static constexpr int kIdLineEndCr = 1083;
    static constexpr int kIdLineEndLf = 1084;
    static constexpr int kIdTreatAsHex = 1085;
    static constexpr int kIdHistory = 1086;

    explicit SerialTermPage(QWidget* parent = nullptr);
    ~SerialTermPage() override;

    // Opens `portName` with 8 data bits, no parity, one stop bit and the given flow control
    // (0 none, 1 software, 2 hardware) and enables the controls. Returns the channel's error
    // unchanged; an option value out of range gives std::errc::invalid_argument. On failure the
    // page keeps its state.
    std::error_code OpenPort(const QString& portName, std::uint32_t baudRate,
                             std::uint8_t flowControl);
    // Closes the port if open, empties the view and disables the controls.
    void ClosePort();
    bool IsPortOpen() const;
    // Whether a lost port is being waited for (automatic reconnect).
    bool IsWaitingForPort() const;
    // Ends the waiting at once; the view keeps what it shows.
    void StopWaitingForPort();

Q_SIGNALS:
    // Posted after a port error has been shown: the main window should run "Setup COM port".
    void setupComPortRequested();
    // What the status line should say about logging; empty when no log is written.
    void logStatusChanged(const QString& text);
    // What the status line should say while a lost port is waited for; empty once it is open
    // again (a wait ended by ClosePort or StopWaitingForPort reports nothing).
    void portStatusChanged(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void BuildViewTools(QVBoxLayout* layout);
    QGroupBox* BuildLineEndGroup();
    QGroupBox* BuildConvertGroup();
    void BuildLineTools(QVBoxLayout* layout);
    void BuildMacroRow(QVBoxLayout* layout);
    void OnMacro(const QByteArray& bytes, const QString& echo);
    void OnPaste(const QString& text);
    void SetViewOptions(const TermViewOptions& options);
    void ApplyViewOptions(const TermViewOptions& options);
    void OnLineEndClicked();
    void OnClear();
    std::error_code OpenChannel(const QString& portName);
    void CloseChannel();
    void LosePort();
    void OnReopened(const QString& path);
    void AppendMarker(const QString& text);
    void EnableControls(bool enable);
    void OnSend();
    void SendHex(const QString& text);
    void SendText(const QString& text);
    void SendBytes(const std::string& bytes);
    void AppendLineEnd(std::string& bytes) const;
    void OnHistoryEnter(CHistoryCombo* box);
    void OnPortError(unsigned connection);
    void ShowError(const QString& text);

    TermChannel* m_channel;
    TermRichedit* m_view = nullptr;
    TermLogger* m_logger = nullptr;
    TermToolRow* m_toolRow = nullptr;
    TermFindBar* m_findBar = nullptr;
    TermMacroRow* m_macroRow = nullptr;
    QCheckBox* m_chkCR = nullptr;
    QCheckBox* m_chkLF = nullptr;
    QCheckBox* m_chkHex = nullptr;
    CHistoryCombo* m_cbHistory = nullptr;
    QPushButton* m_btnSend = nullptr;
    TermLineRow* m_lineRow = nullptr;
    TermFileSender* m_fileSender = nullptr;
    TermReconnector* m_reconnector = nullptr;
    // The settings of the last open, for reopening a lost port with them.
    std::uint32_t m_nBaudRate = 0;
    std::uint8_t m_nFlowControl = 0;
    // The view options as shown, applied and stored.
    TermViewOptions m_viewOptions;
};
