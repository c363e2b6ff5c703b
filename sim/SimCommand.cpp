#include "SimCommand.h"

#include <algorithm>
#include <cctype>

SimCommand ParseSimCommand(std::string_view line) {
    SimCommand command;
    if (line.substr(0, 3) == "AT+") {
        const std::string_view rest = line.substr(3);
        const std::size_t equals = rest.find('=');
        if (equals != std::string_view::npos) {
            command.form = SimCommand::Form::Set;
            command.name = rest.substr(0, equals);
            command.argument = rest.substr(equals + 1);
        } else if (!rest.empty() && rest.back() == '?') {
            command.form = SimCommand::Form::Query;
            command.name = rest.substr(0, rest.size() - 1);
        } else {
            command.form = SimCommand::Form::Action;
            command.name = rest;
        }
    } else if (line.substr(0, 2) == "AT") {
        command.form = SimCommand::Form::Bare;
        command.name = line;
    }
    return command;
}

std::vector<std::string> SplitArguments(std::string_view argument, std::size_t maxFields) {
    std::vector<std::string> fields;
    while (fields.size() + 1 < maxFields) {
        const std::size_t comma = argument.find(',');
        if (comma == std::string_view::npos) {
            break;
        }
        fields.emplace_back(argument.substr(0, comma));
        argument.remove_prefix(comma + 1);
    }
    fields.emplace_back(argument);
    return fields;
}

bool ParseDecimal(std::string_view text, unsigned& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    unsigned result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + static_cast<unsigned>(c - '0');
    }
    value = result;
    return true;
}

bool ParseOnOff(std::string_view text, bool& value) {
    if (text == "ON" || text == "OFF") {
        value = text == "ON";
        return true;
    }
    return false;
}

bool IsBluetoothAddress(std::string_view text) {
    return text.size() == 12 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}
