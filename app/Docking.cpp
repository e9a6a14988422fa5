#include "app/Docking.h"

#include <QEvent>
#include <QWidget>
#include <cstdlib>

namespace Docking {

namespace {

int Bottom(const QRect& r) {
    return r.y() + r.height();
}

int Right(const QRect& r) {
    return r.x() + r.width();
}

// Taken from the widget's own outer and inner rectangles, never from the window system's live
// margins: those of a closed window are gone while its outer rectangle still counts them, and a
// window placed with one and sized with the other grew by its frame on every reopening.
QMargins MarginsOf(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

QMargins FrameMargins(const QWidget* window, const QWidget* frameLike) {
    if (window->windowHandle())
        return MarginsOf(window);
    return frameLike && frameLike->windowHandle() ? MarginsOf(frameLike) : QMargins();
}

} // namespace

std::optional<QRect> PlaceBelow(const QRect& main, const QRect& window, const QRect& screen) {
    if (Bottom(screen) < Bottom(main) + window.height())
        return std::nullopt;
    return QRect(main.x(), Bottom(main), main.width(), window.height());
}

std::optional<QRect> PlaceRightOf(const QRect& main, const QRect& window, const QRect& screen) {
    if (Right(screen) < Right(main) + window.width())
        return std::nullopt;
    return QRect(Right(main), main.y(), window.width(), main.height());
}

bool CarriesDocked(const QRect& main) {
    return main.x() != 0 && main.y() != 0;
}

QPoint BelowOf(const QRect& main) {
    return QPoint(main.x(), Bottom(main));
}

QPoint RightOf(const QRect& main) {
    return QPoint(Right(main), main.y());
}

TSnap SnapBelow(const QRect& dragged, const QRect& main) {
    const bool nearBottom = std::abs(dragged.y() - Bottom(main)) <= SnapDistance;
    const bool nearLeft = std::abs(dragged.x() - main.x()) <= SnapDistance;
    QRect rect = dragged;
    if (nearBottom)
        rect.moveTop(Bottom(main));
    if (nearBottom && nearLeft)
        rect.moveLeft(main.x());
    return {rect, nearBottom};
}

TSnap SnapRightOf(const QRect& dragged, const QRect& main) {
    const bool nearRight = std::abs(dragged.x() - Right(main)) <= SnapDistance;
    const bool nearTop = std::abs(dragged.y() - main.y()) <= SnapDistance;
    QRect rect = dragged;
    if (nearRight)
        rect.moveLeft(Right(main));
    if (nearRight && nearTop)
        rect.moveTop(main.y());
    return {rect, nearRight};
}

QRect FrameGeometry(const QWidget* window, const QWidget* frameLike) {
    return window->geometry().marginsAdded(FrameMargins(window, frameLike));
}

void SetFrameGeometry(QWidget* window, const QRect& frame, const QWidget* frameLike) {
    const QSize client = frame.marginsRemoved(FrameMargins(window, frameLike)).size();
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(client);
    else
        window->resize(client);
    window->move(frame.topLeft());
}

TMoveWatch::TMoveWatch(QWidget* window, std::function<void(const QRect& frame)> settled)
    : QObject(window), FWindow(window), FSettled(std::move(settled)) {
    FTimer.setSingleShot(true);
    FTimer.setInterval(SettleMs);
    connect(&FTimer, &QTimer::timeout, this, &TMoveWatch::Settle);
    window->installEventFilter(this);
}

void TMoveWatch::MoveTo(const QPoint& topLeft) {
    if (FWindow->frameGeometry().topLeft() == topLeft)
        return;
    FWindow->move(topLeft);
    ExpectOwnMove();
}

void TMoveWatch::Place(const QRect& frame, const QWidget* frameLike) {
    SetFrameGeometry(FWindow, frame, frameLike);
    ExpectOwnMove();
}

// A move the window manager refuses reports nothing; the timer still ends the expectation.
void TMoveWatch::ExpectOwnMove() {
    if (!FWindow->isVisible())
        return;
    FOwnMovePending = true;
    FTimer.start();
}

bool TMoveWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FWindow && FWindow->isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        FTimer.start();
    return QObject::eventFilter(watched, event);
}

void TMoveWatch::Settle() {
    if (FOwnMovePending) {
        FOwnMovePending = false;
        return;
    }
    FSettled(FWindow->frameGeometry());
}

} // namespace Docking
