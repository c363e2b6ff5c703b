#include "AwkwardRecord.h"
#include "RecordFile.h"
#include "RecordStore.h"
#include "ScratchPostgres.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace {

// The server is started once for the whole program: it takes a few seconds.
ScratchPostgres& Postgres() {
    static ScratchPostgres server;
    return server;
}

std::string SqliteAddress(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("skw-store-" + std::to_string(::getpid()) + "-" + name + ".sqlite");
    std::filesystem::remove(path);
    return "sqlite:" + path.string();
}

// Each test runs against both databases, each time on fresh counters (a key of its own).
std::vector<std::string> Addresses(const std::string& test) {
    std::vector<std::string> addresses = {SqliteAddress(test)};
    if (Postgres().Running()) {
        addresses.push_back(Postgres().Address());
    } else {
        ADD_FAILURE() << "the PostgreSQL server of the tests did not start";
    }
    return addresses;
}

UnitRecord Record(const std::string& station, const std::string& address,
                  UnitRecord::Result result) {
    UnitRecord record;
    record.time = "2026-12-11T00:00:00Z";
    record.station = station;
    record.lot = "L1";
    record.address = address;
    record.result = result;
    record.confirmed = {"name=SNS-1", "advInterval=250"};
    return record;
}

// Runs `sql` on the database at `address` as another program would; false when it fails.
bool RunSql(const std::string& address, const std::string& sql) {
    if (address.rfind("sqlite:", 0) == 0) {
        sqlite3* db = nullptr;
        const bool ok = sqlite3_open(address.substr(7).c_str(), &db) == SQLITE_OK &&
                        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        return ok;
    }
    PGconn* connection = PQconnectdb(address.c_str());
    PGresult* result = PQexec(connection, sql.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    PQfinish(connection);
    return ok;
}

// Makes the SQLite database at `address` one that SQLite only reads, whoever opens it (root
// included): its header's write version beyond what SQLite writes, as a later format's file.
bool MakeReadOnly(const std::string& address) {
    const std::string path = address.substr(7);
    if (!RunSql(address, "PRAGMA journal_mode = DELETE")) {
        return false;
    }
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(18);
    file.put('\x03');
    return static_cast<bool>(file);
}

}  // namespace

// Stations (each its own connection) taking numbers at the same time never get one twice, and
// the numbers run without gaps.
TEST(RecordStoreTest, stationsTakingNumbersTogether_neverGetOneTwice) {
    for (const std::string& address : Addresses("together")) {
        SCOPED_TRACE(address);
        const std::string key = "SNS-{n}-" + std::to_string(::getpid()) + "-together";
        std::vector<std::vector<unsigned>> taken(3);
        std::vector<std::thread> stations;
        for (std::size_t s = 0; s < taken.size(); ++s) {
            stations.emplace_back([&, s] {
                std::string why;
                auto store = OpenRecordStore(address, why);
                ASSERT_TRUE(store) << why;
                for (int i = 0; i < 20; ++i) {
                    if (auto number = store->TakeNumber(key, 1)) {
                        taken[s].push_back(*number);
                    }
                }
            });
        }
        for (std::thread& station : stations) {
            station.join();
        }
        std::vector<unsigned> all;
        for (const auto& numbers : taken) {
            all.insert(all.end(), numbers.begin(), numbers.end());
        }
        std::sort(all.begin(), all.end());
        ASSERT_EQ(all.size(), 60u);
        for (unsigned i = 0; i < all.size(); ++i) {
            EXPECT_EQ(all[i], i + 1);
        }
    }
}

