#include "controls/KXCtrlsLists.h"

#include "platform/ControlEvents.h"
#include "storage/Apputils.h"

#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QInputMethod>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <algorithm>

using platform::ToQColor;

namespace {

// Heights an owner gives beyond this are cut, so that sums of them stay in range.
constexpr int maxItemHeight = 32767;

} // namespace

// --- TKxListBoxStrings ---

EStringListError::EStringListError(int index)
    : std::out_of_range(QStringLiteral("List index out of bounds (%1)").arg(index).toStdString()) {}

int TKxListBoxStrings::Count() const {
    return listBox_->Count();
}

QString TKxListBoxStrings::Strings(int Index) const {
    listBox_->CheckIndex(Index);
    return listBox_->EntryAt(Index).text;
}

void TKxListBoxStrings::SetStrings(int Index, const QString& S) {
    listBox_->CheckIndex(Index);
    const QVariant data = listBox_->GetItemData(Index);
    Delete(Index);
    Insert(Index, S);
    listBox_->SetItemData(Index, data);
}

QVariant TKxListBoxStrings::Objects(int Index) const {
    listBox_->CheckIndex(Index);
    return listBox_->GetItemData(Index);
}

void TKxListBoxStrings::SetObjects(int Index, const QVariant& Object) {
    listBox_->CheckIndex(Index);
    listBox_->SetItemData(Index, Object);
}

int TKxListBoxStrings::Add(const QString& S) {
    return listBox_->InsertString(-1, S);
}

void TKxListBoxStrings::Insert(int Index, const QString& S) {
    if (Index < 0 || Index > Count())
        throw EStringListError(Index);
    listBox_->InsertString(Index, S);
}

void TKxListBoxStrings::Delete(int Index) {
    listBox_->CheckIndex(Index);
    listBox_->DeleteString(Index);
}

void TKxListBoxStrings::Clear() {
    listBox_->ResetContent();
}

void TKxListBoxStrings::Exchange(int Index1, int Index2) {
    listBox_->CheckIndex(Index1);
    listBox_->CheckIndex(Index2);
    std::swap(listBox_->EntryAt(Index1), listBox_->EntryAt(Index2));
    listBox_->Changed();
}

void TKxListBoxStrings::Move(int CurIndex, int NewIndex) {
    listBox_->CheckIndex(CurIndex);
    listBox_->CheckIndex(NewIndex);
    auto& entries = listBox_->Entries();
    auto item = std::move(entries[size_t(CurIndex)]);
    entries.erase(entries.begin() + CurIndex);
    entries.insert(entries.begin() + NewIndex, std::move(item));
    listBox_->Changed();
}

int TKxListBoxStrings::IndexOf(const QString& S) const {
    for (int i = 0; i < Count(); ++i)
        if (listBox_->EntryAt(i).text.compare(S, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TKxListBoxStrings::Assign(const QStringList& Strings) {
    BeginUpdate();
    Clear();
    for (const QString& s : Strings)
        Add(s);
    EndUpdate();
}

void TKxListBoxStrings::Assign(const TKxListBoxStrings& Source) {
    if (&Source == this)
        return;
    BeginUpdate();
    Clear();
    for (int i = 0; i < Source.Count(); ++i) {
        const int at = Add(Source.Strings(i));
        SetObjects(at, Source.Objects(i));
        listBox_->ItemAssigned(at, *Source.listBox_, i);
    }
    EndUpdate();
}

QStringList TKxListBoxStrings::ToStringList() const {
    QStringList list;
    for (int i = 0; i < Count(); ++i)
        list.append(listBox_->EntryAt(i).text);
    return list;
}

void TKxListBoxStrings::BeginUpdate() {
    if (updateCount_++ == 0)
        listBox_->viewport()->setUpdatesEnabled(false);
}

void TKxListBoxStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) {
        listBox_->viewport()->setUpdatesEnabled(true);
        listBox_->Changed();
    }
}

// --- TKxCustomListBox ---

TKxCustomListBox::TKxCustomListBox(QWidget* parent)
    : QAbstractScrollArea(parent), TCtl3D(this), TControlEvents(this, viewport()),
      TDragControl(this, viewport()) {
    resize(121, 97);
    setFocusPolicy(Qt::StrongFocus);
    UpdateBorder();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncing_)
            SetTopIndex(value);
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (syncing_)
            return;
        if (columns_ > 0)
            SetTopIndex(value * RowsPerColumn());
        else
            viewport()->update();
    });
    UpdateScrollBars();
}

TKxCustomListBox::~TKxCustomListBox() = default;

void TKxCustomListBox::SetBorderStyle(TBorderStyle Value) {
    if (borderStyle_ == Value)
        return;
    borderStyle_ = Value;
    UpdateBorder();
}

