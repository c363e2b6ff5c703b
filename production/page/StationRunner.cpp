#include "StationRunner.h"

#include "StationSetup.h"

#include <QCoreApplication>

#include <set>

namespace {

std::string Translate(const char* context, const char* source) {
    return QCoreApplication::translate(context, source).toStdString();
}

QStringList ToQt(const std::vector<std::string>& ports) {
    QStringList list;
    for (const std::string& port : ports) {
        list.append(QString::fromStdString(port));
    }
    return list;
}

}  // namespace

StationRunner::StationRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<UnitRecord>();
    qRegisterMetaType<StationSummary>();
    qRegisterMetaType<ApplyProgress>();
    // Queued, and connected before anyone else: the station's thread has returned (or is about
    // to) once this arrives, and listeners see the run as ended.
    connect(
        this, &StationRunner::finished, this,
        [this] {
            if (m_thread.joinable()) {
                m_thread.join();
            }
        },
        Qt::QueuedConnection);
}

StationRunner::~StationRunner() {
    m_stopLevel = 2;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool StationRunner::Start(Run run) {
    if (m_thread.joinable()) {
        return false;
    }
    m_stopLevel = 0;
    m_thread = std::thread([this, run = std::move(run)]() mutable { Body(std::move(run)); });
    return true;
}

void StationRunner::Stop(int level) {
    if (m_stopLevel.load() < level) {
        m_stopLevel = level;
    }
}

void StationRunner::QueueSerial(const std::string& serial, const std::string& port) {
    std::lock_guard guard(m_serialLock);
    if (port.empty()) {
        m_serials.push_back(serial);
    } else {
        m_portSerials.emplace(port, serial);
    }
}

std::vector<std::string> StationRunner::QueuedSerials() const {
    std::lock_guard guard(m_serialLock);
    std::vector<std::string> serials;
    for (const auto& [port, serial] : m_portSerials) {
        serials.push_back(serial);
    }
    serials.insert(serials.end(), m_serials.begin(), m_serials.end());
    return serials;
}

// The port's own serial first, then the next one scanned for whichever unit starts.
std::string StationRunner::TakeSerial(const std::string& port) {
    std::lock_guard guard(m_serialLock);
    if (const auto own = m_portSerials.find(port); own != m_portSerials.end()) {
        std::string serial = own->second;
        m_portSerials.erase(own);
        return serial;
    }
    if (m_serials.empty()) {
        return {};
    }
    std::string serial = m_serials.front();
    m_serials.pop_front();
    return serial;
}

void StationRunner::Body(Run run) {
    StationSetup setup(std::move(run.profile), std::move(run.request), SessionTexts(Translate));
    setup.ChoosePorts(std::move(run.chosenPorts));
    if (const Step refused = setup.Open()) {
        Q_EMIT finished(QString::fromStdString(refused->message));
        return;
    }
    Q_EMIT opened(QString::fromStdString(setup.Record() != nullptr ? setup.Record()->Name() : ""));

    std::string problem;  // written under the station's record lock or on this thread
    StationEvents events;
    events.recorded = [this](const UnitRecord& record) { Q_EMIT unitRecorded(record); };
    events.counted = [this](const StationSummary& summary) { Q_EMIT counted(summary); };
    events.storeWaiting = [this] { Q_EMIT storeWaiting(); };
    events.recordFailed = [&](const UnitRecord&, const std::error_code& error) {
        problem = setup.RecordFailure(error).message;
    };
    events.portTaken = [&](const std::string& port) {
        problem = setup.texts()(SessionText::WatchTaken, {port});
    };

    // The ports as the station sees them, told whenever they change.
    StationPortLister lister = setup.Lister(std::move(run.listPorts));
    std::vector<std::string> lastListed;
    bool listedOnce = false;
    auto listed = [&, lister] {
        std::vector<std::string> ports = lister();
        if (!listedOnce || ports != lastListed) {
            listedOnce = true;
            lastListed = ports;
            Q_EMIT portsListed(ToQt(ports));
        }
        return ports;
    };

    // A retry keeps the serial of the unit's first try.
    std::mutex unitSerialsLock;  // guards unitSerials; the units' threads take theirs
    std::map<std::string, std::string> unitSerials;
    auto runner = [&](const UnitContext& unit) {
        std::string serial;
        {
            std::lock_guard guard(unitSerialsLock);
            if (unit.attempt == 1) {
                unitSerials[unit.port] = TakeSerial(unit.port);
            }
            serial = unitSerials[unit.port];
        }
        const QString port = QString::fromStdString(unit.port);
        Q_EMIT unitStarted(port, unit.attempt, QString::fromStdString(serial));
        return setup.Try(unit, serial, [this, port](const ApplyProgress& progress) {
            Q_EMIT unitProgress(port, progress);
        });
    };

    Station station(setup.Options(), listed, runner, setup.Counter(), setup.Record(), events);
    station.Run(m_stopLevel);
    Q_EMIT counted(station.Summary());
    Q_EMIT finished(QString::fromStdString(problem));
}
