#include "platform/ThreadPriority.h"

#include <algorithm>
#include <cerrno>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

namespace {

int niceStep(QThread::Priority priority) {
    switch (priority) {
    case QThread::LowestPriority:
        return 10;
    case QThread::LowPriority:
        return 5;
    case QThread::HighPriority:
        return -5;
    case QThread::HighestPriority:
        return -10;
    case QThread::TimeCriticalPriority:
        return -15;
    default:
        return 0;
    }
}

// The nice value a normal thread of this process has: the main thread's.
int processNice() {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, ::getpid());
    return errno == 0 ? nice : 0;
}

bool setNice(pid_t thread, int nice) {
    return ::setpriority(PRIO_PROCESS, id_t(thread), std::clamp(nice, -20, 19)) == 0;
}

bool setPolicy(pid_t thread, int policy) {
    const sched_param none{};
    return ::sched_setscheduler(thread, policy, &none) == 0;
}

} // namespace

bool SetThreadPriority(pid_t thread, QThread::Priority priority) {
    if (priority == QThread::IdlePriority)
        return setPolicy(thread, SCHED_IDLE);
    if (::sched_getscheduler(thread) == SCHED_IDLE && !setPolicy(thread, SCHED_OTHER))
        return false;
    const int normal = processNice();
    const int step = niceStep(priority);
    return setNice(thread, normal + step) || (step < 0 && setNice(thread, normal));
}

bool TWorkerPriority::Set(QThread::Priority priority) {
    std::lock_guard lock(mutex_);
    priority_ = priority;
    return thread_ == 0 || SetThreadPriority(thread_, priority_);
}

TWorkerPriority::Scope::Scope(TWorkerPriority& owner) : owner_(owner) {
    std::lock_guard lock(owner_.mutex_);
    owner_.thread_ = ::gettid();
    SetThreadPriority(owner_.thread_, owner_.priority_);
}

TWorkerPriority::Scope::~Scope() {
    std::lock_guard lock(owner_.mutex_);
    owner_.thread_ = 0;
}

} // namespace platform
