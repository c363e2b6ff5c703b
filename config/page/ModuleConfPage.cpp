#include "ModuleConfPage.h"

#include "AtStatus.h"
#include "BaudRates.h"
#include "ConfJobRunner.h"
#include "ConfPageLayout.h"
#include "ConfWorker.h"
#include "ControlGroupIds.h"
#include "Conversions.h"
#include "FilterSettingsBinder.h"
#include "InputRules.h"
#include "ModelRules.h"
#include "ModuleValuesView.h"
#include "ResponseKind.h"
#include "ScanFilter.h"
#include "ScanList.h"
#include "SettingTable.h"
#include "SlotTable.h"
#include "sKW523Comm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace {

struct ListEntry {
    const char* text;
    std::uint32_t data;
};

constexpr std::array<ListEntry, 2> kFlowModes = {{{"OFF", 0}, {"ON", 1}}};

constexpr std::uint32_t kResetLimitMs = 500;
// An aborted job ends within milliseconds; this only bounds a job that ignores its abort.
constexpr std::chrono::milliseconds kAbortLimit{100};

std::string ToUtf8(const QString& text) {
    return WideToUtf8(text.toStdU16String());
}

Prompter::Icon IconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return Prompter::Icon::Information;
        case MessageIcon::Warning:
            return Prompter::Icon::Warning;
        case MessageIcon::Error:
            return Prompter::Icon::Error;
        case MessageIcon::None:
            break;
    }
    return Prompter::Icon::None;
}

// An edit's text when its filter is switched on.
std::optional<std::string> FilterText(const QCheckBox* check, const QLineEdit* edit) {
    if (!check->isChecked()) {
        return std::nullopt;
    }
    return ToUtf8(edit->text());
}

}  // namespace

ModuleConfPage::ModuleConfPage(QWidget* parent)
    : QWidget(parent),
      m_c(ConfPageLayout::Build(this)),
      m_scanList(std::make_unique<ScanList>(m_c.scanList)),
      m_slotTable(std::make_unique<SlotTable>(m_c.slotRows)),
      m_comm(std::make_unique<sKW523Comm>()),
      m_runner(std::make_unique<ConfJobRunner>(*m_comm)) {
    m_worker = std::make_unique<ConfWorker>(
        [this](ConfJob job, const JobInputs& inputs) { return m_runner->Run(job, inputs); },
        [this](std::int32_t job, std::int32_t status) {
            // Worker thread: hand over only.
            QMetaObject::invokeMethod(
                this,
                [this, job, status, session = m_session.load()] {
                    if (session == m_session.load()) {
                        OnJobResult(job, status);
                    }
                },
                Qt::QueuedConnection);
        },
        [this](bool) {
            QMetaObject::invokeMethod(
                this, [this] { SyncCursor(); }, Qt::QueuedConnection);
        });
    m_worker->SetAbortHandler([this] { m_runner->WakeForAbort(); });
    m_runner->SetAbortCheck([this] { return m_worker->JobAborted(); });
    m_filterSettings = new FilterSettingsBinder(m_c.nameFilterCheck, m_c.nameFilter,
                                                m_c.rssiFilterCheck, m_c.rssiFilter, this);
    m_filterSettings->Load();
    FillUartLists();
    ModuleValuesView::MembersToControls(m_c, m_values);
    ConnectDeviceCommands();
    ConnectScanAndSlots();
    EnableControls(false);
    m_comm->m_onError = [this](const sKW523Comm* channel, std::error_code&) {
        OnCommError(channel);
    };
}

ModuleConfPage::~ModuleConfPage() {
    ClosePort();
}

void ModuleConfPage::FillUartLists() {
    for (const std::uint32_t rate : kBaudRates) {
        m_c.uartBaud->addItem(QString::number(rate), rate);
    }
    for (const ListEntry& entry : kFlowModes) {
        m_c.uartFlow->addItem(QString::fromLatin1(entry.text), entry.data);
    }
    m_c.uartBaud->setCurrentIndex(m_c.uartBaud->findData(kDefaultBaudRate));
    m_c.uartFlow->setCurrentIndex(m_c.uartFlow->findData(0u));
}

