#pragma once
// The control library's drawing and window toolbox: bitmaps, transparent and disabled drawing,
// gradients, text fitting and cell text, geometry, window helpers and the command line.

#include "platform/Colors.h"
#include "platform/Graphics.h"

#include "platform/AlignLayout.h"

#include <QCursor>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <QVariant>
#include <Qt>
#include <memory>
#include <stdexcept>
#include <vector>

class QFontMetrics;
class QLibrary;
class QMdiArea;
class QPainter;
class QTimer;
class QWidget;

class EResNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A failed system call: its errno and the system's text.
class EOSError : public std::runtime_error {
public:
    EOSError(int code, const QString& message);
    int ErrorCode;
};

enum TFillDirection { fdTopToBottom, fdBottomToTop, fdLeftToRight, fdRightToLeft };
enum TVertAlignment { vaTopJustify, vaCenter, vaBottomJustify };

// Resources are files of Qt's resource system under the module's prefix (":/Module/ResID");
// the empty module holds the system's standard pictures, by their number.
[[noreturn]] void ResourceNotFound(const QString& ResID);
platform::TBitmap MakeModuleBitmap(const QString& Module, const QString& ResID);
platform::TBitmap MakeBitmap(const QString& ResID);
platform::TBitmap MakeBitmapID(int ResID);
// A null icon when the resource does not exist.
QIcon MakeModuleIcon(const QString& Module, const QString& ResID);
QIcon MakeIcon(const QString& ResID);
QIcon MakeIconID(int ResID);
platform::TBitmap CreateBitmapFromIcon(const QIcon& Icon, TColor BackColor);
// clDefault takes the bitmap's own transparent colour.
QIcon CreateIconFromBitmap(const platform::TBitmap& Bitmap, TColor TransparentColor);

// An animated cursor: its frames, stepped on a timer while it is shown on a widget.
class TAnimatedCursor : public QObject {
    Q_OBJECT
public:
    std::vector<QCursor> Frames;
    std::vector<int> Sequence; // frame of each step
    std::vector<int> Rates;    // milliseconds of each step
    // Shows the cursor on the widget and steps it until Detach or the widget goes.
    void Attach(QWidget* Widget);
    void Detach();
    int Step() const { return step_; }
    void Advance();

private:
    QWidget* widget_ = nullptr;
    QTimer* timer_ = nullptr;
    int step_ = 0;
};
// Reads an animated-cursor file ("RIFF" "ACON"); null when the data is not one.
std::unique_ptr<TAnimatedCursor> ReadAniCursor(const QByteArray& Data);
std::unique_ptr<TAnimatedCursor> LoadAniCursor(const QString& Module, const QString& ResID);
// Installs the cursor at the first free number from 100 on and returns it.
int DefineCursor(const QString& Module, const QString& ResID);
void StartWait();
void StopWait();

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
// The source rectangle stretched onto the destination, leaving the destination where the
// source has TransparentColor.
void StretchBltTransparent(QPainter& Dest, const QRect& DstRect, const QImage& Src,
                           const QRect& SrcRect, TColor TransparentColor);
// The whole bitmap at (DstX, DstY), unstretched, leaving the destination where it has
// TransparentColor.
void DrawTransparentBitmap(QPainter& DC, const QImage& Bitmap, int DstX, int DstY,
                           TColor TransparentColor);
// A destination size below 1 takes the bitmap's, an empty source rectangle the whole bitmap;
// clNone draws opaque, clDefault takes the bottom-left pixel, a monochrome bitmap white.
void StretchBitmapRectTransparent(QPainter& Dest, int DstX, int DstY, int DstW, int DstH,
                                  const QRect& SrcRect, const platform::TBitmap& Bitmap,
                                  TColor TransparentColor);
void DrawBitmapRectTransparent(QPainter& Dest, int DstX, int DstY, const QRect& SrcRect,
                               const platform::TBitmap& Bitmap, TColor TransparentColor);
void DrawBitmapTransparent(QPainter& Dest, int DstX, int DstY, const platform::TBitmap& Bitmap,
                           TColor TransparentColor);
