#pragma once

#include "NameCounter.h"
#include "RecordFile.h"
#include "StationPlatform.h"
#include "UnitRecord.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

// A production station: watches the ports that match a pattern and, for every module plugged
// into one, runs a unit (read, configure, check) on a thread of its own, as many at once as
// allowed. Each unit's number comes from a shared NameCounter and each try's record goes to a
// shared RecordSink; nothing else is shared between units, so a slow or dead module never
// delays the others. The unit's work itself is the runner's: the station knows nothing of
// modules.
struct StationOptions {
    std::string portPattern;  // PortListEntries: patterns and network ports, comma-separated
    unsigned parallel = 0;  // at most this many units at once; 0: no limit
    unsigned retries = 1;   // further tries at a unit that failed on the line
    std::chrono::milliseconds pollInterval{250};
    // A USB adapter's device node appears before udev has set it up, and before the module it
    // powers has started: a new port is taken once it has been listed this long.
    std::chrono::milliseconds settleTime{500};
    std::string station;
    std::string operatorName;
    std::string lot;
    // Where the ports' locks are; empty: StationPlatform::LockFolder().
    std::string lockFolder;
};

// What one try at a unit gave: its record, filled in whole by the unit's work from what it found
// and the context the station gave it, and what the station needs to decide on.
struct UnitTry {
    UnitRecord record;
    bool lineFailure = false;  // no port, no answer, a port error: worth another try
    bool nameWritten = false;  // the number has been used; it is not given back
};

// How a unit's try reaches the station while it runs (any thread).
struct UnitContext {
    std::string port;
    unsigned number = 0;  // for the name's counter
    unsigned attempt = 1;
    // Claims the module at `address` for this unit: false if that address has passed already
    // (in this run or in the record) or another unit has it now: the unit is a duplicate and
    // must not be configured.
    std::function<bool(const std::string& address)> claim;
    // Set when the station is stopped hard: stop at the next safe point.
    const std::atomic<bool>* stopNow = nullptr;
    // The station's own, for the try's record.
    std::string station;
    std::string operatorName;
    std::string lot;
};

using UnitRunner = std::function<UnitTry(const UnitContext& unit)>;
using StationPortLister = std::function<std::vector<std::string>()>;

struct StationSummary {
    unsigned units = 0;  // finished, whatever their result
    unsigned pass = 0;
    unsigned fail = 0;
    unsigned duplicate = 0;
    unsigned passFirstTry = 0;
    double hours = 0;  // since the station started
    // PASS at the first try among the units that were configured (duplicates aside).
    double FirstPassYield() const;
    double UnitsPerHour() const;
};

// What the station tells as it goes; called on the units' threads (one at a time: the record
// lock is held) and on the station's.
struct StationEvents {
    std::function<void(const std::string& port, unsigned attempt)> started;
    // After the record was written: the unit's line may be shown.
    std::function<void(const UnitRecord& record)> recorded;
    // Right after `recorded`: the counts with that record in them (Summary() would wait for the
    // record lock, which is held here).
    std::function<void(const StationSummary& summary)> counted;
    // The record could not be written: the station stops before the next unit.
    std::function<void(const UnitRecord& record, const std::error_code& error)> recordFailed;
    // Another station holds `port` (or the pattern): this one stops.
    std::function<void(const std::string& port)> portTaken;
    // The line's database cannot be reached: units wait for it (told once per wait).
    std::function<void()> storeWaiting;
};

class Station {
public:
    enum class End { Stopped, RecordFailed, PortTaken };

    Station(StationOptions options, StationPortLister listPorts, UnitRunner runner,
            NameCounter& counter, RecordSink* record, StationEvents events);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Runs until `stopLevel` is 1 (no new unit; the running ones finish) or 2 (the running ones
    // stop at their next safe point), or the record fails; returns once every unit has ended.
    End Run(const std::atomic<int>& stopLevel);

    StationSummary Summary() const;  // any thread

private:
    struct Running {
        std::string port;
        std::thread thread;
        std::atomic<bool> done{false};
    };
    struct NewPort {
        std::string port;
        std::chrono::steady_clock::time_point listedSince;
    };

    std::set<std::string> Matching() const;
    bool Poll();  // false when another station holds a port
    bool ClaimPort(const std::string& port);
    void StartDue();
    bool IsRunning(const std::string& port) const;
    void Reap(bool all);
    void RunUnit(const std::string& port);
    std::optional<unsigned> TakeNumber();
    // Writes a try's record as the unit filled it and counts it; `final`: the unit's last try.
    void Record(const UnitRecord& record, unsigned attempt, bool final);
    bool ClaimAddress(const std::string& address, std::string& holder, const std::string& port);
    StationSummary SummaryNow() const;  // with m_lock held

    StationOptions m_options;
    StationPortLister m_listPorts;
    UnitRunner m_runner;
    NameCounter& m_counter;
    RecordSink* m_record;
    StationEvents m_events;
    std::chrono::steady_clock::time_point m_started;

    // The station's own thread only:
    std::set<std::string> m_present;
    std::list<NewPort> m_waiting;
    std::list<std::unique_ptr<Running>> m_running;
    std::map<std::string, std::unique_ptr<StationPlatform::FileLock>> m_portLocks;
    std::atomic<bool> m_stopNow{false};
    std::atomic<bool> m_stopStarting{false};  // a unit still waiting for its number gives up

    mutable std::mutex m_lock;  // guards everything below; the record is written under it
    std::set<std::string> m_passed;
    std::map<std::string, std::string> m_claimed;  // address -> port of the unit that has it
    StationSummary m_summary;
    bool m_recordFailed = false;
};
