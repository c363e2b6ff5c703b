#include "RecordFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;

std::string CsvHeader(int version) {
    std::string header;
    for (const RecordColumn* column : RecordColumnsOf(version)) {
        if (!header.empty()) {
            header += ',';
        }
        header += column->csv;
    }
    return header;
}

// A CSV field, quoted; a leading character a spreadsheet takes for a formula is neutralised.
std::string CsvField(const std::string& text) {
    std::string quoted = "\"";
    if (!text.empty() &&
        std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) {
        quoted.push_back('\'');
    }
    for (const char c : text) {
        if (c == '"') {
            quoted.push_back('"');
        }
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

// The version whose CSV header `header` is (this one's or an earlier one's).
bool ReadVersion(const std::vector<std::string>& header, int& version) {
    for (int v = kRecordVersion; v >= 1; --v) {
        if (header == CsvRecords(CsvHeader(v)).front()) {
            version = v;
            return true;
        }
    }
    return false;
}

std::error_code LastError() {
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

}  // namespace

std::vector<std::vector<std::string>> CsvRecords(std::string_view text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row(1);
    bool quoted = false;
    bool fieldStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                row.back() += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                row.back() += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == '"' && fieldStart) {
            quoted = true;
            fieldStart = false;
        } else if (c == ',') {
            row.emplace_back();
            fieldStart = true;
        } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            i += c == '\r' ? 1 : 0;
            rows.push_back(std::move(row));
            row.assign(1, "");
            fieldStart = true;
        } else {
            row.back() += c;
            fieldStart = false;
        }
    }
    if (row.size() > 1 || !row.front().empty() || quoted) {
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string CsvHeaderLine(int version) {
    return CsvHeader(version) + "\r\n";
}

std::string CsvLine(const UnitRecord& record, int version) {
    std::string line;
    for (const RecordColumn* column : RecordColumnsOf(version)) {
        if (!line.empty()) {
            line += ',';
        }
        line += CsvField(ColumnText(record, *column));
    }
    return line + "\r\n";
}

nlohmann::ordered_json RecordJson(const UnitRecord& record) {
    Json json = Json::object();
    for (const RecordColumn& column : RecordColumns()) {
        json[column.json] = ColumnJson(record, column);
    }
    return json;
}

std::unique_ptr<RecordFile> RecordFile::Open(const std::string& path, std::error_code& error,
                                             std::string& why) {
    const bool jsonLines = std::filesystem::path(path).extension() == ".jsonl";
    std::unique_ptr<RecordFile> file(new RecordFile(path, jsonLines));
    if (!file->ReadExisting(why)) {
        error = std::make_error_code(std::errc::invalid_argument);
        return nullptr;
    }
    errno = 0;
    file->m_file.open(path, std::ios::binary | std::ios::app);
    if (!file->m_file) {
        error = LastError();
        return nullptr;
    }
    // Not tellp(): where a file opened for appending starts is the library's choice (0 on
    // Windows, so every reopened report got a second header there).
    if (!jsonLines && !file->m_hasRecords) {
        file->m_file << CsvHeaderLine() << std::flush;
        if (!file->m_file) {
            error = LastError();
            return nullptr;
        }
    }
    return file;
}

bool RecordFile::ReadExisting(std::string& why) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(m_path, ignored)) {
        return true;  // new, or a device such as /dev/full: nothing recorded in it before
    }
    std::ifstream existing(m_path, std::ios::binary);
    std::ostringstream content;
    content << existing.rdbuf();
    const std::string text = content.str();
    if (!existing || text.empty()) {
        return true;  // new or empty
    }
    m_hasRecords = true;
    return m_jsonLines ? ReadJsonLines(text, why) : ReadCsv(text, why);
}

void RecordFile::Remember(const std::string& result, const std::string& address,
                          const std::string& name) {
    if (result == ResultText(UnitRecord::Result::Pass)) {
        m_passed.insert(address);
        m_passedNames.insert(name);
    }
}

// A transcript's line breaks are inside its quotes: a row is read whole, never line by line.
bool RecordFile::ReadCsv(const std::string& text, std::string& why) {
    const std::vector<std::vector<std::string>> rows = CsvRecords(text);
    if (rows.empty() || !ReadVersion(rows.front(), m_version)) {
        why = "its header is not this program's";
        return false;
    }
    const std::vector<const RecordColumn*> columns = RecordColumnsOf(m_version);
    const auto position = [&columns](const char* name) {
        return static_cast<std::size_t>(
            std::find(columns.begin(), columns.end(), &RecordColumnNamed(name)) - columns.begin());
    };
    const std::size_t address = position("address");
    const std::size_t result = position("result");
    const std::size_t name = position("name");
    for (auto row = rows.begin() + 1; row != rows.end(); ++row) {
        if (row->size() > std::max({address, result, name})) {
            Remember((*row)[result], (*row)[address], (*row)[name]);
        }
    }
    return true;
}

bool RecordFile::ReadJsonLines(const std::string& text, std::string& why) {
    const RecordColumn& address = RecordColumnNamed("address");
    const RecordColumn& result = RecordColumnNamed("result");
    const RecordColumn& name = RecordColumnNamed("name");
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const Json record = Json::parse(line, nullptr, false);
        if (!record.is_object() || !record.contains(result.json) ||
            !record.contains(address.json)) {
            why = "a line is not one of this program's records";
            return false;
        }
        const auto field = [&record](const RecordColumn& column) {
            const auto it = record.find(column.json);
            return it != record.end() && it->is_string() ? it->get<std::string>() : std::string();
        };
        Remember(field(result), field(address), field(name));
    }
    return true;
}

std::string RecordFile::Line(const UnitRecord& r) const {
    if (!m_jsonLines) {
        return CsvLine(r, m_version);
    }
    return RecordJson(r).dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::error_code RecordFile::Write(const UnitRecord& record) {
    errno = 0;
    m_file << Line(record) << std::flush;
    if (!m_file) {
        return LastError();
    }
    // A report removed while it is open takes every later record with it, unseen.
    std::error_code error;
    if (!std::filesystem::exists(m_path, error)) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (record.result == UnitRecord::Result::Pass) {
        m_passed.insert(record.address);
    }
    return {};
}
