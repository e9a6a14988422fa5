#include "platform/ParentColor.h"

#include <QCoreApplication>
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
    for (QWidget* child : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QEvent changed(parentColorChange());
        QCoreApplication::sendEvent(child, &changed);
    }
}

TParentColor::TParentColor(QWidget* control, std::function<void(TColor)> apply)
    : control_(control), apply_(std::move(apply)) {
    control->installEventFilter(this);
}

void TParentColor::Set(bool value) {
    on_ = value;
    if (on_)
        Follow();
}

bool TParentColor::eventFilter(QObject*, QEvent* event) {
    const auto type = event->type();
    if (on_ && (type == parentColorChange() || type == QEvent::ParentChange ||
                type == QEvent::PaletteChange))
        Follow();
    return false;
}

void TParentColor::Follow() {
    if (control_->parentWidget())
        apply_(ParentColorOf(control_));
}

} // namespace platform
