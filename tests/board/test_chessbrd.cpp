// The drawn board: geometry, colours, bitmaps, frames, coordinates, the highlight and piece sets,
// read back from the pixels of grab().
#include "tests/board/test_chessbrd_util.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <vector>

using platform::clGray;
using platform::clOlive;
using platform::clSilver;

namespace {

// A 7 x 5 pattern with a different colour in every pixel.
QPixmap Pattern() {
    QImage image(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            image.setPixel(x, y, qRgb(x * 30, y * 50, 90));
    return QPixmap::fromImage(image);
}

// A piece set of cell x cell cells: every image one colour (White green, Black blue), every
// mask opaque on the left half of its cell and transparent on the right half.
QPixmap TwoColourPieceSet(int cell) {
    QImage sheet(6 * cell, 4 * cell, QImage::Format_RGB32);
    QPainter p(&sheet);
    p.fillRect(0, 0, 6 * cell, cell, Qt::green);
    p.fillRect(0, 2 * cell, 6 * cell, cell, Qt::blue);
    for (int row : {1, 3}) {
        p.fillRect(0, row * cell, 6 * cell, cell, Qt::white);
        for (int column = 0; column < 6; ++column)
            p.fillRect(column * cell, row * cell, cell / 2, cell, Qt::black);
    }
    p.end();
    return QPixmap::fromImage(sheet);
}

// White text shows where the picture is clearly lighter than the same board drawn without
// coordinates; how much lighter depends on the font a machine has, so no absolute threshold.
bool HasLighterText(const QImage& image, const QImage& bare, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) > qGray(bare.pixel(x, y)) + 40)
                return true;
    return false;
}

// The boxes in which the coordinates of row or column i stand on each side.
struct CoordBoxes {
    QRect west, east, north, south;
};

CoordBoxes CoordBoxesAt(const TChessBoard& board, int i) {
    const QFontMetrics metrics(QFont(board.CoordFont(), &board));
    const int b = board.SizeOfBorder();
    const int s = board.SizeOfSquare();
    const int w = board.width();
    const int fs = board.CoordFont().pointSize();
    const int xo = (b - fs) / 2 + 1;
    const int yo = (s - fs) / 2;
    const int f = board.BoardFrame() ? 2 : 0;
    const int h = metrics.height() / 4;
    const QSize box(metrics.horizontalAdvance(QStringLiteral("W")), metrics.height());
    return {QRect(QPoint(xo - f, i * s + b + yo), box),
            QRect(QPoint(w - b + xo + f, i * s + b + yo), box),
            QRect(QPoint(i * s + b + yo, xo - h - f), box),
            QRect(QPoint(i * s + b + yo, w - b + xo - h + f), box)};
}

} // namespace

TEST(ChessBoardGeometry, DefaultAndMainWindowSizes) {
    TChessBoard board;
    EXPECT_EQ(board.SizeOfSquare(), 40);
    EXPECT_EQ(board.SizeOfBorder(), 24);
    EXPECT_EQ(board.BoardLeft(), 24);
    EXPECT_EQ(board.BoardTop(), 24);
    EXPECT_EQ(board.size(), QSize(368, 368));

    board.SetSizeOfSquare(50);
    EXPECT_EQ(board.size(), QSize(448, 448));

    board.SetSizeOfBorder(30);
    board.SetSizeOfSquare(40);
    EXPECT_EQ(board.size(), QSize(380, 380));
    EXPECT_EQ(board.BoardLeft(), 30);
}

