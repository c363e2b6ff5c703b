#include "GdiplusImgCtrl.h"

#include "Artwork.h"

#include <QFile>
#include <QPainter>

GdiplusImgCtrl::GdiplusImgCtrl(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("sKW Manager logo"));
}

int GdiplusImgCtrl::LoadPngImage() {
    QFile file(QString::fromLatin1(Artwork::kLogoPath));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QImage decoded = QImage::fromData(file.readAll(), "PNG");
    m_image = decoded.isNull() ? QImage() : KeyOutWhite(decoded);
    update();
    return m_image.isNull() ? -2 : 0;
}

QSize GdiplusImgCtrl::sizeHint() const {
    return QSize(256, 38);
}

void GdiplusImgCtrl::paintEvent(QPaintEvent*) {
    if (m_image.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

QImage GdiplusImgCtrl::KeyOutWhite(const QImage& image) {
    // The logo has an 8-bit palette; alpha can only be set per pixel after conversion.
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb white = qRgb(255, 255, 255);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if (line[x] == white) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return keyed;
}
