// The production line's watch mode: a station (production/Station.h) watches the ports that
// match a pattern and configures every module plugged into one, several at once, each with the
// settings file and the next number of its name's counter; every try is recorded, and its line
// shown once its record is written.

#include "WatchMode.h"

#include "NameCounter.h"
#include "ProfileApply.h"
#include "RecordFile.h"
#include "RecordStore.h"
#include "Station.h"
#include "StationPlatform.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A unit's transcript keeps at most this much: enough for every command of a full apply.
constexpr std::size_t kTranscriptLimit = 64 * 1024;

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

// Failures on the line, worth another try; a module that refused, or is not the right one, is
// not.
bool IsLineFailure(ExitCode code) {
    return code == ExitCode::PortNotOpened || code == ExitCode::NoAnswer ||
           code == ExitCode::PortError;
}

std::string Percent(double share) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", share * 100);
    return text;
}

class Watch {
public:
    Watch(const Profile& profile, const ApplyRequest& request, const CliContext& context,
          const PortLister& listPorts)
        : m_profile(profile),
          m_request(request),
          m_context(context),
          m_listPorts(listPorts),
          m_counter(request.nameCounter) {}

    int Run() {
        if (const Step refused = TakeLocks()) {
            return m_context.Fail(refused->code, refused->message);
        }
        if (const Step refused = m_request.report ? OpenReport() : OpenStore()) {
            return m_context.Fail(refused->code, refused->message);
        }
        RecordSink* record = m_report ? static_cast<RecordSink*>(m_report.get()) : m_store.get();
        NameCounter& counter = m_storeCounter ? static_cast<NameCounter&>(*m_storeCounter)
                                              : static_cast<NameCounter&>(m_counter);
        Station station(
            Options(), m_listPorts, [this](const UnitContext& unit) { return Try(unit); }, counter,
            record, Events());
        std::atomic<int> stopLevel{0};
        std::thread signals([this, &stopLevel, &station] { FollowSignals(stopLevel, station); });
        const Station::End end = station.Run(stopLevel);
        m_finished = true;
        signals.join();
        SaySummary(station.Summary());
        switch (end) {
            case Station::End::RecordFailed:
                return m_context.Fail(ExitCode::Internal, m_recordError);
            case Station::End::PortTaken:
                return m_context.Fail(ExitCode::PortNotOpened, m_portTaken);
            case Station::End::Stopped:
                break;
        }
        return ToInt(ExitCode::Ok);
    }

private:
    StationOptions Options() const {
        StationOptions options;
        options.portPattern = m_request.portPattern;
        options.parallel = m_request.parallel;
        options.retries = m_request.retries;
        options.station = m_request.station.value_or(StationPlatform::HostName());
        options.operatorName = m_request.operatorName.value_or("");
        options.lot = m_request.lot.value_or("");
        return options;
    }

    // Two watches over one record or one pattern would give two modules one name.
    Step TakeLocks() {
        std::error_code error;
        const std::string folder = StationPlatform::LockFolder();
        m_patternLock = StationPlatform::TryLock(
            folder + "/pattern-" + std::to_string(std::hash<std::string>{}(m_request.portPattern)) +
                ".lock",
            error);
        if (!m_patternLock && error == std::errc::device_or_resource_busy) {
            return Failure{ExitCode::PortNotOpened,
                           m_context.texts(TextId::WatchTaken, {m_request.portPattern})};
        }
        if (m_request.report) {
            m_reportLock = StationPlatform::TryLock(*m_request.report + ".lock", error);
            if (!m_reportLock && error == std::errc::device_or_resource_busy) {
                return Failure{ExitCode::PortNotOpened,
                               m_context.texts(TextId::WatchTaken, {*m_request.report})};
            }
        }
        return std::nullopt;
    }

    Step OpenReport() {
        if (!m_request.report) {
            return std::nullopt;
        }
        std::error_code same;
        if (std::filesystem::equivalent(*m_request.report, m_request.file, same)) {
            return Failure{ExitCode::BadArgument, m_context.texts(TextId::ReportIsSettingsFile)};
        }
        std::error_code error;
        std::string why;
        m_report = RecordFile::Open(*m_request.report, error, why);
        if (!m_report) {
            return Failure{
                ExitCode::BadArgument,
                m_context.texts(TextId::ReportRefused,
                                {*m_request.report, why.empty() ? error.message() : why})};
        }
        return std::nullopt;
    }

    // The line's database: the one named, or this station's own SQLite file; its counter is
    // kept under the name pattern.
    Step OpenStore() {
        const std::string address = m_request.record.value_or(
            "sqlite:" + StationPlatform::DataFolder() + "/production.sqlite");
        std::string why;
        m_store = OpenRecordStore(address, why);
        if (!m_store) {
            return Failure{ExitCode::PortNotOpened,
                           m_context.texts(TextId::StoreRefused, {ShownAddress(address), why})};
        }
        const std::string key = m_profile.name.value_or("");
        if (m_request.resetCounter && !m_store->RaiseCounter(key, *m_request.resetCounter, why)) {
            return Failure{ExitCode::BadArgument, m_context.texts(TextId::CounterNotReset, {why})};
        }
        m_storeCounter = std::make_unique<StoreNameCounter>(*m_store, key, m_request.nameCounter);
        m_context.Say(m_context.texts(TextId::RecordingInto, {m_store->Name()}));
        return std::nullopt;
    }

