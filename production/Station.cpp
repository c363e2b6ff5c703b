#include "Station.h"

#include "NetworkChannel.h"
#include "PortPattern.h"

#include <algorithm>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

// A lock file's name for a port or pattern: readable, and unique by its hash.
std::string LockName(const std::string& prefix, const std::string& text) {
    std::string readable;
    for (const char c : text) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        readable += plain ? c : '_';
    }
    if (readable.size() > 60) {
        readable.erase(0, readable.size() - 60);
    }
    return prefix + readable + "-" + std::to_string(std::hash<std::string>{}(text)) + ".lock";
}

}  // namespace

double StationSummary::FirstPassYield() const {
    const unsigned configured = units - duplicate;
    return configured == 0 ? 0.0 : static_cast<double>(passFirstTry) / configured;
}

double StationSummary::UnitsPerHour() const {
    return hours <= 0 ? 0.0 : units / hours;
}

Station::Station(StationOptions options, StationPortLister listPorts, UnitRunner runner,
                 NameCounter& counter, RecordSink* record, StationEvents events)
    : m_options(std::move(options)),
      m_listPorts(std::move(listPorts)),
      m_runner(std::move(runner)),
      m_counter(counter),
      m_record(record),
      m_events(std::move(events)),
      m_started(Clock::now()) {
    if (m_record != nullptr) {
        m_passed = m_record->PassedAddresses();
    }
}

Station::~Station() {
    m_stopNow = true;
    Reap(true);
}

std::set<std::string> Station::Matching() const {
    std::set<std::string> ports;
    for (const std::string& port : m_listPorts ? m_listPorts() : std::vector<std::string>{}) {
        if (MatchesPortList(m_options.portPattern, port)) {
            ports.insert(port);
        }
    }
    for (const std::string& port : NetworkPortsIn(m_options.portPattern)) {
        ports.insert(port);
    }
    return ports;
}

// A port is this station's for as long as it runs: another station watching it too would
// give its modules names and records of its own.
bool Station::ClaimPort(const std::string& port) {
    if (m_portLocks.contains(port)) {
        return true;
    }
    std::error_code error;
    const std::string folder =
        m_options.lockFolder.empty() ? StationPlatform::LockFolder() : m_options.lockFolder;
    auto lock = StationPlatform::TryLock(folder + "/" + LockName("port-", port), error);
    if (!lock && error == std::errc::device_or_resource_busy) {
        return false;
    }
    m_portLocks.emplace(port, std::move(lock));  // a lock that cannot be made does not stop us
    return true;
}

// New entries wait their turn; a port that went away and came back (a module swapped in,
// even while its predecessor's unit still runs) is new again.
bool Station::Poll() {
    const std::set<std::string> now = Matching();
    for (const std::string& port : now) {
        if (!ClaimPort(port)) {
            if (m_events.portTaken) {
                m_events.portTaken(port);
            }
            return false;
        }
        if (!m_present.contains(port)) {
            m_waiting.push_back({port, Clock::now()});
        }
    }
    m_waiting.remove_if([&now](const NewPort& entry) { return !now.contains(entry.port); });
    m_present = now;
    return true;
}

bool Station::IsRunning(const std::string& port) const {
    return std::any_of(m_running.begin(), m_running.end(),
                       [&port](const auto& unit) { return unit->port == port; });
}

void Station::StartDue() {
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        const bool full = m_options.parallel != 0 && m_running.size() >= m_options.parallel;
        if (full) {
            return;
        }
        if (Clock::now() - it->listedSince < m_options.settleTime || IsRunning(it->port)) {
            ++it;
            continue;
        }
        auto unit = std::make_unique<Running>();
        unit->port = it->port;
        Running* running = unit.get();
        unit->thread = std::thread([this, running] {
            RunUnit(running->port);
            running->done = true;
        });
        m_running.push_back(std::move(unit));
        it = m_waiting.erase(it);
    }
}

void Station::Reap(bool all) {
    for (auto it = m_running.begin(); it != m_running.end();) {
        if (all || (*it)->done) {
            (*it)->thread.join();
            it = m_running.erase(it);
        } else {
            ++it;
        }
    }
}