TEST(ChessBoardGeometry, WindowToSquareAtTheCornersAndInTheBorder) {
    TChessBoard board;
    EXPECT_EQ(board.WindowToSquare(24, 24), A8);
    EXPECT_EQ(board.WindowToSquare(343, 24), H8);
    EXPECT_EQ(board.WindowToSquare(24, 343), A1);
    EXPECT_EQ(board.WindowToSquare(343, 343), H1);
    EXPECT_EQ(board.WindowToSquare(63, 63), A8);
    EXPECT_EQ(board.WindowToSquare(64, 64), B7);
    EXPECT_EQ(board.WindowToSquare(23, 24), None);
    EXPECT_EQ(board.WindowToSquare(24, 23), None);
    EXPECT_EQ(board.WindowToSquare(344, 200), None);
    EXPECT_EQ(board.WindowToSquare(200, 344), None);
    EXPECT_EQ(board.WindowToSquare(5, 5), None);

    board.SetWhiteOnTop(true);
    EXPECT_EQ(board.WindowToSquare(24, 24), H1);
    EXPECT_EQ(board.WindowToSquare(343, 343), A8);
    EXPECT_EQ(board.WindowToSquare(64, 64), G2);
}

TEST(ChessBoardGeometry, ResizingKeepsWholeSquaresAndASquareControl) {
    QWidget window;
    TChessBoard board(&window);
    window.show();
    board.resize(400, 380);
    EXPECT_EQ(board.SizeOfSquare(), 42); // ((400 + 380) / 2 - 48) / 8
    EXPECT_EQ(board.size(), QSize(384, 384));
}

TEST(ChessBoardGeometry, SquaresBelowOnePixelNeitherDivideNorDraw) {
    QWidget window;
    TChessBoard board(&window);
    window.show();
    board.SetSizeOfSquare(-5);
    EXPECT_EQ(board.SizeOfSquare(), 0);
    EXPECT_EQ(board.size(), QSize(48, 48));
    EXPECT_EQ(board.WindowToSquare(24, 24), None);
    board.HiLightSquare(E2);
    EXPECT_TRUE(board.Move(E2, E4));
    board.grab();

    board.SetSizeOfSquare(40);
    board.resize(30, 30);
    EXPECT_EQ(board.SizeOfSquare(), 0);
    board.Paint();
    board.grab();
}

TEST(ChessBoardDrawing, DefaultColoursAndOutline) {
    TChessBoard board;
    const QImage image = Shot(board);
    EXPECT_EQ(image.pixel(3, 200), Rgb(clOlive));
    EXPECT_EQ(image.pixel(364, 200), Rgb(clOlive));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(367, 367), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(23, 200), qRgb(0, 0, 0)); // the line round the squares
    EXPECT_EQ(image.pixel(344, 200), qRgb(0, 0, 0));
    EXPECT_EQ(CountOther(image, Cell(board, A6), Rgb(clSilver)), 0); // a8's colour: light
    EXPECT_EQ(CountOther(image, Cell(board, B6), Rgb(clGray)), 0);
    EXPECT_EQ(CountOther(image, Cell(board, E4), Rgb(clSilver)), 0);
}

TEST(ChessBoardDrawing, ChangedColoursAreTColors) {
    TChessBoard board;
    board.SetSquareColorDark(0x0000FF);
    board.SetSquareColorLight(0x00FF00);
    board.SetBorderColor(0x800000);
    const QImage image = Shot(board);
    EXPECT_EQ(image.pixel(Centre(board, B6)), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(Centre(board, A6)), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(3, 200), qRgb(0, 0, 128));
}

TEST(ChessBoardDrawing, BitmapsTileContinuouslyFromTheControlsCorner) {
    TChessBoard board;
    const QImage pattern = Pattern().toImage();
    board.SetSquareLight(Pattern());
    board.SetBorderBitmap(Pattern());
    const QImage image = Shot(board);
    for (Square sq : {A6, C6, B5, H3, E4}) {
        const QRect cell = Cell(board, sq);
        for (const QPoint& p : {cell.topLeft(), cell.center(), cell.bottomRight()})
            EXPECT_EQ(image.pixel(p), pattern.pixel(p.x() % 7, p.y() % 5)) << int(sq);
    }
    EXPECT_EQ(CountOther(image, Cell(board, B6), Rgb(clGray)), 0);
    EXPECT_EQ(image.pixel(3, 200), pattern.pixel(3, 0));

    board.SetSquareLight(QPixmap());
    EXPECT_EQ(CountOther(Shot(board), Cell(board, A6), Rgb(clSilver)), 0);
}

