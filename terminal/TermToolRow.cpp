#include "TermToolRow.h"

#include "TermLogger.h"
#include "TermRecorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

QCheckBox* NewCheck(const QString& text, const char* objectName, QWidget* parent) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QLatin1String(objectName));
    check->setAccessibleName(text);
    return check;
}

QPushButton* NewButton(const QString& text, const char* objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAccessibleName(text);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TermToolRow::TermToolRow(TermLogger* logger, TermRecorder* recorder, QWidget* parent)
    : QWidget(parent), m_logger(logger), m_recorder(recorder) {
    BuildControls();
    ShowOptions(m_options);
}

void TermToolRow::BuildControls() {
    m_timestamps = NewCheck(tr("Timestamps"), "termTimestamps", this);
    m_stampFormat = new QComboBox(this);
    m_stampFormat->setObjectName(QStringLiteral("termStampFormat"));
    m_stampFormat->setAccessibleName(tr("Time stamp format"));
    m_stampFormat->addItem(tr("Time of day"), static_cast<int>(StampFormat::kTimeOfDay));
    m_stampFormat->addItem(tr("Date and time"), static_cast<int>(StampFormat::kDateAndTime));
    m_stampFormat->addItem(tr("Seconds since open"), static_cast<int>(StampFormat::kSinceOpen));
    m_stampFormat->addItem(tr("Gap since previous line"),
                           static_cast<int>(StampFormat::kSincePrevious));
    m_hexView = NewCheck(tr("Hex view"), "termHexView", this);
    m_holdScroll = NewCheck(tr("Hold when scrolled up"), "termHoldScroll", this);
    m_holdScroll->setToolTip(tr("While you read further up, new data does not move the view"));

    auto* scrollbackLabel = new QLabel(tr("Scrollback:"), this);
    m_scrollback = new QComboBox(this);
    m_scrollback->setObjectName(QStringLiteral("termScrollback"));
    m_scrollback->setAccessibleName(tr("Scrollback"));
    scrollbackLabel->setBuddy(m_scrollback);
    for (const int characters : TermViewOptions::kScrollbackChoices) {
        m_scrollback->addItem(tr("%1 characters").arg(QLocale().toString(characters)), characters);
    }

    m_find = NewButton(tr("Find"), "termFind", this);
    m_clear = NewButton(tr("Clear"), "termClear", this);
    m_log = NewButton(tr("Log…"), "termLog", this);
    m_record = NewButton(tr("Record session…"), "termRecord", this);
    m_record->setToolTip(
        tr("Records both directions with their times, for skw-module-sim --replay"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_timestamps);
    layout->addWidget(m_stampFormat);
    layout->addWidget(m_hexView);
    layout->addWidget(m_holdScroll);
    layout->addSpacing(8);
    layout->addWidget(scrollbackLabel);
    layout->addWidget(m_scrollback);
    layout->addStretch(1);
    layout->addWidget(m_find);
    layout->addWidget(m_clear);
    layout->addWidget(m_log);
    layout->addWidget(m_record);

    connect(m_timestamps, &QCheckBox::toggled, this,
            [this](bool on) { Choose(&TermViewOptions::timestamps, on); });
    connect(m_stampFormat, &QComboBox::currentIndexChanged, this, [this] {
        Choose(&TermViewOptions::stampFormat,
               static_cast<StampFormat>(m_stampFormat->currentData().toInt()));
    });
    connect(m_hexView, &QCheckBox::toggled, this,
            [this](bool on) { Choose(&TermViewOptions::hexView, on); });
    connect(m_holdScroll, &QCheckBox::toggled, this,
            [this](bool on) { Choose(&TermViewOptions::holdWhenScrolledUp, on); });
    connect(m_scrollback, &QComboBox::currentIndexChanged, this,
            [this] { Choose(&TermViewOptions::scrollback, m_scrollback->currentData().toInt()); });
    connect(m_find, &QPushButton::clicked, this, &TermToolRow::findRequested);
    connect(m_clear, &QPushButton::clicked, this, &TermToolRow::clearRequested);
    connect(m_log, &QPushButton::clicked, this, &TermToolRow::OnLogClicked);
    connect(m_logger, &TermLogger::statusChanged, this, &TermToolRow::OnLogStatusChanged);
    connect(m_record, &QPushButton::clicked, this, [this] {
        if (m_recorder->IsRecording()) {
            m_recorder->Stop();
        } else {
            m_recorder->Start();
        }
    });
    connect(m_recorder, &TermRecorder::recordingChanged, this, [this](const QString& path) {
        m_record->setText(path.isEmpty() ? tr("Record session…") : tr("Stop recording"));
        m_record->setAccessibleName(m_record->text());
    });
}

void TermToolRow::ShowOptions(const TermViewOptions& options) {
    m_options = options;
    const QSignalBlocker blockTimestamps(m_timestamps);
    const QSignalBlocker blockStampFormat(m_stampFormat);
    const QSignalBlocker blockHexView(m_hexView);
    const QSignalBlocker blockHoldScroll(m_holdScroll);
    const QSignalBlocker blockScrollback(m_scrollback);
    m_timestamps->setChecked(options.timestamps);
    m_stampFormat->setCurrentIndex(
        std::max(0, m_stampFormat->findData(static_cast<int>(options.stampFormat))));
    m_stampFormat->setEnabled(options.timestamps);
    m_hexView->setChecked(options.hexView);
    m_holdScroll->setChecked(options.holdWhenScrolledUp);
    m_scrollback->setCurrentIndex(std::max(0, m_scrollback->findData(options.scrollback)));
}

template <typename Field, typename Value>
void TermToolRow::Choose(Field TermViewOptions::*field, Value value) {
    m_options.*field = value;
    m_stampFormat->setEnabled(m_options.timestamps);
    Q_EMIT optionsChanged(m_options);
}

void TermToolRow::OnLogClicked() {
    if (m_logger->IsLogging()) {
        m_logger->Stop();
    } else {
        m_logger->Start();
    }
}

void TermToolRow::OnLogStatusChanged(const QString& text) {
    m_log->setText(text.isEmpty() ? tr("Log…") : tr("Stop log"));
    m_log->setAccessibleName(m_log->text());
}
