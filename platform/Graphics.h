#pragma once
// Bitmaps, image lists and the few line and frame primitives the controls draw with.

#include "platform/Colors.h"

#include <QImage>
#include <QRect>
#include <functional>
#include <vector>

class QPainter;

// Text alignment within a control.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

namespace platform {

// A picture and its transparent colour. Without a colour of its own the transparent colour is
// the bottom-left pixel, as the original bitmaps had it.
class TBitmap {
public:
    TBitmap() = default;
    explicit TBitmap(QImage image);
    TBitmap(int width, int height, TColor fill = clWhite);

    const QImage& Image() const { return image_; }
    QImage& Image() { return image_; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    bool Empty() const { return image_.isNull() || image_.width() == 0 || image_.height() == 0; }

    // clDefault brings back the bottom-left pixel.
    void SetTransparentColor(TColor color) { transparentColor_ = color; }
    TColor TransparentColor() const;
    TColor Pixel(int x, int y) const;

    // The picture with every pixel of the transparent colour cleared.
    QImage Masked() const;

private:
    QImage image_;
    TColor transparentColor_ = clDefault;
};

// The image with every pixel of `color` (compared as 0x00BBGGRR) made fully transparent.
QImage MaskColor(const QImage& image, TColor color);

class TImageList;

// A watcher of an image list. A list lets its links go when it is destroyed and a link leaves
// its list when it is destroyed, so either may go first.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    // The list watched; none before registering and once the list is gone.
    TImageList* Sender() const { return sender_; }
    // Called after every change of the list, and once more when the list goes.
    std::function<void()> OnChange;

private:
    friend class TImageList;
    TImageList* sender_ = nullptr;
};

// Images of one size. A mask is a picture whose white pixels are transparent, as the original
// lists kept them; here it becomes the image's alpha channel.
class TImageList {
public:
    TImageList(int width, int height);
    virtual ~TImageList();
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;

    // Each registered link hears of every change; a link watches one list at a time.
    void RegisterChanges(TChangeLink& link);
    void UnRegisterChanges(TChangeLink& link);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return int(images_.size()); }

    int Add(const QImage& image, const QImage& mask);
    int AddMasked(const QImage& image, TColor maskColor);
    void Replace(int index, const QImage& image, const QImage& mask);
    void ReplaceMasked(int index, const QImage& image, TColor maskColor);
    // Every image goes; the watchers hear of it.
    void Clear();
    // The stored picture with its transparency.
    QImage Image(int index) const;

    // Disabled images are drawn embossed in the button highlight and shadow colours.
    void Draw(QPainter& painter, int x, int y, int index, bool enabled = true) const;
    void DrawDisabled(QPainter& painter, int x, int y, int index, TColor highlight, TColor gray,
                      bool drawHighlight) const;
    // The mask: black where the image shows, white elsewhere.
    QImage Mask(int index) const;

private:
    QImage fitted(const QImage& image) const;
    void changed();

    int width_;
    int height_;
    std::vector<QImage> images_;
    std::vector<TChangeLink*> links_;
};

// A line from `from` towards `to` that stops one pixel short of `to`, as the original drew them.
void LineTo(QPainter& painter, QPoint from, QPoint to);
// Lines through the points, each one stopping short of its end point.
void PolyLine(QPainter& painter, const std::vector<QPoint>& points);

// One-pixel 3-D frames `width` deep: top and left in `topLeft`, bottom and right in
// `bottomRight`; `rect` shrinks by the frames drawn.
void Frame3D(QPainter& painter, QRect& rect, TColor topLeft, TColor bottomRight, int width = 1);

} // namespace platform
