#pragma once
// The platform's grids, our own on a scroll area: fixed rows and columns that stay in place,
// sizable rows and columns, keyboard moves, row selection and an in-place editor protocol that
// subclasses refine cell by cell.

#include "platform/Colors.h"
#include "storage/Apputils.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QLineEdit>
#include <QPointer>
#include <algorithm>
#include <functional>
#include <vector>

enum TGridOption {
    goFixedVertLine = 0x1,
    goFixedHorzLine = 0x2,
    goVertLine = 0x4,
    goHorzLine = 0x8,
    goRangeSelect = 0x10,
    goDrawFocusSelected = 0x20,
    goRowSizing = 0x40,
    goColSizing = 0x80,
    goRowMoving = 0x100,
    goColMoving = 0x200,
    goEditing = 0x400,
    goTabs = 0x800,
    goRowSelect = 0x1000,
    goAlwaysShowEditor = 0x2000,
    goThumbTracking = 0x4000
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

enum TGridDrawStateFlag { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

// A block of cells, its corners included.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TGridRect&) const = default;
};

class TCustomGrid;

// The sizes of a grid's columns (or rows) and where each begins, counted from the first with the
// grid line after each. The extents are kept in a binary indexed tree, so changing one size, asking
// where one begins or finding the one at a place each cost a walk of about log2(Count()) steps:
// a grid given every row's height one by one, with the scroll bars following each, stays linear.
class TGridTracks {
public:
    int Count() const { return int(sizes_.size()); }
    int Size(int i) const { return sizes_.at(size_t(i)); }
    void SetSize(int i, int size);
    // New ones take size.
    void Resize(int count, int size);
    void Fill(int size);
    // The one at from goes to to, the others between shifting by one.
    void Move(int from, int to);
    void SetLineWidth(int width);
    // Where i begins; Offset(Count()) is the whole length.
    int Offset(int i) const;
    // The last i in 0..Count() that begins at or before value; -1 when value is negative.
    int LastAtOrBefore(int value) const;
    // The first i in from..to that begins at or after value; to when none does.
    int FirstAtOrAfter(int value, int from, int to) const;

private:
    void Rebuild();
    // The last i in 0..Count() whose offset still passes, given that passing ones come first and
    // Offset(0) passes.
    int LastPassing(const std::function<bool(int offset)>& passes) const;

    std::vector<int> sizes_;
    int line_ = 1;
    // extents_[k] (k from 1) sums size plus line over the k & -k ones ending with number k - 1.
    std::vector<int> extents_{0};
};

// The grid's editor: a line edit over the current cell that hands the moving keys to the grid.
class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEdit(TCustomGrid* grid);

    TCustomGrid* Grid() const { return grid_; }
    // Takes the text, limit and read-only state of the grid's current cell.
    virtual void UpdateContents();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TCustomGrid* grid_;
};

class TCustomGrid : public QAbstractScrollArea, public IGridColumns {
    Q_OBJECT
    Q_PROPERTY(int Height READ height WRITE SetHeight)
public:
    explicit TCustomGrid(QWidget* parent = nullptr);
    ~TCustomGrid() override;

    // A stored height below 0 reads as 0.
    void SetHeight(int height) { resize(width(), std::max(height, 0)); }

    int ColCount() const { return cols_.Count(); }
    void SetColCount(int value);
    int RowCount() const { return rows_.Count(); }
    void SetRowCount(int value);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int value);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int value);
    int ColWidths(int col) const { return cols_.Size(col); }
    void SetColWidths(int col, int width);
    int RowHeights(int row) const { return rows_.Size(row); }
    void SetRowHeights(int row, int height);
    // Setting a default size gives it to every column (row).
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor value);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int value);
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions value);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);

    int Col() const { return col_; }
    void SetCol(int value) { FocusCell(value, row_); }
    int Row() const { return row_; }
    void SetRow(int value) { FocusCell(col_, value); }
    int TopRow() const { return topRow_; }
    void SetTopRow(int value) { MoveTopLeft(leftCol_, value); }
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int value) { MoveTopLeft(value, topRow_); }
    // Whole rows and columns that fit below and right of the fixed ones.
    int VisibleRowCount() const;
    int VisibleColCount() const;
    TGridState GridState() const { return state_; }
    // From the current cell to the far corner a drag reached (with goRangeSelect); whole rows
    // with goRowSelect.
    TGridRect Selection() const;
    // The painter of the cell being drawn, only inside the drawing.
    QPainter* Canvas() const { return canvas_; }

    // The cell under a viewport point; -1, -1 outside every cell.
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
    // The cell's rectangle in the viewport without its grid lines; empty when it is not shown.
    QRect CellRect(int ACol, int ARow) const;

    bool EditorMode() const { return editorMode_; }
    void SetEditorMode(bool value);
    TInplaceEdit* InplaceEditor() const { return editor_; }
    void ShowEditor();
    void HideEditor();

    // Column widths for the stored grid layout.
    const QObject* GridComponent() const override { return this; }
    int GridColCount() const override { return ColCount(); }
    int GridColWidth(int col) const override { return ColWidths(col); }
    void SetGridColWidth(int col, int width) override { SetColWidths(col, width); }

