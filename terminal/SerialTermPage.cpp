#include "SerialTermPage.h"

#include "CHistoryCombo.h"
#include "Conversions.h"
#include "Prompter.h"
#include "TermChannel.h"
#include "TermFileSender.h"
#include "TermFindBar.h"
#include "TermLineRow.h"
#include "TermLogger.h"
#include "TermMacroRow.h"
#include "TermReconnector.h"
#include "TermRecorder.h"
#include "TermRichedit.h"
#include "TermToolRow.h"
#include "TermViewLink.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr qsizetype kMaxTextUnits = 512;
constexpr qsizetype kMaxHexDigits = 1024;

QString IdName(int id) {
    return QString::number(id);
}

}  // namespace

SerialTermPage::SerialTermPage(QWidget* parent)
    : QWidget(parent), m_channel(new TermChannel(this)) {
    BuildControls();
    ApplyViewOptions(TermViewOptions::Load());
    // Queued: reported on the I/O thread, where the port must not be closed.
    connect(m_channel, &TermChannel::failed, this, &SerialTermPage::OnPortError,
            Qt::QueuedConnection);
    // The page starts closed, and closed means disabled.
    EnableControls(false);
}

SerialTermPage::~SerialTermPage() {
    ClosePort();
}

void SerialTermPage::BuildControls() {
    m_view = new TermRichedit(this);
    m_view->setObjectName(IdName(kIdView));
    m_view->setAccessibleName(tr("Received data"));
    LinkViewToChannel(*m_view, *m_channel);

    m_cbHistory = new CHistoryCombo(this);
    m_cbHistory->setObjectName(IdName(kIdHistory));
    m_cbHistory->setAccessibleName(tr("Line to send"));
    m_cbHistory->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_btnSend = new QPushButton(tr("Send"), this);
    m_btnSend->setObjectName(IdName(kIdSend));
    m_btnSend->setAccessibleName(m_btnSend->text());
    // Enter on the focused button sends, as a click does.
    m_btnSend->setAutoDefault(true);

    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(m_cbHistory, 1);
    sendRow->addWidget(m_btnSend);

    auto* optionsRow = new QHBoxLayout;
    optionsRow->addWidget(BuildLineEndGroup());
    optionsRow->addWidget(BuildConvertGroup());
    optionsRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    BuildViewTools(layout);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_findBar);
    BuildMacroRow(layout);
    layout->addLayout(sendRow);
    layout->addLayout(optionsRow);
    BuildLineTools(layout);

    connect(m_btnSend, &QPushButton::clicked, this, &SerialTermPage::OnSend);
    connect(m_chkCR, &QCheckBox::clicked, this, &SerialTermPage::OnLineEndClicked);
    connect(m_chkLF, &QCheckBox::clicked, this, &SerialTermPage::OnLineEndClicked);
    // Queued: the Enter key finishes its way through the box before the line is sent.
    connect(m_cbHistory, &CHistoryCombo::historyEnter, this, &SerialTermPage::OnHistoryEnter,
            Qt::QueuedConnection);
}

// The tool row above the view and the find bar below it.
void SerialTermPage::BuildViewTools(QVBoxLayout* layout) {
    m_logger = new TermLogger(m_channel, this);
    m_toolRow = new TermToolRow(m_logger, new TermRecorder(m_channel, this), this);
    m_findBar = new TermFindBar(m_view, this);
    layout->addWidget(m_toolRow);
    connect(m_toolRow, &TermToolRow::optionsChanged, this, &SerialTermPage::SetViewOptions);
    connect(m_toolRow, &TermToolRow::clearRequested, this, &SerialTermPage::OnClear);
    connect(m_toolRow, &TermToolRow::findRequested, m_findBar, &TermFindBar::Open);
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, m_findBar, &TermFindBar::Open);
    connect(m_logger, &TermLogger::statusChanged, this, &SerialTermPage::logStatusChanged);
}

// The line controls, the file sender and the reconnect watch below the send row.
void SerialTermPage::BuildLineTools(QVBoxLayout* layout) {
    m_lineRow = new TermLineRow(m_channel, this);
    m_fileSender = new TermFileSender(m_channel, this);
    m_reconnector =
        new TermReconnector([this](const QString& path) { return !OpenChannel(path); }, this);
    layout->addWidget(m_lineRow);
    layout->addWidget(m_fileSender);
    connect(m_reconnector, &TermReconnector::reopened, this, &SerialTermPage::OnReopened);
}

// The macro buttons, also on the function keys F1 to F12 anywhere on the page.
void SerialTermPage::BuildMacroRow(QVBoxLayout* layout) {
    m_macroRow = new TermMacroRow(this);
    layout->addWidget(m_macroRow);
    connect(m_macroRow, &TermMacroRow::sendRequested, this, &SerialTermPage::OnMacro);
    for (int index = 0; index < TermMacro::kCount; ++index) {
        auto* key = new QShortcut(QKeySequence(Qt::Key_F1 + index), this);
        key->setContext(Qt::WidgetWithChildrenShortcut);
        connect(key, &QShortcut::activated, this, [this, index] {
            if (IsPortOpen()) {
                m_macroRow->Trigger(index);
            }
        });
    }
    connect(m_view, &TermRichedit::pasteRequested, this, &SerialTermPage::OnPaste);
}

