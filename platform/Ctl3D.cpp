#include "platform/Ctl3D.h"

#include "platform/Graphics.h"

namespace platform {

TCtl3D::TCtl3D(QWidget* Control) : look_(Control, "Ctl3D", true, [this] { Ctl3DChanged(); }) {}

int SingleBorderWidth(bool Ctl3D) {
    return Ctl3D ? 2 : 1;
}

void PaintSingleBorder(QPainter& Painter, QRect Outer, bool Ctl3D) {
    if (Ctl3D) {
        Frame3D(Painter, Outer, clBtnShadow, clBtnHighlight);
        Frame3D(Painter, Outer, cl3DDkShadow, cl3DLight);
    } else {
        Frame3D(Painter, Outer, clWindowFrame, clWindowFrame);
    }
}

} // namespace platform
