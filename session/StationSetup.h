#pragma once

#include "Connection.h"
#include "NameCounter.h"
#include "Profile.h"
#include "ProfileApply.h"
#include "RecordFile.h"
#include "RecordStore.h"
#include "SessionOutcome.h"
#include "SessionTexts.h"
#include "Station.h"
#include "StationPlatform.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What a station is asked for: the settings file's place, the ports, the record and who works.
struct StationRequest {
    Connection connection;               // its port is each unit's
    std::string file;                    // the settings file, which the report must not be
    unsigned nameCounter = 1;            // the name counter's first number, without a database
    std::string portPattern = "*";       // PortListEntries
    std::optional<std::string> report;   // the CSV or JSON Lines report appended to
    unsigned parallel = 0;               // units at once; 0: every new port
    unsigned retries = 1;                // further tries after a failure on the line
    std::optional<std::string> station;  // default the host name
    std::optional<std::string> operatorName;
    std::optional<std::string> lot;
    std::optional<std::string> record;     // the line's database (sqlite:, postgresql://)
    std::optional<unsigned> resetCounter;  // with a database: the counter's next number
};

using UnitProgressSink = std::function<void(const ApplyProgress& progress)>;

// Everything a production station needs around its engine, the same for the command line's
// watch and the window's production page: the locks that keep a second station off the same
// ports and record, the record (a report file or the line's database), the name counter, the
// station's options and one try at a unit (the settings file applied to the module on its port),
// whose record it fills. Toolkit-free; Open on one thread, then Try from the units' threads.
class StationSetup {
public:
    StationSetup(Profile profile, StationRequest request, SessionTexts texts);
    ~StationSetup();
    StationSetup(const StationSetup&) = delete;
    StationSetup& operator=(const StationSetup&) = delete;

    // Chosen ports instead of the request's pattern: the listed ones that are present, and the
    // remote ones (rfc2217://, socket://) always, since no list shows them.
    void ChoosePorts(std::vector<std::string> ports) { m_chosenPorts = std::move(ports); }

    // Takes the locks and opens the record; a refusal says why (StationTaken, RecordRefused,
    // BadInput).
    Step Open();

    StationOptions Options() const;
    // The station's port list: `system` filtered to the chosen ports, or `system` itself.
    StationPortLister Lister(StationPortLister system) const;
    RecordSink* Record();
    NameCounter& Counter();
    RecordStore* Store() { return m_store.get(); }  // null when recording into a file

    // One try at a unit: the settings file applied with the unit's number, the module claimed
    // first so that one already configured is not configured again. Its record is filled here,
    // whole: what the try found and the station's context in `unit`, with the `serial` scanned
    // for the unit, if any. Any thread.
    UnitTry Try(const UnitContext& unit, const std::string& serial = {},
                const UnitProgressSink& progress = {}) const;

    // Why the station stopped when a record could not be written (`error`, and the sink's own
    // words); called under the station's record lock.
    Failure RecordFailure(const std::error_code& error) const;

    const SessionTexts& texts() const { return m_texts; }

private:
    std::string LockKey() const;
    Step CheckNameCounter() const;
    Step TakeLocks();
    Step OpenReport();
    Step OpenStore();
    std::string ReasonOf(const Failure& failure) const;

    Profile m_profile;
    StationRequest m_request;
    SessionTexts m_texts;
    std::vector<std::string> m_chosenPorts;
    LocalNameCounter m_counter;
    std::unique_ptr<StationPlatform::FileLock> m_patternLock;
    std::unique_ptr<StationPlatform::FileLock> m_reportLock;
    std::unique_ptr<RecordFile> m_report;
    std::unique_ptr<RecordStore> m_store;
    std::unique_ptr<StoreNameCounter> m_storeCounter;
};
