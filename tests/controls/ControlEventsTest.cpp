#include "controls/KXCtrls.h"
#include "controls/KXCtrlsLists.h"
#include "controls/KXSplit.h"
#include "controls/SpeedBar.h"
#include "tests/controls/MouseDrag.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

template <class C>
concept MouseEvents = requires(C* c) {
    c->OnMouseDown;
};
template <class C>
concept KeyEvents = requires(C* c) {
    c->OnKeyDown;
};
template <class C>
concept KeyPressEvent = requires(C* c) {
    c->OnKeyPress;
};
template <class C>
concept FocusEvents = requires(C* c) {
    c->OnEnter;
};
template <class C>
concept ResizeEvent = requires(C* c) {
    c->OnResize;
};
template <class C>
concept PopupEvent = requires(C* c) {
    c->OnContextPopup;
};
template <class C>
concept DragEvents = requires(C* c) {
    c->OnDragOver;
};

// Each control has exactly the events it publishes.
static_assert(MouseEvents<TKxLabel> && PopupEvent<TKxLabel> && DragEvents<TKxLabel>);
static_assert(!KeyEvents<TKxLabel> && !FocusEvents<TKxLabel> && !ResizeEvent<TKxLabel>);
static_assert(MouseEvents<TKxSpeedButton> && DragEvents<TKxSpeedButton>);
static_assert(!PopupEvent<TKxSpeedButton> && !FocusEvents<TKxSpeedButton>);
static_assert(MouseEvents<TKxSplitter> && FocusEvents<TKxSplitter> && ResizeEvent<TKxSplitter>);
static_assert(!PopupEvent<TKxSplitter> && !DragEvents<TKxSplitter> && !KeyEvents<TKxSplitter>);
static_assert(MouseEvents<TSpeedBar> && FocusEvents<TSpeedBar> && ResizeEvent<TSpeedBar> &&
              PopupEvent<TSpeedBar> && DragEvents<TSpeedBar>);
static_assert(!KeyPressEvent<TSpeedBar>);
static_assert(KeyEvents<TKxCheckListBox> && KeyPressEvent<TKxCheckListBox> &&
              FocusEvents<TKxCheckListBox> && PopupEvent<TKxCheckListBox>);
static_assert(!MouseEvents<TKxCheckListBox> && !ResizeEvent<TKxCheckListBox>);
static_assert(MouseEvents<TTextListBox>);

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << text.toStdString();
}

