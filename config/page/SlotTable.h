#pragma once

#include "ConfPageControls.h"
#include "ModuleValues.h"
#include "SlotRules.h"

#include <QString>

// The eight slot rows. An address edit filled from the scan list or from the module is
// read-only until its "X" empties it; the name edits are always read-only. Slots are numbered
// 1-8. Window thread only.
class SlotTable {
public:
    static_assert(ConfPageControls::kSlotRows == kSlotCount);
    using Rows = std::array<ConfPageControls::SlotRow, kSlotCount>;

    explicit SlotTable(const Rows& rows) : m_rows(rows) {}

    SlotRules::SlotTexts Addresses() const;
    SlotRules::SlotTexts Names() const;

    // Puts a scanned device into `slot`; false, changing nothing, when any slot holds the
    // address already.
    bool Assign(int slot, const QString& address, const QString& name);
    // "X": both edits emptied, the address editable again.
    void Empty(int slot);
    // The slots as the module holds them.
    void Show(const SlotValues& slots);
    // Empties every edit and leaves their read-only state.
    void ClearTexts();

private:
    const ConfPageControls::SlotRow& Row(int slot) const;

    Rows m_rows;
};