TEST(ChessBoardDrawing, GridLinesBetweenSquares) {
    TChessBoard board;
    EXPECT_EQ(Shot(board).pixel(64, 110), Rgb(clGray));
    board.SetBoardLines(true);
    QImage image = Shot(board);
    EXPECT_EQ(image.pixel(64, 110), qRgb(0, 0, 0)); // between a6 and b6
    EXPECT_EQ(image.pixel(30, 104), qRgb(0, 0, 0)); // between a7 and a6
    EXPECT_EQ(image.pixel(65, 110), Rgb(clGray));   // b6 itself
    EXPECT_EQ(image.pixel(24, 110), Rgb(clSilver)); // no line at the edge

    // A single square redrawn keeps its lines.
    board.ClearSquare(B6);
    image = Shot(board);
    EXPECT_EQ(image.pixel(64, 110), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(80, 104), qRgb(0, 0, 0));
}

TEST(ChessBoardDrawing, TripleFrameAroundTheSquares) {
    TChessBoard board;
    board.SetSizeOfBorder(30);
    QImage image = Shot(board);
    EXPECT_EQ(image.pixel(29, 200), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(28, 200), Rgb(clOlive));

    board.SetBoardFrame(true);
    image = Shot(board);
    EXPECT_EQ(image.pixel(29, 200), Rgb(clSilver));
    for (int x : {26, 27, 28})
        EXPECT_EQ(image.pixel(x, 200), qRgb(0, 0, 0)) << x;
    EXPECT_EQ(image.pixel(25, 200), Rgb(clSilver));
    EXPECT_EQ(image.pixel(24, 200), Rgb(clOlive));
    EXPECT_EQ(image.pixel(350, 200), Rgb(clSilver)); // the same on the right: W - b
    EXPECT_EQ(image.pixel(354, 200), Rgb(clSilver));
    EXPECT_EQ(image.pixel(200, 352), qRgb(0, 0, 0));
}

TEST(ChessBoardDrawing, CoordinatesOnAllFourSides) {
    TChessBoard board;
    board.SetSizeOfBorder(30);
    board.SetBoardFrame(true);
    board.SetDisplayCoords({});
    const QImage bare = Shot(board);
    board.SetDisplayCoords(TChessBoard::West | TChessBoard::North | TChessBoard::East |
                           TChessBoard::South);
    QImage image = Shot(board);
    for (int i = 0; i < 8; ++i) {
        const CoordBoxes boxes = CoordBoxesAt(board, i);
        EXPECT_TRUE(HasLighterText(image, bare, boxes.west)) << i;
        EXPECT_TRUE(HasLighterText(image, bare, boxes.east)) << i;
        EXPECT_TRUE(HasLighterText(image, bare, boxes.north)) << i;
        EXPECT_TRUE(HasLighterText(image, bare, boxes.south)) << i;
    }

    board.SetDisplayCoords(TChessBoard::West | TChessBoard::South);
    image = Shot(board);
    const CoordBoxes boxes = CoordBoxesAt(board, 3);
    EXPECT_TRUE(HasLighterText(image, bare, boxes.west));
    EXPECT_TRUE(HasLighterText(image, bare, boxes.south));
    EXPECT_FALSE(HasLighterText(image, bare, boxes.east));
    EXPECT_FALSE(HasLighterText(image, bare, boxes.north));
}

TEST(ChessBoardDrawing, CoordinatesTurnWithTheBoard) {
    TChessBoard board;
    const QImage normal = Shot(board);
    board.SetWhiteOnTop(true);
    const QImage turned = Shot(board);
    // "1" and "A" move from the last row and column to the first, and back.
    for (int i = 0; i < 8; ++i) {
        const CoordBoxes here = CoordBoxesAt(board, i);
        const CoordBoxes there = CoordBoxesAt(board, 7 - i);
        EXPECT_EQ(turned.copy(here.west), normal.copy(there.west)) << i;
        EXPECT_EQ(turned.copy(here.south), normal.copy(there.south)) << i;
    }
    EXPECT_NE(turned.copy(CoordBoxesAt(board, 0).west), normal.copy(CoordBoxesAt(board, 0).west));
}

