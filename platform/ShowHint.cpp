#include "platform/ShowHint.h"

#include <QEvent>
#include <QWidget>

namespace platform {

TShowHint::TShowHint(QWidget* control, bool parentShowHint)
    : setting_(control, "ShowHint", parentShowHint) {
    control->installEventFilter(this);
}

// Ignored, the tool tip event goes on to the parent, which may show a hint of its own.
bool TShowHint::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::ToolTip || setting_.Value())
        return false;
    event->ignore();
    return true;
}

} // namespace platform
