// A control's event may delete the control. Qt must then end the Qt event that fired it there,
// accepted: an ignored mouse, wheel or pop-up event travels on to the parent through the freed
// widget, which a build without sanitizers shows as a crash.

#include "controls/KXCtrls.h"
#include "controls/KXCtrlsLists.h"
#include "controls/KXSpin.h"
#include "controls/KXSplit.h"
#include "controls/KxRichEdit.h"
#include "controls/SpeedBar.h"
#include "controls/ToolEdit.h"
#include "tests/controls/MouseDrag.h"

#include <QContextMenuEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

enum TKind {
    kMouseDown,
    kMouseMove,
    kMouseUp,
    kClick,
    kDblClick,
    kKeyDown,
    kKeyPress,
    kKeyUp,
    kPopup,
    kWheelDown,
    kWheelUp,
    kEnter,
    kExit,
    kResize,
    kStartDrag,
    kEndDrag,
    kDragOver,
};

const char* const kindNames[] = {
    "mouse down", "mouse move", "mouse up",       "click",      "double click", "key down",
    "key press",  "key up",     "context pop-up", "wheel down", "wheel up",     "enter",
    "exit",       "resize",     "start drag",     "end drag",   "drag over"};

// Assigns to the control's event of this kind, where it publishes one, a handler that deletes
// the control; false where it publishes none.
template <class C> bool Arm(C* c, TKind kind) {
    const auto mouse = [c](QObject*, TMouseButton, TShiftState, int, int) { delete c; };
    const auto notify = [c](QObject*) { delete c; };
    const auto key = [c](QObject*, Word&, TShiftState) { delete c; };
    const auto wheel = [c](QObject*, TShiftState, QPoint, bool&) { delete c; };
    switch (kind) {
    case kMouseDown:
    case kMouseMove:
    case kMouseUp:
        if constexpr (requires { c->OnMouseDown; }) {
            if (kind == kMouseDown)
                c->OnMouseDown = mouse;
            else if (kind == kMouseUp)
                c->OnMouseUp = mouse;
            else
                c->OnMouseMove = [c](QObject*, TShiftState, int, int) { delete c; };
            return true;
        }
        return false;
    case kKeyDown:
    case kKeyPress:
    case kKeyUp:
        if constexpr (requires { c->OnKeyDown; }) {
            if (kind == kKeyDown)
                c->OnKeyDown = key;
            else if (kind == kKeyUp)
                c->OnKeyUp = key;
            else
                c->OnKeyPress = [c](QObject*, QChar&) { delete c; };
            return true;
        }
        return false;
    case kWheelDown:
    case kWheelUp:
        if constexpr (requires { c->OnMouseWheelDown; }) {
            (kind == kWheelDown ? c->OnMouseWheelDown : c->OnMouseWheelUp) = wheel;
            return true;
        }
        return false;
    case kPopup:
        if constexpr (requires { c->OnContextPopup; }) {
            c->OnContextPopup = [c](QObject*, QPoint, bool&) { delete c; };
            return true;
        }
        return false;
    case kEnter:
    case kExit:
        if constexpr (requires { c->OnEnter; }) {
            (kind == kEnter ? c->OnEnter : c->OnExit) = notify;
            return true;
        }
        return false;
    case kResize:
        if constexpr (requires { c->OnResize; }) {
            c->OnResize = notify;
            return true;
        }
        return false;
    case kClick:
    case kDblClick:
        (kind == kClick ? c->OnClick : c->OnDblClick) = notify;
        return true;
    case kStartDrag:
    case kEndDrag:
    case kDragOver:
        if constexpr (requires { c->OnDragOver; }) {
            if (kind == kStartDrag)
                c->OnStartDrag = notify;
            else if (kind == kEndDrag)
                c->OnEndDrag = [c](QObject*, QObject*, int, int) { delete c; };
            else
                c->OnDragOver = [c](QObject*, QObject*, int, int, TDragState, bool&) { delete c; };
            if (kind != kDragOver)
                c->SetDragMode(dmAutomatic);
            return true;
        }
        return false;
    }
    return false;
}

struct Made {
    QWidget* control = nullptr;
    // Where the mouse events arrive: a list box's viewport.
    QWidget* client = nullptr;
    bool publishes = false;
};

// The control on the form with its event of this kind armed; its drags deliver nothing.
template <class C> Made MakeArmed(QWidget* form, TKind kind) {
    C* c;
    if constexpr (std::is_base_of_v<platform::TDragControl, C>)
        c = new TDelivered<C>(form);
    else
        c = new C(form);
    c->setGeometry(0, 0, 120, 60);
    Made made{c, c};
    if constexpr (std::is_base_of_v<TKxCustomListBox, C>) {
        c->Items()->Assign({"a", "b", "c"});
        made.client = c->viewport();
    }
    c->show();
    made.publishes = Arm(c, kind);
    return made;
}

