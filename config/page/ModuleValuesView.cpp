#include "ModuleValuesView.h"

#include "Conversions.h"
#include "ModelRules.h"
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

void ShowDeviceFields(const ConfPageControls& c, const ModuleState& dev, const std::string& model,
                      std::uint32_t portBaud) {
    const int baudIndex = c.uartBaud->findData(portBaud);
    if (baudIndex >= 0) {
        c.uartBaud->setCurrentIndex(baudIndex);
    }
    ShowFieldValue(c.model, FromUtf8(model));
    ShowFieldValue(c.firmware, FromUtf8(dev.Firmware()));
    ShowFieldValue(c.address, QString::fromStdString(FormatBdAddr(dev.info.addr)));
    c.deviceName->setText(FromUtf8(dev.info.DeviceName()));
    c.uartFlow->setCurrentIndex(dev.flow);
}

}  // namespace

void ShowFieldValue(QLabel* field, const QString& value) {
    field->setText(value);
    field->setAccessibleDescription(value);
}

namespace {

void ShowAutoCon(const ConfPageControls& c, const ModuleState& dev, PageValues& members) {
    members.autoCon = dev.autoCon.on != 0 ? 1 : 0;
    MembersToControls(c, members);
    c.masterAddress->setText(IsZeroAddr(dev.autoCon.addr)
                                 ? QString()
                                 : QString::fromStdString(FormatBdAddr(dev.autoCon.addr)));
}

}  // namespace

void Show(const ConfPageControls& controls, SlotTable& slotTable, const ModuleState& dev,
          const std::string& model, ConfJob readJob, std::uint32_t portBaud, PageValues& members) {
    ShowDeviceFields(controls, dev, model, portBaud);
    if (readJob == JOB_READ_FULL || readJob == JOB_READ_SLAVE) {
        members.advInterval = dev.advInterval;
        controls.advInterval->setText(QString::number(members.advInterval));
    }
    if (readJob == JOB_READ_FULL || readJob == JOB_READ_MASTER) {
        ShowAutoCon(controls, dev, members);
    }
    if (readJob == JOB_READ_FULL) {
        const int role = RoleIndexOf(dev.role, dev.bypass);
        if (role >= 0) {
            members.role = role;
        }
        slotTable.Show(dev.slots);
    } else {
        members.role = readJob == JOB_READ_MASTER ? 1 : 0;
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
