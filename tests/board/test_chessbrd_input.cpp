// The drawn board's input: drag and drop, clicks, resizing by the corner, and who plays next.
#include "tests/board/test_chessbrd_util.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Recorder {
    std::vector<std::pair<Square, Square>> legal;
    std::vector<Square> illegal;
    std::vector<QPoint> mouseUps;

    explicit Recorder(TChessBoard& board) {
        board.OnLegalMove = [this](TChessBoardModel*, Square from, Square to) {
            legal.emplace_back(from, to);
        };
        board.OnIllegalMove = [this](TChessBoardModel*, Square sq) { illegal.push_back(sq); };
        board.OnMouseUp = [this](TChessBoard*, Qt::MouseButton, Qt::KeyboardModifiers, int x,
                                 int y) { mouseUps.emplace_back(x, y); };
    }
};

char At(const TChessBoard& board, Square sq) {
    return board.Squares()[sq];
}

// A mouse move with no button down, sent straight to the board.
void Hover(TChessBoard& board, const QPoint& pos) {
    QMouseEvent move(QEvent::MouseMove, pos, board.mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&board, &move);
}

// Stands in for the engine and records where it was asked from.
class AnsweringBoard : public TChessBoard {
public:
    using TChessBoard::TChessBoard;

    int answers = 0;
    int answersFromPaintOrResize = 0;

    void MoveNow() override {
        ++answers;
        answersFromPaintOrResize += FInPaintOrResize;
        if (WhiteToMove())
            Move(E2, E4);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        FInPaintOrResize = true;
        TChessBoard::paintEvent(e);
        FInPaintOrResize = false;
    }
    void resizeEvent(QResizeEvent* e) override {
        FInPaintOrResize = true;
        TChessBoard::resizeEvent(e);
        FInPaintOrResize = false;
    }

private:
    bool FInPaintOrResize = false;
};

} // namespace

TEST(ChessBoardDragging, DraggingE2ToE4PlaysTheMove) {
    TChessBoard board;
    Recorder events(board);
    Drag(board, E2, E4);
    EXPECT_EQ(At(board, E4), 'P');
    EXPECT_EQ(At(board, E2), ' ');
    ASSERT_EQ(events.legal.size(), 1u);
    EXPECT_EQ(events.legal[0], std::make_pair(E2, E4));
    EXPECT_TRUE(events.illegal.empty());
    EXPECT_TRUE(events.mouseUps.empty());
    EXPECT_TRUE(ShowsPiece(board, E4));
    EXPECT_FALSE(ShowsPiece(board, E2));
}

TEST(ChessBoardDragging, RefusedDropsFireOnIllegalMoveAndPutThePieceBack) {
    TChessBoard board;
    Recorder events(board);
    Drag(board, E2, E5);
    Drag(board, E2, QPoint(-30, 100)); // outside the board
    Drag(board, E2, QPoint(5, 5));     // on the border
    EXPECT_EQ(events.illegal, (std::vector<Square>{E2, E2, E2}));
    EXPECT_TRUE(events.legal.empty());
    EXPECT_TRUE(events.mouseUps.empty());
    EXPECT_EQ(At(board, E2), 'P');
    EXPECT_TRUE(ShowsPiece(board, E2));
    EXPECT_FALSE(ShowsPiece(board, E5));
}

TEST(ChessBoardDragging, DropOnItsOwnSquareRedrawsThePieceQuietly) {
    TChessBoard board;
    Recorder events(board);
    Drag(board, G1, G1);
    EXPECT_TRUE(events.illegal.empty());
    EXPECT_TRUE(events.legal.empty());
    EXPECT_TRUE(ShowsPiece(board, G1));
}

TEST(ChessBoardDragging, EscapeCancelsAndTheReleaseIsNoClick) {
    TChessBoard board;
    Recorder events(board);
    QTest::mousePress(&board, Qt::LeftButton, {}, Centre(board, E2));
    QTest::mouseMove(&board, Centre(board, E4));
    EXPECT_FALSE(ShowsPiece(board, E2)); // the piece travels with the cursor
    QTest::keyClick(&board, Qt::Key_Escape);
    EXPECT_EQ(events.illegal, std::vector<Square>{E2});
    EXPECT_TRUE(ShowsPiece(board, E2));
    QTest::mouseRelease(&board, Qt::LeftButton, {}, Centre(board, E4));
    EXPECT_EQ(At(board, E2), 'P');
    EXPECT_TRUE(events.legal.empty());
    EXPECT_TRUE(events.mouseUps.empty());
    EXPECT_EQ(events.illegal.size(), 1u);
}

TEST(ChessBoardDragging, MoveRefusedAtTheDropPutsThePieceBack) {
    TChessBoard board;
    Recorder events(board);
    QTest::mousePress(&board, Qt::LeftButton, {}, Centre(board, E2));
    QTest::mouseMove(&board, Centre(board, E4)); // accepted here...
    board.SetWhiteToMove(false);                 // ...but the position changes before the drop
    QTest::mouseRelease(&board, Qt::LeftButton, {}, Centre(board, E4));
    EXPECT_EQ(At(board, E2), 'P');
    EXPECT_EQ(At(board, E4), ' ');
    EXPECT_TRUE(events.legal.empty());
    EXPECT_TRUE(ShowsPiece(board, E2));
    EXPECT_FALSE(ShowsPiece(board, E4));
}

