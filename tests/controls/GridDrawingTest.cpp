#include "controls/KxDrawGrid.h"
#include "platform/Registry.h"
#include "storage/kxVclutils.h"

#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A grid whose cells draw a masked picture, a centred string and wrapped text.
class DrawingGrid : public ::testing::Test {
protected:
    QWidget form;
    TKxDrawGrid* grid = new TKxDrawGrid(&form);

    DrawingGrid() {
        grid->setGeometry(0, 0, 300, 200);
        grid->SetColCount(3);
        grid->SetRowCount(3);
        grid->SetDefaultRowHeight(40);
        grid->SetColWidths(1, 100);
        grid->SetColWidths(2, 60);
        form.show();
    }
};

TEST_F(DrawingGrid, PicturesAreCentredAndTheirTransparentColourLeftOut) {
    QImage bitmap(10, 10, QImage::Format_RGB32);
    bitmap.fill(Qt::green);
    bitmap.setPixel(0, 9, qRgb(255, 0, 255));
    bitmap.setPixel(5, 5, qRgb(255, 0, 255));
    grid->OnDrawCell = [&](QObject*, int c, int r, const QRect& rect, TGridDrawState) {
        if (c == 1 && r == 1)
            grid->DrawMasked(rect, bitmap);
    };
    const QImage shot = grid->viewport()->grab().toImage();
    const QRect cell = grid->CellRect(1, 1);
    const QPoint origin = cell.topLeft() + QPoint((100 - 10) / 2, (40 - 10) / 2);
    EXPECT_EQ(shot.pixelColor(origin + QPoint(1, 1)), QColor(Qt::green));
    EXPECT_NE(shot.pixelColor(origin + QPoint(5, 5)), QColor(255, 0, 255));
    EXPECT_NE(shot.pixelColor(origin - QPoint(1, 1)), QColor(Qt::green));
}

TEST_F(DrawingGrid, StringsKeepTheirAlignmentAndWrapOnlyWhenMultiline) {
    const QString text = "molte parole da andare a capo";
    QRect single;
    QRect multi;
    grid->OnDrawCell = [&](QObject*, int c, int r, const QRect& rect, TGridDrawState) {
        if (r != 1)
            return;
        if (c == 1)
            grid->DrawStr(rect, "ab", taRightJustify);
        if (c == 2)
            grid->DrawMultiline(rect, text, taLeftJustify);
        single = grid->CellRect(1, 1);
        multi = grid->CellRect(2, 1);
    };
    const QImage shot = grid->viewport()->grab().toImage();
    const auto inkColumns = [&](const QRect& area) {
        int left = area.right();
        int right = area.left();
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (qGray(shot.pixel(x, y)) < 100) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return std::pair(left, right);
    };
    const auto [left, right] = inkColumns(single);
    EXPECT_GT(left, single.center().x()) << "right-justified";
    EXPECT_LE(right, single.right() - 2);
    int inkRows = 0;
    for (int y = multi.top(); y <= multi.bottom(); ++y)
        for (int x = multi.left(); x <= multi.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 100) {
                ++inkRows;
                break;
            }
    EXPECT_GT(inkRows, QFontMetrics(grid->font()).height()) << "more than one line";
}

// The handler's painter fills in the cell's colour: text drawn opaque keeps the cell's
// background, by default drawing or not, whatever grid draws it.
TEST(GridCellBrush, TheHandlerPaintsInTheCellsColour) {
    QWidget form;
    auto* plain = new TDrawGrid(&form);
    auto* kx = new TKxDrawGrid(&form);
    for (TDrawGrid* grid : {plain, static_cast<TDrawGrid*>(kx)}) {
        grid->setGeometry(0, grid == plain ? 0 : 110, 200, 100);
        grid->SetColCount(2);
        grid->SetRowCount(3);
        grid->SetFixedRows(1);
        grid->SetFixedCols(0);
        grid->SetDefaultRowHeight(24);
        grid->SetColor(platform::clYellow);
        grid->SetFixedColor(platform::clAqua);
        grid->SetOptions(grid->Options() | goRowSelect | goDrawFocusSelected);
        grid->SetRow(1);
    }
    plain->OnDrawCell = [&](QObject*, int, int, const QRect& rect, TGridDrawState) {
        DrawCellText(*plain->Canvas(), rect, QString(), Qt::AlignLeft, vaCenter, false);
    };
    kx->OnDrawCell = [&](QObject*, int, int r, const QRect& rect, TGridDrawState) {
        kx->DrawStr(rect, QStringLiteral("x%1").arg(r), taRightJustify);
    };
    form.show();
    const auto colourAt = [](TDrawGrid* grid, int c, int r) {
        const QImage shot = grid->viewport()->grab().toImage();
        return platform::FromQColor(shot.pixelColor(grid->CellRect(c, r).topLeft() + QPoint(1, 1)));
    };
    const auto plainColour = [](TColor colour) {
        return platform::FromQColor(platform::ToQColor(colour));
    };
    for (TDrawGrid* grid : {plain, static_cast<TDrawGrid*>(kx)}) {
        SCOPED_TRACE(grid == plain ? "draw grid" : "kx draw grid");
        EXPECT_EQ(colourAt(grid, 0, 0), plainColour(platform::clAqua));
        EXPECT_EQ(colourAt(grid, 1, 1), plainColour(platform::clHighlight));
        EXPECT_EQ(colourAt(grid, 0, 2), plainColour(platform::clYellow));
        // Without default drawing nothing is highlighted: the brush is the grid's colour.
        grid->SetDefaultDrawing(false);
        EXPECT_EQ(colourAt(grid, 1, 1), plainColour(platform::clYellow));
        EXPECT_EQ(colourAt(grid, 0, 0), plainColour(platform::clAqua));
    }
}

TEST(GridLayoutReg, TheRegistryKeepsTheColumnWidths) {
    QTemporaryDir dir;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QWidget form;
    auto* grid = new TKxDrawGrid(&form);
    grid->setObjectName("Grid1");
    grid->SetColWidths(2, 77);
    {
        TRegIniFile reg("Software\\Quendel");
        SaveGridLayoutReg(grid, &reg);
    }
    grid->SetColWidths(2, 5);
    TRegIniFile reg("Software\\Quendel");
    RestoreGridLayoutReg(grid, &reg);
    EXPECT_EQ(grid->ColWidths(2), 77);
    qputenv("XDG_CONFIG_HOME", old);
}

} // namespace
