#include "platform/Ctl3D.h"

#include "platform/Graphics.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

#include <optional>

namespace platform {

namespace {

// Tells a child that its parent's look changed.
QEvent::Type parentCtl3DChanged() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// The parent's look, when the parent has one.
std::optional<bool> parentLook(const QWidget* control) {
    const QWidget* parent = control->parentWidget();
    if (!parent || parent->metaObject()->indexOfProperty("Ctl3D") < 0)
        return std::nullopt;
    return parent->property("Ctl3D").toBool();
}

} // namespace

TCtl3D::TCtl3D(QWidget* Control)
    : control_(Control), follower_(Control, parentCtl3DChanged(), [this] { FollowParent(); }) {
    ctl3D_ = parentLook(Control).value_or(ctl3D_);
}

void TCtl3D::SetCtl3D(bool Value) {
    parentCtl3D_ = false;
    Apply(Value);
}

void TCtl3D::SetParentCtl3D(bool Value) {
    parentCtl3D_ = Value;
    FollowParent();
}

void TCtl3D::FollowParent() {
    if (!parentCtl3D_)
        return;
    if (const auto look = parentLook(control_))
        Apply(*look);
}

void TCtl3D::Apply(bool Value) {
    if (ctl3D_ == Value)
        return;
    ctl3D_ = Value;
    Ctl3DChanged();
    NotifyChildren(control_, parentCtl3DChanged());
}

int SingleBorderWidth(bool Ctl3D) {
    return Ctl3D ? 2 : 1;
}

void PaintSingleBorder(QPainter& Painter, QRect Outer, bool Ctl3D) {
    if (Ctl3D) {
        Frame3D(Painter, Outer, clBtnShadow, clBtnHighlight);
        Frame3D(Painter, Outer, cl3DDkShadow, cl3DLight);
    } else {
        Frame3D(Painter, Outer, clWindowFrame, clWindowFrame);
    }
}

} // namespace platform