namespace {

QString ShiftText(TShiftState shift) {
    const std::pair<TShiftStateFlag, char> names[] = {
        {ssShift, 'S'}, {ssAlt, 'A'},    {ssCtrl, 'C'},  {ssLeft, 'L'},
        {ssRight, 'R'}, {ssMiddle, 'M'}, {ssDouble, 'D'}};
    QString text;
    for (const auto& [flag, letter] : names)
        if (shift & flag)
            text += QChar(letter);
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString ButtonText(TMouseButton button) {
    return button == mbLeft ? "L" : button == mbRight ? "R" : "M";
}

QString At(int x, int y) {
    return QStringLiteral("%1,%2").arg(x).arg(y);
}

// Listens to every event the control publishes, writing "down L SL 3,2" and the like.
template <class C> void Listen(C* c, QStringList& log) {
    if constexpr (MouseEvents<C>) {
        c->OnMouseDown = [&log](QObject*, TMouseButton b, TShiftState s, int x, int y) {
            log << "down " + ButtonText(b) + " " + ShiftText(s) + " " + At(x, y);
        };
        c->OnMouseMove = [&log](QObject*, TShiftState s, int x, int y) {
            log << "move " + ShiftText(s) + " " + At(x, y);
        };
        c->OnMouseUp = [&log](QObject*, TMouseButton b, TShiftState s, int x, int y) {
            log << "up " + ButtonText(b) + " " + ShiftText(s) + " " + At(x, y);
        };
    }
    c->OnClick = [&log](QObject*) { log << "click"; };
    c->OnDblClick = [&log](QObject*) { log << "dblclick"; };
    if constexpr (FocusEvents<C>) {
        c->OnEnter = [&log](QObject*) { log << "enter"; };
        c->OnExit = [&log](QObject*) { log << "exit"; };
    }
    if constexpr (ResizeEvent<C>)
        c->OnResize = [&log, c](QObject*) { log << QStringLiteral("resize %1").arg(c->width()); };
    if constexpr (PopupEvent<C>) {
        c->OnContextPopup = [&log](QObject*, QPoint at, bool& handled) {
            log << "popup " + At(at.x(), at.y());
            handled = at.x() < 0;
        };
    }
}

class ControlEventsTest : public ::testing::Test {
protected:
    QWidget form;
    QLineEdit* edit = new QLineEdit(&form);
    QStringList log;

    ControlEventsTest() {
        form.resize(300, 200);
        edit->setGeometry(250, 150, 40, 20);
    }
    void Show() {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    TTextListBox* List() {
        auto* list = new TTextListBox(&form);
        list->setGeometry(0, 0, 120, 80);
        QStringList items;
        for (int i = 0; i < 20; ++i)
            items << QStringLiteral("item %1").arg(i);
        list->Items()->Assign(items);
        return list;
    }
};

struct Made {
    QWidget* control;
    QWidget* client;
};

template <class C> Made Make(QWidget* form, QStringList& log, QSize size) {
    auto* control = new C(form);
    control->resize(size);
    if constexpr (std::is_same_v<C, TSpeedBar>)
        control->SetAlign(alTop);
    Listen(control, log);
    return {control, control};
}

TEST_F(ControlEventsTest, MouseEventsComeWithButtonShiftAndClientPointInThePlatformsOrder) {
    struct Case {
        const char* what;
        std::function<Made(QWidget*, QStringList&)> make;
        QStringList click;
        QStringList doubleClick;
    };
    const QStringList down{"down L SL 3,2", "move L 4,3"};
    const Case cases[] = {
        {"label",
         [](QWidget* f, QStringList& l) {
             return Make<TKxLabel>(f, l, {65, 17});
         },
         down + QStringList{"click", "up L S 4,3"},
         {"down L L 3,2", "click", "up L - 3,2", "dblclick", "down L LD 3,2", "up L - 3,2"}},
        {"speed button",
         [](QWidget* f, QStringList& l) {
             return Make<TKxSpeedButton>(f, l, {25, 25});
         },
         down + QStringList{"up L S 4,3", "click"},
         {"down L L 3,2", "up L - 3,2", "click", "down L LD 3,2", "up L - 3,2", "click"}},
        {"splitter",
         [](QWidget* f, QStringList& l) {
             return Make<TKxSplitter>(f, l, {185, 6});
         },
         down + QStringList{"click", "up L S 4,3"},
         {"down L L 3,2", "click", "up L - 3,2", "dblclick", "down L LD 3,2", "up L - 3,2"}},
        {"speed bar",
         [](QWidget* f, QStringList& l) {
             return Make<TSpeedBar>(f, l, {300, 32});
         },
         down + QStringList{"click", "up L S 4,3"},
         {"down L L 3,2", "click", "up L - 3,2", "dblclick", "down L LD 3,2", "up L - 3,2"}},
        {"list box",
         [](QWidget* f, QStringList& l) {
             auto* list = new TTextListBox(f);
             list->resize(120, 80);
             list->Items()->Assign({"a", "b"});
             Listen(list, l);
             return Made{list, list->viewport()};
         },
         QStringList{"enter", "click"} + down + QStringList{"up L S 4,3"},
         {"click", "down L L 3,2", "up L - 3,2", "down L LD 3,2", "dblclick", "up L - 3,2"}},
    };
    Show();
    for (const Case& c : cases) {
        for (bool twice : {false, true}) {
            const Made made = c.make(&form, log);
            made.control->show();
            edit->setFocus();
            log.clear();
            if (twice) {
                const QPoint at(3, 2);
                Press(made.client, at);
                Release(made.client, at);
                SendMouse(made.client, QEvent::MouseButtonDblClick, at, Qt::LeftButton,
                          Qt::LeftButton);
                Release(made.client, at);
            } else {
                QTest::mousePress(made.client, Qt::LeftButton, Qt::ShiftModifier, QPoint(3, 2));
                QTest::mouseMove(made.client, QPoint(4, 3));
                QTest::mouseRelease(made.client, Qt::LeftButton, Qt::ShiftModifier, QPoint(4, 3));
            }
            EXPECT_EQ(log, twice ? c.doubleClick : c.click) << c.what;
            delete made.control;
        }
    }
}

TEST_F(ControlEventsTest, AMoveWithoutAButtonReachesAnAssignedOnMouseMove) {
    auto* label = new TKxLabel(&form);
    label->resize(65, 17);
    Listen(label, log);
    Show();
    QTest::mouseMove(label, QPoint(5, 5));
    QTest::mouseMove(label, QPoint(6, 5));
    EXPECT_TRUE(label->hasMouseTracking());
    EXPECT_TRUE(QRegularExpression("^move [^L]+ 6,5$").match(log.last()).hasMatch())
        << log.last().toStdString();
}

TEST_F(ControlEventsTest, TheRightButtonAndAnEventThatDeletesTheControl) {
    auto* splitter = new TKxSplitter(&form);
    splitter->resize(185, 6);
    Show();
    Listen(splitter, log);
    QTest::mousePress(splitter, Qt::RightButton, Qt::ControlModifier, QPoint(7, 1));
    QTest::mouseRelease(splitter, Qt::RightButton, Qt::ControlModifier, QPoint(7, 1));
    EXPECT_EQ(log, QStringList({"down R CR 7,1", "up R C 7,1"})) << "no click from the right";

    QPointer<TKxSplitter> alive(splitter);
    splitter->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) { delete splitter; };
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(7, 1));
    EXPECT_FALSE(alive);
}

TEST_F(ControlEventsTest, FocusWithinTheWindowSizeAndPopUp) {
    auto* bar = new TSpeedBar(&form);
    bar->Position = bpCustom;
    bar->SetAlign(alNone);
    bar->setGeometry(0, 0, 200, 32);
    auto* splitter = new TKxSplitter(&form);
    splitter->setGeometry(0, 40, 185, 6);
    auto* label = new TKxLabel(&form);
    label->setGeometry(0, 60, 65, 17);
    TTextListBox* list = List();
    list->move(0, 90);
    Show();
    Listen(bar, log);
    Listen(splitter, log);
    Listen(label, log);
    Listen(list, log);

    for (QWidget* control : std::initializer_list<QWidget*>{bar, splitter, list}) {
        log.clear();
        control->setFocus(Qt::TabFocusReason);
        control->resize(150, control->height());
        edit->setFocus(Qt::TabFocusReason);
        // The list boxes do not publish OnResize.
        const QStringList sized{"enter", "resize 150", "exit"};
        EXPECT_EQ(log, control == list ? QStringList({"enter", "exit"}) : sized)
            << control->metaObject()->className();
    }

    // Another window taking the focus moves none within this one.
    list->setFocus(Qt::TabFocusReason);
    log.clear();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_TRUE(list->hasFocus());
    EXPECT_EQ(log, QStringList());

    // The pop-up: a handled one opens no menu; from the keyboard the point is (-1, -1).
    for (QWidget* control : std::initializer_list<QWidget*>{bar, label, list}) {
        control->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(control, &QWidget::customContextMenuRequested, [this] { log << "menu"; });
        QWidget* client = control == list ? list->viewport() : control;
        log.clear();
        QContextMenuEvent byMouse(QContextMenuEvent::Mouse, QPoint(5, 4),
                                  client->mapToGlobal(QPoint(5, 4)));
        QApplication::sendEvent(client, &byMouse);
        QContextMenuEvent byKey(QContextMenuEvent::Keyboard, QPoint(5, 4),
                                client->mapToGlobal(QPoint(5, 4)));
        QApplication::sendEvent(client, &byKey);
        EXPECT_EQ(log, QStringList({"popup 5,4", "menu", "popup -1,-1"}))
            << control->metaObject()->className();
    }
}

TEST_F(ControlEventsTest, ThePopupMenuOpensForTheControlUnlessTheEventHandledIt) {
    auto* label = new TKxLabel(&form);
    label->setGeometry(0, 0, 65, 17);
    auto* bar = new TSpeedBar(&form);
    bar->SetAlign(alTop);
    bar->AddSection(QStringLiteral("File"));
    TSpeedItem* item = bar->NewItem(&form, 0, QStringLiteral("SpeedItemSave"));
    item->SetLeft(20);
    item->SetTop(3);
    item->SetVisible(true);
    Show();
    platform::TPopupMenu menu;
    QStringList opened;
    const platform::PopupMenuHook old = platform::SetPopupMenuHook([&](platform::TPopupMenu& shown,
                                                                       QPoint at) {
        opened << QStringLiteral("%1 %2 %3")
                      .arg(shown.PopupComponent ? shown.PopupComponent->metaObject()->className()
                                                : "-",
                           QString::number(at.x()), QString::number(at.y()));
        return nullptr;
    });
    bool handle = false;
    const auto ask = [&](QObject*, QPoint, bool& handled) { handled = handle; };
    label->OnContextPopup = ask;
    bar->OnContextPopup = ask;
    label->SetPopupMenu(&menu);
    bar->SetPopupMenu(&menu);
    EXPECT_EQ(bar->PopupMenu(), &menu);

    const auto request = [&](QWidget* target, QContextMenuEvent::Reason reason) {
        opened.clear();
        menu.PopupComponent = nullptr;
        QContextMenuEvent event(reason, QPoint(5, 4), target->mapToGlobal(QPoint(5, 4)));
        QApplication::sendEvent(target, &event);
        return opened;
    };
    const auto at = [](const char* component, QWidget* control, QPoint point) {
        const QPoint global = control->mapToGlobal(point);
        return QStringList{
            QStringLiteral("%1 %2 %3")
                .arg(component, QString::number(global.x()), QString::number(global.y()))};
    };
    // The mouse opens it at the cursor, the keyboard at the client area's corner; a speed
    // button's request is its bar's.
    EXPECT_EQ(request(label, QContextMenuEvent::Mouse), at("TKxLabel", label, {5, 4}));
    EXPECT_EQ(request(label, QContextMenuEvent::Keyboard), at("TKxLabel", label, {0, 0}));
    EXPECT_EQ(request(bar, QContextMenuEvent::Mouse), at("TSpeedBar", bar, {5, 4}));
    QWidget* button = item->Button();
    EXPECT_EQ(request(button, QContextMenuEvent::Mouse), at("TSpeedBar", button, {5, 4}));

    handle = true;
    EXPECT_EQ(request(label, QContextMenuEvent::Mouse), QStringList());
    EXPECT_EQ(request(bar, QContextMenuEvent::Mouse), QStringList());
    handle = false;
    menu.AutoPopup = false;
    EXPECT_EQ(request(label, QContextMenuEvent::Mouse), QStringList());
    menu.AutoPopup = true;
    label->SetPopupMenu(nullptr);
    EXPECT_EQ(request(label, QContextMenuEvent::Mouse), QStringList());
    platform::SetPopupMenuHook(old);
}

TEST_F(ControlEventsTest, TheWheelScrollsUnlessHandled) {
    TTextListBox* list = List();
    Show();
    QStringList heard;
    bool handle = true;
    const auto wheel = [&](const char* way) {
        return [&heard, &handle, way](QObject*, TShiftState shift, QPoint at, bool& handled) {
            heard << QStringLiteral("%1 %2 %3").arg(way, ShiftText(shift), At(at.x(), at.y()));
            handled = handle;
        };
    };
    list->OnMouseWheelDown = wheel("down");
    list->OnMouseWheelUp = wheel("up");
    const auto turn = [&](int delta) {
        const QPoint at(10, 10);
        const QPoint global = list->viewport()->mapToGlobal(at);
        QWheelEvent event(at, global, QPoint(), QPoint(0, delta), Qt::NoButton, Qt::ShiftModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &event);
        return At(global.x(), global.y());
    };
    const QString screen = turn(-120);
    EXPECT_EQ(list->TopIndex(), 0);
    handle = false;
    turn(-120);
    EXPECT_GT(list->TopIndex(), 0);
    const int top = list->TopIndex();
    turn(120);
    EXPECT_LT(list->TopIndex(), top);
    EXPECT_EQ(heard, QStringList({"down S " + screen, "down S " + screen, "up S " + screen}));
}

TEST_F(ControlEventsTest, KeyEventsMayChangeOrSwallowTheKey) {
    auto* checks = new TKxCheckListBox(&form);
    checks->setGeometry(0, 0, 120, 150);
    checks->Items()->Assign({"a", "b", "c", "d"});
    Show();
    checks->setFocus();
    QStringList heard;
    struct Case {
        const char* what;
        Qt::Key key;
        const char* text;
        TKeyEvent down;
        TKeyPressEvent press;
        int index;
        TCheckBoxState state;
    };
    const Case cases[] = {
        {"down arrow", Qt::Key_Down, "", nullptr, nullptr, 2, cbUnchecked},
        {"down turned up", Qt::Key_Down, "", [](QObject*, Word& key, TShiftState) { key = 38; },
         nullptr, 0, cbUnchecked},
        {"down swallowed", Qt::Key_Down, "", [](QObject*, Word& key, TShiftState) { key = 0; },
         nullptr, 1, cbUnchecked},
        {"space", Qt::Key_Space, " ", nullptr, nullptr, 1, cbChecked},
        {"space swallowed", Qt::Key_Space, " ", nullptr,
         [](QObject*, QChar& key) { key = QChar(); }, 1, cbUnchecked},
        {"x turned space", Qt::Key_X, "X", nullptr, [](QObject*, QChar& key) { key = ' '; }, 1,
         cbChecked},
    };
    for (const Case& c : cases) {
        checks->SetItemIndex(1);
        checks->SetState(1, cbUnchecked);
        heard.clear();
        checks->OnKeyDown = [&heard, &c](QObject* sender, Word& key, TShiftState shift) {
            heard << QStringLiteral("down %1 %2").arg(key).arg(ShiftText(shift));
            if (c.down)
                c.down(sender, key, shift);
        };
        checks->OnKeyPress = [&heard, &c](QObject* sender, QChar& key) {
            heard << "press " + QString(key);
            if (c.press)
                c.press(sender, key);
        };
        checks->OnKeyUp = [&heard](QObject*, Word& key, TShiftState shift) {
            heard << QStringLiteral("up %1 %2").arg(key).arg(ShiftText(shift));
        };
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, c.key, Qt::ShiftModifier, c.text);
            QApplication::sendEvent(checks, &key);
        }
        EXPECT_EQ(checks->ItemIndex(), c.index) << c.what;
        EXPECT_EQ(checks->State(1), c.state) << c.what;
        const QString vk = QString::number(
            platform::VirtualKeyOf(QKeyEvent(QEvent::KeyPress, c.key, Qt::NoModifier)));
        EXPECT_EQ(heard.first(), "down " + vk + " S") << c.what;
        EXPECT_EQ(heard.last(), "up " + vk + " S") << c.what;
        EXPECT_EQ(heard.size(), c.key == Qt::Key_Down ? 2 : 3) << c.what << " a character too";
    }

    // A held key repeats its presses only.
    heard.clear();
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(checks, &repeated);
    EXPECT_EQ(heard, QStringList());
}

