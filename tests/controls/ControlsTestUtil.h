#pragma once
// Pixels of grabbed controls, compared through the colour helper, with text unantialiased.

#include "platform/Colors.h"

#include <QFont>
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <algorithm>

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

// The names of the buttons (and other controls) of the window that lie, wholly or in part,
// outside its visible area.
inline QStringList OutsideTheWindow(QWidget& window) {
    QStringList outside;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->isWindow() || child->isHidden() || child->window() != &window)
            continue;
        const QRect r(child->mapTo(&window, QPoint(0, 0)), child->size());
        if (!window.rect().contains(r))
            outside << QStringLiteral("%1 %2").arg(child->metaObject()->className(),
                                                   child->objectName());
    }
    return outside;
}

// The resolution a window designed at 96 pixels per inch is drawn at on a screen of the room:
// the screen's own, lowered until the window fits.
inline int FittingResolution(int ppi, const QSize& designed, const QSize& room) {
    return std::min(
        {ppi, room.width() * 96 / designed.width(), room.height() * 96 / designed.height()});
}
