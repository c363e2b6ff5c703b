#pragma once

#include "ConfPageControls.h"
#include "ModuleValues.h"
#include "PageValues.h"

#include <cstdint>

class QButtonGroup;
class QLabel;
class QString;
class SlotTable;

// Shows what a read job read from the module in the page's controls.
namespace ModuleValuesView {

// Everything but stopping a module found scanning and enabling the controls: the baud rate the
// port runs at and the values a read job left (ValuesOf decides which a job fills; what it
// leaves out keeps what the controls show).
void Show(const ConfPageControls& controls, SlotTable& slotTable, const ModuleValues& values,
          std::uint32_t portBaud, PageValues& members);

// Shows `value` in a read-only field and gives it to screen readers and automation as the
// field's description; its accessible name stays the field's caption.
void ShowFieldValue(QLabel* field, const QString& value);

// Data exchange between the members and the two radio groups.
void MembersToControls(const ConfPageControls& controls, const PageValues& members);
void ControlsToMembers(const ConfPageControls& controls, PageValues& members);

}  // namespace ModuleValuesView