// A macro is sent and shown as if it were typed.
void SerialTermPage::OnMacro(const QByteArray& bytes, const QString& echo) {
    if (IsPortOpen()) {
        SendBytes(bytes.toStdString());
        m_view->AppendText(echo);
    }
}

// Pasted text goes out as typed, with the line end chosen for Enter, and with the send delays
// of "Send file…".
void SerialTermPage::OnPaste(const QString& text) {
    if (!IsPortOpen() || text.isEmpty()) {
        return;
    }
    std::string bytes;
    const QStringList lines =
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (qsizetype index = 0; index < lines.size(); ++index) {
        bytes += WideToUtf8(lines[index].toStdU16String());
        if (index + 1 < lines.size()) {
            AppendLineEnd(bytes);
        }
    }
    m_fileSender->SendBytes(QByteArray::fromStdString(bytes));
}

QGroupBox* SerialTermPage::BuildLineEndGroup() {
    auto* group = new QGroupBox(tr("Line end character"), this);
    group->setAccessibleName(group->title());
    m_chkCR = new QCheckBox(tr("CR"), group);
    m_chkCR->setObjectName(IdName(kIdLineEndCr));
    m_chkCR->setAccessibleName(m_chkCR->text());
    m_chkLF = new QCheckBox(tr("LF"), group);
    m_chkLF->setObjectName(IdName(kIdLineEndLf));
    m_chkLF->setAccessibleName(m_chkLF->text());
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(m_chkCR);
    layout->addWidget(m_chkLF);
    return group;
}

QGroupBox* SerialTermPage::BuildConvertGroup() {
    auto* group = new QGroupBox(tr("Convert strings"), this);
    group->setAccessibleName(group->title());
    m_chkHex = new QCheckBox(tr("Treat as hexadecimal string"), group);
    m_chkHex->setObjectName(IdName(kIdTreatAsHex));
    m_chkHex->setAccessibleName(m_chkHex->text());
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(m_chkHex);
    return group;
}

// Stores what changed and applies it.
void SerialTermPage::SetViewOptions(const TermViewOptions& options) {
    const TermViewOptions chosen = options;  // a copy: `options` may be the tool row's own
    chosen.Save(m_viewOptions);
    ApplyViewOptions(chosen);
}

// Applies `options` to the channel and the view and shows them in the controls.
void SerialTermPage::ApplyViewOptions(const TermViewOptions& options) {
    m_channel->SetTimestamps(options.timestamps);
    m_channel->SetStampFormat(options.stampFormat);
    if (options.hexView != m_channel->HexView()) {
        m_channel->SetHexView(options.hexView);
    }
    m_view->SetHoldWhenScrolledUp(options.holdWhenScrolledUp);
    if (options.scrollback != m_view->TextLimit()) {
        m_view->SetTextLimit(options.scrollback);
    }
    m_view->SetLineEnd(options.lineEndCR, options.lineEndLF);
    m_chkCR->setChecked(options.lineEndCR);
    m_chkLF->setChecked(options.lineEndLF);
    m_toolRow->ShowOptions(options);
    m_viewOptions = options;
}

void SerialTermPage::OnLineEndClicked() {
    TermViewOptions options = m_viewOptions;
    options.lineEndCR = m_chkCR->isChecked();
    options.lineEndLF = m_chkLF->isChecked();
    SetViewOptions(options);
}

// The user's "Clear": received data keeps coming.
void SerialTermPage::OnClear() {
    m_view->Clear();
    m_channel->ViewCleared();
}

std::error_code SerialTermPage::OpenPort(const QString& portName, std::uint32_t baudRate,
                                         std::uint8_t flowControl) {
    const std::uint32_t lastBaudRate = m_nBaudRate;
    const std::uint8_t lastFlowControl = m_nFlowControl;
    m_nBaudRate = baudRate;
    m_nFlowControl = flowControl;
    if (const std::error_code error = OpenChannel(portName)) {
        m_nBaudRate = lastBaudRate;
        m_nFlowControl = lastFlowControl;
        return error;
    }
    m_reconnector->Remember(portName);
    m_logger->SetPortName(portName);
    return {};
}

// Opens the port with the settings of the last OpenPort and starts everything that runs on it.
std::error_code SerialTermPage::OpenChannel(const QString& portName) {
    m_channel->SetLeaveModemLines(m_lineRow->LeaveLines());
    if (const std::error_code error =
            m_channel->Open(portName, PortSettings::At(m_nBaudRate, m_nFlowControl))) {
        return error;
    }
    m_lineRow->PortOpened(m_nFlowControl);
    EnableControls(true);
    return {};
}

void SerialTermPage::ClosePort() {
    StopWaitingForPort();
    CloseChannel();
    m_channel->ClearReceived();
    m_view->Clear();
}

