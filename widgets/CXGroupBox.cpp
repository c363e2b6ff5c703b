#include "CXGroupBox.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionGroupBox>

CXGroupBox::CXGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
    m_crBack = palette().color(QPalette::Window);
    ApplyStyle();
}

void CXGroupBox::ApplyStyle() {
    m_crTitle = StyleTitleColour();
    m_font = font();
}

bool CXGroupBox::IsThemed(const QStyle* style) {
    while (const auto* proxy = qobject_cast<const QProxyStyle*>(style)) {
        style = proxy->baseStyle();
    }
    return style != nullptr && style->name().compare(u"windows", Qt::CaseInsensitive) != 0;
}

QColor CXGroupBox::StyleTitleColour() {
    m_bThemed = IsThemed(style());
    if (!m_bThemed) {
        return palette().color(QPalette::ButtonText);
    }
    QStyleOptionGroupBox option;
    option.initFrom(this);
    const auto rgb =
        static_cast<QRgb>(style()->styleHint(QStyle::SH_GroupBox_TextLabelColor, &option, this));
    return rgb != 0 ? QColor::fromRgba(rgb) : palette().color(QPalette::Highlight);
}

void CXGroupBox::MeasureTitle() {
    // Measured afresh at each paint, so a new title or font never leaves a stale band.
    const QFontMetrics metrics(m_font);
    m_sizeTitle =
        title().isEmpty() ? QSize() : QSize(metrics.horizontalAdvance(title()), metrics.height());
}

QColor CXGroupBox::FrameColour() const {
    return m_crBorder.isValid() && isEnabled() ? m_crBorder : palette().color(QPalette::Dark);
}

QColor CXGroupBox::TitleColour() const {
    return !isEnabled() && m_bGrayWhenDisabled
               ? palette().color(QPalette::Disabled, QPalette::WindowText)
               : m_crTitle;
}

void CXGroupBox::paintEvent(QPaintEvent*) {
    MeasureTitle();
    const int top = m_sizeTitle.height() / 2;
    QPainter painter(this);
    // Only the title strip gets the background; below it the contents keep the parent's look.
    painter.fillRect(0, 0, width(), 2 * top, m_crBack);
    DrawFrame(painter, top);
    DrawTitle(painter);
}

void CXGroupBox::DrawFrame(QPainter& painter, int top) const {
    const int lineWidth = qMax(1, m_nBorderWidth);
    QRect box(0, top, width(), height() - top);
    if (m_nBorderStyle == kBorderDouble) {
        DrawFigure(painter, box.adjusted(lineWidth, lineWidth, 0, 0), lineWidth + 1);
        box.adjust(0, 0, -lineWidth, -lineWidth);
    }
    DrawFigure(painter, box, lineWidth);
}

void CXGroupBox::DrawFigure(QPainter& painter, const QRect& box, int thickness) const {
    const QColor colour = FrameColour();
    painter.fillRect(box.left(), box.top(), box.width(), thickness, colour);
    painter.fillRect(box.left(), box.top(), thickness, box.height(), colour);
    painter.fillRect(box.right() - thickness + 1, box.top(), thickness, box.height(), colour);
    if (m_nFrameStyle != kFrameOpenBottom) {
        painter.fillRect(box.left(), box.bottom() - thickness + 1, box.width(), thickness, colour);
    }
}

void CXGroupBox::DrawTitle(QPainter& painter) const {
    if (m_sizeTitle.isEmpty()) {
        return;
    }
    const int bandWidth = m_sizeTitle.width() + 6;
    const int left = m_nTitleAlign == kTitleCentre ? (width() - bandWidth) / 2 : m_nTitleIndent;
    const QRect band(left, 0, bandWidth, m_sizeTitle.height());
    painter.fillRect(band, m_crBack);
    painter.setFont(m_font);
    painter.setPen(TitleColour());
    painter.drawText(band.adjusted(3, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
}
