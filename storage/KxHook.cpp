#include "storage/KxHook.h"

#include "platform/ControlEvents.h"

#include <QEvent>
#include <QWidget>
#include <QtCore/private/qobject_p.h>
#include <memory>

// One per hooked widget: the event filter that calls the widget's hooks around its own handling.
class TControlHook : public QObject {
public:
    explicit TControlHook(QWidget* control);
    ~TControlHook() override;

    static TControlHook* Of(QWidget* control);

    QWidget* Control() const { return control_; }
    bool HasHooks() const { return !hooks_.isEmpty(); }
    void Attach(TKxWindowHook* hook);
    void Detach(TKxWindowHook* hook);
    // Freed on a later turn of the event loop, and only when no hook came back meanwhile, so a
    // hook never frees the filter that is running.
    void ReleaseLater();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void install();
    void restore();
    void callHooks(QEvent* event, bool& handled, bool before);
    // The hooks before, the widget's own handling unless a hook handled the event, the hooks
    // after.
    void Deliver(QEvent* event);
    void passOn(QEvent* event);
    void controlDestroyed();

    QPointer<QWidget> control_;
    QList<TKxWindowHook*> hooks_;
    bool installed_ = false;
    bool destroying_ = false;
};

namespace {

// The control hooks of the process, and the object that receives their deferred releases as the
// hidden utility window did. Created on first use.
struct THookList {
    QList<TControlHook*> hooks;
    QObject utility;
};

std::unique_ptr<THookList>& theHookList() {
    static std::unique_ptr<THookList> list;
    return list;
}

QList<TControlHook*>& hookList() {
    std::unique_ptr<THookList>& list = theHookList();
    if (!list)
        list = std::make_unique<THookList>();
    return list->hooks;
}

} // namespace

TControlHook::TControlHook(QWidget* control) : control_(control) {
    hookList().append(this);
    connect(control, &QObject::destroyed, this, [this] { controlDestroyed(); });
}

TControlHook::~TControlHook() {
    destroying_ = true;
    hookList().removeOne(this);
    while (!hooks_.isEmpty())
        hooks_.last()->UnhookControl();
    restore();
}

TControlHook* TControlHook::Of(QWidget* control) {
    for (TControlHook* hook : hookList()) {
        if (hook->control_ == control)
            return hook;
    }
    return new TControlHook(control);
}

void TControlHook::Attach(TKxWindowHook* hook) {
    if (!hooks_.contains(hook)) {
        hooks_.append(hook);
        hook->controlHook_ = this;
    }
    install();
}

void TControlHook::Detach(TKxWindowHook* hook) {
    hook->controlHook_ = nullptr;
    hooks_.removeOne(hook);
    if (hooks_.isEmpty())
        restore();
}

void TControlHook::ReleaseLater() {
    hookList();
    QMetaObject::invokeMethod(
        &theHookList()->utility,
        [self = QPointer<TControlHook>(this)] {
            if (!self || self->HasHooks())
                return;
            hookList().removeOne(self);
            self->restore();
            self->deleteLater();
        },
        Qt::QueuedConnection);
}

void TControlHook::install() {
    if (installed_ || destroying_ || !control_)
        return;
    control_->installEventFilter(this);
    installed_ = true;
}

void TControlHook::restore() {
    if (installed_ && control_)
        control_->removeEventFilter(this);
    installed_ = false;
}

void TControlHook::callHooks(QEvent* event, bool& handled, bool before) {
    // A hook may detach itself or others while it runs: walk a copy and skip the departed.
    const QList<QPointer<TKxWindowHook>> hooks(hooks_.cbegin(), hooks_.cend());
    for (auto it = hooks.crbegin(); it != hooks.crend() && !handled; ++it) {
        TKxWindowHook* hook = *it;
        if (!hook || !hooks_.contains(hook) || destroying_ || !control_)
            return;
        if (before)
            hook->DoBeforeMessage(event, handled);
        else
            hook->DoAfterMessage(event, handled);
    }
}

