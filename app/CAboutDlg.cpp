#include "CAboutDlg.h"

#include "Artwork.h"
#include "GdiplusImgCtrl.h"
#include "SkwVersion.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// The logo's place keeps the picture's proportions (256 x 38).
constexpr QSize kLogoSize(202, 30);

// A text nobody addresses, like the framework's static controls: no id, no object name.
constexpr int kIdStatic = -1;

QLabel* NewLabel(int id, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    if (id != kIdStatic) {
        label->setObjectName(QString::number(id));
    }
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("sKW Manager Information"));
    setWindowIcon(Artwork::AppIcon());
    CreateControls();
    ShowVersionInfo();
    m_logo->LoadPngImage();
}

void CAboutDlg::CreateControls() {
    m_logo = new GdiplusImgCtrl(this);
    m_logo->setObjectName(QString::number(kIdLogo));
    m_logo->setFixedSize(kLogoSize);

    m_productName = NewLabel(kIdProductName, {}, this);
    QFont bold = m_productName->font();
    bold.setWeight(QFont::Bold);
    m_productName->setFont(bold);

    auto* purpose = NewLabel(
        kIdStatic, tr("This program is a PC program for configuring sKW52x and DTQ50."), this);
    purpose->setWordWrap(true);
    purpose->setMinimumWidth(220);

    m_notice = NewLabel(kIdNotice, {}, this);
    m_notice->setAlignment(Qt::AlignCenter);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QString::number(kIdOk));
    ok->setAccessibleName(ok->text());
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setHorizontalSpacing(16);
    layout->addWidget(m_logo, 0, 0, 2, 1, Qt::AlignVCenter);
    layout->addWidget(m_productName, 0, 1);
    layout->addWidget(purpose, 1, 1);
    layout->addWidget(m_notice, 2, 0, 1, 2);
    layout->addWidget(ok, 3, 0, 1, 2, Qt::AlignHCenter);
}

void CAboutDlg::ShowVersionInfo() {
    // The version data is compiled in, so unlike a file's version resource it cannot be missing.
    const QString version = QStringLiteral("%1.%2.%3")
                                .arg(SKW_VERSION_MAJOR)
                                .arg(SKW_VERSION_MINOR)
                                .arg(SKW_VERSION_PATCH);
    m_productName->setText(
        QStringLiteral("%1 Ver %2").arg(QStringLiteral(SKW_PRODUCT_NAME), version));
    m_notice->setText(QStringLiteral(SKW_LEGAL_COPYRIGHT));
}
