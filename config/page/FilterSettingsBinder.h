#pragma once

#include <QObject>

class QCheckBox;
class QEvent;
class QLineEdit;

// Keeps the scan filters of the page and their four settings in step: Load shows the stored
// values; a check box stores its state when toggled (clicked, or through accessibility); an edit that loses the focus stores its
// text when the setting's rule takes it (name filter: at most 8 characters; RSSI: a number,
// kept as a signed byte) and otherwise stores nothing, silently.
class FilterSettingsBinder : public QObject {
    Q_OBJECT

public:
    FilterSettingsBinder(QCheckBox* nameCheck, QLineEdit* nameEdit, QCheckBox* rssiCheck,
                         QLineEdit* rssiEdit, QObject* parent);

    void Load();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StoreNameFilter();
    void StoreRssiFilter();

    QCheckBox* m_nameCheck;
    QLineEdit* m_nameEdit;
    QCheckBox* m_rssiCheck;
    QLineEdit* m_rssiEdit;
    bool m_loading = false;  // Load's own changes store nothing
};
