#include "SlotTable.h"

#include <QLineEdit>

SlotRules::SlotTexts SlotTable::Addresses() const {
    SlotRules::SlotTexts texts;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        texts[i] = m_rows[i].address->text();
    }
    return texts;
}

SlotRules::SlotTexts SlotTable::Names() const {
    SlotRules::SlotTexts texts;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        texts[i] = m_rows[i].name->text();
    }
    return texts;
}

bool SlotTable::Assign(int slot, const QString& address, const QString& name) {
    if (SlotRules::IsAssigned(Addresses(), address)) {
        return false;
    }
    const auto& row = Row(slot);
    row.address->setText(address);
    row.address->setReadOnly(true);
    row.name->setText(SlotRules::SlotNameOf(name));
    return true;
}

void SlotTable::Empty(int slot) {
    const auto& row = Row(slot);
    row.address->clear();
    row.address->setReadOnly(false);
    row.name->clear();
}

void SlotTable::Show(const SlotValues& slots) {
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        const SlotValue& slot = slots[i];
        const auto& row = m_rows[i];
        if (slot.address.empty()) {
            row.address->clear();
            row.address->setReadOnly(false);
            row.name->clear();
            continue;
        }
        row.address->setText(QString::fromStdString(slot.address));
        row.address->setReadOnly(true);
        row.name->setText(QString::fromStdString(slot.name));
    }
}

void SlotTable::ClearTexts() {
    for (const auto& row : m_rows) {
        row.address->clear();
        row.name->clear();
    }
}

const ConfPageControls::SlotRow& SlotTable::Row(int slot) const {
    return m_rows.at(static_cast<std::size_t>(slot - 1));
}
