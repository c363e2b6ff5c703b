#pragma once

// The columns of a unit's record, one row each: the report files (CSV and JSON Lines), both
// databases (RecordSql.h) and `skw-manager-cli report` are written from this one table.

#include "UnitRecord.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The version of the record's columns, which is also the databases' schema version: a report
// file or database of an earlier version has the columns added up to that version.
inline constexpr int kRecordVersion = 2;

enum class SqlType { Text, Real, Integer };

// Where a column's value lives in a UnitRecord; the member's type says how it is written.
using RecordMember =
    std::variant<std::string UnitRecord::*, std::vector<std::string> UnitRecord::*,
                 UnitRecord::Result UnitRecord::*, double UnitRecord::*, unsigned UnitRecord::*>;

struct RecordColumn {
    const char* name;  // how the code looks the column up
    const char* csv;   // the CSV header's text
    const char* json;  // the JSON Lines key
    const char* sql;   // the column of the table `units`
    SqlType sqlType;
    bool required;  // NOT NULL in the databases (only a column of the first version can be)
    int since;      // the version that added the column
    RecordMember member;
};

// Every column, in the order of the CSV's columns and the JSON object's keys.
std::span<const RecordColumn> RecordColumns();
// The columns a report or database of `version` has, in order.
std::vector<const RecordColumn*> RecordColumnsOf(int version);
// The column called `name`; a name not in the table is a mistake in the program (logic_error).
const RecordColumn& RecordColumnNamed(std::string_view name);

// A column's value as text, as a CSV field holds it before quoting: the confirmed fields joined
// by ';', the result as "PASS", the seconds to one decimal. Every text is stored as StoredText
// gives it (StoredText.h: valid UTF-8, other bytes escaped), in every sink and every output.
std::string ColumnText(const UnitRecord& record, const RecordColumn& column);
// A column's value in a JSON object: the confirmed fields as a list, the numbers as numbers
// (the seconds to one decimal, as in the CSV).
nlohmann::ordered_json ColumnJson(const UnitRecord& record, const RecordColumn& column);
// A column's value as a database takes it.
using SqlValue = std::variant<std::string, std::int64_t, double>;
SqlValue ColumnSqlValue(const UnitRecord& record, const RecordColumn& column);
// Sets a column's value from its text as a database gives it back (a number in C notation; a
// number that does not read leaves the record's default; a text's escaped bytes recovered).
void SetColumnFromText(UnitRecord& record, const RecordColumn& column, const std::string& text);

// A record from the text of each column, in the order of RecordColumns().
UnitRecord RecordFromColumns(const std::function<std::string(int column)>& text);
