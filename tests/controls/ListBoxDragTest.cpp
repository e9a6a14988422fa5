#include "controls/KXCtrlsLists.h"
#include "tests/controls/MouseDrag.h"

#include <QCoreApplication>
#include <QDrag>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using TDragListBox = TDelivered<TKxCustomListBox>;

Qt::DropAction DropOn(TKxCustomListBox* target, QPoint at, const QMimeData* data) {
    return DropOnSite(target->viewport(), at, data);
}

class ListBoxDragTest : public ::testing::Test {
protected:
    QWidget form;
    TDragListBox* left = new TDragListBox(&form);
    TDragListBox* right = new TDragListBox(&form);
    QStringList events;

    ListBoxDragTest() {
        for (TDragListBox* list : {left, right}) {
            list->SetItemHeight(16);
            list->SetMultiSelect(true);
            list->SetDragMode(dmAutomatic);
            list->OnStartDrag = [this](QObject* sender) { events << "start " + Name(sender); };
            list->OnEndDrag = [this](QObject* sender, QObject* target, int, int) {
                events << "end " + Name(sender) + " on " + Name(target);
            };
            list->OnDragOver = [](QObject*, QObject* source, int, int, TDragState, bool& accept) {
                accept = qobject_cast<TKxCustomListBox*>(source) != nullptr;
            };
            list->OnDragDrop = [this](QObject* sender, QObject* source, int x, int y) {
                DropSelection(static_cast<TKxCustomListBox*>(source),
                              static_cast<TKxCustomListBox*>(sender), QPoint(x, y));
            };
        }
        left->setGeometry(0, 0, 120, 150);
        right->setGeometry(130, 0, 120, 150);
        left->Items()->Assign({"a", "b", "c", "d", "e", "f"});
        right->Items()->Assign({"x", "y"});
        form.show();
    }
    QString Name(QObject* list) const {
        return list == left ? "left" : list == right ? "right" : "none";
    }
    static QPoint At(TKxCustomListBox* list, int index) { return list->ItemRect(index).center(); }
    // The owner's drop: the source's selected items move before the item under the point.
    static void DropSelection(TKxCustomListBox* source, TKxCustomListBox* target, QPoint at) {
        QStringList moved;
        int before = target->ItemAtPos(at, false);
        for (int i = source->Count() - 1; i >= 0; --i)
            if (source->Selected(i)) {
                moved.prepend(source->Items()->Strings(i));
                source->Items()->Delete(i);
                if (source == target && i < before)
                    --before;
            }
        for (const QString& item : moved)
            target->Items()->Insert(before++, item);
    }
    // A press on the item and a move far enough to start the drag.
    static void DragFrom(TKxCustomListBox* list, int index) {
        Press(list->viewport(), At(list, index));
        Move(list->viewport(), At(list, index) + QPoint(0, 3 * QApplication::startDragDistance()));
    }
};

TEST_F(ListBoxDragTest, APressOnTheSelectionDragsItWholeWithinTheList) {
    left->SetSelected(1, true);
    left->SetSelected(2, true);
    left->Deliver = [this](const QMimeData* data) { return DropOn(left, At(left, 5), data); };
    Press(left->viewport(), At(left, 2));
    EXPECT_EQ(left->SelCount(), 2) << "the press keeps the selection";
    EXPECT_TRUE(left->Dragging());
    EXPECT_EQ(left->drags, 0) << "the platform's drag waits for the mouse to move";
    Move(left->viewport(), At(left, 2) + QPoint(0, 3 * QApplication::startDragDistance()));
    EXPECT_EQ(left->drags, 1);
    EXPECT_FALSE(left->Dragging());
    EXPECT_EQ(left->Items()->ToStringList(), QStringList({"a", "d", "e", "b", "c", "f"}));
    EXPECT_EQ(events, QStringList({"start left", "end left on left"}));
}

