#pragma once

#include <string_view>

// What a unit of work tells as it goes, each a line of text in the user's language. The command
// line prints them; a station's units tell nobody.
class SessionReporter {
public:
    virtual ~SessionReporter() = default;
    // A setting sent and acknowledged.
    virtual void Step(std::string_view line) = 0;
    // A difference found between the module and what it is to become.
    virtual void Result(std::string_view line) = 0;
    // A notice: nothing to change, a dry run.
    virtual void Message(std::string_view line) = 0;
};

// Tells nobody: a station's units, whose lines would interleave.
class SilentReporter final : public SessionReporter {
public:
    void Step(std::string_view) override {}
    void Result(std::string_view) override {}
    void Message(std::string_view) override {}
};
