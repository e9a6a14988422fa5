#pragma once
// What the system says of a thread's scheduling, and a stretch of a test without the privilege to
// raise threads' priority, as an ordinary user runs: in this process or in a child that has become
// "nobody".

#include "tests/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <linux/capability.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

struct TThreadSchedule {
    int policy = -1;
    int nice = 0;
};

inline TThreadSchedule ScheduleOf(pid_t thread) {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, id_t(thread));
    return {::sched_getscheduler(thread), errno == 0 ? nice : 99};
}

// The processor time the thread has used so far, in clock ticks; -1 when it is gone.
inline long CpuTicksOf(pid_t thread) {
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(thread));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // After the name in brackets (which may hold spaces) come the state, ..., utime and stime.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : -1;
}

// The nice value of a normal thread of this process, and that value moved by step within the
// system's range.
inline int NormalNice() {
    return ::getpriority(PRIO_PROCESS, ::getpid());
}
inline int NormalNicePlus(int step) {
    return std::clamp(NormalNice() + step, -20, 19);
}

// The ids of this process's threads of that name.
inline QList<pid_t> ThreadsNamed(const QString& name) {
    QList<pid_t> found;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && QString::fromLatin1(comm.readAll().trimmed()) == name)
            found.append(pid_t(task.toInt()));
    }
    return found;
}

// Whether the calling thread has the privilege to raise any thread's priority.
inline bool MayRaiseThreads() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    return ::syscall(SYS_capget, &header, data) == 0 &&
           (data[0].effective & (1u << CAP_SYS_NICE)) != 0;
}

// For its lifetime the calling thread (and the threads it starts) may not take a thread's nice
// value below lowestNice: the privilege to do so is set aside and the process's nice limit set
// there (by default none: no thread may be raised at all).
class TWithoutNicePrivilege {
public:
    explicit TWithoutNicePrivilege(int lowestNice = 20) {
        ::getrlimit(RLIMIT_NICE, &limit_);
        const rlim_t wanted = rlim_t(20 - lowestNice);
        const rlimit floor{wanted, std::max(wanted, limit_.rlim_max)};
        holds_ = ::setrlimit(RLIMIT_NICE, &floor) == 0;
        setNicePrivilege(false);
    }
    ~TWithoutNicePrivilege() {
        setNicePrivilege(true);
        ::setrlimit(RLIMIT_NICE, &limit_);
    }
    TWithoutNicePrivilege(const TWithoutNicePrivilege&) = delete;
    TWithoutNicePrivilege& operator=(const TWithoutNicePrivilege&) = delete;

    // False when the limit could not be set (an ordinary user cannot lift it).
    bool Holds() const { return holds_; }

private:
    // Only the effective set changes: the privilege stays permitted and comes back.
    static void setNicePrivilege(bool on) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (::syscall(SYS_capget, &header, data) != 0)
            return;
        if (on)
            data[0].effective |= data[0].permitted & (1u << CAP_SYS_NICE);
        else
            data[0].effective &= ~(1u << CAP_SYS_NICE);
        ::syscall(SYS_capset, &header, data);
    }

    rlimit limit_{};
    bool holds_ = false;
};

// Runs body in a forked child that has become "nobody" with no nice limit, as a desktop user runs
// the program, and gives back what body returned, or why there is nothing.
inline std::string RunAsOrdinaryUser(const std::function<std::string()>& body) {
    const TMeasuredRun run = RunMeasured(
        [&] {
            const rlimit noRaising{0, 0};
            ::setrlimit(RLIMIT_NICE, &noRaising);
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                return std::string("could not become nobody");
            if (MayRaiseThreads())
                return std::string("still may raise threads");
            return body();
        },
        std::numeric_limits<long>::max() / 2, 60000, [] { ::usleep(1000); });
    return run.ended ? run.output : std::string("the child did not end");
}
