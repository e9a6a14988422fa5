#include "controls/KxDrawGrid.h"
#include "tests/controls/MouseDrag.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

// A press on one point, moves through the others, and the release on the last, with a button.
void DragWith(QWidget* w, Qt::MouseButton button, std::initializer_list<QPoint> points) {
    const QPoint* p = points.begin();
    SendMouse(w, QEvent::MouseButtonPress, *p, button, button);
    for (++p; p != points.end(); ++p)
        SendMouse(w, QEvent::MouseMove, *p, Qt::NoButton, button);
    SendMouse(w, QEvent::MouseButtonRelease, *(points.end() - 1), button, Qt::NoButton);
}

class StringGridMoveTest : public ::testing::Test {
protected:
    QWidget form;
    TStringGrid* grid = new TStringGrid(&form);
    QStringList moves;

    StringGridMoveTest() {
        grid->setGeometry(0, 0, 400, 200);
        for (int c = 0; c < 5; ++c)
            for (int r = 0; r < 5; ++r)
                grid->SetCells(c, r, QString("%1%2").arg(QChar('A' + c)).arg(r));
        grid->OnColumnMoved = [this](QObject*, int from, int to) {
            moves << QString("col %1>%2").arg(from).arg(to);
        };
        grid->OnRowMoved = [this](QObject*, int from, int to) {
            moves << QString("row %1>%2").arg(from).arg(to);
        };
        form.show();
    }
    QWidget* viewport() const { return grid->viewport(); }
    QPoint centre(int c, int r) const { return grid->CellRect(c, r).center(); }
    QStringList Row(int r) const {
        QStringList texts;
        for (int c = 0; c < grid->ColCount(); ++c)
            texts << grid->Cells(c, r);
        return texts;
    }
    QStringList Column(int c) const {
        QStringList texts;
        for (int r = 0; r < grid->RowCount(); ++r)
            texts << grid->Cells(c, r);
        return texts;
    }
};

TEST_F(StringGridMoveTest, AFixedCellDragsItsColumnOrRowWithItsCellsAndSize) {
    DragWith(viewport(), Qt::LeftButton, {centre(1, 0), centre(3, 0)});
    EXPECT_TRUE(moves.isEmpty()) << "no moving without the option";
    EXPECT_EQ(Row(1), QStringList({"A1", "B1", "C1", "D1", "E1"}));

    grid->SetOptions(grid->Options() | goColMoving | goRowMoving);
    grid->SetColWidths(1, 40);
    grid->SetCol(1);
    DragWith(viewport(), Qt::LeftButton, {centre(1, 0), centre(2, 0), centre(3, 0)});
    EXPECT_EQ(moves, QStringList({"col 1>3"}));
    EXPECT_EQ(Row(0), QStringList({"A0", "C0", "D0", "B0", "E0"}));
    EXPECT_EQ(Row(4), QStringList({"A4", "C4", "D4", "B4", "E4"}));
    EXPECT_EQ(grid->ColWidths(3), 40);
    EXPECT_EQ(grid->ColWidths(1), 64);
    EXPECT_EQ(grid->Col(), 3) << "the current cell goes with its column";
    EXPECT_EQ(grid->GridState(), gsNormal);

    DragWith(viewport(), Qt::LeftButton, {centre(0, 4), centre(0, 2)});
    EXPECT_EQ(moves.last(), "row 4>2");
    EXPECT_EQ(Column(0), QStringList({"A0", "A1", "A4", "A2", "A3"}));
    EXPECT_EQ(Column(3), QStringList({"B0", "B1", "B4", "B2", "B3"}));

    // Over the fixed column the place is the first scrolling column; back in place, no move.
    DragWith(viewport(), Qt::LeftButton, {centre(4, 0), centre(0, 0)});
    EXPECT_EQ(moves.last(), "col 4>1");
    EXPECT_EQ(Row(0), QStringList({"A0", "E0", "C0", "D0", "B0"}));
    const int count = int(moves.size());
    DragWith(viewport(), Qt::LeftButton, {centre(2, 0), centre(3, 0), centre(2, 0)});
    DragWith(viewport(), Qt::LeftButton, {centre(0, 0), centre(0, 3)});
    EXPECT_EQ(moves.size(), count) << "a corner cell moves nothing";
}

