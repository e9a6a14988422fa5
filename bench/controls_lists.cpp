// A list box of 100,000 items losing its widest, a grid of 10,000 rows scrolled, and grids filled
// row by row or given every row's height at growing sizes (the time should grow with the rows, not
// faster).
#include "controls/Grids.h"
#include "controls/KXCtrlsLists.h"

#include <QImage>
#include <benchmark/benchmark.h>

namespace {

void ListBoxLosesItsWidest(benchmark::State& state) {
    TTextListBox list;
    list.resize(300, 200);
    list.Items()->BeginUpdate();
    for (int i = 0; i < 100000; ++i)
        list.Items()->Add(QString("riga %1").arg(i));
    list.Items()->EndUpdate();
    for (auto _ : state) {
        list.Items()->Add(QStringLiteral("la riga piu' larga di tutte, di gran lunga"));
        list.Items()->Delete(list.Count() - 1);
        benchmark::DoNotOptimize(list.HorizontalExtent());
    }
}
BENCHMARK(ListBoxLosesItsWidest)->Unit(benchmark::kMillisecond);

void GridScrolled(benchmark::State& state) {
    TStringGrid grid;
    grid.resize(400, 300);
    grid.SetRowCount(10000);
    QImage image(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        for (int row = 1; row < 10000; row += 97) {
            grid.SetTopRow(row);
            grid.viewport()->render(&image);
        }
    }
}
BENCHMARK(GridScrolled)->Unit(benchmark::kMillisecond);

// As the download window fills its grid: one row more, then its texts.
void GridFilledRowByRow(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        TStringGrid grid;
        grid.resize(600, 300);
        grid.SetColCount(5);
        grid.SetRowCount(1);
        grid.SetFixedCols(0);
        grid.SetFixedRows(0);
        grid.SetDefaultRowHeight(15);
        for (int row = 1; row < rows; ++row) {
            grid.SetRowCount(row + 1);
            for (int col = 1; col < 5; ++col)
                grid.SetCells(col, row, QStringLiteral("testo"));
        }
        grid.SetFixedRows(1);
        grid.SetRow(rows - 1);
        benchmark::DoNotOptimize(grid.TopRow());
    }
    state.SetComplexityN(rows);
}
BENCHMARK(GridFilledRowByRow)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Every row given its own height one by one, then the last one made current.
void GridGivenEveryRowHeight(benchmark::State& state) {
    const int rows = int(state.range(0));
    TStringGrid grid;
    grid.resize(600, 300);
    grid.SetRowCount(rows);
    for (auto _ : state) {
        for (int row = 0; row < rows; ++row)
            grid.SetRowHeights(row, grid.RowHeights(row) % 7 == 0 ? 16 : 14);
        grid.SetRow(rows - 1);
        benchmark::DoNotOptimize(grid.TopRow());
        grid.SetRow(1);
    }
    state.SetComplexityN(rows);
}
BENCHMARK(GridGivenEveryRowHeight)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
