// The speed bar's drags: a button dragged on, along or off the bar while it is customised, and
// the bar's frame dragged to another edge of its form or sized in whole rows.

#include "controls/SpeedBar.h"
#include "controls/SpeedBarEdges.h"

#include "controls/SbSetup.h"
#include "platform/ControlEvents.h"
#include "storage/Kxconst.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

constexpr int FrameWidth = 3;

} // namespace

// ---- cancelling drags

TDragCancel::TDragCancel(QObject* AOwner, std::function<void()> Cancel)
    : QObject(AOwner), cancel_(std::move(Cancel)) {
    qApp->installEventFilter(this);
}

TDragCancel::~TDragCancel() {
    qApp->removeEventFilter(this);
}

bool TDragCancel::eventFilter(QObject*, QEvent* event) {
    const bool escape = event->type() == QEvent::KeyPress &&
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (escape || event->type() == QEvent::ApplicationDeactivate) {
        // The callback deletes this filter: nothing of it is touched afterwards.
        const std::function<void()> cancel = cancel_;
        cancel();
        return escape;
    }
    return false;
}

// ---- the drag image

TBtnControl::TBtnControl(QObject* AOwner)
    // A tool-tip window stays above the others without asking the window manager.
    : QWidget(qobject_cast<QWidget*>(AOwner),
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setCursor(ScreenCursor(crDragHand));
    resize(0, 0);
    imagesLink_.OnChange = [this] {
        image_.Invalidate();
        update();
    };
}

TBtnControl::~TBtnControl() {
    if (CursorWidget)
        CursorWidget->unsetCursor();
}

void TBtnControl::AssignSpeedItem(TSpeedItem* Item) {
    TSpeedbarButton* button = Item->Button();
    image_.Alignment() = button->Alignment();
    image_.SetGlyph(Item->Glyph());
    image_.SetNumGlyphs(Item->NumGlyphs());
    Spacing = Item->Spacing();
    Margin = Item->Margin();
    Layout = Item->Layout();
    image_.Caption = Item->BtnCaption();
    image_.WordWrap() = Item->WordWrap();
    ImageIndex = Item->ImageIndex();
    TSpeedBar* bar = Item->SpeedBar();
    if (bar && bar->Images())
        bar->Images()->RegisterChanges(imagesLink_);
    else if (imagesLink_.Sender())
        imagesLink_.Sender()->UnRegisterChanges(imagesLink_);
    setFont(button->font());
    setLayoutDirection(button->layoutDirection());
    if (bar)
        setGeometry(0, 0, bar->BtnWidth(), bar->BtnHeight());
}

void TBtnControl::Activate(const QRect& Rect) {
    if (width() <= 0 || height() <= 0)
        resize(Rect.size());
    move(Rect.topLeft());
    show();
    if (CursorWidget)
        CursorWidget->setCursor(cursor());
}

void TBtnControl::ReleaseHandle() {
    hide();
}

void TBtnControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    image_.DrawEx(painter, 0, 0, Margin, Spacing, Layout, &font(), Images(), ImageIndex,
                  AlignmentFlags(image_.Alignment()));
}

void TBtnControl::resizeEvent(QResizeEvent*) {
    image_.ButtonSize = QPoint(width(), height());
}

// The image's top-left corner for a pointer at Pos: the pointer sits at its bottom-right.
QPoint TSpeedbarButton::ImageTopLeft(QPoint Pos) const {
    return mapToGlobal(Pos + dragOffset_ - QPoint(drag_->width(), drag_->height()));
}

void TSpeedbarButton::mousePressEvent(QMouseEvent* event) {
    if (!item_->Editing()) {
        TKxSpeedButton::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton || isHidden() || !item_->SpeedBar())
        return;
    if (!drag_) {
        const QPoint corner = mapToGlobal(QPoint(width(), height()));
        QCursor::setPos(corner);
        // Where the pointer cannot be moved, the image keeps the same place by an offset.
        dragOffset_ = QCursor::pos() == corner
                          ? QPoint()
                          : QPoint(width(), height()) - event->position().toPoint();
        drag_ = new TBtnControl(this);
        drag_->CursorWidget = this;
        drag_->AssignSpeedItem(item_);
        dragCancel_ = new TDragCancel(this, [this] { CancelDrag(); });
        // A move without the button down tells of a release that went elsewhere.
        setMouseTracking(true);
    }
    raise();
}