// Drags between the program's controls: a label, a speed button or a speed bar dragged onto a
// list box, and a list box's item dragged onto them.
TEST_F(ControlEventsTest, DragsBetweenControlsAndListBoxes) {
    auto* list = new TDelivered<TKxCustomListBox>(&form);
    list->setGeometry(0, 100, 120, 90);
    list->Items()->Assign({"x", "y"});
    list->OnDragOver = [](QObject*, QObject* source, int, int, TDragState, bool& accept) {
        accept = source->property("Caption").isValid() || qobject_cast<TSpeedBar*>(source);
    };
    list->OnDragDrop = [list](QObject*, QObject* source, int, int) {
        list->Items()->Add(source->metaObject()->className());
    };
    auto* label = new TDelivered<TKxLabel>(&form);
    label->resize(65, 17);
    auto* button = new TDelivered<TKxSpeedButton>(&form);
    button->move(0, 75);
    auto* bar = new TDelivered<TSpeedBar>(&form);
    bar->Position = bpCustom;
    bar->SetAlign(alNone);
    bar->setGeometry(0, 40, 300, 32);
    Show();

    const auto source = [&](auto* c, const char* name) {
        c->SetDragMode(dmAutomatic);
        Listen(c, log);
        c->OnStartDrag = [this, name](QObject*) { log << QStringLiteral("start %1").arg(name); };
        c->OnEndDrag = [this, list, name](QObject*, QObject* target, int x, int y) {
            log << QStringLiteral("end %1 on %2 %3")
                       .arg(name, target == list ? "list" : "none", At(x, y));
        };
        c->OnDragOver = [](QObject*, QObject* from, int, int, TDragState, bool& accept) {
            accept = from->inherits("TKxCustomListBox");
        };
        c->OnDragDrop = [this, name](QObject*, QObject* from, int x, int y) {
            auto* items = static_cast<TKxCustomListBox*>(from);
            log << QStringLiteral("%1 took %2 at %3")
                       .arg(name, items->Items()->Strings(items->ItemIndex()), At(x, y));
        };
        c->Deliver = [list](const QMimeData* data) {
            EXPECT_TRUE(list->viewport()->acceptDrops()) << "taking drops during the drag";
            return DropOnSite(list->viewport(), QPoint(5, 6), data);
        };
    };
    QPixmap hand(8, 8);
    hand.fill(Qt::red);
    label->DragCursor = QCursor(hand);
    source(label, "label");
    source(button, "button");
    source(bar, "bar");
    bar->OnDragOver = nullptr;

    // A press drags at once and is nobody's click.
    for (QWidget* from : std::initializer_list<QWidget*>{label, button, bar}) {
        log.clear();
        QTest::mouseClick(from, Qt::LeftButton, {}, QPoint(3, 3));
        const QString name = from == label ? "label" : from == button ? "button" : "bar";
        EXPECT_EQ(log, QStringList({"start " + name, "end " + name + " on list 5,6"}));
        EXPECT_EQ(list->Items()->Strings(list->Count() - 1), from->metaObject()->className());
        EXPECT_FALSE(list->viewport()->acceptDrops()) << "only during the program's drags";
    }
    EXPECT_EQ(label->cursor.size(), QSize(8, 8)) << "a drag cursor of its own";
    EXPECT_TRUE(button->cursor.isNull()) << "the platform's drag cursor";

    // The list's item onto each control that takes it; the bar has no OnDragOver.
    list->SetDragMode(dmAutomatic);
    list->SetItemIndex(1);
    for (QWidget* target : std::initializer_list<QWidget*>{label, button, bar}) {
        log.clear();
        list->Deliver = [target](const QMimeData* data) {
            return DropOnSite(target, QPoint(2, 1), data);
        };
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, list->ItemRect(1).center());
        QTest::mouseMove(list->viewport(), list->ItemRect(1).center() + QPoint(0, 20));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, list->ItemRect(1).center());
        const QStringList expected =
            target == bar ? QStringList()
                          : QStringList({QStringLiteral("%1 took y at 2,1")
                                             .arg(target == label ? "label" : "button")});
        EXPECT_EQ(log, expected);
    }
    EXPECT_EQ(list->drags, 3);
}

