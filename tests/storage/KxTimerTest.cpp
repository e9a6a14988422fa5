// The timer in both modes: where its ticks run, a blocked GUI thread, deletion while the worker
// sleeps or from inside the handler, and a handler that raises.
#include "storage/KxTimer.h"
#include "platform/MessageBox.h"
#include "tests/ThreadSchedule.h"
#include "tests/WaitFor.h"

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace {

struct Ticks {
    std::atomic<int> count = 0;
    std::atomic<bool> onGuiThread = false;
    TTimerEvent Handler() {
        return [this](TKxTimer*) {
            onGuiThread = QThread::currentThread() == qApp->thread();
            ++count;
        };
    }
};

} // namespace

TEST(KxTimerTest, IdleWithoutIntervalEnabledOrHandler) {
    for (bool threaded : {true, false}) {
        Ticks ticks;
        TKxTimer timer;
        timer.SetThreaded(threaded);
        timer.SetInterval(0);
        timer.SetOnTimer(ticks.Handler());
        TKxTimer disabled;
        disabled.SetThreaded(threaded);
        disabled.SetInterval(1);
        disabled.SetEnabled(false);
        disabled.SetOnTimer(ticks.Handler());
        TKxTimer unassigned;
        unassigned.SetThreaded(threaded);
        unassigned.SetInterval(1);
        QTest::qWait(30);
        EXPECT_EQ(ticks.count, 0) << threaded;
    }
}

TEST(KxTimerTest, TicksRunOnTheGuiThreadInBothModes) {
    for (bool threaded : {true, false}) {
        Ticks ticks;
        TKxTimer timer;
        timer.SetThreaded(threaded);
        timer.SetInterval(5);
        timer.SetOnTimer(ticks.Handler());
        ASSERT_TRUE(WaitFor([&] { return ticks.count >= 2; })) << threaded;
        EXPECT_TRUE(ticks.onGuiThread) << threaded;
    }
}

TEST(KxTimerTest, WithoutSyncEventTheHandlerRunsInTheWorker) {
    Ticks ticks;
    TKxTimer timer;
    timer.SyncEvent = false;
    timer.SetInterval(5);
    timer.SetOnTimer(ticks.Handler());
    ASSERT_TRUE(WaitFor([&] { return ticks.count >= 1; }));
    timer.SetEnabled(false);
    EXPECT_FALSE(ticks.onGuiThread);
}

TEST(KxTimerTest, SwitchingModesKeepsTicking) {
    Ticks ticks;
    TKxTimer timer;
    timer.SetInterval(5);
    timer.SetOnTimer(ticks.Handler());
    ASSERT_TRUE(WaitFor([&] { return ticks.count >= 1; }));
    timer.SetThreaded(false);
    const int before = ticks.count;
    ASSERT_TRUE(WaitFor([&] { return ticks.count >= before + 2; })) << "timer thread";
    timer.SetThreaded(true);
    const int later = ticks.count;
    ASSERT_TRUE(WaitFor([&] { return ticks.count >= later + 2; })) << "worker thread";
    EXPECT_EQ(timer.Interval(), 5u);
}

TEST(KxTimerTest, ABlockedGuiThreadGetsAtMostOnePendingTick) {
    Ticks ticks;
    TKxTimer timer;
    timer.SetInterval(1);
    timer.SetOnTimer(ticks.Handler());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QCoreApplication::sendPostedEvents(&timer);
    EXPECT_LE(ticks.count, 2);
}

TEST(KxTimerTest, DeletionWhileTheWorkerSleepsOrInsideTheHandler) {
    auto* sleeping = new TKxTimer;
    sleeping->SetInterval(60000);
    sleeping->SetOnTimer([](TKxTimer*) { FAIL(); });
    delete sleeping;

    int calls = 0;
    auto* self = new TKxTimer;
    self->SetInterval(1);
    self->SetOnTimer([&](TKxTimer* sender) {
        ++calls;
        delete sender;
    });
    ASSERT_TRUE(WaitFor([&] { return calls == 1; })) << calls;
    QTest::qWait(20);
    EXPECT_EQ(calls, 1);

    std::atomic<int> workerCalls = 0;
    auto* worker = new TKxTimer;
    worker->SyncEvent = false;
    worker->SetInterval(1);
    worker->SetOnTimer([&](TKxTimer* sender) {
        if (workerCalls++ == 0)
            delete sender;
    });
    ASSERT_TRUE(WaitFor([&] { return workerCalls == 1; })) << workerCalls;
}