    StationEvents Events() {
        StationEvents events;
        events.storeWaiting = [this] { m_context.Say(m_context.texts(TextId::StoreWaiting)); };
        events.recorded = [this](const UnitRecord& record) { SayRecord(record); };
        events.recordFailed = [this](const UnitRecord&, const std::error_code& error) {
            m_recordError = m_context.texts(TextId::ReportFailed,
                                            {m_report ? m_report->Name() : "", error.message()});
        };
        events.portTaken = [this](const std::string& port) {
            m_portTaken = m_context.texts(TextId::WatchTaken, {port});
        };
        return events;
    }

    // One try at a unit: the settings file applied with the unit's number, the module
    // claimed first so that one already configured is not configured again.
    UnitTry Try(const UnitContext& unit) {
        Connection connection = m_request.connection;
        connection.port = unit.port;
        std::ostringstream detail;  // the details of one module stay out of its line
        std::ostringstream errors;
        const CliContext quiet{detail, errors, m_context.texts, unit.stopNow};
        std::string transcript;
        ApplyOptions options{connection, unit.number, false};
        options.accept = [&unit](const ModuleValues& module) { return unit.claim(module.address); };
        options.transcript = [&transcript](bool sent, std::string_view line) {
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
                line.remove_suffix(1);
            }
            if (transcript.size() < kTranscriptLimit) {
                transcript += (sent ? "> " : "< ") + std::string(line) + "\n";
            }
        };
        const ApplyOutcome outcome = ApplyProfile(m_profile, options, quiet);
        UnitTry tried;
        UnitRecord& record = tried.record;
        record.port = unit.port;
        record.address = outcome.module.address;
        record.model = outcome.module.model;
        record.firmware = outcome.module.firmware;
        record.name = outcome.name;
        record.confirmed = outcome.confirmed;
        record.transcript = transcript;
        tried.nameWritten = outcome.nameWritten;
        if (outcome.refused) {
            record.result = UnitRecord::Result::Duplicate;
            record.reason = m_context.texts(TextId::AlreadyConfigured);
        } else if (outcome.failure) {
            record.result = UnitRecord::Result::Fail;
            record.reason = OneLine(outcome.failure->message);
            tried.lineFailure = IsLineFailure(outcome.failure->code);
        } else {
            record.result = UnitRecord::Result::Pass;
        }
        return tried;
    }

    void SayRecord(const UnitRecord& r) {
        const std::string who = r.address.empty() ? r.port : r.address;
        const std::string attempt = r.attempt > 1 ? " (" + std::to_string(r.attempt) + ")" : "";
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", r.seconds);
        switch (r.result) {
            case UnitRecord::Result::Pass:
                m_context.Say("PASS " + r.address + " " + r.name + " " + seconds);
                break;
            case UnitRecord::Result::Duplicate:
                m_context.Say("DUPLICATE " + who + " " + r.reason);
                break;
            case UnitRecord::Result::Fail:
                m_context.Say("FAIL " + who + attempt + " " + r.reason);
                break;
        }
    }

    void SaySummary(const StationSummary& s) {
        m_context.Say(m_context.texts(
            TextId::WatchSummary,
            {std::to_string(s.units), std::to_string(s.pass), std::to_string(s.fail),
             std::to_string(s.duplicate), Percent(s.FirstPassYield()),
             std::to_string(static_cast<long>(std::lround(s.UnitsPerHour())))}));
    }

    // The first stop signal lets the running units finish; a further one stops them at their
    // next safe point. SIGUSR1 asks for the summary so far.
    void FollowSignals(std::atomic<int>& stopLevel, const Station& station) {
        while (!m_finished) {
            const int signals = m_context.stopSignals != nullptr ? m_context.stopSignals->load()
                                : m_context.StopRequested()      ? 1
                                                                 : 0;
            stopLevel = std::min(signals, 2);
            if (m_context.summaryRequested != nullptr &&
                m_context.summaryRequested->exchange(false)) {
                SaySummary(station.Summary());
            }
            std::this_thread::sleep_for(50ms);
        }
    }

    const Profile& m_profile;
    const ApplyRequest& m_request;
    const CliContext& m_context;
    const PortLister& m_listPorts;
    LocalNameCounter m_counter;
    std::unique_ptr<StationPlatform::FileLock> m_patternLock;
    std::unique_ptr<StationPlatform::FileLock> m_reportLock;
    std::unique_ptr<RecordFile> m_report;
    std::unique_ptr<RecordStore> m_store;
    std::unique_ptr<StoreNameCounter> m_storeCounter;
    std::atomic<bool> m_finished{false};
    std::string m_recordError;  // set under the station's record lock, read after Run
    std::string m_portTaken;    // set on the station's thread, read after Run
};

}  // namespace

int RunWatch(const Profile& profile, const ApplyRequest& request, const CliContext& context,
             const PortLister& listPorts) {
    return Watch(profile, request, context, listPorts).Run();
}
