#pragma once
// A control's ParentColor: while it is set, the control shows its parent's colour and follows
// it, until the control's own colour is set.

#include "platform/Colors.h"
#include "platform/ParentFollower.h"

#include <functional>

class QWidget;

namespace platform {

// The parent's Color when it has one, else its window colour; clDefault without a parent.
TColor ParentColorOf(const QWidget* control);
// Tells the control's children that its colour changed.
void NotifyColorChanged(QWidget* control);

class TParentColor {
public:
    // apply shows a colour taken from the parent.
    TParentColor(QWidget* control, std::function<void(TColor)> apply);

    bool Get() const { return on_; }
    // Switched on, the control takes its parent's colour at once.
    void Set(bool value);

private:
    void Follow();

    QWidget* control_;
    std::function<void(TColor)> apply_;
    bool on_ = false;
    TParentFollower follower_;
};

} // namespace platform
