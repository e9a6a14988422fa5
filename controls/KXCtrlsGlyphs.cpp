#include "controls/KXCtrlsGlyphs.h"

#include "storage/kxVclutils.h"

#include <QPainter>
#include <QRegularExpression>

using platform::clBtnFace;
using platform::clBtnHighlight;
using platform::clBtnShadow;
using platform::TBitmap;
using platform::TImageList;
using platform::ToQColor;

namespace {

TGlyphCache*& cache() {
    static TGlyphCache* instance = nullptr;
    return instance;
}

TColor rgbOf(TColor color) {
    return platform::FromQColor(ToQColor(color));
}

TColor pixelOf(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return TColor(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
}

QImage faceImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(ToQColor(clBtnFace));
    return image;
}

} // namespace

int AlignmentFlags(TAlignment Alignment) {
    switch (Alignment) {
    case taLeftJustify:
        return Qt::AlignLeft;
    case taRightJustify:
        return Qt::AlignRight;
    default:
        return Qt::AlignHCenter;
    }
}

int TGlyphList::AllocateSlot() {
    const auto free = std::find(used_.begin(), used_.end(), false);
    int index = int(free - used_.begin());
    if (free == used_.end()) {
        index = Add(QImage(), QImage());
        used_.resize(size_t(Count()), false);
    }
    used_[size_t(index)] = true;
    return index;
}

int TGlyphList::AddImage(const QImage& Image, const QImage& Mask) {
    const int index = AllocateSlot();
    Replace(index, Image, Mask);
    ++count_;
    return index;
}

int TGlyphList::AddMaskedImage(const QImage& Image, TColor MaskColor) {
    const int index = AllocateSlot();
    ReplaceMasked(index, Image, MaskColor);
    ++count_;
    return index;
}

void TGlyphList::ReleaseSlot(int Index) {
    if (Index < 0 || Index >= int(used_.size()) || !used_[size_t(Index)])
        return;
    --count_;
    used_[size_t(Index)] = false;
}

TGlyphList* TGlyphCache::GetList(int AWidth, int AHeight) {
    for (auto list = lists_.rbegin(); list != lists_.rend(); ++list)
        if ((*list)->Width() == AWidth && (*list)->Height() == AHeight)
            return list->get();
    lists_.push_back(std::make_unique<TGlyphList>(AWidth, AHeight));
    return lists_.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* List) {
    if (!List || List->UsedCount() != 0)
        return;
    std::erase_if(lists_, [List](const auto& list) { return list.get() == List; });
}

TGlyphCache* GlyphCache() {
    return cache();
}

TKxButtonGlyph::TKxButtonGlyph() {
    if (!cache())
        cache() = new TGlyphCache;
}

TKxButtonGlyph::~TKxButtonGlyph() {
    Invalidate();
    if (cache() && cache()->IsEmpty())
        delete std::exchange(cache(), nullptr);
}

void TKxButtonGlyph::SetGlyph(const TBitmap& Value) {
    Invalidate();
    original_ = Value;
    GlyphChanged();
}

void TKxButtonGlyph::SetNumGlyphs(TKxNumGlyphs Value) {
    if (Value <= 0 || Value == numGlyphs_)
        return;
    Invalidate();
    numGlyphs_ = std::min(Value, 5);
}

void TKxButtonGlyph::GlyphChanged() {
    Invalidate();
    if (original_.Height() > 0) {
        transparentColor_ = original_.TransparentColor() & ~0x02000000;
        const int cells = original_.Width() / original_.Height();
        // A picture of width 0 has no cells: the count stays.
        if (original_.Width() % original_.Height() == 0 && cells >= 1)
            numGlyphs_ = cells > 5 ? 1 : cells;
    }
    if (OnChange)
        OnChange();
}

void TKxButtonGlyph::Invalidate() {
    for (int& index : indexs_) {
        if (index != -1 && glyphList_)
            glyphList_->ReleaseSlot(index);
        index = -1;
    }
    if (cache() && glyphList_)
        cache()->ReturnList(glyphList_);
    glyphList_ = nullptr;
}

TGlyphList* TKxButtonGlyph::listOfSize(int width, int height) {
    // Another size: give back this object's slots first, never another button's.
    if (glyphList_ && (glyphList_->Width() != width || glyphList_->Height() != height))
        Invalidate();
    if (!cache())
        cache() = new TGlyphCache;
    if (!glyphList_)
        glyphList_ = cache()->GetList(width, height);
    return glyphList_;
}