TColor PaletteColor(TColor Color);
int PaletteEntries(const QImage& Palette);
// A font like Font, to be drawn turned by Escapement tenths of a degree.
struct TRotatedFont {
    QFont Font;
    int Escapement = 0;
};
TRotatedFont CreateRotatedFont(const QFont& Font, int Angle);

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
// Width nested one-pixel frames over the program's own active window (a second call with the
// same rectangle takes them away).
void DrawInvertFrame(const QRect& ScreenRect, int Width);
// Inverts the rectangle spanned by the two screen points (the far point's row and column not
// included) over the program's own active window; a second call restores it.
void PaintInverseRect(const QPoint& RectOrg, const QPoint& RectEnd);
int DialogUnitsToPixelsX(int DlgUnits);
int DialogUnitsToPixelsY(int DlgUnits);
int PixelsToDialogUnitsX(int PixUnits);
int PixelsToDialogUnitsY(int PixUnits);

// Windows and the process.
bool IsForegroundTask();
void CenterControl(QWidget* Control);
void CenterWindow(QWidget* Wnd);
// The rectangle moved the least to lie inside the area; one larger than the area keeps its top
// left corner in it.
QRect KeptInside(QRect Rect, const QRect& Area);
void MergeForm(QWidget* Control, QWidget* Form, TAlign Align, bool Show);
QString WindowClassName(const QWidget* Wnd);
// Gives a multiple-document area its sunken frame or takes it away; false when it already was so.
bool ShowMDIClientEdge(QMdiArea* ClientHandle, bool ShowEdge);
// Without the system's animation there is nothing to switch off: a plain show (or hide).
void ShowWinNoAnimate(QWidget* Handle, bool Show = true);
void SwitchToWindow(QWidget* Wnd, bool Restore);
void ActivateWindow(QWidget* Wnd);
// Takes out the pending posted event of kind Msg for Wnd (null: any object of the thread) that
// would be delivered first, of one priority the oldest. A quit taken out is posted again.
void KillMessage(QObject* Wnd, QEvent::Type Msg);
// The previous copy of the program, over local sockets named after the application and the
// copy's class, title or both. The running copy listens with ListenForNextInstance; a later one
// finds it by its class, its title or both, and asks it to come forward: its window is activated
// and then the modal dialog that holds it, when there is one.
bool ListenForNextInstance(QWidget* MainForm, const QString& MainFormClass, const QString& ATitle);
bool FindPrevInstance(const QString& MainFormClass, const QString& ATitle);
bool ActivatePrevInstance(const QString& MainFormClass, const QString& ATitle);
void Beep();
void Delay(int MSecs);
int MsgBox(const QString& Caption, const QString& Text, int Flags);
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };
// With HelpCtx not 0, a "&Help" button and F1 open that help topic.
int MsgDlg(const QString& Msg, TMsgDlgType AType, int AButtons, int HelpCtx = 0);
// An information box, then the silent abort.
[[noreturn]] void NotImplemented();
// Every function the library calls is resolved on loading: one that nothing provides refuses the
// library. A refusal raises EOSError with the loader's reason.
std::unique_ptr<QLibrary> LoadDLL(const QString& LibName);
// Loads the library (as LoadDLL) and calls its "DllRegisterServer" entry, whatever that answers;
// false when the library has no such entry.
bool RegisterServer(const QString& ModuleName);
// Lets go of the automation library "OleAut32" when the process holds it; nothing otherwise.
void FreeUnusedOle();
void RaiseWin32Error(int Code);
bool CheckWin32(bool OK);
QString GetEnvVar(const QString& Name);

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
std::unique_ptr<char[]> StrPAlloc(const QString& S);
char* StringToPChar(QByteArray& S);
// High is the values' highest index: above 1 all the values, 1 the first, else null.
QVariant MakeVariant(const QVariantList& Values, int High);

// Memory blocks that know their size.
void* AllocMemo(long Size);
void* ReallocMemo(void* fpBlock, long Size);
void FreeMemo(void*& fpBlock);
long GetMemoSize(void* fpBlock);
bool CompareMem(const void* fpBlock1, const void* fpBlock2, long Size);
void* HugeInc(void* HugePtr, long Amount);
void* HugeDec(void* HugePtr, long Amount);
void* HugeOffset(void* HugePtr, long Amount);
void HMemCpy(void* DstPtr, const void* SrcPtr, long Amount);
// Moves Count 32-bit elements of the array from index Src to index Dst; they may overlap.
void HugeMove(void* Base, long Dst, long Src, long Count);
