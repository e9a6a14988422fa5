#include "platform/ParentFollower.h"

#include <QCoreApplication>
#include <QVariant>
#include <QWidget>

#include <map>
#include <string_view>

namespace platform {

TParentFollower::TParentFollower(QWidget* control, QEvent::Type notice,
                                 std::function<void()> follow, QList<QEvent::Type> further)
    : notice_(notice), further_(std::move(further)), follow_(std::move(follow)) {
    control->installEventFilter(this);
}

bool TParentFollower::eventFilter(QObject*, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::ParentChange || type == notice_ || further_.contains(type))
        follow_();
    return false;
}

void NotifyChildren(QWidget* control, QEvent::Type notice) {
    for (QWidget* child : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QEvent changed(notice);
        QCoreApplication::sendEvent(child, &changed);
    }
}

namespace {

// Tells a child that its parent's setting of that name changed: one event type per name.
QEvent::Type settingChanged(std::string_view property) {
    static std::map<std::string_view, QEvent::Type> types;
    const auto [at, added] = types.try_emplace(property);
    if (added)
        at->second = QEvent::Type(QEvent::registerEventType());
    return at->second;
}

} // namespace

TParentSetting::TParentSetting(QWidget* control, const char* property, bool following,
                               std::function<void()> changed)
    : control_(control), property_(property), following_(following), changed_(std::move(changed)),
      follower_(control, settingChanged(property), [this] { FollowParent(); }) {
    if (following_)
        value_ = ParentValue().value_or(value_);
}

void TParentSetting::Set(bool Value) {
    following_ = false;
    Apply(Value);
}

void TParentSetting::SetFollowing(bool Value) {
    following_ = Value;
    FollowParent();
}

void TParentSetting::FollowParent() {
    if (!following_)
        return;
    if (const auto parent = ParentValue())
        Apply(*parent);
}

void TParentSetting::Apply(bool Value) {
    if (value_ == Value)
        return;
    value_ = Value;
    if (changed_)
        changed_();
    NotifyChildren(control_, settingChanged(property_));
}

std::optional<bool> TParentSetting::ParentValue() const {
    const QWidget* parent = control_->parentWidget();
    if (!parent || parent->metaObject()->indexOfProperty(property_) < 0)
        return std::nullopt;
    return parent->property(property_).toBool();
}

} // namespace platform