TEST_F(ListBoxDragTest, ItemsMoveBetweenListsAndACancelledDragResendsTheClick) {
    left->SetSelected(0, true);
    left->SetSelected(3, true);
    left->Deliver = [this](const QMimeData* data) { return DropOn(right, At(right, 1), data); };
    DragFrom(left, 3);
    EXPECT_EQ(left->Items()->ToStringList(), QStringList({"b", "c", "e", "f"}));
    EXPECT_EQ(right->Items()->ToStringList(), QStringList({"x", "a", "d", "y"}));
    EXPECT_EQ(events.last(), "end left on right");

    // Released where it was pressed: no drag, and the click the press held back selects.
    right->SetSelected(0, true);
    right->SetSelected(1, true);
    int clicks = 0;
    right->OnClick = [&](QObject*) { ++clicks; };
    Press(right->viewport(), At(right, 1));
    EXPECT_EQ(right->SelCount(), 2);
    Release(right->viewport(), At(right, 1));
    EXPECT_EQ(events.last(), "end right on none");
    EXPECT_EQ(right->SelCount(), 1);
    EXPECT_TRUE(right->Selected(1));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(right->drags, 0);

    // A drop refused at the platform's end is cancelled the same way.
    right->SetSelected(2, true);
    right->Deliver = [](const QMimeData*) { return Qt::IgnoreAction; };
    DragFrom(right, 2);
    EXPECT_EQ(events.last(), "end right on none");
    EXPECT_EQ(right->drags, 1);
    EXPECT_EQ(right->Items()->Count(), 4);

    // Ctrl on an unselected item selects it; the drag that follows is the whole selection.
    QTest::mouseClick(right->viewport(), Qt::LeftButton, Qt::ControlModifier, At(right, 3));
    EXPECT_TRUE(right->Selected(3));
}

TEST_F(ListBoxDragTest, OnlyThisProgramsListDragsAreTaken) {
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    QMimeData foreign;
    foreign.setData("application/x-quendel-control-drag", pid);
    foreign.setText("a");
    EXPECT_EQ(DropOn(right, At(right, 0), &foreign), Qt::IgnoreAction)
        << "the right type and process from outside the program's own drag";

    struct Case {
        const char* what;
        std::function<void()> setUp;
        QStringList rightAfter;
    };
    const Case cases[] = {
        {"the target says no",
         [this] {
             right->OnDragOver = [](QObject*, QObject*, int, int, TDragState, bool& accept) {
                 accept = false;
             };
         },
         {"x", "y"}},
        {"the target has no OnDragOver", [this] { right->OnDragOver = nullptr; }, {"x", "y"}},
        {"accepted", [] {}, {"a", "x", "y"}},
    };
    for (const Case& c : cases) {
        right->Items()->Assign({"x", "y"});
        left->Items()->Assign({"a", "b"});
        left->SetSelected(0, true);
        c.setUp();
        left->Deliver = [this](const QMimeData* data) { return DropOn(right, At(right, 0), data); };
        DragFrom(left, 0);
        EXPECT_EQ(right->Items()->ToStringList(), c.rightAfter) << c.what;
        right->OnDragOver = [](QObject*, QObject*, int, int, TDragState, bool& accept) {
            accept = true;
        };
    }
}

TEST_F(ListBoxDragTest, TheTargetIsAskedOnEnteringMovingAndLeaving) {
    QStringList asked;
    right->OnDragOver = [&](QObject*, QObject* source, int, int y, TDragState state, bool& accept) {
        asked << QString("%1 %2 %3").arg(Name(source)).arg(int(state)).arg(y);
        accept = true;
    };
    left->SetSelected(0, true);
    left->Deliver = [this](const QMimeData* data) {
        const Qt::DropActions actions = Qt::MoveAction;
        QWidget* site = right->viewport();
        for (int y : {5, 20}) {
            QDragEnterEvent enter(QPoint(5, y), actions, data, Qt::LeftButton, {});
            QApplication::sendEvent(site, &enter);
            QDragMoveEvent move(QPoint(5, y), actions, data, Qt::LeftButton, {});
            QApplication::sendEvent(site, &move);
            QDragMoveEvent further(QPoint(5, y + 1), actions, data, Qt::LeftButton, {});
            QApplication::sendEvent(site, &further);
            if (y == 5) {
                QDragLeaveEvent leave;
                QApplication::sendEvent(site, &leave);
            }
        }
        QDropEvent drop(QPointF(5, 21), actions, data, Qt::LeftButton, {});
        QApplication::sendEvent(site, &drop);
        return drop.dropAction();
    };
    DragFrom(left, 0);
    EXPECT_EQ(asked, QStringList({"left 0 5", "left 2 6", "left 1 6", "left 0 20", "left 2 21"}));
    EXPECT_EQ(right->Items()->ToStringList(), QStringList({"x", "a", "y"}));
    EXPECT_EQ(events.last(), "end left on right");
}

TEST_F(ListBoxDragTest, ASourceDeletedByTheDropEndsTheDragQuietly) {
    bool ended = false;
    left->OnEndDrag = [&](QObject*, QObject*, int, int) { ended = true; };
    right->OnDragDrop = [this](QObject*, QObject*, int, int) { delete left; };
    left->SetSelected(0, true);
    left->Deliver = [this](const QMimeData* data) { return DropOn(right, At(right, 0), data); };
    DragFrom(left, 0);
    EXPECT_FALSE(ended);
    EXPECT_EQ(form.findChildren<TDragListBox*>().size(), 1);
}

} // namespace
