#pragma once

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QSize>

class QPainter;
class QStyle;

// A group box that draws its own frame and title band. The owner sets the public attributes
// directly and then calls update(). The title is the group box's title().
class CXGroupBox : public QGroupBox {
    Q_OBJECT

public:
    static constexpr int kTitleLeft = 0;        // band at m_nTitleIndent from the left edge
    static constexpr int kTitleCentre = 1;      // band centred
    static constexpr int kFrameClosed = 0;      // closed rectangle
    static constexpr int kFrameOpenBottom = 2;  // top, left and right edges only
    static constexpr int kBorderSingle = 0;
    static constexpr int kBorderDouble = 1;  // a second, wider line under the frame line

    explicit CXGroupBox(const QString& title = {}, QWidget* parent = nullptr);

    // Takes the title colour, the themed flag and the title font from the current style and
    // font, as at construction; call again after giving the box another style.
    void ApplyStyle();

    QFont m_font;       // title font
    QColor m_crTitle;   // title colour
    QColor m_crBack;    // title band background
    QColor m_crBorder;  // frame colour; invalid means the palette's shadow colour
    int m_nTitleAlign = kTitleLeft;
    int m_nTitleIndent = 8;
    int m_nFrameStyle = kFrameClosed;
    int m_nBorderStyle = kBorderDouble;
    int m_nBorderWidth = 1;           // frame line width in pixels
    bool m_bGrayWhenDisabled = true;  // grey title while disabled
    bool m_bThemed = false;           // the style has a theme (anything but the classic look)
    QSize m_sizeTitle;                // extent of the title in m_font, measured at each paint

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static bool IsThemed(const QStyle* style);
    QColor StyleTitleColour();
    void MeasureTitle();
    QColor FrameColour() const;
    QColor TitleColour() const;
    void DrawFrame(QPainter& painter, int top) const;
    void DrawTitle(QPainter& painter) const;
    void DrawFigure(QPainter& painter, const QRect& box, int thickness) const;
};
