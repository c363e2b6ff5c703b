// The line's database in one SQLite file: the embedded default of a station.

#include "SqliteStore.h"

#include "RecordSql.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <variant>

namespace {

constexpr int kBusyMs = 10000;  // another station's transaction holds the file this long at most

// A database that outlives the program: records and counter kept only in memory would be gone
// at exit, and every start would give the first name again.
bool IsDatabaseFile(const std::string& path, std::string& why) {
    if (path.empty() || path == ":memory:" || path.rfind("file:", 0) == 0) {
        why =
            "name a database file (sqlite:PATH); records and counter kept in memory are lost "
            "at exit";
        return false;
    }
    // A device such as /dev/null would take every record and keep none.
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
        why = "not a regular file";
        return false;
    }
    return true;
}

// One prepared statement, finalised when it goes.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) {
        sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_statement, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return m_statement != nullptr; }
    Statement& Bind(int index, const std::string& text) {
        sqlite3_bind_text(m_statement, index, text.c_str(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, std::int64_t number) {
        sqlite3_bind_int64(m_statement, index, number);
        return *this;
    }
    Statement& Bind(int index, double number) {
        sqlite3_bind_double(m_statement, index, number);
        return *this;
    }
    Statement& Bind(int index, const SqlValue& value) {
        std::visit([this, index](const auto& v) { Bind(index, v); }, value);
        return *this;
    }
    int Step() { return m_statement != nullptr ? sqlite3_step(m_statement) : SQLITE_ERROR; }
    std::int64_t Integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    double Real(int column) const { return sqlite3_column_double(m_statement, column); }
    std::string Text(int column) const {
        const auto* text = sqlite3_column_text(m_statement, column);
        return text != nullptr ? reinterpret_cast<const char*>(text) : "";
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

class SqliteStore : public RecordStore {
public:
    explicit SqliteStore(std::string path) : m_path(std::move(path)) {}
    ~SqliteStore() override { sqlite3_close(m_db); }
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    bool Open(StoreAccess access, std::string& why) {
        if (!IsDatabaseFile(m_path, why)) {
            return false;
        }
        const bool reading = access == StoreAccess::Reading;
        std::error_code error;
        if (reading && !std::filesystem::exists(m_path, error)) {
            why = "no such file";  // a mistyped name, not an empty database to create
            return false;
        }
        const int mode =
            reading ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        if (sqlite3_open_v2(m_path.c_str(), &m_db, mode | SQLITE_OPEN_FULLMUTEX, nullptr) !=
            SQLITE_OK) {
            why = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
            return false;
        }
        sqlite3_busy_timeout(m_db, kBusyMs);
        if (reading) {
            Exec("BEGIN");
            const bool ok = ReadSchema(why);
            Exec("ROLLBACK");
            return ok;
        }
        // A write-ahead log: a commit syncs one file instead of two, and readers (the report
        // command) never wait for a station's writes. Still synchronous: a record that was
        // reported written survives a power cut.
        Exec("PRAGMA journal_mode = WAL");
        Exec("PRAGMA synchronous = FULL");
        if (!Exec("BEGIN IMMEDIATE")) {
            why = sqlite3_errmsg(m_db);
            return false;
        }
        const bool ok = EnsureSchema(why) && CanWrite(why);
        Exec(ok ? "COMMIT" : "ROLLBACK");
        return ok;
    }

    std::error_code Write(const UnitRecord& r) override {
        std::lock_guard guard(m_lock);
        Statement insert(m_db, m_insert);
        int index = 0;
        for (const RecordColumn& column : RecordColumns()) {
            insert.Bind(++index, ColumnSqlValue(r, column));
        }
        const int step = insert.Step();
        if (step != SQLITE_DONE) {
            m_failure = sqlite3_errmsg(m_db);
            // Another station's transaction outlasting the busy wait passes; any other error
            // (a full disk, a file that became read-only) stays.
            const bool passes = step == SQLITE_BUSY || step == SQLITE_LOCKED;
            return std::make_error_code(passes ? kUnreachable : std::errc::io_error);
        }
        // A file removed or replaced while open (its folder deleted) takes every record into a
        // file nobody will see: the report file notices the same.
        if (HasMoved()) {
            m_failure = "the database file was removed or replaced while the station ran";
            return std::make_error_code(std::errc::no_such_file_or_directory);
        }
        return {};
    }

    std::string WriteFailure() const override {
        std::lock_guard guard(m_lock);
        return m_failure;
    }

    std::set<std::string> PassedAddresses() const override {
        std::lock_guard guard(m_lock);
        std::set<std::string> passed;
        Statement select(m_db, PassedAddressesSql());
        while (select.Step() == SQLITE_ROW) {
            passed.insert(select.Text(0));
        }
        return passed;
    }

    std::string Name() const override { return "sqlite:" + m_path; }

    std::optional<unsigned> TakeNumber(const std::string& key, unsigned first) override {
        std::lock_guard guard(m_lock);
        if (!Exec("BEGIN IMMEDIATE")) {
            return std::nullopt;
        }
        std::optional<unsigned> number = ReturnedNumber(key);
        if (!number) {
            Statement create(m_db, "INSERT OR IGNORE INTO counters (name, next) VALUES (?, ?)");
            create.Bind(1, key).Bind(2, static_cast<std::int64_t>(first));
            Statement take(m_db,
                           "UPDATE counters SET next = next + 1 WHERE name = ? RETURNING next - 1");
            take.Bind(1, key);
            if (create.Step() == SQLITE_DONE && take.Step() == SQLITE_ROW) {
                number = static_cast<unsigned>(take.Integer(0));
            }
        }
        Exec(number ? "COMMIT" : "ROLLBACK");
        return number;
    }

    void GiveBackNumber(const std::string& key, unsigned number) override {
        std::lock_guard guard(m_lock);
        Statement give(m_db, "INSERT OR IGNORE INTO returned_numbers (name, number) VALUES (?, ?)");
        give.Bind(1, key).Bind(2, static_cast<std::int64_t>(number));
        give.Step();
    }

    bool RaiseCounter(const std::string& key, unsigned next, std::string& why) override {
        std::lock_guard guard(m_lock);
        Exec("BEGIN IMMEDIATE");
        Statement current(m_db, "SELECT next FROM counters WHERE name = ?");
        current.Bind(1, key);
        if (current.Step() == SQLITE_ROW && current.Integer(0) > next) {
            Exec("ROLLBACK");
            why = "the counter is at " + std::to_string(current.Integer(0)) +
                  " already; a lower number would be given twice";
            return false;
        }
        Statement set(m_db,
                      "INSERT INTO counters (name, next) VALUES (?, ?) "
                      "ON CONFLICT (name) DO UPDATE SET next = excluded.next");
        set.Bind(1, key).Bind(2, static_cast<std::int64_t>(next));
        Statement clear(m_db, "DELETE FROM returned_numbers WHERE name = ? AND number < ?");
        clear.Bind(1, key).Bind(2, static_cast<std::int64_t>(next));
        const bool ok = set.Step() == SQLITE_DONE && clear.Step() == SQLITE_DONE;
        Exec(ok ? "COMMIT" : "ROLLBACK");
        if (!ok) {
            why = sqlite3_errmsg(m_db);
        }
        return ok;
    }

    std::vector<UnitRecord> Records(const Query& q, std::string& why) override {
        std::lock_guard guard(m_lock);
        const std::vector<SqlFilter> filters = FiltersOf(q);
        Statement select(m_db, SelectSql(kSqliteDialect, filters, m_version));
        for (std::size_t i = 0; i < filters.size(); ++i) {
            select.Bind(static_cast<int>(i + 1), filters[i].value);
        }
        std::vector<UnitRecord> records;
        int step = SQLITE_ROW;
        while ((step = select.Step()) == SQLITE_ROW) {
            UnitRecord r = RecordFromColumns([&select](int column) { return select.Text(column); });
            records.push_back(std::move(r));
        }
        if (step != SQLITE_DONE) {
            why = sqlite3_errmsg(m_db);
        }
        return records;
    }

private:
    bool Exec(const std::string& sql) {
        return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    // An existing database of this program, read as its version has it; nothing is changed.
    bool ReadSchema(std::string& why) {
        Statement exists(
            m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'");
        const int step = exists.Step();
        if (step != SQLITE_ROW) {
            why =
                step == SQLITE_DONE ? "it holds no records of this program" : sqlite3_errmsg(m_db);
            return false;
        }
        Statement version(m_db, "SELECT MAX(version) FROM schema_version");
        m_version = static_cast<int>(version.Step() == SQLITE_ROW ? version.Integer(0) : 0);
        return NotNewer(m_version, why);
    }

    static bool NotNewer(std::int64_t found, std::string& why) {
        if (found > kSchemaVersion) {
            why = "its schema is version " + std::to_string(found) +
                  ", newer than this program's " + std::to_string(kSchemaVersion);
            return false;
        }
        return true;
    }

    bool EnsureSchema(std::string& why) {
        Statement exists(
            m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'");
        if (exists.Step() != SQLITE_ROW) {
            if (!Exec(SchemaSql(kSqliteDialect))) {
                why = sqlite3_errmsg(m_db);
                return false;
            }
            Statement set(m_db, "INSERT INTO schema_version (version) VALUES (?)");
            set.Bind(1, static_cast<std::int64_t>(kSchemaVersion));
            return set.Step() == SQLITE_DONE;
        }
        Statement version(m_db, "SELECT MAX(version) FROM schema_version");
        const std::int64_t found = version.Step() == SQLITE_ROW ? version.Integer(0) : 0;
        if (!NotNewer(found, why)) {
            return false;
        }
        // An older database is brought up to this version, inside the opening transaction.
        for (std::int64_t from = std::max<std::int64_t>(found, 1); from < kSchemaVersion; ++from) {
            Statement step(m_db, "INSERT INTO schema_version (version) VALUES (?)");
            step.Bind(1, from + 1);
            if (!Exec(MigrationSql(static_cast<int>(from + 1), kSqliteDialect)) ||
                step.Step() != SQLITE_DONE) {
                why = sqlite3_errmsg(m_db);
                return false;
            }
        }
        return true;
    }

    bool HasMoved() const {
        int moved = 0;
        return sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
               moved != 0;
    }

    // A file SQLite may only read is refused now, not found out by the first record; the
    // trial writes are undone.
    bool CanWrite(std::string& why) {
        const bool ok = Exec("SAVEPOINT probe") && Exec(WriteProbeSql());
        if (!ok) {
            why = sqlite3_errmsg(m_db);
        }
        Exec("ROLLBACK TO probe");
        Exec("RELEASE probe");
        return ok;
    }

    std::optional<unsigned> ReturnedNumber(const std::string& key) {
        Statement take(
            m_db,
            "DELETE FROM returned_numbers WHERE name = ?1 AND number = "
            "(SELECT MIN(number) FROM returned_numbers WHERE name = ?1) RETURNING number");
        take.Bind(1, key);
        if (take.Step() == SQLITE_ROW) {
            return static_cast<unsigned>(take.Integer(0));
        }
        return std::nullopt;
    }

    const std::string m_insert = InsertSql(kSqliteDialect);
    std::string m_path;
    int m_version = kSchemaVersion;  // an older one only when read as it is
    sqlite3* m_db = nullptr;
    std::string m_failure;      // why the last write failed; guarded by m_lock
    mutable std::mutex m_lock;  // one statement at a time on the connection
};

}  // namespace

std::unique_ptr<RecordStore> OpenSqliteStore(const std::string& path, std::string& why,
                                             StoreAccess access) {
    auto store = std::make_unique<SqliteStore>(path);
    if (!store->Open(access, why)) {
        return nullptr;
    }
    return store;
}