void ModuleConfPage::ConnectDeviceCommands() {
    connect(m_c.update, &QPushButton::clicked, this, &ModuleConfPage::OnUpdate);
    connect(m_c.changeName, &QPushButton::clicked, this, &ModuleConfPage::OnChangeName);
    connect(m_c.reboot, &QPushButton::clicked, this, &ModuleConfPage::OnReboot);
    connect(m_c.factoryReset, &QPushButton::clicked, this, &ModuleConfPage::OnFactoryReset);
    connect(m_c.uartApply, &QPushButton::clicked, this, &ModuleConfPage::OnApplyUart);
    connect(m_c.roleApply, &QPushButton::clicked, this, &ModuleConfPage::OnApplyRole);
    connect(m_c.autoConApply, &QPushButton::clicked, this, &ModuleConfPage::OnApplyAutoCon);
    for (const ConfPageControls::NumberEdit& number : m_c.numbers) {
        connect(number.apply, &QPushButton::clicked, this,
                [this, number] { OnApplyNumber(number); });
    }
}

void ModuleConfPage::ConnectScanAndSlots() {
    connect(m_c.scan, &QPushButton::clicked, this, &ModuleConfPage::OnScanClicked);
    connect(m_c.masterCopy, &QPushButton::clicked, this, &ModuleConfPage::OnMasterCopy);
    connect(m_c.masterRegister, &QPushButton::clicked, this, &ModuleConfPage::OnMasterRegister);
    connect(m_c.masterDelete, &QPushButton::clicked, this, &ModuleConfPage::OnMasterDelete);
    for (int slot = 1; slot <= static_cast<int>(kSlotCount); ++slot) {
        const auto& row = m_c.slotRows[static_cast<std::size_t>(slot - 1)];
        connect(row.copy, &QPushButton::clicked, this, [this, slot] { OnSlotCopy(slot); });
        connect(row.clear, &QPushButton::clicked, this, [this, slot] { m_slotTable->Empty(slot); });
    }
    connect(m_c.save, &QPushButton::clicked, this, &ModuleConfPage::OnSave);
}

// ---- Port and worker ----

std::error_code ModuleConfPage::OpenPort(const QString& portName, std::uint32_t baudRate,
                                         std::uint8_t flowControl) {
    const std::string name = WideToUtf8(portName.toStdU16String());
    if (const std::error_code error = m_comm->Open(name, PortSettings::At(baudRate, flowControl))) {
        return error;
    }
    m_portBaud = baudRate;
    m_worker->Start();
    PostJob(JOB_IDENTIFY);
    if (!m_worker->IsBusy()) {
        SetBusy(true);
        EnableControls(false);
    }
    return {};
}

void ModuleConfPage::ClosePort() {
    // No scan runs without a port; a new connection starts from "Scan".
    AbortJobs();
    m_comm->Close();
    m_worker->Stop();
    ClearDeviceInfo(true);
}

bool ModuleConfPage::IsPortOpen() const {
    return m_comm->IsOpen();
}

void ModuleConfPage::SendResetCommand() {
    if (!m_comm->IsOpen()) {
        return;
    }
    AbortJobs();
    m_comm->SendCommand("ATZ\r", KIND_RESET, kResetLimitMs);
}

void ModuleConfPage::AbortJobs() {
    m_profileRun.reset();
    m_worker->AbortRunningJob(kAbortLimit);
    // Results handed over before the abort are dropped when they arrive.
    ++m_session;
    m_quietScanStop = false;
    m_runner->SetScanState(SCAN_IDLE);
    SetScanCaption(ConfMessages::MSG_SCAN);
    EnableControls(false);
    SetBusy(false);
}

bool ModuleConfPage::StillConnected(std::uint32_t session) const {
    return session == m_session.load() && m_comm->IsOpen();
}

