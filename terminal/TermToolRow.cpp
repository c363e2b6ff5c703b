#include "TermToolRow.h"

#include "AppSettings.h"
#include "TermLogger.h"
#include "TermRichedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <algorithm>
#include <iterator>

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

TermToolRow::TermToolRow(TermRichedit* view, QWidget* parent)
    : QWidget(parent), m_view(view), m_logger(new TermLogger(view, parent)) {
    BuildControls();
    LoadSettings();
}

void TermToolRow::BuildControls() {
    m_timestamps = NewCheck(tr("Timestamps"), "termTimestamps", this);
    m_hexView = NewCheck(tr("Hex view"), "termHexView", this);
    m_holdScroll = NewCheck(tr("Hold when scrolled up"), "termHoldScroll", this);
    m_holdScroll->setToolTip(tr("While you read further up, new data does not move the view"));

    auto* scrollbackLabel = new QLabel(tr("Scrollback:"), this);
    m_scrollback = new QComboBox(this);
    m_scrollback->setObjectName(QStringLiteral("termScrollback"));
    m_scrollback->setAccessibleName(tr("Scrollback"));
    scrollbackLabel->setBuddy(m_scrollback);
    for (const int characters : kScrollbackChoices) {
        m_scrollback->addItem(tr("%1 characters").arg(QLocale().toString(characters)), characters);
    }

    m_find = NewButton(tr("Find"), "termFind", this);
    m_clear = NewButton(tr("Clear"), "termClear", this);
    m_log = NewButton(tr("Log…"), "termLog", this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_timestamps);
    layout->addWidget(m_hexView);
    layout->addWidget(m_holdScroll);
    layout->addSpacing(8);
    layout->addWidget(scrollbackLabel);
    layout->addWidget(m_scrollback);
    layout->addStretch(1);
    layout->addWidget(m_find);
    layout->addWidget(m_clear);
    layout->addWidget(m_log);

    connect(m_timestamps, &QCheckBox::toggled, this, [this](bool on) {
        m_view->SetTimestamps(on);
        AppSettings::SetTermTimestamps(on);
    });
    connect(m_hexView, &QCheckBox::toggled, this, [this](bool on) {
        m_view->SetHexView(on);
        AppSettings::SetTermHexView(on);
    });
    connect(m_holdScroll, &QCheckBox::toggled, this, [this](bool on) {
        m_view->SetHoldWhenScrolledUp(on);
        AppSettings::SetTermHoldScroll(on);
    });
    connect(m_scrollback, &QComboBox::currentIndexChanged, this, [this] {
        const int characters = m_scrollback->currentData().toInt();
        m_view->SetTextLimit(characters);
        AppSettings::SetTermScrollback(characters);
    });
    connect(m_find, &QPushButton::clicked, this, &TermToolRow::findRequested);
    connect(m_clear, &QPushButton::clicked, m_view, &TermRichedit::ClearView);
    connect(m_log, &QPushButton::clicked, this, &TermToolRow::OnLogClicked);
    connect(m_logger, &TermLogger::statusChanged, this, &TermToolRow::OnLogStatusChanged);
}

int TermToolRow::OfferedScrollback(int stored) {
    int offered = kScrollbackChoices[0];
    for (const int characters : kScrollbackChoices) {
        if (characters <= stored) {
            offered = characters;
        }
    }
    return offered;
}

void TermToolRow::LoadSettings() {
    m_timestamps->setChecked(AppSettings::TermTimestamps());
    m_hexView->setChecked(AppSettings::TermHexView());
    m_holdScroll->setChecked(AppSettings::TermHoldScroll());
    const int offered = m_scrollback->findData(OfferedScrollback(AppSettings::TermScrollback()));
    m_scrollback->setCurrentIndex(std::max(0, offered));
    // The signals above fire only on a change; the view starts from the stored state too.
    m_view->SetTimestamps(m_timestamps->isChecked());
    m_view->SetHexView(m_hexView->isChecked());
    m_view->SetHoldWhenScrolledUp(m_holdScroll->isChecked());
    m_view->SetTextLimit(m_scrollback->currentData().toInt());
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