TEST(KxTimerTest, ARaisingHandlerIsShownOnTheGuiThread) {
    std::vector<QString> shown;
    std::atomic<bool> guiThread = false;
    auto old = platform::SetMessageBoxHook([&](const QString& text, const QString&, int) {
        guiThread = QThread::currentThread() == qApp->thread();
        shown.push_back(text);
        return int(platform::IDOK);
    });
    for (bool sync : {true, false}) {
        TKxTimer timer;
        timer.SyncEvent = sync;
        timer.SetInterval(2);
        timer.SetOnTimer([&](TKxTimer* sender) {
            sender->SetEnabled(false);
            throw std::runtime_error("guasto");
        });
        EXPECT_TRUE(WaitFor([&] { return shown.size() == size_t(sync ? 1 : 2); }))
            << sync << " " << shown.size();
    }
    platform::SetMessageBoxHook(old);
    EXPECT_TRUE(guiThread);
}

TEST(KxTimerTest, SynchronizeRunsOnTheGuiThread) {
    TKxTimer timer;
    std::atomic<bool> onGui = false;
    std::atomic<int> calls = 0;
    const auto method = [&] {
        onGui = QThread::currentThread() == qApp->thread();
        ++calls;
    };
    timer.Synchronize(method);
    EXPECT_TRUE(onGui);
    onGui = false;
    std::thread worker([&] { timer.Synchronize(method); });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return calls == 2; })) << calls;
    EXPECT_TRUE(onGui);
}

namespace {

// What the worker found of its own scheduling on its latest tick.
struct ScheduleTicks {
    std::atomic<int> count = 0;
    std::atomic<int> policy = -1;
    std::atomic<int> nice = 99;
    TTimerEvent Handler() {
        return [this](TKxTimer*) {
            const TThreadSchedule seen = ScheduleOf(::gettid());
            policy = seen.policy;
            nice = seen.nice;
            ++count;
        };
    }
    // The schedule of a tick that came after this call.
    TThreadSchedule Next() {
        const int after = count;
        if (!WaitFor([&] { return count > after + 1; }))
            return {};
        return {policy, nice};
    }
};

void SetWorkerPriority(TKxTimer& timer, ScheduleTicks& ticks, QThread::Priority priority) {
    timer.SetThreadPriority(priority);
    if (!timer.OnTimer()) {
        timer.SyncEvent = false;
        timer.SetInterval(2);
        timer.SetOnTimer(ticks.Handler());
    }
}

} // namespace

TEST(KxTimerTest, TheWorkerRunsAtItsThreadPriority) {
    if (!MayRaiseThreads())
        GTEST_SKIP() << "raising a thread above normal needs the privilege to";
    struct Case {
        QThread::Priority priority;
        int policy;
        int nice;
    };
    const Case cases[] = {
        {QThread::LowestPriority, SCHED_OTHER, NormalNicePlus(10)},
        {QThread::IdlePriority, SCHED_IDLE, NormalNicePlus(10)},
        {QThread::LowPriority, SCHED_OTHER, NormalNicePlus(5)},
        {QThread::HighestPriority, SCHED_OTHER, NormalNicePlus(-10)},
        {QThread::IdlePriority, SCHED_IDLE, NormalNicePlus(-10)},
        {QThread::TimeCriticalPriority, SCHED_OTHER, NormalNicePlus(-15)},
        {QThread::HighPriority, SCHED_OTHER, NormalNicePlus(-5)},
        {QThread::NormalPriority, SCHED_OTHER, NormalNice()},
    };
    ScheduleTicks ticks;
    TKxTimer timer;
    for (const Case& c : cases) {
        SetWorkerPriority(timer, ticks, c.priority);
        const TThreadSchedule seen = ticks.Next();
        EXPECT_EQ(seen.policy, c.policy) << c.priority;
        EXPECT_EQ(seen.nice, c.nice) << c.priority;
    }
}

