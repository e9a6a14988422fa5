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

Qt::Key QtKeyOf(Word virtualKey) {
    for (const auto& [qt, vk] : NamedKeys) {
        if (vk == virtualKey)
            return Qt::Key(qt);
    }
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return Qt::Key(virtualKey);
    if (virtualKey >= 112 && virtualKey < 112 + 24)
        return Qt::Key(Qt::Key_F1 + virtualKey - 112);
    return Qt::Key_unknown;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    constexpr std::pair<Qt::KeyboardModifier, TShiftStateFlag> keys[] = {
        {Qt::ShiftModifier, ssShift}, {Qt::AltModifier, ssAlt}, {Qt::ControlModifier, ssCtrl}};
    constexpr std::pair<Qt::MouseButton, TShiftStateFlag> held[] = {
        {Qt::LeftButton, ssLeft}, {Qt::RightButton, ssRight}, {Qt::MiddleButton, ssMiddle}};
    TShiftState shift;
    for (const auto& [modifier, flag] : keys)
        shift.setFlag(flag, modifiers.testFlag(modifier));
    for (const auto& [button, flag] : held)
        shift.setFlag(flag, buttons.testFlag(button));
    return shift;
}

TShiftState ShiftStateOf(const QKeyEvent& event) {
    return ShiftStateOf(event.modifiers());
}

TShiftState ShiftStateOf(const QMouseEvent& event) {
    TShiftState shift = ShiftStateOf(event.modifiers(), event.buttons());
    shift.setFlag(ssDouble, event.type() == QEvent::MouseButtonDblClick);
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
