#pragma once
// What the main window dresses its board with: the pattern images, two per pattern (image 2k the
// dark squares and the border, image 2k + 1 the light squares: 0-1 rosewood and boxwood, 2-3
// ebony and sycamore, 4-5 leather, 6-7 woven fabric), and the colour items' menu bitmaps.

#include "platform/Colors.h"

#include <QPixmap>

constexpr int BoardPatternImageCount = 8;

// Image `index` of the patterns' image list; a null pixmap outside it.
QPixmap BoardPatternImage(int index);

// The 16 x 16 menu bitmap of a colour item: a square of that colour.
QPixmap ColorMenuBitmap(TColor color);
