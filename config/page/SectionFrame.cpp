#include "SectionFrame.h"

#include "CXGroupBox.h"

CXGroupBox* MakeSectionFrame(QWidget* parent, const QString& title, bool closed) {
    auto* box = new CXGroupBox(title, parent);
    box->m_font.setWeight(QFont::Bold);
    box->m_sizeTitle.setWidth(0);
    box->m_nTitleAlign = CXGroupBox::kTitleCentre;
    box->m_nBorderStyle = CXGroupBox::kBorderSingle;
    box->m_nBorderWidth = 1;
    box->m_nFrameStyle = closed ? CXGroupBox::kFrameClosed : CXGroupBox::kFrameOpenBottom;
    box->m_crBorder = QColor(44, 82, 162);
    box->update();
    return box;
}