// Qt's frame keeps the room; the border itself is painted over it.
void TKxCustomListBox::UpdateBorder() {
    if (borderStyle_ == bsNone) {
        setFrameStyle(QFrame::NoFrame);
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(platform::SingleBorderWidth(Ctl3D()));
    }
    update();
}

bool TKxCustomListBox::event(QEvent* event) {
    const bool handled = QAbstractScrollArea::event(event);
    if (event->type() == QEvent::Paint && borderStyle_ == bsSingle) {
        QPainter painter(this);
        platform::PaintSingleBorder(painter, rect(), Ctl3D());
    }
    return handled;
}

void TKxCustomListBox::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EStringListError(Index);
}

int TKxCustomListBox::InsertString(int Index, const QString& S) {
    if (Index < 0) {
        Index = Count();
        if (sorted_)
            Index = int(std::lower_bound(entries_.begin(), entries_.end(), S,
                                         [](const Entry& e, const QString& s) {
                                             return e.text.compare(s, Qt::CaseInsensitive) < 0;
                                         }) -
                        entries_.begin());
    }
    Entry entry;
    entry.text = S;
    entries_.insert(entries_.begin() + Index, std::move(entry));
    if (itemIndex_ >= Index)
        ++itemIndex_;
    MeasureEntry(Index);
    ItemAdded(Index);
    Changed();
    return Index;
}

void TKxCustomListBox::ItemAdded(int Index) {
    if (tracksExtent())
        widest_ = std::max(widest_, GetItemWidth(Index));
}

void TKxCustomListBox::DeleteString(int Index) {
    const bool widest = tracksExtent() && GetItemWidth(Index) >= widest_;
    entries_.erase(entries_.begin() + Index);
    if (itemIndex_ == Index)
        itemIndex_ = -1;
    else if (itemIndex_ > Index)
        --itemIndex_;
    topIndex_ = std::clamp(topIndex_, 0, std::max(0, Count() - 1));
    if (widest)
        RecomputeWidest();
    Changed();
}

void TKxCustomListBox::ResetContent() {
    entries_.clear();
    itemIndex_ = -1;
    topIndex_ = 0;
    widest_ = 0;
    horizontalScrollBar()->setValue(0);
    Changed();
}

void TKxCustomListBox::Clear() {
    items_.Clear();
}

QVariant TKxCustomListBox::GetItemData(int Index) const {
    return EntryAt(Index).data;
}

void TKxCustomListBox::SetItemData(int Index, const QVariant& Data) {
    EntryAt(Index).data = Data;
}

int TKxCustomListBox::GetItemWidth(int Index) {
    Entry& entry = EntryAt(Index);
    if (entry.width >= 0)
        return entry.width;
    int width = 0;
    if (style_ != lbStandard && OnDrawItem && OnGetItemWidth) {
        OnGetItemWidth(this, Index, width);
    } else {
        const QFontMetrics metrics(font());
        QString text = entry.text + u'x';
        if (tabWidth_ >= 1) {
            const int stop = qRound(tabWidth_ * metrics.horizontalAdvance(u'0') * 0.25);
            width = metrics.boundingRect(QRect(), Qt::TextExpandTabs, text, stop).width();
        } else {
            width = metrics.horizontalAdvance(text);
        }
    }
    entry.width = width;
    return width;
}

void TKxCustomListBox::ResetExtent() {
    for (Entry& entry : entries_)
        entry.width = -1;
    RecomputeWidest();
}

void TKxCustomListBox::RecomputeWidest() {
    horizontalScrollBar()->setValue(0);
    widest_ = 0;
    if (!tracksExtent())
        return;
    for (int i = 0; i < Count(); ++i)
        widest_ = std::max(widest_, GetItemWidth(i));
}

void TKxCustomListBox::Changed() {
    UpdateScrollBars();
    viewport()->update();
}

int TKxCustomListBox::RowsPerColumn() const {
    return std::max(1, viewport()->height() / std::max(1, GetItemHeight()));
}

void TKxCustomListBox::MeasureEntry(int Index) {
    int height = itemHeight_;
    if (style_ == lbOwnerDrawVariable)
        MeasureItem(Index, height);
    EntryAt(Index).height = std::clamp(height, 1, maxItemHeight);
}

void TKxCustomListBox::MeasureAll() {
    for (int i = 0; i < Count(); ++i)
        MeasureEntry(i);
}

int TKxCustomListBox::HeightOf(int Index) const {
    if (VariableHeights() && Index >= 0 && Index < Count())
        return EntryAt(Index).height;
    return GetItemHeight();
}

int TKxCustomListBox::ItemTop(int Index) const {
    if (!VariableHeights())
        return (Index - topIndex_) * GetItemHeight();
    int top = 0;
    for (int i = topIndex_; i < Index; ++i)
        top += HeightOf(i);
    for (int i = Index; i < topIndex_; ++i)
        top -= HeightOf(i);
    return top;
}

