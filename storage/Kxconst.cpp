#include "storage/Kxconst.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <map>

namespace {

constexpr int CursorSize = 32;

QPixmap canvas() {
    QPixmap pixmap(CursorSize, CursorSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawOutlined(QPixmap& pixmap, const QPainterPath& path) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::white);
    painter.drawPath(path);
}

// A hand pointing up with its index finger; the hot spot is the finger's tip.
QCursor handCursor() {
    QPainterPath hand;
    hand.addRoundedRect(QRectF(9, 2, 5, 16), 2.5, 2.5);
    hand.addRoundedRect(QRectF(14, 10, 4.5, 9), 2, 2);
    hand.addRoundedRect(QRectF(18.5, 11, 4.5, 8), 2, 2);
    hand.addRoundedRect(QRectF(23, 12, 4, 7), 2, 2);
    hand.addRoundedRect(QRectF(9, 15, 18, 13), 4, 4);
    hand.addRoundedRect(QRectF(4, 14, 7, 4), 2, 2);
    hand.setFillRule(Qt::WindingFill);
    QPixmap pixmap = canvas();
    drawOutlined(pixmap, hand.simplified());
    return QCursor(pixmap, 11, 2);
}

// The pointer's arrow, its tip at (1, 1) pointing up and to the left, or mirrored.
QPainterPath arrowPath(bool mirrored) {
    const auto x = [mirrored](qreal at) { return mirrored ? CursorSize - 1 - at : at; };
    QPainterPath arrow;
    arrow.moveTo(x(1), 1);
    arrow.lineTo(x(1), 17);
    arrow.lineTo(x(5), 13);
    arrow.lineTo(x(8), 20);
    arrow.lineTo(x(11), 19);
    arrow.lineTo(x(8), 12);
    arrow.lineTo(x(13), 12);
    arrow.closeSubpath();
    return arrow;
}

// An arrow carrying a small sheet: something is being dragged.
QCursor dragCursor() {
    const QPainterPath arrow = arrowPath(false);
    QPainterPath sheet;
    sheet.addRect(QRectF(14, 16, 14, 12));
    QPixmap pixmap = canvas();
    drawOutlined(pixmap, arrow);
    drawOutlined(pixmap, sheet);
    return QCursor(pixmap, 1, 1);
}

std::map<int, QCursor>& definedCursors() {
    static std::map<int, QCursor> cursors;
    return cursors;
}

} // namespace

QCursor RightArrowCursor() {
    QPixmap pixmap = canvas();
    drawOutlined(pixmap, arrowPath(true));
    return QCursor(pixmap, CursorSize - 2, 1);
}

bool IsScreenCursorFree(int Cursor) {
    return Cursor != crHand && Cursor != crDragHand && !definedCursors().contains(Cursor);
}

void SetScreenCursor(int Cursor, const QCursor& Value) {
    definedCursors()[Cursor] = Value;
}

QCursor ScreenCursor(int Cursor) {
    if (const auto defined = definedCursors().find(Cursor); defined != definedCursors().end())
        return defined->second;
    switch (Cursor) {
    case crHand: {
        static const QCursor hand = handCursor();
        return hand;
    }
    case crDragHand: {
        static const QCursor drag = dragCursor();
        return drag;
    }
    default:
        return QCursor(Qt::ArrowCursor);
    }
}
