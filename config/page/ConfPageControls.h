#pragma once

#include "ConfJob.h"

#include <QHash>

#include <array>
#include <cstddef>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class CXGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QWidget;

// The controls of the configuration page (dialog template 107), created and laid out by
// ConfPageLayout. Every control is also reachable by its id (ConfControlIds.h), which is its
// object name.
struct ConfPageControls {
    static constexpr std::size_t kSlotRows = 8;

    struct SlotRow {
        QLabel* number = nullptr;
        QPushButton* copy = nullptr;  // "=>"
        QLineEdit* address = nullptr;
        QLineEdit* name = nullptr;     // always read-only
        QPushButton* clear = nullptr;  // "X"
    };

    static constexpr int kSectionCount = 5;
    std::array<CXGroupBox*, kSectionCount> boxes{};

    QLabel* model = nullptr;
    QLabel* firmware = nullptr;
    QLabel* address = nullptr;
    QPushButton* update = nullptr;
    QPushButton* reboot = nullptr;
    QPushButton* factoryReset = nullptr;

    QComboBox* uartBaud = nullptr;
    QComboBox* uartFlow = nullptr;
    QPushButton* uartApply = nullptr;

    std::array<QRadioButton*, 4> roles{};  // index = role radio index
    QButtonGroup* roleGroup = nullptr;
    QPushButton* roleApply = nullptr;

    QLineEdit* deviceName = nullptr;
    QPushButton* changeName = nullptr;
    // The edit of each setting of ValueKind::Number, with its "Apply" button.
    struct NumberEdit {
        ConfJob job{};
        QLineEdit* edit = nullptr;
        QPushButton* apply = nullptr;
    };
    std::vector<NumberEdit> numbers;

    std::array<QRadioButton*, 2> autoCon{};  // OFF, ON
    QButtonGroup* autoConGroup = nullptr;
    QPushButton* autoConApply = nullptr;

    QCheckBox* nameFilterCheck = nullptr;
    QLineEdit* nameFilter = nullptr;
    QCheckBox* rssiFilterCheck = nullptr;
    QLineEdit* rssiFilter = nullptr;
    QPushButton* scan = nullptr;
    QTableWidget* scanList = nullptr;

    QPushButton* masterCopy = nullptr;
    QLineEdit* masterAddress = nullptr;
    QPushButton* masterRegister = nullptr;
    QPushButton* masterDelete = nullptr;

    std::array<SlotRow, kSlotRows> slotRows{};
    QPushButton* save = nullptr;

    QHash<int, QWidget*> byId;

    QWidget* ById(int id) const { return byId.value(id, nullptr); }
};
