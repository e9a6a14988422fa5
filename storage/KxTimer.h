#pragma once
// A timer that ticks from a Qt timer or from a worker thread of its own. The worker only sleeps
// and hands each tick to the GUI thread (or, without SyncEvent, calls the handler itself).

#include "platform/ThreadPriority.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

class QTimer;
class TKxTimer;

using TTimerEvent = std::function<void(TKxTimer* Sender)>;

// The sleeping worker of a threaded timer. It never touches the timer object: it sees only the
// state it shares with it.
class TTimerThread {
public:
    struct State;
    explicit TTimerThread(TKxTimer& owner);
    ~TTimerThread();
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    // Arms (a positive interval and a handler, at that priority) or disarms the worker. A worker
    // that the system will not take back up to the priority is replaced by a new one.
    void Arm(unsigned interval, bool sync, TTimerEvent handler, QThread::Priority priority);
    void Disarm();

    // The worker's loop: sleeps the interval, then hands over one tick, until terminated.
    static void Execute(const std::shared_ptr<State>& state);

private:
    void Start();
    void Stop();
    bool InWorker() const;

    TKxTimer& owner_;
    std::shared_ptr<State> state_;
};

class TKxTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(unsigned Interval READ Interval WRITE SetInterval)
    Q_PROPERTY(bool SyncEvent MEMBER SyncEvent)
    Q_PROPERTY(bool Threaded READ Threaded WRITE SetThreaded)
    Q_PROPERTY(QThread::Priority ThreadPriority READ ThreadPriority WRITE SetThreadPriority)
public:
    explicit TKxTimer(QObject* AOwner = nullptr);
    ~TKxTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned Value);
    bool Threaded() const { return threaded_; }
    void SetThreaded(bool Value);
    // The worker's priority, applied whenever it is armed.
    QThread::Priority ThreadPriority() const { return priority_; }
    void SetThreadPriority(QThread::Priority Value);
    const TTimerEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TTimerEvent Value);

    bool SyncEvent = true;

    // One tick: the handler, when enabled, assigned and not being destroyed.
    virtual void Timer();
    // Runs the method on the GUI thread: at once there, queued from any other thread (never
    // waiting, so a worker cannot block the GUI thread that may be joining it).
    void Synchronize(const std::function<void()>& Method);

private:
    void UpdateTimer();
    bool armed() const { return enabled_ && interval_ != 0 && onTimer_; }

    bool enabled_ = true;
    unsigned interval_ = 1000;
    TTimerEvent onTimer_;
    QTimer* windowTimer_ = nullptr;
    bool threaded_ = true;
    bool destroying_ = false;
    QThread::Priority priority_ = QThread::NormalPriority;
    std::unique_ptr<TTimerThread> thread_;
};
