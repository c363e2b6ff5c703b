#pragma once

#include "ConfJob.h"
#include "ConfMessages.h"
#include "ConfPageControls.h"
#include "PageValues.h"
#include "ProfileDiff.h"
#include "Prompter.h"
#include "SettingTable.h"

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

class ConfJobRunner;
class ConfWorker;
class FilterSettingsBinder;
class ScanList;
class SlotTable;
class sKW523Comm;
struct JobInputs;
struct SettingRow;

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
//  - Settings files: while IsModuleReady (a module read and shown, no job running; signalled by
//    moduleReadyChanged) ModuleProfile gives the module's settings file, PlanFor what a file
//    would change and whether the page refuses it, and ApplyProfile applies the changes through
//    the page's own setting jobs, then reads the module again.
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

    bool IsModuleReady() const { return m_ready; }
    // The module's values as the last read showed them; nothing unless IsModuleReady.
    std::optional<ModuleValues> ShownValues() const;
    // The settings file of the module shown; nothing unless IsModuleReady.
    std::optional<Profile> ModuleProfile() const;
    // What applying `profile` with `counter` to the module shown would change (no change
    // unless IsModuleReady); nothing when the counter cannot fill the file's name.
    std::optional<ApplyPlan> PlanFor(const Profile& profile, unsigned counter) const;
    // A refusal of PlanFor as a message naming the field and the model.
    QString RefusalText(const ProfileRefusal& refusal) const;
    // Applies the plan's changes one setting job after another, reading the module again where
    // the page reads it after a setting and once at the end, and shows one message at the end
    // (a failure as the setting's own message). False, and nothing sent, when the module is
    // not ready, nothing changes or the plan is refused.
    bool ApplyProfile(const Profile& profile, unsigned counter);

Q_SIGNALS:
    void setupComPortRequested();
    void moduleReadyChanged(bool ready);

private:
    void ConnectDeviceCommands();
    void ConnectScanAndSlots();
    void FillUartLists();

    // Shared operations.
    void EnableControls(bool enable);
    void PostJob(ConfJob job);
    void PostJob(ConfJob job, const JobInputs& inputs);
    // Posts a setting job whose inputs passed its input rule; a refused value is shown, and the
    // controls are enabled again. True when posted.
    bool PostSetting(ConfJob job, const CheckedInputs& checked);
    void ClearDeviceInfo(bool clearList);
    void SetBusy(bool busy);
    void SyncCursor();
    Prompter::Answer ShowMessage(ConfMessages::Id id, Prompter::Icon icon,
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
    void OnSettingResult(const SettingRow& setting, std::int32_t status);
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
    void OnApplyNumber(const ConfPageControls::NumberEdit& number);

    // Scan, master device and slots.
    void OnScanClicked();
    void OnScanToggle();
    bool ScanFiltersValid();
    void OnMasterCopy();
    void OnMasterRegister();
    void OnMasterDelete();
    void OnSlotCopy(int slot);
    void OnSave();

    // Settings files (ModuleConfPageProfile.cpp).
    struct ProfileRun {
        Profile profile;
        std::string name;
        std::vector<ProfileJob> jobs;
        std::size_t next = 0;
        bool readingBack = false;  // every job has run; the final read runs
    };
    void SetReady(bool ready);
    void PostNextProfileJob();
    // A setting job of the run has ended.
    void OnProfileSettingResult(const SettingRow& setting, std::int32_t status);
    // The module has been read during the run: on to the next job, or the run is over.
    void ContinueProfileRun();
    void StopProfileRun(const QString& message);

    ConfPageControls m_c;
    std::unique_ptr<ScanList> m_scanList;
    std::unique_ptr<SlotTable> m_slotTable;
    FilterSettingsBinder* m_filterSettings = nullptr;
    PageValues m_values;
    std::uint32_t m_portBaud = 9600;

    std::unique_ptr<sKW523Comm> m_comm;
    std::unique_ptr<ConfJobRunner> m_runner;
    std::unique_ptr<ConfWorker> m_worker;
    // Changes each time the port closes, so that results and errors of a connection that is
    // gone are dropped when they arrive.
    std::atomic<std::uint32_t> m_session{0};
    bool m_quietScanStop = false;  // the scan stop posted after a read found the module scanning
    std::optional<ConfJob> m_shownRead;  // the read job whose values the controls show
    bool m_ready = false;
    std::optional<ProfileRun> m_profileRun;
};
