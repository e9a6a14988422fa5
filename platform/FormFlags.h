#pragma once
// A form's border style and border icons as Qt's window flags give them, and changes to those
// flags while the form stays shown. A component that draws the form's frame itself, the form then
// frameless, holds the flags the form's owner gave it; a change reaches it through an event.

#include <QEvent>
#include <Qt>

class QWidget;

namespace platform {

enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = int;
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

// The border style and icons a Qt window's flags stand for.
TFormBorderStyle FormBorderStyle(Qt::WindowFlags flags, bool fixedSize);
TBorderIcons FormBorderIcons(Qt::WindowFlags flags);

// Changes a window's flags while it stays shown: hiding it would end a modal dialog's loop and
// lose the activation.
void SetFlagsInPlace(QWidget& form, Qt::WindowFlags flags);

// The flags the form's owner gave it: its own, or those held for it.
Qt::WindowFlags FormFlags(const QWidget& form);
// Changes the owner's flags: in place, or where they are held, the form then receiving an event
// of the type FormFlagsChange().
void SetFormFlags(QWidget& form, Qt::WindowFlags flags);
QEvent::Type FormFlagsChange();
// A component drawing the form's frame holds its owner's flags until it releases them.
void HoldFormFlags(QWidget& form, Qt::WindowFlags flags);
void ReleaseFormFlags(QWidget& form);

// Shows or takes away the maximize icon, the form's other icons as they were.
void SetMaximizeIcon(QWidget& form, bool shown);

} // namespace platform
