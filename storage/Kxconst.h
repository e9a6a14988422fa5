#pragma once
// The library's two screen cursors, by the numbers the visual controls use.

#include <QCursor>

constexpr int crHand = 14000;
constexpr int crDragHand = 14001;

// The cursor registered under that number: the hand, the drag hand, one defined at run time, or
// the arrow for any other.
QCursor ScreenCursor(int Cursor);
// Whether the number has no cursor of its own yet.
bool IsScreenCursorFree(int Cursor);
void SetScreenCursor(int Cursor, const QCursor& Value);
// The arrow mirrored, pointing up and to the right, its hot spot at the tip: over a selection
// bar, where a press selects whole lines.
QCursor RightArrowCursor();
