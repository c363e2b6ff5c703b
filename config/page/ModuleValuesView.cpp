#include "ModuleValuesView.h"

#include "Conversions.h"
#include "SettingTable.h"
#include "SlotTable.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace ModuleValuesView {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdU16String(Utf8ToWide(text));
}

void CheckIndex(QButtonGroup* group, int index) {
    // An exclusive group keeps one button checked; unchecking all needs it relaxed for a moment.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) {
        button->setChecked(group->id(button) == index);
    }
    group->setExclusive(true);
}

void ShowDeviceFields(const ConfPageControls& c, const ModuleValues& v, std::uint32_t portBaud) {
    const int baudIndex = c.uartBaud->findData(portBaud);
    if (baudIndex >= 0) {
        c.uartBaud->setCurrentIndex(baudIndex);
    }
    ShowFieldValue(c.model, FromUtf8(v.model));
    ShowFieldValue(c.firmware, FromUtf8(v.firmware));
    ShowFieldValue(c.address, QString::fromStdString(v.address));
    c.deviceName->setText(FromUtf8(v.name));
    c.uartFlow->setCurrentIndex(v.flow ? 1 : 0);
}

}  // namespace

void ShowFieldValue(QLabel* field, const QString& value) {
    field->setText(value);
    field->setAccessibleDescription(value);
}

void Show(const ConfPageControls& controls, SlotTable& slotTable, const ModuleValues& values,
          std::uint32_t portBaud, PageValues& members) {
    ShowDeviceFields(controls, values, portBaud);
    for (const ConfPageControls::NumberEdit& number : controls.numbers) {
        if (const auto shown = NumberOf(values.numbers, SettingRowOf(number.job)->field)) {
            number.edit->setText(QString::number(*shown));
        }
    }
    if (values.autoCon) {
        members.autoCon = *values.autoCon ? 1 : 0;
    }
    if (values.masterAddress) {
        controls.masterAddress->setText(QString::fromStdString(*values.masterAddress));
    }
    if (values.role >= 0) {  // a role byte the page does not know keeps the radio as it was
        members.role = values.role;
    }
    if (values.slots) {
        slotTable.Show(*values.slots);
    }
    MembersToControls(controls, members);
}

void MembersToControls(const ConfPageControls& controls, const PageValues& members) {
    CheckIndex(controls.roleGroup, members.role);
    CheckIndex(controls.autoConGroup, members.autoCon);
}

void ControlsToMembers(const ConfPageControls& controls, PageValues& members) {
    members.role = controls.roleGroup->checkedId();
    members.autoCon = controls.autoConGroup->checkedId();
}

}  // namespace ModuleValuesView