TColor TKxButtonGlyph::MapColor(TColor Color) const {
    if (Color == (transparentColor_ & 0xFFFFFF) || Color == rgbOf(clBtnFace))
        return Color;
    const int r = Color & 0xFF, g = (Color >> 8) & 0xFF, b = (Color >> 16) & 0xFF;
    const int gray = (77 * r + 150 * g + 29 * b) >> 8;
    return TColor(gray | (gray << 8) | (gray << 16));
}

int TKxButtonGlyph::CreateButtonGlyph(TKxButtonState State) {
    if (State == rbsDown && numGlyphs_ < 3)
        State = rbsUp;
    if (indexs_[State] != -1)
        return indexs_[State];
    if (original_.Empty())
        return -1;
    const int width = original_.Width() / numGlyphs_;
    const int height = original_.Height();
    if (width == 0)
        return -1;
    TGlyphList* list = listOfSize(width, height);
    const int cell = int(State) < numGlyphs_ ? int(State) : 0;
    QImage work = original_.Image().copy(cell * width, 0, width, height);
    int index = -1;
    if (State == rbsDisabled && numGlyphs_ < 2) {
        const TBitmap disabled = CreateDisabledBitmap(original_, platform::clBlack);
        index = list->AddMaskedImage(disabled.Image(), rgbOf(clBtnFace));
    } else if (State == rbsInactive && numGlyphs_ < 5) {
        work = original_.Image().copy(0, 0, width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                work.setPixel(x, y, ToQColor(MapColor(pixelOf(original_.Image(), x, y))).rgb());
        index = list->AddMaskedImage(work, transparentColor_);
    } else {
        index = list->AddMaskedImage(work, transparentColor_);
    }
    indexs_[State] = index;
    return index;
}

int TKxButtonGlyph::CreateImageGlyph(TKxButtonState State, const TImageList* Images, int Index) {
    if (State == rbsDown)
        State = rbsUp;
    if (indexs_[State] != -1)
        return indexs_[State];
    if (!Images || Images->Width() == 0 || Images->Height() == 0 || Images->Count() == 0)
        return -1;
    TGlyphList* list = listOfSize(Images->Width(), Images->Height());
    int index = -1;
    if (State == rbsDisabled || State == rbsInactive) {
        QImage work = faceImage(Images->Width(), Images->Height());
        QPainter painter(&work);
        if (State == rbsDisabled)
            ImageListDrawDisabled(*Images, painter, 0, 0, Index, clBtnHighlight, clBtnShadow, true);
        else
            Images->Draw(painter, 0, 0, Index);
        painter.end();
        if (State == rbsInactive)
            for (int y = 0; y < work.height(); ++y)
                for (int x = 0; x < work.width(); ++x)
                    work.setPixel(x, y, ToQColor(MapColor(pixelOf(work, x, y))).rgb());
        index = list->AddMaskedImage(work, rgbOf(clBtnFace));
    } else {
        index = list->AddImage(Images->Image(Index), Images->Mask(Index));
    }
    indexs_[State] = index;
    return index;
}

QSize TKxButtonGlyph::DrawButtonGlyph(QPainter& Canvas, int X, int Y, TKxButtonState State) {
    if (original_.Empty())
        return {0, 0};
    const int index = CreateButtonGlyph(State);
    if (index == -1)
        return {0, 0};
    glyphList_->Draw(Canvas, X, Y, index);
    return {glyphList_->Width(), glyphList_->Height()};
}

QSize TKxButtonGlyph::DrawButtonImage(QPainter& Canvas, int X, int Y, const TImageList* Images,
                                      int Index, TKxButtonState State) {
    if (!Images || Index < 0 || Index >= Images->Count())
        return {0, 0};
    if (State == rbsDisabled) {
        ImageListDrawDisabled(*Images, Canvas, X, Y, Index, clBtnHighlight, clBtnShadow, true);
    } else if (State == rbsInactive) {
        const int index = CreateImageGlyph(State, Images, Index);
        if (index != -1)
            glyphList_->Draw(Canvas, X, Y, index);
    } else {
        Images->Draw(Canvas, X, Y, Index);
    }
    return {Images->Width(), Images->Height()};
}

void TKxButtonGlyph::DrawPopupMark(QPainter& Canvas, int X, int Y, TKxButtonState State) {
    const auto triangle = [&](int x, int y, TColor color) {
        Canvas.setPen(ToQColor(color));
        for (int row = 0; row < 4; ++row)
            Canvas.drawLine(x + row, y - 1 + row, x + 6 - row, y - 1 + row);
    };
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, false);
    if (State == rbsDisabled) {
        triangle(X + 1, Y + 1, clBtnHighlight);
        triangle(X, Y, clBtnShadow);
    } else {
        triangle(X, Y, platform::clBtnText);
    }
    Canvas.restore();
}

