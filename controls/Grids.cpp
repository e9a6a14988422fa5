#include "controls/Grids.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <bit>

using platform::ToQColor;

namespace {

// How near a line the mouse sizes its column or row.
constexpr int sizingSlack = 3;

// Where index i stands after the one at From moved to To.
int MovedIndex(int i, int from, int to) {
    if (i == from)
        return to;
    if (from < to && i > from && i <= to)
        return i - 1;
    if (from > to && i >= to && i < from)
        return i + 1;
    return i;
}

} // namespace

// --- TGridTracks ---

void TGridTracks::SetSize(int i, int size) {
    const int change = size - sizes_.at(size_t(i));
    sizes_[size_t(i)] = size;
    for (size_t k = size_t(i) + 1; k < extents_.size(); k += k & -k)
        extents_[k] += change;
}

void TGridTracks::Resize(int count, int size) {
    if (count <= Count()) {
        sizes_.resize(size_t(count));
        extents_.resize(size_t(count) + 1);
        return;
    }
    while (Count() < count) {
        const size_t k = sizes_.size() + 1;
        sizes_.push_back(size);
        extents_.push_back(Offset(int(k) - 1) - Offset(int(k - (k & -k))) + size + line_);
    }
}

void TGridTracks::Fill(int size) {
    std::fill(sizes_.begin(), sizes_.end(), size);
    Rebuild();
}

void TGridTracks::Move(int from, int to) {
    const int size = sizes_.at(size_t(from));
    sizes_.erase(sizes_.begin() + from);
    sizes_.insert(sizes_.begin() + to, size);
    Rebuild();
}

void TGridTracks::SetLineWidth(int width) {
    line_ = width;
    Rebuild();
}

void TGridTracks::Rebuild() {
    extents_.assign(sizes_.size() + 1, 0);
    for (size_t k = 1; k < extents_.size(); ++k) {
        extents_[k] += sizes_[k - 1] + line_;
        if (const size_t parent = k + (k & -k); parent < extents_.size())
            extents_[parent] += extents_[k];
    }
}

int TGridTracks::Offset(int i) const {
    int offset = 0;
    for (size_t k = size_t(i); k > 0; k &= k - 1)
        offset += extents_.at(k);
    return offset;
}

int TGridTracks::LastPassing(const std::function<bool(int offset)>& passes) const {
    size_t at = 0;
    int offset = 0;
    for (size_t step = std::bit_floor(sizes_.size()); step > 0; step /= 2) {
        if (at + step < extents_.size() && passes(offset + extents_[at + step])) {
            at += step;
            offset += extents_[at];
        }
    }
    return int(at);
}

int TGridTracks::LastAtOrBefore(int value) const {
    if (value < 0)
        return -1;
    return LastPassing([value](int offset) { return offset <= value; });
}

int TGridTracks::FirstAtOrAfter(int value, int from, int to) const {
    const int first =
        value > 0 ? LastPassing([value](int offset) { return offset < value; }) + 1 : 0;
    return std::clamp(first, from, to);
}

// --- TInplaceEdit ---

TInplaceEdit::TInplaceEdit(TCustomGrid* grid) : QLineEdit(grid->viewport()), grid_(grid) {
    setFrame(false);
    hide();
}

void TInplaceEdit::UpdateContents() {
    setMaxLength(grid_->GetEditLimit() > 0 ? grid_->GetEditLimit() : 32767);
    setText(grid_->GetEditText(grid_->Col(), grid_->Row()));
    setReadOnly(!grid_->CanEditModify());
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        grid_->keyPressEvent(event);
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() == 1 && text[0].isPrint() && !grid_->CanEditAcceptKey(text[0]))
        return;
    QLineEdit::keyPressEvent(event);
}

// --- TCustomGrid ---

TCustomGrid::TCustomGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    cols_.Resize(5, defaultColWidth_);
    rows_.Resize(5, defaultRowHeight_);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncingScroll_)
            MoveTopLeft(leftCol_, value + fixedRows_);
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncingScroll_)
            MoveTopLeft(value + fixedCols_, topRow_);
    });
    UpdateScrollBars();
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::SetColCount(int value) {
    value = std::max(value, 1);
    if (value == ColCount())
        return;
    cols_.Resize(value, defaultColWidth_);
    fixedCols_ = std::min(fixedCols_, value - 1);
    ClampCurrent();
}

