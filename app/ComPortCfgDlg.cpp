#include "ComPortCfgDlg.h"

#include "AppSettings.h"
#include "Artwork.h"
#include "BaudRates.h"
#include "EnumSerialPorts.h"
#include "NetworkChannel.h"
#include "Prompter.h"
#include "SortedComboBox.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kFlowNone = 0;
constexpr int kFlowHardware = 2;
constexpr std::uint8_t kNoFlowSelected = 255;

// Labels sit beside their list and name it for assistive tools.
QLabel* AddLabelled(QHBoxLayout* row, const QString& caption, QComboBox* combo) {
    auto* label = new QLabel(caption);
    label->setAlignment(Qt::AlignCenter);
    label->setBuddy(combo);
    combo->setAccessibleName(caption.trimmed());
    row->addWidget(label);
    row->addWidget(combo);
    return label;
}

void Remember(const QString& port) {
    QStringList remembered = AppSettings::RemotePorts();
    remembered.removeAll(port);
    remembered.prepend(port);
    AppSettings::SetRemotePorts(remembered.mid(0, ComPortCfgDlg::kRememberedRemotePorts));
}

void Identify(QWidget* widget, int id, const QString& name) {
    widget->setObjectName(QString::number(id));
    widget->setAccessibleName(name);
}

}  // namespace

ComPortCfgDlg::ComPortCfgDlg(QWidget* parent)
    : QDialog(parent), m_systemPorts([] { return QtSerialPorts(); }) {
    setWindowTitle(tr("COM port settings for communication with device"));
    setWindowIcon(Artwork::AppIcon());
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(CreatePortRow());
    layout->addLayout(CreateModeRow());
    layout->addLayout(CreateButtonRow());
}

QLayout* ComPortCfgDlg::CreatePortRow() {
    m_cbPort = new SortedComboBox(this);
    m_cbPort->setObjectName(QString::number(kIdPort));
    m_cbPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_cbPort->setEditable(true);
    m_cbPort->setInsertPolicy(QComboBox::NoInsert);
    m_cbPort->setMinimumContentsLength(14);
    m_cbPort->setToolTip(
        tr("A port of this computer, or one exported over the network: rfc2217://host:port "
           "or socket://host:port"));
    connect(m_cbPort, &SortedComboBox::DroppingDown, this, &ComPortCfgDlg::RefreshPortList);
    m_cbBaudRate = new QComboBox(this);
    m_cbBaudRate->setObjectName(QString::number(kIdBaudRate));
    m_cbFlowControl = new SortedComboBox(this);
    m_cbFlowControl->setObjectName(QString::number(kIdFlowControl));

    auto* row = new QHBoxLayout;
    AddLabelled(row, tr("Com port"), m_cbPort);
    m_cbPort->lineEdit()->setAccessibleName(m_cbPort->accessibleName());
    AddLabelled(row, tr("Baudrate"), m_cbBaudRate);
    AddLabelled(row, tr("Flow control"), m_cbFlowControl)
        ->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return row;
}

QLayout* ComPortCfgDlg::CreateModeRow() {
    auto* configurator = new QRadioButton(tr("Configurator"), this);
    Identify(configurator, kIdConfigurator, configurator->text());
    auto* terminal = new QRadioButton(tr("Terminal"), this);
    Identify(terminal, kIdTerminal, terminal->text());
    auto* production = new QRadioButton(tr("Production"), this);
    production->setObjectName(QLatin1String(kIdProduction));
    production->setAccessibleName(production->text());
    m_modeButtons = new QButtonGroup(this);
    m_modeButtons->addButton(configurator, 0);
    m_modeButtons->addButton(terminal, 1);
    m_modeButtons->addButton(production, 2);
    connect(m_modeButtons, &QButtonGroup::idClicked, this, &ComPortCfgDlg::OnModeClicked);

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(configurator);
    row->addSpacing(24);
    row->addWidget(terminal);
    row->addSpacing(24);
    row->addWidget(production);
    row->addStretch();
    return row;
}

QLayout* ComPortCfgDlg::CreateButtonRow() {
    auto* ok = new QPushButton(tr("OK"), this);
    Identify(ok, kIdOk, ok->text());
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ComPortCfgDlg::accept);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    Identify(cancel, kIdCancel, cancel->text());
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &ComPortCfgDlg::reject);

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addSpacing(24);
    row->addWidget(cancel);
    row->addStretch();
    return row;
}

ComPortSettings ComPortCfgDlg::Settings() const {
    return {m_strPort, m_nBaudRate, m_nFlowControl, m_nOpMode};
}

void ComPortCfgDlg::SetSystemPortSource(PortSource source) {
    m_systemPorts = std::move(source);
}

void ComPortCfgDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        LoadSettings();
    }
    QDialog::showEvent(event);
}

void ComPortCfgDlg::LoadSettings() {
    RefreshPortList();
    LoadBaudRates();
    LoadFlowControls();
    LoadOpMode();
}