// A drag cursor without a picture is worn while the drag runs, in place of the platform drag's
// move cursor once a target took the drop, and put away however the drag ends, also when it
// deletes the control.
TEST_F(ControlEventsTest, AShapeDragCursorIsWornWhileTheDragRuns) {
    auto* list = new TKxCustomListBox(&form);
    list->setGeometry(0, 100, 120, 90);
    list->OnDragOver = [](QObject*, QObject*, int, int, TDragState, bool&) {};
    Show();
    // What shows once the list answered, after the platform's drag put its own cursor on top.
    const auto afterAnswer = [list](Qt::CursorShape platform, const QMimeData* data) {
        QGuiApplication::changeOverrideCursor(platform);
        QDragEnterEvent enter(QPoint(1, 1), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QDragMoveEvent move(QPoint(1, 1), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
        QCoreApplication::processEvents();
        return QGuiApplication::overrideCursor()->shape();
    };
    for (const bool deleted : {false, true}) {
        auto* label = new TDelivered<TKxLabel>(&form);
        auto* button = new TDelivered<TKxSpeedButton>(&form);
        button->move(0, 40);
        const auto drag = [&](auto* control) {
            SCOPED_TRACE(QStringLiteral("%1%2")
                             .arg(control->metaObject()->className(), deleted ? " deleted" : "")
                             .toStdString());
            control->show();
            control->SetDragMode(dmAutomatic);
            control->DragCursor = QCursor(Qt::PointingHandCursor);
            std::vector<Qt::CursorShape> shown;
            const QPointer<QWidget> alive(control);
            control->Deliver = [&, control](const QMimeData* data) {
                const QCursor* worn = QGuiApplication::overrideCursor();
                shown.push_back(worn ? worn->shape() : Qt::ArrowCursor);
                QGuiApplication::setOverrideCursor(Qt::DragMoveCursor);
                shown.push_back(afterAnswer(Qt::DragMoveCursor, data));
                shown.push_back(afterAnswer(Qt::ForbiddenCursor, data));
                QGuiApplication::restoreOverrideCursor();
                if (deleted)
                    delete control;
                return Qt::IgnoreAction;
            };
            Press(control, QPoint(3, 3));
            if (alive)
                Release(control, QPoint(3, 3));
            EXPECT_EQ(shown, std::vector({Qt::PointingHandCursor, Qt::PointingHandCursor,
                                          Qt::ForbiddenCursor}));
            EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(bool(alive), !deleted);
        };
        drag(label);
        drag(button);
    }
}

} // namespace