void TCustomGrid::SetRowCount(int value) {
    value = std::max(value, 1);
    if (value == RowCount())
        return;
    rows_.Resize(value, defaultRowHeight_);
    fixedRows_ = std::min(fixedRows_, value - 1);
    ClampCurrent();
}

void TCustomGrid::SetFixedCols(int value) {
    fixedCols_ = std::clamp(value, 0, ColCount() - 1);
    leftCol_ = fixedCols_;
    col_ = fixedCols_;
    ClampCurrent();
}

void TCustomGrid::SetFixedRows(int value) {
    fixedRows_ = std::clamp(value, 0, RowCount() - 1);
    topRow_ = fixedRows_;
    row_ = fixedRows_;
    ClampCurrent();
}

void TCustomGrid::SetColWidths(int col, int width) {
    width = std::max(width, 0);
    if (cols_.Size(col) == width)
        return;
    cols_.SetSize(col, width);
    UpdateScrollBars();
    UpdateEditor();
    InvalidateGrid();
    ColWidthsChanged();
}

void TCustomGrid::SetRowHeights(int row, int height) {
    height = std::max(height, 0);
    if (rows_.Size(row) == height)
        return;
    rows_.SetSize(row, height);
    UpdateScrollBars();
    UpdateEditor();
    InvalidateGrid();
    RowHeightsChanged();
}

void TCustomGrid::SetDefaultColWidth(int value) {
    defaultColWidth_ = value;
    cols_.Fill(value);
    UpdateScrollBars();
    InvalidateGrid();
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
    defaultRowHeight_ = value;
    rows_.Fill(value);
    UpdateScrollBars();
    InvalidateGrid();
    RowHeightsChanged();
}

void TCustomGrid::SetColor(TColor value) {
    if (color_ != value) {
        color_ = value;
        InvalidateGrid();
    }
}

void TCustomGrid::SetFixedColor(TColor value) {
    if (fixedColor_ != value) {
        fixedColor_ = value;
        InvalidateGrid();
    }
}

void TCustomGrid::SetGridLineWidth(int value) {
    value = std::max(value, 0);
    if (gridLineWidth_ != value) {
        gridLineWidth_ = value;
        cols_.SetLineWidth(value);
        rows_.SetLineWidth(value);
        UpdateScrollBars();
        InvalidateGrid();
    }
}

void TCustomGrid::SetOptions(TGridOptions value) {
    if (options_ == value)
        return;
    options_ = value;
    if (!(options_ & goRangeSelect)) {
        anchorCol_ = col_;
        anchorRow_ = row_;
    }
    if (options_ & goRowSelect || !(options_ & goEditing))
        HideEditor();
    if (options_ & goAlwaysShowEditor && options_ & goEditing)
        ShowEditor();
    InvalidateGrid();
}

void TCustomGrid::SetCtl3D(bool value) {
    if (ctl3D_ != value) {
        ctl3D_ = value;
        InvalidateGrid();
    }
}

int TCustomGrid::FixedWidth() const {
    return cols_.Offset(fixedCols_);
}

int TCustomGrid::FixedHeight() const {
    return rows_.Offset(fixedRows_);
}

namespace {

// Where index begins in the viewport: the fixed ones from the edge, the others after them from
// the first one shown; -1 for one scrolled out.
int Start(const TGridTracks& tracks, int fixed, int first, int index) {
    if (index < fixed)
        return tracks.Offset(index);
    if (index < first)
        return -1;
    return tracks.Offset(fixed) + tracks.Offset(index) - tracks.Offset(first);
}

std::vector<std::pair<int, int>> Shown(const TGridTracks& tracks, int fixed, int first, int limit) {
    std::vector<std::pair<int, int>> shown;
    for (int i = 0; i < fixed; ++i) {
        if (tracks.Offset(i) > limit)
            return shown;
        shown.emplace_back(i, tracks.Offset(i));
    }
    for (int i = first; i < tracks.Count(); ++i) {
        const int start = Start(tracks, fixed, first, i);
        if (start > limit)
            break;
        shown.emplace_back(i, start);
    }
    return shown;
}

// How many whole ones from first fit in extent after the fixed ones.
int WholeCount(const TGridTracks& tracks, int fixed, int first, int extent, int line) {
    const int last =
        tracks.LastAtOrBefore(tracks.Offset(first) + extent + line - tracks.Offset(fixed));
    return std::max(0, last - first);
}

// The first that may be shown so that the last ones fill the extent after the fixed ones.
int MaxFirst(const TGridTracks& tracks, int fixed, int extent) {
    const int count = tracks.Count();
    const int room = extent - tracks.Offset(fixed);
    const int first = tracks.FirstAtOrAfter(tracks.Offset(count) - room, fixed, count);
    return std::clamp(first, fixed, std::max(fixed, count - 1));
}

// The first to show so that current, shown from first on, ends within the extent.
int FirstShowing(const TGridTracks& tracks, int fixed, int first, int current, int extent) {
    if (current < first)
        return current;
    const int reach = tracks.Offset(current) + tracks.Size(current) + tracks.Offset(fixed) - extent;
    return tracks.FirstAtOrAfter(reach, first, current);
}

} // namespace