void ModuleConfPage::OnCommError(const sKW523Comm* channel) {
    // I/O thread: hand over only.
    if (channel != m_comm.get() || !m_comm->IsOpen()) {
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, session = m_session.load()] { OnPortError(session); }, Qt::QueuedConnection);
}

void ModuleConfPage::OnPortError(std::uint32_t session) {
    if (session != m_session.load() || !m_comm->IsOpen()) {
        return;
    }
    GiveUpPort(ConfMessages::MSG_PORT_ERROR);
}

void ModuleConfPage::PostJob(ConfJob job) {
    m_worker->PostJob(job, false);
}

void ModuleConfPage::PostJob(ConfJob job, const JobInputs& inputs) {
    m_worker->PostJob(job, false, inputs);
}

bool ModuleConfPage::PostSetting(ConfJob job, const CheckedInputs& checked) {
    if (const auto* refusal = std::get_if<InputRefusal>(&checked)) {
        const std::uint32_t session = m_session.load();
        Prompter::Ask(this, ConfMessages::RefusalText(*refusal), IconOf(refusal->icon));
        EnableControlsIfStillConnected(session);
        return false;
    }
    PostJob(job, std::get<JobInputs>(checked));
    return true;
}

// ---- Shared operations ----

void ModuleConfPage::EnableControls(bool enable) {
    const auto apply = [this](ControlGroup group, bool on) {
        for (const int id : ControlIdsOf(group)) {
            if (QWidget* control = m_c.ById(id)) {
                control->setEnabled(on);
            }
        }
    };
    apply(GRP_ALL_INPUTS, enable);
    apply(GRP_ALL_BUTTONS, enable);
    SetReady(enable && m_shownRead.has_value());
    if (!enable) {
        return;
    }
    const ControlGroupSet keptDisabled =
        GroupsKeptDisabled(m_runner->Model(), m_runner->Module().role);
    for (int group = 0; group < GRP_COUNT; ++group) {
        if (keptDisabled.test(static_cast<std::size_t>(group))) {
            apply(static_cast<ControlGroup>(group), false);
        }
    }
    setFocus();
}

void ModuleConfPage::ClearDeviceInfo(bool clearList) {
    m_shownRead.reset();
    ModuleValuesView::ShowFieldValue(m_c.model, {});
    ModuleValuesView::ShowFieldValue(m_c.firmware, {});
    ModuleValuesView::ShowFieldValue(m_c.address, {});
    m_c.deviceName->clear();
    if (clearList) {
        m_scanList->ClearItems();
    }
    m_c.masterAddress->clear();
    m_slotTable->ClearTexts();
}

void ModuleConfPage::SetBusy(bool busy) {
    m_worker->SetBusy(busy);
    SyncCursor();
}

