#pragma once

#include "ConfJob.h"
#include "ConfMessages.h"
#include "ConfPageControls.h"
#include "PageValues.h"
#include "Prompter.h"

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <system_error>

class ConfJobRunner;
class ConfWorker;
class FilterSettingsBinder;
class ScanList;
class SlotTable;
class sKW523Comm;
struct JobInputs;
struct SettingOutcome;

// The "Configurator" page: identifies the module on its port, shows its values and applies
// the user's settings, scans for devices and registers them, each conversation with the
// module as a job on the page's own worker thread.
//
// For the main window (GUI thread only):
//  - OpenPort / ClosePort: the page owns its port. Opening starts the worker and identifies
//    the module; closing stops everything and is harmless when nothing is open.
//  - IsPortOpen / SendResetCommand: before it gives up a configuration connection ("Setup COM
//    port", closing the window) the main window sends "ATZ\r" with SendResetCommand. It first
//    aborts the running job (dropping it, the queue and their results, no message shown), so
//    it blocks for at most the reset's 500 ms limit.
//  - setupComPortRequested: the page wants the COM port settings shown, after a port error,
//    when the module cannot be used, or after it restarted. The page's port is closed by then.
class ModuleConfPage : public QWidget {
    Q_OBJECT

public:
    explicit ModuleConfPage(QWidget* parent = nullptr);
    ~ModuleConfPage() override;

    // No parity, one stop bit, 8 data bits; flowControl as CSerialportMP::Open takes it
    // (0 none, 2 hardware).
    std::error_code OpenPort(const QString& portName, std::uint32_t baudRate,
                             std::uint8_t flowControl);
    void ClosePort();
    bool IsPortOpen() const;
    void SendResetCommand();

Q_SIGNALS:
    void setupComPortRequested();

private:
    void ConnectDeviceCommands();
    void ConnectScanAndSlots();
    void FillUartLists();

    // Shared operations.
    void EnableControls(bool enable);
    void PostJob(ConfJob job);
    void PostJob(ConfJob job, const JobInputs& inputs);
    void ClearDeviceInfo(bool clearList);
    void SetBusy(bool busy);
    void SyncCursor();
    Prompter::Answer Show(ConfMessages::Id id, Prompter::Icon icon,
                          Prompter::Buttons buttons = Prompter::Buttons::Ok);
    void ShowFilterError(const QString& text);
    void SetScanCaption(ConfMessages::Id caption);
    // Captions the scan button and enables and focuses it: the only control used while scanning.
    void ResetScanButton(ConfMessages::Id caption);

    // Other threads hand over to the GUI thread through these.
    void OnCommError(const sKW523Comm* channel);
    void OnPortError(std::uint32_t session);
    void OnJobResult(std::int32_t job, std::int32_t status);

    // Job results.
    void OnScanJobResult(std::int32_t job, std::int32_t status);
    void OnSettingResult(const SettingOutcome& outcome, std::int32_t status);
    void ShowModuleValues(ConfJob readJob);
    void StopModuleScan();
    // Drops the running and queued jobs and their results; the port stays open.
    void AbortJobs();
    // A message box runs an event loop of its own, in which the port may close and a new
    // connection open: what follows a box runs only if the connection is the one from before.
    bool StillConnected(std::uint32_t session) const;
    void EnableControlsIfStillConnected(std::uint32_t session);
    void GiveUp(std::int32_t status);
    // Closes the port, shows `message` and asks the window for the port settings.
    void GiveUpPort(ConfMessages::Id message);
    void BackToPortSettings();
    void ReportFailure(std::int32_t status, ConfMessages::Id message);
    void RestartIdentification(bool clearList);

    // Device commands.
    void OnUpdate();
    void OnChangeName();
    void OnReboot();
    void OnFactoryReset();
    void OnApplyUart();
    void OnApplyRole();
    void OnApplyAutoCon();
    void OnApplyAdvInterval();

    // Scan, master device and slots.
    void OnScanClicked();
    void OnScanToggle();
    bool ScanFiltersValid();
    void OnMasterCopy();
    void OnMasterRegister();
    void OnMasterDelete();
    void OnSlotCopy(int slot);
    void OnSave();

    ConfPageControls m_c;
    std::unique_ptr<ScanList> m_scanList;
    std::unique_ptr<SlotTable> m_slotTable;
    FilterSettingsBinder* m_filterSettings = nullptr;
    PageValues m_values;
    std::uint32_t m_portBaud = 9600;

    std::unique_ptr<sKW523Comm> m_comm;
    std::unique_ptr<ConfJobRunner> m_jobs;
    std::unique_ptr<ConfWorker> m_worker;
    // Changes each time the port closes, so that results and errors of a connection that is
    // gone are dropped when they arrive.
    std::atomic<std::uint32_t> m_session{0};
    bool m_quietScanStop = false;  // the scan stop posted after a read found the module scanning
};