int TKxCustomListBox::VisibleFrom(int First) const {
    if (!VariableHeights())
        return RowsPerColumn();
    int count = 0;
    for (int i = First, used = 0; i < Count(); ++i, ++count) {
        used += HeightOf(i);
        if (used > viewport()->height())
            break;
    }
    return std::max(1, count);
}

int TKxCustomListBox::MaxTopIndex() const {
    if (!VariableHeights())
        return std::max(0, Count() - RowsPerColumn());
    int top = Count();
    for (int used = 0; top > 0 && used + HeightOf(top - 1) <= viewport()->height(); --top)
        used += HeightOf(top - 1);
    return std::min(top, std::max(0, Count() - 1));
}

void TKxCustomListBox::SetIntegralHeight(bool Value) {
    if (integralHeight_ != Value) {
        integralHeight_ = Value;
        AdjustIntegralHeight();
    }
}

void TKxCustomListBox::AdjustIntegralHeight() {
    // A hidden box's viewport is laid out only when it is shown.
    if (!integralHeight_ || adjustingHeight_ || !isVisible())
        return;
    const int room = viewport()->height();
    int whole = 0;
    if (VariableHeights()) {
        for (int i = topIndex_; i < Count() && whole + HeightOf(i) <= room; ++i)
            whole += HeightOf(i);
        if (whole == 0)
            whole = topIndex_ < Count() ? HeightOf(topIndex_) : itemHeight_;
    } else {
        const int h = std::max(1, GetItemHeight());
        whole = std::max(1, room / h) * h;
    }
    if (whole == room)
        return;
    adjustingHeight_ = true;
    resize(width(), height() - room + whole);
    adjustingHeight_ = false;
}

int TKxCustomListBox::ColumnWidth() const {
    return columns_ > 0 ? (width() + columns_ - 3) / columns_ : viewport()->width();
}

void TKxCustomListBox::UpdateScrollBars() {
    syncing_ = true;
    const int rows = RowsPerColumn();
    if (columns_ > 0) {
        verticalScrollBar()->setRange(0, 0);
        const int cols = (Count() + rows - 1) / rows;
        horizontalScrollBar()->setRange(0, std::max(0, cols - columns_));
        horizontalScrollBar()->setPageStep(columns_);
        horizontalScrollBar()->setSingleStep(1);
        horizontalScrollBar()->setValue(topIndex_ / rows);
    } else {
        verticalScrollBar()->setRange(0, MaxTopIndex());
        verticalScrollBar()->setPageStep(VisibleFrom(topIndex_));
        verticalScrollBar()->setValue(topIndex_);
        const int extent = HorizontalExtent();
        horizontalScrollBar()->setRange(0, std::max(0, extent - viewport()->width()));
        horizontalScrollBar()->setPageStep(viewport()->width());
        horizontalScrollBar()->setSingleStep(8);
    }
    syncing_ = false;
}

void TKxCustomListBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= Count())
        Value = -1;
    if (!multiSelect_)
        for (int i = 0; i < Count(); ++i)
            EntryAt(i).selected = i == Value;
    itemIndex_ = Value;
    if (Value >= 0)
        MakeVisible(Value);
    viewport()->update();
}

void TKxCustomListBox::SetTopIndex(int Value) {
    Value = std::clamp(Value, 0, std::max(0, Count() - 1));
    if (columns_ > 0)
        Value -= Value % RowsPerColumn();
    if (Value == topIndex_)
        return;
    topIndex_ = Value;
    UpdateScrollBars();
    viewport()->update();
}

void TKxCustomListBox::MakeVisible(int Index) {
    const int rows = RowsPerColumn();
    if (Index < topIndex_) {
        SetTopIndex(Index);
    } else if (columns_ > 0) {
        if (Index >= topIndex_ + rows * columns_)
            SetTopIndex(Index - rows * columns_ + 1 + rows - 1);
    } else if (Index >= topIndex_ + VisibleFrom(topIndex_)) {
        int top = Index;
        for (int used = HeightOf(Index);
             top > 0 && used + HeightOf(top - 1) <= viewport()->height(); --top)
            used += HeightOf(top - 1);
        SetTopIndex(top);
    }
}

int TKxCustomListBox::SelCount() const {
    if (!multiSelect_)
        return -1;
    return int(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.selected; }));
}

bool TKxCustomListBox::Selected(int Index) const {
    CheckIndex(Index);
    return multiSelect_ ? EntryAt(Index).selected : Index == itemIndex_;
}

