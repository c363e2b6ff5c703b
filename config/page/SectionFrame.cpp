#include "SectionFrame.h"

#include <QGroupBox>

QGroupBox* MakeSectionFrame(QWidget* parent, const QString& title, bool closed) {
    auto* box = new QGroupBox(title, parent);
    box->setAlignment(Qt::AlignHCenter);
    Q_UNUSED(closed);
    return box;
}
