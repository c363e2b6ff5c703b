#pragma once

#include "ComPortSettings.h"

#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <functional>

class QButtonGroup;
class QComboBox;
class QLayout;
class SortedComboBox;

// The modal dialog in which the user picks the port, the baud rate, the flow control and the
// page to work with. The port is one of the list, or a port exported over the network typed as
// rfc2217://host:port or socket://host:port; the last few of those are listed as well. Every
// showing starts from the stored settings; only OK stores the choice. Run it with exec(), then read
// Settings(): after OK all of it, after Cancel only opMode, which the mode buttons change at once.
class ComPortCfgDlg : public QDialog {
    Q_OBJECT

public:
    using PortSource = std::function<QStringList()>;

    // The controls by id (dialog template 131; OK and Cancel have the framework's ids). The id
    // is also the control's object name.
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;
    static constexpr int kIdBaudRate = 1077;
    static constexpr int kIdPort = 1079;
    static constexpr int kIdConfigurator = 1081;
    static constexpr int kIdTerminal = 1082;
    static constexpr int kIdFlowControl = 1087;
    static constexpr const char* kIdProduction = "production";  // ours: no template id

    explicit ComPortCfgDlg(QWidget* parent = nullptr);

    ComPortSettings Settings() const;

    // Replaces the system's port list (tests); the virtual ports are still added.
    void SetSystemPortSource(PortSource source);
    // A port to preselect when the stored one is not listed (the run command passes the
    // virtual module's port); ignored when it is not listed either.
    void SetPreferredPort(const QString& port) { m_preferredPort = port; }

    void accept() override;  // the OK rules

    // How many network ports the list remembers.
    static constexpr int kRememberedRemotePorts = 8;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLayout* CreatePortRow();
    QLayout* CreateModeRow();
    QLayout* CreateButtonRow();

    void LoadSettings();
    void RefreshPortList();
    void LoadBaudRates();
    void LoadFlowControls();
    void LoadOpMode();
    void OnModeClicked(int radio);

    bool PortChoiceIsValid();
    void TakeOpMode();
    void TakePort();
    void TakeBaudRate();
    void TakeFlowControl();

    PortSource m_systemPorts;
    QString m_preferredPort;
    QStringList m_portList;
    QString m_strPort = QStringLiteral("COM1");
    int m_nBaudRate = 9600;
    std::uint8_t m_nFlowControl = 0;
    std::uint8_t m_nOpMode = 1;
    int m_nModeRadio = 0;  // 0 Configurator, 1 Terminal, 2 Production

    SortedComboBox* m_cbPort = nullptr;
    QComboBox* m_cbBaudRate = nullptr;
    SortedComboBox* m_cbFlowControl = nullptr;
    QButtonGroup* m_modeButtons = nullptr;
};
