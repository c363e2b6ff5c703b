#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

struct ApplyPlan;
class ComPortCfgDlg;
class ModuleConfPage;
class ProductionPage;
class QAction;
class QLabel;
class QMenuBar;
class QStatusBar;
class SerialTermPage;

// The main window: a menu, the configuration, terminal and production pages (one shown at a time)
// and a two-pane status line with the connection and the program's version. It owns the COM
// port dialog, opens the shown page's port with the dialog's choice and closes both ports
// before every change. Run it with exec(): the COM port dialog comes first, before the window
// is shown. Everything here runs on the GUI thread.
class CsKWEVBManagerDlg : public QDialog {
    Q_OBJECT

public:
    // Runs a modal dialog (the COM port dialog, the About box, the settings file's changes)
    // and returns its result; the default is exec(). Tests answer the dialogs without a modal
    // loop through this.
    using ModalRunner = std::function<int(QDialog&)>;

    // The menu's commands by id, which is also the action's object name.
    static constexpr int kIdSetupComPort = 32772;
    static constexpr int kIdAbout = 57664;
    static constexpr const char* kIdSaveModuleSettings = "saveModuleSettings";
    static constexpr const char* kIdApplySettingsFile = "applySettingsFile";
    // The status line's panes by object name.
    static constexpr const char* kIdConnectionPane = "connectionPane";
    static constexpr const char* kIdVersionPane = "versionPane";
    static constexpr const char* kIdLogPane = "logPane";

    explicit CsKWEVBManagerDlg(QWidget* parent = nullptr);
    ~CsKWEVBManagerDlg() override;

    // OnInitDialog, then the window's modal loop.
    int exec() override;
    // What happens before the window is first shown: the COM port dialog, and on OK the page
    // and the posted opening of its port. exec() calls it; tests call it and show() instead.
    void OnInitDialog();

    void SetModalRunner(ModalRunner runner);
    ComPortCfgDlg& ComPortDialog() { return *m_comPortDlg; }
    ModuleConfPage& ConfPage() { return *m_confPage; }
    SerialTermPage& TermPage() { return *m_termPage; }
    ProductionPage& ProdPage() { return *m_prodPage; }
    // Pane 0 in full; the pane shows its end when it is too narrow.
    const QString& ConnectionText() const { return m_connectionText; }

    // "Setup COM port": from the menu, and queued from the pages when they give up their port.
    void OnSetupComPort();
    void OnAbout();
    // "Save module settings..." and "Apply settings file...": offered while the configuration
    // page shows a module it has read and runs no job.
    void OnSaveModuleSettings();
    void OnApplySettingsFile();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenu();
    void CreatePages();
    void CreateStatusBar();
    void ShowVersion();
    void ShowPage(int opMode);
    void FitWindowToPage();
    void OnOpenPort();
    void OpenChosenPort();
    void ShowConnection(const QString& text);
    void FitConnectionText();
    void SendResetIfConfigurationConnection();
    void CancelPendingOpen();
    void ApplyProfileFile(const QString& path);
    // Whether `plan` can be applied; if not, tells why (that nothing changes only if
    // `tellMatches`).
    bool ApplyPlanAcceptable(const std::optional<ApplyPlan>& plan, bool tellMatches);

    ModuleConfPage* m_confPage = nullptr;
    SerialTermPage* m_termPage = nullptr;
    ProductionPage* m_prodPage = nullptr;
    ComPortCfgDlg* m_comPortDlg = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QAction* m_setupAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_saveProfileAction = nullptr;
    QAction* m_applyProfileAction = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_connectionPane = nullptr;
    QLabel* m_versionPane = nullptr;
    QLabel* m_logPane = nullptr;
    QString m_connectionText;
    QString m_openedText;  // the connection as opened, shown again when a lost port returns
    ModalRunner m_runModal;
    int m_nCurMode = 1;      // OpMode of the page shown
    bool m_inSetup = false;  // the COM port dialog is up
    bool m_closed = false;
    // A station's run ends before the window closes or the COM port dialog comes up; these
    // say which waits for the end of the run.
    bool m_closeAfterRun = false;
    bool m_setupAfterRun = false;
    // Each new "Setup COM port" or close makes a posted or waiting open stale.
    std::uint32_t m_openRequest = 0;
};
