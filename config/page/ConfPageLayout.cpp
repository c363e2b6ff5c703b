#include "ConfPageLayout.h"

#include "CXGroupBox.h"
#include "ConfControlIds.h"
#include "ConfMessages.h"
#include "SectionFrame.h"
#include "UpperCaseValidator.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Room for twelve hex digits, or eight characters of a name, plus the frame of the edit.
int TextWidth(const QWidget* widget, const QString& sample) {
    return QFontMetrics(widget->font()).horizontalAdvance(sample) + 14;
}

// The "=>" and "X" buttons.
int NarrowButtonWidth(const QWidget* widget) {
    return QFontMetrics(widget->font()).horizontalAdvance(QStringLiteral("=>")) + 18;
}

}  // namespace

ConfPageControls ConfPageLayout::Build(QWidget* page) {
    ConfPageLayout layout(page);
    auto* left = new QVBoxLayout;
    left->addWidget(layout.DeviceInfoSection());
    left->addWidget(layout.UartSection());
    left->addWidget(layout.RoleSection());
    left->addWidget(layout.SlaveSection());
    left->addStretch(1);

    auto* columns = new QHBoxLayout(page);
    columns->addLayout(left);
    columns->addWidget(layout.MasterSection(), 1);
    return layout.m_c;
}

