#include "platform/AlignLayout.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace platform;

namespace {

class AlignLayoutTest : public ::testing::Test {
protected:
    QWidget form;

    AlignLayoutTest() {
        form.resize(400, 300);
        form.show();
    }

    QWidget* child(TAlign align, QRect geometry) {
        auto* w = new QWidget(&form);
        w->setGeometry(geometry);
        w->show();
        SetAlign(w, align);
        return w;
    }
};

struct Docking {
    TAlign align;
    QRect expected;
};

class EveryAlignment : public AlignLayoutTest, public ::testing::WithParamInterface<Docking> {};

TEST_P(EveryAlignment, DocksToItsEdgeKeepingItsThickness) {
    QWidget* w = child(GetParam().align, QRect(10, 20, 50, 40));
    EXPECT_EQ(w->geometry(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(AllEdges, EveryAlignment,
                         ::testing::Values(Docking{alNone, QRect(10, 20, 50, 40)},
                                           Docking{alTop, QRect(0, 0, 400, 40)},
                                           Docking{alBottom, QRect(0, 260, 400, 40)},
                                           Docking{alLeft, QRect(0, 0, 50, 300)},
                                           Docking{alRight, QRect(350, 0, 50, 300)},
                                           Docking{alClient, QRect(0, 0, 400, 300)}));

TEST_F(AlignLayoutTest, EdgesAreStackedTopBottomLeftRightThenClient) {
    QWidget* client = child(alClient, QRect(0, 0, 10, 10));
    QWidget* right = child(alRight, QRect(0, 0, 30, 10));
    QWidget* left = child(alLeft, QRect(0, 0, 20, 10));
    QWidget* bottom = child(alBottom, QRect(0, 0, 10, 50));
    QWidget* top = child(alTop, QRect(0, 0, 10, 40));
    EXPECT_EQ(top->geometry(), QRect(0, 0, 400, 40));
    EXPECT_EQ(bottom->geometry(), QRect(0, 250, 400, 50));
    EXPECT_EQ(left->geometry(), QRect(0, 40, 20, 210));
    EXPECT_EQ(right->geometry(), QRect(370, 40, 30, 210));
    EXPECT_EQ(client->geometry(), QRect(20, 40, 350, 210));
}

TEST_F(AlignLayoutTest, OneAlignmentIsOrderedByPlaceThenByChildOrder) {
    DisableAlign(&form);
    QWidget* lower = child(alTop, QRect(0, 100, 10, 30));
    QWidget* upper = child(alTop, QRect(0, 5, 10, 20));
    EnableAlign(&form);
    EXPECT_EQ(upper->geometry(), QRect(0, 0, 400, 20));
    EXPECT_EQ(lower->geometry(), QRect(0, 20, 400, 30));

    QWidget* first = child(alBottom, QRect(0, 0, 10, 10));
    QWidget* second = child(alBottom, QRect(0, 0, 10, 10));
    // Both end at the same place at first: child order decides, the first nearest the edge.
    EXPECT_EQ(first->geometry().bottom(), 299);
    EXPECT_EQ(second->geometry().bottom(), 289);
}

TEST_F(AlignLayoutTest, MovingBetweenHorizontalAndVerticalEdgesSwapsTheSize) {
    QWidget* w = child(alTop, QRect(0, 0, 80, 30));
    SetAlign(w, alLeft);
    EXPECT_EQ(w->width(), 30);
    SetAlign(w, alRight);
    EXPECT_EQ(w->width(), 30);
    SetAlign(w, alBottom);
    EXPECT_EQ(w->height(), 30);
    SetAlign(w, alClient);
    SetAlign(w, alTop);
    EXPECT_EQ(w->height(), 300) << "no swap through the client alignment";
}

TEST_F(AlignLayoutTest, AStoredHeightSurvivesRelayoutsAndResizes) {
    QWidget* grid = child(alTop, QRect(0, 0, 10, 10));
    QWidget* text = child(alClient, QRect(0, 0, 10, 10));
    grid->resize(grid->width(), 123);
    EXPECT_EQ(text->geometry(), QRect(0, 123, 400, 177));
    for (QSize size : {QSize(500, 600), QSize(200, 150), QSize(400, 300)}) {
        form.resize(size);
        EXPECT_EQ(grid->geometry(), QRect(0, 0, size.width(), 123));
    }
    Realign(&form);
    EXPECT_EQ(grid->height(), 123);
}

TEST_F(AlignLayoutTest, SuspensionsNestAndTheLastResumeLaysOutOnce) {
    QWidget* top = child(alTop, QRect(0, 0, 10, 40));
    DisableAlign(&form);
    DisableAlign(&form);
    QWidget* client = child(alClient, QRect(1, 2, 3, 4));
    top->resize(top->width(), 60);
    EXPECT_EQ(client->geometry(), QRect(1, 2, 3, 4));
    EnableAlign(&form);
    EXPECT_EQ(client->geometry(), QRect(1, 2, 3, 4));
    EnableAlign(&form);
    EXPECT_EQ(client->geometry(), QRect(0, 60, 400, 240));
    EnableAlign(&form);
    EXPECT_EQ(client->geometry(), QRect(0, 60, 400, 240)) << "an extra resume does no harm";
}

TEST_F(AlignLayoutTest, TheSuspenderResumesWhenAnExceptionLeaves) {
    QWidget* top = child(alTop, QRect(0, 0, 10, 40));
    QWidget* client = child(alClient, QRect(0, 0, 10, 10));
    try {
        TAlignSuspender suspend(&form);
        top->resize(top->width(), 70);
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(client->geometry(), QRect(0, 70, 400, 230));
}

TEST_F(AlignLayoutTest, HiddenDeletedAndReparentedChildrenLeaveTheirPlace) {
    QWidget* top = child(alTop, QRect(0, 0, 10, 40));
    QWidget* client = child(alClient, QRect(0, 0, 10, 10));
    top->hide();
    EXPECT_EQ(client->geometry(), QRect(0, 0, 400, 300));
    top->show();
    EXPECT_EQ(client->geometry(), QRect(0, 40, 400, 260));
    delete top;
    EXPECT_EQ(client->geometry(), QRect(0, 0, 400, 300));

    QWidget panel(&form);
    panel.setGeometry(0, 0, 100, 100);
    panel.show();
    QWidget* moving = child(alLeft, QRect(0, 0, 25, 10));
    EXPECT_EQ(client->geometry(), QRect(25, 0, 375, 300));
    moving->setParent(&panel);
    moving->show();
    EXPECT_EQ(moving->geometry(), QRect(0, 0, 25, 100));
    Realign(&form);
    EXPECT_EQ(client->geometry(), QRect(0, 0, 400, 300));
}

TEST_F(AlignLayoutTest, TheContentsMarginsBoundTheLayout) {
    form.setContentsMargins(2, 3, 4, 5);
    QWidget* client = child(alClient, QRect(0, 0, 10, 10));
    EXPECT_EQ(client->geometry(), QRect(2, 3, 394, 292));
}

} // namespace

TEST_F(AlignLayoutTest, AnAnchoredChildKeepsItsDistancesToTheAnchoredEdges) {
    struct Case {
        TAnchors anchors;
        QRect afterGrowing; // the parent grows by 100 x 60 from 400 x 300
    };
    const Case cases[] = {
        {akLeft | akTop, QRect(40, 30, 50, 20)},
        {akRight | akBottom, QRect(140, 90, 50, 20)},
        {akLeft | akRight | akTop, QRect(40, 30, 150, 20)},
        {akTop | akBottom, QRect(90, 30, 50, 80)},
        {{}, QRect(90, 60, 50, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.anchors));
        form.resize(400, 300);
        QWidget* w = child(alNone, QRect(40, 30, 50, 20));
        SetAnchors(w, c.anchors);
        EXPECT_EQ(GetAnchors(w), c.anchors);
        form.resize(500, 360);
        EXPECT_EQ(w->geometry(), c.afterGrowing);
        // Moved by code, it keeps its new distances.
        w->move(20, 10);
        form.resize(400, 300);
        EXPECT_EQ(w->pos(), QPoint(20, 10) - (c.afterGrowing.topLeft() - QPoint(40, 30)));
        delete w;
    }
}

// Qt sends a hidden child no move or resize events; its new place still counts.
TEST_F(AlignLayoutTest, AHiddenAnchoredChildKeepsTheDistancesOfAMoveMadeWhileHidden) {
    QWidget* w = child(alNone, QRect(40, 30, 50, 20));
    SetAnchors(w, akLeft | akRight | akBottom);
    w->hide();
    w->setGeometry(100, 50, 60, 25);
    form.resize(440, 330);
    EXPECT_EQ(w->geometry(), QRect(100, 80, 100, 25));
    w->show();
    form.resize(400, 300);
    EXPECT_EQ(w->geometry(), QRect(100, 50, 60, 25));
}
