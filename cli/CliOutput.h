#pragma once

#include "CliTexts.h"
#include "ExitCode.h"
#include "ModuleValues.h"  // Normalised
#include "SessionReporter.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Where a command writes: results to `out`, errors to `err` as one line each.
struct CliContext {
    std::ostream& out;
    std::ostream& err;
    Texts texts;
    const std::atomic<bool>* stopRequested = nullptr;  // set by SIGINT/SIGTERM; may be null
    const std::atomic<int>* stopSignals = nullptr;     // how many came; may be null
    std::atomic<bool>* summaryRequested = nullptr;     // SIGUSR1; may be null

    // Writes "skw-manager-cli: <message>" on one line and returns `code`.
    int Fail(ExitCode code, std::string_view message) const;
    // The same for a unit of work that failed, with its outcome's exit status.
    int Fail(const Failure& failure) const;
    // Writes one line of text, shown safely (see Printable).
    void Say(std::string_view line) const;
    // Writes JSON as it is: its string escapes already keep every control character out.
    void SayJson(std::string_view json) const;
    bool StopRequested() const { return stopRequested != nullptr && stopRequested->load(); }
};

// A unit of work's lines, each printed as a line of text.
class CliReporter final : public SessionReporter {
public:
    explicit CliReporter(const CliContext& context) : m_context(context) {}
    void Step(std::string_view line) override { m_context.Say(line); }
    void Result(std::string_view line) override { m_context.Say(line); }
    void Message(std::string_view line) override { m_context.Say(line); }

private:
    const CliContext& m_context;
};

// Text that cannot drive a terminal: what came from a module or a file name may carry escape
// sequences. Control characters (C0, DEL, C1) are shown as \x1b and so on; invalid UTF-8
// becomes U+FFFD.
std::string Printable(std::string_view text);

// Columns a terminal gives the text: two for Hangul and other wide East Asian characters.
std::size_t DisplayWidth(std::string_view utf8);
// `utf8` followed by blanks up to `width` columns.
std::string PadRight(std::string_view utf8, std::size_t width);

// Rows of label and value, the values aligned in one column and shown with Printable.
std::string LabelTable(const std::vector<std::pair<std::string, std::string>>& rows);

// One line of JSON; text that is not valid UTF-8 is written with U+FFFD in its place.
std::string JsonText(const nlohmann::ordered_json& json);

// A JSON object built member by member, in order.
class JsonObject {
public:
    JsonObject& Text(std::string_view key, std::string_view value);
    JsonObject& Number(std::string_view key, std::int64_t value);
    JsonObject& Bool(std::string_view key, bool value);
    JsonObject& Null(std::string_view key);
    std::string Json() const { return JsonText(m_json); }
    const nlohmann::ordered_json& Value() const { return m_json; }

private:
    nlohmann::ordered_json m_json = nlohmann::ordered_json::object();
};

std::string JsonArray(const std::vector<JsonObject>& items);
