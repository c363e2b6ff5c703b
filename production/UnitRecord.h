#pragma once

#include <string>
#include <vector>

// One try at one unit of a production run: what a station records for traceability. How each
// field is written to a report or a database is its row in RecordColumns.cpp.
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

    friend bool operator==(const UnitRecord&, const UnitRecord&) = default;
};

const char* ResultText(UnitRecord::Result result);  // "PASS", "FAIL", "DUPLICATE"
UnitRecord::Result ResultFromText(const std::string& text);

// The confirmed fields as one text, "name=SNS-001;role=multi-at", and back.
std::string JoinedFields(const std::vector<std::string>& fields);
std::vector<std::string> SplitFields(const std::string& text);