TEST_F(StringGridMoveTest, AMovingDragIsMarkedWhereTheColumnWillGo) {
    grid->SetOptions(grid->Options() | goColMoving);
    Press(viewport(), centre(1, 0));
    Move(viewport(), centre(3, 0));
    const QRect target = grid->CellRect(3, 0);
    const QImage image = viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(target.right() + 1, 40), QColor(Qt::black));
    EXPECT_NE(image.pixelColor(target.right() + 1 + 4, 40), QColor(Qt::black));
    Release(viewport(), centre(3, 0));
    EXPECT_NE(viewport()->grab().toImage().pixelColor(target.right() - 1, 40), QColor(Qt::black));
}

TEST_F(StringGridMoveTest, DraggingOverCellsSelectsARange) {
    struct Case {
        TGridOptions extra;
        bool range;
        TGridRect selection;
    };
    const TGridOptions lines = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;
    for (const Case& c :
         {Case{goRangeSelect, true, TGridRect{1, 1, 3, 2}}, Case{{}, false, TGridRect{1, 1, 1, 1}},
          Case{goRangeSelect | goRowSelect, true, TGridRect{1, 1, 4, 2}}}) {
        grid->SetOptions(lines | c.extra);
        DragWith(viewport(), Qt::LeftButton, {centre(1, 1), centre(2, 2), centre(3, 2)});
        EXPECT_EQ(grid->Selection(), c.selection) << int(c.extra);
        EXPECT_EQ(grid->Col(), 1) << "the current cell stays where the press was";
        const QImage image = viewport()->grab().toImage();
        const QColor highlight = platform::ToQColor(platform::clHighlight);
        EXPECT_EQ(image.pixelColor(centre(3, 2)) == highlight, c.range) << int(c.extra);
        EXPECT_NE(image.pixelColor(centre(3, 3)), highlight);
    }
    grid->SetOptions(lines | goRangeSelect);
    DragWith(viewport(), Qt::LeftButton, {centre(2, 2), centre(1, 1), QPoint(-20, -20)});
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 2})) << "beyond the edge it stops";
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->Selection(), (TGridRect{2, 3, 2, 3})) << "a key move collapses it";
}

class KxGridMoveTest : public ::testing::Test {
protected:
    QWidget form;
    TKxDrawGrid* grid = new TKxDrawGrid(&form);
    QStringList events;

    KxGridMoveTest() {
        grid->setGeometry(0, 0, 400, 200);
        grid->SetColCount(5);
        grid->SetRowCount(5);
        grid->SetFixedButtons(true);
        grid->OnColumnMoved = [this](QObject*, int from, int to) {
            events << QString("col %1>%2").arg(from).arg(to);
        };
        grid->OnRowMoved = [this](QObject*, int from, int to) {
            events << QString("row %1>%2").arg(from).arg(to);
        };
        grid->OnFixedCellClick = [this](QObject*, int c, int r) {
            events << QString("click %1,%2").arg(c).arg(r);
        };
        form.show();
        grid->setFocus();
    }
    QWidget* viewport() const { return grid->viewport(); }
    QPoint centre(int c, int r) const { return grid->CellRect(c, r).center(); }
};

TEST_F(KxGridMoveTest, TheRightButtonMovesFixedButtonsWhenMovingIsOn) {
    DragWith(viewport(), Qt::RightButton, {centre(1, 0), centre(3, 0)});
    DragWith(viewport(), Qt::LeftButton, {centre(1, 0), centre(1, 0)});
    EXPECT_EQ(events, QStringList({"click 1,0"})) << "without moving a fixed cell is a button";

    events.clear();
    grid->SetOptions(grid->Options() | goColMoving | goRowMoving);
    DragWith(viewport(), Qt::RightButton, {centre(1, 0), centre(3, 0)});
    DragWith(viewport(), Qt::LeftButton, {centre(0, 1), centre(0, 3)});
    EXPECT_EQ(events, QStringList({"col 1>3", "row 1>3"})) << "and no button clicks";
    EXPECT_EQ(grid->GridState(), gsNormal);

    // A move begun with the left button ends with a right release too.
    SendMouse(viewport(), QEvent::MouseButtonPress, centre(4, 0), Qt::LeftButton, Qt::LeftButton);
    SendMouse(viewport(), QEvent::MouseMove, centre(2, 0), Qt::NoButton, Qt::LeftButton);
    SendMouse(viewport(), QEvent::MouseButtonRelease, centre(2, 0), Qt::RightButton,
              Qt::LeftButton);
    EXPECT_EQ(events.last(), "col 4>2");
    EXPECT_EQ(grid->GridState(), gsNormal);

    grid->SetFixedButtons(false);
    DragWith(viewport(), Qt::RightButton, {centre(1, 0), centre(3, 0)});
    EXPECT_EQ(events.size(), 3) << "the right button is a left one only for fixed buttons";
}

} // namespace
