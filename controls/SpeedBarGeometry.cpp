// The speed bar's geometry and painting: button sizes and offsets, the grid, orientation and
// alignment, scaling, the bound lines and the wallpaper.

#include "controls/SpeedBar.h"
#include "controls/SpeedBarEdges.h"

#include "platform/Scaling.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

// ---- geometry

int TSpeedBar::GetButtonSize(int Index) const {
    return Index == 0 ? btnSize_.x() : Index == 1 ? btnSize_.y() : 0;
}

void TSpeedBar::SetButtonSize(int Index, int Value) {
    if (Index != 0 && Index != 1)
        return;
    Value = std::max(Value, 1);
    if (Index == 0) {
        btnSize_.setX(Value);
        scaleFlags_ |= sfBtnSizeX;
    } else {
        btnSize_.setY(Value);
        scaleFlags_ |= sfBtnSizeY;
    }
    UpdateGridSize();
    if (loading_)
        return;
    if (GetOrientation() == boHorizontal)
        resize(width(), std::max(height(), 2 * offset_.y() + btnSize_.y()));
    else
        resize(std::max(width(), 2 * offset_.x() + btnSize_.x()), height());
    ApplyButtonSize();
}

int TSpeedBar::GetButtonsOffset(int Index) const {
    return Index == 0 ? offset_.x() : Index == 1 ? offset_.y() : 0;
}

void TSpeedBar::SetButtonsOffset(int Index, int Value) {
    if (Index != 0 && Index != 1)
        return;
    Value = std::max(Value, MinButtonsOffset());
    int dx = 0, dy = 0;
    if (Index == 0) {
        dx = Value - offset_.x();
        offset_.setX(Value);
        scaleFlags_ |= sfOffsetX;
    } else {
        dy = Value - offset_.y();
        offset_.setY(Value);
        scaleFlags_ |= sfOffsetY;
    }
    if (dx != 0 || dy != 0)
        OffsetItems(dx, dy);
}

int TSpeedBar::MinButtonsOffset() const {
    int result = (options_.testFlag(sbFlatBtns) ? 0 : 2) + BorderWidth();
    if (BevelOuter() != bvNone)
        result += BevelWidth();
    if (BevelInner() != bvNone)
        result += BevelWidth();
    return result;
}

void TSpeedBar::OffsetItems(int DX, int DY) {
    ForEachItem(
        [&](TSpeedItem* item, int) {
            TSpeedbarButton* b = item->button_;
            b->SetBounds(b->x() + DX, b->y() + DY, btnSize_.x(), btnSize_.y());
        },
        0);
}

void TSpeedBar::UpdateGridSize() {
    const bool horizontal = GetOrientation() == boHorizontal;
    const int s = horizontal ? btnSize_.x() : btnSize_.y();
    int g = std::max(1, std::min(8, s / 3));
    while (s % g != 0)
        ++g;
    if (g == s && s > 1) {
        --g;
        while (g > 1 && s % g != 0)
            --g;
    }
    grid_ = horizontal ? QPoint(g, btnSize_.y()) : QPoint(btnSize_.x(), g);
}

QPoint TSpeedBar::GridPosition(int X, int Y) const {
    const double along = GetOrientation() == boHorizontal ? double(X - offset_.x()) / grid_.x()
                                                          : double(Y - offset_.y()) / grid_.y();
    const double across = GetOrientation() == boHorizontal ? double(Y - offset_.y()) / grid_.y()
                                                           : double(X - offset_.x()) / grid_.x();
    // Along the bar to the nearest step (halves to even), across it truncated.
    const int rounded = int(std::nearbyint(along));
    const int truncated = int(std::trunc(across));
    if (GetOrientation() == boHorizontal)
        return {rounded * grid_.x() + offset_.x(), truncated * grid_.y() + offset_.y()};
    return {truncated * grid_.x() + offset_.x(), rounded * grid_.y() + offset_.y()};
}

void TSpeedBar::AlignItemToGrid(TSpeedItem* Item) {
    if (!Item->Visible())
        return;
    const QPoint p = GridPosition(Item->Left(), Item->Top());
    Item->button_->SetBounds(p.x(), p.y(), Item->button_->width(), Item->button_->height());
}

void TSpeedBar::AlignItemsToGrid() {
    ForEachItem([this](TSpeedItem* item, int) { AlignItemToGrid(item); }, 0);
}

