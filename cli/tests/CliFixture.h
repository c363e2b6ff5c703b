#pragma once

#include "VirtualModule.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using Transcript = std::vector<std::string>;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
    Transcript commands;  // what the module received during the run
};

// skw-manager-cli run in this process against a virtual module, in English.
class CliFixture : public ::testing::Test {
protected:
    // Starts the module that Run() talks to; the port link gets a name of its own.
    void StartModule(VirtualModuleOptions options = {});
    VirtualModule& Module() { return *m_module; }

    // `command --port <module> options...`
    CliResult Run(const std::string& command, const std::vector<std::string>& options = {});
    // Any command line, without the program name.
    CliResult RunArgs(const std::vector<std::string>& args);

private:
    std::unique_ptr<VirtualModule> m_module;
};

VirtualModuleOptions ModelOptions(const std::string& model,
                                  std::chrono::milliseconds latency = std::chrono::milliseconds(0));

Transcript Concat(std::initializer_list<Transcript> parts);
Transcript Identify();  // "AT", "AT+MODEL?"
// The read job of a "GaX-sKW523": the first one after power-on enters the setting mode.
Transcript FullRead(bool entersSetMode);
Transcript ConnectFull();  // identification and the first full read
Transcript Reread();       // identification and a full read in the setting mode