// Turned over, every square keeps its colour and its piece, drawn in its turned cell.
TEST(ChessBoardDrawing, ATurnedBoardDrawsEachSquareInItsTurnedCell) {
    TChessBoard board;
    board.SetSquareColorDark(0x0000FF);
    board.SetSquareColorLight(0x00FF00);
    ASSERT_TRUE(board.SetFENPosition("r3k2r/1p4P1/8/3Q4/8/8/P6p/R3K1NR w KQkq - 0 1"));
    const QImage normal = Shot(board);
    std::vector<QRect> normalCells;
    for (int sq = 1; sq <= 64; ++sq)
        normalCells.push_back(Cell(board, Square(sq)));
    board.SetWhiteOnTop(true);
    const QImage turned = Shot(board);
    for (int sq = 1; sq <= 64; ++sq)
        EXPECT_EQ(turned.copy(Cell(board, Square(sq))), normal.copy(normalCells[sq - 1])) << sq;
    EXPECT_EQ(turned.pixel(Cell(board, H1).topLeft()), Rgb(0x00FF00));
    EXPECT_EQ(Cell(board, H1).topLeft(), QPoint(board.SizeOfBorder(), board.SizeOfBorder()));
}

TEST(ChessBoardDrawing, StandardPiecesOnTheirSquares) {
    TChessBoard board;
    EXPECT_TRUE(TChessBoard::BitmapIsValidPieceSet(QPixmap(":/board/pieces.png")));
    EXPECT_EQ(QPixmap(":/board/pieces.png").size(), QSize(240, 160));
    EXPECT_EQ(board.PieceToInt('P'), 0);
    EXPECT_EQ(board.PieceToInt('K'), 5);
    EXPECT_EQ(board.PieceToInt('p'), 6);
    EXPECT_EQ(board.PieceToInt('k'), 11);
    EXPECT_EQ(board.PieceToInt('x'), -1);
    EXPECT_EQ(board.PieceToInt('\0'), -1);
    for (Square sq : {A1, E1, D8, E2, G8, H7})
        EXPECT_TRUE(ShowsPiece(board, sq)) << int(sq);
    for (Square sq : {A3, E4, H6})
        EXPECT_FALSE(ShowsPiece(board, sq)) << int(sq);

    // White pieces are light, Black ones dark.
    const QImage image = Shot(board);
    const QRect e2 = Cell(board, E2).adjusted(12, 12, -12, -4);
    const QRect e7 = Cell(board, E7).adjusted(12, 12, -12, -4);
    int light = 0;
    int dark = 0;
    for (int y = e2.top(); y <= e2.bottom(); ++y)
        for (int x = e2.left(); x <= e2.right(); ++x) {
            light += qGray(image.pixel(x, y)) > 220;
            dark += qGray(image.pixel(x - e2.left() + e7.left(), y - e2.top() + e7.top())) < 60;
        }
    EXPECT_GT(light, 20);
    EXPECT_GT(dark, 20);
}

TEST(ChessBoardDrawing, NavigationRedrawsTheChangedSquares) {
    TChessBoard board;
    board.Move(E2, E4);
    EXPECT_TRUE(ShowsPiece(board, E4));
    EXPECT_FALSE(ShowsPiece(board, E2));
    board.MoveBackward();
    EXPECT_TRUE(ShowsPiece(board, E2));
    EXPECT_FALSE(ShowsPiece(board, E4));
}

