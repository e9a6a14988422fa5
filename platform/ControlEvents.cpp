#include "platform/ControlEvents.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace platform {

namespace {

// An ignored event would be offered to the parent through the destroyed control.
bool survived(const QPointer<QWidget>& alive, QMouseEvent& event) {
    if (alive)
        return true;
    event.accept();
    return false;
}

} // namespace

class TControlEvents::TFilter : public QObject {
public:
    TFilter(TControlEvents& owner, QWidget* control, QWidget* mouseSource)
        : QObject(control), owner_(owner), control_(control), mouseSource_(mouseSource) {
        control->installEventFilter(this);
        if (mouseSource != control)
            mouseSource->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == mouseSource_ && MouseSourceEvent(event))
            return true;
        if (watched != control_)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            return FocusChange(static_cast<QFocusEvent*>(event));
        case QEvent::Resize:
            return !owner_.Notify(owner_.OnResize);
        case QEvent::KeyPress:
            return !resending_ && KeyPress(static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease:
            return KeyRelease(static_cast<QKeyEvent*>(event));
        default:
            return false;
        }
    }

private:
    bool MouseSourceEvent(QEvent* event) {
        switch (event->type()) {
        case QEvent::Enter:
            // The platform reports every move, not only those with a button held.
            if (owner_.OnMouseMove)
                mouseSource_->setMouseTracking(true);
            return false;
        case QEvent::MouseButtonPress:
            owner_.clickPressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            return false;
        case QEvent::MouseButtonDblClick:
            owner_.clickPressed_ = false;
            return false;
        case QEvent::ContextMenu:
            return ContextPopup(static_cast<QContextMenuEvent*>(event));
        case QEvent::Wheel:
            return Wheel(static_cast<QWheelEvent*>(event));
        default:
            return false;
        }
    }

    // Switching windows or opening a menu moves no focus within the window.
    bool FocusChange(QFocusEvent* event) {
        if (event->reason() == Qt::ActiveWindowFocusReason ||
            event->reason() == Qt::PopupFocusReason)
            return false;
        return !owner_.Notify(event->gotFocus() ? owner_.OnEnter : owner_.OnExit);
    }

    // Handled ends the event; a destroyed control ends it too.
    template <class Event, class... Args>
    bool Ask(const Event& handler, QEvent* event, Args... args) {
        if (!handler)
            return false;
        const Event copy = handler;
        const QPointer<QWidget> alive(control_);
        bool handled = false;
        copy(control_, args..., handled);
        if (handled)
            event->accept();
        return handled || !alive;
    }

    // From the keyboard the menu opens at the client area's corner, from the mouse at the cursor.
    bool ContextPopup(QContextMenuEvent* event) {
        const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
        const QPoint at =
            keyboard ? QPoint(-1, -1) : mouseSource_->mapFromGlobal(event->globalPos());
        if (Ask(owner_.OnContextPopup, event, at))
            return true;
        TPopupMenu* menu = owner_.popupMenu_;
        if (!menu || !menu->AutoPopup)
            return false;
        menu->PopupComponent = control_;
        event->accept();
        menu->Popup(keyboard ? mouseSource_->mapToGlobal(QPoint(0, 0)) : event->globalPos());
        return true;
    }

    bool Wheel(QWheelEvent* event) {
        const int delta = event->angleDelta().y();
        if (delta == 0)
            return false;
        return Ask(delta < 0 ? owner_.OnMouseWheelDown : owner_.OnMouseWheelUp, event,
                   ShiftStateOf(event->modifiers(), event->buttons()),
                   event->globalPosition().toPoint());
    }

    // A key or character the events changed reaches the control as the changed one.
    bool KeyPress(QKeyEvent* event) {
        const QPointer<QWidget> alive(control_);
        const Word original = VirtualKeyOf(*event);
        Word key = original;
        if (owner_.OnKeyDown && key != 0) {
            const TKeyEvent handler = owner_.OnKeyDown;
            handler(control_, key, ShiftStateOf(*event));
            if (!alive || key == 0)
                return true;
        }
        QString text = event->text();
        if (owner_.OnKeyPress && text.size() == 1) {
            const TKeyPressEvent handler = owner_.OnKeyPress;
            QChar c = text.front();
            handler(control_, c);
            if (!alive || c.isNull())
                return true;
            text = c;
        }
        if (key == original && text == event->text())
            return false;
        const int qtKey = key == original ? event->key() : QtKeyOf(key);
        QKeyEvent changed(QEvent::KeyPress, qtKey, event->modifiers(), text, event->isAutoRepeat(),
                          ushort(event->count()));
        resending_ = true;
        QCoreApplication::sendEvent(control_, &changed);
        if (alive)
            resending_ = false;
        return true;
    }

    // A held key repeats presses only, as the platform does.
    bool KeyRelease(QKeyEvent* event) {
        Word key = VirtualKeyOf(*event);
        if (!owner_.OnKeyUp || key == 0 || event->isAutoRepeat())
            return false;
        const TKeyEvent handler = owner_.OnKeyUp;
        const QPointer<QWidget> alive(control_);
        handler(control_, key, ShiftStateOf(*event));
        return !alive || key == 0;
    }

    TControlEvents& owner_;
    QWidget* control_;
    QWidget* mouseSource_;
    bool resending_ = false;
};

TControlEvents::TControlEvents(QWidget* Control, QWidget* MouseSource)
    : control_(Control), mouseSource_(MouseSource ? MouseSource : Control),
      filter_(new TFilter(*this, Control, mouseSource_)) {}

// The filter goes first: the widget sends events (a focus loss) while it is destroyed.
TControlEvents::~TControlEvents() {
    delete filter_;
}

bool TControlEvents::Notify(const TNotifyEvent& Event) {
    if (!Event)
        return true;
    const TNotifyEvent copy = Event;
    const QPointer<QWidget> alive(control_);
    copy(control_);
    return !alive.isNull();
}

bool TControlEvents::FireMouse(const TMouseEvent& Event, QMouseEvent& Source) {
    if (!Event)
        return true;
    const TMouseEvent copy = Event;
    const QPointer<QWidget> alive(control_);
    const QPoint at = Source.position().toPoint();
    copy(control_, MouseButtonOf(Source), ShiftStateOf(Source), at.x(), at.y());
    return survived(alive, Source);
}

bool TControlEvents::MouseDown(QMouseEvent& Event) {
    return FireMouse(OnMouseDown, Event);
}

bool TControlEvents::MouseUp(QMouseEvent& Event) {
    return FireMouse(OnMouseUp, Event);
}

bool TControlEvents::MouseMove(QMouseEvent& Event) {
    if (!OnMouseMove)
        return true;
    const TMouseMoveEvent copy = OnMouseMove;
    const QPointer<QWidget> alive(control_);
    const QPoint at = Event.position().toPoint();
    copy(control_, ShiftStateOf(Event), at.x(), at.y());
    return survived(alive, Event);
}

bool TControlEvents::Clicked(const QMouseEvent& Release) {
    if (Release.button() != Qt::LeftButton)
        return false;
    const bool pressed = clickPressed_;
    clickPressed_ = false;
    return pressed && mouseSource_->rect().contains(Release.position().toPoint());
}

} // namespace platform