TEST(ChessBoardDragging, NetworkGameDropsOnlyTheLocalSidesPieces) {
    TChessBoard board;
    Recorder events(board);
    board.LocalSideOnly = true;
    board.LocalSideIsWhite = false;
    Drag(board, E2, E4);
    EXPECT_EQ(At(board, E2), 'P');
    EXPECT_EQ(events.illegal, std::vector<Square>{E2});
    Drag(board, E2, E2);
    EXPECT_EQ(events.illegal.size(), 1u);
    EXPECT_TRUE(ShowsPiece(board, E2));

    board.LocalSideIsWhite = true;
    Drag(board, E2, E4);
    EXPECT_EQ(At(board, E4), 'P');
    Drag(board, E7, E5); // Black's legal move, but Black is the remote side
    EXPECT_EQ(At(board, E7), 'p');
    EXPECT_EQ(events.illegal, (std::vector<Square>{E2, E7}));
    EXPECT_EQ(events.legal.size(), 1u);
}

TEST(ChessBoardDragging, DragImageFollowsTheCursorOverTheParentWindow) {
    QWidget window;
    window.resize(600, 500);
    TChessBoard board(&window);
    board.move(8, 36);
    window.show();
    const QPoint cursor(150, 210);
    QTest::mousePress(&board, Qt::LeftButton, {}, Centre(board, E2));
    QTest::mouseMove(&board, cursor);
    const QList<QLabel*> images = window.findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(images.size(), 1);
    EXPECT_TRUE(images[0]->isVisible());
    EXPECT_LE((images[0]->geometry().center() - board.mapToParent(cursor)).manhattanLength(), 2);
    EXPECT_GT(window.children().indexOf(images[0]), window.children().indexOf(&board));

    QTest::mouseMove(&board, Centre(board, E4));
    EXPECT_LE(
        (images[0]->geometry().center() - board.mapToParent(Centre(board, E4))).manhattanLength(),
        2);
    QTest::mouseRelease(&board, Qt::LeftButton, {}, Centre(board, E4));
    EXPECT_TRUE(window.findChildren<QLabel*>().isEmpty());
    EXPECT_EQ(At(board, E4), 'P');
}

TEST(ChessBoardClicks, PressAndReleaseWithoutMovementIsAClickOnly) {
    TChessBoard board;
    Recorder events(board);
    Qt::MouseButton button = Qt::NoButton;
    board.OnMouseUp = [&](TChessBoard* sender, Qt::MouseButton b, Qt::KeyboardModifiers, int x,
                          int y) {
        EXPECT_EQ(sender, &board);
        button = b;
        events.mouseUps.emplace_back(x, y);
    };
    QTest::mouseClick(&board, Qt::LeftButton, {}, Centre(board, E2));
    QTest::mouseClick(&board, Qt::RightButton, {}, Centre(board, E4));
    EXPECT_EQ(events.mouseUps, (std::vector<QPoint>{Centre(board, E2), Centre(board, E4)}));
    EXPECT_EQ(button, Qt::RightButton);
    EXPECT_TRUE(events.illegal.empty());
    EXPECT_TRUE(events.legal.empty());
    EXPECT_TRUE(ShowsPiece(board, E2));
}

namespace {

// A mouse event with the given button changing and the buttons held afterwards.
void Mouse(TChessBoard& board, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
           const QPoint& pos) {
    QMouseEvent event(type, pos, board.mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&board, &event);
}

} // namespace

// Click e2, then drag the g1 knight to e4 with a tap of the right button on the way.
TEST(ChessBoardClicks, AnotherButtonNeitherEndsADragNorMakesItsReleaseAClick) {
    TChessBoard board;
    Recorder events(board);
    QTest::mouseClick(&board, Qt::LeftButton, {}, Centre(board, E2));
    events.mouseUps.clear();
    Mouse(board, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Centre(board, G1));
    Mouse(board, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Centre(board, F3));
    Mouse(board, QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton | Qt::RightButton,
          Centre(board, F3));
    Mouse(board, QEvent::MouseButtonRelease, Qt::RightButton, Qt::LeftButton, Centre(board, F3));
    Mouse(board, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Centre(board, E4));
    Mouse(board, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Centre(board, E4));
    EXPECT_TRUE(events.mouseUps.empty());
    EXPECT_TRUE(events.legal.empty());
    EXPECT_EQ(events.illegal, std::vector<Square>{G1});
    EXPECT_EQ(At(board, G1), 'N');
}

TEST(ChessBoardClicks, TwoButtonsOnAPieceWithoutMovingGiveOneMouseUp) {
    TChessBoard board;
    Recorder events(board);
    const QPoint e2 = Centre(board, E2);
    Mouse(board, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, e2);
    Mouse(board, QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton | Qt::RightButton, e2);
    Mouse(board, QEvent::MouseButtonRelease, Qt::RightButton, Qt::LeftButton, e2);
    Mouse(board, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, e2);
    EXPECT_EQ(events.mouseUps, std::vector<QPoint>{e2});
}

