#include "platform/ShowHint.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

#include <optional>

namespace platform {

namespace {

// Tells a child that its parent's ShowHint changed.
QEvent::Type parentShowHintChanged() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// The parent's ShowHint, when the parent has one.
std::optional<bool> parentSetting(const QWidget* control) {
    const QWidget* parent = control->parentWidget();
    if (!parent || parent->metaObject()->indexOfProperty("ShowHint") < 0)
        return std::nullopt;
    return parent->property("ShowHint").toBool();
}

} // namespace

TShowHint::TShowHint(QWidget* control, bool parentShowHint)
    : control_(control), parentShowHint_(parentShowHint),
      follower_(control, parentShowHintChanged(), [this] { FollowParent(); }) {
    control->installEventFilter(this);
    FollowParent();
}

void TShowHint::Set(bool Value) {
    parentShowHint_ = false;
    Apply(Value);
}

void TShowHint::SetParent(bool Value) {
    parentShowHint_ = Value;
    FollowParent();
}

void TShowHint::FollowParent() {
    if (!parentShowHint_)
        return;
    if (const auto setting = parentSetting(control_))
        Apply(*setting);
}

void TShowHint::Apply(bool Value) {
    if (showHint_ == Value)
        return;
    showHint_ = Value;
    NotifyChildren(control_, parentShowHintChanged());
}

// Ignored, the tool tip event goes on to the parent, which may show a hint of its own.
bool TShowHint::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::ToolTip || showHint_)
        return false;
    event->ignore();
    return true;
}

} // namespace platform
