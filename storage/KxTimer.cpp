#include "storage/KxTimer.h"

#include "platform/ExceptionDisplay.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct TTimerThread::State {
    std::mutex mutex;
    std::condition_variable wake;
    TKxTimer* receiver = nullptr; // the context of queued ticks; cleared before it goes
    bool armed = false;
    bool terminated = false;
    bool pending = false; // a tick is queued for the GUI thread
    unsigned generation = 0;
    unsigned interval = 1000;
    bool sync = true;
    TTimerEvent handler;
    platform::TWorkerPriority priority{QThread::NormalPriority};
    std::thread worker;
};

TTimerThread::TTimerThread(TKxTimer& owner) : owner_(owner) {
    Start();
}

TTimerThread::~TTimerThread() {
    Stop();
}

void TTimerThread::Start() {
    state_ = std::make_shared<State>();
    state_->receiver = &owner_;
    state_->worker = std::thread([state = state_] { TTimerThread::Execute(state); });
}

// The worker wakes at once and ends; a tick it already queued still reaches the timer.
void TTimerThread::Stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->terminated = true;
        state_->receiver = nullptr;
        state_->handler = nullptr;
    }
    state_->wake.notify_all();
    // A handler running in the worker may delete its own timer: the worker then ends by itself.
    if (InWorker())
        state_->worker.detach();
    else
        state_->worker.join();
}

bool TTimerThread::InWorker() const {
    return state_->worker.get_id() == std::this_thread::get_id();
}

void TTimerThread::Arm(unsigned interval, bool sync, TTimerEvent handler,
                       QThread::Priority priority) {
    // A new worker starts at the level of the thread creating it, so a worker's own handler
    // gains nothing by replacing it (and would run beside its successor).
    if (!state_->priority.Set(priority) && !InWorker()) {
        Stop();
        Start();
        state_->priority.Set(priority);
    }
    {
        std::lock_guard lock(state_->mutex);
        state_->armed = true;
        state_->interval = interval;
        state_->sync = sync;
        state_->handler = std::move(handler);
        ++state_->generation;
    }
    state_->wake.notify_all();
}

void TTimerThread::Disarm() {
    {
        std::lock_guard lock(state_->mutex);
        state_->armed = false;
        state_->handler = nullptr;
        ++state_->generation;
    }
    state_->wake.notify_all();
}

namespace {

// Hands a tick to the GUI thread, at most one at a time.
void queueTick(const std::shared_ptr<TTimerThread::State>& state) {
    if (state->pending)
        return;
    state->pending = true;
    TKxTimer* timer = state->receiver;
    QMetaObject::invokeMethod(
        timer,
        [timer, state] {
            {
                std::lock_guard lock(state->mutex);
                state->pending = false;
            }
            platform::RunGuarded([timer] { timer->Timer(); });
        },
        Qt::QueuedConnection);
}

void callInWorker(std::unique_lock<std::mutex>& lock, TKxTimer* timer, TTimerEvent handler) {
    lock.unlock();
    try {
        handler(timer);
    } catch (...) {
        QMetaObject::invokeMethod(
            qApp, [error = std::current_exception()] { platform::ShowException(error); },
            Qt::QueuedConnection);
    }
    lock.lock();
}

} // namespace

void TTimerThread::Execute(const std::shared_ptr<State>& state) {
    const platform::TWorkerPriority::Scope running(state->priority);
    std::unique_lock lock(state->mutex);
    while (!state->terminated) {
        if (!state->armed) {
            state->wake.wait(lock, [&] { return state->terminated || state->armed; });
            continue;
        }
        const unsigned generation = state->generation;
        const bool changed =
            state->wake.wait_for(lock, std::chrono::milliseconds(state->interval), [&] {
                return state->terminated || state->generation != generation;
            });
        if (changed || QCoreApplication::closingDown())
            continue;
        if (state->sync)
            queueTick(state);
        else
            callInWorker(lock, state->receiver, state->handler);
    }
}

TKxTimer::TKxTimer(QObject* AOwner) : QObject(AOwner) {}

TKxTimer::~TKxTimer() {
    destroying_ = true;
    enabled_ = false;
    onTimer_ = nullptr;
    thread_.reset();
}

void TKxTimer::SetEnabled(bool Value) {
    if (enabled_ == Value)
        return;
    enabled_ = Value;
    UpdateTimer();
}

void TKxTimer::SetInterval(unsigned Value) {
    if (interval_ == Value)
        return;
    interval_ = Value;
    UpdateTimer();
}

void TKxTimer::SetThreaded(bool Value) {
    if (threaded_ == Value)
        return;
    threaded_ = Value;
    UpdateTimer();
}

void TKxTimer::SetThreadPriority(QThread::Priority Value) {
    if (priority_ == Value)
        return;
    priority_ = Value;
    if (threaded_)
        UpdateTimer();
}

void TKxTimer::SetOnTimer(TTimerEvent Value) {
    const bool rearm = bool(onTimer_) != bool(Value);
    onTimer_ = std::move(Value);
    if (rearm)
        UpdateTimer();
}

void TKxTimer::UpdateTimer() {
    if (threaded_) {
        delete std::exchange(windowTimer_, nullptr);
        if (!armed()) {
            if (thread_)
                thread_->Disarm();
            return;
        }
        if (!thread_)
            thread_ = std::make_unique<TTimerThread>(*this);
        thread_->Arm(interval_, SyncEvent, onTimer_, priority_);
        return;
    }
    if (thread_)
        thread_->Disarm();
    if (!windowTimer_) {
        windowTimer_ = new QTimer(this);
        connect(windowTimer_, &QTimer::timeout, this,
                [this] { platform::RunGuarded([this] { Timer(); }); });
    }
    windowTimer_->stop();
    if (armed())
        windowTimer_->start(int(interval_));
}

void TKxTimer::Timer() {
    if (!enabled_ || destroying_ || !onTimer_)
        return;
    const TTimerEvent handler = onTimer_; // the handler may delete this timer
    handler(this);
}

void TKxTimer::Synchronize(const std::function<void()>& Method) {
    if (QThread::currentThread() == thread())
        Method();
    else
        QMetaObject::invokeMethod(
            this, [Method] { platform::RunGuarded(Method); }, Qt::QueuedConnection);
}
