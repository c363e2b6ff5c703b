#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
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

void Add(std::unique_ptr<QTranslator> translator) {
    if (QCoreApplication::installTranslator(translator.get())) {
        Installed().push_back(std::move(translator));
    }
}

// Qt's own texts, such as the buttons of message boxes; a system without the catalogue keeps
// them in English.
void InstallQtCatalogue(const QString& language) {
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_") + language,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        Add(std::move(translator));
    }
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
        if (translator->load(folder.filePath(file))) {
            Add(std::move(translator));
        }
    }
    InstallQtCatalogue(language);
}

void InstallForSystemLocale() { Install(ChooseLanguage(QLocale::system().uiLanguages())); }

}  // namespace Translations
