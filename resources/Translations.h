#pragma once

#include <QString>
#include <QStringList>

// The program's texts are English in the code; Korean comes from the embedded *_ko.qm files,
// one per folder. The language follows the user's UI language list: the first entry that is
// English or Korean decides; anything else means English.
namespace Translations {

QString ChooseLanguage(const QStringList& uiLanguages);  // "ko" or "en"

// Installs the translators of `language` ("en" removes them): ours, then Qt's own catalogue
// (qtbase_<language>.qm from Qt's translations folder). Safe to call again to switch.
void Install(const QString& language);

// Install(ChooseLanguage(QLocale::system().uiLanguages())).
void InstallForSystemLocale();

}  // namespace Translations
