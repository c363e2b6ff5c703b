#pragma once

#include "ConfPageControls.h"

#include <QCoreApplication>
#include <QString>

class QGridLayout;
class CXGroupBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// Creates the controls of dialog template 107 as children of the page and lays them out: the
// five section frames, the device fields, the UART, role and slave rows, and the master
// section with the scan list, the master row and the eight slot rows. Captions are in the
// user's language; each control's object name is its template id and its accessible name its
// caption, or for an edit or list the label beside it.
class ConfPageLayout {
    Q_DECLARE_TR_FUNCTIONS(ConfPageLayout)

public:
    static ConfPageControls Build(QWidget* page);

private:
    explicit ConfPageLayout(QWidget* page) : m_page(page) {}

    QWidget* DeviceInfoSection();
    QWidget* UartSection();
    QWidget* RoleSection();
    QWidget* SlaveSection();
    QWidget* MasterSection();
    QWidget* AutoConRow();
    QWidget* ScanFrame();
    QWidget* MasterDeviceFrame();
    QWidget* SlotsFrame();
    void AddSlotRow(QGridLayout* grid, int slot);

    CXGroupBox* Section(int index, int id, const QString& title);
    template <class Control>
    Control* Add(Control* control, int id, const QString& accessibleName);
    QPushButton* Button(int id, const QString& caption, const QString& accessibleName = {});
    QRadioButton* Radio(int id, const QString& caption);
    QLineEdit* Edit(int id, const QString& accessibleName);
    QLabel* Field(int id, const QString& accessibleName);
    QLabel* Label(const QString& text);

    QWidget* m_page;
    ConfPageControls m_c;
};
