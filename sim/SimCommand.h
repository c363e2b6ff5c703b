#pragma once

#include <string>
#include <string_view>
#include <vector>

// One command line as the module reads it, without its CR:
//   "AT", "ATZ", "AT&F"        Bare     name = the whole line
//   "AT+NAME?"                 Query    name = NAME
//   "AT+NAME=ARGUMENT"         Set      name = NAME, argument = everything after '='
//   "AT+NAME"                  Action   name = NAME
// Anything not starting with "AT" is Invalid.
struct SimCommand {
    enum class Form { Invalid, Bare, Query, Set, Action };
    Form form = Form::Invalid;
    std::string name;
    std::string argument;
};

SimCommand ParseSimCommand(std::string_view line);

// Splits at commas into at most `maxFields` fields; the last field keeps any further commas.
std::vector<std::string> SplitArguments(std::string_view argument, std::size_t maxFields);

// Strict readers of argument fields; they refuse signs, spaces and anything trailing.
bool ParseDecimal(std::string_view text, unsigned& value);
bool ParseOnOff(std::string_view text, bool& value);
bool IsBluetoothAddress(std::string_view text);  // exactly 12 hex digits, either case