void ComPortCfgDlg::RefreshPortList() {
    // A network port typed but not yet confirmed stays; a listed entry picked but not confirmed
    // goes back to the stored one, as the list is rebuilt.
    const QString typed = m_cbPort->currentText().trimmed();
    const bool keepTyped = IsNetworkPort(typed.toStdString()) && m_cbPort->findText(typed) < 0;
    m_portList = EnumSerialPorts(m_systemPorts(), VirtualSerialPortFolder());
    m_cbPort->clear();
    const QString stored = AppSettings::ComPort();
    bool matched = false;
    for (const QString& name : AppSettings::RemotePorts()) {
        if (IsNetworkPort(name.toStdString()) && !m_portList.contains(name)) {
            m_portList.append(name);
        }
    }
    for (const QString& name : m_portList) {
        const int index = m_cbPort->AddString(name);
        if (name == stored) {
            // The entry stays selected while later ones are sorted in before it.
            m_cbPort->setCurrentIndex(index);
            m_strPort = name;
            matched = true;
        }
    }
    if (!matched) {
        const int preferred = m_preferredPort.isEmpty() ? -1 : m_cbPort->findText(m_preferredPort);
        m_cbPort->setCurrentIndex(preferred >= 0 ? preferred : (m_cbPort->count() > 0 ? 0 : -1));
        m_strPort = m_cbPort->currentText();
    }
    if (keepTyped) {
        m_cbPort->setEditText(typed);
    }
}

void ComPortCfgDlg::LoadBaudRates() {
    m_cbBaudRate->clear();
    for (const std::uint32_t rate : kBaudRates) {
        m_cbBaudRate->addItem(QString::number(rate), static_cast<int>(rate));
    }
    m_cbBaudRate->setCurrentIndex(m_cbBaudRate->findData(AppSettings::BaudRate()));
    m_nBaudRate = m_cbBaudRate->currentIndex() >= 0 ? m_cbBaudRate->currentData().toInt() : -1;
}

void ComPortCfgDlg::LoadFlowControls() {
    m_cbFlowControl->clear();
    // Protocol terms, the same in every language; the list shows them in text order.
    m_cbFlowControl->AddString(QStringLiteral("None"), kFlowNone);
    m_cbFlowControl->AddString(QStringLiteral("Hardware"), kFlowHardware);
    m_cbFlowControl->setCurrentIndex(m_cbFlowControl->findData(AppSettings::FlowControl()));
    m_nFlowControl = m_cbFlowControl->currentIndex() >= 0
                         ? static_cast<std::uint8_t>(m_cbFlowControl->currentData().toInt())
                         : kNoFlowSelected;
}

namespace {

// The radios in their order, by the mode each stands for.
constexpr int kModeOfRadio[] = {AppSettings::kOpModeConfigurator, AppSettings::kOpModeTerminal,
                                AppSettings::kOpModeProduction};

std::uint8_t ModeOfRadio(int radio) {
    return static_cast<std::uint8_t>(radio >= 1 && radio <= 2 ? kModeOfRadio[radio]
                                                              : kModeOfRadio[0]);
}

}  // namespace

void ComPortCfgDlg::LoadOpMode() {
    const int mode = AppSettings::OpMode();
    m_nModeRadio = mode == AppSettings::kOpModeTerminal     ? 1
                   : mode == AppSettings::kOpModeProduction ? 2
                                                            : 0;
    m_nOpMode = ModeOfRadio(m_nModeRadio);
    m_modeButtons->button(m_nModeRadio)->setChecked(true);
}

void ComPortCfgDlg::OnModeClicked(int radio) {
    // Taken at once: the caller reads the mode after Cancel too.
    m_nOpMode = ModeOfRadio(radio);
}

void ComPortCfgDlg::accept() {
    if (!PortChoiceIsValid()) {
        return;
    }
    TakeOpMode();
    TakePort();
    TakeBaudRate();
    TakeFlowControl();
    QDialog::accept();
}

void ComPortCfgDlg::TakeOpMode() {
    m_nModeRadio = std::max(m_modeButtons->checkedId(), 0);
    m_nOpMode = ModeOfRadio(m_nModeRadio);
    AppSettings::SetOpMode(m_nOpMode);
}

// A typed port must be a listed one or a well-formed network port; the dialog stays open
// otherwise, with the text as typed.
bool ComPortCfgDlg::PortChoiceIsValid() {
    const QString typed = m_cbPort->currentText().trimmed();
    QString problem;
    if (IsNetworkPort(typed.toStdString())) {
        if (!NetworkPortName::Parse(typed.toStdString())) {
            problem = tr("\"%1\" is not a network port. Type rfc2217://host:port or "
                         "socket://host:port, with a port number from 1 to 65535.")
                          .arg(typed);
        }
    } else if (!typed.isEmpty() && m_cbPort->findText(typed) < 0) {
        problem = tr("\"%1\" is not in the list of ports. Choose a port from the list, or type "
                     "a network port as rfc2217://host:port or socket://host:port.")
                      .arg(typed);
    }
    if (problem.isEmpty()) {
        return true;
    }
    Prompter::Ask(this, problem, Prompter::Icon::Warning);
    m_cbPort->setFocus();
    return false;
}

void ComPortCfgDlg::TakePort() {
    const QString typed = m_cbPort->currentText().trimmed();
    if (typed.isEmpty()) {
        return;
    }
    m_strPort = typed;
    AppSettings::SetComPort(m_strPort);
    if (IsNetworkPort(m_strPort.toStdString())) {
        Remember(m_strPort);
    }
}

void ComPortCfgDlg::TakeBaudRate() {
    if (m_cbBaudRate->currentIndex() < 0) {
        m_nBaudRate = static_cast<int>(kDefaultBaudRate);
        return;
    }
    m_nBaudRate = m_cbBaudRate->currentData().toInt();
    AppSettings::SetBaudRate(m_nBaudRate);
}

void ComPortCfgDlg::TakeFlowControl() {
    // Like the baud rate: with nothing selected, no flow control, and the stored value stays.
    if (m_cbFlowControl->currentIndex() < 0) {
        m_nFlowControl = kFlowNone;
        return;
    }
    m_nFlowControl = static_cast<std::uint8_t>(m_cbFlowControl->currentData().toInt());
    AppSettings::SetFlowControl(m_nFlowControl);
}
