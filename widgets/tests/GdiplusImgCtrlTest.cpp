#include "Artwork.h"
#include "GdiplusImgCtrl.h"

#include <gtest/gtest.h>
#include <QImage>

#include <functional>
#include <optional>

namespace {

// A point of `image` whose whole neighbourhood of `radius` pixels satisfies `accept`, so that
// stretching cannot blend it with anything else.
std::optional<QPoint> FindUniformPoint(const QImage& image, int radius,
                                       const std::function<bool(QRgb)>& accept) {
    for (int y = radius; y < image.height() - radius; ++y) {
        for (int x = radius; x < image.width() - radius; ++x) {
            bool uniform = true;
            for (int dy = -radius; dy <= radius && uniform; ++dy) {
                for (int dx = -radius; dx <= radius && uniform; ++dx) {
                    uniform = accept(image.pixel(x + dx, y + dy));
                }
            }
            if (uniform) {
                return QPoint(x, y);
            }
        }
    }
    return std::nullopt;
}

QPoint Scaled(QPoint point, QSize from, QSize to) {
    return QPoint(point.x() * to.width() / from.width(), point.y() * to.height() / from.height());
}

}  // namespace

TEST(GdiplusImgCtrl, showsTheWholeLogoStretched_withWhiteShowingTheFace) {
    const QImage logo =
        QImage(QString::fromLatin1(Artwork::kLogoPath)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(logo.size(), QSize(256, 38));
    const QRgb white = qRgb(255, 255, 255);
    const QRgb brand = qRgb(44, 82, 162);
    const auto whitePoint = FindUniformPoint(logo, 4, [&](QRgb rgb) { return rgb == white; });
    const auto brandPoint = FindUniformPoint(logo, 4, [&](QRgb rgb) { return rgb == brand; });
    ASSERT_TRUE(whitePoint && brandPoint);

    const QColor face(0, 160, 0);
    for (const QSize size : {QSize(256, 38), QSize(512, 76), QSize(128, 19), QSize(202, 30)}) {
        GdiplusImgCtrl control;
        QPalette palette = control.palette();
        palette.setColor(QPalette::Window, face);
        control.setPalette(palette);
        control.resize(size);
        ASSERT_EQ(control.LoadPngImage(), 0);

        const QImage shown = control.grab().toImage();
        EXPECT_EQ(QColor(shown.pixel(Scaled(*whitePoint, logo.size(), size))), face)
            << size.width();
        EXPECT_EQ(shown.pixel(Scaled(*brandPoint, logo.size(), size)), brand) << size.width();
    }
}
