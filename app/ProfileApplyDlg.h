#pragma once

#include "ProfileDiff.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

// "Apply settings file": the fields of a settings file that differ from the module shown, one
// row each (setting, the module's value, the file's value), and, when the file's device name
// holds a counter, the number it starts with. Accepted: apply them.
class ProfileApplyDlg : public QDialog {
    Q_OBJECT

public:
    // The differences for a counter value; nothing when the device name does not fit with it.
    using ChangesOf = std::function<std::optional<std::vector<FieldChange>>(unsigned counter)>;

    ProfileApplyDlg(const QString& fileName, bool hasCounter, ChangesOf changesOf,
                    QWidget* parent = nullptr);

    unsigned Counter() const;

    // Object names, for tests and accessibility tools.
    static constexpr const char* kIdChanges = "profileChanges";
    static constexpr const char* kIdCounter = "profileCounter";
    static constexpr const char* kIdNote = "profileNote";
    static constexpr const char* kIdApply = "profileApply";
    static constexpr const char* kIdCancel = "profileCancel";

private:
    void ShowChanges();

    ChangesOf m_changesOf;
    QTableWidget* m_table = nullptr;
    QSpinBox* m_counter = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_apply = nullptr;
};