int TCustomGrid::ColLeft(int col) const {
    return Start(cols_, fixedCols_, leftCol_, col);
}

int TCustomGrid::RowTop(int row) const {
    return Start(rows_, fixedRows_, topRow_, row);
}

std::vector<std::pair<int, int>> TCustomGrid::ShownCols(int limit) const {
    return Shown(cols_, fixedCols_, leftCol_, limit);
}

std::vector<std::pair<int, int>> TCustomGrid::ShownRows(int limit) const {
    return Shown(rows_, fixedRows_, topRow_, limit);
}

int TCustomGrid::VisibleRowCount() const {
    return WholeCount(rows_, fixedRows_, topRow_, viewport()->height(), gridLineWidth_);
}

int TCustomGrid::VisibleColCount() const {
    return WholeCount(cols_, fixedCols_, leftCol_, viewport()->width(), gridLineWidth_);
}

int TCustomGrid::MaxTopRow() const {
    return MaxFirst(rows_, fixedRows_, viewport()->height());
}

int TCustomGrid::MaxLeftCol() const {
    return MaxFirst(cols_, fixedCols_, viewport()->width());
}

void TCustomGrid::UpdateScrollBars() {
    syncingScroll_ = true;
    verticalScrollBar()->setRange(0, MaxTopRow() - fixedRows_);
    verticalScrollBar()->setPageStep(std::max(1, VisibleRowCount()));
    verticalScrollBar()->setValue(topRow_ - fixedRows_);
    horizontalScrollBar()->setRange(0, MaxLeftCol() - fixedCols_);
    horizontalScrollBar()->setPageStep(std::max(1, VisibleColCount()));
    horizontalScrollBar()->setValue(leftCol_ - fixedCols_);
    syncingScroll_ = false;
}

void TCustomGrid::ClampCurrent() {
    col_ = std::clamp(col_, fixedCols_, ColCount() - 1);
    row_ = std::clamp(row_, fixedRows_, RowCount() - 1);
    anchorCol_ = std::clamp(anchorCol_, fixedCols_, ColCount() - 1);
    anchorRow_ = std::clamp(anchorRow_, fixedRows_, RowCount() - 1);
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    UpdateScrollBars();
    UpdateEditor();
    InvalidateGrid();
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop) {
    ALeft = std::clamp(ALeft, fixedCols_, MaxLeftCol());
    ATop = std::clamp(ATop, fixedRows_, MaxTopRow());
    if (ALeft == leftCol_ && ATop == topRow_)
        return;
    TopLeftChanged();
    leftCol_ = ALeft;
    topRow_ = ATop;
    UpdateScrollBars();
    UpdateEditor();
    InvalidateGrid();
}

void TCustomGrid::MakeCurrentVisible() {
    const int top = FirstShowing(rows_, fixedRows_, topRow_, row_, viewport()->height());
    const int left = options_ & goRowSelect
                         ? leftCol_
                         : FirstShowing(cols_, fixedCols_, leftCol_, col_, viewport()->width());
    MoveTopLeft(left, top);
}

void TCustomGrid::FocusCell(int ACol, int ARow) {
    ACol = std::clamp(ACol, fixedCols_, ColCount() - 1);
    ARow = std::clamp(ARow, fixedRows_, RowCount() - 1);
    if ((ACol == col_ && ARow == row_) || !SelectCell(ACol, ARow))
        return;
    const bool editing = editor_ && editor_->isVisible();
    if (editing && !(options_ & goAlwaysShowEditor))
        HideEditor();
    else if (editing)
        SetEditText(editCol_, editRow_, editor_->text());
    if (anchorCol_ != col_ || anchorRow_ != row_)
        InvalidateGrid();
    InvalidateRow(row_);
    col_ = ACol;
    row_ = ARow;
    anchorCol_ = ACol;
    anchorRow_ = ARow;
    InvalidateRow(row_);
    MakeCurrentVisible();
    if (editorMode_)
        ShowEditor();
}

