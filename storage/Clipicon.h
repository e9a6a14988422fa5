#pragma once
// Icons on the clipboard, and icons at the real size of their image rather than the platform's
// standard icon size.

#include "platform/Colors.h"
#include "platform/Icon.h"

#include <QImage>
#include <QString>
#include <memory>

class QPainter;

// The private clipboard type that carries an icon's whole stream.
extern const QString CF_ICON;

// Puts on the clipboard the icon at its real size drawn over BackColor, and its stream.
void CopyIconToClipboard(const TIcon& Icon, TColor BackColor);
// Loads Icon from the clipboard when it holds an icon stream; otherwise Icon stays as it was.
void AssignClipboardIcon(TIcon& Icon);
// A new icon from the clipboard, or none when it holds no icon stream.
std::unique_ptr<TIcon> CreateIconFromClipboard();

// The size of an icon image; the system icon size for none.
void GetIconSize(const QImage& Icon, int& W, int& H);
// A stream of one image gives that image at its own size, of several images the icon's handle,
// of none the platform's default application icon.
QImage CreateRealSizeIcon(const TIcon& Icon);
void DrawRealSizeIcon(QPainter& Canvas, const TIcon& Icon, int X, int Y);
