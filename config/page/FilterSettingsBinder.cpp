#include "FilterSettingsBinder.h"

#include "AppSettings.h"
#include "Conversions.h"
#include "InputRules.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>

namespace {

// The stored name filter counts UTF-16 units, so eight syllables are stored although a scan
// refuses them (more than 8 bytes in UTF-8).
constexpr qsizetype kMaxStoredNameFilter = 8;

}  // namespace

FilterSettingsBinder::FilterSettingsBinder(QCheckBox* nameCheck, QLineEdit* nameEdit,
                                           QCheckBox* rssiCheck, QLineEdit* rssiEdit,
                                           QObject* parent)
    : QObject(parent),
      m_nameCheck(nameCheck),
      m_nameEdit(nameEdit),
      m_rssiCheck(rssiCheck),
      m_rssiEdit(rssiEdit) {
    // Toggled, not clicked: a screen reader or automation toggles without a click.
    connect(m_nameCheck, &QCheckBox::toggled, this, [this](bool checked) {
        if (!m_loading) {
            AppSettings::SetNameFilterChecked(checked);
        }
    });
    connect(m_rssiCheck, &QCheckBox::toggled, this, [this](bool checked) {
        if (!m_loading) {
            AppSettings::SetRssiFilterChecked(checked);
        }
    });
    m_nameEdit->installEventFilter(this);
    m_rssiEdit->installEventFilter(this);
}

void FilterSettingsBinder::Load() {
    m_loading = true;
    m_nameCheck->setChecked(AppSettings::NameFilterChecked());
    m_nameEdit->setText(AppSettings::NameFilterValue());
    m_rssiCheck->setChecked(AppSettings::RssiFilterChecked());
    m_rssiEdit->setText(QString::number(AppSettings::RssiFilterValue()));
    m_loading = false;
}

bool FilterSettingsBinder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_nameEdit) {
            StoreNameFilter();
        } else if (watched == m_rssiEdit) {
            StoreRssiFilter();
        }
    }
    return QObject::eventFilter(watched, event);
}

void FilterSettingsBinder::StoreNameFilter() {
    const QString text = m_nameEdit->text();
    if (text.size() <= kMaxStoredNameFilter) {
        AppSettings::SetNameFilterValue(text);
    }
}

void FilterSettingsBinder::StoreRssiFilter() {
    const std::string text = WideToUtf8(m_rssiEdit->text().toStdU16String());
    if (const auto value = InputRules::ParseRssiFilterText(text)) {
        AppSettings::SetRssiFilterValue(*value);
    }
}
