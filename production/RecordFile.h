#pragma once

#include "RecordColumns.h"
#include "UnitRecord.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// A record as one JSON object, the fields of a JSON Lines report.
nlohmann::ordered_json RecordJson(const UnitRecord& record);

// A record as a CSV line (every field quoted, CR LF at the end), and the header line, with the
// columns of `version`: a report begun by an earlier version keeps its columns.
std::string CsvHeaderLine(int version = kRecordVersion);
std::string CsvLine(const UnitRecord& record, int version = kRecordVersion);
std::string CsvLine(const UnitRecord& record, bool) = delete;  // a version, not a flag

// The rows of a CSV text (RFC 4180): a field in quotes may hold commas, doubled quotes and line
// breaks; a row ends with CR LF or LF outside quotes. A last line break ends nothing more.
std::vector<std::vector<std::string>> CsvRecords(std::string_view text);

// Where a station's records go. Write returns only once the record is written and flushed, so
// a unit is never shown as passed without its record; an error means the record is lost and the
// station must stop.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual std::error_code Write(const UnitRecord& record) = 0;
    // The addresses recorded as PASS so far (those of earlier runs included).
    virtual std::set<std::string> PassedAddresses() const = 0;
    // Whether `address` has a PASS record now, written by any station: a sink shared by several
    // stations is asked again when a unit starts. False when it cannot tell.
    virtual bool PassedNow(const std::string& address) {
        (void)address;
        return false;
    }
    // What the sink is, for messages: a file's path, a database's address without password.
    virtual std::string Name() const = 0;
    // Whether a write that failed with `error` is tried again until it succeeds: the sink cannot
    // be reached for now (a database whose connection is lost). Any other error stops the
    // station: the record was refused, and writing it again would not change that.
    virtual bool Retriable(const std::error_code&) const { return false; }
    // Why the last write failed in the sink's own words (a database's message); empty when the
    // error says it all. Read under the lock the writes are made under.
    virtual std::string WriteFailure() const { return {}; }
};

// A report file, CSV (one row per try, a header first) or JSON Lines (one object per try) by
// its extension ".jsonl". An existing file is appended only if its header (CSV) or first
// record's fields (JSON Lines) are this program's (a CSV header of an earlier version included:
// its rows are appended in its columns); its PASS addresses count as passed.
class RecordFile : public RecordSink {
public:
    static std::unique_ptr<RecordFile> Open(const std::string& path, std::error_code& error,
                                            std::string& why);

    std::error_code Write(const UnitRecord& record) override;
    std::set<std::string> PassedAddresses() const override { return m_passed; }
    // The names of the PASS records in the file when it was opened.
    const std::set<std::string>& PassedNames() const { return m_passedNames; }
    std::string Name() const override { return m_path; }

private:
    RecordFile(std::string path, bool jsonLines)
        : m_path(std::move(path)), m_jsonLines(jsonLines) {}
    // A CSV report begun by an earlier version keeps its columns.
    bool ReadExisting(std::string& why);
    bool ReadCsv(const std::string& text, std::string& why);
    bool ReadJsonLines(const std::string& text, std::string& why);
    void Remember(const std::string& result, const std::string& address, const std::string& name);
    std::string Line(const UnitRecord& record) const;

    std::string m_path;
    bool m_jsonLines;
    int m_version = kRecordVersion;  // CSV: the version whose columns the file has
    bool m_hasRecords = false;       // the file has lines already (a CSV: its header at least)
    std::ofstream m_file;
    std::set<std::string> m_passed;
    std::set<std::string> m_passedNames;
};
