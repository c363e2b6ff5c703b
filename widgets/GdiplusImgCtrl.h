#pragma once

#include <QImage>
#include <QWidget>

// Shows the product logo from the program's resources, stretched to the control's size. White
// pixels of the picture are keyed out, so the control's face colour shows through them.
class GdiplusImgCtrl : public QWidget {
    Q_OBJECT

public:
    explicit GdiplusImgCtrl(QWidget* parent = nullptr);

    // Loads the logo and repaints: 0 on success, -1 when the resource is missing, -2 when it
    // does not decode (the control then shows nothing). Missing keeps the previous picture.
    int LoadPngImage();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QImage KeyOutWhite(const QImage& image);

    QImage m_image;  // null until loaded
};
