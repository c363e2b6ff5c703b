#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

#include <memory>
#include <vector>

namespace Translations {

namespace {

std::vector<std::unique_ptr<QTranslator>>& Installed() {
    static std::vector<std::unique_ptr<QTranslator>> translators;
    return translators;
}

void RemoveAll() {
    for (const auto& translator : Installed()) {
        QCoreApplication::removeTranslator(translator.get());
    }
    Installed().clear();
}

}  // namespace

QString ChooseLanguage(const QStringList& uiLanguages) {
    for (const QString& language : uiLanguages) {
        if (language.startsWith(u"ko", Qt::CaseInsensitive)) {
            return QStringLiteral("ko");
        }
        if (language.startsWith(u"en", Qt::CaseInsensitive)) {
            return QStringLiteral("en");
        }
    }
    return QStringLiteral("en");
}

void Install(const QString& language) {
    RemoveAll();
    if (language == u"en") {
        return;
    }
    const QDir folder(QStringLiteral(":/i18n"));
    const QStringList files =
        folder.entryList({QStringLiteral("*_%1.qm").arg(language)}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(folder.filePath(file)) &&
            QCoreApplication::installTranslator(translator.get())) {
            Installed().push_back(std::move(translator));
        }
    }
}

void InstallForSystemLocale() { Install(ChooseLanguage(QLocale::system().uiLanguages())); }

}  // namespace Translations
