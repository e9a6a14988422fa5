#include "storage/kxVclutils.h"

#include "platform/MessageBox.h"
#include "platform/Scaling.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

using platform::FromQColor;
using platform::TBitmap;
using platform::ToQColor;

namespace {

TColor pixelOf(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return TColor(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
}

} // namespace

TBitmap CreateTwoColorsBrushPattern(TColor Color1, TColor Color2) {
    TBitmap pattern(8, 8, Color1);
    const QRgb second = ToQColor(Color2).rgb();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if ((x + y) % 2 == 0)
                pattern.Image().setPixel(x, y, second);
    return pattern;
}

TBitmap ChangeBitmapColor(const TBitmap& Bitmap, TColor Color, TColor NewColor) {
    TBitmap result(Bitmap.Image());
    const QRgb replacement = ToQColor(NewColor).rgb();
    for (int y = 0; y < result.Height(); ++y)
        for (int x = 0; x < result.Width(); ++x)
            if (pixelOf(result.Image(), x, y) == (Color & 0xFFFFFF))
                result.Image().setPixel(x, y, replacement);
    return result;
}

TBitmap AssignBitmapCell(const TBitmap& Source, int Cols, int Rows, int Index) {
    Cols = std::max(Cols, 1);
    Rows = std::max(Rows, 1);
    Index = std::max(Index, 0);
    const int width = Source.Width() / Cols;
    const int height = Source.Height() / Rows;
    TBitmap cell(
        Source.Image().copy((Index % Cols) * width, (Index / Cols) * height, width, height));
    cell.SetTransparentColor(Source.TransparentColor());
    return cell;
}

TBitmap CreateDisabledBitmapEx(const TBitmap& Source, TColor, TColor BackColor,
                               TColor HighlightColor, TColor ShadowColor, bool DrawHighlight) {
    TBitmap result(Source.Width(), Source.Height(), BackColor);
    const TColor transparent = Source.TransparentColor() & 0xFFFFFF;
    const QRgb highlight = ToQColor(HighlightColor).rgb();
    const QRgb shadow = ToQColor(ShadowColor).rgb();
    const auto shape = [&](int x, int y) {
        const TColor c = pixelOf(Source.Image(), x, y);
        return qAlpha(Source.Image().pixel(x, y)) != 0 && c != platform::clWhite &&
               c != transparent;
    };
    for (int pass = DrawHighlight ? 0 : 1; pass < 2; ++pass) {
        const int offset = pass == 0 ? 1 : 0;
        for (int y = 0; y < Source.Height(); ++y)
            for (int x = 0; x < Source.Width(); ++x)
                if (shape(x, y) && x + offset < result.Width() && y + offset < result.Height())
                    result.Image().setPixel(x + offset, y + offset, pass == 0 ? highlight : shadow);
    }
    return result;
}

TBitmap CreateDisabledBitmap(const TBitmap& Source, TColor OutlineColor) {
    return CreateDisabledBitmapEx(Source, OutlineColor, platform::clBtnFace,
                                  platform::clBtnHighlight, platform::clBtnShadow, true);
}

void ImageListDrawDisabled(const platform::TImageList& Images, QPainter& Canvas, int X, int Y,
                           int Index, TColor HighlightColor, TColor GrayColor, bool DrawHighlight) {
    Images.DrawDisabled(Canvas, X, Y, Index, HighlightColor, GrayColor, DrawHighlight);
}

void CopyParentImage(QWidget* Control, QPainter& Dest) {
    QWidget* parent = Control->parentWidget();
    if (!parent)
        return;
    const QRect area = Control->geometry() & parent->rect();
    parent->render(&Dest, area.topLeft() - Control->pos(), QRegion(area),
                   QWidget::DrawWindowBackground);
    for (QObject* child : parent->children()) {
        if (child == Control)
            break;
        auto* sibling = qobject_cast<QWidget*>(child);
        if (!sibling || !sibling->isVisibleTo(parent) || sibling->isWindow() ||
            !sibling->geometry().intersects(Control->geometry()))
            continue;
        sibling->render(&Dest, sibling->pos() - Control->pos(), QRegion(),
                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
}

void GradientFillRect(QPainter& Canvas, const QRect& ARect, TColor StartColor, TColor EndColor,
                      TFillDirection Direction, int Colors) {
    if (ARect.isEmpty())
        return;
    if (Colors < 2) {
        Canvas.fillRect(ARect, ToQColor(StartColor));
        return;
    }
    const QColor start = ToQColor(StartColor);
    const QColor end = ToQColor(EndColor);
    const bool forward = Direction == fdTopToBottom || Direction == fdLeftToRight;
    const bool vertical = Direction == fdTopToBottom || Direction == fdBottomToTop;
    const QColor from = forward ? start : end;
    const QColor to = forward ? end : start;
    const int extent = vertical ? ARect.height() : ARect.width();
    const int bands = std::max(2, std::min(Colors, extent));
    const int size = extent / bands;
    const auto band = [&](int offset, int length, const QColor& color) {
        if (vertical)
            Canvas.fillRect(ARect.x(), ARect.y() + offset, ARect.width(), length, color);
        else
            Canvas.fillRect(ARect.x() + offset, ARect.y(), length, ARect.height(), color);
    };
    if (size > 0) {
        for (int i = 0; i < bands; ++i) {
            const auto channel = [&](int a, int b) {
                return a + platform::MulDiv(i, b - a, bands - 1);
            };
            band(i * size, size,
                 QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                        channel(from.blue(), to.blue())));
        }
    }
    const int remainder = extent % bands;
    if (remainder >= 1)
        band(extent - remainder, remainder, forward ? end : start);
}

void ShadeRect(QPainter& Canvas, const QRect& Rect) {
    static constexpr int rows[8] = {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88};
    Canvas.save();
    Canvas.setPen(Qt::black);
    for (int y = Rect.top(); y <= Rect.bottom(); ++y)
        for (int x = Rect.left(); x <= Rect.right(); ++x)
            if (rows[y & 7] & (0x80 >> (x & 7)))
                Canvas.drawPoint(x, y);
    Canvas.restore();
}

int WidthOf(const QRect& R) {
    return R.width();
}

int HeightOf(const QRect& R) {
    return R.height();
}

bool PointInRect(const QPoint& P, const QRect& R) {
    return P.x() >= R.left() && P.x() <= R.x() + R.width() && P.y() >= R.top() &&
           P.y() <= R.y() + R.height();
}

bool PointInPolyRgn(const QPoint& P, const QPolygon& Points) {
    return Points.containsPoint(P, Qt::WindingFill);
}

QRect ScreenWorkArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

bool IsForegroundTask() {
    return QApplication::activeWindow() != nullptr;
}

void CenterControl(QWidget* Control) {
    const QRect area = Control->isWindow()
                           ? ScreenWorkArea()
                           : (Control->parentWidget() ? Control->parentWidget()->rect()
                                                      : QRect(Control->pos(), Control->size()));
    const int x = area.x() + (area.width() - Control->width()) / 2;
    const int y = area.y() + (area.height() - Control->height()) / 2;
    Control->move(std::max(x, 0), std::max(y, 0));
}

void Delay(int MSecs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < MSecs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(MSecs - clock.elapsed()));
}

int MsgBox(const QString& Caption, const QString& Text, int Flags) {
    return platform::MessageBox(Text, Caption, Flags);
}

QString MinimizeText(const QString& Text, const QFontMetrics& Canvas, int MaxWidth) {
    QString result = Text;
    for (int i = 1; i <= Text.size() && Canvas.horizontalAdvance(result) > MaxWidth; ++i)
        result = Text.left(std::max<qsizetype>(0, Text.size() - i)) + QStringLiteral("...");
    return result;
}

QSize GetAveCharSize(const QFontMetrics& Canvas) {
    QString letters;
    for (char c = 'A'; c <= 'Z'; ++c)
        letters += QChar(c);
    for (char c = 'a'; c <= 'z'; ++c)
        letters += QChar(c);
    return {Canvas.horizontalAdvance(letters) / 52, Canvas.height()};
}

void WriteText(QPainter& Canvas, const QRect& ARect, int DX, int DY, const QString& Text,
               Qt::Alignment Alignment, bool WordWrap, bool ARightToLeft) {
    if (Canvas.layoutDirection() == Qt::RightToLeft && !ARightToLeft &&
        !(Alignment & Qt::AlignHCenter))
        Alignment ^= Qt::AlignLeft | Qt::AlignRight;
    Canvas.save();
    Canvas.fillRect(ARect, Canvas.brush().color());
    Canvas.setClipRect(ARect);
    const QFontMetrics metrics = Canvas.fontMetrics();
    if (!WordWrap && !Text.contains('\r')) {
        const int width = metrics.horizontalAdvance(Text);
        int x = ARect.left() + DX;
        if (Alignment & Qt::AlignRight)
            x = ARect.x() + ARect.width() - width - 3;
        else if (Alignment & Qt::AlignHCenter)
            x = ARect.left() + (ARect.width() >> 1) - (width >> 1);
        Canvas.drawText(x, ARect.top() + DY + metrics.ascent(), Text);
    } else {
        const int flags = int(Alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop |
                          Qt::TextExpandTabs | (WordWrap ? Qt::TextWordWrap : 0);
        Canvas.drawText(ARect.adjusted(DX, DY, -1, -1), flags, Text);
    }
    Canvas.restore();
}

void DrawCellTextEx(QPainter& Canvas, const QRect& ARect, const QString& S, Qt::Alignment Align,
                    TVertAlignment VertAlign, bool WordWrap, bool ARightToLeft) {
    const int textHeight = Canvas.fontMetrics().height();
    int dy = 2;
    if (VertAlign == vaCenter)
        dy = std::max(1, (ARect.height() - textHeight) / 2);
    else if (VertAlign == vaBottomJustify)
        dy = std::max(2, ARect.height() - textHeight);
    WriteText(Canvas, ARect, 2, dy, S, Align, WordWrap, ARightToLeft);
}

void DrawCellText(QPainter& Canvas, const QRect& ARect, const QString& S, Qt::Alignment Align,
                  TVertAlignment VertAlign, bool ARightToLeft) {
    DrawCellTextEx(Canvas, ARect, S, Align, VertAlign, false, ARightToLeft);
}

void DrawCellBitmap(QPainter& Canvas, const QRect& Rect, const QImage& Bmp) {
    const int right = Rect.x() + Rect.width();
    const int bottom = Rect.y() + Rect.height();
    Canvas.drawImage((Rect.left() + right - Bmp.width()) / 2,
                     (Rect.top() + bottom - Bmp.height()) / 2, Bmp);
}

void SplitCommandLine(const QString& CmdLine, QString& ExeName, QString& Params) {
    ExeName.clear();
    Params.clear();
    QStringList words;
    qsizetype i = 0;
    const auto blank = [&](qsizetype at) {
        return CmdLine[at].unicode() >= 1 && CmdLine[at].unicode() <= 32;
    };
    while (i < CmdLine.size()) {
        while (i < CmdLine.size() && (blank(i) || CmdLine.mid(i, 2) == QStringLiteral("\"\"")))
            i += blank(i) ? 1 : 2;
        if (i >= CmdLine.size())
            break;
        QString word;
        bool quoted = false;
        for (; i < CmdLine.size() && (quoted || !blank(i)); ++i) {
            if (CmdLine[i] == '"')
                quoted = !quoted;
            else
                word += CmdLine[i];
        }
        words << word;
    }
    if (words.isEmpty())
        return;
    ExeName = words.takeFirst();
    for (QString& word : words)
        if (word.contains(' '))
            word = '"' + word + '"';
    Params = words.join(' ');
}

QString AnsiUpperFirstChar(const QString& S) {
    return S.isEmpty() ? S : S.left(1).toUpper() + S.mid(1);
}

QString DropT(const QString& S) {
    return S.size() > 1 && (S[0] == 'T' || S[0] == 't') ? S.mid(1) : S;
}

QString ResStr(const QString& S) {
    return S;
}

void StretchBltTransparent(QPainter& Dest, const QRect& DstRect, const QImage& Src,
                           const QRect& SrcRect, TColor TransparentColor) {
    const QImage part = platform::MaskColor(Src.copy(SrcRect), TransparentColor);
    Dest.drawImage(DstRect, part);
}

void DrawTransparentBitmap(QPainter& DC, const QImage& Bitmap, int DstX, int DstY,
                           TColor TransparentColor) {
    StretchBltTransparent(DC, QRect(QPoint(DstX, DstY), Bitmap.size()), Bitmap, Bitmap.rect(),
                          TransparentColor);
}

void StretchBitmapRectTransparent(QPainter& Dest, int DstX, int DstY, int DstW, int DstH,
                                  const QRect& SrcRect, const TBitmap& Bitmap,
                                  TColor TransparentColor) {
    if (Bitmap.Empty())
        return;
    const QRect source = SrcRect.isEmpty() ? Bitmap.Image().rect() : SrcRect;
    const QRect target(DstX, DstY, DstW < 1 ? source.width() : DstW,
                       DstH < 1 ? source.height() : DstH);
    if (TransparentColor == platform::clNone) {
        Dest.drawImage(target, Bitmap.Image(), source);
        return;
    }
    if (TransparentColor == platform::clDefault)
        TransparentColor = Bitmap.Pixel(0, Bitmap.Height() - 1);
    if (Bitmap.Image().depth() == 1)
        TransparentColor = platform::clWhite;
    StretchBltTransparent(Dest, target, Bitmap.Image(), source, TransparentColor);
}

void DrawBitmapRectTransparent(QPainter& Dest, int DstX, int DstY, const QRect& SrcRect,
                               const TBitmap& Bitmap, TColor TransparentColor) {
    StretchBitmapRectTransparent(Dest, DstX, DstY, SrcRect.width(), SrcRect.height(), SrcRect,
                                 Bitmap, TransparentColor);
}

void DrawBitmapTransparent(QPainter& Dest, int DstX, int DstY, const TBitmap& Bitmap,
                           TColor TransparentColor) {
    DrawBitmapRectTransparent(Dest, DstX, DstY, QRect(), Bitmap, TransparentColor);
}

TColor PaletteColor(TColor Color) {
    return FromQColor(ToQColor(Color)) | 0x02000000;
}

int PaletteEntries(const QImage& Palette) {
    return int(Palette.colorCount());
}

TRotatedFont CreateRotatedFont(const QFont& Font, int Angle) {
    TRotatedFont rotated{Font, Angle * 10};
    rotated.Font.setWeight(Font.bold() ? QFont::Bold : QFont::Normal);
    if (Font.family() == QStringLiteral("Default"))
        rotated.Font.setFamily(QApplication::font().family());
    return rotated;
}
