// The grid keeps where its rows and columns begin; every change that moves cells must move them
// in what it answers too. Each step, or run of steps, is checked against places summed afresh.
#include "controls/Grids.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

class MovableGrid : public TStringGrid {
public:
    using TCustomGrid::MoveColumn;
    using TCustomGrid::MoveRow;
};

// Where each column (row) begins in the viewport, summed from the sizes; -1 when scrolled out.
std::vector<int> Starts(const std::vector<int>& sizes, int fixed, int first, int line) {
    std::vector<int> starts(sizes.size(), -1);
    int at = 0;
    for (int i = 0; i < int(sizes.size()); ++i) {
        if (i >= fixed && i < first)
            continue;
        starts[size_t(i)] = at;
        at += sizes[size_t(i)] + line;
    }
    return starts;
}

// The first row (column) to show so that the last ones fill the room after the fixed ones.
int LastFirst(const std::vector<int>& sizes, int fixed, int extent, int line) {
    int room = extent;
    for (int i = 0; i < fixed; ++i)
        room -= sizes[size_t(i)] + line;
    int first = int(sizes.size());
    while (first > fixed && sizes[size_t(first - 1)] + line <= room)
        room -= sizes[size_t(--first)] + line;
    return std::clamp(first, fixed, std::max(fixed, int(sizes.size()) - 1));
}

struct Model {
    std::vector<int> widths;
    std::vector<int> heights;
};

// Every cell's rectangle, the cell under its corner and centre, and the farthest scrolling, as
// summed afresh.
void ExpectPlaces(MovableGrid& grid, const Model& model, const std::string& step) {
    SCOPED_TRACE(step);
    ASSERT_EQ(grid.ColCount(), int(model.widths.size()));
    ASSERT_EQ(grid.RowCount(), int(model.heights.size()));
    for (int c = 0; c < grid.ColCount(); ++c)
        ASSERT_EQ(grid.ColWidths(c), model.widths[size_t(c)]) << "column " << c;
    for (int r = 0; r < grid.RowCount(); ++r)
        ASSERT_EQ(grid.RowHeights(r), model.heights[size_t(r)]) << "row " << r;
    const int line = grid.GridLineWidth();
    const int width = grid.viewport()->width();
    const int height = grid.viewport()->height();
    const std::vector<int> xs = Starts(model.widths, grid.FixedCols(), grid.LeftCol(), line);
    const std::vector<int> ys = Starts(model.heights, grid.FixedRows(), grid.TopRow(), line);
    int shown = 0;
    for (int r = 0; r < grid.RowCount(); ++r) {
        for (int c = 0; c < grid.ColCount(); ++c) {
            const int x = xs[size_t(c)];
            const int y = ys[size_t(r)];
            const bool visible = x >= 0 && y >= 0 && x < width && y < height;
            const QRect expected =
                visible ? QRect(x, y, model.widths[size_t(c)], model.heights[size_t(r)]) : QRect();
            ASSERT_EQ(grid.CellRect(c, r), expected) << "cell " << c << "," << r;
            if (!visible || expected.isEmpty())
                continue;
            ++shown;
            for (const QPoint point : {expected.topLeft(), expected.center()}) {
                if (!grid.viewport()->rect().contains(point))
                    continue;
                int col = -1;
                int row = -1;
                grid.MouseToCell(point.x(), point.y(), col, row);
                ASSERT_EQ(QPoint(col, row), QPoint(c, r)) << "under a point of " << c << "," << r;
            }
        }
    }
    EXPECT_GT(shown, 0);
    int whole = 0;
    for (int r = grid.TopRow(); r < grid.RowCount(); ++r) {
        if (ys[size_t(r)] + model.heights[size_t(r)] + line > height + line)
            break;
        ++whole;
    }
    EXPECT_EQ(grid.VisibleRowCount(), whole);
    const int top = grid.TopRow();
    const int left = grid.LeftCol();
    grid.SetTopRow(grid.RowCount());
    grid.SetLeftCol(grid.ColCount());
    EXPECT_EQ(grid.TopRow(), LastFirst(model.heights, grid.FixedRows(), height, line));
    EXPECT_EQ(grid.LeftCol(), LastFirst(model.widths, grid.FixedCols(), width, line));
    grid.SetTopRow(top);
    grid.SetLeftCol(left);
}

// Moves the one at from to to, as the grid moves a row (column) and its size.
void Move(std::vector<int>& sizes, int from, int to) {
    const int size = sizes[size_t(from)];
    sizes.erase(sizes.begin() + from);
    sizes.insert(sizes.begin() + to, size);
}

} // namespace

