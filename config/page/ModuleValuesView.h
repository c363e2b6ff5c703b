#pragma once

#include "ConfJob.h"
#include "ConfPageControls.h"
#include "ModuleState.h"
#include "PageValues.h"

#include <cstdint>
#include <string>

class QButtonGroup;
class QLabel;
class QString;
class SlotTable;

// Shows what a read job read from the module in the page's controls.
namespace ModuleValuesView {

// Everything but stopping a module found scanning and enabling the controls: the baud rate the
// port runs at, model, firmware, address, name and flow control; the advertising interval
// (JOB_READ_FULL, JOB_READ_SLAVE); automatic connection and master address (JOB_READ_FULL,
// JOB_READ_MASTER); the role and, for JOB_READ_FULL, the slots.
void Show(const ConfPageControls& controls, SlotTable& slotTable, const ModuleState& dev,
          const std::string& model, ConfJob readJob, std::uint32_t portBaud, PageValues& members);

// Shows `value` in a read-only field and gives it to screen readers and automation as the
// field's description; its accessible name stays the field's caption.
void ShowFieldValue(QLabel* field, const QString& value);

// Data exchange between the members and the two radio groups.
void MembersToControls(const ConfPageControls& controls, const PageValues& members);
void ControlsToMembers(const ConfPageControls& controls, PageValues& members);

}  // namespace ModuleValuesView
