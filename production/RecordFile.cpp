#include "RecordFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
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
    if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos) {
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

// The fields of a CSV line, quotes removed (the format this file writes: every field quoted).
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

// The version whose CSV header `header` is (this one's or an earlier one's).
bool ReadVersion(const std::vector<std::string>& header, int& version) {
    for (int v = kRecordVersion; v >= 1; --v) {
        if (header == CsvFields(CsvHeader(v))) {
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
    std::string line;
    if (!existing || !std::getline(existing, line)) {
        return true;  // new or empty
    }
    m_hasRecords = true;
    if (!m_jsonLines && !ReadVersion(CsvFields(line), m_version)) {
        why = "its header is not this program's";
        return false;
    }
    const RecordColumn& address = RecordColumnNamed("address");
    const RecordColumn& result = RecordColumnNamed("result");
    const std::vector<const RecordColumn*> columns = RecordColumnsOf(m_version);
    const auto position = [&columns](const RecordColumn& column) {
        return static_cast<std::size_t>(std::find(columns.begin(), columns.end(), &column) -
                                        columns.begin());
    };
    const std::size_t addressColumn = position(address);
    const std::size_t resultColumn = position(result);
    const std::string passed = ResultText(UnitRecord::Result::Pass);
    do {
        if (m_jsonLines) {
            const Json record = Json::parse(line, nullptr, false);
            if (!record.is_object() || !record.contains(result.json) ||
                !record.contains(address.json)) {
                why = "a line is not one of this program's records";
                return false;
            }
            if (record[result.json] == passed && record[address.json].is_string()) {
                m_passed.insert(record[address.json].get<std::string>());
            }
        } else if (const auto fields = CsvFields(line); fields.size() > resultColumn &&
                                                        fields.size() > addressColumn &&
                                                        fields[resultColumn] == passed) {
            m_passed.insert(fields[addressColumn]);
        }
    } while (std::getline(existing, line));
    return true;
}

std::string RecordFile::Line(const UnitRecord& r) const {
    if (!m_jsonLines) {
        return CsvLine(r, m_version);
    }
    // A report's seconds to one decimal, as in its CSV; the report command gives them whole.
    Json json = RecordJson(r);
    json[RecordColumnNamed("seconds").json] = std::round(r.seconds * 10) / 10;
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
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
