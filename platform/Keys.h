#pragma once
// Key codes and shift states as the component model's key events carry them.

#include <QFlags>
#include <cstdint>

#include <QtCore/qnamespace.h>

class QKeyEvent;
class QMouseEvent;

using Word = std::uint16_t;

enum TShiftStateFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

enum TMouseButton { mbLeft, mbRight, mbMiddle };

namespace platform {

// The platform's virtual-key code of a key event (VK_RETURN 13 for Enter), 0 when it has none.
Word VirtualKeyOf(const QKeyEvent& event);
// Qt's key for a virtual-key code, Qt::Key_unknown when it has none.
Qt::Key QtKeyOf(Word virtualKey);
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {});
TShiftState ShiftStateOf(const QKeyEvent& event);
// The keys and the buttons held, with ssDouble for a double click.
TShiftState ShiftStateOf(const QMouseEvent& event);
// The button of a press or release event; mbLeft for buttons the model does not name.
TMouseButton MouseButtonOf(const QMouseEvent& event);

} // namespace platform