TEST(ChessBoardClicks, ADragCancelledByHidingTheBoardLeavesTheNextClick) {
    QWidget window;
    TChessBoard board(&window);
    window.show();
    Recorder events(board);
    Mouse(board, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Centre(board, E2));
    Mouse(board, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Centre(board, E4));
    board.hide();
    EXPECT_EQ(events.illegal, std::vector<Square>{E2});
    board.show();
    QTest::mouseClick(&board, Qt::LeftButton, {}, Centre(board, D2));
    EXPECT_EQ(events.mouseUps, std::vector<QPoint>{Centre(board, D2)});
    EXPECT_EQ(At(board, E2), 'P');
}

TEST(ChessBoardResizing, TheCornerResizesWithinTheLimitsAndStaysSquare) {
    QWidget window;
    window.resize(900, 900);
    TChessBoard board(&window);
    window.show();
    board.SetResizeMinSize(300);
    board.SetResizeMaxSize(500);
    const auto wholeSquares = [&] {
        EXPECT_EQ(board.width(), board.height());
        EXPECT_EQ(board.width(), 8 * board.SizeOfSquare() + 2 * board.SizeOfBorder());
    };

    QTest::mousePress(&board, Qt::LeftButton, {}, QPoint(365, 365));
    QTest::mouseMove(&board, QPoint(700, 650));
    QTest::mouseRelease(&board, Qt::LeftButton, {}, QPoint(700, 650));
    EXPECT_EQ(board.width(), 368); // not resizable

    board.SetResizable(true);
    Hover(board, QPoint(363, 363));
    EXPECT_EQ(board.cursor().shape(), Qt::SizeFDiagCursor);
    Hover(board, QPoint(200, 200));
    EXPECT_NE(board.cursor().shape(), Qt::SizeFDiagCursor);

    QTest::mousePress(&board, Qt::LeftButton, {}, QPoint(365, 365));
    QTest::mouseMove(&board, QPoint(366, 366));
    QTest::mouseMove(&board, QPoint(700, 650));
    EXPECT_LE(board.width(), 500);
    EXPECT_GT(board.width(), 490);
    wholeSquares();
    QTest::mouseMove(&board, QPoint(50, 80));
    EXPECT_GE(board.width(), 300);
    EXPECT_LT(board.width(), 310);
    wholeSquares();
    QTest::mouseMove(&board, QPoint(420, 400));
    QTest::mouseRelease(&board, Qt::LeftButton, {}, QPoint(420, 400));
    EXPECT_EQ(board.width(), 416); // 8 x 46 + 48
    wholeSquares();

    Hover(board, QPoint(600, 600)); // the release ended resizing
    EXPECT_EQ(board.width(), 416);
}

TEST(ChessBoardResizing, LimitSettersResizeTheBoard) {
    TChessBoard board;
    board.SetResizeMaxSize(300);
    EXPECT_LE(board.width(), 300);
    EXPECT_EQ(board.width(), board.height());
    board.SetResizeMinSize(400); // above the maximum: the maximum is taken
    EXPECT_EQ(board.ResizeMinSize(), 300);
    board.SetResizeMaxSize(200); // not above the minimum: ignored
    EXPECT_EQ(board.ResizeMaxSize(), 300);
    board.SetResizeMaxSize(1000);
    board.SetResizeMinSize(400);
    EXPECT_GE(board.width(), 400);
    EXPECT_EQ(board.width(), 8 * board.SizeOfSquare() + 48);
}

TEST(ChessBoardWhoPlaysNext, EngineSideAnswersAfterAnyEventNeverFromPaint) {
    QWidget window;
    AnsweringBoard board(&window);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(board.answers, 0);

    board.SetComputerPlaysWhite(true);
    EXPECT_EQ(board.answers, 0); // armed, not run
    QCoreApplication::processEvents();
    EXPECT_EQ(board.answers, 1);
    EXPECT_EQ(At(board, E4), 'P');

    // Black answers by hand; the model's own check after the move asks for nothing.
    board.SetComputerPlaysWhite(false);
    ASSERT_TRUE(board.Move(E7, E5));
    QCoreApplication::processEvents();
    board.TChessBoardModel::SetComputerPlaysWhite(true); // quietly: nothing armed
    QCoreApplication::processEvents();
    const int before = board.answers;

    board.repaint(); // a paint event only arms the check
    EXPECT_EQ(board.answers, before);
    QCoreApplication::processEvents();
    EXPECT_GT(board.answers, before);
    EXPECT_EQ(board.answersFromPaintOrResize, 0);
}

TEST(ChessBoardWhoPlaysNext, CustomMoveIsAskedOnceForABurstOfEvents) {
    TChessBoard board;
    QCoreApplication::processEvents();
    int asked = 0;
    board.OnCustomMove = [&](TChessBoardModel* sender) {
        EXPECT_EQ(sender, &board);
        ++asked;
    };
    for (int i = 0; i < 5; ++i)
        Hover(board, QPoint(10 + i, 10));
    EXPECT_EQ(asked, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, 1);
}
