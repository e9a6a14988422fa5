#pragma once
// The standard events every control has: mouse, keys, focus, size, context pop-up and wheel.
// A control derives from TControlEvents and makes public, with using-declarations, the events it
// publishes; the others stay protected, are never assigned and so never fire. Focus, size, key,
// pop-up and wheel events fire from Qt's events before the control sees them; the mouse events
// fire where the control's own handlers call them, as each control orders them around its work.

#include "platform/Classes.h"
#include "platform/Keys.h"
#include "platform/PopupMenu.h"

#include <QPoint>
#include <QPointer>
#include <functional>

class QMouseEvent;
class QWidget;

using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
// Key 0 after the event: the control does not see the key.
using TKeyEvent = std::function<void(QObject* Sender, Word& Key, TShiftState Shift)>;
// Key 0 after the event: the control does not see the character.
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;
// MousePos in the client area, (-1, -1) from the keyboard; Handled: no pop-up menu.
using TContextPopupEvent = std::function<void(QObject* Sender, QPoint MousePos, bool& Handled)>;
// MousePos on the screen; Handled: the control does not scroll.
using TMouseWheelUpDownEvent =
    std::function<void(QObject* Sender, TShiftState Shift, QPoint MousePos, bool& Handled)>;

namespace platform {

class TControlEvents {
protected:
    // The mouse events arrive at MouseSource, the client area (a scroll area's viewport); the
    // others at the control.
    explicit TControlEvents(QWidget* Control, QWidget* MouseSource = nullptr);
    ~TControlEvents();
    TControlEvents(const TControlEvents&) = delete;
    TControlEvents& operator=(const TControlEvents&) = delete;

    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    // The focus moving to or from the control within its window.
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnResize;
    TContextPopupEvent OnContextPopup;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    // Opens, with the control as its component, on a pop-up request OnContextPopup left alone.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* Value) { popupMenu_ = Value; }

    // Each fires its event for the control's mouse event; false when the event destroyed the
    // control, and the mouse event is then taken, so that Qt passes nothing on from the remains.
    bool MouseDown(QMouseEvent& Event);
    bool MouseMove(QMouseEvent& Event);
    bool MouseUp(QMouseEvent& Event);
    // Whether a left release ends a click: pressed (not double-clicked) and released inside.
    bool Clicked(const QMouseEvent& Release);
    // Fires a notify event; false when it destroyed the control.
    bool Notify(const TNotifyEvent& Event);

private:
    class TFilter;
    bool FireMouse(const TMouseEvent& Event, QMouseEvent& Source);

    QWidget* control_;
    QWidget* mouseSource_;
    TFilter* filter_;
    QPointer<TPopupMenu> popupMenu_;
    bool clickPressed_ = false;
};

} // namespace platform
