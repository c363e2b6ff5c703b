#pragma once

#include "CliTexts.h"

#include <memory>
#include <string>
#include <vector>

// What skw-manager-cli takes from its surroundings: the user's language and the port list.
// Built with Qt (CliHostQt.cpp: the Korean catalogues and Qt's port list) or without it
// (CliHostPlain.cpp: English, the system's own port list), chosen by SKW_CLI_WITHOUT_QT.
class CliHost {
public:
    // Lives as long as the program runs; `argc`, `argv` as main() got them.
    CliHost(int& argc, char** argv);
    ~CliHost();
    CliHost(const CliHost&) = delete;
    CliHost& operator=(const CliHost&) = delete;

    // Looks texts up in the user's language; empty for English.
    Translator UserLanguage() const;
    // The port list of the COM port dialog.
    static std::vector<std::string> SerialPorts();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
