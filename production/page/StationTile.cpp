#include "StationTile.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Colours that read from a distance; each state also has its own word and icon.
struct Look {
    const char* background;
    const char* text;
    QStyle::StandardPixmap icon;
};

Look LookOf(StationTile::State state) {
    switch (state) {
        case StationTile::State::Absent:
            return {"#eeeeee", "#555555", QStyle::SP_DriveNetIcon};
        case StationTile::State::Present:
            return {"#eeeeee", "#333333", QStyle::SP_BrowserReload};
        case StationTile::State::Waiting:
            return {"#dde8f5", "#1a3a5c", QStyle::SP_MediaPause};
        case StationTile::State::Configuring:
            return {"#fff2c2", "#5a4300", QStyle::SP_BrowserReload};
        case StationTile::State::Pass:
            return {"#1e8e3e", "#ffffff", QStyle::SP_DialogApplyButton};
        case StationTile::State::Fail:
            return {"#c5221f", "#ffffff", QStyle::SP_MessageBoxCritical};
        case StationTile::State::Duplicate:
            return {"#e37400", "#000000", QStyle::SP_MessageBoxWarning};
    }
    return {"#eeeeee", "#000000", QStyle::SP_MessageBoxQuestion};
}

QString StageText(const ApplyProgress& progress) {
    switch (progress.stage) {
        case ApplyProgress::Stage::Reading:
            return StationTile::tr("Reading the module");
        case ApplyProgress::Stage::Applying:
            return StationTile::tr("Applying step %1 of %2").arg(progress.done).arg(progress.total);
        case ApplyProgress::Stage::Verifying:
            return StationTile::tr("Checking");
    }
    return {};
}

QLabel* NewLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

StationTile::StationTile(const QString& port, QWidget* parent) : QFrame(parent), m_port(port) {
    setObjectName(QStringLiteral("tile:") + port);
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);  // Enter or Space opens the transcript, like a click
    setMinimumSize(kMinimumWidth, 150);
    auto* layout = new QVBoxLayout(this);
    m_portLabel = NewLabel(this, "tilePort");
    m_portLabel->setText(port);
    m_portLabel->setWordWrap(true);
    auto* stateRow = new QHBoxLayout;
    m_icon = NewLabel(this, "tileIcon");
    m_word = NewLabel(this, "tileState");
    QFont big = m_word->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    m_word->setFont(big);
    stateRow->addWidget(m_icon);
    stateRow->addWidget(m_word, 1);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("tileProgress"));
    m_progress->setTextVisible(true);
    m_name = NewLabel(this, "tileName");
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    m_address = NewLabel(this, "tileAddress");
    m_detail = NewLabel(this, "tileDetail");
    m_detail->setWordWrap(false);
    layout->addWidget(m_portLabel);
    layout->addLayout(stateRow);
    layout->addWidget(m_progress);
    layout->addWidget(m_name);
    layout->addWidget(m_address);
    layout->addWidget(m_detail);
    layout->addStretch();
    ShowAbsent();
}

QString StationTile::StateText() const {
    switch (m_state) {
        case State::Absent:
            return tr("No module");
        case State::Present:
            return tr("Plug in again");
        case State::Waiting:
            return tr("Waiting");
        case State::Configuring:
            return tr("Configuring");
        case State::Pass:
            return tr("PASS");
        case State::Fail:
            return tr("FAIL");
        case State::Duplicate:
            return tr("DUPLICATE");
    }
    return {};
}

QString StationTile::NameText() const {
    return m_name->text();
}

void StationTile::SetState(State state) {
    m_state = state;
    const Look look = LookOf(state);
    setStyleSheet(
        QStringLiteral("StationTile { background: %1; } StationTile QLabel { color: %2; }")
            .arg(QLatin1String(look.background), QLatin1String(look.text)));
    m_icon->setPixmap(style()->standardIcon(look.icon).pixmap(32, 32));
    m_word->setText(StateText());
    m_progress->setVisible(state == State::Configuring);
    UpdateAccessibleName();
}

void StationTile::Clear() {
    m_name->clear();
    m_address->clear();
    m_detail->clear();
    m_detail->setToolTip({});
    m_reason.clear();
    m_transcript.clear();
}

void StationTile::ShowAbsent() {
    Clear();
    SetState(State::Absent);
}

void StationTile::ShowPresent() {
    Clear();
    m_detail->setText(tr("Listed before the start"));
    SetState(State::Present);
}

void StationTile::ShowWaiting() {
    Clear();
    SetState(State::Waiting);
}

void StationTile::ShowStarted(unsigned attempt, const QString& serial) {
    m_serial = serial;
    m_reason.clear();
    m_transcript.clear();
    m_progress->setRange(0, 0);  // busy until the module has been read
    m_progress->setFormat(StageText({}));
    QString detail;
    if (attempt > 1) {
        detail = tr("Try %1").arg(attempt);
    }
    if (!serial.isEmpty()) {
        detail +=
            (detail.isEmpty() ? QString() : QStringLiteral(" · ")) + tr("Serial %1").arg(serial);
    }
    m_detail->setText(detail);
    m_name->clear();
    m_address->clear();
    SetState(State::Configuring);
}

void StationTile::ShowProgress(const ApplyProgress& progress) {
    if (progress.total > 0) {
        m_progress->setRange(0, static_cast<int>(progress.total));
        m_progress->setValue(static_cast<int>(progress.done));
    }
    m_progress->setFormat(StageText(progress));
    UpdateAccessibleName();
}

void StationTile::ShowRecord(const UnitRecord& record) {
    m_name->setText(QString::fromStdString(record.name));
    m_address->setText(QString::fromStdString(record.address));
    m_reason = QString::fromStdString(record.reason);
    m_transcript = QString::fromStdString(record.transcript);
    const QString serial = QString::fromStdString(record.serial);
    switch (record.result) {
        case UnitRecord::Result::Pass:
            m_detail->setText(serial.isEmpty() ? QString() : tr("Serial %1").arg(serial));
            SetState(State::Pass);
            break;
        case UnitRecord::Result::Duplicate:
            m_detail->setText(m_reason);
            SetState(State::Duplicate);
            break;
        case UnitRecord::Result::Fail:
            m_detail->setText(m_reason);
            m_detail->setToolTip(tr("Click to see the transcript"));
            SetState(State::Fail);
            break;
    }
    if (record.result != UnitRecord::Result::Fail) {
        m_detail->setToolTip({});
    }
}

void StationTile::UpdateAccessibleName() {
    QStringList parts{m_port, StateText()};
    if (m_state == State::Configuring) {
        parts.append(m_progress->format());
    }
    if (!m_name->text().isEmpty()) {
        parts.append(m_name->text());
    }
    if (!m_address->text().isEmpty()) {
        parts.append(m_address->text());
    }
    if (!m_reason.isEmpty()) {
        parts.append(m_reason);
    }
    setAccessibleName(parts.join(QStringLiteral(", ")));
    setAccessibleDescription(m_state == State::Fail ? tr("Click to see the transcript")
                                                    : QString());
}

void StationTile::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_state == State::Fail) {
        Q_EMIT transcriptRequested(this);
    }
    QFrame::mouseReleaseEvent(event);
}

void StationTile::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
         event->key() == Qt::Key_Space) &&
        m_state == State::Fail) {
        Q_EMIT transcriptRequested(this);
        return;
    }
    QFrame::keyPressEvent(event);
}