void TSpeedBar::ApplyButtonSize() {
    ForEachItem(
        [this](TSpeedItem* item, int) {
            TSpeedbarButton* b = item->button_;
            b->SetBounds(b->x(), b->y(), btnSize_.x(), btnSize_.y());
        },
        0);
    NotifyEditWindow(sbcButtonSize, this);
}

TBarOrientation TSpeedBar::GetOrientation() const {
    if (Position == bpCustom)
        return orientation_;
    if (IsHorizontalEdge(align_))
        return boHorizontal;
    if (align_ == alLeft || align_ == alRight)
        return boVertical;
    return orientation_;
}

void TSpeedBar::SetOrientation(TBarOrientation Value) {
    if (Value == GetOrientation())
        return;
    if (Position == bpAuto)
        throw ESpeedbarError(QString::fromLatin1(AutoPositionText));
    ApplyOrientation(Value);
}

void TSpeedBar::ApplyOrientation(TBarOrientation Value) {
    if (Value == orientation_)
        return;
    if (loading_) {
        orientation_ = Value;
        return;
    }
    swapping_ = true;
    orientation_ = Value;
    btnSize_ = btnSize_.transposed();
    grid_ = grid_.transposed();
    offset_ = offset_.transposed();
    ForEachItem(
        [this](TSpeedItem* item, int) {
            TSpeedbarButton* b = item->button_;
            b->setGeometry(b->y(), b->x(), btnSize_.x(), btnSize_.y());
        },
        0);
    swapping_ = false;
    update();
    if (GetEditing())
        NotifyEditWindow(sbcButtonSize, this);
}

void TSpeedBar::SetAlign(TAlign Value) {
    if (Value == align_ && platform::GetAlign(this) == Value)
        return;
    if (Position == bpAuto && (Value == alNone || Value == alClient))
        throw ESpeedbarError(QString::fromLatin1(AutoPositionText));
    const QSize old = size();
    platform::SetAlign(this, Value);
    if (loading_)
        resize(old);
    if (Position == bpAuto) {
        if (IsHorizontalEdge(Value))
            ApplyOrientation(boHorizontal);
        else if (Value == alLeft || Value == alRight)
            ApplyOrientation(boVertical);
    }
    align_ = Value;
}

void TSpeedBar::SetOptions(TSpeedbarOptions Value) {
    if (Value == options_)
        return;
    const bool flatChanged = (Value ^ options_).testFlag(sbFlatBtns);
    options_ = Value;
    ForEachItem(
        [this](TSpeedItem* item, int) {
            item->button_->SetFlat(options_.testFlag(sbFlatBtns) && !item->Editing());
            item->button_->SetTransparent(options_.testFlag(sbTransparentBtns));
            item->button_->SetGrayedInactive(options_.testFlag(sbGrayedBtns));
        },
        0);
    UpdateGridSize();
    if (flatChanged)
        AlignControls();
    update();
}

void TSpeedBar::SetBoundLines(TBoundLines Value) {
    if (Value == boundLines_)
        return;
    boundLines_ = Value;
    AlignControls();
    update();
}

void TSpeedBar::SetWallpaper(const QPixmap& Value) {
    wallpaper_ = Value;
    update();
}

void TSpeedBar::SetImages(platform::TImageList* Value) {
    if (Value == Images())
        return;
    if (Value)
        Value->RegisterChanges(imagesLink_);
    else
        imagesLink_.Sender()->UnRegisterChanges(imagesLink_);
    ImageListChange();
}

void TSpeedBar::ImageListChange() {
    ForEachItem(
        [](TSpeedItem* item, int) {
            if (item->ImageIndex() >= 0) {
                item->button_->ButtonGlyph().Invalidate();
                item->button_->update();
            }
        },
        0);
}

void TSpeedBar::SetFontDefault() {
    setFont(QApplication::font("QMenu"));
}

void TSpeedBar::FrameChanged() {
    AlignControls();
}

// Aligned children stand inside the frame and the bound lines; offsets never fall below the
// minimum, and buttons move with them.
void TSpeedBar::AlignControls() {
    const QRect inner = InnerRect();
    const auto line = [this](TBoundLine side) { return boundLines_.testFlag(side) ? 2 : 0; };
    setContentsMargins(inner.left() + line(blLeft), inner.top() + line(blTop),
                       width() - 1 - inner.right() + line(blRight),
                       height() - 1 - inner.bottom() + line(blBottom));
    platform::Realign(this);
    const int minimum = MinButtonsOffset();
    const int dx = std::max(0, minimum - offset_.x());
    const int dy = std::max(0, minimum - offset_.y());
    offset_ += QPoint(dx, dy);
    if (!loading_ && (dx || dy))
        OffsetItems(dx, dy);
}

