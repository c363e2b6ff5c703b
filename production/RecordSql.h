#pragma once

// The line's database as SQL, one schema shared by the SQLite and the PostgreSQL store: the
// tables, the steps that bring an older database up to this version, and the statements that
// write and read records, all from the record's columns (RecordColumns.h). What the two differ
// in is their SqlDialect; their counters' statements (locking, RETURNING) stay in each store.

#include "RecordColumns.h"
#include "RecordStore.h"

#include <string>
#include <vector>

struct SqlDialect {
    const char* rowKey;       // the units' own key column, in the order of insertion
    const char* realType;     // a column of SqlType::Real
    const char* counterType;  // the counters' numbers
    char placeholder;         // the parameters' mark, numbered: ?1 (SQLite) or $1 (PostgreSQL)
};

inline constexpr SqlDialect kSqliteDialect{"id INTEGER PRIMARY KEY", "REAL", "INTEGER", '?'};
inline constexpr SqlDialect kPostgresDialect{"id BIGSERIAL PRIMARY KEY", "DOUBLE PRECISION",
                                             "BIGINT", '$'};

// The tables of a new database, at kRecordVersion (its version row is the store's to insert).
std::string SchemaSql(const SqlDialect& dialect);
// The statements that take a database of `version` - 1 to `version`.
std::string MigrationSql(int version, const SqlDialect& dialect);

// Every column, one parameter each in the order of RecordColumns().
std::string InsertSql(const SqlDialect& dialect);

// One condition of a query: the column's value `comparison` the parameter.
struct SqlFilter {
    const char* column;
    const char* comparison;
    std::string value;
};
std::vector<SqlFilter> FiltersOf(const RecordStore::Query& query);
// Every column in the order of RecordColumns() (so RecordFromColumns reads a row), of the
// records that pass every filter (parameters 1, 2, ... in their order), oldest first. A database
// of an earlier `version`, read as it is, gives NULL for the columns added since.
std::string SelectSql(const SqlDialect& dialect, const std::vector<SqlFilter>& filters,
                      int version = kRecordVersion);
// Writes what a station writes (a record, a counter), to be undone: whether the database lets
// this station write at all.
std::string WriteProbeSql();
// The addresses of the units that passed.
std::string PassedAddressesSql();
