#pragma once
// Left-button presses, moves and releases sent straight to a widget, as a drag makes them, and
// what the platform sends a drop site.

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMouseEvent>
#include <QWidget>
#include <functional>

// Whether the widget accepted the event.
inline bool SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

inline bool Press(QWidget* w, QPoint p) {
    return SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}
inline bool Move(QWidget* w, QPoint p) {
    return SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
}
inline bool Release(QWidget* w, QPoint p) {
    return SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

// Enter and move at the point, then the drop when the move was accepted.
inline Qt::DropAction DropOnSite(QWidget* site, QPoint at, const QMimeData* data) {
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(site, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(site, &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(site, &leave);
        return Qt::IgnoreAction;
    }
    QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(site, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// A control whose drag is delivered by the test in place of the platform's nested drag loop.
template <class Control> class TDelivered : public Control {
public:
    using Control::Control;
    std::function<Qt::DropAction(const QMimeData*)> Deliver;
    int drags = 0;
    // The cursor the last drag showed over a target that takes it.
    QPixmap cursor;

protected:
    Qt::DropAction ExecDrag(QDrag* drag) override {
        ++drags;
        cursor = drag->dragCursor(Qt::MoveAction);
        // A copy, as the drop may delete this control.
        const auto deliver = Deliver;
        return deliver ? deliver(drag->mimeData()) : Qt::IgnoreAction;
    }
};
