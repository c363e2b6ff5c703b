#include "RecordFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <iterator>
#include <span>
#include <sstream>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kColumns[] = {
    "time", "station",   "operator", "lot",    "port",    "address", "model",      "firmware",
    "name", "confirmed", "result",   "reason", "seconds", "attempt", "transcript", "serial"};
// The columns before serial numbers were recorded: all but the last.
constexpr std::size_t kColumnsWithoutSerial = std::size(kColumns) - 1;

std::string CsvHeader(bool withSerial = true) {
    std::string header;
    const std::size_t count = withSerial ? std::size(kColumns) : kColumnsWithoutSerial;
    for (const char* column : std::span(kColumns).first(count)) {
        if (!header.empty()) {
            header += ',';
        }
        header += column;
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

std::string SecondsText(double seconds) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << seconds;
    return text.str();
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

std::error_code LastError() {
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

}  // namespace

std::string JoinedFields(const std::vector<std::string>& fields) {
    std::string joined;
    for (const std::string& field : fields) {
        if (!joined.empty()) {
            joined += ';';
        }
        joined += field;
    }
    return joined;
}

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

UnitRecord::Result ResultFromText(const std::string& text) {
    return text == "PASS"        ? UnitRecord::Result::Pass
           : text == "DUPLICATE" ? UnitRecord::Result::Duplicate
                                 : UnitRecord::Result::Fail;
}

std::string CsvHeaderLine() {
    return CsvHeader() + "\r\n";
}

std::string CsvLine(const UnitRecord& r, bool withSerial) {
    const std::string fields[] = {r.time,
                                  r.station,
                                  r.operatorName,
                                  r.lot,
                                  r.port,
                                  r.address,
                                  r.model,
                                  r.firmware,
                                  r.name,
                                  JoinedFields(r.confirmed),
                                  ResultText(r.result),
                                  r.reason,
                                  SecondsText(r.seconds),
                                  std::to_string(r.attempt),
                                  r.transcript,
                                  r.serial};
    std::string line;
    for (const std::string& field :
         std::span(fields).first(withSerial ? std::size(fields) : kColumnsWithoutSerial)) {
        if (!line.empty()) {
            line += ',';
        }
        line += CsvField(field);
    }
    return line + "\r\n";
}

nlohmann::ordered_json RecordJson(const UnitRecord& r) {
    return {{"time", r.time},
            {"station", r.station},
            {"operator", r.operatorName},
            {"lot", r.lot},
            {"port", r.port},
            {"address", r.address},
            {"model", r.model},
            {"firmware", r.firmware},
            {"name", r.name},
            {"confirmed", r.confirmed},
            {"result", ResultText(r.result)},
            {"reason", r.reason},
            {"seconds", r.seconds},
            {"attempt", r.attempt},
            {"transcript", r.transcript},
            {"serial", r.serial}};
}

UnitRecord RecordFromColumns(const std::function<std::string(int column)>& text) {
    const auto number = [&text](int column, auto& value) {
        const std::string digits = text(column);
        std::from_chars(digits.data(), digits.data() + digits.size(), value);  // locale-free
    };
    UnitRecord r;
    r.time = text(0);
    r.station = text(1);
    r.operatorName = text(2);
    r.lot = text(3);
    r.port = text(4);
    r.address = text(5);
    r.model = text(6);
    r.firmware = text(7);
    r.name = text(8);
    r.confirmed = SplitFields(text(9));
    r.result = ResultFromText(text(10));
    r.reason = text(11);
    number(12, r.seconds);
    number(13, r.attempt);
    r.transcript = text(14);
    r.serial = text(15);
    return r;
}

const char* ResultText(UnitRecord::Result result) {
    switch (result) {
        case UnitRecord::Result::Pass:
            return "PASS";
        case UnitRecord::Result::Duplicate:
            return "DUPLICATE";
        case UnitRecord::Result::Fail:
            break;
    }
    return "FAIL";
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
    if (!m_jsonLines && CsvFields(line) != CsvFields(CsvHeader())) {
        if (CsvFields(line) != CsvFields(CsvHeader(false))) {
            why = "its header is not this program's";
            return false;
        }
        m_withSerial = false;
    }
    const std::size_t addressColumn = 5;
    const std::size_t resultColumn = 10;
    do {
        if (m_jsonLines) {
            const Json record = Json::parse(line, nullptr, false);
            if (!record.is_object() || !record.contains("result") || !record.contains("address")) {
                why = "a line is not one of this program's records";
                return false;
            }
            if (record["result"] == "PASS" && record["address"].is_string()) {
                m_passed.insert(record["address"].get<std::string>());
            }
        } else if (const auto fields = CsvFields(line);
                   fields.size() > resultColumn && fields[resultColumn] == "PASS") {
            m_passed.insert(fields[addressColumn]);
        }
    } while (std::getline(existing, line));
    return true;
}

std::string RecordFile::Line(const UnitRecord& r) const {
    if (!m_jsonLines) {
        return CsvLine(r, m_withSerial);
    }
    Json json = RecordJson(r);
    json["seconds"] = std::round(r.seconds * 10) / 10;
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
