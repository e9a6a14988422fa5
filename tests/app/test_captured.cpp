// The captured-pieces window: counters and the picture's layout and colours.
#include "app/CodCaptured.h"
#include "board/PieceSet.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

constexpr QRgb PaleGreen = qRgb(0xC0, 0xDC, 0xC0);
constexpr int Cell = 40;

// Piece-set cell of a letter's picture: column by piece, row 0 White, row 2 Black.
QPoint SetCell(char letter) {
    const QString letters = QStringLiteral("PNBRQKpnbrqk");
    const int i = int(letters.indexOf(QLatin1Char(letter)));
    return QPoint(i % 6 * Cell, i / 6 * 2 * Cell);
}

class CapturedTest : public ::testing::Test {
protected:
    TFormCaptured form;
    const QImage set = PieceSet::Standard().convertToFormat(QImage::Format_RGB32);
    const QRgb silver = set.pixel(0, 0);
    QRgb windowColour() const { return form.palette().color(QPalette::Window).rgb(); }

    // The picture's cell at `at` shows `letter`: its own pixels exactly, its background (the
    // set's surface colour around the piece) in the window colour.
    void ExpectPieceAt(QPoint at, char letter) {
        const QPoint from = SetCell(letter);
        const QImage& picture = form.Picture();
        int background = 0;
        for (int dy = 0; dy < Cell; ++dy) {
            for (int dx = 0; dx < Cell; ++dx) {
                const QRgb source = set.pixel(from.x() + dx, from.y() + dy);
                const QRgb shown = picture.pixel(at.x() + dx, at.y() + dy);
                if (source != silver) {
                    ASSERT_EQ(shown, source) << letter << " at " << dx << "," << dy;
                } else {
                    ASSERT_TRUE(shown == windowColour() || shown == silver) << dx << "," << dy;
                    background += shown == windowColour();
                }
            }
        }
        EXPECT_GT(background, Cell * Cell / 3) << letter;
        EXPECT_EQ(picture.pixel(at), windowColour()) << letter;
    }

    void ExpectPaleGreen(const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                ASSERT_EQ(form.Picture().pixel(x, y), PaleGreen) << x << "," << y;
    }
};

TEST_F(CapturedTest, WindowAndEmptyPicture) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Pezzi catturati"));
    EXPECT_EQ(form.size(), QSize(724, 108));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_TRUE(form.windowFlags() & Qt::Tool);
    EXPECT_EQ(form.Picture().size(), QSize(716, 100));
    ExpectPaleGreen(form.Picture().rect());
    EXPECT_FALSE(form.DockedToMain);
    EXPECT_TRUE(form.MainWindowHandle.isNull());

    auto* image = form.findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->geometry(), QRect(4, 4, 716, 100));
    EXPECT_EQ(image->mapTo(&form, QPoint(0, 0)), QPoint(4, 4));
}

TEST_F(CapturedTest, BlackKnightThenPawnInTheSecondRow) {
    form.AddPiece('p');
    form.AddPiece('n');
    form.DrawPieces();
    ExpectPieceAt(QPoint(10, 50), 'n');
    ExpectPieceAt(QPoint(50, 50), 'p');
    ExpectPaleGreen(QRect(0, 0, 716, 10));
    ExpectPaleGreen(QRect(0, 10, 716, 40));
    ExpectPaleGreen(QRect(0, 50, 10, 40));
    ExpectPaleGreen(QRect(90, 50, 626, 40));
    ExpectPaleGreen(QRect(0, 90, 716, 10));
}

TEST_F(CapturedTest, WhitePiecesFromKingDownToPawn) {
    for (char letter : {'P', 'R', 'P', 'Q', 'N', 'B'})
        form.AddPiece(letter);
    form.AddPiece('q');
    form.DrawPieces();
    const char order[] = "QRBNPP";
    for (int i = 0; i < 6; ++i)
        ExpectPieceAt(QPoint(10 + Cell * i, 10), order[i]);
    ExpectPaleGreen(QRect(250, 10, 466, 40));
    ExpectPieceAt(QPoint(10, 50), 'q');
    ExpectPaleGreen(QRect(50, 50, 666, 40));
}

TEST_F(CapturedTest, BackgroundTakesTheWindowColour) {
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, QColor(30, 60, 90));
    form.setPalette(palette);
    form.AddPiece('B');
    form.DrawPieces();
    EXPECT_EQ(form.Picture().pixel(10, 10), qRgb(30, 60, 90));
    ExpectPieceAt(QPoint(10, 10), 'B');
}

TEST_F(CapturedTest, TakingBackRemovesThePieceFromThePicture) {
    form.AddPiece('p');
    form.DrawPieces();
    const QImage pawnOnly = form.Picture();

    form.AddPiece('N');
    form.AddPiece('p');
    form.DrawPieces();
    form.RemovePiece('p');
    form.RemovePiece('N');
    form.DrawPieces();
    EXPECT_EQ(form.Picture(), pawnOnly);
    EXPECT_EQ(form.Captured('p'), 1);
    EXPECT_EQ(form.Captured('N'), 0);

    form.RemovePiece('N');
    form.RemovePiece('k');
    EXPECT_EQ(form.Captured('N'), 0);
    form.DrawPieces();
    EXPECT_EQ(form.Picture(), pawnOnly);
}

TEST_F(CapturedTest, ClearPiecesEmptiesCountersAndPicture) {
    for (char letter : {'P', 'n', 'q', 'R'})
        form.AddPiece(letter);
    form.DrawPieces();
    form.ClearPieces();
    for (char letter : {'P', 'n', 'q', 'R'})
        EXPECT_EQ(form.Captured(letter), 0) << letter;
    ExpectPaleGreen(form.Picture().rect());
}

TEST_F(CapturedTest, OnlyTheTwelvePieceLettersAreCounted) {
    for (char letter : {'x', ' ', '\0', 'K', char(0xE9), char(0x80), char(0xFF)})
        form.AddPiece(letter);
    for (char letter : {'x', ' ', '\0', char(0xE9), char(0x80), char(0xFF)})
        EXPECT_EQ(form.Captured(letter), 0) << int(letter);
    EXPECT_EQ(form.Captured('K'), 1);
    form.RemovePiece(char(0xE9));
    form.RemovePiece('x');
    form.DrawPieces();
    ExpectPieceAt(QPoint(10, 10), 'K');
    ExpectPaleGreen(QRect(50, 10, 666, 40));
    ExpectPaleGreen(QRect(0, 50, 716, 40));
}

TEST_F(CapturedTest, MorePiecesThanTheRowHoldsAreCutAtItsEnd) {
    for (int i = 0; i < 30; ++i)
        form.AddPiece('p');
    form.DrawPieces();
    EXPECT_EQ(form.Captured('p'), 30);
    ExpectPieceAt(QPoint(10 + Cell * 14, 50), 'p');
    ExpectPaleGreen(QRect(0, 90, 716, 10));
    ExpectPaleGreen(QRect(0, 10, 716, 40));
}

TEST_F(CapturedTest, ShowingRedrawsWithTheCurrentCounters) {
    form.AddPiece('r');
    form.show();
    ExpectPieceAt(QPoint(10, 50), 'r');
    const QImage shown = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.copy(4, 4, 716, 100), form.Picture());
    form.hide();
}

} // namespace