void TKxButtonGlyph::DrawButtonText(QPainter& Canvas, const QString& Caption,
                                    const QRect& TextBounds, TKxButtonState State, int Flags) {
    const QString text = Caption.left(255);
    const int flags = Flags | Qt::AlignVCenter | (WordWrap ? Qt::TextWordWrap : 0);
    Canvas.save();
    Canvas.setBrush(Qt::NoBrush);
    if (State == rbsDisabled) {
        Canvas.setPen(ToQColor(clBtnHighlight));
        Canvas.drawText(TextBounds.translated(1, 1), flags, text);
        Canvas.setPen(ToQColor(clBtnShadow));
    }
    Canvas.drawText(TextBounds, flags, text);
    Canvas.restore();
}

QString TKxButtonGlyph::MinimizeCaption(QPainter& Canvas, const QString& Caption, int Width) const {
    if (WordWrap)
        return Caption.left(255);
    QStringList lines = Caption.split(QRegularExpression("\r\n|\n|\r"));
    for (QString& line : lines)
        line = MinimizeText(line, Canvas.fontMetrics(), Width);
    QString joined = lines.join('\n');
    while (!joined.isEmpty() && (joined.back() == ' ' || joined.back() == '\n'))
        joined.chop(1);
    return joined.left(255);
}

namespace {

bool listUsable(const TImageList* Images, int Index) {
    return Images && Images->Width() > 0 && Index >= 0 && Index < Images->Count();
}

} // namespace

void TKxButtonGlyph::CalcButtonLayout(QPainter& Canvas, const QRect& Client, QString& Caption,
                                      TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                                      QPoint& GlyphPos, QRect& TextBounds, int Flags,
                                      const TImageList* Images, int ImageIndex) {
    const int clientW = Client.width(), clientH = Client.height();
    QSize glyph(0, 0);
    if (listUsable(Images, ImageIndex))
        glyph = {Images->Width(), Images->Height()};
    else if (!original_.Empty())
        glyph = {original_.Width() / numGlyphs_, original_.Height()};
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    const int margin = Margin != -1 ? Margin : 0;
    const int spacing = Spacing != -1 ? Spacing : 0;
    const int roomW = std::max(
        0, horizontal ? clientW - glyph.width() - margin - spacing - (PopupMark ? 9 : 0) : clientW);
    const int roomH =
        std::max(0, horizontal ? clientH : clientH - glyph.height() - margin - spacing);

    Caption = MinimizeCaption(Canvas, Caption, roomW);
    QSize text(0, 0);
    if (!Caption.isEmpty()) {
        const int flags =
            Qt::AlignHCenter | Qt::AlignVCenter | (WordWrap ? Qt::TextWordWrap : 0) | Flags;
        const QRect measured =
            Canvas.fontMetrics().boundingRect(QRect(0, 0, roomW, 0), flags, Caption);
        text = {std::min(roomW, measured.width()), std::min(roomH, measured.height())};
    }
    if (PopupMark) {
        if (glyph.width() == 0 || glyph.height() == 0 || Layout == blGlyphLeft)
            text.rwidth() += 9;
        else if (glyph.width() > 0)
            glyph.rwidth() += 6;
    }
    QPoint textPos;
    if (horizontal) {
        GlyphPos.setY(clientH / 2 - glyph.height() / 2);
        textPos.setY(clientH / 2 - text.height() / 2);
    } else {
        GlyphPos.setX(clientW / 2 - glyph.width() / 2);
        textPos.setX(clientW / 2 - text.width() / 2);
    }
    if (text.width() == 0 || glyph.width() == 0)
        Spacing = 0;
    const int clientExtent = horizontal ? clientW : clientH;
    const int glyphExtent = horizontal ? glyph.width() : glyph.height();
    const int textExtent = horizontal ? text.width() : text.height();
    if (Margin == -1 && Spacing == -1) {
        Margin = Spacing = (clientExtent - glyphExtent - textExtent) / 3;
    } else if (Margin == -1) {
        Margin = clientExtent / 2 - (glyphExtent + Spacing + textExtent) / 2;
    } else if (Spacing == -1) {
        Spacing = (clientExtent - Margin - glyphExtent) / 2 - textExtent / 2;
    }
    const auto place = [&](int& glyphAt, int& textAt) {
        if (Layout == blGlyphLeft || Layout == blGlyphTop) {
            glyphAt = Margin;
            textAt = glyphAt + glyphExtent + Spacing;
        } else {
            glyphAt = clientExtent - Margin - glyphExtent;
            textAt = glyphAt - Spacing - textExtent;
        }
    };
    if (horizontal)
        place(GlyphPos.rx(), textPos.rx());
    else
        place(GlyphPos.ry(), textPos.ry());
    GlyphPos += Client.topLeft();
    TextBounds = QRect(textPos + Client.topLeft(), text);
}