void TCustomGrid::MoveBy(int dCol, int dRow) {
    FocusCell(col_ + dCol, row_ + dRow);
}

// The shown column (row) whose cell and line span the coordinate, or -1.
static int IndexAt(int coordinate, int fixed, int first, const TGridTracks& tracks) {
    const int fixedEnd = tracks.Offset(fixed);
    if (coordinate < fixedEnd)
        return tracks.LastAtOrBefore(coordinate);
    const int at = tracks.LastAtOrBefore(coordinate - fixedEnd + tracks.Offset(first));
    return at >= first && at < tracks.Count() ? at : -1;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
    ACol = -1;
    ARow = -1;
    if (X < 0 || Y < 0 || X >= viewport()->width() || Y >= viewport()->height())
        return;
    const int col = IndexAt(X, fixedCols_, leftCol_, cols_);
    const int row = IndexAt(Y, fixedRows_, topRow_, rows_);
    if (col >= 0 && row >= 0) {
        ACol = col;
        ARow = row;
    }
}

QRect TCustomGrid::CellRect(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        return {};
    const int x = ColLeft(ACol);
    const int y = RowTop(ARow);
    if (x < 0 || y < 0 || x >= viewport()->width() || y >= viewport()->height())
        return {};
    return {x, y, cols_.Size(ACol), rows_.Size(ARow)};
}

bool TCustomGrid::ColSizingAt(QPoint point, int& col) const {
    if (!(options_ & goColSizing) || point.y() >= FixedHeight())
        return false;
    for (const auto& [c, left] : ShownCols(viewport()->width())) {
        if (std::abs(point.x() - (left + cols_.Size(c))) <= sizingSlack) {
            col = c;
            return true;
        }
    }
    return false;
}

bool TCustomGrid::RowSizingAt(QPoint point, int& row) const {
    if (!(options_ & goRowSizing) || point.x() >= FixedWidth())
        return false;
    for (const auto& [r, top] : ShownRows(viewport()->height())) {
        if (std::abs(point.y() - (top + rows_.Size(r))) <= sizingSlack) {
            row = r;
            return true;
        }
    }
    return false;
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
    const QRect rect = CellRect(ACol, ARow);
    if (!rect.isEmpty())
        viewport()->update(
            rect.adjusted(-gridLineWidth_, -gridLineWidth_, gridLineWidth_, gridLineWidth_));
}

void TCustomGrid::InvalidateCol(int ACol) {
    const int x = ACol >= 0 && ACol < ColCount() ? ColLeft(ACol) : -1;
    if (x >= 0)
        viewport()->update(x - gridLineWidth_, 0, cols_.Size(ACol) + 2 * gridLineWidth_,
                           viewport()->height());
}

void TCustomGrid::InvalidateRow(int ARow) {
    const int y = ARow >= 0 && ARow < RowCount() ? RowTop(ARow) : -1;
    if (y >= 0)
        viewport()->update(0, y - gridLineWidth_, viewport()->width(),
                           rows_.Size(ARow) + 2 * gridLineWidth_);
}

// --- the editor protocol ---

bool TCustomGrid::SelectCell(int, int) {
    return true;
}
QString TCustomGrid::GetEditText(int, int) {
    return {};
}
void TCustomGrid::SetEditText(int, int, const QString&) {}
bool TCustomGrid::CanEditAcceptKey(QChar) {
    return true;
}
bool TCustomGrid::CanGridAcceptKey(int, Qt::KeyboardModifiers) {
    return true;
}

bool TCustomGrid::CanEditShow() {
    return (options_ & (goRowSelect | goEditing)) == goEditing && editorMode_;
}

TInplaceEdit* TCustomGrid::CreateEditor() {
    return new TInplaceEdit(this);
}

void TCustomGrid::SetEditorMode(bool value) {
    if (value)
        ShowEditor();
    else
        HideEditor();
}