void TKxCustomListBox::SetSelected(int Index, bool Value) {
    if (multiSelect_) {
        CheckIndex(Index);
        EntryAt(Index).selected = Value;
        viewport()->update();
    } else if (Value) {
        SetItemIndex(Index);
    } else if (Index == itemIndex_) {
        SetItemIndex(-1);
    }
}

QRect TKxCustomListBox::ItemRect(int Index) const {
    if (Index < 0 || Index > Count())
        return {};
    if (columns_ > 0) {
        const int h = GetItemHeight();
        const int rows = RowsPerColumn();
        const int column = (Index - topIndex_) / rows - ((Index - topIndex_) % rows < 0 ? 1 : 0);
        const int row = Index - topIndex_ - column * rows;
        return {column * ColumnWidth(), row * h, ColumnWidth(), h};
    }
    return {-horizontalScrollBar()->value(), ItemTop(Index),
            std::max(viewport()->width(), HorizontalExtent()), HeightOf(Index)};
}

int TKxCustomListBox::ItemAtPos(QPoint Pos, bool Existing) const {
    if (!viewport()->rect().contains(Pos))
        return -1;
    int index = topIndex_;
    if (VariableHeights()) {
        int bottom = 0;
        while (index < Count() && (bottom += HeightOf(index)) <= Pos.y())
            ++index;
    } else {
        index += Pos.y() / std::max(1, GetItemHeight());
        if (columns_ > 0)
            index += Pos.x() / std::max(1, ColumnWidth()) * RowsPerColumn();
    }
    if (index < Count())
        return index;
    return Existing ? -1 : Count();
}

void TKxCustomListBox::SetColumns(int Value) {
    Value = std::max(Value, 0);
    if (columns_ == Value)
        return;
    columns_ = Value;
    topIndex_ = 0;
    ResetExtent();
    Changed();
}

void TKxCustomListBox::SetItemHeight(int Value) {
    if (Value > 0 && itemHeight_ != Value) {
        itemHeight_ = Value;
        MeasureAll();
        AdjustIntegralHeight();
        Changed();
    }
}

void TKxCustomListBox::SetStyle(TListBoxStyle Value) {
    if (style_ != Value) {
        style_ = Value;
        MeasureAll();
        ResetExtent();
        AdjustIntegralHeight();
        Changed();
    }
}

void TKxCustomListBox::SetMultiSelect(bool Value) {
    if (multiSelect_ == Value)
        return;
    multiSelect_ = Value;
    for (int i = 0; i < Count(); ++i)
        EntryAt(i).selected = i == itemIndex_;
    viewport()->update();
}

void TKxCustomListBox::SetSorted(bool Value) {
    if (sorted_ == Value)
        return;
    sorted_ = Value;
    if (sorted_)
        std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
            return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
        });
    Changed();
}

void TKxCustomListBox::SetTabWidth(int Value) {
    Value = std::max(Value, 0);
    if (tabWidth_ != Value) {
        tabWidth_ = Value;
        ResetExtent();
        Changed();
    }
}

void TKxCustomListBox::SetAutoScroll(bool Value) {
    if (autoScroll_ != Value) {
        autoScroll_ = Value;
        ResetExtent();
        Changed();
    }
}

void TKxCustomListBox::SetGraySelection(bool Value) {
    if (graySelection_ != Value) {
        graySelection_ = Value;
        viewport()->update();
    }
}

void TKxCustomListBox::SetColor(TColor Value) {
    if (color_ != Value) {
        color_ = Value;
        viewport()->update();
    }
}

void TKxCustomListBox::SetOnDrawItem(decltype(OnDrawItem) Value) {
    OnDrawItem = std::move(Value);
    ResetExtent();
    Changed();
}

void TKxCustomListBox::SetOnGetItemWidth(decltype(OnGetItemWidth) Value) {
    OnGetItemWidth = std::move(Value);
    ResetExtent();
    Changed();
}