// Sends the Qt events that fire the event of this kind, until the control is gone; whether the
// one during which it went ended accepted.
bool Fire(TKind kind, const Made& made) {
    const QPointer<QWidget> alive(made.control);
    QWidget* client = made.client;
    bool accepted = false;
    const auto send = [&](QWidget* to, QEvent& event) {
        if (!alive)
            return;
        QApplication::sendEvent(to, &event);
        accepted = event.isAccepted();
    };
    const QPoint at(3, 2);
    const auto mouse = [&](QEvent::Type type, QPoint point, Qt::MouseButton button,
                           Qt::MouseButtons buttons) {
        if (!alive)
            return;
        QMouseEvent event(type, QPointF(point), QPointF(client->mapToGlobal(point)), button,
                          buttons, Qt::NoModifier);
        send(client, event);
    };
    const auto press = [&] { mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); };
    const auto release = [&] {
        mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    };
    switch (kind) {
    case kMouseDown:
    case kStartDrag:
        press();
        break;
    case kMouseMove:
    case kEndDrag:
        press();
        mouse(QEvent::MouseMove, at + QPoint(30, 30), Qt::NoButton, Qt::LeftButton);
        release();
        break;
    case kMouseUp:
    case kClick:
        press();
        release();
        break;
    case kDblClick:
        press();
        release();
        mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
        break;
    case kKeyDown:
    case kKeyPress:
    case kKeyUp: {
        QKeyEvent event(kind == kKeyUp ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_A,
                        Qt::NoModifier, QStringLiteral("a"));
        send(made.control, event);
        break;
    }
    case kPopup: {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, client->mapToGlobal(at));
        send(client, event);
        break;
    }
    case kWheelDown:
    case kWheelUp: {
        QWheelEvent event(at, client->mapToGlobal(at), QPoint(),
                          QPoint(0, kind == kWheelDown ? -120 : 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        send(client, event);
        break;
    }
    case kEnter:
    case kExit: {
        QFocusEvent event(kind == kEnter ? QEvent::FocusIn : QEvent::FocusOut, Qt::TabFocusReason);
        send(made.control, event);
        break;
    }
    case kResize: {
        QResizeEvent event(QSize(100, 50), made.control->size());
        send(made.control, event);
        break;
    }
    case kDragOver: {
        // Another control's drag reaches this one.
        auto* source = new TDelivered<TKxLabel>(made.control->parentWidget());
        source->setGeometry(0, 100, 60, 17);
        source->SetDragMode(dmAutomatic);
        source->Deliver = [&](const QMimeData* data) {
            QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            send(client, enter);
            QDragMoveEvent move(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            send(client, move);
            return Qt::IgnoreAction;
        };
        QTest::mousePress(source, Qt::LeftButton, {}, QPoint(2, 2));
        delete source;
        break;
    }
    }
    return accepted;
}

} // namespace

TEST(ControlDeletedByItsEvent, EachStandardEventEndsThereAccepted) {
    struct Case {
        const char* what;
        Made (*make)(QWidget*, TKind);
        // Published but fired only in a state the table does not set up.
        std::vector<TKind> unfired;
    };
    const Case cases[] = {
        {"label", MakeArmed<TKxLabel>, {}},
        {"speed button", MakeArmed<TKxSpeedButton>, {kDblClick}},
        {"splitter", MakeArmed<TKxSplitter>, {}},
        {"speed bar", MakeArmed<TSpeedBar>, {}},
        {"text list box", MakeArmed<TTextListBox>, {}},
        {"check list box", MakeArmed<TKxCheckListBox>, {}},
    };
    QWidget form;
    form.resize(300, 200);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    int fired = 0;
    for (const Case& c : cases) {
        for (int k = kMouseDown; k <= kDragOver; ++k) {
            const TKind kind = TKind(k);
            if (std::ranges::find(c.unfired, kind) != c.unfired.end())
                continue;
            const Made made = c.make(&form, kind);
            const QPointer<QWidget> alive(made.control);
            if (!made.publishes) {
                delete made.control;
                continue;
            }
            const bool accepted = Fire(kind, made);
            EXPECT_FALSE(alive) << c.what << ", " << kindNames[k];
            EXPECT_TRUE(accepted) << c.what << ", " << kindNames[k];
            delete alive.data();
            ++fired;
        }
    }
    EXPECT_EQ(fired, 65);
}

namespace {

QPoint CharAt(TKxRichEdit& edit, int index) {
    return edit.GetCharPos(index) + QPoint(2, edit.fontMetrics().height() / 2);
}

bool SendKey(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(to, &event);
    return event.isAccepted();
}

} // namespace

