#include "platform/Panel.h"

#include "platform/Graphics.h"

#include <QPainter>

namespace platform {

TCustomPanel::TCustomPanel(QWidget* parent) : QWidget(parent), TCtl3D(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
}

template <class T> void TCustomPanel::change(T& field, T value, bool movesInside) {
    if (field == value)
        return;
    field = value;
    if (movesInside)
        FrameChanged();
    update();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
    change(bevelOuter_, value, true);
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
    change(bevelInner_, value, true);
}

void TCustomPanel::SetBevelWidth(int value) {
    change(bevelWidth_, std::max(value, 1), true);
}

void TCustomPanel::SetBorderWidth(int value) {
    change(borderWidth_, std::max(value, 0), true);
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
    change(borderStyle_, value, true);
}

void TCustomPanel::SetColor(TColor value) {
    parentColor_.Set(false);
    showColor(value);
}

void TCustomPanel::showColor(TColor value) {
    if (color_ == value)
        return;
    change(color_, value, false);
    NotifyColorChanged(this);
}

void TCustomPanel::Ctl3DChanged() {
    if (borderStyle_ != bsSingle)
        return;
    FrameChanged();
    update();
}

QRect TCustomPanel::ClientRect() const {
    const int border = borderStyle_ == bsSingle ? SingleBorderWidth(Ctl3D()) : 0;
    return rect().adjusted(border, border, -border, -border);
}

QRect TCustomPanel::InnerRect() const {
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone)
        inset += bevelWidth_;
    if (bevelInner_ != bvNone)
        inset += bevelWidth_;
    return ClientRect().adjusted(inset, inset, -inset, -inset);
}

void TCustomPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter);
}

void TCustomPanel::Paint(QPainter& painter) {
    QRect inside = ClientRect();
    PaintFrame(painter, inside);
    painter.fillRect(inside, ToQColor(color_));
}

namespace {

void bevel(QPainter& painter, QRect& rect, TCustomPanel::TBevelCut cut, int width) {
    if (cut == TCustomPanel::bvNone)
        return;
    const bool lowered = cut == TCustomPanel::bvLowered;
    Frame3D(painter, rect, lowered ? clBtnShadow : clBtnHighlight,
            lowered ? clBtnHighlight : clBtnShadow, width);
}

} // namespace

void TCustomPanel::PaintFrame(QPainter& painter, QRect& rect) const {
    if (borderStyle_ == bsSingle)
        PaintSingleBorder(painter, QWidget::rect(), Ctl3D());
    bevel(painter, rect, bevelOuter_, bevelWidth_);
    Frame3D(painter, rect, color_, color_, borderWidth_);
    bevel(painter, rect, bevelInner_, bevelWidth_);
}

} // namespace platform