void TKxCustomListBox::MeasureItem(int Index, int& Height) {
    if (style_ == lbOwnerDrawVariable && OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

void TKxCustomListBox::DrawItem(int Index, QRect Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    QPainter& painter = *canvas_;
    painter.fillRect(Rect, painter.brush());
    if (Index >= Count())
        return;
    const QFontMetrics metrics(font());
    const int y = std::max(Rect.top(), (Rect.top() + Rect.bottom() + 1 - metrics.height()) / 2);
    const QRect text(Rect.left() + 2, y, Rect.width() - 2, metrics.height());
    int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    if (tabWidth_ > 0)
        flags |= Qt::TextExpandTabs;
    painter.drawText(text, flags, EntryAt(Index).text);
}

void TKxCustomListBox::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    canvas_ = &painter;
    painter.fillRect(viewport()->rect(), ToQColor(color_));
    const int h = std::max(1, GetItemHeight());
    const int visible = (viewport()->height() + h - 1) / h * std::max(1, columns_ + 1);
    for (int i = topIndex_; i < Count() && (VariableHeights() || i < topIndex_ + visible); ++i) {
        const QRect rect = ItemRect(i);
        if (VariableHeights() && rect.top() >= viewport()->height())
            break;
        if (rect.top() >= viewport()->height() || rect.left() >= viewport()->width())
            continue;
        TOwnerDrawState state;
        const bool selected = multiSelect_ ? EntryAt(i).selected : i == itemIndex_;
        TColor back = color_;
        TColor text = platform::clWindowText;
        if (selected) {
            state |= odSelected;
            if (hasFocus() || !graySelection_) {
                back = platform::clHighlight;
                text = platform::clHighlightText;
            } else {
                back = platform::clBtnFace;
                text = platform::clBtnText;
            }
        }
        if (i == itemIndex_ && hasFocus())
            state |= odFocused;
        painter.save();
        painter.setClipRect(rect);
        painter.setBrush(ToQColor(back));
        painter.setPen(ToQColor(text));
        painter.setFont(font());
        DrawItem(i, rect, state);
        if (state & odFocused) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = rect;
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
        painter.restore();
    }
    canvas_ = nullptr;
}

void TKxCustomListBox::Select(int Index, Qt::KeyboardModifiers Modifiers) {
    if (Index < 0 || Index >= Count())
        return;
    if (multiSelect_) {
        if (!extendedSelect_) {
            EntryAt(Index).selected = !EntryAt(Index).selected;
        } else if (Modifiers & Qt::ShiftModifier && anchor_ >= 0) {
            for (int i = 0; i < Count(); ++i)
                EntryAt(i).selected =
                    i >= std::min(anchor_, Index) && i <= std::max(anchor_, Index);
        } else if (Modifiers & Qt::ControlModifier) {
            EntryAt(Index).selected = !EntryAt(Index).selected;
            anchor_ = Index;
        } else {
            for (int i = 0; i < Count(); ++i)
                EntryAt(i).selected = i == Index;
            anchor_ = Index;
        }
        itemIndex_ = Index;
        MakeVisible(Index);
        viewport()->update();
    } else {
        if (Index == itemIndex_)
            return;
        SetItemIndex(Index);
    }
    if (OnClick)
        OnClick(this);
}

void TKxCustomListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        !platform::Survives(this, *event, [&] { PressItem(*event); }))
        return;
    MouseDown(*event);
}

void TKxCustomListBox::PressItem(const QMouseEvent& event) {
    const QPoint point = event.position().toPoint();
    const int index = ItemAtPos(point, true);
    if (resendingClick_) {
        if (!clickApplied_)
            Select(index, clickModifiers_);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool drag = DragMode() == dmAutomatic;
    // A press on a selection drags it whole; a cancelled drag re-sends the click.
    const bool keepSelection =
        drag && multiSelect_ && index >= 0 && EntryAt(index).selected &&
        (!(modifiers & Qt::ControlModifier) || modifiers & Qt::ShiftModifier);
    if (!keepSelection && !platform::Survives(this, [&] { Select(index, modifiers); }))
        return;
    if (drag) {
        SetDragPoint(point);
        clickApplied_ = !keepSelection;
        clickModifiers_ = modifiers;
        BeginDrag(false);
    }
}

void TKxCustomListBox::mouseMoveEvent(QMouseEvent* event) {
    if (!DragMouseMove(*event))
        MouseMove(*event);
}

void TKxCustomListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (!DragMouseRelease(*event))
        MouseUp(*event);
}

void TKxCustomListBox::PrepareDrag(QDrag* Drag) {
    const QRect shown =
        itemIndex_ >= 0 ? ItemRect(itemIndex_).intersected(viewport()->rect()) : QRect();
    if (!shown.isEmpty()) {
        Drag->setPixmap(viewport()->grab(shown));
        Drag->setHotSpot(DragPoint() - shown.topLeft());
    }
}

void TKxCustomListBox::DragCanceled() {
    resendingClick_ = true;
    const QPoint point = DragPoint();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(
            type, QPointF(point), QPointF(viewport()->mapToGlobal(point)), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        if (!platform::Survives(this, [&] { QApplication::sendEvent(viewport(), &click); }))
            return;
    }
    resendingClick_ = false;
    clickApplied_ = false;
    clickModifiers_ = {};
}

void TKxCustomListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (platform::Survives(this, *event, [&] { mousePressEvent(event); }) && OnDblClick)
        platform::Survives(this, *event, [this] { OnDblClick(this); });
}