void TSpeedbarButton::mouseMoveEvent(QMouseEvent* event) {
    if (!item_->Editing()) {
        TKxSpeedButton::mouseMoveEvent(event);
        return;
    }
    if (!drag_)
        return;
    if (!(event->buttons() & Qt::LeftButton)) {
        CancelDrag();
        return;
    }
    TSpeedBar* bar = item_->SpeedBar();
    if (!bar)
        return;
    const QPoint p = ImageTopLeft(event->position().toPoint());
    if (!dragHidden_) {
        dragHidden_ = true;
        update();
    }
    if (bar->rect().contains(bar->mapFromGlobal(p)))
        drag_->Activate(QRect(p, drag_->size()));
    else
        drag_->ReleaseHandle();
}

void TSpeedbarButton::mouseReleaseEvent(QMouseEvent* event) {
    if (!item_->Editing()) {
        TKxSpeedButton::mouseReleaseEvent(event);
        return;
    }
    if (!drag_ || event->button() != Qt::LeftButton)
        return;
    const QPoint p = ImageTopLeft(event->position().toPoint());
    EndDrag();
    TSpeedBar* bar = item_->SpeedBar();
    if (!bar)
        return;
    const QPoint q = bar->mapFromGlobal(p);
    if (!bar->rect().contains(q)) {
        lower();
        item_->SetVisible(false);
        bar->NotifyEditWindow(sbcLayout, bar);
    } else if (bar->AcceptDropItem(item_, q.x(), q.y())) {
        bar->NotifyEditWindow(sbcItemDropped, item_);
        update();
    } else {
        bar->NotifyEditWindow(sbcLayout, bar);
    }
}

bool TSpeedbarButton::event(QEvent* event) {
    if (event->type() == QEvent::UngrabMouse && drag_)
        CancelDrag();
    if (event->type() == QEvent::ToolTip && !ShowHint()) {
        event->ignore();
        return true;
    }
    return TKxSpeedButton::event(event);
}

void TSpeedbarButton::EndDrag() {
    delete drag_;
    drag_ = nullptr;
    ApplyCursor();
    delete dragCancel_;
    dragCancel_ = nullptr;
    setMouseTracking(bool(OnMouseMove));
    dragHidden_ = false;
    // A button shows as its item says, and never without a parent.
    setVisible(item_->Visible() && parentWidget());
    update();
}

void TSpeedbarButton::CancelDrag() {
    if (drag_)
        EndDrag();
}

// ---- the bar's frame

bool TSpeedBar::AcceptDropItem(TSpeedItem* Item, int X, int Y) {
    int section = -1, index = -1;
    if (!FindItem(Item, section, index))
        return false;
    const QPoint p = GridPosition(X, Y);
    Item->button_->SetBounds(p.x(), p.y(), Item->button_->width(), Item->button_->height());
    const bool inside = QRect(0, 0, width(), height()).contains(Item->Left(), Item->Top());
    if (inside)
        Item->button_->raise();
    else
        Item->button_->lower();
    Item->SetVisible(inside);
    return inside;
}

bool TSpeedBar::CheckResize(Qt::KeyboardModifiers, int X, int Y) {
    if (!GetEditing() || !options_.testFlag(sbAllowResize) || dragging_)
        return false;
    const int w = width(), h = height();
    bool edge = false;
    if (IsHorizontalEdge(align_) && X > 0 && X <= w) {
        edge = align_ == alTop ? (h - 4 < Y && Y <= h + 4) : (-4 < Y && Y <= 4);
        if (edge)
            setCursor(Qt::SizeVerCursor);
    } else if ((align_ == alLeft || align_ == alRight) && Y > 0 && Y <= h) {
        edge = align_ == alLeft ? (w - 4 < X && X <= w + 4) : (-4 < X && X <= 4);
        if (edge)
            setCursor(Qt::SizeHorCursor);
    }
    return edge;
}