// A number given back goes to the next unit; a counter is only ever raised; records read back
// as written, filtered.
TEST(RecordStoreTest, givenBackNumbers_raisedCounters_andRecordsReadBack) {
    for (const std::string& address : Addresses("counter")) {
        SCOPED_TRACE(address);
        std::string why;
        auto store = OpenRecordStore(address, why);
        ASSERT_TRUE(store) << why;
        const std::string key = "C{n}-" + std::to_string(::getpid());
        EXPECT_EQ(store->TakeNumber(key, 5), 5u);
        EXPECT_EQ(store->TakeNumber(key, 5), 6u);
        store->GiveBackNumber(key, 5);
        EXPECT_EQ(store->TakeNumber(key, 5), 5u);
        EXPECT_EQ(store->TakeNumber(key, 5), 7u);
        EXPECT_FALSE(store->RaiseCounter(key, 3, why));  // 3 to 7 were given
        EXPECT_TRUE(store->RaiseCounter(key, 100, why)) << why;
        EXPECT_EQ(store->TakeNumber(key, 5), 100u);

        const std::string station = "S-" + std::to_string(::getpid());
        ASSERT_FALSE(store->Write(Record(station, "C0FFEE000001", UnitRecord::Result::Pass)));
        ASSERT_FALSE(store->Write(Record(station, "C0FFEE000002", UnitRecord::Result::Fail)));
        EXPECT_TRUE(store->PassedAddresses().contains("C0FFEE000001"));
        EXPECT_FALSE(store->PassedAddresses().contains("C0FFEE000002"));
        RecordStore::Query failed;
        failed.station = station;
        failed.result = "FAIL";
        const auto records = store->Records(failed, why);
        ASSERT_EQ(records.size(), 1u) << why;
        EXPECT_EQ(records[0].address, "C0FFEE000002");
        EXPECT_EQ(records[0].confirmed,
                  (std::vector<std::string>{"name=SNS-1", "advInterval=250"}));
    }
}

// Every column reads back from both databases as it was written, whatever its text; each filter
// of the report, with the station's, keeps the record or leaves it out.
TEST(RecordStoreTest, everyColumn_readsBackAsWritten_andEveryFilterApplies) {
    for (const std::string& address : Addresses("columns")) {
        SCOPED_TRACE(address);
        std::string why;
        auto store = OpenRecordStore(address, why);
        ASSERT_TRUE(store) << why;
        const UnitRecord written = AwkwardRecord("S,\"1\"-" + std::to_string(::getpid()));
        ASSERT_FALSE(store->Write(written));
        RecordStore::Query query;
        query.station = written.station;
        const auto records = store->Records(query, why);
        ASSERT_EQ(records.size(), 1u) << why;
        EXPECT_EQ(records[0], written) << RecordJson(records[0]).dump();

        const struct {
            std::optional<std::string> RecordStore::Query::*filter;
            const char* value;
            std::size_t kept;
        } filters[] = {
            {&RecordStore::Query::lot, "L\r\n2", 1},
            {&RecordStore::Query::lot, "L2", 0},
            {&RecordStore::Query::result, "DUPLICATE", 1},
            {&RecordStore::Query::result, "PASS", 0},
            {&RecordStore::Query::address, "C0FFEE0000A1", 1},
            {&RecordStore::Query::since, "2026-12-11", 1},
            {&RecordStore::Query::since, "2026-12-11T01:02:04Z", 0},
        };
        for (const auto& [filter, value, kept] : filters) {
            SCOPED_TRACE(value);
            RecordStore::Query filtered = query;
            filtered.*filter = value;
            EXPECT_EQ(store->Records(filtered, why).size(), kept) << why;
        }
    }
}

