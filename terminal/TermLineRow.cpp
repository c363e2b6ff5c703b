#include "TermLineRow.h"

#include "AppSettings.h"
#include "TermChannel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QTimer>

namespace {

QLabel* NewIndicator(const QString& text, const QString& accessibleName, const char* objectName,
                     QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setAccessibleName(accessibleName);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(2);
    return label;
}

void ShowLit(QLabel* indicator, bool lit) {
    indicator->setProperty("lit", lit);
    indicator->setStyleSheet(lit ? QStringLiteral("background: #3c3; color: black;")
                                 : QStringLiteral("background: palette(mid);"));
}

}  // namespace

TermLineRow::TermLineRow(TermChannel* channel, QWidget* parent)
    : QWidget(parent), m_lines(&channel->ModemLines()) {
    BuildControls();
    PortClosed();
}

TermLineRow::~TermLineRow() {
    m_watcher.Stop();
}

void TermLineRow::BuildControls() {
    m_dtr = new QCheckBox(tr("DTR"), this);
    m_dtr->setObjectName(QStringLiteral("termDtr"));
    m_dtr->setAccessibleName(tr("DTR (data terminal ready)"));
    m_dtr->setChecked(AppSettings::TermDtr());
    m_rts = new QCheckBox(tr("RTS"), this);
    m_rts->setObjectName(QStringLiteral("termRts"));
    m_rts->setAccessibleName(tr("RTS (request to send)"));
    m_rts->setChecked(AppSettings::TermRts());
    m_cts = NewIndicator(tr("CTS"), tr("CTS (clear to send)"), "termCts", this);
    m_dsr = NewIndicator(tr("DSR"), tr("DSR (data set ready)"), "termDsr", this);
    m_dcd = NewIndicator(tr("DCD"), tr("DCD (carrier detect)"), "termDcd", this);
    m_ri = NewIndicator(tr("RI"), tr("RI (ring indicator)"), "termRi", this);
    m_break = new QPushButton(tr("Break"), this);
    m_break->setObjectName(QStringLiteral("termBreak"));
    m_break->setAccessibleName(m_break->text());
    m_break->setToolTip(tr("Holds the line in the break condition for a quarter of a second"));
    m_break->setAutoDefault(false);
    m_leaveLines = new QCheckBox(tr("Leave DTR and RTS as they are when opening"), this);
    m_leaveLines->setObjectName(QStringLiteral("termLeaveLines"));
    m_leaveLines->setAccessibleName(m_leaveLines->text());
    m_leaveLines->setToolTip(
        tr("For a board whose reset is wired to DTR or RTS: opening and closing the port do not "
           "change them"));
    m_leaveLines->setChecked(AppSettings::TermLeaveLines());
    m_reconnect = new QCheckBox(tr("Reconnect automatically"), this);
    m_reconnect->setObjectName(QStringLiteral("termReconnect"));
    m_reconnect->setAccessibleName(m_reconnect->text());
    m_reconnect->setToolTip(tr("When the port is lost, wait for it to come back and reopen it"));
    m_reconnect->setChecked(AppSettings::TermAutoReconnect());

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_dtr, m_rts, m_cts, m_dsr, m_dcd, m_ri, m_break}) {
        layout->addWidget(control);
    }
    layout->addStretch(1);
    layout->addWidget(m_leaveLines);
    layout->addWidget(m_reconnect);

    connect(m_dtr, &QCheckBox::clicked, this, &TermLineRow::OnDtrClicked);
    connect(m_rts, &QCheckBox::clicked, this, &TermLineRow::OnRtsClicked);
    connect(m_break, &QPushButton::clicked, this, &TermLineRow::OnBreak);
    connect(m_reconnect, &QCheckBox::clicked, this, &AppSettings::SetTermAutoReconnect);
    connect(m_leaveLines, &QCheckBox::clicked, this, &AppSettings::SetTermLeaveLines);
}

bool TermLineRow::LeaveLines() const {
    return m_leaveLines->isChecked();
}

bool TermLineRow::AutoReconnect() const {
    return m_reconnect->isChecked();
}

void TermLineRow::PortOpened(std::uint8_t flowControl) {
    m_rtsToDriver = flowControl == 2;
    EnableLineControls(true, {});
    std::error_code error;
    if (!LeaveLines()) {
        error = m_lines->SetDtr(m_dtr->isChecked());
    }
    if (!error && !m_rtsToDriver && !LeaveLines()) {
        error = m_lines->SetRts(m_rts->isChecked());
    }
    if (IsNoModemLines(error)) {
        ShowNoModemLines();
        return;
    }
    const unsigned run = ++m_run;
    m_watcher.Start(*m_lines, kPollInterval,
                    [this, run](const std::error_code& error, const ModemLineState& state) {
                        QMetaObject::invokeMethod(
                            this, [this, run, error, state] { OnReading(run, error, state); },
                            Qt::QueuedConnection);
                    });
}

void TermLineRow::PortClosed() {
    m_watcher.Stop();
    ++m_run;
    EnableLineControls(false, {});
    ShowInputs({}, false);
}

void TermLineRow::OnReading(unsigned run, const std::error_code& error,
                            const ModemLineState& state) {
    if (run != m_run) {
        return;
    }
    if (IsNoModemLines(error)) {
        ShowNoModemLines();
    } else {
        ShowInputs(state, !error);
    }
}

void TermLineRow::ShowNoModemLines() {
    EnableLineControls(false, tr("This port has no modem lines"));
    // The break needs no modem lines; the tty layer takes it on any port.
    m_break->setEnabled(true);
    ShowInputs({}, false);
}

void TermLineRow::EnableLineControls(bool enable, const QString& why) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_dtr, m_rts, m_cts, m_dsr, m_dcd, m_ri, m_break}) {
        control->setEnabled(enable);
        control->setToolTip(why);
    }
    m_break->setToolTip(tr("Holds the line in the break condition for a quarter of a second"));
    if (enable && m_rtsToDriver) {
        m_rts->setEnabled(false);
        m_rts->setToolTip(tr("With hardware flow control the driver drives RTS"));
    }
}

void TermLineRow::ShowInputs(const ModemLineState& state, bool known) {
    ShowLit(m_cts, known && state.cts);
    ShowLit(m_dsr, known && state.dsr);
    ShowLit(m_dcd, known && state.dcd);
    ShowLit(m_ri, known && state.ri);
}

void TermLineRow::OnDtrClicked(bool asserted) {
    AppSettings::SetTermDtr(asserted);
    m_lines->SetDtr(asserted);
}

void TermLineRow::OnRtsClicked(bool asserted) {
    AppSettings::SetTermRts(asserted);
    m_lines->SetRts(asserted);
}

// The line is released by a timer, so the window never waits for the break to end; a port
// closed meanwhile has ended the break itself.
void TermLineRow::OnBreak() {
    if (m_lines->SetBreak(true)) {
        return;
    }
    m_break->setEnabled(false);
    QTimer::singleShot(kBreakLength, this, [this, run = m_run] {
        m_lines->SetBreak(false);
        if (run == m_run) {
            m_break->setEnabled(true);
        }
    });
}