void TKxCustomListBox::keyPressEvent(QKeyEvent* event) {
    const int rows = VisibleFrom(topIndex_);
    int target = itemIndex_;
    switch (event->key()) {
    case Qt::Key_Up:
        target = std::max(0, itemIndex_ - 1);
        break;
    case Qt::Key_Down:
        target = std::min(Count() - 1, itemIndex_ + 1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (columns_ == 0) {
            horizontalScrollBar()->triggerAction(event->key() == Qt::Key_Left
                                                     ? QAbstractSlider::SliderSingleStepSub
                                                     : QAbstractSlider::SliderSingleStepAdd);
            return;
        }
        target =
            std::clamp(itemIndex_ + (event->key() == Qt::Key_Left ? -rows : rows), 0, Count() - 1);
        break;
    case Qt::Key_PageUp:
        target = std::max(0, itemIndex_ - rows + 1);
        break;
    case Qt::Key_PageDown:
        target = std::min(Count() - 1, std::max(itemIndex_, 0) + rows - 1);
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = Count() - 1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & Qt::ShiftModifier;
    platform::Survives(this, *event, [&] { Select(target, modifiers); });
}

void TKxCustomListBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    // A taller list shows items from above rather than room below the last.
    if (columns_ == 0)
        topIndex_ = std::clamp(topIndex_, 0, MaxTopIndex());
    AdjustIntegralHeight();
    Changed();
}

void TKxCustomListBox::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    AdjustIntegralHeight();
}

void TKxCustomListBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TKxCustomListBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TKxCustomListBox::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        MeasureAll();
        ResetExtent();
        Changed();
    }
}

// --- TKxCheckListBox ---

namespace {

constexpr int checkCell = 13;

// One cell of the check picture.
void DrawCheckCell(QPainter& painter, QRect cell, TCheckKind kind, TCheckBoxState state,
                   bool enabled) {
    const QColor mark =
        enabled ? (state == cbGrayed ? QColor(128, 128, 128) : Qt::black) : QColor(128, 128, 128);
    const QColor face = enabled && state != cbGrayed ? Qt::white : QColor(192, 192, 192);
    painter.setRenderHint(QPainter::Antialiasing, kind == ckRadioButtons);
    const QRect box = cell.adjusted(0, 0, -1, -1);
    if (kind == ckCheckBoxes) {
        painter.fillRect(box, face);
        painter.setPen(QColor(128, 128, 128));
        painter.drawRect(box);
    } else if (kind == ckRadioButtons) {
        painter.setPen(QColor(128, 128, 128));
        painter.setBrush(face);
        painter.drawEllipse(box.adjusted(1, 1, 0, 0));
        if (state != cbUnchecked) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(mark);
            painter.drawEllipse(QRectF(cell).center(), 2.5, 2.5);
        }
        return;
    }
    if (state == cbUnchecked)
        return;
    QPen pen(mark, 2);
    painter.setPen(pen);
    const QPoint o = cell.topLeft();
    painter.drawPolyline(QPolygon({o + QPoint(3, 6), o + QPoint(5, 9), o + QPoint(10, 3)}));
}

} // namespace

const QImage& TKxCheckListBox::CheckImages() {
    static const QImage images = [] {
        QImage image(6 * checkCell, 3 * checkCell, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 6; ++column)
                DrawCheckCell(painter,
                              QRect(column * checkCell, row * checkCell, checkCell, checkCell),
                              TCheckKind(row), TCheckBoxState(column % 3), column < 3);
        return image;
    }();
    return images;
}

TKxCheckListBox::TKxCheckListBox(QWidget* parent) : TKxCustomListBox(parent) {
    SetAutoScroll(true);
    iniLink_.OnSave = [this](TIniLink*) {
        InternalSaveStates(iniLink_.IniObject(), LinkSection());
    };
    iniLink_.OnLoad = [this](TIniLink*) {
        InternalRestoreStates(iniLink_.IniObject(), LinkSection());
    };
    ResetItemHeight();
    SetImeMode(imeMode_);
}

TKxCheckListBox::~TKxCheckListBox() = default;

