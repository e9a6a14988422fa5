#pragma once
// Watches and intercepts the events of one widget without deriving from it. All hooks of a widget
// share one event filter, which calls the hooks' BeforeMessage (last attached first; the first
// that sets Handled stops the walk and the widget's own handling), then the widget, then the
// hooks' AfterMessage.

#include <QObject>
#include <QPointer>
#include <functional>

class QEvent;
class QWidget;
class TControlHook;
class TKxWindowHook;

using THookMessageEvent = std::function<void(TKxWindowHook* Sender, QEvent* Msg, bool& Handled)>;

class TKxWindowHook : public QObject {
    Q_OBJECT
public:
    explicit TKxWindowHook(QObject* AOwner = nullptr);
    ~TKxWindowHook() override;

    bool Active() const { return active_; }
    void SetActive(bool Value);
    QWidget* WinControl() const;
    void SetWinControl(QWidget* Value);

    void HookControl();
    void UnhookControl();

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

protected:
    virtual void DoBeforeMessage(QEvent* Msg, bool& Handled);
    virtual void DoAfterMessage(QEvent* Msg, bool& Handled);

private:
    friend class TControlHook;
    void controlDestroyed();

    bool active_ = true;
    bool destroying_ = false;
    QPointer<QWidget> control_;
    TControlHook* controlHook_ = nullptr;
};

// The handle of the object that receives the hooks' deferred work; -1 before any hook existed.
qintptr GetHookHandle();
