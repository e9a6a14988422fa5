#pragma once
// A control that follows something of its parent's (its look, its colour): it is told when it
// gets another parent and when the parent passes a notice of the change on to its children.

#include <QEvent>
#include <QList>
#include <QObject>
#include <functional>

class QWidget;

namespace platform {

class TParentFollower : public QObject {
public:
    // follow runs on a new parent, on the notice, and on any of the further event types.
    TParentFollower(QWidget* control, QEvent::Type notice, std::function<void()> follow,
                    QList<QEvent::Type> further = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QEvent::Type notice_;
    QList<QEvent::Type> further_;
    std::function<void()> follow_;
};

// Sends the notice to each of the control's child widgets.
void NotifyChildren(QWidget* control, QEvent::Type notice);

} // namespace platform