void TKxCheckListBox::SetImeMode(TImeMode Value) {
    imeMode_ = Value;
    setAttribute(Qt::WA_InputMethodEnabled, Value != imDisable);
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

int TKxCheckListBox::CheckWidth() const {
    return CheckImages().width() / 6;
}
int TKxCheckListBox::CheckHeight() const {
    return CheckImages().height() / 3;
}

void TKxCheckListBox::ResetItemHeight() {
    const int height = std::max(QFontMetrics(font()).height(), CheckHeight());
    SetItemHeight(Style() == lbOwnerDrawFixed ? std::max(height, ItemHeight()) : height);
}

void TKxCheckListBox::changeEvent(QEvent* event) {
    TKxCustomListBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ResetItemHeight();
}

TCheckListBoxItem* TKxCheckListBox::CheckObject(int Index) {
    auto& check = EntryAt(Index).check;
    if (!check)
        check = std::make_unique<TCheckListBoxItem>();
    return check.get();
}

const TCheckListBoxItem* TKxCheckListBox::CheckObjectOf(int Index) const {
    return EntryAt(Index).check.get();
}

QVariant TKxCheckListBox::GetItemData(int Index) const {
    const TCheckListBoxItem* check = CheckObjectOf(Index);
    return check ? check->Data : QVariant();
}

void TKxCheckListBox::SetItemData(int Index, const QVariant& Data) {
    CheckObject(Index)->Data = Data;
}

void TKxCheckListBox::ItemAssigned(int Index, const TKxCustomListBox& Source, int SourceIndex) {
    const auto* checks = qobject_cast<const TKxCheckListBox*>(&Source);
    const TCheckListBoxItem* from = checks ? checks->CheckObjectOf(SourceIndex) : nullptr;
    if (!from)
        return;
    TCheckListBoxItem* to = CheckObject(Index);
    to->State = from->State;
    to->Enabled = from->Enabled;
}

int TKxCheckListBox::GetItemWidth(int Index) {
    return TKxCustomListBox::GetItemWidth(Index) + CheckWidth() + 2;
}

TCheckBoxState TKxCheckListBox::State(int Index) const {
    CheckIndex(Index);
    const TCheckListBoxItem* check = CheckObjectOf(Index);
    if (!check)
        return cbUnchecked;
    if (checkKind_ == ckRadioButtons && check->State != cbChecked)
        return cbUnchecked;
    return check->State;
}

void TKxCheckListBox::SetState(int Index, TCheckBoxState Value) {
    CheckIndex(Index);
    if (State(Index) == Value && !updating_)
        return;
    if (checkKind_ == ckRadioButtons && Value != cbChecked && State(Index) == cbChecked)
        return;
    CheckObject(Index)->State = Value;
    if (checkKind_ == ckRadioButtons && Value == cbChecked)
        for (int i = 0; i < Count(); ++i)
            if (i != Index && State(i) == cbChecked)
                CheckObject(i)->State = cbUnchecked;
    viewport()->update();
    ChangeItemState(Index);
}

bool TKxCheckListBox::ItemEnabled(int Index) const {
    CheckIndex(Index);
    const TCheckListBoxItem* check = CheckObjectOf(Index);
    return !check || check->Enabled;
}

void TKxCheckListBox::SetItemEnabled(int Index, bool Value) {
    CheckIndex(Index);
    if (ItemEnabled(Index) != Value) {
        CheckObject(Index)->Enabled = Value;
        viewport()->update();
    }
}

void TKxCheckListBox::SetAllowGrayed(bool Value) {
    if (allowGrayed_ != Value) {
        allowGrayed_ = Value;
        viewport()->update();
    }
}

void TKxCheckListBox::SetCheckKind(TCheckKind Value) {
    if (checkKind_ == Value)
        return;
    checkKind_ = Value;
    UpdateCheckStates();
    viewport()->update();
}

int TKxCheckListBox::CheckedIndex() const {
    if (checkKind_ != ckRadioButtons)
        return -1;
    for (int i = 0; i < Count(); ++i)
        if (State(i) == cbChecked)
            return i;
    return -1;
}

void TKxCheckListBox::SetCheckedIndex(int Value) {
    if (checkKind_ == ckRadioButtons && Count() > 0)
        SetState(std::clamp(Value, 0, Count() - 1), cbChecked);
}

void TKxCheckListBox::UpdateCheckStates() {
    if (checkKind_ == ckRadioButtons && Count() > 0 && CheckedIndex() < 0)
        SetState(0, cbChecked);
}

void TKxCheckListBox::ApplyState(TCheckBoxState AState, bool EnabledOnly) {
    if (checkKind_ == ckRadioButtons)
        return;
    for (int i = 0; i < Count(); ++i)
        if ((!EnabledOnly || ItemEnabled(i)) &&
            !platform::Survives(this, [&] { SetState(i, AState); }))
            return;
}

void TKxCheckListBox::ToggleClickCheck(int Index) {
    if (Index < 0 || Index >= Count() || !ItemEnabled(Index))
        return;
    const bool grayable = allowGrayed_ && checkKind_ != ckRadioButtons;
    const TCheckBoxState state = State(Index);
    const TCheckBoxState next = state == cbUnchecked ? (grayable ? cbGrayed : cbChecked)
                                : state == cbChecked ? cbUnchecked
                                                     : cbChecked;
    if (platform::Survives(this, [&] { SetState(Index, next); }))
        ClickCheck();
}

void TKxCheckListBox::ClickCheck() {
    if (OnClickCheck)
        OnClickCheck(this);
}

void TKxCheckListBox::ChangeItemState(int Index) {
    if (OnStateChange)
        OnStateChange(this, Index);
}

void TKxCheckListBox::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text == QLatin1String(" ")) {
        const int index = ItemIndex();
        platform::Survives(this, *event, [&] { ToggleClickCheck(index); });
        return;
    }
    if ((text == "+" || text == "-") && checkKind_ != ckRadioButtons) {
        const TCheckBoxState state = text == "+" ? cbChecked : cbUnchecked;
        if (platform::Survives(this, *event, [&] { ApplyState(state, true); }))
            platform::Survives(this, *event, [this] { ClickCheck(); });
        return;
    }
    TKxCustomListBox::keyPressEvent(event);
}