Station::End Station::Run(const std::atomic<int>& stopLevel) {
    m_started = Clock::now();
    if (!Poll()) {
        return End::PortTaken;
    }
    // What is there already is not new, except a network port: it cannot be seen to appear, so
    // the module behind it is taken at the start.
    m_waiting.clear();
    for (const std::string& port : m_present) {
        if (IsNetworkPort(port)) {
            m_waiting.push_back({port, Clock::now() - m_options.settleTime});
        }
    }
    End end = End::Stopped;
    while (stopLevel.load() == 0) {
        {
            std::lock_guard guard(m_lock);
            if (m_recordFailed) {
                end = End::RecordFailed;
                break;
            }
        }
        if (!Poll()) {
            end = End::PortTaken;
            break;
        }
        StartDue();
        Reap(false);
        std::this_thread::sleep_for(m_options.pollInterval);
    }
    // No new unit from here; the running ones finish, or stop at their next safe point.
    m_stopStarting = true;
    while (!m_running.empty()) {
        if (stopLevel.load() >= 2) {
            m_stopNow = true;
        }
        Reap(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::lock_guard guard(m_lock);
    return m_recordFailed ? End::RecordFailed : end;
}

bool Station::ClaimAddress(const std::string& address, std::string& holder,
                           const std::string& port) {
    {
        std::lock_guard guard(m_lock);
        if (m_passed.contains(address)) {
            return false;
        }
        const auto [at, inserted] = m_claimed.emplace(address, port);
        holder = at->second;
        if (!inserted && at->second != port) {
            return false;
        }
    }
    // A record shared with other stations (the line's database) may have its PASS from one of
    // them since this station started; asked without the lock, which records are written under.
    if (m_record != nullptr && m_record->PassedNow(address)) {
        std::lock_guard guard(m_lock);
        m_passed.insert(address);
        m_claimed.erase(address);
        return false;
    }
    return true;
}

// The number of the unit that starts now; while the counter cannot be reached (a line's
// database that is down) the unit waits, and configures nothing: it would have no number.
std::optional<unsigned> Station::TakeNumber() {
    bool told = false;
    for (;;) {
        if (std::optional<unsigned> number = m_counter.Take()) {
            return number;
        }
        if (!told && m_events.storeWaiting) {
            m_events.storeWaiting();
        }
        told = true;
        for (int i = 0; i < 20 && !m_stopNow && !m_stopStarting; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (m_stopNow || m_stopStarting) {
            return std::nullopt;
        }
    }
}

void Station::RunUnit(const std::string& port) {
    const std::optional<unsigned> taken = TakeNumber();
    if (!taken) {
        return;  // stopped while waiting for the counter: nothing was done
    }
    const unsigned number = *taken;
    bool numberUsed = false;
    std::string claimedAddress;
    UnitContext unit;
    unit.port = port;
    unit.number = number;
    unit.stopNow = &m_stopNow;
    unit.station = m_options.station;
    unit.operatorName = m_options.operatorName;
    unit.lot = m_options.lot;
    unit.claim = [this, &claimedAddress, &port](const std::string& address) {
        std::string holder;
        const bool mine = ClaimAddress(address, holder, port);
        if (mine) {
            claimedAddress = address;
        }
        return mine;
    };
    for (unsigned attempt = 1;; ++attempt) {
        unit.attempt = attempt;
        if (m_events.started) {
            m_events.started(port, attempt);
        }
        const UnitTry tried = m_runner(unit);
        numberUsed = numberUsed || tried.nameWritten;
        const bool again = tried.record.result == UnitRecord::Result::Fail && tried.lineFailure &&
                           attempt <= m_options.retries && !m_stopNow;
        Record(tried.record, attempt, !again);
        if (!again) {
            break;
        }
    }
    if (!numberUsed) {
        m_counter.GiveBack(number);
    }
    std::lock_guard guard(m_lock);
    m_claimed.erase(claimedAddress);
}

void Station::Record(const UnitRecord& record, unsigned attempt, bool final) {
    std::lock_guard guard(m_lock);
    if (m_recordFailed) {
        return;  // the station stops; nothing more is written or shown
    }
    if (m_record != nullptr) {
        std::error_code error = m_record->Write(record);
        // A database that is down is waited for: the unit is never shown without its record.
        for (bool told = false; error && m_record->Retriable(error) && !m_stopNow;
             error = m_record->Write(record)) {
            if (!told && m_events.storeWaiting) {
                m_events.storeWaiting();
            }
            told = true;
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        if (error) {
            m_recordFailed = true;
            if (m_events.recordFailed) {
                m_events.recordFailed(record, error);
            }
            return;
        }
    }
    switch (record.result) {
        case UnitRecord::Result::Pass:
            m_passed.insert(record.address);
            ++m_summary.pass;
            m_summary.passFirstTry += attempt == 1 ? 1 : 0;
            break;
        case UnitRecord::Result::Duplicate:
            ++m_summary.duplicate;
            break;
        case UnitRecord::Result::Fail:
            m_summary.fail += final ? 1 : 0;
            break;
    }
    m_summary.units += final ? 1 : 0;
    if (m_events.recorded) {
        m_events.recorded(record);
    }
    if (m_events.counted) {
        m_events.counted(SummaryNow());
    }
}

StationSummary Station::Summary() const {
    std::lock_guard guard(m_lock);
    return SummaryNow();
}

StationSummary Station::SummaryNow() const {
    StationSummary summary = m_summary;
    summary.hours =
        std::chrono::duration<double, std::ratio<3600>>(Clock::now() - m_started).count();
    return summary;
}