int TSpeedBar::GetFramePos(int X, int Y, bool& Apply) {
    QWidget* parent = parentWidget();
    if (!parent || parent->width() <= 0 || parent->height() <= 0) {
        // No room to choose from (or no form at all): the bar keeps its edge.
        const int pos = IsEdge(align_) ? int(align_) - 1 : 0;
        if (OnApplyAlign)
            OnApplyAlign(this, TAlign(pos + 1), Apply);
        return pos;
    }
    const QPointF p = mapToParent(QPoint(X, Y));
    const double W = parent->width();
    const double H = parent->height();
    int pos;
    if (p.y() > H / W * p.x())
        pos = p.y() < (1 - p.x() / W) * H ? 2 : 1;
    else
        pos = p.y() < (1 - p.x() / W) * H ? 0 : 3;
    if (OnApplyAlign)
        OnApplyAlign(this, TAlign(pos + 1), Apply);
    return pos;
}

QRect TSpeedBar::GetFrameRect(int X, int Y) {
    bool apply = true;
    int pos = 0;
    if (!platform::Survives(this, [&] { pos = GetFramePos(X, Y, apply); }))
        return QRect();
    if (!apply)
        return frameRect_;
    const TAlign target = TAlign(pos + 1);
    QWidget* parent = parentWidget();
    if (!parent)
        return QRect(); // a bar on no form has no room to frame
    QRect r = parent->rect();
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child == this || child->isWindow() || child->isHidden())
            continue;
        const TAlign a = platform::GetAlign(child);
        if (a == alNone || a == alClient || a > target)
            continue;
        if (a == target) {
            const QRect g = child->geometry();
            const bool before = (a == alTop && g.top() < y()) ||
                                (a == alBottom && g.bottom() > geometry().bottom()) ||
                                (a == alLeft && g.left() < x()) ||
                                (a == alRight && g.right() > geometry().right());
            if (!before)
                continue;
        }
        switch (a) {
        case alTop:
            r.setTop(r.top() + child->height());
            break;
        case alBottom:
            r.setBottom(r.bottom() - child->height());
            break;
        case alLeft:
            r.setLeft(r.left() + child->width());
            break;
        case alRight:
            r.setRight(r.right() - child->width());
            break;
        default:
            break;
        }
    }
    r.moveTopLeft(parent->mapToGlobal(r.topLeft()));
    prevAlign_ = target;
    const int t = GetOrientation() == boHorizontal ? height() : width();
    switch (target) {
    case alTop:
        r.setHeight(t);
        break;
    case alBottom:
        r.setTop(r.bottom() + 1 - t);
        break;
    case alLeft:
        r.setWidth(t);
        break;
    default:
        r.setLeft(r.right() + 1 - t);
        break;
    }
    return r;
}

void TSpeedBar::StartDragFrame() {
    frameRect_ = QRect(mapToGlobal(QPoint(0, 0)), size());
    prevAlign_ = align_;
    DrawInvertFrame(frameRect_, FrameWidth);
    setCursor(ScreenCursor(crDragHand));
    dragging_ = true;
}

void TSpeedBar::DragFrame(int X, int Y) {
    QRect r;
    if (!platform::Survives(this, [&] { r = GetFrameRect(X, Y); }) || r == frameRect_)
        return;
    DrawInvertFrame(frameRect_, FrameWidth);
    setCursor(ScreenCursor(crDragHand));
    frameRect_ = r;
    DrawInvertFrame(frameRect_, FrameWidth);
}

void TSpeedBar::StopDragFrame(int X, int Y) {
    DrawInvertFrame(frameRect_, FrameWidth);
    unsetCursor();
    dragging_ = false;
    if (!IsEdge(align_))
        return;
    bool apply = true;
    int pos = 0;
    if (!platform::Survives(this, [&] { pos = GetFramePos(X, Y, apply); }))
        return;
    {
        platform::TAlignSuspender suspend(parentWidget());
        SetAlign(apply ? TAlign(pos + 1) : prevAlign_);
    }
    PosChanged();
}

