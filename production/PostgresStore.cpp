// The line's database in PostgreSQL, shared by every station of a line.

#include "PostgresStore.h"

#include "RecordSql.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <type_traits>
#include <variant>

namespace {

using Clock = std::chrono::steady_clock;

// A server that accepts and never answers (hung, or behind a dead link) must become "cannot be
// reached" within seconds, never hold a station or `report` for ever: time limits on connecting,
// on every statement, and keepalives on an idle connection. An address's own values come first.
constexpr const char* kConnectLimits[][2] = {
    {"connect_timeout", "5"},     {"keepalives", "1"},       {"keepalives_idle", "5"},
    {"keepalives_interval", "2"}, {"keepalives_count", "3"}, {"tcp_user_timeout", "10000"},
};
constexpr auto kStatementLimit = std::chrono::seconds(10);

// A value as PostgreSQL's text parameters take it (the seconds with six decimals).
std::string ParameterText(const SqlValue& value) {
    return std::visit(
        [](const auto& v) {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
                return v;
            } else {
                return std::to_string(v);
            }
        },
        value);
}

// One result, cleared when it goes.
class Result {
public:
    explicit Result(PGresult* result) : m_result(result) {}
    ~Result() { PQclear(m_result); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    bool Ok() const {
        const ExecStatusType status = PQresultStatus(m_result);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    int Rows() const { return PQntuples(m_result); }
    // The SQLSTATE of an error, empty when libpq itself failed (a connection lost mid-call).
    std::string State() const {
        const char* state = PQresultErrorField(m_result, PG_DIAG_SQLSTATE);
        return state != nullptr ? state : "";
    }
    std::string Message() const {
        const char* primary = PQresultErrorField(m_result, PG_DIAG_MESSAGE_PRIMARY);
        std::string message = primary != nullptr ? primary : PQresultErrorMessage(m_result);
        while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
            message.pop_back();
        }
        return message;
    }
    std::string Text(int row, int column) const { return PQgetvalue(m_result, row, column); }
    bool IsNull(int row, int column) const { return PQgetisnull(m_result, row, column) != 0; }

private:
    PGresult* m_result;
};

class PostgresStore : public RecordStore {
public:
    explicit PostgresStore(std::string address) : m_address(std::move(address)) {}
    ~PostgresStore() override { PQfinish(m_connection); }
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    bool Open(StoreAccess access, std::string& why) {
        std::lock_guard guard(m_lock);
        if (!Connected()) {
            why = ErrorText();
            return false;
        }
        if (access == StoreAccess::Reading) {
            Exec("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
            return ReadSchema(why);
        }
        // Two stations starting at once on a new database: one creates the schema, the other
        // waits for it.
        Exec("BEGIN");
        Exec("SELECT pg_advisory_xact_lock(5272026)");
        const bool ok = EnsureSchema(why) && CanWrite(why);
        Exec(ok ? "COMMIT" : "ROLLBACK");
        return ok;
    }

    std::error_code Write(const UnitRecord& r) override {
        std::lock_guard guard(m_lock);
        std::vector<std::string> texts;
        for (const RecordColumn& column : RecordColumns()) {
            texts.push_back(ParameterText(ColumnSqlValue(r, column)));
        }
        if (!Connected()) {
            m_failure = ErrorText();
            return std::make_error_code(kUnreachable);
        }
        const Result inserted = Params(m_insert, Pointers(texts));
        if (inserted.Ok()) {
            return {};
        }
        m_failure = inserted.Message();
        if (m_failure.empty()) {
            m_failure = ErrorText();
        }
        return std::make_error_code(ConnectionLost(inserted) ? kUnreachable : std::errc::io_error);
    }

    std::string WriteFailure() const override {
        std::lock_guard guard(m_lock);
        return m_failure;
    }

    std::set<std::string> PassedAddresses() const override {
        std::lock_guard guard(m_lock);
        std::set<std::string> passed;
        if (!Connected()) {
            return passed;
        }
        Result rows(Run(PassedAddressesSql().c_str(), nullptr, -1));
        for (int i = 0; rows.Ok() && i < rows.Rows(); ++i) {
            passed.insert(rows.Text(i, 0));
        }
        return passed;
    }

    std::string Name() const override { return ShownAddress(m_address); }

    std::optional<unsigned> TakeNumber(const std::string& key, unsigned first) override {
        std::lock_guard guard(m_lock);
        if (!Connected() || !Exec("BEGIN")) {
            return std::nullopt;
        }
        const char* byKey[] = {key.c_str()};
        Result returned(
            Params("DELETE FROM returned_numbers WHERE (name, number) IN (SELECT name, "
                   "number FROM returned_numbers WHERE name = $1 ORDER BY number "
                   "LIMIT 1 FOR UPDATE SKIP LOCKED) RETURNING number",
                   byKey, 1));
        std::optional<unsigned> number;
        if (returned.Ok() && returned.Rows() == 1) {
            number = static_cast<unsigned>(std::stoul(returned.Text(0, 0)));
        } else if (returned.Ok()) {
            const std::string start = std::to_string(first);
            const char* create[] = {key.c_str(), start.c_str()};
            Params("INSERT INTO counters (name, next) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                   create, 2);
            Result taken(
                Params("UPDATE counters SET next = next + 1 WHERE name = $1 "
                       "RETURNING next - 1",
                       byKey, 1));
            if (taken.Ok() && taken.Rows() == 1) {
                number = static_cast<unsigned>(std::stoul(taken.Text(0, 0)));
            }
        }
        if (!Exec(number ? "COMMIT" : "ROLLBACK")) {
            return std::nullopt;
        }
        return number;
    }

    void GiveBackNumber(const std::string& key, unsigned number) override {
        std::lock_guard guard(m_lock);
        const std::string text = std::to_string(number);
        const char* values[] = {key.c_str(), text.c_str()};
        if (Connected()) {
            Params(
                "INSERT INTO returned_numbers (name, number) VALUES ($1, $2) "
                "ON CONFLICT DO NOTHING",
                values, 2);
        }
    }

    bool RaiseCounter(const std::string& key, unsigned next, std::string& why) override {
        std::lock_guard guard(m_lock);
        if (!Connected() || !Exec("BEGIN")) {
            why = ErrorText();
            return false;
        }
        const std::string text = std::to_string(next);
        const char* byKey[] = {key.c_str()};
        Result current(Params("SELECT next FROM counters WHERE name = $1 FOR UPDATE", byKey, 1));
        if (current.Ok() && current.Rows() == 1 && std::stoul(current.Text(0, 0)) > next) {
            Exec("ROLLBACK");
            why = "the counter is at " + current.Text(0, 0) +
                  " already; a lower number would be given twice";
            return false;
        }
        const char* values[] = {key.c_str(), text.c_str()};
        const bool ok =
            Params(
                "INSERT INTO counters (name, next) VALUES ($1, $2) ON CONFLICT "
                "(name) DO UPDATE SET next = excluded.next",
                values, 2)
                .Ok() &&
            Params("DELETE FROM returned_numbers WHERE name = $1 AND number < $2", values, 2).Ok();
        if (!ok) {
            why = ErrorText();
        }
        return Exec(ok ? "COMMIT" : "ROLLBACK") && ok;
    }

    std::vector<UnitRecord> Records(const Query& q, std::string& why) override {
        std::lock_guard guard(m_lock);
        std::vector<UnitRecord> records;
        if (!Connected()) {
            why = ErrorText();
            return records;
        }
        const std::vector<SqlFilter> filters = FiltersOf(q);
        std::vector<std::string> values;
        for (const SqlFilter& filter : filters) {
            values.push_back(filter.value);
        }
        Result rows(Params(SelectSql(kPostgresDialect, filters, m_version), Pointers(values)));
        if (!rows.Ok()) {
            why = ErrorText();
            return records;
        }
        for (int i = 0; i < rows.Rows(); ++i) {
            UnitRecord r =
                RecordFromColumns([&rows, i](int column) { return rows.Text(i, column); });
            records.push_back(std::move(r));
        }
        return records;
    }

private:
    // Connects, or makes a broken connection again; m_lock held.
    bool Connected() const {
        if (m_connection == nullptr) {
            std::vector<const char*> keywords;
            std::vector<const char*> values;
            for (const auto& [keyword, value] : kConnectLimits) {
                keywords.push_back(keyword);
                values.push_back(value);
            }
            keywords.push_back("dbname");  // expanded: the address's values override the limits
            values.push_back(m_address.c_str());
            keywords.push_back(nullptr);
            values.push_back(nullptr);
            m_connection = PQconnectdbParams(keywords.data(), values.data(), 1);
            m_abandoned.clear();
        } else if (PQstatus(m_connection) != CONNECTION_OK) {
            PQreset(m_connection);
        }
        return PQstatus(m_connection) == CONNECTION_OK;
    }

    // What went wrong with the connection, for a message.
    std::string ErrorText() const { return m_connection == nullptr ? m_abandoned : PQerrorMessage(m_connection); }

    // One statement (or several, the last one's result) with a time limit: a server that does not
    // answer in time is given up, its connection closed, so the next call connects again.
    PGresult* Run(const char* sql, const char* const* values, int count) const {
        if (m_connection == nullptr) {
            return nullptr;
        }
        const bool sent = count < 0 ? PQsendQuery(m_connection, sql) != 0
                                    : PQsendQueryParams(m_connection, sql, count, nullptr, values,
                                                        nullptr, nullptr, 0) != 0;
        if (!sent) {
            return nullptr;
        }
        const Clock::time_point deadline = Clock::now() + kStatementLimit;
        PGresult* last = nullptr;
        for (;;) {
            while (PQisBusy(m_connection) != 0) {
                if (!AwaitAnswer(deadline)) {
                    PQclear(last);
                    Abandon();
                    return nullptr;
                }
            }
            PGresult* next = PQgetResult(m_connection);
            if (next == nullptr) {
                return last;
            }
            PQclear(last);
            last = next;
        }
    }

    // Waits for the server's bytes until `deadline`; false when none came in time.
    bool AwaitAnswer(Clock::time_point deadline) const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd socket{PQsocket(m_connection), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&socket, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        // A connection that broke ends the wait too: its result says so.
        PQconsumeInput(m_connection);
        return true;
    }

    void Abandon() const {
        PQfinish(m_connection);
        m_connection = nullptr;
        m_abandoned =
            "the database did not answer within " + std::to_string(kStatementLimit.count()) + " s";
    }

    // Only a connection that is lost is waited for: libpq's verdict, a connection exception
    // (SQLSTATE class 08), the server shutting down or not ready yet (57P01 to 57P03).
    bool ConnectionLost(const Result& result) const {
        const std::string state = result.State();
        return PQstatus(m_connection) == CONNECTION_BAD || state.rfind("08", 0) == 0 ||
               state == "57P01" || state == "57P02" || state == "57P03";
    }

    bool Exec(const std::string& sql) const { return Result(Run(sql.c_str(), nullptr, -1)).Ok(); }

    Result Params(const char* sql, const char* const* values, int count) const {
        return Result(Run(sql, values, count));
    }
    Result Params(const std::string& sql, const std::vector<const char*>& values) const {
        return Params(sql.c_str(), values.data(), static_cast<int>(values.size()));
    }

    static std::vector<const char*> Pointers(const std::vector<std::string>& texts) {
        std::vector<const char*> pointers;
        for (const std::string& text : texts) {
            pointers.push_back(text.c_str());
        }
        return pointers;
    }

    // An existing database of this program, read as its version has it; nothing is changed.
    bool ReadSchema(std::string& why) {
        Result exists(Run("SELECT to_regclass('schema_version') IS NOT NULL", nullptr, -1));
        if (!exists.Ok() || exists.Text(0, 0) != "t") {
            why = exists.Ok() ? "it holds no records of this program" : ErrorText();
            return false;
        }
        Result version(Run("SELECT MAX(version) FROM schema_version", nullptr, -1));
        m_version = version.Ok() && !version.IsNull(0, 0) ? std::stoi(version.Text(0, 0)) : 0;
        return NotNewer(m_version, why);
    }

    static bool NotNewer(long found, std::string& why) {
        if (found > kSchemaVersion) {
            why = "its schema is version " + std::to_string(found) +
                  ", newer than this program's " + std::to_string(kSchemaVersion);
            return false;
        }
        return true;
    }

    bool EnsureSchema(std::string& why) {
        Result exists(Run("SELECT to_regclass('schema_version') IS NOT NULL", nullptr, -1));
        if (!exists.Ok()) {
            why = ErrorText();
            return false;
        }
        if (exists.Text(0, 0) != "t") {
            const std::string version = std::to_string(kSchemaVersion);
            const char* values[] = {version.c_str()};
            if (!Exec(SchemaSql(kPostgresDialect)) ||
                !Result(Params("INSERT INTO schema_version (version) VALUES ($1)", values, 1))
                     .Ok()) {
                why = ErrorText();
                return false;
            }
            return true;
        }
        Result version(Run("SELECT MAX(version) FROM schema_version", nullptr, -1));
        const long found =
            version.Ok() && !version.IsNull(0, 0) ? std::stol(version.Text(0, 0)) : 0;
        if (!NotNewer(found, why)) {
            return false;
        }
        // An older database is brought up to this version, inside the opening transaction
        // (which holds the advisory lock: one station migrates, the others wait and see it done).
        for (long from = std::max(found, 1L); from < kSchemaVersion; ++from) {
            const std::string next = std::to_string(from + 1);
            const char* values[] = {next.c_str()};
            if (!Exec(MigrationSql(static_cast<int>(from + 1), kPostgresDialect)) ||
                !Result(Params("INSERT INTO schema_version (version) VALUES ($1)", values, 1))
                     .Ok()) {
                why = ErrorText();
                return false;
            }
        }
        return true;
    }

    // A database this station may only read (a read-only session or standby, no right to
    // insert) is refused now, not found out by the first record; the trial writes are undone.
    bool CanWrite(std::string& why) {
        const bool ok = Exec("SAVEPOINT probe") && Exec(WriteProbeSql());
        if (!ok) {
            why = ErrorText();
        }
        Exec("ROLLBACK TO SAVEPOINT probe");
        return ok;
    }

    const std::string m_insert = InsertSql(kPostgresDialect);
    std::string m_address;
    int m_version = kSchemaVersion;          // an older one only when read as it is
    mutable PGconn* m_connection = nullptr;  // guarded by m_lock
    mutable std::string m_abandoned;         // why the connection was given up; by m_lock
    std::string m_failure;                   // why the last write failed; guarded by m_lock
    mutable std::mutex m_lock;               // one statement at a time on the connection
};

}  // namespace

std::unique_ptr<RecordStore> OpenPostgresStore(const std::string& address, std::string& why,
                                               StoreAccess access) {
    auto store = std::make_unique<PostgresStore>(address);
    if (!store->Open(access, why)) {
        return nullptr;
    }
    return store;
}
