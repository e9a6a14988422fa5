// The drawing toolbox: gradient bands and rounding, text fitting, cell text, the command line,
// geometry and the nested wait cursor.
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QPainter>
#include <gtest/gtest.h>

using namespace platform;

namespace {

TColor At(const QImage& image, int x, int y) {
    return FromQColor(QColor(image.pixel(x, y)));
}

QImage White(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

TEST(GradientTest, OneColourFillsSolid) {
    QImage canvas = White(10, 10);
    QPainter painter(&canvas);
    GradientFillRect(painter, QRect(0, 0, 10, 10), clRed, clBlue, fdTopToBottom, 1);
    painter.end();
    EXPECT_EQ(At(canvas, 5, 9), clRed);
}

TEST(GradientTest, BandsOfOnePixelWhenColoursExceedTheHeight) {
    QImage canvas = White(4, 10);
    QPainter painter(&canvas);
    GradientFillRect(painter, QRect(0, 0, 4, 10), clBlack, TColor(0x0000FF), fdTopToBottom, 255);
    painter.end();
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(At(canvas, 2, y), TColor((y * 255 * 2 + 9) / 18)) << y; // rounded y*255/9
}

TEST(GradientTest, ReversedDirectionsRunFromTheEndColourAndFillTheRemainder) {
    QImage canvas = White(10, 2);
    QPainter painter(&canvas);
    // 3 bands of 3 pixels over 10: the last pixel takes the start colour.
    GradientFillRect(painter, QRect(0, 0, 10, 2), TColor(0x000064), TColor(0x000000), fdRightToLeft,
                     3);
    painter.end();
    EXPECT_EQ(At(canvas, 0, 0), TColor(0x000000));
    EXPECT_EQ(At(canvas, 3, 0), TColor(0x000032));
    EXPECT_EQ(At(canvas, 6, 0), TColor(0x000064));
    EXPECT_EQ(At(canvas, 9, 0), TColor(0x000064));
}

TEST(TextTest, MinimizeTextKeepsAFittingTextAndEndsInDots) {
    QFont font;
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    EXPECT_EQ(MinimizeText("Quendel", metrics, 1000), "Quendel");
    EXPECT_EQ(MinimizeText("Quendel", metrics, 0), "...");
    const int width = metrics.horizontalAdvance("Quen...");
    EXPECT_EQ(MinimizeText("Quendel", metrics, width), "Quen...");
}

TEST(TextTest, CellTextIsPlacedByItsAlignments) {
    QFont font;
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    const auto leftmostBlack = [](const QImage& image) {
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (At(image, x, y) == clBlack)
                    return x;
        return -1;
    };
    for (auto align : {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter}) {
        QImage canvas = White(100, 30);
        QPainter painter(&canvas);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.setBrush(QColor(Qt::yellow));
        DrawCellText(painter, QRect(0, 0, 100, 30), "W", align, vaCenter);
        painter.end();
        EXPECT_EQ(At(canvas, 50, 0), clYellow);
        const int x = leftmostBlack(canvas);
        const int w = QFontMetrics(font).horizontalAdvance("W");
        if (align == Qt::AlignLeft)
            EXPECT_LE(x, 2 + 2);
        else if (align == Qt::AlignRight)
            EXPECT_GE(x, 100 - w - 3 - 2);
        else
            EXPECT_NEAR(x, 50 - w / 2, 3);
    }
}

TEST(CommandLineTest, QuotedPathPlainWordAndQuotedPair) {
    QString exe, params;
    SplitCommandLine("  \"C:\\Programmi\\Quendel 2\\q.exe\" partita.qzd \"due parole\"", exe,
                     params);
    EXPECT_EQ(exe, "C:\\Programmi\\Quendel 2\\q.exe");
    EXPECT_EQ(params, "partita.qzd \"due parole\"");
    SplitCommandLine("\"\" solo", exe, params);
    EXPECT_EQ(exe, "solo");
    EXPECT_EQ(params, "");
    SplitCommandLine("   ", exe, params);
    EXPECT_TRUE(exe.isEmpty());
}

TEST(GeometryTest, EdgesCountAsInside) {
    const QRect r(10, 10, 20, 5); // right 30, bottom 15
    EXPECT_TRUE(PointInRect({30, 15}, r));
    EXPECT_TRUE(PointInRect({10, 10}, r));
    EXPECT_FALSE(PointInRect({31, 12}, r));
    EXPECT_EQ(WidthOf(r), 20);
    EXPECT_EQ(HeightOf(r), 5);
    EXPECT_TRUE(PointInPolyRgn({5, 5}, QPolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}})));
}

TEST(WaitCursorTest, OnlyTheOutermostStopRestores) {
    StopWait(); // unmatched: nothing
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    StartWait();
    StartWait();
    StopWait();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    StopWait();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(BitmapToolsTest, PatternCellsAndColourChange) {
    const TBitmap pattern = CreateTwoColorsBrushPattern(clRed, clBlue);
    EXPECT_EQ(pattern.Pixel(0, 0), clBlue);
    EXPECT_EQ(pattern.Pixel(1, 1), clBlue);
    EXPECT_EQ(pattern.Pixel(1, 0), clRed);
    const TBitmap changed = ChangeBitmapColor(pattern, clRed, clLime);
    EXPECT_EQ(changed.Pixel(1, 0), clLime);
    const TBitmap cell = AssignBitmapCell(changed, 2, 2, 3);
    EXPECT_EQ(cell.Width(), 4);
    EXPECT_EQ(cell.Pixel(0, 0), changed.Pixel(4, 4));
    EXPECT_EQ(DropT("TKxLabel"), "KxLabel");
    EXPECT_EQ(DropT("T"), "T");
    EXPECT_EQ(AnsiUpperFirstChar("bianchi"), "Bianchi");
}
