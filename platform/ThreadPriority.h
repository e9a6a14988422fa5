#pragma once
// The platform's thread priority levels on Linux threads. Idle is the idle scheduling class; the
// other levels are the thread's own nice value, set apart from the process's by a step per
// level (lowest +10, low +5, normal +0, high -5, highest -10, time critical -15).
//
// An ordinary user may only make a thread less important: raising one above normal, or taking
// it back up from a lower level or the idle class, needs a privilege (or a nice limit) that the
// system may refuse. A thread asked to go above normal is then left at normal, without an error.
// One that may not come back up is replaced by its owner: a new thread starts at the level of the
// thread that creates it, the process's own when that is the GUI thread.

#include <QThread>
#include <mutex>
#include <sys/types.h>

namespace platform {

// Applies the level to a thread of this process, known by its system id (gettid). False when the
// system refused to take the thread back up to it.
bool SetThreadPriority(pid_t thread, QThread::Priority priority);

// The priority of one worker thread: set from any thread, applied at once while the worker runs
// and as soon as it starts.
class TWorkerPriority {
public:
    explicit TWorkerPriority(QThread::Priority priority) : priority_(priority) {}

    // False when the running worker may not come back up to the level: only a new worker gets
    // there, and the old one stays where it was until it is replaced.
    bool Set(QThread::Priority priority);

    // Held by the worker for as long as it runs.
    class Scope {
    public:
        explicit Scope(TWorkerPriority& owner);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        TWorkerPriority& owner_;
    };

private:
    std::mutex mutex_;
    QThread::Priority priority_;
    pid_t thread_ = 0; // the running worker, 0 when none
};

} // namespace platform
