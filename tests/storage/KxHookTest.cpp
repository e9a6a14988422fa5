#include "storage/KxHook.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

const QEvent::Type Probe = static_cast<QEvent::Type>(QEvent::registerEventType());

// Records, in order, what the hooks and the widget itself saw of the probe events.
struct Journal {
    QStringList entries;
};

class ProbedWidget : public QWidget {
public:
    explicit ProbedWidget(Journal& journal) : journal_(journal) {}

protected:
    bool event(QEvent* e) override {
        if (e->type() == Probe)
            journal_.entries.append("widget");
        return QWidget::event(e);
    }

private:
    Journal& journal_;
};

void watch(TKxWindowHook& hook, Journal& journal, const QString& name, bool handleBefore = false) {
    hook.BeforeMessage = [&journal, name, handleBefore](TKxWindowHook*, QEvent* e, bool& handled) {
        if (e->type() != Probe)
            return;
        journal.entries.append(name + " before");
        handled = handleBefore;
    };
    hook.AfterMessage = [&journal, name](TKxWindowHook*, QEvent* e, bool&) {
        if (e->type() == Probe)
            journal.entries.append(name + " after");
    };
}

void probe(QWidget* widget) {
    QEvent e(Probe);
    QCoreApplication::sendEvent(widget, &e);
}

TEST(KxHook, TheLastAttachedHookSeesEachEventFirstAroundTheWidget) {
    Journal journal;
    ProbedWidget widget(journal);
    TKxWindowHook first;
    TKxWindowHook second;
    watch(first, journal, "first");
    watch(second, journal, "second");
    first.SetWinControl(&widget);
    second.SetWinControl(&widget);
    probe(&widget);
    EXPECT_EQ(journal.entries, QStringList({"second before", "first before", "widget",
                                            "second after", "first after"}));
}

TEST(KxHook, AHandledEventSkipsTheOtherHooksAndTheWidgetButNotItsDeletion) {
    Journal journal;
    auto* widget = new ProbedWidget(journal);
    TKxWindowHook first;
    TKxWindowHook second;
    watch(first, journal, "first");
    watch(second, journal, "second", true);
    first.SetWinControl(widget);
    second.SetWinControl(widget);
    probe(widget);
    EXPECT_EQ(journal.entries, QStringList({"second before"}));

    second.BeforeMessage = [](TKxWindowHook*, QEvent*, bool& handled) { handled = true; };
    QPointer<QWidget> guard(widget);
    widget->deleteLater();
    QCoreApplication::sendPostedEvents(widget, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(first.WinControl(), nullptr);
    EXPECT_EQ(second.WinControl(), nullptr);
}

TEST(KxHook, DeactivatingTheLastHookLeavesTheWidgetAsItWas) {
    Journal journal;
    ProbedWidget widget(journal);
    TKxWindowHook hook;
    watch(hook, journal, "hook");
    hook.SetWinControl(&widget);
    hook.SetActive(false);
    probe(&widget);
    EXPECT_EQ(journal.entries, QStringList({"widget"}));
    EXPECT_EQ(hook.WinControl(), &widget);
    hook.SetActive(true);
    probe(&widget);
    EXPECT_EQ(journal.entries, QStringList({"widget", "hook before", "widget", "hook after"}));
}

TEST(KxHook, MovingAHookToAnotherWidgetAndDestroyingItDetachesIt) {
    Journal journal;
    ProbedWidget one(journal);
    ProbedWidget two(journal);
    {
        TKxWindowHook hook;
        watch(hook, journal, "hook");
        hook.SetWinControl(&one);
        hook.SetWinControl(&two);
        probe(&one);
        EXPECT_EQ(journal.entries, QStringList({"widget"}));
        QCoreApplication::processEvents();
    }
    probe(&two);
    EXPECT_EQ(journal.entries, QStringList({"widget", "widget"}));
}

TEST(KxHook, TheHandleOfTheUtilityObjectExistsOnceAHookWasSet) {
    Journal journal;
    ProbedWidget widget(journal);
    TKxWindowHook hook;
    hook.SetWinControl(&widget);
    const qintptr handle = GetHookHandle();
    EXPECT_NE(handle, -1);
    hook.SetWinControl(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(GetHookHandle(), handle);
}

TEST(KxHook, AHookMayDetachItselfWhileItRuns) {
    Journal journal;
    ProbedWidget widget(journal);
    TKxWindowHook hook;
    hook.SetWinControl(&widget);
    hook.BeforeMessage = [&](TKxWindowHook* sender, QEvent* e, bool&) {
        if (e->type() == Probe)
            sender->SetWinControl(nullptr);
    };
    probe(&widget);
    probe(&widget);
    QCoreApplication::processEvents();
    EXPECT_EQ(journal.entries, QStringList({"widget", "widget"}));
}

// A press the widget leaves to its parent, while a hook deletes the widget, ends there: Qt would
// otherwise pass it on to the parent through the freed widget.
TEST(KxHook, AnEventDuringWhichAHookDeletesTheWidgetEndsThereAccepted) {
    for (const bool before : {true, false}) {
        QWidget parent;
        QPointer<QWidget> widget = new QWidget(&parent);
        TKxWindowHook hook;
        hook.SetWinControl(widget);
        const auto remove = [&](TKxWindowHook*, QEvent* e, bool&) {
            if (e->type() == QEvent::MouseButtonPress)
                delete widget.data();
        };
        (before ? hook.BeforeMessage : hook.AfterMessage) = remove;
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        press.ignore();
        QCoreApplication::sendEvent(widget, &press);
        EXPECT_FALSE(widget) << before;
        EXPECT_TRUE(press.isAccepted()) << before;
    }
}

} // namespace

namespace {

// An event filter of someone else's on the hooked widget, optionally keeping the event.
class OtherFilter : public QObject {
public:
    OtherFilter(Journal& journal, QString name, bool keep = false)
        : journal_(journal), name_(std::move(name)), keep_(keep) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != Probe)
            return false;
        journal_.entries.append(name_);
        return keep_;
    }

private:
    Journal& journal_;
    QString name_;
    bool keep_;
};

} // namespace

TEST(KxHook, FiltersInstalledBeforeAndAfterTheHookStillSeeTheEvent) {
    struct Case {
        bool handleBefore;
        bool earlierKeeps;
        QStringList seen;
    };
    const Case cases[] = {
        {false, false, {"later filter", "hook before", "earlier filter", "widget", "hook after"}},
        {false, true, {"later filter", "hook before", "earlier filter", "hook after"}},
        {true, false, {"later filter", "hook before"}},
    };
    for (const Case& c : cases) {
        Journal journal;
        ProbedWidget widget(journal);
        OtherFilter earlier(journal, "earlier filter", c.earlierKeeps);
        OtherFilter later(journal, "later filter");
        TKxWindowHook hook;
        watch(hook, journal, "hook", c.handleBefore);
        widget.installEventFilter(&earlier);
        hook.SetWinControl(&widget);
        widget.installEventFilter(&later);
        probe(&widget);
        EXPECT_EQ(journal.entries, c.seen) << c.handleBefore << c.earlierKeeps;
    }
}