void TCustomGrid::ShowEditor() {
    editorMode_ = true;
    if (!CanEditShow()) {
        editorMode_ = editorMode_ && (options_ & goAlwaysShowEditor);
        return;
    }
    if (!editor_)
        editor_ = CreateEditor();
    const bool moved = editCol_ != col_ || editRow_ != row_;
    editCol_ = col_;
    editRow_ = row_;
    if (moved || !editor_->isVisible())
        editor_->UpdateContents();
    UpdateEditor();
    editor_->show();
    if (hasFocus() || editor_->hasFocus() || (options_ & goAlwaysShowEditor) == 0)
        editor_->setFocus();
}

void TCustomGrid::UpdateEditor() {
    if (!editor_ || editCol_ < 0)
        return;
    const QRect rect = CellRect(editCol_, editRow_);
    if (rect.isEmpty())
        editor_->hide();
    else
        editor_->setGeometry(rect);
}

void TCustomGrid::HideEditor() {
    if (!(options_ & goAlwaysShowEditor) || !(options_ & goEditing))
        editorMode_ = false;
    if (!editor_ || editCol_ < 0)
        return;
    const bool hadFocus = editor_->hasFocus();
    const int col = editCol_;
    const int row = editRow_;
    editCol_ = -1;
    editRow_ = -1;
    SetEditText(col, row, editor_->text());
    editor_->hide();
    if (hadFocus)
        setFocus();
    InvalidateCell(col, row);
}

// --- painting ---

void TCustomGrid::FillCell(QPainter& painter, int, int, const QRect& ARect, TGridDrawState AState) {
    TColor back = color_;
    TColor text = platform::clWindowText;
    if (AState & gdFixed) {
        back = fixedColor_;
        text = platform::clBtnText;
    } else if (AState & gdSelected &&
               (!(AState & gdFocused) || options_ & (goDrawFocusSelected | goRowSelect))) {
        back = platform::clHighlight;
        text = platform::clHighlightText;
    }
    painter.setBrush(ToQColor(back));
    painter.fillRect(ARect, painter.brush());
    painter.setPen(ToQColor(text));
}

void TCustomGrid::DrawCellFrame(QPainter& painter, int, int, const QRect& ARect,
                                TGridDrawState AState) {
    if (AState & gdFixed && ctl3D_) {
        painter.setPen(ToQColor(platform::clBtnHighlight));
        painter.drawLine(ARect.topLeft(), ARect.topRight());
        painter.drawLine(ARect.topLeft(), ARect.bottomLeft());
        painter.setPen(ToQColor(platform::clBtnShadow));
        painter.drawLine(ARect.bottomLeft(), ARect.bottomRight());
        painter.drawLine(ARect.topRight(), ARect.bottomRight());
    }
    if (AState & gdFocused && !(options_ & goRowSelect) &&
        (options_ & (goEditing | goAlwaysShowEditor)) != (goEditing | goAlwaysShowEditor)) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = ARect;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TCustomGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    canvas_ = &painter;
    painter.fillRect(viewport()->rect(), ToQColor(color_));
    const TColor cellLine = color_ == platform::clSilver ? platform::clGray : platform::clSilver;
    const int width = viewport()->width();
    const int height = viewport()->height();
    const auto shownCols = ShownCols(width - 1);
    for (const auto& [r, y] : ShownRows(height - 1)) {
        for (const auto& [c, x] : shownCols) {
            const QRect rect(x, y, cols_.Size(c), rows_.Size(r));
            TGridDrawState state;
            if (IsFixed(c, r))
                state |= gdFixed;
            else if (InSelection(c, r))
                state |= gdSelected;
            if (c == col_ && r == row_ && hasFocus())
                state |= gdFocused;
            painter.save();
            painter.setClipRect(rect);
            painter.setFont(font());
            // The handler's painter fills in the cell's colour, as the original canvas did.
            painter.setBrush(ToQColor(state & gdFixed ? fixedColor_ : color_));
            if (defaultDrawing_)
                FillCell(painter, c, r, rect, state);
            DrawCell(c, r, rect, state);
            if (defaultDrawing_)
                DrawCellFrame(painter, c, r, rect, state);
            painter.restore();
            if (gridLineWidth_ > 0) {
                const bool fixed = IsFixed(c, r);
                const QColor line = ToQColor(fixed ? platform::clBlack : cellLine);
                if (options_ & (fixed ? goFixedVertLine : goVertLine))
                    painter.fillRect(rect.right() + 1, y, gridLineWidth_,
                                     rect.height() + gridLineWidth_, line);
                if (options_ & (fixed ? goFixedHorzLine : goHorzLine))
                    painter.fillRect(x, rect.bottom() + 1, rect.width() + gridLineWidth_,
                                     gridLineWidth_, line);
            }
        }
    }
    DrawMoveMark(painter);
    if (state_ == gsColSizing || state_ == gsRowSizing) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        if (state_ == gsColSizing)
            painter.drawLine(sizingOrigin_, 0, sizingOrigin_, height);
        else
            painter.drawLine(0, sizingOrigin_, width, sizingOrigin_);
    }
    canvas_ = nullptr;
}

