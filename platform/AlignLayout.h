#pragma once
// Controls docked to their parent's edges. Top, bottom, left and right children are stacked in
// that order within what is left of the parent's contents rectangle, then the client children
// fill the rest. Children of one alignment are ordered by their place, then by child order. A
// docked child keeps its own height (top, bottom) or width (left, right): the layout never asks
// for a size hint, so a height set by code or restored from settings survives every relayout.
// An undocked child keeps its distances to the parent edges it is anchored to when the parent
// changes size: anchored to both opposite edges it stretches, to neither it moves by half the
// change, keeping its centre where it was from the parent's centre.

#include <QWidget>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft = 0x1, akTop = 0x2, akRight = 0x4, akBottom = 0x8 };
Q_DECLARE_FLAGS(TAnchors, TAnchorKind)
Q_DECLARE_OPERATORS_FOR_FLAGS(TAnchors)

namespace platform {

TAlign GetAlign(const QWidget* control);
// Moving between a horizontal and a vertical edge swaps the control's width and height; then
// the parent is laid out again.
void SetAlign(QWidget* control, TAlign value);

// Left and top unless set. The distances kept are those of the control's latest own move or
// resize.
TAnchors GetAnchors(const QWidget* control);
void SetAnchors(QWidget* control, TAnchors value);

// Lays out the docked children of parent now, unless alignment is suspended.
void Realign(QWidget* parent);
// Suspensions nest; the last EnableAlign lays out once.
void DisableAlign(QWidget* parent);
void EnableAlign(QWidget* parent);

// Suspends the parent's alignment for a scope, resumed also when an exception leaves it.
class TAlignSuspender {
public:
    explicit TAlignSuspender(QWidget* parent);
    ~TAlignSuspender();
    TAlignSuspender(const TAlignSuspender&) = delete;
    TAlignSuspender& operator=(const TAlignSuspender&) = delete;

private:
    QWidget* parent_;
};

} // namespace platform
