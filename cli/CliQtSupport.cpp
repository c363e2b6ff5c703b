#include "CliQtSupport.h"

#include "EnumSerialPorts.h"
#include "Translations.h"

#include <QCoreApplication>

namespace CliQt {

void InstallTranslations() {
    Translations::InstallForSystemLocale();
}

std::string Translate(const char* context, const char* source) {
    return QCoreApplication::translate(context, source).toStdString();
}

std::vector<std::string> SerialPorts() {
    std::vector<std::string> ports;
    for (const QString& port : EnumSerialPorts()) {
        ports.push_back(port.toStdString());
    }
    return ports;
}

}  // namespace CliQt
