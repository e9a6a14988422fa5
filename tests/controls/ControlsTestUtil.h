#pragma once
// Pixels of grabbed controls, compared through the colour helper, with text unantialiased.

#include "platform/Colors.h"

#include <QFont>
#include <QImage>
#include <QWidget>

inline TColor PixelAt(const QImage& image, int x, int y) {
    return platform::FromQColor(QColor(image.pixel(x, y)));
}

inline TColor Plain(TColor color) {
    return platform::FromQColor(platform::ToQColor(color));
}

inline QImage Shot(QWidget& widget) {
    return widget.grab().toImage();
}

inline QFont SharpFont(int pixelSize = 12, bool bold = false) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Whether any pixel of the rectangle has the colour.
inline bool Holds(const QImage& image, const QRect& area, TColor color) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (PixelAt(image, x, y) == Plain(color))
                return true;
    return false;
}