TEST(GridPlaces, RowsAndColumnsStayInPlaceThroughEveryChange) {
    MovableGrid grid;
    grid.resize(420, 260);
    grid.show();
    Model model{std::vector<int>(5, grid.DefaultColWidth()),
                std::vector<int>(5, grid.DefaultRowHeight())};
    ExpectPlaces(grid, model, "at first");

    QRandomGenerator random(20261207);
    const auto pick = [&](int below) { return int(random.bounded(quint32(std::max(below, 1)))); };
    // Each step changes the grid and the model alike and says what it did.
    const std::vector<std::function<std::string()>> steps{
        [&] {
            const int rows = 1 + pick(300);
            grid.SetRowCount(rows);
            model.heights.resize(size_t(rows), grid.DefaultRowHeight());
            return "rows " + std::to_string(rows);
        },
        [&] {
            const int cols = 1 + pick(12);
            grid.SetColCount(cols);
            model.widths.resize(size_t(cols), grid.DefaultColWidth());
            return "columns " + std::to_string(cols);
        },
        [&] {
            const int row = pick(grid.RowCount());
            const int size = pick(40);
            grid.SetRowHeights(row, size);
            model.heights[size_t(row)] = size;
            return "row " + std::to_string(row) + " high " + std::to_string(size);
        },
        [&] {
            const int col = pick(grid.ColCount());
            const int size = pick(120);
            grid.SetColWidths(col, size);
            model.widths[size_t(col)] = size;
            return "column " + std::to_string(col) + " wide " + std::to_string(size);
        },
        [&] {
            // A run of changes in any order, answered for only after the last.
            const int changes = 1 + pick(60);
            for (int i = 0; i < changes; ++i) {
                const int row = pick(grid.RowCount());
                const int col = pick(grid.ColCount());
                grid.SetRowHeights(row, pick(40));
                grid.SetColWidths(col, pick(120));
                model.heights[size_t(row)] = grid.RowHeights(row);
                model.widths[size_t(col)] = grid.ColWidths(col);
            }
            return std::to_string(changes) + " rows and columns resized";
        },
        [&] {
            // Rows added one by one, each given its height as it comes.
            const int added = 1 + pick(40);
            for (int i = 0; i < added; ++i) {
                grid.SetRowCount(grid.RowCount() + 1);
                grid.SetRowHeights(grid.RowCount() - 1, pick(40));
                model.heights.push_back(grid.RowHeights(grid.RowCount() - 1));
            }
            return std::to_string(added) + " rows added";
        },
        [&] {
            const int from = grid.FixedRows() + pick(grid.RowCount() - grid.FixedRows());
            const int to = grid.FixedRows() + pick(grid.RowCount() - grid.FixedRows());
            grid.MoveRow(from, to);
            if (from != to)
                Move(model.heights, from, to);
            return "row " + std::to_string(from) + " moved to " + std::to_string(to);
        },
        [&] {
            const int from = grid.FixedCols() + pick(grid.ColCount() - grid.FixedCols());
            const int to = grid.FixedCols() + pick(grid.ColCount() - grid.FixedCols());
            grid.MoveColumn(from, to);
            if (from != to)
                Move(model.widths, from, to);
            return "column " + std::to_string(from) + " moved to " + std::to_string(to);
        },
        [&] {
            grid.SetFixedRows(pick(3));
            grid.SetFixedCols(pick(3));
            return "fixed " + std::to_string(grid.FixedCols()) + "," +
                   std::to_string(grid.FixedRows());
        },
        [&] {
            grid.SetTopRow(pick(grid.RowCount()));
            grid.SetLeftCol(pick(grid.ColCount()));
            return "scrolled to " + std::to_string(grid.LeftCol()) + "," +
                   std::to_string(grid.TopRow());
        },
        [&] {
            const QPoint before(grid.Col(), grid.Row());
            grid.SetRow(pick(grid.RowCount()));
            grid.SetCol(pick(grid.ColCount()));
            // A cell made current is scrolled into sight; one too large for it comes first.
            const QRect cell = grid.CellRect(grid.Col(), grid.Row());
            const QRect room = grid.viewport()->rect();
            if (QPoint(grid.Col(), grid.Row()) != before && !cell.isEmpty()) {
                EXPECT_TRUE(cell.bottom() <= room.bottom() || grid.TopRow() == grid.Row())
                    << cell.y() << "+" << cell.height() << " in " << room.height();
                EXPECT_TRUE(cell.right() <= room.right() || grid.LeftCol() == grid.Col())
                    << cell.x() << "+" << cell.width() << " in " << room.width();
            }
            return "current " + std::to_string(grid.Col()) + "," + std::to_string(grid.Row());
        },
        [&] {
            grid.SetGridLineWidth(pick(4));
            return "lines " + std::to_string(grid.GridLineWidth());
        },
        [&] {
            grid.SetDefaultRowHeight(5 + pick(30));
            std::fill(model.heights.begin(), model.heights.end(), grid.DefaultRowHeight());
            return "every row " + std::to_string(grid.DefaultRowHeight());
        },
        [&] {
            grid.resize(100 + pick(500), 60 + pick(400));
            return "size " + std::to_string(grid.width()) + "x" + std::to_string(grid.height());
        },
    };
    for (int i = 0; i < 400; ++i) {
        const std::string step = steps[size_t(pick(int(steps.size())))]();
        ExpectPlaces(grid, model, std::to_string(i) + ": " + step);
        if (HasFatalFailure())
            return;
    }
}

