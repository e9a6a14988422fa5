#include "platform/Scaling.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace platform {

namespace {

std::optional<int>& pinned() {
    static std::optional<int> value;
    return value;
}

QRect availableArea(const QWidget* widget) {
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void scaleChildren(QWidget* parent, int m, int d) {
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        const QRect r = child->geometry();
        child->setGeometry(MulDiv(r.x(), m, d), MulDiv(r.y(), m, d), MulDiv(r.width(), m, d),
                           MulDiv(r.height(), m, d));
        scaleChildren(child, m, d);
    }
}

// A widget of fixed size stays fixed, at the new size.
void resizeKeepingFixed(QWidget* widget, const QSize& size) {
    if (widget->minimumSize() == widget->maximumSize())
        widget->setFixedSize(size);
    else
        widget->resize(size);
}

} // namespace

int MulDiv(int value, int m, int d) {
    if (d == 0)
        return 0;
    const std::int64_t product = std::int64_t(value) * m;
    const std::int64_t half = (product < 0) != (d < 0) ? -d / 2 : d / 2;
    return int(std::clamp<std::int64_t>((product + half) / d, INT32_MIN, INT32_MAX));
}

int PixelsPerInch() {
    if (pinned())
        return *pinned();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

std::optional<int> SetPixelsPerInch(std::optional<int> value) {
    return std::exchange(pinned(), value);
}

void ScaleBy(QWidget* widget, int m, int d) {
    if (m == d || d == 0)
        return;
    resizeKeepingFixed(widget,
                       QSize(MulDiv(widget->width(), m, d), MulDiv(widget->height(), m, d)));
    scaleChildren(widget, m, d);
}

int FittingPixelsPerInch(const QWidget* widget, const QSize& designed) {
    int ppi = PixelsPerInch();
    if (designed.width() <= 0 || designed.height() <= 0)
        return ppi;
    const QSize room = availableArea(widget).size();
    ppi = std::min(ppi, room.width() * 96 / designed.width());
    ppi = std::min(ppi, room.height() * 96 / designed.height());
    return std::max(ppi, 1);
}

void FitOnScreen(QWidget* widget) {
    const QSize room = availableArea(widget).size();
    const QSize size = widget->size().boundedTo(room);
    if (size != widget->size())
        resizeKeepingFixed(widget, size);
}

void CentreOnScreen(QWidget* widget) {
    const QRect area = availableArea(widget);
    widget->move(area.x() + (area.width() - widget->width()) / 2,
                 area.y() + (area.height() - widget->height()) / 2);
}

QFont MessageFont(int pixelsPerInch) {
    QFont font = QApplication::font("QMessageBox");
    if (font.pointSizeF() > 0)
        font.setPixelSize(std::max(1, qRound(font.pointSizeF() * pixelsPerInch / 72)));
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, MulDiv(font.pixelSize(), pixelsPerInch, 96)));
    return font;
}

} // namespace platform