// Any of them may destroy the widget: the event then ends there.
bool TControlHook::eventFilter(QObject* watched, QEvent* event) {
    if (watched != control_ || hooks_.isEmpty())
        return false;
    platform::Survives(control_, *event, [this, event] { Deliver(event); });
    return true;
}

void TControlHook::Deliver(QEvent* event) {
    const QPointer<TControlHook> self(this);
    QPointer<QWidget> control(control_);
    bool handled = false;
    if (event->type() != QEvent::Quit)
        callHooks(event, handled, true);
    if (!self || !control)
        return;
    // A widget's deletion is never withheld from it.
    if (handled && event->type() != QEvent::DeferredDelete)
        return;
    struct AfterHooks {
        QPointer<TControlHook> self;
        QPointer<QWidget> control;
        QEvent* event;
        ~AfterHooks() {
            bool handled = false;
            if (self && control)
                self->callHooks(event, handled, false);
        }
    } after{self, control, event};
    passOn(event);
}

// The event goes where it would have gone without the hook: through the filters installed on
// the control before it (Qt calls the latest installed first, so they follow this one in the
// control's list), then to the control itself. Qt has no public way to go on along that list.
void TControlHook::passOn(QEvent* event) {
    const QPointer<QWidget> control(control_);
    const QObjectPrivate::ExtraData* extra = QObjectPrivate::get(control.data())->extraData;
    QList<QPointer<QObject>> earlier;
    if (extra) {
        const qsizetype self = extra->eventFilters.indexOf(this);
        if (self >= 0)
            earlier = extra->eventFilters.mid(self + 1);
    }
    for (const QPointer<QObject>& filter : earlier) {
        if (!control)
            return;
        if (filter && filter->thread() == control->thread() && filter->eventFilter(control, event))
            return;
    }
    if (control)
        static_cast<QObject*>(control.data())->event(event);
}

void TControlHook::controlDestroyed() {
    destroying_ = true;
    installed_ = false;
    hookList().removeOne(this);
    for (TKxWindowHook* hook : std::exchange(hooks_, {}))
        hook->controlDestroyed();
    deleteLater();
}

TKxWindowHook::TKxWindowHook(QObject* AOwner) : QObject(AOwner) {}

TKxWindowHook::~TKxWindowHook() {
    destroying_ = true;
    SetActive(false);
    SetWinControl(nullptr);
}

void TKxWindowHook::SetActive(bool Value) {
    if (Value == active_)
        return;
    if (Value)
        HookControl();
    else
        UnhookControl();
}

QWidget* TKxWindowHook::WinControl() const {
    return controlHook_ ? controlHook_->Control() : control_.data();
}

void TKxWindowHook::SetWinControl(QWidget* Value) {
    if (Value == WinControl())
        return;
    const bool wasActive = active_;
    TControlHook* left = controlHook_;
    if (left)
        left->Detach(this);
    control_ = Value;
    if (left && !left->HasHooks())
        left->ReleaseLater();
    if (wasActive)
        HookControl();
}

void TKxWindowHook::HookControl() {
    if (control_ && !destroying_)
        TControlHook::Of(control_)->Attach(this);
    active_ = true;
}

void TKxWindowHook::UnhookControl() {
    if (controlHook_)
        controlHook_->Detach(this);
    active_ = false;
}

void TKxWindowHook::DoBeforeMessage(QEvent* Msg, bool& Handled) {
    if (BeforeMessage)
        BeforeMessage(this, Msg, Handled);
}

void TKxWindowHook::DoAfterMessage(QEvent* Msg, bool& Handled) {
    if (AfterMessage)
        AfterMessage(this, Msg, Handled);
}

void TKxWindowHook::controlDestroyed() {
    controlHook_ = nullptr;
    control_ = nullptr;
}

qintptr GetHookHandle() {
    const std::unique_ptr<THookList>& list = theHookList();
    return list ? reinterpret_cast<qintptr>(&list->utility) : -1;
}