// Where each begins and which one stands at a place, against sums from scratch, through changes
// of sizes, counts, order and line in any order, across many sizes of the tracks.
TEST(GridPlaces, TracksAnswerAsSumsFromScratch) {
    TGridTracks tracks;
    std::vector<int> sizes;
    int line = 1;
    QRandomGenerator random(7122026);
    const auto pick = [&](int below) { return int(random.bounded(quint32(std::max(below, 1)))); };
    const std::vector<std::function<std::string()>> steps{
        [&] {
            const int count = pick(1100);
            const int size = pick(30);
            tracks.Resize(count, size);
            sizes.resize(size_t(count), size);
            return "count " + std::to_string(count) + " new ones " + std::to_string(size);
        },
        [&] {
            const int more = 1 + pick(70);
            for (int i = 0; i < more; ++i) {
                const int size = pick(30);
                tracks.Resize(tracks.Count() + 1, size);
                sizes.push_back(size);
            }
            return std::to_string(more) + " added one by one";
        },
        [&] {
            const int changes = 1 + pick(200);
            for (int i = 0; i < changes && !sizes.empty(); ++i) {
                const int at = pick(int(sizes.size()));
                const int size = pick(30);
                tracks.SetSize(at, size);
                sizes[size_t(at)] = size;
            }
            return std::to_string(changes) + " sizes changed";
        },
        [&] {
            if (sizes.empty())
                return std::string("nothing to move");
            const int from = pick(int(sizes.size()));
            const int to = pick(int(sizes.size()));
            tracks.Move(from, to);
            Move(sizes, from, to);
            return std::to_string(from) + " moved to " + std::to_string(to);
        },
        [&] {
            line = pick(4);
            tracks.SetLineWidth(line);
            return "line " + std::to_string(line);
        },
        [&] {
            const int size = pick(30);
            tracks.Fill(size);
            std::fill(sizes.begin(), sizes.end(), size);
            return "all " + std::to_string(size);
        },
    };
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE(std::to_string(i) + ": " + steps[size_t(pick(int(steps.size())))]());
        ASSERT_EQ(tracks.Count(), int(sizes.size()));
        std::vector<int> offsets{0};
        for (const int size : sizes)
            offsets.push_back(offsets.back() + size + line);
        for (int at = 0; at < int(sizes.size()); ++at)
            ASSERT_EQ(tracks.Size(at), sizes[size_t(at)]) << at;
        for (int at = 0; at < int(offsets.size()); ++at)
            ASSERT_EQ(tracks.Offset(at), offsets[size_t(at)]) << at;
        for (int probe = 0; probe < 40; ++probe) {
            const int value = pick(offsets.back() + 20) - 5;
            const int last =
                int(std::upper_bound(offsets.begin(), offsets.end(), value) - offsets.begin()) - 1;
            ASSERT_EQ(tracks.LastAtOrBefore(value), last) << value;
            const int from = pick(int(offsets.size()));
            const int to = from + pick(int(offsets.size()) - from);
            const int first =
                int(std::lower_bound(offsets.begin() + from, offsets.begin() + to, value) -
                    offsets.begin());
            ASSERT_EQ(tracks.FirstAtOrAfter(value, from, to), first)
                << value << " in " << from << ".." << to;
        }
    }
}

// Filled row by row as the download window fills it, the grid still answers for its last rows.
TEST(GridPlaces, AGridFilledRowByRowPlacesItsLastRows) {
    MovableGrid grid;
    grid.resize(400, 200);
    grid.SetColCount(5);
    grid.SetRowCount(1);
    grid.SetFixedCols(0);
    grid.SetFixedRows(0);
    grid.SetDefaultRowHeight(15);
    grid.show();
    const int rows = 20000;
    for (int row = 1; row < rows; ++row) {
        grid.SetRowCount(row + 1);
        grid.SetCells(1, row, QString::number(row));
    }
    grid.SetFixedRows(1);
    grid.SetRow(rows - 1);
    const QRect last = grid.CellRect(1, rows - 1);
    ASSERT_FALSE(last.isEmpty());
    EXPECT_LE(last.bottom(), grid.viewport()->height());
    int col = -1;
    int row = -1;
    grid.MouseToCell(last.center().x(), last.center().y(), col, row);
    EXPECT_EQ(row, rows - 1);
    EXPECT_EQ(grid.TopRow(), rows - grid.VisibleRowCount());
}