// --- mouse and keys ---

void TCustomGrid::UpdateSizingCursor(QPoint point) {
    int index = 0;
    if (ColSizingAt(point, index))
        viewport()->setCursor(Qt::SplitHCursor);
    else if (RowSizingAt(point, index))
        viewport()->setCursor(Qt::SplitVCursor);
    else
        viewport()->unsetCursor();
}

void TCustomGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    if (ColSizingAt(p, sizingIndex_)) {
        state_ = gsColSizing;
        sizingStart_ = p.x() - cols_.Size(sizingIndex_);
        sizingOrigin_ = p.x();
        return;
    }
    if (RowSizingAt(p, sizingIndex_)) {
        state_ = gsRowSizing;
        sizingStart_ = p.y() - rows_.Size(sizingIndex_);
        sizingOrigin_ = p.y();
        return;
    }
    setFocus();
    int c = 0;
    int r = 0;
    MouseToCell(p.x(), p.y(), c, r);
    if (c < 0)
        return;
    if (IsFixed(c, r)) {
        BeginMoving(c, r);
        return;
    }
    if (c == col_ && r == row_ && options_ & goEditing) {
        anchorCol_ = c;
        anchorRow_ = r;
        ShowEditor();
        InvalidateGrid();
        return;
    }
    FocusCell(c, r);
    if (c != col_ || r != row_)
        return;
    if (anchorCol_ != c || anchorRow_ != r) {
        anchorCol_ = c;
        anchorRow_ = r;
        InvalidateGrid();
    }
    if (options_ & goRangeSelect)
        state_ = gsSelecting;
}

TGridRect TCustomGrid::Selection() const {
    TGridRect rect{std::min(col_, anchorCol_), std::min(row_, anchorRow_),
                   std::max(col_, anchorCol_), std::max(row_, anchorRow_)};
    if (options_ & goRowSelect) {
        rect.Left = fixedCols_;
        rect.Right = ColCount() - 1;
    }
    return rect;
}

bool TCustomGrid::InSelection(int ACol, int ARow) const {
    const TGridRect rect = Selection();
    return ACol >= rect.Left && ACol <= rect.Right && ARow >= rect.Top && ARow <= rect.Bottom;
}

void TCustomGrid::TrackSelecting(QPoint point) {
    // Beyond the edges the selection stops at the last cell shown.
    point.setX(std::clamp(point.x(), 0, viewport()->width() - 1));
    point.setY(std::clamp(point.y(), 0, viewport()->height() - 1));
    int c = -1;
    int r = -1;
    MouseToCell(point.x(), point.y(), c, r);
    if (c < 0)
        return;
    if (c < fixedCols_)
        c = leftCol_;
    if (r < fixedRows_)
        r = topRow_;
    if (c != anchorCol_ || r != anchorRow_) {
        anchorCol_ = c;
        anchorRow_ = r;
        InvalidateGrid();
    }
}

bool TCustomGrid::BeginMoving(int ACol, int ARow) {
    if (options_ & goRowMoving && ACol < fixedCols_ && ARow >= fixedRows_) {
        state_ = gsRowMoving;
        moveFrom_ = moveTo_ = ARow;
        return true;
    }
    if (options_ & goColMoving && ARow < fixedRows_ && ACol >= fixedCols_) {
        state_ = gsColMoving;
        moveFrom_ = moveTo_ = ACol;
        return true;
    }
    return false;
}

void TCustomGrid::TrackMoving(QPoint point) {
    const bool columns = state_ == gsColMoving;
    const int fixed = columns ? fixedCols_ : fixedRows_;
    const int first = columns ? leftCol_ : topRow_;
    const int at = columns ? IndexAt(point.x(), fixedCols_, leftCol_, cols_)
                           : IndexAt(point.y(), fixedRows_, topRow_, rows_);
    // Over the fixed cells the place is the first one shown; past the last nothing changes.
    const int to = at < 0 ? moveTo_ : at < fixed ? first : at;
    if (to != moveTo_) {
        moveTo_ = to;
        viewport()->update();
    }
}

