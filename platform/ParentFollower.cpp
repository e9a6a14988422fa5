#include "platform/ParentFollower.h"

#include <QCoreApplication>
#include <QWidget>

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

} // namespace platform