void TSpeedBar::ReleaseDragMouse() {
    captured_ = false;
    resizing_ = false;
    delete dragCancel_;
    dragCancel_ = nullptr;
    UpdateMouseTracking();
}

void TSpeedBar::UpdateMouseTracking() {
    setMouseTracking((GetEditing() && options_.testFlag(sbAllowResize)) || OnMouseMove);
}

void TSpeedBar::CancelDrag() {
    if (dragging_) {
        DrawInvertFrame(frameRect_, FrameWidth);
        dragging_ = false;
    }
    if (resizing_)
        resize(sizeBeforeResize_);
    if (captured_)
        unsetCursor();
    ReleaseDragMouse();
}

void TSpeedBar::mousePressEvent(QMouseEvent* event) {
    if (AutoDragPress(*event))
        return;
    TCustomPanel::mousePressEvent(event);
    if (!MouseDown(*event) || event->button() != Qt::LeftButton || !parentWidget() || captured_)
        return;
    const QPoint p = event->position().toPoint();
    if (CheckResize(event->modifiers(), p.x(), p.y())) {
        resizing_ = true;
        sizeBeforeResize_ = size();
    } else if (options_.testFlag(sbAllowDrag) && IsEdge(align_)) {
        downPos_ = p;
    } else {
        return;
    }
    captured_ = true;
    dragCancel_ = new TDragCancel(this, [this] { CancelDrag(); });
    setMouseTracking(true);
}

void TSpeedBar::mouseMoveEvent(QMouseEvent* event) {
    TCustomPanel::mouseMoveEvent(event);
    if (DragMouseMove(*event) || !MouseMove(*event))
        return;
    const QPoint p = event->position().toPoint();
    if (captured_ && !(event->buttons() & Qt::LeftButton)) {
        CancelDrag();
        return;
    }
    if (captured_ && resizing_) {
        QWidget* parent = parentWidget();
        if (!parent->rect().contains(mapToParent(p)))
            return;
        int n;
        switch (align_) {
        case alTop:
            n = std::abs(p.y() - 2 * offset_.y()) / btnSize_.y();
            break;
        case alBottom:
            n = std::abs(height() - 2 * offset_.y() - p.y()) / btnSize_.y();
            break;
        case alLeft:
            n = std::abs(p.x() - 2 * offset_.x()) / btnSize_.x();
            break;
        default:
            n = std::abs(width() - 2 * offset_.x() - p.x()) / btnSize_.x();
            break;
        }
        n = std::max(1, n);
        if (IsHorizontalEdge(align_)) {
            setCursor(Qt::SizeVerCursor);
            resize(width(), std::min(btnSize_.y() * n + 2 * offset_.y(), parent->height()));
        } else {
            setCursor(Qt::SizeHorCursor);
            resize(std::min(btnSize_.x() * n + 2 * offset_.x(), parent->width()), height());
        }
    } else if (captured_) {
        if (dragging_)
            platform::Survives(this, *event, [&] { DragFrame(p.x(), p.y()); });
        else if (std::abs(p.x() - downPos_.x()) > 4 || std::abs(p.y() - downPos_.y()) > 4)
            StartDragFrame();
    } else if (!CheckResize(event->modifiers(), p.x(), p.y())) {
        unsetCursor();
    }
}

// The click, then the end of a frame drag or a resize, then the release's own event.
void TSpeedBar::mouseReleaseEvent(QMouseEvent* event) {
    if (DragMouseRelease(*event) || (Clicked(*event) && !Notify(OnClick, *event)))
        return;
    if (event->button() == Qt::LeftButton && captured_) {
        const QPoint p = event->position().toPoint();
        unsetCursor();
        if (dragging_ && !platform::Survives(this, *event, [&] { StopDragFrame(p.x(), p.y()); }))
            return;
        ReleaseDragMouse();
    }
    TCustomPanel::mouseReleaseEvent(event);
    MouseUp(*event);
}

// The double click, then its second press; in automatic drag mode only the drag.
void TSpeedBar::mouseDoubleClickEvent(QMouseEvent* event) {
    if (DragMode() == dmAutomatic || Notify(OnDblClick, *event))
        mousePressEvent(event);
}
