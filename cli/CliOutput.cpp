// How the command-line tool writes: error lines, text lines made safe to show (what came from a
// module may hold control characters or invalid UTF-8), JSON, and the width of text in columns.

#include "CliOutput.h"

#include "CliArguments.h"
#include "Conversions.h"

#include <algorithm>

namespace {

// The code point starting at `i`, moving `i` past it; valid UTF-8 is assumed.
char32_t NextCodePoint(std::string_view utf8, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(utf8[i++]);
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int n = 0; n < extra && i < utf8.size(); ++n) {
        code = (code << 6) | (static_cast<unsigned char>(utf8[i++]) & 0x3F);
    }
    return code;
}

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return line;
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

int CliContext::Fail(ExitCode code, std::string_view message) const {
    err << kProgramName << ": " << Printable(OneLine(message)) << '\n';
    return ToInt(code);
}

int CliContext::Fail(const Failure& failure) const {
    return Fail(ExitCodeOf(failure.outcome), failure.message);
}

void CliContext::Say(std::string_view line) const {
    out << Printable(OneLine(line)) << '\n' << std::flush;
}

void CliContext::SayJson(std::string_view json) const {
    out << json << '\n' << std::flush;
}

std::string Printable(std::string_view text) {
    const std::string utf8 = Normalised(std::string(text));
    std::string shown;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        const char32_t c = NextCodePoint(utf8, i);
        if (IsControl(c)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
            shown += escaped;
        } else {
            shown.append(utf8, start, i - start);
        }
    }
    return shown;
}

std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        width += IsWide(NextCodePoint(utf8, i)) ? 2 : 1;
    }
    return width;
}

std::string PadRight(std::string_view utf8, std::size_t width) {
    std::string padded(utf8);
    const std::size_t used = DisplayWidth(utf8);
    if (used < width) {
        padded.append(width - used, ' ');
    }
    return padded;
}

std::string LabelTable(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::size_t width = 0;
    for (const auto& row : rows) {
        width = std::max(width, DisplayWidth(row.first));
    }
    std::string table;
    for (const auto& [label, value] : rows) {
        table += PadRight(label, width) + "  " + Printable(value) + "\n";
    }
    return table;
}

// The JSON library escapes only the C0 controls; DEL and the C1 controls (which some terminals
// act on) are escaped here too. They can only stand inside strings, where \u escapes are valid.
std::string JsonText(const nlohmann::ordered_json& json) {
    const std::string dumped =
        json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::string text;
    text.reserve(dumped.size());
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        const auto byte = static_cast<unsigned char>(dumped[i]);
        const auto next = i + 1 < dumped.size() ? static_cast<unsigned char>(dumped[i + 1]) : 0;
        unsigned escaped = 0;
        if (byte == 0x7F) {
            escaped = byte;
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            escaped = next;
            ++i;
        }
        if (escaped != 0) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", escaped);
            text += code;
        } else {
            text += dumped[i];
        }
    }
    return text;
}

JsonObject& JsonObject::Text(std::string_view key, std::string_view value) {
    m_json[std::string(key)] = value;
    return *this;
}

JsonObject& JsonObject::Number(std::string_view key, std::int64_t value) {
    m_json[std::string(key)] = value;
    return *this;
}

JsonObject& JsonObject::Bool(std::string_view key, bool value) {
    m_json[std::string(key)] = value;
    return *this;
}

JsonObject& JsonObject::Null(std::string_view key) {
    m_json[std::string(key)] = nullptr;
    return *this;
}

std::string JsonArray(const std::vector<JsonObject>& items) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const JsonObject& item : items) {
        array.push_back(item.Value());
    }
    return JsonText(array);
}
