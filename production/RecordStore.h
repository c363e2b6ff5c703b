#pragma once

#include "NameCounter.h"
#include "RecordFile.h"
#include "UnitRecord.h"

#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

// A line's database: every station's records, and one name counter per name pattern that all
// stations take their numbers from. The schema is versioned; a database with a newer schema than
// this program knows is refused, never changed. Any thread: calls are serialised inside.
class RecordStore : public RecordSink {
public:
    // The version of the record's columns (RecordColumns.h); 2 added the units' scanned serial
    // numbers. An older database gains the columns of the later versions on open.
    static constexpr int kSchemaVersion = kRecordVersion;

    // The next number of the counter `key` (a name pattern), starting at `first` if the
    // counter is new; taken in one transaction, so no two stations get the same number. A number
    // given back before is taken first. Nothing when the database cannot be reached.
    virtual std::optional<unsigned> TakeNumber(const std::string& key, unsigned first) = 0;
    virtual void GiveBackNumber(const std::string& key, unsigned number) = 0;
    // Sets the counter's next number; refused (false, `why`) if that would give a number again.
    virtual bool RaiseCounter(const std::string& key, unsigned next, std::string& why) = 0;

    struct Query {
        std::optional<std::string> lot;
        std::optional<std::string> station;
        std::optional<std::string> result;
        std::optional<std::string> address;
        std::optional<std::string> since;  // UTC time as records hold it, SinceAsUtc
    };
    virtual std::vector<UnitRecord> Records(const Query& query, std::string& why) = 0;

    // A database that is not reachable for a while is waited for: a record is written again
    // until it is in. Write says so with kUnreachable; anything else it refused.
    static constexpr std::errc kUnreachable = std::errc::not_connected;
    bool Retriable(const std::error_code& error) const override { return error == kUnreachable; }
    // Another station on the same database may have passed the module since this one started.
    bool PassedNow(const std::string& address) override;
};

// How a database is opened: by a station, which writes to it (the schema created or brought up
// to date, and the right to write checked), or only to read its records (`report`): an existing
// database of this program, never changed, not even created.
enum class StoreAccess { Station, Reading };

// `sqlite:PATH` or `postgresql://user@host[:port]/db` (also `postgres://`; the usual PG*
// variables and ~/.pgpass fill in the rest). Nothing, with `why`, when it cannot be opened or its
// schema is newer than this program's.
std::unique_ptr<RecordStore> OpenRecordStore(const std::string& address, std::string& why,
                                             StoreAccess access = StoreAccess::Station);

// An ISO 8601 date or time as a record's UTC time ("2026-12-10T23:00:00Z"): a date and time
// with "T" or a space between, minutes or seconds (a fraction dropped), with "Z" or an offset
// such as "+09:00", or without one for local time; a date alone is its local midnight. Nothing
// for any other text.
std::optional<std::string> SinceAsUtc(const std::string& text);

// This station's own database, a SQLite file in its data folder, used when none is named.
std::string DefaultRecordAddress();

// `address` as it may be shown or logged: a password in it replaced by "***".
std::string ShownAddress(const std::string& address);

// The name counter of a production run, kept in a RecordStore under the name pattern.
class StoreNameCounter : public NameCounter {
public:
    StoreNameCounter(RecordStore& store, std::string key, unsigned first)
        : m_store(store), m_key(std::move(key)), m_first(first) {}
    std::optional<unsigned> Take() override { return m_store.TakeNumber(m_key, m_first); }
    void GiveBack(unsigned number) override { m_store.GiveBackNumber(m_key, number); }

private:
    RecordStore& m_store;
    std::string m_key;
    unsigned m_first;
};
