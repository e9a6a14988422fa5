#include "platform/ParentColor.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace platform {

namespace {

QEvent::Type parentColorChange() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace

TColor ParentColorOf(const QWidget* control) {
    const QWidget* parent = control->parentWidget();
    if (!parent)
        return clDefault;
    const QVariant color = parent->property("Color");
    return color.isValid() ? TColor(color.toInt())
                           : FromQColor(parent->palette().color(QPalette::Window));
}

void NotifyColorChanged(QWidget* control) {
    NotifyChildren(control, parentColorChange());
}

// A plain parent's window colour reaches the control as a palette change.
TParentColor::TParentColor(QWidget* control, std::function<void(TColor)> apply)
    : control_(control), apply_(std::move(apply)),
      follower_(control, parentColorChange(), [this] { Follow(); }, {QEvent::PaletteChange}) {}

void TParentColor::Set(bool value) {
    on_ = value;
    Follow();
}

void TParentColor::Follow() {
    if (on_ && control_->parentWidget())
        apply_(ParentColorOf(control_));
}

} // namespace platform
