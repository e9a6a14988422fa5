#pragma once
// The platform's thread priority levels on Linux threads. Idle is the idle scheduling class; the
// other levels are the thread's own nice value, set apart from the process's by a step per
// level (lowest +10, low +5, normal +0, high -5, highest -10, time critical -15).
//
// An ordinary user may only make a thread less important: raising one above normal, or taking
// it back up from a lower level or the idle class, needs a privilege (or a nice limit) that the
// system may refuse. A refusal is no error: a thread asked to go above normal is left at normal,
// and one that may not come back up stays where it was.

#include <QThread>
#include <mutex>
#include <sys/types.h>

namespace platform {

// Applies the level to a thread of this process, known by its system id (gettid).
void SetThreadPriority(pid_t thread, QThread::Priority priority);

// The priority of one worker thread: set from any thread, applied at once while the worker runs
// and as soon as it starts.
class TWorkerPriority {
public:
    explicit TWorkerPriority(QThread::Priority priority) : priority_(priority) {}

    void Set(QThread::Priority priority);

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