TEST(KxTimerTest, WithoutThePrivilegeAWorkerAskedAboveNormalStaysAtNormal) {
    const TWithoutNicePrivilege ordinaryUser;
    ASSERT_TRUE(ordinaryUser.Holds());
    ScheduleTicks ticks;
    TKxTimer timer;
    for (QThread::Priority priority : {QThread::TimeCriticalPriority, QThread::HighPriority}) {
        SetWorkerPriority(timer, ticks, priority);
        const TThreadSchedule seen = ticks.Next();
        EXPECT_EQ(seen.policy, SCHED_OTHER) << priority;
        EXPECT_EQ(seen.nice, NormalNice()) << priority;
    }
    // Lower is always allowed; out of the idle class the worker comes back up as far as normal.
    SetWorkerPriority(timer, ticks, QThread::LowPriority);
    EXPECT_EQ(ticks.Next().nice, NormalNicePlus(5));
    SetWorkerPriority(timer, ticks, QThread::IdlePriority);
    EXPECT_EQ(ticks.Next().policy, SCHED_IDLE);
    SetWorkerPriority(timer, ticks, QThread::HighestPriority);
    const TThreadSchedule normal = ticks.Next();
    EXPECT_EQ(normal.policy, SCHED_OTHER);
    EXPECT_EQ(normal.nice, NormalNice());
}

// Whether or not the nice limit lets the running worker come back up, the timer gets there.
TEST(KxTimerTest, AUserWhoMayComeBackToNormalLeavesTheIdleClass) {
    const TWithoutNicePrivilege userWithLimit(NormalNice());
    ScheduleTicks ticks;
    TKxTimer timer;
    SetWorkerPriority(timer, ticks, QThread::LowPriority);
    EXPECT_EQ(ticks.Next().nice, NormalNicePlus(5));
    SetWorkerPriority(timer, ticks, QThread::HighestPriority);
    EXPECT_EQ(ticks.Next().nice, NormalNice());
    SetWorkerPriority(timer, ticks, QThread::IdlePriority);
    EXPECT_EQ(ticks.Next().policy, SCHED_IDLE);
    SetWorkerPriority(timer, ticks, QThread::NormalPriority);
    const TThreadSchedule normal = ticks.Next();
    EXPECT_EQ(normal.policy, SCHED_OTHER);
    EXPECT_EQ(normal.nice, NormalNice());
}

// As a desktop user, whom the system never lets take a thread back up, the timer still comes
// back from a lower level or the idle class: the one step it refuses is going above normal.
TEST(KxTimerTest, AnOrdinaryUsersWorkerComesBackUpToNormal) {
    struct Case {
        QThread::Priority priority;
        int policy;
        int nice; // none in the idle class
    };
    const Case cases[] = {
        {QThread::LowPriority, SCHED_OTHER, NormalNicePlus(5)},
        {QThread::NormalPriority, SCHED_OTHER, NormalNice()},
        {QThread::IdlePriority, SCHED_IDLE, 0},
        {QThread::LowPriority, SCHED_OTHER, NormalNicePlus(5)},
        {QThread::LowestPriority, SCHED_OTHER, NormalNicePlus(10)},
        {QThread::HighestPriority, SCHED_OTHER, NormalNice()},
        {QThread::IdlePriority, SCHED_IDLE, 0},
        {QThread::NormalPriority, SCHED_OTHER, NormalNice()},
    };
    const auto describe = [](int policy, int nice) {
        return policy == SCHED_IDLE ? std::string("idle\n")
                                    : std::to_string(policy) + " " + std::to_string(nice) + "\n";
    };
    std::string expected;
    for (const Case& c : cases)
        expected += describe(c.policy, c.nice);
    const std::string seen = RunAsOrdinaryUser([&] {
        ScheduleTicks ticks;
        TKxTimer timer;
        std::string schedules;
        for (const Case& c : cases) {
            SetWorkerPriority(timer, ticks, c.priority);
            const TThreadSchedule next = ticks.Next();
            schedules += describe(next.policy, next.nice);
        }
        return schedules;
    });
    EXPECT_EQ(seen, expected);
}
