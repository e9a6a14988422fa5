#pragma once
// The speed buttons' glyphs: one picture turned into an image per button state on demand, kept
// in image lists shared by every button with glyphs of the same size.

#include "platform/Graphics.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QFont;
class QPainter;

enum TKxButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// The number of glyph cells side by side in a glyph picture, 1 to 5.
using TKxNumGlyphs = int;

// Text flags for a caption of that alignment.
int AlignmentFlags(TAlignment Alignment);

// An image list whose slots are handed out and given back.
class TGlyphList : public platform::TImageList {
public:
    TGlyphList(int AWidth, int AHeight) : TImageList(AWidth, AHeight) {}

    int AllocateSlot();
    int AddImage(const QImage& Image, const QImage& Mask);
    int AddMaskedImage(const QImage& Image, TColor MaskColor);
    void ReleaseSlot(int Index);
    int UsedCount() const { return count_; }

private:
    std::vector<bool> used_;
    int count_ = 0;
};

class TGlyphCache {
public:
    TGlyphList* GetList(int AWidth, int AHeight);
    void ReturnList(TGlyphList* List);
    bool IsEmpty() const { return lists_.empty(); }

private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The process's cache while any glyph object has built images; none otherwise.
TGlyphCache* GlyphCache();

class TKxButtonGlyph {
public:
    TKxButtonGlyph();
    ~TKxButtonGlyph();
    TKxButtonGlyph(const TKxButtonGlyph&) = delete;
    TKxButtonGlyph& operator=(const TKxButtonGlyph&) = delete;

    const platform::TBitmap& Glyph() const { return original_; }
    void SetGlyph(const platform::TBitmap& Value);
    TKxNumGlyphs NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(TKxNumGlyphs Value);
    bool WordWrap = false;
    TAlignment Alignment = taCenter;
    std::function<void()> OnChange;

    // Gives back every built image and the list.
    void Invalidate();
    int CreateButtonGlyph(TKxButtonState State);
    int CreateImageGlyph(TKxButtonState State, const platform::TImageList* Images, int Index);
    QSize DrawButtonGlyph(QPainter& Canvas, int X, int Y, TKxButtonState State);
    QSize DrawButtonImage(QPainter& Canvas, int X, int Y, const platform::TImageList* Images,
                          int Index, TKxButtonState State);
    void DrawPopupMark(QPainter& Canvas, int X, int Y, TKxButtonState State);
    void DrawButtonText(QPainter& Canvas, const QString& Caption, const QRect& TextBounds,
                        TKxButtonState State, int Flags);
    QString MinimizeCaption(QPainter& Canvas, const QString& Caption, int Width) const;
    void CalcButtonLayout(QPainter& Canvas, const QRect& Client, QString& Caption,
                          TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                          QPoint& GlyphPos, QRect& TextBounds, int Flags,
                          const platform::TImageList* Images, int ImageIndex);
    QRect Draw(QPainter& Canvas, const QRect& Client, const QString& Caption, TButtonLayout Layout,
               int Margin, int Spacing, bool PopupMark, TKxButtonState State, int Flags);
    QRect DrawEx(QPainter& Canvas, const QRect& Client, const QString& Caption,
                 TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                 const platform::TImageList* Images, int ImageIndex, TKxButtonState State,
                 int Flags);

    // The image list in use and the index of each state (for the tests of sharing).
    const TGlyphList* GlyphList() const { return glyphList_; }
    int IndexOf(TKxButtonState State) const { return indexs_[State]; }

private:
    void GlyphChanged();
    TGlyphList* listOfSize(int width, int height);
    TColor MapColor(TColor Color) const;

    platform::TBitmap original_;
    TGlyphList* glyphList_ = nullptr;
    int indexs_[5] = {-1, -1, -1, -1, -1};
    TColor transparentColor_ = platform::clFuchsia;
    TKxNumGlyphs numGlyphs_ = 1;
};

// A whole button picture (face, frame, glyph and caption) drawn anywhere.
class TButtonImage {
public:
    TButtonImage();

    const platform::TBitmap& Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const platform::TBitmap& Value) { glyph_.SetGlyph(Value); }
    TKxNumGlyphs NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(TKxNumGlyphs Value) { glyph_.SetNumGlyphs(Value); }
    bool& WordWrap() { return glyph_.WordWrap; }
    TAlignment& Alignment() { return glyph_.Alignment; }
    void Invalidate() { glyph_.Invalidate(); }

    QPoint ButtonSize{24, 23};
    QString Caption;

    void Draw(QPainter& Canvas, int X, int Y, int Margin, int Spacing, TButtonLayout Layout,
              const QFont* Font, int Flags);
    void DrawEx(QPainter& Canvas, int X, int Y, int Margin, int Spacing, TButtonLayout Layout,
                const QFont* Font, const platform::TImageList* Images, int ImageIndex, int Flags);

private:
    TKxButtonGlyph glyph_;
};