void TKxCheckListBox::mousePressEvent(QMouseEvent* event) {
    // The click a cancelled drag re-sends only settles the selection.
    if (!platform::Survives(this, *event, [&] { TKxCustomListBox::mousePressEvent(event); }) ||
        event->button() != Qt::LeftButton || resendingClick_)
        return;
    const QPoint point = event->position().toPoint();
    const int index = ItemAtPos(point, true);
    if (index < 0)
        return;
    const QRect rect = ItemRect(index);
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const QRect checkArea =
        rightToLeft
            ? QRect(rect.right() - CheckWidth(), rect.top(), CheckWidth() + 1, rect.height())
            : QRect(rect.left(), rect.top(), CheckWidth(), rect.height());
    if (checkArea.contains(point))
        platform::Survives(this, *event, [&] { ToggleClickCheck(index); });
}

void TKxCheckListBox::DrawItem(int Index, QRect Rect, TOwnerDrawState State) {
    QPainter& painter = *Canvas();
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    QRect checkBox(Rect.left(), Rect.top(), CheckWidth() + 2, Rect.height());
    if (rightToLeft)
        checkBox.moveRight(Rect.right());
    painter.fillRect(checkBox, ToQColor(Color()));
    if (Index < Count()) {
        const bool enabled = ItemEnabled(Index) && isEnabled();
        const int column = int(this->State(Index)) + (enabled ? 0 : 3);
        const QRect cell(column * CheckWidth(), int(checkKind_) * CheckHeight(), CheckWidth(),
                         CheckHeight());
        painter.drawImage(checkBox.left() + (checkBox.width() - CheckWidth()) / 2,
                          checkBox.top() + (checkBox.height() - CheckHeight()) / 2, CheckImages(),
                          cell.x(), cell.y(), cell.width(), cell.height());
        if (!enabled)
            painter.setPen(ToQColor(State & odSelected ? platform::clInactiveCaptionText
                                                       : platform::clGrayText));
    }
    const QRect text = rightToLeft ? Rect.adjusted(0, 0, -checkBox.width(), 0)
                                   : Rect.adjusted(checkBox.width(), 0, 0, 0);
    TKxCustomListBox::DrawItem(Index, text, State);
}

QString TKxCheckListBox::LinkSection() const {
    return iniLink_.RootSection() + GetDefaultSection(this);
}

void TKxCheckListBox::InternalSaveStates(TIniObject Ini, const QString& Section) {
    if (!Ini)
        return;
    platform::InOneRewrite(Ini, [&] {
        IniEraseSection(Ini, Section);
        IniWriteInteger(Ini, Section, QStringLiteral("Count"), Count());
        for (int i = 0; i < Count(); ++i)
            IniWriteInteger(Ini, Section, QStringLiteral("Item%1").arg(i), int(State(i)));
    });
}

void TKxCheckListBox::InternalRestoreStates(TIniObject Ini, const QString& Section) {
    if (!Ini)
        return;
    const int count = std::min(IniReadInteger(Ini, Section, QStringLiteral("Count"), 0), Count());
    for (int i = 0; i < count; ++i) {
        const int state = IniReadInteger(Ini, Section, QStringLiteral("Item%1").arg(i), -1);
        if (state < cbUnchecked || state > cbGrayed)
            continue;
        SetState(i, TCheckBoxState(state));
        // The stored choice ends the walk, not an item that merely refused to be unchecked.
        if (checkKind_ == ckRadioButtons && state == cbChecked)
            break;
    }
}

void TKxCheckListBox::SaveStates(TIniFile* IniFile) {
    InternalSaveStates(IniFile, GetDefaultSection(this));
}

void TKxCheckListBox::RestoreStates(TIniFile* IniFile) {
    InternalRestoreStates(IniFile, GetDefaultSection(this));
}

void TKxCheckListBox::SaveStatesReg(TRegIniFile* IniFile) {
    InternalSaveStates(IniFile, GetDefaultSection(this));
}

void TKxCheckListBox::RestoreStatesReg(TRegIniFile* IniFile) {
    InternalRestoreStates(IniFile, GetDefaultSection(this));
}
