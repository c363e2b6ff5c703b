#pragma once

#include <QDialog>

class GdiplusImgCtrl;
class QLabel;

// The About box: the logo, the product name with its version in bold, what the program is for,
// and the notice. Created afresh for each showing and run with exec().
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // The controls by id (dialog template 100; OK has the framework's id). The id is also the
    // control's object name.
    static constexpr int kIdOk = 1;
    static constexpr int kIdProductName = 1088;
    static constexpr int kIdNotice = 1089;
    static constexpr int kIdLogo = 1090;

    explicit CAboutDlg(QWidget* parent = nullptr);

private:
    void CreateControls();
    void ShowVersionInfo();

    GdiplusImgCtrl* m_logo = nullptr;
    QLabel* m_productName = nullptr;
    QLabel* m_notice = nullptr;
};
