#include "CliHost.h"

#include "NativeSerialPorts.h"

struct CliHost::State {};

CliHost::CliHost(int&, char**) {}

CliHost::~CliHost() = default;

Translator CliHost::UserLanguage() const {
    return {};
}

std::vector<std::string> CliHost::SerialPorts() {
    return NativeSerialPorts();
}
