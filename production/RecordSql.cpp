#include "RecordSql.h"

#include "StoredText.h"

namespace {

std::string Placeholder(const SqlDialect& dialect, std::size_t number) {
    return dialect.placeholder + std::to_string(number);
}

std::string TypeOf(const RecordColumn& column, const SqlDialect& dialect) {
    switch (column.sqlType) {
        case SqlType::Real:
            return dialect.realType;
        case SqlType::Integer:
            return "INTEGER";
        case SqlType::Text:
            break;
    }
    return "TEXT";
}

std::string Definition(const RecordColumn& column, const SqlDialect& dialect) {
    return std::string(column.sql) + " " + TypeOf(column, dialect) +
           (column.required ? " NOT NULL" : "");
}

std::string ColumnList(int version = kRecordVersion) {
    std::string list;
    for (const RecordColumn& column : RecordColumns()) {
        list +=
            (list.empty() ? "" : ", ") + std::string(column.since <= version ? column.sql : "NULL");
    }
    return list;
}

}  // namespace

std::string SchemaSql(const SqlDialect& d) {
    std::string units = std::string("CREATE TABLE units (") + d.rowKey;
    for (const RecordColumn& column : RecordColumns()) {
        units += ", " + Definition(column, d);
    }
    const std::string counter = d.counterType;
    return "CREATE TABLE schema_version (version INTEGER NOT NULL);\n" + units +
           ");\n"
           "CREATE INDEX units_address ON units (" +
           RecordColumnNamed("address").sql +
           ");\n"
           "CREATE TABLE counters (name TEXT PRIMARY KEY, next " +
           counter +
           " NOT NULL);\n"
           "CREATE TABLE returned_numbers (name TEXT NOT NULL, number " +
           counter + " NOT NULL, PRIMARY KEY (name, number));\n";
}

std::string MigrationSql(int version, const SqlDialect& dialect) {
    std::string steps;
    for (const RecordColumn& column : RecordColumns()) {
        if (column.since == version) {
            steps += "ALTER TABLE units ADD COLUMN " + Definition(column, dialect) + ";\n";
        }
    }
    return steps;
}

std::string InsertSql(const SqlDialect& dialect) {
    std::string values;
    for (std::size_t i = 1; i <= RecordColumns().size(); ++i) {
        if (i > 1) {
            values += ',';
        }
        values += Placeholder(dialect, i);
    }
    return "INSERT INTO units (" + ColumnList() + ") VALUES (" + values + ")";
}

std::vector<SqlFilter> FiltersOf(const RecordStore::Query& query) {
    const struct {
        const std::optional<std::string>& value;
        const char* column;
        const char* comparison;
    } filters[] = {
        {query.lot, "lot", "="},       {query.station, "station", "="},
        {query.result, "result", "="}, {query.address, "address", "="},
        {query.since, "time", ">="},  // ISO 8601 in UTC sorts as text
    };
    std::vector<SqlFilter> chosen;
    for (const auto& filter : filters) {
        if (filter.value) {
            chosen.push_back({RecordColumnNamed(filter.column).sql, filter.comparison,
                              StoredText(*filter.value)});  // as the column holds it
        }
    }
    return chosen;
}

std::string SelectSql(const SqlDialect& dialect, const std::vector<SqlFilter>& filters,
                      int version) {
    std::string where;
    for (std::size_t i = 0; i < filters.size(); ++i) {
        where += (i == 0 ? " WHERE " : " AND ") + std::string(filters[i].column) + " " +
                 filters[i].comparison + " " + Placeholder(dialect, i + 1);
    }
    return "SELECT " + ColumnList(version) + " FROM units" + where + " ORDER BY id";
}

std::string PassedAddressesSql() {
    return "SELECT DISTINCT " + std::string(RecordColumnNamed("address").sql) +
           " FROM units WHERE " + RecordColumnNamed("result").sql + " = '" +
           ResultText(UnitRecord::Result::Pass) + "'";
}

std::string WriteProbeSql() {
    std::string columns;
    std::string values;
    for (const RecordColumn& column : RecordColumns()) {
        if (column.required) {
            columns += (columns.empty() ? "" : ", ") + std::string(column.sql);
            values += (values.empty() ? "" : ", ") +
                      std::string(column.sqlType == SqlType::Text ? "''" : "0");
        }
    }
    return "INSERT INTO units (" + columns + ") VALUES (" + values +
           "); UPDATE counters SET next = next WHERE name = ''";
}