void SerialTermPage::StopWaitingForPort() {
    m_reconnector->Cancel();
}

void SerialTermPage::CloseChannel() {
    m_fileSender->Cancel();
    m_macroRow->StopAll();
    m_lineRow->PortClosed();
    m_channel->Close();
    EnableControls(false);
}

bool SerialTermPage::IsWaitingForPort() const {
    return m_reconnector->IsWaiting();
}

// Automatic reconnect: the view keeps what it shows and the page waits for the port to return.
void SerialTermPage::LosePort() {
    CloseChannel();
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    AppendMarker(tr("— port lost %1 —").arg(time));
    Q_EMIT portStatusChanged(tr("Waiting for %1 to return…").arg(m_reconnector->Path()));
    m_reconnector->Begin();
}

void SerialTermPage::OnReopened(const QString&) {
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    AppendMarker(tr("— reopened %1 —").arg(time));
    Q_EMIT portStatusChanged({});
}

// A marker stands on a line of its own, whatever the received text ended with.
void SerialTermPage::AppendMarker(const QString& text) {
    const bool lineStart = m_view->LastLine().isEmpty();
    m_view->AppendText((lineStart ? QString() : QStringLiteral("\n")) + text + QLatin1Char('\n'));
}

bool SerialTermPage::IsPortOpen() const {
    return m_channel->IsOpen();
}

void SerialTermPage::EnableControls(bool enable) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_view, m_chkCR, m_chkLF, m_chkHex, m_cbHistory, m_btnSend,
                                         m_fileSender, m_macroRow}) {
        control->setEnabled(enable);
    }
}

void SerialTermPage::OnSend() {
    const QString text = m_cbHistory->currentText();
    // Rejected lines are remembered too, so the user can correct them.
    m_cbHistory->StoreEditText();
    m_cbHistory->clearEditText();
    if (text.isEmpty()) {
        return;
    }
    if (m_chkHex->isChecked()) {
        SendHex(text);
    } else {
        SendText(text);
    }
}

void SerialTermPage::SendHex(const QString& text) {
    if (text.size() > kMaxHexDigits) {
        ShowError(tr("String is too long."));
        return;
    }
    if (text.size() % 2 != 0) {
        ShowError(tr("The hexadecimal string is not an even length."));
        return;
    }
    std::string digits;
    WideToUtf8(text.toStdU16String(), digits);
    if (!IsHexString(digits)) {
        ShowError(tr("The format of the hexadecimal string is incorrect."));
        return;
    }
    std::string bytes;
    for (std::size_t pair = 0; pair + 1 < digits.size(); pair += 2) {
        std::uint8_t byte = 0;
        if (!HexPairToByte(digits.data() + pair, byte)) {
            bytes.clear();
            break;
        }
        bytes.push_back(static_cast<char>(byte));
    }
    // Unreachable after the checks above; kept so that a conversion that ever fails still has
    // its own message (and its Korean text) instead of sending a truncated line.
    if (digits.size() % 2 != 0 || bytes.size() != digits.size() / 2) {
        ShowError(tr("There was an error converting the hexadecimal string to binary data."));
        return;
    }
    AppendLineEnd(bytes);
    SendBytes(bytes);
}

void SerialTermPage::SendText(const QString& text) {
    if (text.size() > kMaxTextUnits) {
        ShowError(tr("String is too long."));
        return;
    }
    std::string bytes = WideToUtf8(text.toStdU16String());
    AppendLineEnd(bytes);
    SendBytes(bytes);
}

void SerialTermPage::AppendLineEnd(std::string& bytes) const {
    if (m_chkCR->isChecked()) {
        bytes += '\r';
    }
    if (m_chkLF->isChecked()) {
        bytes += '\n';
    }
}

void SerialTermPage::SendBytes(const std::string& bytes) {
    // A send that reaches a closed port (a queued Enter after a port error) is dropped: the
    // channel would otherwise keep the bytes for whatever port is opened next.
    if (!bytes.empty() && IsPortOpen()) {
        m_channel->Write(bytes.data(), bytes.size());
    }
}

void SerialTermPage::OnHistoryEnter(CHistoryCombo* box) {
    if (box == m_cbHistory) {
        OnSend();
    }
}

void SerialTermPage::OnPortError(unsigned connection) {
    // A second report of the same failure finds the port closed already; a report from a
    // connection closed meanwhile must not close the one that replaced it.
    if (connection != m_channel->Connection() || !IsPortOpen()) {
        return;
    }
    if (m_lineRow->AutoReconnect()) {
        LosePort();
        return;
    }
    ClosePort();
    ShowError(tr("Error on COM port. Closing the port."));
    // The message box runs an event loop of its own, in which queued calls (a port dialog the
    // window was asked for earlier) may have opened the port again.
    if (IsPortOpen()) {
        ClosePort();
    }
    Q_EMIT setupComPortRequested();
}

void SerialTermPage::ShowError(const QString& text) {
    Prompter::Ask(this, text, Prompter::Icon::Error);
}

void SerialTermPage::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape on the page close nothing (the page may sit in a dialog).
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}
