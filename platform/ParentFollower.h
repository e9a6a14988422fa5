#pragma once
// A control that follows something of its parent's (its look, its colour): it is told when it
// gets another parent and when the parent passes a notice of the change on to its children.

#include <QEvent>
#include <QList>
#include <QObject>
#include <functional>
#include <optional>

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

// A control's yes-or-no setting that it may take from its parent's property of the same name
// (`Ctl3D`, `ShowHint`): following, it takes the parent's at once and every change of it through
// any depth, until its own is set. A parent without that property leaves the setting as it is.
class TParentSetting {
public:
    // Set and following when following; changed runs after each change but this first taking.
    TParentSetting(QWidget* control, const char* property, bool following,
                   std::function<void()> changed = {});

    bool Value() const { return value_; }
    // Setting the control's own ends following the parent.
    void Set(bool Value);
    bool Following() const { return following_; }
    // Following again takes the parent's setting at once.
    void SetFollowing(bool Value);

private:
    void Apply(bool Value);
    void FollowParent();
    std::optional<bool> ParentValue() const;

    QWidget* control_;
    const char* property_;
    bool value_ = true;
    bool following_;
    std::function<void()> changed_;
    TParentFollower follower_;
};

} // namespace platform
