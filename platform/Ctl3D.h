#pragma once
// Whether a control looks three-dimensional, and whether it takes that look from its parent. A
// parent offers its look when it has a Ctl3D property; every change of the look is passed on to
// the children, so a control that follows its parent follows it through any depth.

#include "platform/ParentFollower.h"

#include <QRect>

class QPainter;
class QWidget;

namespace platform {

class TCtl3D {
public:
    bool Ctl3D() const { return look_.Value(); }
    // Setting the look stops following the parent.
    void SetCtl3D(bool Value) { look_.Set(Value); }
    bool ParentCtl3D() const { return look_.Following(); }
    // Following again takes the parent's look at once.
    void SetParentCtl3D(bool Value) { look_.SetFollowing(Value); }

protected:
    // Three-dimensional and following the parent, as every control starts.
    explicit TCtl3D(QWidget* Control);
    ~TCtl3D() = default;
    TCtl3D(const TCtl3D&) = delete;
    TCtl3D& operator=(const TCtl3D&) = delete;

    // Runs after the look changed.
    virtual void Ctl3DChanged() = 0;

private:
    TParentSetting look_;
};

// The single border around a control: the sunken edge, two pixels deep, when three-dimensional;
// else one line in the window-frame colour.
int SingleBorderWidth(bool Ctl3D);
// Draws the border just inside `outer`.
void PaintSingleBorder(QPainter& Painter, QRect Outer, bool Ctl3D);

} // namespace platform
