#include "RecordColumns.h"

#include "StoredText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iomanip>
#include <sstream>
#include <stdexcept>

namespace {

using R = UnitRecord;

// A new field is a new row at the end, added in a new version (kRecordVersion raised by one):
// reports and databases of the earlier versions keep their columns and are migrated by it.
// clang-format off
constexpr RecordColumn kColumns[] = {
    // name         CSV           JSON          SQL           SQL type        required since
    {"time",       "time",       "time",       "time",       SqlType::Text,    true,  1, &R::time},
    {"station",    "station",    "station",    "station",    SqlType::Text,    false, 1, &R::station},
    {"operator",   "operator",   "operator",   "operator",   SqlType::Text,    false, 1, &R::operatorName},
    {"lot",        "lot",        "lot",        "lot",        SqlType::Text,    false, 1, &R::lot},
    {"port",       "port",       "port",       "port",       SqlType::Text,    false, 1, &R::port},
    {"address",    "address",    "address",    "address",    SqlType::Text,    false, 1, &R::address},
    {"model",      "model",      "model",      "model",      SqlType::Text,    false, 1, &R::model},
    {"firmware",   "firmware",   "firmware",   "firmware",   SqlType::Text,    false, 1, &R::firmware},
    {"name",       "name",       "name",       "name",       SqlType::Text,    false, 1, &R::name},
    {"confirmed",  "confirmed",  "confirmed",  "confirmed",  SqlType::Text,    false, 1, &R::confirmed},
    {"result",     "result",     "result",     "result",     SqlType::Text,    true,  1, &R::result},
    {"reason",     "reason",     "reason",     "reason",     SqlType::Text,    false, 1, &R::reason},
    {"seconds",    "seconds",    "seconds",    "seconds",    SqlType::Real,    false, 1, &R::seconds},
    {"attempt",    "attempt",    "attempt",    "attempt",    SqlType::Integer, false, 1, &R::attempt},
    {"transcript", "transcript", "transcript", "transcript", SqlType::Text,    false, 1, &R::transcript},
    {"serial",     "serial",     "serial",     "serial",     SqlType::Text,    false, 2, &R::serial},
};
// clang-format on

// What a database migration or an older report needs of the table. Each version after the first
// added columns (its migration adds them), the last one this program's.
constexpr bool TableIsConsistent() {
    for (int version = 1; version <= kRecordVersion; ++version) {
        if (std::none_of(std::begin(kColumns), std::end(kColumns),
                         [version](const RecordColumn& c) { return c.since == version; })) {
            return false;
        }
    }
    for (std::size_t i = 0; i < std::size(kColumns); ++i) {
        const RecordColumn& column = kColumns[i];
        if (column.since < 1 || column.since > kRecordVersion) {
            return false;
        }
        // A column added later is added to existing rows, which have no value for it.
        if (column.required && column.since != 1) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (std::string_view(kColumns[j].name) == column.name ||
                std::string_view(kColumns[j].csv) == column.csv ||
                std::string_view(kColumns[j].json) == column.json ||
                std::string_view(kColumns[j].sql) == column.sql) {
                return false;
            }
        }
    }
    return true;
}
static_assert(TableIsConsistent(), "a record column's version, names or NOT NULL do not fit");

template <class... Kinds>
struct Overloaded : Kinds... {
    using Kinds::operator()...;
};

std::string OneDecimal(double seconds) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << seconds;
    return text.str();
}

template <class Number>
void ReadNumber(const std::string& text, Number& value) {
    std::from_chars(text.data(), text.data() + text.size(), value);  // locale-free
}

}  // namespace

std::span<const RecordColumn> RecordColumns() {
    return kColumns;
}

std::vector<const RecordColumn*> RecordColumnsOf(int version) {
    std::vector<const RecordColumn*> columns;
    for (const RecordColumn& column : kColumns) {
        if (column.since <= version) {
            columns.push_back(&column);
        }
    }
    return columns;
}

const RecordColumn& RecordColumnNamed(std::string_view name) {
    const auto* found = std::find_if(std::begin(kColumns), std::end(kColumns),
                                     [name](const RecordColumn& c) { return c.name == name; });
    if (found == std::end(kColumns)) {
        throw std::logic_error("no record column " + std::string(name));
    }
    return *found;
}

std::string ColumnText(const UnitRecord& r, const RecordColumn& column) {
    return std::visit(
        Overloaded{
            [&r](std::string R::*value) { return StoredText(r.*value); },
            [&r](std::vector<std::string> R::*value) { return StoredText(JoinedFields(r.*value)); },
            [&r](R::Result R::*value) { return std::string(ResultText(r.*value)); },
            [&r](double R::*value) { return OneDecimal(r.*value); },
            [&r](unsigned R::*value) { return std::to_string(r.*value); },
        },
        column.member);
}

nlohmann::ordered_json ColumnJson(const UnitRecord& r, const RecordColumn& column) {
    return std::visit(
        Overloaded{
            [&r](std::string R::*value) { return nlohmann::ordered_json(StoredText(r.*value)); },
            [&r](std::vector<std::string> R::*value) {
                nlohmann::ordered_json fields = nlohmann::ordered_json::array();
                for (const std::string& field : r.*value) {
                    fields.push_back(StoredText(field));
                }
                return fields;
            },
            [&r](R::Result R::*value) { return nlohmann::ordered_json(ResultText(r.*value)); },
            [&r](double R::*value) {
                return nlohmann::ordered_json(std::round(r.*value * 10) / 10);
            },
            [&r](unsigned R::*value) { return nlohmann::ordered_json(r.*value); },
        },
        column.member);
}

SqlValue ColumnSqlValue(const UnitRecord& r, const RecordColumn& column) {
    return std::visit(
        Overloaded{
            [&r](std::string R::*value) { return SqlValue(StoredText(r.*value)); },
            [&r](std::vector<std::string> R::*value) {
                return SqlValue(StoredText(JoinedFields(r.*value)));
            },
            [&r](R::Result R::*value) { return SqlValue(std::string(ResultText(r.*value))); },
            [&r](double R::*value) { return SqlValue(r.*value); },
            [&r](unsigned R::*value) { return SqlValue(std::int64_t{r.*value}); },
        },
        column.member);
}

void SetColumnFromText(UnitRecord& r, const RecordColumn& column, const std::string& text) {
    std::visit(Overloaded{
                   [&](std::string R::*value) { r.*value = BytesOfStoredText(text); },
                   [&](std::vector<std::string> R::*value) {
                       r.*value = SplitFields(BytesOfStoredText(text));
                   },
                   [&](R::Result R::*value) { r.*value = ResultFromText(text); },
                   [&](double R::*value) { ReadNumber(text, r.*value); },
                   [&](unsigned R::*value) { ReadNumber(text, r.*value); },
               },
               column.member);
}

UnitRecord RecordFromColumns(const std::function<std::string(int column)>& text) {
    UnitRecord record;
    for (std::size_t i = 0; i < std::size(kColumns); ++i) {
        SetColumnFromText(record, kColumns[i], text(static_cast<int>(i)));
    }
    return record;
}

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

UnitRecord::Result ResultFromText(const std::string& text) {
    return text == "PASS"        ? UnitRecord::Result::Pass
           : text == "DUPLICATE" ? UnitRecord::Result::Duplicate
                                 : UnitRecord::Result::Fail;
}
