// Draws the program's own artwork: images/logo.png (256 x 38, 8-bit palette, on white, which the
// About box keys out) and images/icon.png (64 x 64). Run by hand when the pictures change:
//   cmake --build --preset default --target skw_make_artwork
//   build/default/resources/skw_make_artwork resources/images
// The build also runs it as `skw_make_artwork --icon-theme <folder> <name>` to draw the installed
// application icon into a hicolor theme tree: scalable/apps/<name>.svg and <n>x<n>/apps/<name>.png.
#include <QByteArray>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <cstdio>

namespace {

const QColor kBrandBlue(44, 82, 162);
const QColor kTextGrey(64, 64, 64);

// A rounded square with a dot and arcs on both sides: a module sending out its signal.
void DrawEmblem(QPainter& painter, const QRectF& box) {
    const qreal unit = box.width() / 32.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBrandBlue);
    painter.drawRoundedRect(box, 7 * unit, 7 * unit);

    const QPointF centre = box.center();
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, 3 * unit, 3 * unit);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 2.5 * unit, Qt::SolidLine, Qt::RoundCap));
    for (const qreal radius : {7.5 * unit, 12.5 * unit}) {
        const QRectF arc(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        painter.drawArc(arc, -45 * 16, 90 * 16);
        painter.drawArc(arc, 135 * 16, 90 * 16);
    }
}

// Steps between each pair of the logo's three colours, for the smoothed edges.
QList<QRgb> LogoPalette() {
    const QColor colours[] = {Qt::white, kBrandBlue, kTextGrey};
    QList<QRgb> table;
    for (int from = 0; from < 3; ++from) {
        for (int to = from + 1; to < 3; ++to) {
            for (int step = 0; step <= 16; ++step) {
                const auto mix = [&](int a, int b) { return a + (b - a) * step / 16; };
                const QColor& a = colours[from];
                const QColor& b = colours[to];
                const QRgb rgb =
                    qRgb(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
                if (!table.contains(rgb)) {
                    table.append(rgb);
                }
            }
        }
    }
    return table;
}

// An 8-bit palette image in which white and the brand colours stay exact: each pixel takes the
// nearest palette entry, without dithering.
QImage ToPalette(const QImage& image) {
    return image.convertToFormat(QImage::Format_Indexed8, LogoPalette());
}

QImage DrawLogo() {
    QImage image(256, 38, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawEmblem(painter, QRectF(3, 3, 32, 32));

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(kBrandBlue);
    const int baseline = 27;
    painter.drawText(QPoint(44, baseline), QStringLiteral("sKW"));
    const int afterBrand = 44 + painter.fontMetrics().horizontalAdvance(QStringLiteral("sKW "));
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(kTextGrey);
    painter.drawText(QPoint(afterBrand, baseline), QStringLiteral("Manager"));
    painter.end();
    return ToPalette(image);
}

// The emblem with a margin of 1/32 of the side, as in the 64-pixel window icon.
QRectF IconBox(int side) {
    const qreal margin = side / 32.0;
    return QRectF(margin, margin, side - 2 * margin, side - 2 * margin);
}

QImage DrawIcon(int side = 64) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawEmblem(painter, IconBox(side));
    return image;
}

bool SaveIconSvg(const QString& path) {
    const int side = 64;
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(side, side));
    svg.setViewBox(QRect(0, 0, side, side));
    svg.setTitle(QStringLiteral("sKW Manager"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    DrawEmblem(painter, IconBox(side));
    return painter.end();
}

// The application icon at the sizes desktops look for, plus the scalable one.
bool SaveIconTheme(const QDir& theme, const QString& name) {
    const QString scalable = QStringLiteral("scalable/apps");
    if (!theme.mkpath(scalable) ||
        !SaveIconSvg(theme.filePath(scalable + QLatin1Char('/') + name + QStringLiteral(".svg")))) {
        return false;
    }
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(side);
        if (!theme.mkpath(folder) ||
            !DrawIcon(side).save(theme.filePath(folder + QLatin1Char('/') + name +
                                                QStringLiteral(".png")))) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--icon-theme") {
        const QDir theme(QString::fromLocal8Bit(argv[2]));
        return SaveIconTheme(theme, QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: skw_make_artwork <output folder>\n"
                     "       skw_make_artwork --icon-theme <theme folder> <icon name>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool saved = DrawLogo().save(folder.filePath(QStringLiteral("logo.png"))) &&
                       DrawIcon().save(folder.filePath(QStringLiteral("icon.png")));
    return saved ? 0 : 1;
}