// The controls' own events that a mouse or key event fires on the way.
TEST(ControlDeletedByItsEvent, TheControlsOwnEventsEndTheirMouseOrKeyEventThere) {
    struct Case {
        const char* what;
        // Makes the control on the host, arms the event and sends the Qt events; whether the
        // last one ended accepted.
        std::function<bool(QWidget* host, QPointer<QWidget>& control)> run;
    };
    const auto splitter = [](QWidget* host, QPointer<QWidget>& control) {
        auto* bottom = new QWidget(host);
        bottom->resize(host->width(), 80);
        platform::SetAlign(bottom, alBottom);
        auto* s = new TKxSplitter(host);
        s->SetAlign(alBottom);
        control = s;
        return s;
    };
    // A bar at the top of the host whose frame is dragged to its bottom edge.
    const auto bar = [](QWidget* host, QPointer<QWidget>& control) {
        auto* b = new TSpeedBar(host);
        b->SetAlign(alTop);
        b->show();
        control = b;
        Press(b, {50, 10});
        Move(b, {60, 20});
        return b;
    };
    const auto bottom = [](QWidget* host, QWidget* b) {
        return b->mapFrom(host, QPoint(150, host->height() - 5));
    };
    const Case cases[] = {
        {"speed bar's OnApplyAlign on a frame drag",
         [&](QWidget* host, QPointer<QWidget>& control) {
             TSpeedBar* b = bar(host, control);
             b->OnApplyAlign = [b](QObject*, TAlign, bool&) { delete b; };
             return Move(b, bottom(host, b));
         }},
        {"speed bar's OnPosChanged after a frame drag",
         [&](QWidget* host, QPointer<QWidget>& control) {
             TSpeedBar* b = bar(host, control);
             const QPoint to = bottom(host, b);
             Move(b, to);
             b->OnPosChanged = [b](QObject*) { delete b; };
             return Release(b, to);
         }},
        {"splitter's OnPosChanged on the release",
         [&](QWidget* host, QPointer<QWidget>& control) {
             TKxSplitter* s = splitter(host, control);
             s->OnPosChanged = [s](QObject*) { delete s; };
             Press(s, {5, 1});
             return Release(s, {5, -29});
         }},
        {"splitter's OnPosChanging on a move",
         [&](QWidget* host, QPointer<QWidget>& control) {
             TKxSplitter* s = splitter(host, control);
             s->OnPosChanging = [s](QObject*, int, int, bool&) { delete s; };
             Press(s, {5, 1});
             return Move(s, {5, -29});
         }},
        {"check list box's OnStateChange on a space",
         [](QWidget* host, QPointer<QWidget>& control) {
             auto* checks = new TKxCheckListBox(host);
             checks->Items()->Assign({"a", "b"});
             checks->SetItemIndex(0);
             checks->OnStateChange = [checks](QObject*, int) { delete checks; };
             control = checks;
             return SendKey(checks, Qt::Key_Space, {}, QStringLiteral(" "));
         }},
        {"check list box's OnStateChange on a plus",
         [](QWidget* host, QPointer<QWidget>& control) {
             auto* checks = new TKxCheckListBox(host);
             checks->Items()->Assign({"a", "b"});
             checks->OnStateChange = [checks](QObject*, int) { delete checks; };
             control = checks;
             return SendKey(checks, Qt::Key_Plus, {}, QStringLiteral("+"));
         }},
        {"check list box's OnStateChange on a press on the check",
         [](QWidget* host, QPointer<QWidget>& control) {
             auto* checks = new TKxCheckListBox(host);
             checks->resize(120, 60);
             checks->Items()->Assign({"a", "b"});
             checks->OnStateChange = [checks](QObject*, int) { delete checks; };
             control = checks;
             const QPoint check = checks->ItemRect(0).topLeft() + QPoint(3, 3);
             return Press(checks->viewport(), check);
         }},
        {"rich edit's OnURLClick",
         [](QWidget* host, QPointer<QWidget>& control) {
             auto* edit = new TKxRichEdit(host);
             edit->SetWordWrap(false);
             edit->resize(280, 60);
             edit->show();
             edit->SetSelText("see www.quendel.invalid");
             edit->OnURLClick = [edit](QObject*, const QString&, TMouseButton) { delete edit; };
             control = edit;
             const QPoint link = CharAt(*edit, 6);
             Press(edit->viewport(), link);
             return Release(edit->viewport(), link);
         }},
        {"rich edit's OnKeyDown",
         [](QWidget* host, QPointer<QWidget>& control) {
             auto* edit = new TKxRichEdit(host);
             edit->OnKeyDown = [edit](QObject*, Word&, TShiftState) { delete edit; };
             control = edit;
             return SendKey(edit, Qt::Key_A, {}, QStringLiteral("a"));
         }},
        {"spin edit's OnChange from its button",
         [](QWidget* host, QPointer<QWidget>& control) {
             auto* edit = new TKxSpinEdit(host);
             edit->resize(80, 21);
             edit->show();
             edit->OnChange = [edit](QObject*) { delete edit; };
             control = edit;
             return Press(edit->SpinButton(), {2, 2});
         }},
        {"date edit's OnButtonClick from its key",
         [](QWidget* host, QPointer<QWidget>& control) {
             auto* edit = new TDateEdit(host);
             edit->resize(110, 21);
             edit->OnButtonClick = [edit](QObject*) { delete edit; };
             control = edit;
             return SendKey(edit, Qt::Key_Down, Qt::AltModifier, QString());
         }},
    };
    QWidget form;
    form.resize(300, 200);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    for (const Case& c : cases) {
        auto* host = new QWidget(&form);
        host->setGeometry(form.rect());
        host->show();
        QPointer<QWidget> control;
        const bool accepted = c.run(host, control);
        EXPECT_FALSE(control) << c.what;
        EXPECT_TRUE(accepted) << c.what;
        delete host;
    }
}
