#pragma once

#include <functional>
#include <string>
#include <vector>

// One try at one unit of a production run: what a station records for traceability.
struct UnitRecord {
    enum class Result { Pass, Fail, Duplicate };

    std::string time;  // UTC, ISO 8601, when the try ended
    std::string station;
    std::string operatorName;
    std::string lot;
    std::string port;
    std::string address;  // empty when the module was not read
    std::string model;
    std::string firmware;
    std::string name;                    // the device name given (with its number), if any
    std::vector<std::string> confirmed;  // "field=value" of each field the read-back confirmed
    Result result = Result::Fail;
    std::string reason;  // why it failed, or why it is a duplicate
    double seconds = 0;
    unsigned attempt = 1;    // 1 for the first try at the unit
    std::string transcript;  // FAIL only: the lines sent (">") and received ("<")
    std::string serial;      // the serial number scanned for the unit, if any
};

const char* ResultText(UnitRecord::Result result);  // "PASS", "FAIL", "DUPLICATE"
UnitRecord::Result ResultFromText(const std::string& text);

// The confirmed fields as one text, "name=SNS-001;advInterval=250", and back.
std::string JoinedFields(const std::vector<std::string>& fields);
std::vector<std::string> SplitFields(const std::string& text);

// A record from the columns of a database row, in the order of the report's columns (time,
// station, ..., transcript, serial), each as text.
UnitRecord RecordFromColumns(const std::function<std::string(int column)>& text);

// A record as a CSV line (every field quoted, CR LF at the end), and the header line. Without
// `withSerial`, the columns of the reports written before serial numbers were recorded.
std::string CsvHeaderLine();
std::string CsvLine(const UnitRecord& record, bool withSerial = true);
