#pragma once

#include "CliRequest.h"
#include "CliTexts.h"
#include "ModuleSession.h"  // Step
#include "NameCounter.h"
#include "Profile.h"
#include "ProfileApply.h"
#include "RecordFile.h"
#include "RecordStore.h"
#include "Station.h"
#include "StationPlatform.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

using UnitProgressSink = std::function<void(const ApplyProgress& progress)>;

// Everything a production station needs around its engine, the same for the command line's
// watch and the window's production page: the locks that keep a second station off the same
// ports and record, the record (a report file or the line's database), the name counter, the
// station's options and one try at a unit (the settings file applied to the module on its port).
// Toolkit-free; Open on one thread, then Try from the units' threads.
class StationSetup {
public:
    StationSetup(Profile profile, ApplyRequest request, Texts texts);
    ~StationSetup();
    StationSetup(const StationSetup&) = delete;
    StationSetup& operator=(const StationSetup&) = delete;

    // Chosen ports instead of the request's pattern: the listed ones that are present, and the
    // remote ones (rfc2217://, socket://) always, since no list shows them.
    void ChoosePorts(std::vector<std::string> ports) { m_chosenPorts = std::move(ports); }

    // Takes the locks and opens the record; a refusal says why.
    Step Open();

    StationOptions Options() const;
    // The station's port list: `system` filtered to the chosen ports, or `system` itself.
    StationPortLister Lister(StationPortLister system) const;
    RecordSink* Record();
    NameCounter& Counter();
    RecordStore* Store() { return m_store.get(); }  // null when recording into a file

    // One try at a unit: the settings file applied with the unit's number, the module claimed
    // first so that one already configured is not configured again. Any thread.
    UnitTry Try(const UnitContext& unit, const UnitProgressSink& progress = {}) const;

    const Texts& texts() const { return m_texts; }

private:
    std::string LockKey() const;
    Step TakeLocks();
    Step OpenReport();
    Step OpenStore();

    Profile m_profile;
    ApplyRequest m_request;
    Texts m_texts;
    std::vector<std::string> m_chosenPorts;
    LocalNameCounter m_counter;
    std::unique_ptr<StationPlatform::FileLock> m_patternLock;
    std::unique_ptr<StationPlatform::FileLock> m_reportLock;
    std::unique_ptr<RecordFile> m_report;
    std::unique_ptr<RecordStore> m_store;
    std::unique_ptr<StoreNameCounter> m_storeCounter;
};
