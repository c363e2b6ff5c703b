#pragma once

#include <QSettings>
#include <QTemporaryDir>

// Points the settings store at a folder of this test's own, so tests that run side by side
// never see each other's values; every test starts from the defaults.
class ScratchSettings {
public:
    ScratchSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
    }

private:
    QTemporaryDir m_folder;
};