protected:
    virtual void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) = 0;
    virtual bool SelectCell(int ACol, int ARow);
    virtual QString GetEditText(int ACol, int ARow);
    virtual void SetEditText(int ACol, int ARow, const QString& Value);
    virtual bool CanEditShow();
    virtual bool CanEditAcceptKey(QChar Key);
    virtual bool CanEditModify() { return true; }
    virtual int GetEditLimit() { return 0; }
    virtual bool CanGridAcceptKey(int Key, Qt::KeyboardModifiers Shift);
    virtual TInplaceEdit* CreateEditor();
    // The editor took the current cell: its text, style and place.
    virtual void UpdateEditor();
    virtual void ColWidthsChanged() {}
    virtual void RowHeightsChanged() {}
    virtual void TopLeftChanged() {}
    virtual void FocusChanged() {}
    // A column (row) was dragged to a new place, its size already with it.
    virtual void ColumnMoved(int /*FromIndex*/, int /*ToIndex*/) {}
    virtual void RowMoved(int /*FromIndex*/, int /*ToIndex*/) {}
    void MoveColumn(int FromIndex, int ToIndex);
    void MoveRow(int FromIndex, int ToIndex);
    // The 3D edges and focus frame of default drawing, after DrawCell.
    virtual void DrawCellFrame(QPainter& painter, int ACol, int ARow, const QRect& ARect,
                               TGridDrawState AState);
    // Fills the cell before DrawCell when drawing by default; the brush stays the cell's colour.
    virtual void FillCell(QPainter& painter, int ACol, int ARow, const QRect& ARect,
                          TGridDrawState AState);

    void InvalidateCell(int ACol, int ARow);
    void InvalidateCol(int ACol);
    void InvalidateRow(int ARow);
    void InvalidateGrid() { viewport()->update(); }
    bool IsFixed(int ACol, int ARow) const { return ACol < fixedCols_ || ARow < fixedRows_; }
    // Whether the point lies on a line that sizes a column (row); the index sized.
    bool ColSizingAt(QPoint point, int& col) const;
    bool RowSizingAt(QPoint point, int& row) const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    friend class TInplaceEdit;
    void FocusCell(int ACol, int ARow);
    void MoveTopLeft(int ALeft, int ATop);
    void ClampCurrent();
    void MakeCurrentVisible();
    void UpdateScrollBars();
    int MaxTopRow() const;
    int MaxLeftCol() const;
    int FixedWidth() const;
    int FixedHeight() const;
    // Left edges of the shown columns (top edges of the shown rows) in the viewport; -1 for one
    // scrolled out on the near side.
    int ColLeft(int col) const;
    int RowTop(int row) const;
    // The shown columns (rows) that begin at or before limit, with where each begins.
    std::vector<std::pair<int, int>> ShownCols(int limit) const;
    std::vector<std::pair<int, int>> ShownRows(int limit) const;
    void MoveBy(int dCol, int dRow);
    void UpdateSizingCursor(QPoint point);
    bool InSelection(int ACol, int ARow) const;
    // Starts moving the column or row of a fixed cell when the options allow it.
    bool BeginMoving(int ACol, int ARow);
    void TrackMoving(QPoint point);
    void TrackSelecting(QPoint point);
    void DrawMoveMark(QPainter& painter);

    TGridTracks cols_;
    TGridTracks rows_;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    TColor color_ = platform::clWindow;
    TColor fixedColor_ = platform::clBtnFace;
    int gridLineWidth_ = 1;
    TGridOptions options_ =
        goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    bool defaultDrawing_ = true;
    bool ctl3D_ = true;
    int col_ = 1;
    int row_ = 1;
    // The far corner of the selection.
    int anchorCol_ = 1;
    int anchorRow_ = 1;
    int moveFrom_ = -1;
    int moveTo_ = -1;
    int topRow_ = 1;
    int leftCol_ = 1;
    TGridState state_ = gsNormal;
    int sizingIndex_ = -1;
    int sizingOrigin_ = 0;
    int sizingStart_ = 0;
    bool editorMode_ = false;
    TInplaceEdit* editor_ = nullptr;
    int editCol_ = -1;
    int editRow_ = -1;
    bool syncingScroll_ = false;
    QPainter* canvas_ = nullptr;
};

// A grid whose cells the owner draws.
class TDrawGrid : public TCustomGrid {
    Q_OBJECT
public:
    using TCustomGrid::TCustomGrid;

    std::function<void(QObject* Sender, int ACol, int ARow, const QRect& Rect,
                       TGridDrawState State)>
        OnDrawCell;
    std::function<void(QObject* Sender, int ACol, int ARow, bool& CanSelect)> OnSelectCell;
    std::function<void(QObject* Sender, int ACol, int ARow, QString& Value)> OnGetEditText;
    std::function<void(QObject* Sender, int ACol, int ARow, const QString& Value)> OnSetEditText;
    std::function<void(QObject* Sender, int FromIndex, int ToIndex)> OnColumnMoved;
    std::function<void(QObject* Sender, int FromIndex, int ToIndex)> OnRowMoved;

protected:
    void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void RowMoved(int FromIndex, int ToIndex) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
};

// A draw grid holding a text per cell, drawn 2 pixels in when drawing by default.
class TStringGrid : public TDrawGrid {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    QString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString& Value);

protected:
    void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    // The texts go with their column (row).
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void RowMoved(int FromIndex, int ToIndex) override;

private:
    QHash<QPoint, QString> cells_;
};