void ModuleConfPage::SyncCursor() {
    if (m_worker->IsBusy()) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

Prompter::Answer ModuleConfPage::ShowMessage(ConfMessages::Id id, Prompter::Icon icon,
                                             Prompter::Buttons buttons) {
    return Prompter::Ask(this, ConfMessages::Text(id), icon, buttons);
}

void ModuleConfPage::ShowFilterError(const QString& text) {
    Prompter::Ask(this, text, Prompter::Icon::Error, Prompter::Buttons::Ok,
                  ConfMessages::FilterErrorCaption());
}

void ModuleConfPage::SetScanCaption(ConfMessages::Id caption) {
    m_c.scan->setText(ConfMessages::Text(caption));
    m_c.scan->setAccessibleName(m_c.scan->text());
}

void ModuleConfPage::ResetScanButton(ConfMessages::Id caption) {
    SetScanCaption(caption);
    m_c.scan->setEnabled(true);
    m_c.scan->setFocus();
}

// ---- Job results ----

void ModuleConfPage::OnJobResult(std::int32_t job, std::int32_t status) {
    SetBusy(false);
    switch (job) {
        case JOB_IDENTIFY:
            if (status == JOB_OK) {
                PostJob(ReadJobOf(m_runner->Model()));
            } else {
                GiveUp(status);
            }
            return;
        case JOB_READ_FULL:
        case JOB_READ_MASTER:
        case JOB_READ_SLAVE:
            if (status == JOB_OK) {
                ShowModuleValues(static_cast<ConfJob>(job));
            } else {
                GiveUp(status);
            }
            return;
        case JOB_REBOOT:
            EnableControls(false);
            BackToPortSettings();
            return;
        case JOB_FACTORY_RESET:
            BackToPortSettings();
            return;
        case JOB_SCAN_START:
        case JOB_SCAN_REPORT:
        case JOB_SCAN_STOP:
            OnScanJobResult(job, status);
            return;
        default:
            if (const SettingRow* setting = SettingRowOf(job); setting && m_profileRun) {
                OnProfileSettingResult(*setting, status);
            } else if (setting) {
                OnSettingResult(*setting, status);
            }
            return;
    }
}

void ModuleConfPage::OnScanJobResult(std::int32_t job, std::int32_t status) {
    const bool running = m_runner->GetScanState() == SCAN_RUNNING;
    if (job == JOB_SCAN_START && status == JOB_OK) {
        m_scanList->Reset();
        ResetScanButton(ConfMessages::MSG_STOP);
        if (running) {
            PostJob(JOB_SCAN_REPORT);
        }
    } else if (job == JOB_SCAN_REPORT && (status == JOB_OK || status == JOB_NO_REPORT)) {
        if (status == JOB_OK) {
            std::optional<std::int8_t> threshold;
            if (m_c.rssiFilterCheck->isChecked()) {
                threshold = InputRules::RssiThreshold(ToUtf8(m_c.rssiFilter->text()));
            }
            m_scanList->Add(m_runner->LastScanReport(), threshold);
        }
        if (running) {
            PostJob(JOB_SCAN_REPORT);
        }
    } else if (job == JOB_SCAN_STOP) {
        m_runner->SetScanState(SCAN_IDLE);
        ResetScanButton(ConfMessages::MSG_SCAN);
        // A stop after a read, like the read's own quiet stop, does not decide anything.
        const bool quiet = std::exchange(m_quietScanStop, false);
        if (quiet && m_profileRun) {
            ContinueProfileRun();
        } else if (status == JOB_OK || quiet) {
            EnableControls(true);
        } else {
            RestartIdentification(false);
        }
    } else {
        RestartIdentification(true);
    }
}

void ModuleConfPage::RestartIdentification(bool clearList) {
    EnableControls(false);
    ClearDeviceInfo(clearList);
    PostJob(JOB_IDENTIFY);
}

void ModuleConfPage::OnSettingResult(const SettingRow& setting, std::int32_t status) {
    if (status == JOB_NOT_CONFIRMED) {  // sent, but the restart that applies it never came
        ShowMessage(ConfMessages::MSG_UART_NOT_CONFIRMED, Prompter::Icon::Warning);
        BackToPortSettings();
        return;
    }
    if (status != JOB_OK) {
        ReportFailure(status, setting.failed);
        return;
    }
    const std::uint32_t session = m_session.load();
    ShowMessage(setting.done, IconOf(setting.doneIcon));
    if (!StillConnected(session)) {
        return;
    }
    switch (setting.then) {
        case AfterSetting::Identify:
            PostJob(JOB_IDENTIFY);
            break;
        case AfterSetting::EnableControls:
            EnableControls(true);
            break;
        case AfterSetting::Reconnect:
            BackToPortSettings();
            break;
    }
}

void ModuleConfPage::ShowModuleValues(ConfJob readJob) {
    const ModuleState dev = m_runner->Module();
    ModuleValuesView::Show(m_c, *m_slotTable, ValuesOf(dev, m_runner->Model(), readJob), m_portBaud,
                           m_values);
    m_shownRead = readJob;
    if (CanScan(m_runner->Model()) && dev.info.Scanning()) {
        StopModuleScan();  // the controls are enabled when the stop has run
        return;
    }
    if (m_profileRun) {
        ContinueProfileRun();
        return;
    }
    EnableControls(true);
}

void ModuleConfPage::StopModuleScan() {
    // On the worker, like every conversation with the module; its result enables the controls.
    m_quietScanStop = true;
    m_runner->SetScanState(SCAN_STOPPING);
    PostJob(JOB_SCAN_STOP);
    SetBusy(true);
}

void ModuleConfPage::GiveUp(std::int32_t status) {
    GiveUpPort(status == JOB_UNSUPPORTED ? ConfMessages::MSG_UNSUPPORTED
                                         : ConfMessages::MSG_NO_ANSWER);
}

void ModuleConfPage::GiveUpPort(ConfMessages::Id message) {
    ClosePort();
    ShowMessage(message, Prompter::Icon::Error);
    // The message box runs an event loop of its own, in which queued calls (a port dialog the
    // window was asked for earlier) may have opened the port again.
    BackToPortSettings();
}

void ModuleConfPage::BackToPortSettings() {
    if (m_comm->IsOpen()) {
        ClosePort();
    }
    Q_EMIT setupComPortRequested();
}

void ModuleConfPage::ReportFailure(std::int32_t status, ConfMessages::Id message) {
    m_profileRun.reset();
    EnableControls(false);
    ClearDeviceInfo(true);
    const std::uint32_t session = m_session.load();
    ShowMessage(status == JOB_UNSUPPORTED ? ConfMessages::MSG_UNSUPPORTED : message,
                Prompter::Icon::Error);
    if (StillConnected(session)) {
        PostJob(JOB_IDENTIFY);
    }
}

void ModuleConfPage::EnableControlsIfStillConnected(std::uint32_t session) {
    if (StillConnected(session)) {
        EnableControls(true);
    }
}

// ---- Device commands ----

void ModuleConfPage::OnUpdate() {
    if (!m_comm->IsOpen() || m_worker->IsBusy()) {
        return;
    }
    ClearDeviceInfo(true);
    PostJob(JOB_IDENTIFY);
    SetBusy(true);
    EnableControls(false);
}

void ModuleConfPage::OnChangeName() {
    EnableControls(false);
    PostSetting(JOB_SET_NAME, TypedInputs(JOB_SET_NAME, ToUtf8(m_c.deviceName->text())));
}

void ModuleConfPage::OnReboot() {
    EnableControls(false);
    PostJob(JOB_REBOOT);
}

void ModuleConfPage::OnFactoryReset() {
    EnableControls(false);
    const std::uint32_t session = m_session.load();
    const bool confirmed =
        ShowMessage(ConfMessages::MSG_FACTORY_RESET_QUESTION, Prompter::Icon::Question,
                    Prompter::Buttons::OkCancel) == Prompter::Answer::Ok;
    if (!StillConnected(session)) {
        return;
    }
    if (confirmed) {
        PostJob(JOB_FACTORY_RESET);
    } else {
        EnableControls(true);
    }
}

void ModuleConfPage::OnApplyUart() {
    EnableControls(false);
    JobInputs inputs;
    inputs.baudRate = m_c.uartBaud->currentData().toUInt();
    inputs.flowControl = m_c.uartFlow->currentData().toUInt();
    PostJob(JOB_SET_UART, inputs);
}

void ModuleConfPage::OnApplyRole() {
    EnableControls(false);
    ModuleValuesView::ControlsToMembers(m_c, m_values);
    JobInputs inputs;
    inputs.roleIndex = m_values.role;
    PostJob(JOB_SET_ROLE, inputs);
}

void ModuleConfPage::OnApplyAutoCon() {
    EnableControls(false);
    ModuleValuesView::ControlsToMembers(m_c, m_values);
    JobInputs inputs;
    inputs.autoConIndex = m_values.autoCon;
    PostJob(JOB_SET_AUTOCON, inputs);
}

void ModuleConfPage::OnApplyNumber(const ConfPageControls::NumberEdit& number) {
    EnableControls(false);
    PostSetting(number.job, TypedInputs(number.job, ToUtf8(number.edit->text())));
}

// ---- Scan, master device and slots ----

// Queued: the click finishes, and the disabled controls are drawn, before the toggle may show a
// filter message box or post the scan job.
void ModuleConfPage::OnScanClicked() {
    EnableControls(false);
    m_c.scan->setEnabled(false);
    QMetaObject::invokeMethod(this, &ModuleConfPage::OnScanToggle, Qt::QueuedConnection);
}

void ModuleConfPage::OnScanToggle() {
    if (!m_comm->IsOpen()) {
        return;
    }
    JobInputs inputs;
    if (m_runner->GetScanState() == SCAN_RUNNING) {
        m_runner->SetScanState(SCAN_STOPPING);
        // The report wait may last 3 s; it is cut short, and its result dropped.
        m_worker->AbortRunningJob(kAbortLimit);
        PostJob(JOB_SCAN_STOP);
    } else {
        const std::uint32_t session = m_session.load();
        if (!ScanFiltersValid()) {
            EnableControlsIfStillConnected(session);
            return;
        }
        inputs.nameFilterOn = m_c.nameFilterCheck->isChecked();
        if (inputs.nameFilterOn) {
            inputs.nameFilter = ToUtf8(m_c.nameFilter->text());
        }
        PostJob(JOB_SCAN_START, inputs);
    }
    if (!m_worker->IsBusy()) {
        SetBusy(true);
    }
}

bool ModuleConfPage::ScanFiltersValid() {
    switch (InputRules::CheckScanFilters(FilterText(m_c.rssiFilterCheck, m_c.rssiFilter),
                                         FilterText(m_c.nameFilterCheck, m_c.nameFilter))) {
        case InputRules::ScanFilterError::None:
            return true;
        case InputRules::ScanFilterError::RssiNotSet:
            ShowFilterError(ConfMessages::RssiNotSet());
            break;
        case InputRules::ScanFilterError::RssiNotNumber:
            ShowFilterError(ConfMessages::RssiNotNumber());
            break;
        case InputRules::ScanFilterError::NameTooLong:
            ShowFilterError(ConfMessages::NameFilterTooLong());
            break;
        case InputRules::ScanFilterError::NameNotAllowed:
            ShowFilterError(ConfMessages::Text(ConfMessages::MSG_TEXT_NOT_ALLOWED));
            break;
    }
    return false;
}

void ModuleConfPage::OnMasterCopy() {
    const auto selected = m_scanList->Selected();
    if (!selected) {
        ShowMessage(ConfMessages::MSG_NOTHING_SELECTED, Prompter::Icon::Error);
        return;
    }
    m_c.masterAddress->setText(selected->address);
}

void ModuleConfPage::OnMasterRegister() {
    EnableControls(false);
    PostSetting(JOB_SET_MASTER, TypedInputs(JOB_SET_MASTER, ToUtf8(m_c.masterAddress->text())));
}

void ModuleConfPage::OnMasterDelete() {
    EnableControls(false);
    m_c.masterAddress->clear();
    PostJob(JOB_DELETE_MASTER);
}

void ModuleConfPage::OnSlotCopy(int slot) {
    const auto selected = m_scanList->Selected();
    if (!selected) {
        ShowMessage(ConfMessages::MSG_NOTHING_SELECTED, Prompter::Icon::Error);
        return;
    }
    if (!m_slotTable->Assign(slot, selected->address, selected->name)) {
        ShowMessage(ConfMessages::MSG_ALREADY_IN_SLOT, Prompter::Icon::Error);
    }
}

void ModuleConfPage::OnSave() {
    EnableControls(false);
    const auto built = SlotRules::BuildWriteSlots(m_slotTable->Addresses(), m_slotTable->Names());
    const CheckedInputs checked =
        std::holds_alternative<InputRules::SaveError>(built)
            ? CheckedInputs(::RefusalOf(std::get<InputRules::SaveError>(built)))
            : CheckedInputs(JobInputs{.writeSlots = std::get<SlotArray>(built)});
    if (PostSetting(JOB_WRITE_SLOTS, checked) && !m_worker->IsBusy()) {
        SetBusy(true);
    }
}
