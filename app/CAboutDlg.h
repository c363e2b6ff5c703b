#pragma once

#include <QDialog>

class GdiplusImgCtrl;
class QLabel;

// The About box: the logo, the product name with its version in bold, what the program is for,
// and the notice. Created afresh for each showing and run with exec().
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

private:
    void CreateControls();
    void ShowVersionInfo();

    GdiplusImgCtrl* m_logo = nullptr;
    QLabel* m_productName = nullptr;
    QLabel* m_notice = nullptr;
};