// A database whose schema is newer than the program's is refused, not changed.
TEST(RecordStoreTest, aNewerSchema_isRefused) {
    const std::string address = SqliteAddress("newer");
    std::string why;
    ASSERT_TRUE(OpenRecordStore(address, why)) << why;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(address.substr(7).c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "UPDATE schema_version SET version = 99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_FALSE(OpenRecordStore(address, why));
    EXPECT_NE(why.find("newer"), std::string::npos) << why;
    EXPECT_FALSE(OpenRecordStore("mysql://x", why));
}

// A database of the first version (before serial numbers were recorded) gains the column when
// a station opens it, and keeps its records; serial numbers read back as written.
TEST(RecordStoreTest, aFirstVersionDatabase_isMigratedOnOpen_andKeepsItsRecords) {
    for (const std::string& address : Addresses("migrate")) {
        SCOPED_TRACE(address);
        std::string why;
        ASSERT_TRUE(OpenRecordStore(address, why)) << why;
        const std::string station = "M-" + std::to_string(::getpid());
        // The first version's table (every column added later dropped) and version, with a
        // record of its time.
        std::string firstVersion;
        for (const RecordColumn& column : RecordColumns()) {
            if (column.since > 1) {
                firstVersion += "ALTER TABLE units DROP COLUMN " + std::string(column.sql) + "; ";
            }
        }
        ASSERT_TRUE(RunSql(address, firstVersion +
                                        "DELETE FROM schema_version; "
                                        "INSERT INTO schema_version (version) VALUES (1); "
                                        "INSERT INTO units (time, station, address, result) VALUES "
                                        "('2026-01-01T00:00:00Z', '" +
                                        station + "', 'C0FFEE0000F1', 'PASS')"));
        auto store = OpenRecordStore(address, why);
        ASSERT_TRUE(store) << why;
        EXPECT_TRUE(store->PassedAddresses().contains("C0FFEE0000F1"));
        UnitRecord scanned = Record(station, "C0FFEE0000F2", UnitRecord::Result::Pass);
        scanned.serial = "SN-42";
        ASSERT_FALSE(store->Write(scanned));
        RecordStore::Query query;
        query.station = station;
        const auto records = store->Records(query, why);
        ASSERT_EQ(records.size(), 2u) << why;
        EXPECT_EQ(records[0].address, "C0FFEE0000F1");
        EXPECT_EQ(records[0].serial, "");
        EXPECT_EQ(records[1].serial, "SN-42");
        // Brought up once: opened again, nothing is left to do.
        EXPECT_TRUE(OpenRecordStore(address, why)) << why;
        EXPECT_EQ(store->Records(query, why).size(), 2u) << why;
    }
}

// A password given in the address never shows in a message or a record's station name.
TEST(RecordStoreTest, shownAddresses_holdNoPassword) {
    EXPECT_EQ(ShownAddress("postgresql://kim:s3cret@db/line"), "postgresql://kim:***@db/line");
    EXPECT_EQ(ShownAddress("postgresql://db/line?user=kim&password=s3cret&sslmode=require"),
              "postgresql://db/line?user=kim&password=***&sslmode=require");
    EXPECT_EQ(ShownAddress("postgresql://kim@db/line"), "postgresql://kim@db/line");
}

// A lost database: numbers cannot be taken while it is away, and can again once it is back.
TEST(RecordStoreTest, aLostPostgresServer_givesNoNumber_untilItIsBack) {
    ASSERT_TRUE(Postgres().Running());
    std::string why;
    auto store = OpenRecordStore(Postgres().Address(), why);
    ASSERT_TRUE(store) << why;
    const std::string key = "L{n}-" + std::to_string(::getpid());
    EXPECT_EQ(store->TakeNumber(key, 1), 1u);
    Postgres().Stop();
    EXPECT_EQ(store->TakeNumber(key, 1), std::nullopt);
    EXPECT_TRUE(store->Write(Record("S", "C0FFEE0000FF", UnitRecord::Result::Pass)));
    ASSERT_TRUE(Postgres().Start());
    EXPECT_EQ(store->TakeNumber(key, 1), 2u);
    EXPECT_FALSE(store->Write(Record("S", "C0FFEE0000FF", UnitRecord::Result::Pass)));
}

// A database a station could not write to is refused when it opens, with the database's own
// reason, rather than taken and then waited for as if it could not be reached.
TEST(RecordStoreTest, aDatabaseThatCannotBeWritten_isRefusedOnOpen) {
    ASSERT_TRUE(Postgres().Running());
    // Each with its tables: a station could read them, only not write.
    const std::string readOnly = SqliteAddress("read-only");
    for (const std::string& address : {readOnly, Postgres().Address()}) {
        std::string why;
        ASSERT_TRUE(OpenRecordStore(address, why)) << why;
    }
    ASSERT_TRUE(MakeReadOnly(readOnly));
    const struct {
        std::string address;
        const char* reason;
    } cases[] = {
        {"sqlite:/dev/null", "not a regular file"},
        {readOnly, "attempt to write a readonly database"},
        {Postgres().Address() + "&options=-c%20default_transaction_read_only%3Don",
         "read-only transaction"},
    };
    for (const auto& [address, reason] : cases) {
        SCOPED_TRACE(address);
        std::string why;
        EXPECT_FALSE(OpenRecordStore(address, why));
        EXPECT_NE(why.find(reason), std::string::npos) << why;
    }
}

// Reading (the report) takes a database as it is: one of an earlier version is read in its own
// columns and not brought up to date; a missing one is not created, and one without this
// program's tables is refused.
TEST(RecordStoreTest, readingADatabase_neverCreatesOrChangesIt) {
    for (const std::string& address : Addresses("reading")) {
        SCOPED_TRACE(address);
        std::string why;
        ASSERT_TRUE(OpenRecordStore(address, why)) << why;
        const std::string station = "R-" + std::to_string(::getpid());
        std::string firstVersion;
        for (const RecordColumn& column : RecordColumns()) {
            if (column.since > 1) {
                firstVersion += "ALTER TABLE units DROP COLUMN " + std::string(column.sql) + "; ";
            }
        }
        ASSERT_TRUE(RunSql(address, firstVersion +
                                        "DELETE FROM schema_version; "
                                        "INSERT INTO schema_version (version) VALUES (1); "
                                        "INSERT INTO units (time, station, address, result) VALUES "
                                        "('2026-01-01T00:00:00Z', '" +
                                        station + "', 'C0FFEE0000E1', 'PASS')"));
        auto store = OpenRecordStore(address, why, StoreAccess::Reading);
        ASSERT_TRUE(store) << why;
        RecordStore::Query query;
        query.station = station;
        const auto records = store->Records(query, why);
        ASSERT_EQ(records.size(), 1u) << why;
        EXPECT_EQ(records[0].address, "C0FFEE0000E1");
        EXPECT_EQ(records[0].serial, "");
        // Still the first version: the later columns are not there. A station brings it up to
        // date again.
        std::string probe;
        for (const RecordColumn& column : RecordColumns()) {
            if (column.since > 1) {
                probe += "ALTER TABLE units ADD COLUMN " + std::string(column.sql) +
                         " TEXT; ALTER TABLE units DROP COLUMN " + column.sql + "; ";
            }
        }
        EXPECT_TRUE(RunSql(address, probe));
        EXPECT_TRUE(OpenRecordStore(address, why)) << why;
    }
    ASSERT_TRUE(RunSql(Postgres().Address(), "CREATE DATABASE empty"));
    std::string empty = Postgres().Address();
    empty.replace(empty.find("/postgres?"), 10, "/empty?");
    const std::string missing = SqliteAddress("reading-typo");
    const struct {
        std::string address;
        const char* reason;
    } refused[] = {
        {missing, "no such file"},
        {empty, "holds no records of this program"},
    };
    for (const auto& [address, reason] : refused) {
        SCOPED_TRACE(address);
        std::string why;
        EXPECT_FALSE(OpenRecordStore(address, why, StoreAccess::Reading));
        EXPECT_NE(why.find(reason), std::string::npos) << why;
    }
    EXPECT_FALSE(std::filesystem::exists(missing.substr(7)));
}

// A server that hangs with the connection open (it neither answers nor closes) is given up
// within the statement's time limit: no number, a record "cannot be reached" (written again
// later), and everything works again once it answers.
TEST(RecordStoreTest, aHungPostgresServer_isGivenUpWithinTheTimeLimit) {
    ASSERT_TRUE(Postgres().Running());
    std::string why;
    auto store = OpenRecordStore(Postgres().Address(), why);
    ASSERT_TRUE(store) << why;
    const std::string key = "H{n}-" + std::to_string(::getpid());
    EXPECT_EQ(store->TakeNumber(key, 1), 1u);
    Postgres().Freeze();
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(store->TakeNumber(key, 1), std::nullopt);
    const std::error_code error =
        store->Write(Record("S", "C0FFEE0000EE", UnitRecord::Result::Pass));
    EXPECT_TRUE(error);
    EXPECT_TRUE(store->Retriable(error)) << store->WriteFailure();
    const auto waited = std::chrono::steady_clock::now() - began;
    Postgres().Thaw();
    EXPECT_LT(waited, std::chrono::seconds(20));
    EXPECT_EQ(store->TakeNumber(key, 1), 2u);
    EXPECT_FALSE(store->Write(Record("S", "C0FFEE0000EE", UnitRecord::Result::Pass)));
}
