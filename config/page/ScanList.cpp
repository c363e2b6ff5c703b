#include "ScanList.h"

#include "Conversions.h"

#include <QItemSelectionModel>
#include <QTableWidget>

#include <algorithm>
#include <cstring>

void ScanList::ClearItems() {
    m_list->setRowCount(0);
}

void ScanList::Reset() {
    ClearItems();
    m_seenDevices.clear();
}

bool ScanList::Add(const ScanReport& report, std::optional<std::int8_t> threshold) {
    std::u16string key;
    FormatBdAddr(report.address, key);
    const QString address = QString::fromStdU16String(key);
    if (m_seenDevices.contains(address)) {
        return false;
    }
    if (threshold && *threshold > report.rssi) {
        return false;
    }
    m_seenDevices.insert(address, report);

    const std::string name(report.name, strnlen(report.name, sizeof(report.name)));
    const int row = m_list->rowCount();
    m_list->insertRow(row);
    m_list->setItem(row, 0, new QTableWidgetItem(address));
    m_list->setItem(row, 1, new QTableWidgetItem(QString::fromStdU16String(Utf8ToWide(name))));
    m_list->setItem(row, 2, new QTableWidgetItem(QString::number(report.rssi)));
    return true;
}

std::optional<ScanList::Selection> ScanList::Selected() const {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    const int row = std::min_element(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
                        return a.row() < b.row();
                    })->row();
    const auto text = [this, row](int column) {
        const QTableWidgetItem* item = m_list->item(row, column);
        return item != nullptr ? item->text() : QString();
    };
    return Selection{text(0), text(1)};
}
