#pragma once

#include "ScanReport.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>

class QTableWidget;

// The list of devices found by a scan (address, name, RSSI) and the devices listed since the
// scan started. A device is listed once, with its first report that passes the RSSI
// threshold; a report below the threshold is forgotten, so the device's next report is judged
// again. Window thread only.
class ScanList {
public:
    struct Selection {
        QString address;
        QString name;
    };

    explicit ScanList(QTableWidget* list) : m_list(list) {}

    // Empties the list but remembers the devices seen.
    void ClearItems();
    // Empties the list and forgets the devices seen: a new scan.
    void Reset();
    // Lists the report's device unless it is listed already or weaker than `threshold`.
    bool Add(const ScanReport& report, std::optional<std::int8_t> threshold);
    // The first selected item.
    std::optional<Selection> Selected() const;

private:
    QTableWidget* m_list;
    QHash<QString, ScanReport> m_seenDevices;  // by address text
};
