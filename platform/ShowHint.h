#pragma once
// A control's ShowHint and ParentShowHint. Without ShowHint the control's tool tip stays hidden
// and the question goes on to its parent. With ParentShowHint the control takes its parent's
// ShowHint and follows it until its own is set; a parent offers its setting when it has a
// ShowHint property, and passes every change on to its children, so the setting follows through
// any depth.

#include "platform/ParentFollower.h"

#include <QObject>

class QWidget;

namespace platform {

class TShowHint : public QObject {
public:
    // Showing its hint, and following its parent when parentShowHint.
    TShowHint(QWidget* control, bool parentShowHint);

    bool Get() const { return setting_.Value(); }
    // Setting the control's own ends following the parent.
    void Set(bool Value) { setting_.Set(Value); }
    bool Parent() const { return setting_.Following(); }
    // Following again takes the parent's setting at once.
    void SetParent(bool Value) { setting_.SetFollowing(Value); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TParentSetting setting_;
};

} // namespace platform