QWidget* ConfPageLayout::DeviceInfoSection() {
    QGroupBox* box = Section(0, kIdSectionDevice, tr("[ Device information ]"));
    const QString modelLabel = tr("Model name");
    const QString firmwareLabel = tr("Firmware ver.");
    const QString addressLabel = tr("Bluetooth addr.");
    m_c.model = Field(kIdModel, modelLabel);
    m_c.model->setAlignment(Qt::AlignCenter);
    m_c.firmware = Field(kIdFirmware, firmwareLabel);
    m_c.address = Field(kIdAddress, addressLabel);
    m_c.update = Button(kIdUpdate, tr("Update"));
    m_c.reboot = Button(kIdReboot, tr("Reboot"));
    m_c.factoryReset = Button(kIdFactoryReset, tr("Factory reset"));

    auto* grid = new QGridLayout(box);
    grid->addWidget(Label(modelLabel), 0, 0);
    grid->addWidget(m_c.model, 0, 1);
    grid->addWidget(Label(firmwareLabel), 1, 0);
    grid->addWidget(m_c.firmware, 1, 1);
    grid->addWidget(Label(addressLabel), 2, 0);
    grid->addWidget(m_c.address, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_c.update);
    buttons->addWidget(m_c.reboot);
    buttons->addWidget(m_c.factoryReset);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* ConfPageLayout::UartSection() {
    QGroupBox* box = Section(1, kIdSectionUart, tr("[ UART options ]"));
    const QString baudLabel = tr("Baudrate");
    const QString flowLabel = tr("Flow control");
    m_c.uartBaud = Add(new QComboBox(m_page), kIdUartBaud, baudLabel);
    m_c.uartFlow = Add(new QComboBox(m_page), kIdUartFlow, flowLabel);
    m_c.uartApply = Button(kIdUartApply, tr("Apply", "UART options"));

    auto* grid = new QGridLayout(box);
    grid->addWidget(Label(baudLabel), 0, 0);
    grid->addWidget(m_c.uartBaud, 0, 1);
    grid->addWidget(Label(flowLabel), 1, 0);
    grid->addWidget(m_c.uartFlow, 1, 1);
    grid->addWidget(m_c.uartApply, 1, 2);
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* ConfPageLayout::RoleSection() {
    QGroupBox* box = Section(2, kIdSectionRole, tr("[ Operation role ]"));
    m_c.roles = {Radio(kIdRoleSlave, tr("Slave")), Radio(kIdRoleMaster, tr("Master(1:1)")),
                 Radio(kIdRoleMultiAt, tr("Multi (AT Cmd.)")),
                 Radio(kIdRoleMultiBypass, tr("Multi (Bypass)"))};
    m_c.roleGroup = new QButtonGroup(m_page);
    for (int i = 0; i < static_cast<int>(m_c.roles.size()); ++i) {
        m_c.roleGroup->addButton(m_c.roles[i], i);
    }
    m_c.roleApply = Button(kIdRoleApply, tr("Apply"));

    auto* grid = new QGridLayout(box);
    grid->addWidget(m_c.roles[0], 0, 0);
    grid->addWidget(m_c.roles[1], 0, 1);
    grid->addWidget(m_c.roles[2], 1, 0);
    grid->addWidget(m_c.roles[3], 1, 1);
    grid->addWidget(m_c.roleApply, 1, 2);
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* ConfPageLayout::SlaveSection() {
    QGroupBox* box = Section(3, kIdSectionSlave, tr("[ Slave function ]"));
    const QString nameLabel = tr("Device name");
    const QString intervalLabel = tr("Adv. Interval");
    m_c.deviceName = Edit(kIdDeviceName, nameLabel);
    m_c.changeName = Button(kIdChangeName, tr("Change"));
    QLineEdit* interval = Edit(kIdAdvInterval, intervalLabel);
    interval->setAlignment(Qt::AlignRight);
    QPushButton* intervalApply = Button(kIdAdvApply, tr("Apply"));
    m_c.numbers.push_back({JOB_SET_ADV_INTERVAL, interval, intervalApply});

    auto* grid = new QGridLayout(box);
    grid->addWidget(Label(nameLabel), 0, 0);
    grid->addWidget(m_c.deviceName, 0, 1, 1, 2);
    grid->addWidget(m_c.changeName, 0, 3);
    grid->addWidget(Label(intervalLabel), 1, 0);
    grid->addWidget(interval, 1, 1);
    grid->addWidget(Label(tr("msec")), 1, 2);
    grid->addWidget(intervalApply, 1, 3);
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* ConfPageLayout::MasterSection() {
    QGroupBox* box = Section(4, kIdSectionMaster, tr("[ Master, multipoint function ]"));
    auto* right = new QVBoxLayout;
    right->addWidget(MasterDeviceFrame());
    right->addWidget(SlotsFrame(), 1);

    auto* columns = new QHBoxLayout;
    columns->addWidget(ScanFrame(), 1);
    columns->addLayout(right);

    auto* rows = new QVBoxLayout(box);
    rows->addWidget(AutoConRow());
    rows->addLayout(columns, 1);
    return box;
}

QWidget* ConfPageLayout::AutoConRow() {
    auto* row = new QWidget(m_page);
    m_c.autoCon = {Radio(kIdAutoConOff, tr("OFF")), Radio(kIdAutoConOn, tr("ON"))};
    m_c.autoConGroup = new QButtonGroup(m_page);
    m_c.autoConGroup->addButton(m_c.autoCon[0], 0);
    m_c.autoConGroup->addButton(m_c.autoCon[1], 1);
    m_c.autoConApply = Button(kIdAutoConApply, tr("Apply"));

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Label(tr("Automatic connection upon power-on")));
    layout->addSpacing(12);
    layout->addWidget(m_c.autoCon[0]);
    layout->addWidget(m_c.autoCon[1]);
    layout->addStretch(1);
    layout->addWidget(m_c.autoConApply);
    return row;
}

QWidget* ConfPageLayout::ScanFrame() {
    const QString title = tr("Device scan");
    auto* frame = new QGroupBox(title, m_page);
    frame->setObjectName(QStringLiteral("frameDeviceScan"));
    const QString nameFilterLabel = tr("Name filter");
    const QString rssiFilterLabel = tr("RSSI filter");
    m_c.nameFilterCheck =
        Add(new QCheckBox(nameFilterLabel, m_page), kIdNameFilterCheck, nameFilterLabel);
    m_c.nameFilter = Edit(kIdNameFilter, nameFilterLabel);
    m_c.rssiFilterCheck =
        Add(new QCheckBox(rssiFilterLabel, m_page), kIdRssiFilterCheck, rssiFilterLabel);
    m_c.rssiFilter = Edit(kIdRssiFilter, rssiFilterLabel);
    m_c.scan = Button(kIdScan, ConfMessages::Text(ConfMessages::MSG_SCAN));

    auto* list = Add(new QTableWidget(0, 3, m_page), kIdScanList, title);
    list->setHorizontalHeaderLabels({ConfMessages::Text(ConfMessages::MSG_COLUMN_ADDRESS),
                                     ConfMessages::Text(ConfMessages::MSG_COLUMN_NAME),
                                     ConfMessages::Text(ConfMessages::MSG_COLUMN_RSSI)});
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->horizontalHeader()->setSectionsClickable(false);
    list->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(QFontMetrics(list->font()).height() + 6);
    list->setColumnWidth(0, TextWidth(list, QStringLiteral("DDDDDDDDDDDD")));
    list->setColumnWidth(1, TextWidth(list, QStringLiteral("WWWWWWW")));
    list->setColumnWidth(2, TextWidth(list, QStringLiteral("-100")));
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->setWordWrap(false);
    m_c.scanList = list;

    auto* grid = new QGridLayout(frame);
    grid->addWidget(m_c.nameFilterCheck, 0, 0);
    grid->addWidget(m_c.nameFilter, 0, 1);
    grid->addWidget(m_c.rssiFilterCheck, 1, 0);
    grid->addWidget(m_c.rssiFilter, 1, 1);
    grid->addWidget(m_c.scan, 0, 2, 2, 1);
    m_c.scan->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    grid->addWidget(list, 2, 0, 1, 3);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);
    return frame;
}

QWidget* ConfPageLayout::MasterDeviceFrame() {
    auto* frame = new QGroupBox(tr("Reigster master device"), m_page);
    frame->setObjectName(QStringLiteral("frameMasterDevice"));
    m_c.masterCopy = Button(kIdMasterCopy, QStringLiteral("=>"), tr("Copy to master device"));
    m_c.masterCopy->setFixedWidth(NarrowButtonWidth(m_page));
    m_c.masterAddress = Edit(kIdMasterAddress, tr("Master device address"));
    m_c.masterAddress->setValidator(new UpperCaseValidator(m_c.masterAddress));
    m_c.masterAddress->setMinimumWidth(TextWidth(m_page, QStringLiteral("DDDDDDDDDDDD")));
    m_c.masterRegister = Button(kIdMasterRegister, tr("Reg."));
    m_c.masterDelete = Button(kIdMasterDelete, tr("Del."));

    auto* row = new QHBoxLayout(frame);
    row->addWidget(m_c.masterCopy);
    row->addWidget(m_c.masterAddress, 1);
    row->addWidget(m_c.masterRegister);
    row->addWidget(m_c.masterDelete);
    return frame;
}

QWidget* ConfPageLayout::SlotsFrame() {
    auto* frame = new QGroupBox(tr("Registerd devices"), m_page);
    frame->setObjectName(QStringLiteral("frameRegisteredDevices"));
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(3);
    grid->addWidget(Label(tr("Bluetooth address")), 0, 2, Qt::AlignCenter);
    for (int slot = 1; slot <= static_cast<int>(ConfPageControls::kSlotRows); ++slot) {
        AddSlotRow(grid, slot);
    }
    m_c.save = Button(kIdSave, tr("Save"));
    grid->addWidget(m_c.save, static_cast<int>(ConfPageControls::kSlotRows) + 1, 3, 1, 2);
    grid->setRowStretch(static_cast<int>(ConfPageControls::kSlotRows) + 2, 1);
    return frame;
}

void ConfPageLayout::AddSlotRow(QGridLayout* grid, int slot) {
    ConfPageControls::SlotRow& row = m_c.slotRows[static_cast<std::size_t>(slot - 1)];
    const QString number = QString::number(slot);
    row.number = Label(number);
    row.copy = Button(SlotCopyId(slot), QStringLiteral("=>"), tr("Copy to slot %1").arg(slot));
    row.address = Edit(SlotAddressId(slot), tr("Slot %1 address").arg(slot));
    row.address->setValidator(new UpperCaseValidator(row.address));
    row.address->setMinimumWidth(TextWidth(m_page, QStringLiteral("DDDDDDDDDDDD")));
    row.name = Edit(SlotNameId(slot), tr("Slot %1 name").arg(slot));
    row.name->setReadOnly(true);
    row.name->setMinimumWidth(TextWidth(m_page, QStringLiteral("WWWWWWW")));
    row.clear = Button(SlotClearId(slot), QStringLiteral("X"), tr("Empty slot %1").arg(slot));

    const int line = slot;
    grid->addWidget(row.number, line, 0, Qt::AlignRight);
    grid->addWidget(row.copy, line, 1);
    grid->addWidget(row.address, line, 2);
    grid->addWidget(row.name, line, 3);
    grid->addWidget(row.clear, line, 4);
    row.copy->setFixedWidth(NarrowButtonWidth(m_page));
    row.clear->setFixedWidth(NarrowButtonWidth(m_page));
}

CXGroupBox* ConfPageLayout::Section(int index, int id, const QString& title) {
    CXGroupBox* box = MakeSectionFrame(m_page, title, index == ConfPageControls::kSectionCount - 1);
    m_c.boxes[static_cast<std::size_t>(index)] = box;
    return Add(box, id, title);
}

template <class Control>
Control* ConfPageLayout::Add(Control* control, int id, const QString& accessibleName) {
    control->setObjectName(QString::number(id));
    control->setAccessibleName(accessibleName);
    m_c.byId.insert(id, control);
    return control;
}

QPushButton* ConfPageLayout::Button(int id, const QString& caption, const QString& accessibleName) {
    auto* button = new QPushButton(caption, m_page);
    button->setAutoDefault(false);
    return Add(button, id, accessibleName.isEmpty() ? caption.trimmed() : accessibleName);
}

QRadioButton* ConfPageLayout::Radio(int id, const QString& caption) {
    return Add(new QRadioButton(caption, m_page), id, caption);
}

QLineEdit* ConfPageLayout::Edit(int id, const QString& accessibleName) {
    return Add(new QLineEdit(m_page), id, accessibleName);
}

QLabel* ConfPageLayout::Field(int id, const QString& accessibleName) {
    auto* field = Add(new QLabel(m_page), id, accessibleName);
    field->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    field->setMinimumWidth(TextWidth(m_page, QStringLiteral("DDDDDDDDDDDDDD")));
    return field;
}

QLabel* ConfPageLayout::Label(const QString& text) {
    return new QLabel(text, m_page);
}
