#pragma once

#include "ProfileApply.h"
#include "Station.h"
#include "StationSetup.h"
#include "UnitRecord.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

Q_DECLARE_METATYPE(UnitRecord)
Q_DECLARE_METATYPE(StationSummary)
Q_DECLARE_METATYPE(ApplyProgress)

// The window's side of a production station: runs the unit of work's station (StationSetup and
// Station) on a thread of its own and tells what happens through signals, emitted on the
// station's and the units' threads; connect them queued. Nothing here waits on a module: Start
// returns at once (the record is opened on the station's thread) and Stop only asks.
class StationRunner : public QObject {
    Q_OBJECT

public:
    struct Run {
        Profile profile;
        StationRequest request;                // file, pattern, station, operator, lot, record
        std::vector<std::string> chosenPorts;  // instead of the pattern, when not empty
        StationPortLister listPorts;           // the system's ports, called on the station's thread
    };

    explicit StationRunner(QObject* parent = nullptr);
    // Stops the running units at their next safe point and joins the station; the page lets a
    // run end before it goes, so this waits only when the program is torn down mid-run.
    ~StationRunner() override;

    // False when a run has not ended yet.
    bool Start(Run run);
    // 1: no new unit, the running ones finish; 2: they stop at their next safe point (each
    // still ends with "ATZ").
    void Stop(int level);
    bool IsRunning() const { return m_thread.joinable(); }
    int StopLevel() const { return m_stopLevel.load(); }

    // A scanned serial number for the next unit that starts, or for the next unit on `port`.
    void QueueSerial(const std::string& serial, const std::string& port = {});
    // The serial numbers not taken yet, in the order they will be.
    std::vector<std::string> QueuedSerials() const;

Q_SIGNALS:
    void opened(const QString& record);  // the record is open: the station watches its ports
    void portsListed(const QStringList& ports);
    void unitStarted(const QString& port, unsigned attempt, const QString& serial);
    void unitProgress(const QString& port, const ApplyProgress& progress);
    void unitRecorded(const UnitRecord& record);
    void counted(const StationSummary& summary);
    void storeWaiting();
    // The run has ended; `problem` says why when it was not stopped (empty: stopped).
    void finished(const QString& problem);

private:
    void Body(Run run);
    std::string TakeSerial(const std::string& port);

    std::thread m_thread;  // the station's; started by Start, joined when `finished` arrives
    std::atomic<int> m_stopLevel{0};

    mutable std::mutex m_serialLock;  // guards the two below; held only to take or add one
    std::deque<std::string> m_serials;
    std::multimap<std::string, std::string> m_portSerials;  // port -> serial, in scan order
};