void TCustomGrid::DrawMoveMark(QPainter& painter) {
    if ((state_ != gsColMoving && state_ != gsRowMoving) || moveTo_ == moveFrom_)
        return;
    const bool columns = state_ == gsColMoving;
    const int start = columns ? ColLeft(moveTo_) : RowTop(moveTo_);
    if (start < 0)
        return;
    const int size = columns ? cols_.Size(moveTo_) : rows_.Size(moveTo_);
    // The line on the side the moved one will take.
    const int at = moveTo_ > moveFrom_ ? start + size : start - 1;
    if (columns)
        painter.fillRect(at - 1, 0, 3, viewport()->height(), Qt::black);
    else
        painter.fillRect(0, at - 1, viewport()->width(), 3, Qt::black);
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex || std::min(FromIndex, ToIndex) < fixedCols_ ||
        std::max(FromIndex, ToIndex) >= ColCount())
        return;
    // The editor's text is stored in its cell before the cells move.
    const bool editing = editor_ && editor_->isVisible();
    if (editing)
        HideEditor();
    cols_.Move(FromIndex, ToIndex);
    col_ = MovedIndex(col_, FromIndex, ToIndex);
    anchorCol_ = MovedIndex(anchorCol_, FromIndex, ToIndex);
    ColumnMoved(FromIndex, ToIndex);
    UpdateScrollBars();
    InvalidateGrid();
    if (editing && editorMode_)
        ShowEditor();
}

void TCustomGrid::MoveRow(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex || std::min(FromIndex, ToIndex) < fixedRows_ ||
        std::max(FromIndex, ToIndex) >= RowCount())
        return;
    const bool editing = editor_ && editor_->isVisible();
    if (editing)
        HideEditor();
    rows_.Move(FromIndex, ToIndex);
    row_ = MovedIndex(row_, FromIndex, ToIndex);
    anchorRow_ = MovedIndex(anchorRow_, FromIndex, ToIndex);
    RowMoved(FromIndex, ToIndex);
    UpdateScrollBars();
    InvalidateGrid();
    if (editing && editorMode_)
        ShowEditor();
}

void TCustomGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (state_ == gsSelecting) {
        TrackSelecting(p);
    } else if (state_ == gsColMoving || state_ == gsRowMoving) {
        TrackMoving(p);
    } else if (state_ == gsColSizing || state_ == gsRowSizing) {
        sizingOrigin_ = std::max(state_ == gsColSizing ? p.x() : p.y(), sizingStart_);
        viewport()->update();
    } else if (event->buttons() == Qt::NoButton) {
        UpdateSizingCursor(p);
    }
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const TGridState state = state_;
    state_ = gsNormal;
    if (state == gsColSizing)
        SetColWidths(sizingIndex_, sizingOrigin_ - sizingStart_);
    else if (state == gsRowSizing)
        SetRowHeights(sizingIndex_, sizingOrigin_ - sizingStart_);
    if (state == gsColMoving || state == gsRowMoving) {
        const int from = moveFrom_;
        const int to = moveTo_;
        moveFrom_ = moveTo_ = -1;
        if (state == gsColMoving)
            MoveColumn(from, to);
        else
            MoveRow(from, to);
    }
    viewport()->update();
}

void TCustomGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void TCustomGrid::keyPressEvent(QKeyEvent* event) {
    if (!CanGridAcceptKey(event->key(), event->modifiers()))
        return;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool rowSelect = options_ & goRowSelect;
    switch (event->key()) {
    case Qt::Key_Up:
        MoveBy(0, -1);
        break;
    case Qt::Key_Down:
        MoveBy(0, 1);
        break;
    case Qt::Key_Left:
        if (rowSelect)
            MoveTopLeft(leftCol_ - 1, topRow_);
        else
            MoveBy(-1, 0);
        break;
    case Qt::Key_Right:
        if (rowSelect)
            MoveTopLeft(leftCol_ + 1, topRow_);
        else
            MoveBy(1, 0);
        break;
    case Qt::Key_PageUp:
        MoveBy(0, -std::max(1, VisibleRowCount()));
        break;
    case Qt::Key_PageDown:
        MoveBy(0, std::max(1, VisibleRowCount()));
        break;
    case Qt::Key_Home:
        FocusCell(ctrl ? col_ : fixedCols_, ctrl ? fixedRows_ : row_);
        break;
    case Qt::Key_End:
        FocusCell(ctrl ? col_ : ColCount() - 1, ctrl ? RowCount() - 1 : row_);
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!(options_ & goTabs)) {
            event->ignore();
            return;
        }
        MoveBy(event->key() == Qt::Key_Tab ? 1 : -1, 0);
        break;
    case Qt::Key_F2:
        ShowEditor();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!(options_ & goAlwaysShowEditor))
            SetEditorMode(!editorMode_);
        break;
    default: {
        const QString text = event->text();
        if (options_ & goEditing && !rowSelect && text.size() == 1 && text[0].isPrint() &&
            !editorMode_ && CanEditAcceptKey(text[0])) {
            ShowEditor();
            if (editor_ && editor_->isVisible()) {
                editor_->selectAll();
                QApplication::sendEvent(editor_, event);
            }
            return;
        }
        QAbstractScrollArea::keyPressEvent(event);
    }
    }
}

void TCustomGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    ClampCurrent();
}

void TCustomGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    InvalidateCell(col_, row_);
    FocusChanged();
}

void TCustomGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    InvalidateCell(col_, row_);
    FocusChanged();
}

bool TCustomGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        MoveTopLeft(leftCol_, topRow_ - wheel->angleDelta().y() / 40);
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// --- TDrawGrid ---

void TDrawGrid::DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) {
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TDrawGrid::SelectCell(int ACol, int ARow) {
    bool canSelect = true;
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, canSelect);
    return canSelect;
}

void TDrawGrid::ColumnMoved(int FromIndex, int ToIndex) {
    if (OnColumnMoved)
        OnColumnMoved(this, FromIndex, ToIndex);
}

void TDrawGrid::RowMoved(int FromIndex, int ToIndex) {
    if (OnRowMoved)
        OnRowMoved(this, FromIndex, ToIndex);
}

QString TDrawGrid::GetEditText(int ACol, int ARow) {
    QString value;
    if (OnGetEditText)
        OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TDrawGrid::SetEditText(int ACol, int ARow, const QString& Value) {
    if (OnSetEditText)
        OnSetEditText(this, ACol, ARow, Value);
}

// --- TStringGrid ---

TStringGrid::TStringGrid(QWidget* parent) : TDrawGrid(parent) {}

QString TStringGrid::Cells(int ACol, int ARow) const {
    return cells_.value(QPoint(ACol, ARow));
}

void TStringGrid::SetCells(int ACol, int ARow, const QString& Value) {
    if (Cells(ACol, ARow) == Value)
        return;
    if (Value.isEmpty())
        cells_.remove(QPoint(ACol, ARow));
    else
        cells_.insert(QPoint(ACol, ARow), Value);
    InvalidateCell(ACol, ARow);
}

void TStringGrid::DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) {
    if (DefaultDrawing())
        Canvas()->drawText(ARect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                           Cells(ACol, ARow));
    TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

QString TStringGrid::GetEditText(int ACol, int ARow) {
    QString value = Cells(ACol, ARow);
    if (OnGetEditText)
        OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TStringGrid::SetEditText(int ACol, int ARow, const QString& Value) {
    SetCells(ACol, ARow, Value);
    TDrawGrid::SetEditText(ACol, ARow, Value);
}

void TStringGrid::ColumnMoved(int FromIndex, int ToIndex) {
    QHash<QPoint, QString> moved;
    for (auto it = cells_.cbegin(); it != cells_.cend(); ++it)
        moved.insert(QPoint(MovedIndex(it.key().x(), FromIndex, ToIndex), it.key().y()),
                     it.value());
    cells_.swap(moved);
    TDrawGrid::ColumnMoved(FromIndex, ToIndex);
}

void TStringGrid::RowMoved(int FromIndex, int ToIndex) {
    QHash<QPoint, QString> moved;
    for (auto it = cells_.cbegin(); it != cells_.cend(); ++it)
        moved.insert(QPoint(it.key().x(), MovedIndex(it.key().y(), FromIndex, ToIndex)),
                     it.value());
    cells_.swap(moved);
    TDrawGrid::RowMoved(FromIndex, ToIndex);
}
