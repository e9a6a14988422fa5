#pragma once
// The control library's drawing and window toolbox: bitmaps, transparent and disabled drawing,
// gradients, text fitting and cell text, geometry, window helpers and the command line.

#include "platform/Colors.h"
#include "platform/Graphics.h"

#include <QPolygon>
#include <QRect>
#include <QString>
#include <Qt>

class QFontMetrics;
class QPainter;
class QWidget;

enum TFillDirection { fdTopToBottom, fdBottomToTop, fdLeftToRight, fdRightToLeft };
enum TVertAlignment { vaTopJustify, vaCenter, vaBottomJustify };

// Bitmaps.
platform::TBitmap CreateTwoColorsBrushPattern(TColor Color1, TColor Color2);
platform::TBitmap ChangeBitmapColor(const platform::TBitmap& Bitmap, TColor Color, TColor NewColor);
// Cell Index (row-major) of a picture cut into Cols x Rows cells.
platform::TBitmap AssignBitmapCell(const platform::TBitmap& Source, int Cols, int Rows, int Index);

// Disabled drawing: the source's shape, every pixel that is neither white nor its transparent
// colour, painted in ShadowColor (and HighlightColor one pixel right and down) over BackColor.
platform::TBitmap CreateDisabledBitmapEx(const platform::TBitmap& Source, TColor OutlineColor,
                                         TColor BackColor, TColor HighlightColor,
                                         TColor ShadowColor, bool DrawHighlight);
platform::TBitmap CreateDisabledBitmap(const platform::TBitmap& Source, TColor OutlineColor);
void ImageListDrawDisabled(const platform::TImageList& Images, QPainter& Canvas, int X, int Y,
                           int Index, TColor HighlightColor, TColor GrayColor, bool DrawHighlight);
// The bitmap drawn leaving the destination where it has TransparentColor (clDefault: its
// bottom-left pixel; clNone: opaque).
void DrawBitmapTransparent(QPainter& Dest, int DstX, int DstY, const platform::TBitmap& Bitmap,
                           TColor TransparentColor);

// What the control's parent shows under the control, with the earlier siblings that overlap it
// (never the control itself), painted onto Dest at the control's origin.
void CopyParentImage(QWidget* Control, QPainter& Dest);

void GradientFillRect(QPainter& Canvas, const QRect& ARect, TColor StartColor, TColor EndColor,
                      TFillDirection Direction, int Colors);
// Darkens the rectangle with a diagonal hatch of black pixels.
void ShadeRect(QPainter& Canvas, const QRect& Rect);

// Geometry. Points on the right or bottom edge count as inside.
int WidthOf(const QRect& R);
int HeightOf(const QRect& R);
bool PointInRect(const QPoint& P, const QRect& R);
bool PointInPolyRgn(const QPoint& P, const QPolygon& Points);
QRect ScreenWorkArea();

// Windows and the process.
bool IsForegroundTask();
void CenterControl(QWidget* Control);
void StartWait();
void StopWait();
void Delay(int MSecs);
int MsgBox(const QString& Caption, const QString& Text, int Flags);
QString GetEnvVar(const QString& Name);
QString WindowClassName(const QWidget* Wnd);

// Text.
QString MinimizeText(const QString& Text, const QFontMetrics& Canvas, int MaxWidth);
QSize GetAveCharSize(const QFontMetrics& Canvas);
void WriteText(QPainter& Canvas, const QRect& ARect, int DX, int DY, const QString& Text,
               Qt::Alignment Alignment, bool WordWrap, bool ARightToLeft = false);
void DrawCellTextEx(QPainter& Canvas, const QRect& ARect, const QString& S, Qt::Alignment Align,
                    TVertAlignment VertAlign, bool WordWrap, bool ARightToLeft = false);
void DrawCellText(QPainter& Canvas, const QRect& ARect, const QString& S, Qt::Alignment Align,
                  TVertAlignment VertAlign = vaTopJustify, bool ARightToLeft = false);
void DrawCellBitmap(QPainter& Canvas, const QRect& Rect, const QImage& Bmp);
void SplitCommandLine(const QString& CmdLine, QString& ExeName, QString& Params);
QString AnsiUpperFirstChar(const QString& S);
QString DropT(const QString& S);
QString ResStr(const QString& S);