QRect TKxButtonGlyph::Draw(QPainter& Canvas, const QRect& Client, const QString& Caption,
                           TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                           TKxButtonState State, int Flags) {
    return DrawEx(Canvas, Client, Caption, Layout, Margin, Spacing, PopupMark, nullptr, -1, State,
                  Flags);
}

QRect TKxButtonGlyph::DrawEx(QPainter& Canvas, const QRect& Client, const QString& Caption,
                             TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                             const TImageList* Images, int ImageIndex, TKxButtonState State,
                             int Flags) {
    QString caption = Caption;
    QPoint glyphPos;
    QRect textBounds;
    CalcButtonLayout(Canvas, Client, caption, Layout, Margin, Spacing, PopupMark, glyphPos,
                     textBounds, Flags, Images, ImageIndex);
    const bool useList = listUsable(Images, ImageIndex);
    const QSize drawn =
        useList ? DrawButtonImage(Canvas, glyphPos.x(), glyphPos.y(), Images, ImageIndex, State)
                : DrawButtonGlyph(Canvas, glyphPos.x(), glyphPos.y(), State);
    DrawButtonText(Canvas, caption, textBounds, State, Flags);
    if (PopupMark) {
        if (Layout != blGlyphLeft && (original_.Width() > 0 || useList))
            DrawPopupMark(Canvas, glyphPos.x() + drawn.width() + 1,
                          glyphPos.y() + drawn.height() / 2, State);
        else
            DrawPopupMark(Canvas,
                          caption.isEmpty() ? (Client.left() + Client.x() + Client.width() - 7) / 2
                                            : textBounds.x() + textBounds.width() + 3,
                          textBounds.top() + textBounds.height() / 2, State);
    }
    return textBounds;
}

TButtonImage::TButtonImage() {
    glyph_.SetNumGlyphs(1);
}

void TButtonImage::Draw(QPainter& Canvas, int X, int Y, int Margin, int Spacing,
                        TButtonLayout Layout, const QFont* Font, int Flags) {
    DrawEx(Canvas, X, Y, Margin, Spacing, Layout, Font, nullptr, -1, Flags);
}

void TButtonImage::DrawEx(QPainter& Canvas, int X, int Y, int Margin, int Spacing,
                          TButtonLayout Layout, const QFont* Font, const TImageList* Images,
                          int ImageIndex, int Flags) {
    struct Restore {
        QPainter& painter;
        ~Restore() { painter.restore(); }
    };
    Canvas.save();
    const Restore restore{Canvas};
    QRect target(X, Y, ButtonSize.x(), ButtonSize.y());
    Canvas.fillRect(target, ToQColor(clBtnFace));
    platform::Frame3D(Canvas, target, clBtnShadow, platform::clWindowFrame);
    platform::Frame3D(Canvas, target, clBtnHighlight, clBtnShadow);
    if (Font)
        Canvas.setFont(*Font);
    Canvas.setPen(ToQColor(platform::clBtnText));
    glyph_.DrawEx(Canvas, target, Caption, Layout, Margin, Spacing, false, Images, ImageIndex,
                  rbsUp, Flags);
}
