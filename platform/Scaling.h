#pragma once
// Windows designed at 96 pixels per inch, scaled to the screen's resolution: the resolution (which
// tests pin), the scaling of a widget and its children, and the system's message font at it.

#include <QFont>
#include <optional>

class QWidget;

namespace platform {

// value * m / d computed wide, rounded to the nearest (halves away from zero) and held to the
// range of int; 0 when d is 0.
int MulDiv(int value, int m, int d);

// The primary screen's logical pixels per inch, or the pinned value.
int PixelsPerInch();
// Pins the resolution (std::nullopt follows the screen again); returns the previous pin.
std::optional<int> SetPixelsPerInch(std::optional<int> value);

// The widget's size and every child's geometry multiplied by m / d; a fixed size stays fixed.
void ScaleBy(QWidget* widget, int m, int d);
// The resolution at which a window designed at 96 pixels per inch in the given size is drawn:
// PixelsPerInch(), or less where the window would not fit the available area of its screen, so
// that its contents shrink with it and stay reachable.
int FittingPixelsPerInch(const QWidget* widget, const QSize& designed);
// The widget's size held inside the available area of its screen.
void FitOnScreen(QWidget* widget);
// Centres a top-level widget on the available area of its screen.
void CentreOnScreen(QWidget* widget);

// The system's message font as it measures at the resolution.
QFont MessageFont(int pixelsPerInch = PixelsPerInch());

} // namespace platform
