#include "Keys.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <utility>

namespace platform {

namespace {

constexpr std::pair<int, Word> NamedKeys[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9},  {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},  {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},    {Qt::Key_Escape, 27}, {Qt::Key_Space, 32},   {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},    {Qt::Key_Home, 36},    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},       {Qt::Key_Right, 39},  {Qt::Key_Down, 40},    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},   {Qt::Key_Menu, 93},
};

} // namespace

Word VirtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    for (const auto& [qt, vk] : NamedKeys) {
        if (qt == key)
            return vk;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return Word(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return Word(112 + key - Qt::Key_F1);
    return 0;
}

TShiftState ShiftStateOf(const QKeyEvent& event) {
    TShiftState shift;
    const Qt::KeyboardModifiers m = event.modifiers();
    if (m & Qt::ShiftModifier)
        shift |= ssShift;
    if (m & Qt::AltModifier)
        shift |= ssAlt;
    if (m & Qt::ControlModifier)
        shift |= ssCtrl;
    return shift;
}

TMouseButton MouseButtonOf(const QMouseEvent& event) {
    switch (event.button()) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

} // namespace platform
