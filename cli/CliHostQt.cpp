#include "CliHost.h"

#include "CliQtSupport.h"

#include <QCoreApplication>

struct CliHost::State {
    QCoreApplication application;
};

CliHost::CliHost(int& argc, char** argv) : m_state(new State{QCoreApplication(argc, argv)}) {
    CliQt::InstallTranslations();
}

CliHost::~CliHost() = default;

Translator CliHost::UserLanguage() const {
    return CliQt::Translate;
}

std::vector<std::string> CliHost::SerialPorts() {
    return CliQt::SerialPorts();
}
