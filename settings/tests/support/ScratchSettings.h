#pragma once

#include "AppSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>

#include <optional>

// Points the settings store at a folder of this fixture's own, so tests that run side by side
// never see each other's values; every test starts from the defaults. Store() and Read() reach
// the raw values, for what the typed setters never write (an unreadable value, nothing at all).
class ScratchSettings {
public:
    using Stored = std::optional<QVariant>;

    ScratchSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
        Clear();
    }

    static void Clear() { QSettings().clear(); }

    // Stores `value`; nothing when it is empty.
    static void Store(AppSettings::Value name, const Stored& value) {
        if (value) {
            QSettings().setValue(AppSettings::StoreKey(name), *value);
        }
    }

    static Stored Read(AppSettings::Value name) {
        const QVariant value = QSettings().value(AppSettings::StoreKey(name));
        return value.isValid() ? Stored(value) : std::nullopt;
    }

    // The stored value as text ("0" for a stored 0); empty when nothing is stored.
    static QString ReadText(AppSettings::Value name) {
        return QSettings().value(AppSettings::StoreKey(name)).toString();
    }

    QString Folder() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};
