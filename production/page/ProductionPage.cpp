#include "ProductionPage.h"

#include "AppSettings.h"
#include "EnumSerialPorts.h"
#include "FileAsker.h"
#include "NetworkChannel.h"
#include "PortPattern.h"
#include "ProfileFile.h"
#include "RecordStore.h"
#include "StationSetup.h"
#include "StationTile.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollArea>

#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include <cmath>

namespace {

// The records table keeps this many, the newest first.
constexpr int kRecordRows = 100;
// Tiles in a row.
// A FAIL flashes the tiles this many times.
constexpr int kFlashes = 6;

std::string Translate(const char* context, const char* source) {
    return QCoreApplication::translate(context, source).toStdString();
}

template <typename T>
T* Named(T* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

QString FieldsOf(const Profile& p) {
    QStringList fields;
    for (const std::string& field : FieldsIn(p)) {
        fields.append(QString::fromStdString(field));
    }
    return fields.join(QStringLiteral(", "));
}

QString SummaryOf(const Profile& p) {
    const QString any = ProductionPage::tr("(as the module has it)");
    QStringList lines;
    lines.append(
        ProductionPage::tr("Model: %1")
            .arg(p.model ? QString::fromStdString(*p.model) : ProductionPage::tr("(any)")));
    lines.append(ProductionPage::tr("Role: %1")
                     .arg(p.role && *p.role >= 0 && *p.role < static_cast<int>(kRoleNames.size())
                              ? QLatin1String(kRoleNames[static_cast<std::size_t>(*p.role)])
                              : any));
    lines.append(
        ProductionPage::tr("Name: %1").arg(p.name ? QString::fromStdString(*p.name) : any));
    const QString fields = FieldsOf(p);
    lines.append(ProductionPage::tr("Fields: %1")
                     .arg(fields.isEmpty() ? ProductionPage::tr("(none)") : fields));
    return lines.join(QLatin1Char('\n'));
}

QString ResultWord(UnitRecord::Result result) {
    switch (result) {
        case UnitRecord::Result::Pass:
            return StationTile::tr("PASS");
        case UnitRecord::Result::Fail:
            return StationTile::tr("FAIL");
        case UnitRecord::Result::Duplicate:
            return StationTile::tr("DUPLICATE");
    }
    return {};
}

// The port as a tile's neighbour reads it: a device's last name ("ttyUSB3"), a network port
// without its scheme ("host:4000").
QString ShortPortName(const QString& port) {
    const qsizetype scheme = port.indexOf(QStringLiteral("://"));
    if (scheme >= 0) {
        return port.mid(scheme + 3);
    }
    return port.section(QLatin1Char('/'), -1);
}

// A record's time (UTC, ISO 8601) as the local time of day; as stored when it cannot be read.
QString LocalTimeOfDay(const std::string& utc) {
    QDateTime time = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs);
    if (!time.isValid()) {
        return QString::fromStdString(utc);
    }
    return time.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

ProductionPage::ProductionPage(QWidget* parent)
    : QWidget(parent),
      m_runner(new StationRunner(this)),
      m_systemPorts([] { return QtSerialPorts(); }) {
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(CreateSetup());
    layout->addWidget(CreateRunArea(), 1);
    setMinimumSize(1100, 720);

    connect(m_runner, &StationRunner::opened, this, &ProductionPage::OnOpened,
            Qt::QueuedConnection);
    connect(m_runner, &StationRunner::portsListed, this, &ProductionPage::OnPortsListed,
            Qt::QueuedConnection);
    connect(m_runner, &StationRunner::unitStarted, this, &ProductionPage::OnUnitStarted,
            Qt::QueuedConnection);
    connect(m_runner, &StationRunner::unitProgress, this, &ProductionPage::OnUnitProgress,
            Qt::QueuedConnection);
    connect(m_runner, &StationRunner::unitRecorded, this, &ProductionPage::OnUnitRecorded,
            Qt::QueuedConnection);
    connect(m_runner, &StationRunner::counted, this, &ProductionPage::OnCounted,
            Qt::QueuedConnection);
    connect(
        m_runner, &StationRunner::storeWaiting, this,
        [this] { ShowStatus(tr("The line's database cannot be reached; waiting for it.")); },
        Qt::QueuedConnection);
    connect(m_runner, &StationRunner::finished, this, &ProductionPage::OnFinished,
            Qt::QueuedConnection);

    m_flashTimer = new QTimer(this);
    m_flashTimer->setInterval(250);
    connect(m_flashTimer, &QTimer::timeout, this, [this] {
        const bool on = (--m_flashesLeft % 2) == 1;
        m_tileArea->setStyleSheet(
            on ? QStringLiteral("#%1 { background: #ff4040; }").arg(QLatin1String(kIdTiles))
               : QString());
        if (m_flashesLeft <= 0) {
            m_flashTimer->stop();
            m_tileArea->setStyleSheet({});
        }
    });
    RefreshPortList();
    LoadFields();
    EnableControls();
}

void ProductionPage::LoadFields() {
    // All read before any is shown: showing one stores them all.
    const QString settingsFile = AppSettings::ProdSettingsFile();
    const bool ticked = AppSettings::ProdUseTickedPorts();
    const QString pattern = AppSettings::ProdPortPattern();
    const QStringList tickedPorts = AppSettings::ProdTickedPorts();
    const QString station = AppSettings::ProdStation();
    const QString operatorName = AppSettings::ProdOperator();
    const QString lot = AppSettings::ProdLot();
    const bool toLine = AppSettings::ProdRecordToLine();
    const QString address = AppSettings::ProdRecordAddress();

    m_pattern->setText(pattern);
    for (const QString& port : tickedPorts) {
        const QList<QListWidgetItem*> items = m_portList->findItems(port, Qt::MatchExactly);
        if (!items.isEmpty()) {
            items.front()->setCheckState(Qt::Checked);
        } else if (IsNetworkPort(port.toStdString())) {
            AddPortItem(port, true);  // a remote port is listed only once added
        }
    }
    (ticked ? m_useChosen : m_usePattern)->setChecked(true);
    m_station->setText(station);
    m_operator->setText(operatorName);
    m_lot->setText(lot);
    m_recordAddress->setText(address);
    (toLine ? m_recordOther : m_recordDefault)->setChecked(true);
    if (!settingsFile.isEmpty()) {
        LoadSettingsFile(settingsFile);
    }

    for (QLineEdit* edit : {m_pattern, m_station, m_operator, m_lot, m_recordAddress}) {
        connect(edit, &QLineEdit::textChanged, this, &ProductionPage::SaveFields);
    }
    connect(m_usePattern, &QRadioButton::toggled, this, &ProductionPage::SaveFields);
    connect(m_recordDefault, &QRadioButton::toggled, this, &ProductionPage::SaveFields);
    connect(m_portList, &QListWidget::itemChanged, this, &ProductionPage::SaveFields);
}

// The settings file is stored once it has been read (LoadSettingsFile).
void ProductionPage::SaveFields() const {
    AppSettings::SetProdUseTickedPorts(m_useChosen->isChecked());
    AppSettings::SetProdPortPattern(m_pattern->text());
    AppSettings::SetProdTickedPorts(ChosenPorts());
    AppSettings::SetProdStation(m_station->text());
    AppSettings::SetProdOperator(m_operator->text());
    AppSettings::SetProdLot(m_lot->text());
    AppSettings::SetProdRecordToLine(m_recordOther->isChecked());
    AppSettings::SetProdRecordAddress(m_recordAddress->text());
}

ProductionPage::~ProductionPage() {
    // The station goes first, while every widget its queued reports name is still whole.
    delete m_runner;
}

QWidget* ProductionPage::CreateSetup() {
    m_setup = new QWidget(this);
    m_setup->setFixedWidth(380);
    auto* column = new QVBoxLayout(m_setup);
    column->setContentsMargins(0, 0, 0, 0);

    auto* fileBox = new QGroupBox(tr("Settings file"), m_setup);
    auto* fileLayout = new QVBoxLayout(fileBox);
    auto* fileRow = new QHBoxLayout;
    m_settingsFile = Named(new QLineEdit(fileBox), kIdSettingsFile, tr("Settings file"));
    m_settingsFile->setPlaceholderText(tr("Type a path or choose a settings file"));
    m_chooseSettings = Named(new QPushButton(tr("Choose…"), fileBox), kIdChooseSettings,
                             tr("Choose settings file"));
    fileRow->addWidget(m_settingsFile, 1);
    fileRow->addWidget(m_chooseSettings);
    m_summary = Named(new QPlainTextEdit(fileBox), kIdSummary, tr("Settings file summary"));
    m_summary->setReadOnly(true);
    m_summary->setMaximumHeight(86);
    fileLayout->addLayout(fileRow);
    fileLayout->addWidget(m_summary);
    connect(m_chooseSettings, &QPushButton::clicked, this, &ProductionPage::OnChooseSettingsFile);
    connect(m_settingsFile, &QLineEdit::editingFinished, this,
            &ProductionPage::OnSettingsFileEdited);

    auto* portBox = new QGroupBox(tr("Ports"), m_setup);
    auto* portLayout = new QVBoxLayout(portBox);
    m_usePattern = Named(new QRadioButton(tr("Ports matching"), portBox), kIdUsePattern,
                         tr("Ports matching a pattern"));
    m_pattern = Named(new QLineEdit(QStringLiteral("*"), portBox), kIdPattern, tr("Port pattern"));
    auto* patternRow = new QHBoxLayout;
    patternRow->addWidget(m_usePattern);
    patternRow->addWidget(m_pattern, 1);
    m_useChosen = Named(new QRadioButton(tr("The ports ticked below"), portBox), kIdUseChosen,
                        tr("The ports ticked below"));
    m_portList = Named(new QListWidget(portBox), kIdPortList, tr("Fixture ports"));
    m_portList->setMaximumHeight(110);
    m_refreshPorts = Named(new QPushButton(tr("Refresh"), portBox), kIdRefreshPorts,
                           tr("Refresh the port list"));
    m_remotePort = Named(new QLineEdit(portBox), kIdRemotePort, tr("Remote port"));
    m_remotePort->setPlaceholderText(QStringLiteral("rfc2217://host:port"));
    m_addRemote = Named(new QPushButton(tr("Add"), portBox), kIdAddRemote, tr("Add remote port"));
    auto* remoteRow = new QHBoxLayout;
    remoteRow->addWidget(m_remotePort, 1);
    remoteRow->addWidget(m_addRemote);
    remoteRow->addWidget(m_refreshPorts);
    auto* portChoice = new QButtonGroup(portBox);
    portChoice->addButton(m_usePattern);
    portChoice->addButton(m_useChosen);
    m_usePattern->setChecked(true);
    portLayout->addLayout(patternRow);
    portLayout->addWidget(m_useChosen);
    portLayout->addWidget(m_portList);
    portLayout->addLayout(remoteRow);
    connect(m_refreshPorts, &QPushButton::clicked, this, &ProductionPage::RefreshPortList);
    connect(m_addRemote, &QPushButton::clicked, this, &ProductionPage::OnAddRemotePort);
    connect(m_remotePort, &QLineEdit::returnPressed, this, &ProductionPage::OnAddRemotePort);

    auto* whoBox = new QGroupBox(tr("Station"), m_setup);
    auto* whoLayout = new QFormLayout(whoBox);
    m_station = Named(new QLineEdit(whoBox), kIdStation, tr("Station"));
    m_station->setPlaceholderText(QString::fromStdString(StationPlatform::HostName()));
    m_operator = Named(new QLineEdit(whoBox), kIdOperator, tr("Operator"));
    m_lot = Named(new QLineEdit(whoBox), kIdLot, tr("Lot"));
    whoLayout->addRow(tr("Station"), m_station);
    whoLayout->addRow(tr("Operator"), m_operator);
    whoLayout->addRow(tr("Lot"), m_lot);

    auto* recordBox = new QGroupBox(tr("Record"), m_setup);
    auto* recordLayout = new QVBoxLayout(recordBox);
    const QString defaultPath = QString::fromStdString(DefaultRecordAddress().substr(7));
    m_recordDefault = Named(new QRadioButton(tr("This station's database (SQLite)"), recordBox),
                            kIdRecordDefault, tr("This station's database (SQLite)"));
    m_recordDefault->setToolTip(defaultPath);
    auto* defaultLabel = new QLabel(defaultPath, recordBox);
    defaultLabel->setTextFormat(Qt::PlainText);
    defaultLabel->setWordWrap(true);
    defaultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_recordOther = Named(new QRadioButton(tr("The line's database"), recordBox), kIdRecordOther,
                          tr("The line's database"));
    m_recordAddress = Named(new QLineEdit(recordBox), kIdRecordAddress, tr("Database address"));
    m_recordAddress->setPlaceholderText(QStringLiteral("postgresql://user@host/database"));
    auto* recordChoice = new QButtonGroup(recordBox);
    recordChoice->addButton(m_recordDefault);
    recordChoice->addButton(m_recordOther);
    m_recordDefault->setChecked(true);
    recordLayout->addWidget(m_recordDefault);
    recordLayout->addWidget(defaultLabel);
    recordLayout->addWidget(m_recordOther);
    recordLayout->addWidget(m_recordAddress);

    column->addWidget(fileBox);
    column->addWidget(portBox);
    column->addWidget(whoBox);
    column->addWidget(recordBox);
    column->addStretch();
    connect(m_usePattern, &QRadioButton::toggled, this, &ProductionPage::EnableControls);
    connect(m_recordDefault, &QRadioButton::toggled, this, &ProductionPage::EnableControls);
    return m_setup;
}

QWidget* ProductionPage::CreateRunArea() {
    auto* area = new QWidget(this);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);

    auto* controlRow = new QHBoxLayout;
    m_start = Named(new QPushButton(tr("Start"), area), kIdStart, tr("Start"));
    m_stop = Named(new QPushButton(tr("Stop"), area), kIdStop, tr("Stop"));
    QFont big = m_start->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    m_start->setFont(big);
    m_stop->setFont(big);
    m_start->setMinimumHeight(44);
    m_stop->setMinimumHeight(44);
    m_status = Named(new QLabel(area), kIdStatus, tr("Station status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    controlRow->addWidget(m_start);
    controlRow->addWidget(m_stop);
    controlRow->addWidget(m_status, 1);
    // The alarms are the operator's at any time, also during a run.
    m_flashOnFail =
        Named(new QCheckBox(tr("Flash on FAIL"), area), kIdFlashOnFail, tr("Flash on FAIL"));
    m_soundOnFail =
        Named(new QCheckBox(tr("Sound on FAIL"), area), kIdSoundOnFail, tr("Sound on FAIL"));
    controlRow->addWidget(m_flashOnFail);
    controlRow->addWidget(m_soundOnFail);
    // Keys as a debugger's: F5 runs, Shift+F5 stops (again: stops now).
    m_start->setShortcut(QKeySequence(Qt::Key_F5));
    m_stop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    m_start->setToolTip(tr("Start (F5)"));
    m_stop->setToolTip(tr("Stop (Shift+F5)"));
    connect(m_start, &QPushButton::clicked, this, &ProductionPage::OnStart);
    connect(m_stop, &QPushButton::clicked, this, &ProductionPage::RequestStop);

    auto* serialRow = new QHBoxLayout;
    auto* serialLabel = new QLabel(tr("Serial scan"), area);
    m_serial = Named(new QLineEdit(area), kIdSerial, tr("Serial scan"));
    m_serial->setPlaceholderText(tr("Scan a serial number, then plug the unit in"));
    serialLabel->setBuddy(m_serial);
    m_serialTarget = Named(new QComboBox(area), kIdSerialTarget, tr("Serial number for"));
    m_serialTarget->addItem(tr("The next unit"), QString());
    m_serialQueue = Named(new QLabel(area), kIdSerialQueue, tr("Serial numbers waiting"));
    m_serialQueue->setTextFormat(Qt::PlainText);
    serialRow->addWidget(serialLabel);
    serialRow->addWidget(m_serial, 1);
    serialRow->addWidget(m_serialTarget);
    serialRow->addWidget(m_serialQueue, 1);
    connect(m_serial, &QLineEdit::returnPressed, this, &ProductionPage::OnSerialEntered);

    m_tileArea = Named(new QWidget, kIdTiles, tr("Fixture"));
    m_tileGrid = new QGridLayout(m_tileArea);
    m_tileGrid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* scroll = new QScrollArea(area);
    m_tileScroll = scroll;
    scroll->setWidget(m_tileArea);
    scroll->setWidgetResizable(true);
    scroll->setMinimumHeight(340);

    auto* countRow = new QHBoxLayout;
    const auto count = [&](QLabel*& label, const char* name, const QString& accessible) {
        label = Named(new QLabel(area), name, accessible);
        label->setTextFormat(Qt::PlainText);
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 1.3);
        label->setFont(font);
        countRow->addWidget(label);
    };
    count(m_units, kIdUnits, tr("Units"));
    count(m_pass, kIdPass, tr("PASS"));
    count(m_fail, kIdFail, tr("FAIL"));
    count(m_yield, kIdYield, tr("First-pass yield"));
    count(m_perHour, kIdPerHour, tr("Units per hour"));
    countRow->addStretch();
    OnCounted({});

    m_records = Named(new QTableWidget(0, 7, area), kIdRecords, tr("Last records"));
    m_records->setHorizontalHeaderLabels({tr("Time"), tr("Port"), tr("Result"), tr("Name"),
                                          tr("Address"), tr("Serial"), tr("Reason")});
    m_records->horizontalHeader()->setStretchLastSection(true);
    // The short columns as wide as what they hold, never cut.
    for (int column = 0; column < 6; ++column) {
        m_records->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    m_records->verticalHeader()->hide();
    m_records->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_records->setSelectionBehavior(QAbstractItemView::SelectRows);

    column->addLayout(controlRow);
    column->addLayout(serialRow);
    column->addWidget(scroll, 3);
    column->addLayout(countRow);
    column->addWidget(m_records, 2);
    return area;
}

bool ProductionPage::LoadSettingsFile(const QString& path) {
    auto read = ReadProfileFile(path.toStdString());
    if (const auto* error = std::get_if<ProfileFileError>(&read)) {
        const SessionTexts texts(Translate);
        m_profile.reset();
        m_profilePath.clear();
        m_settingsFile->setText(path);
        m_summary->setPlainText(
            QString::fromStdString(texts(error->text, {error->arg1, error->arg2})));
        EnableControls();
        return false;
    }
    m_profile = std::get<Profile>(read);
    m_profilePath = path;
    m_settingsFile->setText(path);
    m_summary->setPlainText(SummaryOf(*m_profile));
    AppSettings::SetProdSettingsFile(path);
    EnableControls();
    return true;
}

void ProductionPage::OnChooseSettingsFile() {
    FileAsker::Request request;
    request.purpose = FileAsker::Purpose::Open;
    request.caption = tr("Settings file for the station");
    request.path = m_profilePath.isEmpty() ? QDir::homePath() : m_profilePath;
    request.filters = {tr("Settings files (*.json)"), tr("All files (*)")};
    const std::optional<FileAsker::Answer> answer = FileAsker::Ask(this, request);
    // The dialog's own event loop may have let a run start.
    if (answer && !answer->path.isEmpty() && !IsRunning()) {
        LoadSettingsFile(answer->path);
    }
}

// A typed or pasted path is read as a chosen one is, once the user leaves the field or presses
// Enter.
void ProductionPage::OnSettingsFileEdited() {
    const QString path = m_settingsFile->text().trimmed();
    if (IsRunning() || path.isEmpty() || (m_profile && path == m_profilePath)) {
        return;
    }
    LoadSettingsFile(path);
}

void ProductionPage::RefreshPortList() {
    QStringList ticked = ChosenPorts();
    QStringList remote;
    for (int i = 0; i < m_portList->count(); ++i) {
        const QString port = m_portList->item(i)->text();
        if (IsNetworkPort(port.toStdString())) {
            remote.append(port);
        }
    }
    m_portList->clear();
    QStringList ports = EnumSerialPorts(m_systemPorts(), VirtualSerialPortFolder());
    ports.append(remote);
    for (const QString& port : ports) {
        AddPortItem(port, ticked.contains(port));
    }
}

void ProductionPage::AddPortItem(const QString& port, bool ticked) {
    auto* item = new QListWidgetItem(port);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    m_portList->addItem(item);
}

void ProductionPage::OnAddRemotePort() {
    const QString port = m_remotePort->text().trimmed();
    if (!NetworkPortName::Parse(port.toStdString())) {
        ShowStatus(tr("A remote port starts with rfc2217:// or socket://."));
        return;
    }
    if (m_portList->findItems(port, Qt::MatchExactly).isEmpty()) {
        AddPortItem(port, true);
    }
    m_remotePort->clear();
    m_useChosen->setChecked(true);
}

QStringList ProductionPage::ChosenPorts() const {
    QStringList ports;
    for (int i = 0; i < m_portList->count(); ++i) {
        if (m_portList->item(i)->checkState() == Qt::Checked) {
            ports.append(m_portList->item(i)->text());
        }
    }
    return ports;
}

void ProductionPage::OnStart() {
    if (IsRunning()) {
        return;
    }
    if (!m_profile) {
        ShowStatus(tr("Choose a settings file first."));
        return;
    }
    StationRunner::Run run;
    run.profile = *m_profile;
    run.request.file = m_profilePath.toStdString();
    if (m_useChosen->isChecked()) {
        const QStringList chosen = ChosenPorts();
        if (chosen.isEmpty()) {
            ShowStatus(tr("Tick the ports of the fixture first."));
            return;
        }
        for (const QString& port : chosen) {
            run.chosenPorts.push_back(port.toStdString());
        }
    } else {
        if (m_pattern->text().trimmed().isEmpty()) {
            ShowStatus(tr("Give a port pattern first."));
            return;
        }
        run.request.portPattern = m_pattern->text().trimmed().toStdString();
    }
    const auto optionalText = [](QLineEdit* edit) -> std::optional<std::string> {
        const QString text = edit->text().trimmed();
        return text.isEmpty() ? std::nullopt : std::optional(text.toStdString());
    };
    run.request.station = optionalText(m_station);
    run.request.operatorName = optionalText(m_operator);
    run.request.lot = optionalText(m_lot);
    if (m_recordOther->isChecked()) {
        const QString address = m_recordAddress->text().trimmed();
        if (address.isEmpty()) {
            ShowStatus(tr("Give the line's database address first."));
            return;
        }
        run.request.record = address.toStdString();
    }
    run.listPorts = [source = m_systemPorts] {
        std::vector<std::string> ports;
        for (const QString& port : EnumSerialPorts(source(), VirtualSerialPortFolder())) {
            ports.push_back(port.toStdString());
        }
        return ports;
    };

    // A new run starts with an empty fixture view and its own counts.
    for (auto& [port, tile] : m_tiles) {
        delete tile;
    }
    m_tiles.clear();
    m_records->setRowCount(0);
    OnCounted({});
    m_firstListing = true;
    m_watchPattern = run.request.portPattern;
    for (const std::string& port : run.chosenPorts) {
        TileFor(QString::fromStdString(port));
    }
    m_runner->Start(std::move(run));
    ShowStatus(tr("Opening the record…"));
    EnableControls();
    Q_EMIT runningChanged(true);
}

void ProductionPage::RequestStop() {
    if (!IsRunning()) {
        return;
    }
    if (m_runner->StopLevel() == 0) {
        m_runner->Stop(1);
        ShowStatus(
            tr("Stopping: no new unit starts; the running ones finish. Stop again to "
               "end them now."));
    } else {
        m_runner->Stop(2);
        ShowStatus(tr("Stopping: the running units end at their next safe point."));
    }
    EnableControls();
}

bool ProductionPage::IsRunning() const {
    return m_runner->IsRunning();
}

void ProductionPage::OnSerialEntered() {
    const QString serial = m_serial->text().trimmed();
    m_serial->clear();
    if (serial.isEmpty()) {
        return;
    }
    m_runner->QueueSerial(serial.toStdString(),
                          m_serialTarget->currentData().toString().toStdString());
    m_serialTarget->setCurrentIndex(0);
    UpdateSerialQueue();
}

void ProductionPage::UpdateSerialQueue() {
    QStringList serials;
    for (const std::string& serial : m_runner->QueuedSerials()) {
        serials.append(QString::fromStdString(serial));
    }
    const QString text =
        serials.isEmpty() ? QString() : tr("Waiting: %1").arg(serials.join(QStringLiteral(", ")));
    m_serialQueue->setText(text);
    m_serialQueue->setAccessibleDescription(text);
}

void ProductionPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOutTiles();
}

void ProductionPage::LayOutTiles() {
    const int spacing = std::max(m_tileGrid->horizontalSpacing(), 0);
    const QMargins margins = m_tileGrid->contentsMargins();
    const int room = m_tileScroll->viewport()->width() - margins.left() - margins.right();
    const int tileWidth = StationTile::kMinimumWidth + spacing;
    const int columns = std::max(1, (room + spacing) / tileWidth);
    if (columns == m_tileColumns) {
        return;
    }
    m_tileColumns = columns;
    int index = 0;
    for (const auto& [name, each] : m_tiles) {
        m_tileGrid->removeWidget(each);
        m_tileGrid->addWidget(each, index / columns, index % columns);
        ++index;
    }
}

void ProductionPage::OnOpened(const QString& record) {
    ShowStatus(tr("Recording into %1. Plug modules into the fixture.").arg(record));
}

StationTile* ProductionPage::TileFor(const QString& port) {
    if (const auto found = m_tiles.find(port); found != m_tiles.end()) {
        return found->second;
    }
    auto* tile = new StationTile(port, m_tileArea);
    connect(tile, &StationTile::transcriptRequested, this, &ProductionPage::ShowTranscript);
    m_tiles.emplace(port, tile);
    m_tileColumns = 0;  // laid out again, in port order
    LayOutTiles();
    tile->show();
    if (m_serialTarget->findData(port) < 0) {
        m_serialTarget->addItem(port, port);
    }
    return tile;
}

// The system lists every port; a tile is only for one the station watches.
void ProductionPage::OnPortsListed(const QStringList& listed) {
    QStringList ports;
    for (const QString& port : listed) {
        if (m_watchPattern.empty() || MatchesPortList(m_watchPattern, port.toStdString())) {
            ports.append(port);
        }
    }
    for (const QString& port : ports) {
        StationTile* tile = TileFor(port);
        if (m_firstListing) {
            tile->ShowPresent();
        } else if (tile->CurrentState() == StationTile::State::Absent) {
            // Only a port that appears is new to the station; one there since the start
            // waits to be plugged in again.
            tile->ShowWaiting();
        }
    }
    for (auto& [port, tile] : m_tiles) {
        if (!ports.contains(port) && (tile->CurrentState() == StationTile::State::Waiting ||
                                      tile->CurrentState() == StationTile::State::Present)) {
            tile->ShowAbsent();
        }
    }
    m_firstListing = false;
}

void ProductionPage::OnUnitStarted(const QString& port, unsigned attempt, const QString& serial) {
    TileFor(port)->ShowStarted(attempt, serial);
    UpdateSerialQueue();
}

void ProductionPage::OnUnitProgress(const QString& port, const ApplyProgress& progress) {
    TileFor(port)->ShowProgress(progress);
}

void ProductionPage::OnUnitRecorded(const UnitRecord& record) {
    TileFor(QString::fromStdString(record.port))->ShowRecord(record);
    m_records->insertRow(0);
    const QStringList cells = {LocalTimeOfDay(record.time),
                               ShortPortName(QString::fromStdString(record.port)),
                               ResultWord(record.result),
                               QString::fromStdString(record.name),
                               QString::fromStdString(record.address),
                               QString::fromStdString(record.serial),
                               QString::fromStdString(record.reason)};
    for (int column = 0; column < cells.size(); ++column) {
        m_records->setItem(0, column, new QTableWidgetItem(cells[column]));
    }
    m_records->item(0, 0)->setToolTip(QString::fromStdString(record.time));
    m_records->item(0, 1)->setToolTip(QString::fromStdString(record.port));
    if (m_records->rowCount() > kRecordRows) {
        m_records->setRowCount(kRecordRows);
    }
    if (record.result == UnitRecord::Result::Fail) {
        SignalFailure();
    }
}

void ProductionPage::OnCounted(const StationSummary& summary) {
    const auto show = [](QLabel* label, const QString& caption, const QString& value) {
        label->setText(QStringLiteral("%1: %2").arg(caption, value));
        label->setAccessibleName(label->text());
    };
    show(m_units, tr("Units"), QString::number(summary.units));
    show(m_pass, tr("PASS"), QString::number(summary.pass));
    show(m_fail, tr("FAIL"), QString::number(summary.fail));
    show(m_yield, tr("First-pass yield"),
         QStringLiteral("%1 %").arg(summary.FirstPassYield() * 100, 0, 'f', 1));
    show(m_perHour, tr("Units per hour"),
         QString::number(static_cast<long>(std::lround(summary.UnitsPerHour()))));
}

void ProductionPage::OnFinished(const QString& problem) {
    // Ports not configured in this run show no module any more.
    for (auto& [port, tile] : m_tiles) {
        if (tile->CurrentState() == StationTile::State::Waiting ||
            tile->CurrentState() == StationTile::State::Present ||
            tile->CurrentState() == StationTile::State::Configuring) {
            tile->ShowAbsent();
        }
    }
    ShowStatus(problem.isEmpty() ? tr("Stopped.") : problem);
    EnableControls();
    Q_EMIT runningChanged(false);
    Q_EMIT runFinished();
}

void ProductionPage::SignalFailure() {
    if (m_soundOnFail->isChecked()) {
        QApplication::beep();
    }
    if (m_flashOnFail->isChecked()) {
        m_flashesLeft = kFlashes;
        m_flashTimer->start();
    }
}

bool ProductionPage::IsFlashing() const {
    return m_flashTimer->isActive();
}

void ProductionPage::ShowTranscript(StationTile* tile) {
    delete m_transcript;
    auto* window = new QDialog(this);
    window->setObjectName(QLatin1String(kIdTranscript));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(tr("Transcript of %1").arg(tile->Port()));
    auto* layout = new QVBoxLayout(window);
    auto* reason = new QLabel(tile->Reason(), window);
    reason->setTextFormat(Qt::PlainText);
    reason->setWordWrap(true);
    auto* text = new QPlainTextEdit(tile->Transcript(), window);
    text->setReadOnly(true);
    text->setAccessibleName(tr("Transcript of %1").arg(tile->Port()));
    auto* close = new QPushButton(tr("Close"), window);
    close->setAccessibleName(close->text());
    connect(close, &QPushButton::clicked, window, &QDialog::close);
    layout->addWidget(reason);
    layout->addWidget(text);
    layout->addWidget(close);
    window->resize(640, 420);
    m_transcript = window;
    connect(window, &QObject::destroyed, this, [this, window] {
        if (m_transcript == window) {
            m_transcript = nullptr;
        }
    });
    window->show();  // not modal: the station goes on and the tiles stay readable
}

QWidget* ProductionPage::TranscriptWindow() const {
    return m_transcript;
}

void ProductionPage::EnableControls() {
    const bool running = IsRunning();
    m_setup->setEnabled(!running);
    m_pattern->setEnabled(m_usePattern->isChecked());
    m_recordAddress->setEnabled(m_recordOther->isChecked());
    m_start->setEnabled(!running && m_profile.has_value());
    m_stop->setEnabled(running);
    m_stop->setText(running && m_runner->StopLevel() > 0 ? tr("Stop now") : tr("Stop"));
    m_stop->setAccessibleName(m_stop->text());
}

void ProductionPage::ShowStatus(const QString& text) {
    m_status->setText(text);
    m_status->setAccessibleDescription(text);
}

QString ProductionPage::StatusText() const {
    return m_status->text();
}

StationTile* ProductionPage::Tile(const QString& port) const {
    const auto found = m_tiles.find(port);
    return found == m_tiles.end() ? nullptr : found->second;
}

QList<StationTile*> ProductionPage::Tiles() const {
    QList<StationTile*> tiles;
    for (const auto& [port, tile] : m_tiles) {
        tiles.append(tile);
    }
    return tiles;
}
