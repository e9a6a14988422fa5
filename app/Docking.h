#pragma once
// Side windows that sit against the main window: the TCP play window at its right edge, the
// captured-pieces window below it. Rectangles are whole windows, frame included, in screen
// coordinates.

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <functional>
#include <optional>

class QWidget;

namespace Docking {

constexpr int SnapDistance = 25;

// First show: below the main window and as wide as it, when the screen is tall enough.
std::optional<QRect> PlaceBelow(const QRect& main, const QRect& window, const QRect& screen);
// First show: right of the main window and as tall as it, when the screen is wide enough.
std::optional<QRect> PlaceRightOf(const QRect& main, const QRect& window, const QRect& screen);

// A main window moved or resized to `main` carries its docked windows along, except when it sits
// on the screen's left or top edge.
bool CarriesDocked(const QRect& main);
QPoint BelowOf(const QRect& main);
QPoint RightOf(const QRect& main);

struct TSnap {
    QRect rect;
    bool docked;
};

// A window dragged to `dragged` close to the main window's bottom edge snaps against it.
TSnap SnapBelow(const QRect& dragged, const QRect& main);
// A window dragged to `dragged` close to the main window's right edge snaps against it, and to
// its top too when that is close.
TSnap SnapRightOf(const QRect& dragged, const QRect& main);

// A top-level window's outer rectangle, and giving it one. A window never shown has no frame
// yet; it is taken to be as thick as `frameLike`'s.
QRect FrameGeometry(const QWidget* window, const QWidget* frameLike);
void SetFrameGeometry(QWidget* window, const QRect& frame, const QWidget* frameLike);

// X11's window manager moves a window itself and reports the move afterwards, many times during
// a drag. The watch reports the window's outer rectangle once its moves and resizes have been
// quiet for a moment. The first quiet moment after a move made through MoveTo or Place is that
// move's outcome, not the user's, and is not reported.
class TMoveWatch : public QObject {
    Q_OBJECT

public:
    static constexpr int SettleMs = 150;

    TMoveWatch(QWidget* window, std::function<void(const QRect& frame)> settled);

    void MoveTo(const QPoint& topLeft);
    void Place(const QRect& frame, const QWidget* frameLike);
    // A move or resize is waiting to settle.
    bool Settling() const { return FTimer.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ExpectOwnMove();
    void Settle();

    QWidget* FWindow;
    std::function<void(const QRect&)> FSettled;
    QTimer FTimer;
    bool FOwnMovePending = false;
};

} // namespace Docking
