#pragma once

#include <string>
#include <vector>

// What skw-manager-cli takes from Qt: the user's language and the serial port list.
namespace CliQt {

// Installs the Korean catalogues when the user's UI language asks for Korean, as the program
// does. Needs a QCoreApplication.
void InstallTranslations();

// The installed catalogues' translation of `source`, UTF-8; the source when none has it.
std::string Translate(const char* context, const char* source);

// The port list of the COM port dialog: system ports, then the live virtual modules.
std::vector<std::string> SerialPorts();

}  // namespace CliQt