void TSpeedBar::ChangeScale(int M, int D) {
    if (D == 0 || M == D)
        return;
    platform::TAlignSuspender suspend(parentWidget());
    const TSbScaleFlags flags =
        loading_ ? scaleFlags_ : TSbScaleFlags(sfOffsetX | sfOffsetY | sfBtnSizeX | sfBtnSizeY);
    if (flags.testFlag(sfBtnSizeX))
        btnSize_.setX(std::max(1, platform::MulDiv(btnSize_.x(), M, D)));
    if (flags.testFlag(sfBtnSizeY))
        btnSize_.setY(std::max(1, platform::MulDiv(btnSize_.y(), M, D)));
    if (flags.testFlag(sfOffsetX))
        offset_.setX(std::max(MinButtonsOffset(), platform::MulDiv(offset_.x(), M, D)));
    if (flags.testFlag(sfOffsetY))
        offset_.setY(std::max(MinButtonsOffset(), platform::MulDiv(offset_.y(), M, D)));
    UpdateGridSize();
    resize(std::max(1, platform::MulDiv(width(), M, D)),
           std::max(1, platform::MulDiv(height(), M, D)));
    ForEachItem(
        [&](TSpeedItem* item, int) {
            TSpeedbarButton* b = item->button_;
            b->move(platform::MulDiv(b->x(), M, D), platform::MulDiv(b->y(), M, D));
        },
        0);
    ApplyButtonSize();
    AlignItemsToGrid();
    scaleFlags_ = {};
}

void TSpeedBar::Paint(QPainter& painter) {
    if (swapping_)
        return;
    TCustomPanel::Paint(painter);
    const QRect r = InnerRect();
    if (!wallpaper_.isNull() && wallpaper_.width() > 0 && wallpaper_.height() > 0) {
        painter.save();
        painter.setClipRect(r);
        if (options_.testFlag(sbStretchBitmap)) {
            painter.drawPixmap(r, wallpaper_);
        } else {
            const int w = r.left() - ClientRect().left();
            const int cols = (ClientRect().width() - 2 * w) / wallpaper_.width();
            const int rows = (ClientRect().height() - 2 * w) / wallpaper_.height();
            for (int row = 0; row <= rows; ++row)
                for (int col = 0; col <= cols; ++col)
                    painter.drawPixmap(r.left() + col * wallpaper_.width(),
                                       r.top() + row * wallpaper_.height(), wallpaper_);
        }
        painter.restore();
    }
    // Each line ends before its end point.
    const int left = r.left(), top = r.top(), right = r.left() + r.width(),
              bottom = r.top() + r.height();
    const QColor dark = platform::ToQColor(platform::clBtnShadow);
    const QColor light = platform::ToQColor(platform::clBtnHighlight);
    auto line = [&painter](const QColor& colour, int x1, int y1, int x2, int y2) {
        if (x1 == x2 && y1 == y2)
            return;
        painter.setPen(colour);
        painter.drawLine(x1, y1, x2 - (x2 > x1 ? 1 : 0), y2 - (y2 > y1 ? 1 : 0));
    };
    if (boundLines_.testFlag(blTop)) {
        line(dark, left, top, right, top);
        line(light, left, top + 1, right, top + 1);
    }
    if (boundLines_.testFlag(blLeft)) {
        line(dark, left, top, left, bottom);
        line(light, left + 1, boundLines_.testFlag(blTop) ? top + 1 : top, left + 1, bottom);
    }
    if (boundLines_.testFlag(blBottom)) {
        line(dark, left, bottom - 2, right, bottom - 2);
        line(light, left, bottom - 1, right, bottom - 1);
    }
    if (boundLines_.testFlag(blRight)) {
        line(dark, right - 2, top, right - 2, boundLines_.testFlag(blBottom) ? bottom - 1 : bottom);
        line(light, right - 1, top, right - 1, bottom);
    }
}

bool TSpeedBar::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        if (!loading_ && OnVisibleChanged)
            OnVisibleChanged(this);
        break;
    case QEvent::UngrabMouse:
        CancelDrag();
        break;
    default:
        break;
    }
    return TCustomPanel::event(event);
}