TEST(ChessBoardHighlight, FrameAfterHiLightAndMoveAndItsRemoval) {
    const QRgb red = qRgb(255, 0, 0);
    TChessBoard board;
    board.HiLightSquare(E2);
    QImage image = Shot(board);
    const QRect e2 = Cell(board, E2);
    EXPECT_EQ(image.pixel(e2.left() + 1, e2.center().y()), red);
    EXPECT_EQ(image.pixel(e2.right() - 1, e2.center().y()), red);
    EXPECT_EQ(image.pixel(e2.center().x(), e2.top() + 1), red);
    EXPECT_EQ(image.pixel(e2.center().x(), e2.bottom() - 1), red);
    EXPECT_NE(image.pixel(e2.left() + 6, e2.top() + 6), red);
    EXPECT_EQ(CountOf(image, Cell(board, E4), red), 0);

    ASSERT_TRUE(board.Move(E2, E4));
    image = Shot(board);
    EXPECT_EQ(board.HiLightedSquare(), E4);
    EXPECT_GT(CountOf(image, Cell(board, E4), red), 100);
    EXPECT_EQ(CountOf(image, Cell(board, E2), red), 0);

    board.HiLightSquare(None);
    EXPECT_EQ(CountOf(Shot(board), QRect(24, 24, 320, 320), red), 0);

    board.HiLightSquare(E4);
    board.NewGame();
    EXPECT_EQ(board.HiLightedSquare(), None);
    EXPECT_EQ(CountOf(Shot(board), QRect(24, 24, 320, 320), red), 0);
}

TEST(ChessBoardPieceSets, ValidCustomSetIsUsedAndMasksBecomeAlpha) {
    TChessBoard board;
    board.SetCustomPieceSet(TwoColourPieceSet(50));
    EXPECT_EQ(board.CustomPieceSet().size(), QSize(300, 200));
    const QImage image = Shot(board);
    // 50-pixel cells on 40-pixel squares are centred: the cell starts 5 pixels to the left.
    const QRect e2 = Cell(board, E2);
    EXPECT_EQ(image.pixel(e2.left() + 5, e2.center().y()), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(e2.left() + 19, e2.center().y()), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(e2.left() + 21, e2.center().y()), Rgb(clSilver));
    EXPECT_EQ(image.pixel(Cell(board, E7).left() + 5, e2.center().y() - 200), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(Cell(board, E7).right() - 5, e2.center().y() - 200), Rgb(clGray));
}

TEST(ChessBoardPieceSets, InvalidSetIsIgnoredAndNoneReturnsToStandard) {
    TChessBoard board;
    const QImage standard = Shot(board);

    board.SetCustomPieceSet(TwoColourPieceSet(50).copy(0, 0, 300, 100));
    EXPECT_TRUE(board.CustomPieceSet().isNull());
    EXPECT_EQ(Shot(board), standard);

    board.SetCustomPieceSet(TwoColourPieceSet(50));
    EXPECT_NE(Shot(board), standard);
    board.SetCustomPieceSet(TwoColourPieceSet(50).copy(0, 0, 300, 100));
    EXPECT_EQ(board.CustomPieceSet().size(), QSize(300, 200));

    board.SetCustomPieceSet(QPixmap());
    EXPECT_TRUE(board.CustomPieceSet().isNull());
    EXPECT_EQ(Shot(board), standard);
}

TEST(ChessBoardPieceSets, ValidShapes) {
    EXPECT_TRUE(TChessBoard::BitmapIsValidPieceSet(TwoColourPieceSet(1)));
    EXPECT_TRUE(TChessBoard::BitmapIsValidPieceSet(QPixmap(240, 160)));
    EXPECT_FALSE(TChessBoard::BitmapIsValidPieceSet(QPixmap(3, 2)));
    EXPECT_FALSE(TChessBoard::BitmapIsValidPieceSet(QPixmap(240, 161)));
    EXPECT_FALSE(TChessBoard::BitmapIsValidPieceSet(QPixmap()));
    EXPECT_FALSE(TChessBoard::BitmapExists(QPixmap()));
    EXPECT_TRUE(TChessBoard::BitmapExists(QPixmap(1, 1)));
}
