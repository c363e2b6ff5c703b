#include "FilterSettingsBinder.h"

#include "AppSettings.h"
#include "InputRules.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>

FilterSettingsBinder::FilterSettingsBinder(QCheckBox* nameCheck, QLineEdit* nameEdit,
                                           QCheckBox* rssiCheck, QLineEdit* rssiEdit,
                                           QObject* parent)
    : QObject(parent),
      m_nameCheck(nameCheck),
      m_nameEdit(nameEdit),
      m_rssiCheck(rssiCheck),
      m_rssiEdit(rssiEdit) {
    connect(m_nameCheck, &QCheckBox::clicked, this, [](bool checked) {
        AppSettings::WriteProfileInt(AppSettings::kNameFilterCheck, checked ? 1 : 0);
    });
    connect(m_rssiCheck, &QCheckBox::clicked, this, [](bool checked) {
        AppSettings::WriteProfileInt(AppSettings::kRssiFilterCheck, checked ? 1 : 0);
    });
    m_nameEdit->installEventFilter(this);
    m_rssiEdit->installEventFilter(this);
}

void FilterSettingsBinder::Load() {
    m_nameCheck->setChecked(AppSettings::NameFilterChecked());
    m_nameEdit->setText(AppSettings::NameFilterValue());
    m_rssiCheck->setChecked(AppSettings::RssiFilterChecked());
    m_rssiEdit->setText(QString::number(AppSettings::RssiFilterValue()));
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
    if (InputRules::NameFilterStorable(text)) {
        AppSettings::WriteProfileString(AppSettings::kNameFilterValue, text);
    }
}

void FilterSettingsBinder::StoreRssiFilter() {
    if (const auto value = AppSettings::ParseRssiFilterText(m_rssiEdit->text())) {
        AppSettings::WriteProfileInt(AppSettings::kRssiFilterValue, *value);
    }
}
