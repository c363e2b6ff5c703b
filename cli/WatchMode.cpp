// The production line's watch mode: a station (production/Station.h) watches the ports that
// match a pattern and configures every module plugged into one, several at once, each with the
// settings file and the next number of its name's counter; every try is recorded, and its line
// shown once its record is written.

#include "WatchMode.h"

#include "StationSetup.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;

StationRequest StationRequestOf(const ApplyRequest& request) {
    StationRequest station;
    station.connection = request.connection;
    station.file = request.file;
    station.nameCounter = request.nameCounter;
    station.portPattern = request.portPattern;
    station.report = request.report;
    station.parallel = request.parallel;
    station.retries = request.retries;
    station.station = request.station;
    station.operatorName = request.operatorName;
    station.lot = request.lot;
    station.record = request.record;
    station.resetCounter = request.resetCounter;
    return station;
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
        : m_setup(profile, StationRequestOf(request), context.texts),
          m_context(context),
          m_listPorts(listPorts) {}

    int Run() {
        if (const Step refused = m_setup.Open()) {
            return m_context.Fail(*refused);
        }
        if (m_setup.Store() != nullptr) {
            m_context.Say(m_context.texts(TextId::RecordingInto, {m_setup.Store()->Name()}));
        }
        Station station(
            m_setup.Options(), m_setup.Lister(m_listPorts),
            [this](const UnitContext& unit) { return m_setup.Try(unit); }, m_setup.Counter(),
            m_setup.Record(), Events());
        std::atomic<int> stopLevel{0};
        std::thread signals([this, &stopLevel, &station] { FollowSignals(stopLevel, station); });
        const Station::End end = station.Run(stopLevel);
        m_finished = true;
        signals.join();
        SaySummary(station.Summary());
        switch (end) {
            case Station::End::RecordFailed:
                return m_context.Fail(m_recordError);
            case Station::End::PortTaken:
                return m_context.Fail(Failure{SessionOutcome::StationTaken, m_portTaken});
            case Station::End::Stopped:
                break;
        }
        return ToInt(ExitCode::Ok);
    }

private:
    StationEvents Events() {
        StationEvents events;
        events.storeWaiting = [this] { m_context.Say(m_context.texts(TextId::StoreWaiting)); };
        events.recorded = [this](const UnitRecord& record) { SayRecord(record); };
        events.recordFailed = [this](const UnitRecord&, const std::error_code& error) {
            m_recordError = m_setup.RecordFailure(error);
        };
        events.portTaken = [this](const std::string& port) {
            m_portTaken = m_context.texts(SessionText::WatchTaken, {port});
        };
        return events;
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

    StationSetup m_setup;
    const CliContext& m_context;
    const PortLister& m_listPorts;
    std::atomic<bool> m_finished{false};
    Failure m_recordError{SessionOutcome::RecordFailed, ""};  // set under the station's record
                                                              // lock, read after Run
    std::string m_portTaken;  // set on the station's thread, read after Run
};

}  // namespace

int RunWatch(const Profile& profile, const ApplyRequest& request, const CliContext& context,
             const PortLister& listPorts) {
    return Watch(profile, request, context, listPorts).Run();
}
