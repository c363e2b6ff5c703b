#include "CXGroupBox.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QImage>
#include <QProxyStyle>
#include <QStyleFactory>

#include <functional>
#include <memory>

namespace {

const QColor kBorder(44, 82, 162);
const QColor kTitle(255, 0, 0);
const QColor kBack(255, 255, 0);
constexpr int kWidth = 320;
constexpr int kHeight = 100;

// A box styled the way the configuration page styles its sections, with an unsmoothed font so
// that title pixels have exactly the title colour.
std::unique_ptr<CXGroupBox> NewBox(const QString& title, int pixelSize = 14) {
    auto box = std::make_unique<CXGroupBox>(title);
    box->resize(kWidth, kHeight);
    box->m_font.setPixelSize(pixelSize);
    box->m_font.setBold(true);
    box->m_font.setStyleStrategy(QFont::NoAntialias);
    box->m_crBorder = kBorder;
    box->m_crTitle = kTitle;
    box->m_crBack = kBack;
    box->m_nBorderStyle = CXGroupBox::kBorderSingle;
    return box;
}

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

int FrameTop(const CXGroupBox& box) {
    return QFontMetrics(box.m_font).height() / 2;
}

bool HasPixel(const QImage& image, const QRect& area, const QColor& colour) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (At(image, x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

class TitleColourStyle : public QProxyStyle {
public:
    explicit TitleColourStyle(QRgb rgb)
        : QProxyStyle(QStyleFactory::create("Fusion")), m_rgb(rgb) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        return hint == SH_GroupBox_TextLabelColor
                   ? static_cast<int>(m_rgb)
                   : QProxyStyle::styleHint(hint, option, widget, data);
    }

private:
    QRgb m_rgb = 0;
};

}  // namespace

TEST(CXGroupBox, frameStyleAndBorderStyle_decideTheEdges) {
    struct Case {
        int frameStyle;
        int borderStyle;
        bool bottomEdge;
        bool doubleBottom;
    };
    const Case cases[] = {
        {CXGroupBox::kFrameClosed, CXGroupBox::kBorderSingle, true, false},
        {CXGroupBox::kFrameOpenBottom, CXGroupBox::kBorderSingle, false, false},
        {CXGroupBox::kFrameClosed, CXGroupBox::kBorderDouble, true, true},
        {CXGroupBox::kFrameOpenBottom, CXGroupBox::kBorderDouble, false, false},
    };
    for (const Case& c : cases) {
        const auto box = NewBox(QStringLiteral("[ UART options ]"));
        box->m_nFrameStyle = c.frameStyle;
        box->m_nBorderStyle = c.borderStyle;
        const QImage image = box->grab().toImage();
        const int middle = kHeight / 2;
        const auto context = testing::Message() << c.frameStyle << "/" << c.borderStyle;
        EXPECT_EQ(At(image, 0, middle), kBorder) << context;
        EXPECT_EQ(At(image, kWidth - 1, middle), kBorder) << context;
        EXPECT_EQ(At(image, 0, FrameTop(*box)), kBorder) << context;
        EXPECT_EQ(At(image, kWidth / 2, kHeight - 1) == kBorder, c.bottomEdge) << context;
        EXPECT_EQ(At(image, kWidth / 2, kHeight - 2) == kBorder, c.doubleBottom) << context;
    }
}

TEST(CXGroupBox, titleBand_coversTheTopEdgeWhereTheTitleStands) {
    struct Case {
        int align;
        int pixelSize;
    };
    const Case cases[] = {
        {CXGroupBox::kTitleLeft, 14},
        {CXGroupBox::kTitleCentre, 14},
        {CXGroupBox::kTitleCentre, 22},
    };
    for (const Case& c : cases) {
        const auto box = NewBox(QStringLiteral("[ Operation role ]"));
        box->m_nTitleAlign = c.align;
        box->grab();  // measures the title in the first font
        box->m_font.setPixelSize(c.pixelSize);
        box->m_sizeTitle.setWidth(0);
        const QImage image = box->grab().toImage();

        const int bandWidth = QFontMetrics(box->m_font).horizontalAdvance(box->title()) + 6;
        const int left = c.align == CXGroupBox::kTitleCentre ? (kWidth - bandWidth) / 2 : 8;
        const int top = FrameTop(*box);
        const auto context = testing::Message() << c.align << "/" << c.pixelSize;
        EXPECT_EQ(At(image, left - 1, top), kBorder) << context;
        EXPECT_EQ(At(image, left, top), kBack) << context;
        EXPECT_EQ(At(image, left + bandWidth - 1, top), kBack) << context;
        EXPECT_EQ(At(image, left + bandWidth, top), kBorder) << context;
    }
}

TEST(CXGroupBox, disabledBox_greysTitleAndFrame) {
    struct Case {
        bool enabled;
        bool grayWhenDisabled;
        bool titleInItsColour;
    };
    const Case cases[] = {{true, true, true}, {false, true, false}, {false, false, true}};
    for (const Case& c : cases) {
        const auto box = NewBox(QStringLiteral("[ Slave function ]"));
        box->setEnabled(c.enabled);
        box->m_bGrayWhenDisabled = c.grayWhenDisabled;
        const QImage image = box->grab().toImage();

        const QFontMetrics metrics(box->m_font);
        const QRect band(8, 0, metrics.horizontalAdvance(box->title()) + 6, metrics.height());
        const QColor grey = box->palette().color(QPalette::Disabled, QPalette::WindowText);
        const QColor frame = c.enabled ? kBorder : box->palette().color(QPalette::Dark);
        const auto context = testing::Message() << c.enabled << "/" << c.grayWhenDisabled;
        EXPECT_EQ(HasPixel(image, band, kTitle), c.titleInItsColour) << context;
        EXPECT_EQ(HasPixel(image, band, grey), !c.titleInItsColour) << context;
        EXPECT_EQ(At(image, 0, kHeight / 2), frame) << context;
    }
}

TEST(CXGroupBox, emptyTitle_putsTheTopEdgeAtTheTop) {
    const auto box = NewBox(QString());
    const QImage image = box->grab().toImage();
    EXPECT_EQ(At(image, 0, 0), kBorder);
    EXPECT_EQ(At(image, kWidth / 2, 0), kBorder);
}

TEST(CXGroupBox, titleColour_comesFromTheStyle) {
    TitleColourStyle themedRed(qRgb(200, 0, 0));
    TitleColourStyle themedWithoutColour(0);
    const std::unique_ptr<QStyle> classic(QStyleFactory::create("Windows"));
    ASSERT_TRUE(classic);
    struct Case {
        QStyle* style;
        bool themed;
        std::function<QColor(const QPalette&)> expected;
    };
    const Case cases[] = {
        {classic.get(), false, [](const QPalette& p) { return p.color(QPalette::ButtonText); }},
        {&themedRed, true, [](const QPalette&) { return QColor(200, 0, 0); }},
        {&themedWithoutColour, true,
         [](const QPalette& p) { return p.color(QPalette::Highlight); }},
    };
    for (const Case& c : cases) {
        CXGroupBox box(QStringLiteral("[ Device information ]"));
        box.setStyle(c.style);
        box.ApplyStyle();
        EXPECT_EQ(box.m_bThemed, c.themed) << c.style->name().toStdString();
        EXPECT_EQ(box.m_crTitle, c.expected(box.palette())) << c.style->name().toStdString();
    }
}
