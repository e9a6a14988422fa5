// Side windows against the main window: first placement, following, snapping, and the X11 glue
// that applies the rules once a move has settled.
#include "app/CodCaptured.h"
#include "app/Docking.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QRect Screen(0, 0, 1280, 1024);
const QRect Main(100, 50, 600, 500);

TEST(DockingPlacement, BelowTheMainWindowWhenTheScreenIsTallEnough) {
    const QRect window(0, 0, 724, 130);
    EXPECT_EQ(Docking::PlaceBelow(Main, window, Screen), QRect(100, 550, 600, 130));
    EXPECT_EQ(Docking::PlaceBelow(Main, window, QRect(0, 0, 1280, 680)), QRect(100, 550, 600, 130));
    EXPECT_EQ(Docking::PlaceBelow(Main, window, QRect(0, 0, 1280, 679)), std::nullopt);
    EXPECT_EQ(Docking::PlaceBelow(Main, QRect(300, 900, 724, 600), Screen), std::nullopt);
}

TEST(DockingPlacement, RightOfTheMainWindowWhenTheScreenIsWideEnough) {
    const QRect window(0, 0, 320, 400);
    EXPECT_EQ(Docking::PlaceRightOf(Main, window, Screen), QRect(700, 50, 320, 500));
    EXPECT_EQ(Docking::PlaceRightOf(Main, window, QRect(0, 0, 1020, 1024)),
              QRect(700, 50, 320, 500));
    EXPECT_EQ(Docking::PlaceRightOf(Main, window, QRect(0, 0, 1019, 1024)), std::nullopt);
}

TEST(DockingFollow, DockedWindowsFollowUnlessTheMainWindowTouchesTheScreenEdge) {
    const QRect moved(240, 130, 610, 480);
    EXPECT_TRUE(Docking::CarriesDocked(moved));
    EXPECT_EQ(Docking::BelowOf(moved), QPoint(240, 610));
    EXPECT_EQ(Docking::RightOf(moved), QPoint(850, 130));
    EXPECT_FALSE(Docking::CarriesDocked(QRect(0, 130, 610, 480)));
    EXPECT_FALSE(Docking::CarriesDocked(QRect(240, 0, 610, 480)));
    EXPECT_FALSE(Docking::CarriesDocked(QRect(0, 0, 610, 480)));
    EXPECT_TRUE(Docking::CarriesDocked(QRect(-5, 3, 610, 480)));
}

TEST(DockingSnap, CloseToTheBottomLeftCornerSnapsBothEdges) {
    const Docking::TSnap snap = Docking::SnapBelow(QRect(118, 570, 724, 130), Main);
    EXPECT_TRUE(snap.docked);
    EXPECT_EQ(snap.rect, QRect(100, 550, 724, 130));
    const Docking::TSnap edge = Docking::SnapBelow(QRect(75, 525, 724, 130), Main);
    EXPECT_TRUE(edge.docked);
    EXPECT_EQ(edge.rect, QRect(100, 550, 724, 130));
}

TEST(DockingSnap, CloseToTheBottomOnlySnapsTheTop) {
    const Docking::TSnap snap = Docking::SnapBelow(QRect(300, 540, 724, 130), Main);
    EXPECT_TRUE(snap.docked);
    EXPECT_EQ(snap.rect, QRect(300, 550, 724, 130));
    const Docking::TSnap leftOut = Docking::SnapBelow(QRect(126, 560, 724, 130), Main);
    EXPECT_TRUE(leftOut.docked);
    EXPECT_EQ(leftOut.rect, QRect(126, 550, 724, 130));
}

TEST(DockingSnap, FarFromTheBottomUndocks) {
    for (const QRect dragged : {QRect(100, 576, 724, 130), QRect(100, 524, 724, 130),
                                QRect(105, 200, 724, 130), QRect(900, 900, 724, 130)}) {
        const Docking::TSnap snap = Docking::SnapBelow(dragged, Main);
        EXPECT_FALSE(snap.docked) << dragged.y();
        EXPECT_EQ(snap.rect, dragged);
    }
}

// The glue on real (headless) windows: a move is acted on once it has settled.
class DockingWindows : public ::testing::Test {
protected:
    void SetUp() override {
        main.setGeometry(200, 100, 500, 400);
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    }

    // Lets the window system deliver the last move, then waits for the watch to act on it.
    void Settle() {
        QCoreApplication::processEvents();
        auto* watch = captured.findChild<Docking::TMoveWatch*>();
        ASSERT_NE(watch, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([watch] { return !watch->Settling(); }));
    }

    QWidget main;
    TFormCaptured captured;
};

TEST_F(DockingWindows, FirstShowPlacesTheWindowBelowAndFollowsTheMainWindow) {
    captured.ShowFromMain(&main);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&captured));
    EXPECT_EQ(captured.MainWindowHandle, &main);
    EXPECT_TRUE(captured.DockedToMain);
    const QRect m = main.frameGeometry();
    EXPECT_EQ(captured.frameGeometry().topLeft(), QPoint(m.x(), m.y() + m.height()));
    EXPECT_EQ(captured.frameGeometry().width(), m.width());
    EXPECT_EQ(captured.height(), 108);

    captured.FollowMain(QRect(300, 150, 520, 410));
    EXPECT_EQ(captured.frameGeometry().topLeft(), QPoint(300, 560));
    captured.FollowMain(QRect(0, 150, 520, 410));
    captured.FollowMain(QRect(310, 0, 520, 410));
    EXPECT_EQ(captured.frameGeometry().topLeft(), QPoint(300, 560));
    Settle();
    EXPECT_TRUE(captured.DockedToMain);
}

TEST_F(DockingWindows, ClosingAndShowingAgainKeepsTheSize) {
    captured.ShowFromMain(&main);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&captured));
    const QSize size = captured.size();
    const QSize frame = captured.frameGeometry().size();
    for (int round = 0; round < 3; ++round) {
        captured.close();
        QCoreApplication::processEvents();
        captured.ShowFromMain(&main);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&captured));
        EXPECT_EQ(captured.size(), size) << round;
        EXPECT_EQ(captured.frameGeometry().size(), frame) << round;
    }
    EXPECT_EQ(size.height(), 108);
}

TEST_F(DockingWindows, NoRoomBelowKeepsThePlaceAndDoesNotFollow) {
    const QRect screen = main.screen()->geometry();
    main.setGeometry(200, screen.bottom() - 300, 500, 250);
    captured.move(40, 30);
    captured.ShowFromMain(&main);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&captured));
    EXPECT_FALSE(captured.DockedToMain);
    const QPoint kept = captured.frameGeometry().topLeft();
    EXPECT_EQ(captured.width(), 724);
    captured.FollowMain(QRect(300, 150, 520, 410));
    EXPECT_EQ(captured.frameGeometry().topLeft(), kept);
}

TEST_F(DockingWindows, DraggedCloseBelowSnapsAndFarAwayUndocks) {
    main.setGeometry(200, 100, 500, 400);
    captured.move(40, 700);
    captured.ShowFromMain(&main);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&captured));
    captured.DockedToMain = false;
    const QRect m = main.frameGeometry();
    const int bottom = m.y() + m.height();

    captured.move(m.x() + 12, bottom + 20);
    Settle();
    EXPECT_TRUE(captured.DockedToMain);
    EXPECT_EQ(captured.frameGeometry().topLeft(), QPoint(m.x(), bottom));
    Settle();
    EXPECT_EQ(captured.frameGeometry().topLeft(), QPoint(m.x(), bottom));

    captured.move(m.x() + 200, bottom - 15);
    Settle();
    EXPECT_TRUE(captured.DockedToMain);
    EXPECT_EQ(captured.frameGeometry().topLeft(), QPoint(m.x() + 200, bottom));

    captured.move(m.x() + 10, bottom + 80);
    Settle();
    EXPECT_FALSE(captured.DockedToMain);
    EXPECT_EQ(captured.frameGeometry().topLeft(), QPoint(m.x() + 10, bottom + 80));
    captured.FollowMain(QRect(300, 150, 520, 410));
    EXPECT_EQ(captured.frameGeometry().topLeft(), QPoint(m.x() + 10, bottom + 80));
}

TEST(DockingWatch, ReportsTheUsersMovesButNotItsOwn) {
    QWidget window;
    window.setGeometry(100, 100, 200, 100);
    std::vector<QRect> reported;
    auto* watch = new Docking::TMoveWatch(&window, [&](const QRect& r) { reported.push_back(r); });
    const auto settle = [watch] {
        QCoreApplication::processEvents();
        return QTest::qWaitFor([watch] { return !watch->Settling(); });
    };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(settle());
    reported.clear();

    watch->MoveTo(QPoint(150, 160));
    EXPECT_TRUE(watch->Settling());
    ASSERT_TRUE(settle());
    EXPECT_TRUE(reported.empty());

    window.move(170, 180);
    window.move(175, 185);
    ASSERT_TRUE(settle());
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].topLeft(), QPoint(175, 185));
}

} // namespace

TEST(DockingRules, SnapRightOfTheMainWindow) {
    const QRect main(100, 50, 600, 500); // right edge at 700
    struct TCase {
        QPoint dragged;
        QPoint placed;
        bool docked;
    };
    const TCase cases[] = {{{720, 70}, {700, 50}, true},
                           {{675, 75}, {700, 50}, true},
                           {{724, 300}, {700, 300}, true},
                           {{726, 50}, {726, 50}, false},
                           {{300, 60}, {300, 60}, false}};
    for (const TCase& c : cases) {
        const Docking::TSnap snap = Docking::SnapRightOf(QRect(c.dragged, QSize(330, 520)), main);
        EXPECT_EQ(snap.rect, QRect(c.placed, QSize(330, 520))) << c.dragged.x();
        EXPECT_EQ(snap.docked, c.docked) << c.dragged.x();
    }
}
