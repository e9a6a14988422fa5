#include "platform/Graphics.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr TColor rgbOf(QRgb pixel) {
    return TColor(qRed(pixel) | (qGreen(pixel) << 8) | (qBlue(pixel) << 16));
}

// `color` wherever `shape` is not transparent.
QImage silhouette(const QImage& shape, TColor color) {
    QImage result(shape.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(ToQColor(color));
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, shape);
    return result;
}

} // namespace

TBitmap::TBitmap(QImage image) : image_(image.convertToFormat(QImage::Format_ARGB32)) {}

TBitmap::TBitmap(int width, int height, TColor fill)
    : image_(std::max(width, 0), std::max(height, 0), QImage::Format_ARGB32) {
    image_.fill(ToQColor(fill));
}

TColor TBitmap::Pixel(int x, int y) const {
    return rgbOf(image_.pixel(x, y));
}

TColor TBitmap::TransparentColor() const {
    if (transparentColor_ != clDefault || Empty())
        return transparentColor_;
    return Pixel(0, Height() - 1);
}

QImage TBitmap::Masked() const {
    return MaskColor(image_, TransparentColor());
}

QImage MaskColor(const QImage& image, TColor color) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const TColor plain = color & 0xFFFFFF;
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if (rgbOf(line[x]) == plain)
                line[x] = 0;
        }
    }
    return result;
}

TChangeLink::~TChangeLink() {
    if (sender_)
        sender_->UnRegisterChanges(*this);
}

TImageList::TImageList(int width, int height) : width_(width), height_(height) {}

TImageList::~TImageList() {
    // A link may leave (or the watcher go) while it hears that the list is gone.
    while (!links_.empty()) {
        TChangeLink* link = links_.back();
        links_.pop_back();
        link->sender_ = nullptr;
        if (link->OnChange)
            link->OnChange();
    }
}

void TImageList::RegisterChanges(TChangeLink& link) {
    if (link.sender_ == this)
        return;
    if (link.sender_)
        link.sender_->UnRegisterChanges(link);
    link.sender_ = this;
    links_.push_back(&link);
}

void TImageList::UnRegisterChanges(TChangeLink& link) {
    const auto found = std::find(links_.begin(), links_.end(), &link);
    if (found == links_.end())
        return;
    links_.erase(found);
    link.sender_ = nullptr;
}

QImage TImageList::fitted(const QImage& image) const {
    QImage result(width_, height_, QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image);
    return result;
}

void TImageList::changed() {
    // A watcher may let its link go while it hears of the change.
    const std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) != links_.end() && link->OnChange)
            link->OnChange();
    }
}

namespace {

// Clears the pixels whose mask pixel is white.
QImage applyMask(QImage image, const QImage& mask) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (mask.isNull())
        return image;
    for (int y = 0; y < image.height() && y < mask.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width() && x < mask.width(); ++x) {
            if ((mask.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                line[x] = 0;
        }
    }
    return image;
}

} // namespace

int TImageList::Add(const QImage& image, const QImage& mask) {
    images_.push_back(fitted(applyMask(image, mask)));
    changed();
    return Count() - 1;
}

int TImageList::AddMasked(const QImage& image, TColor maskColor) {
    images_.push_back(fitted(MaskColor(image, maskColor)));
    changed();
    return Count() - 1;
}

void TImageList::Clear() {
    images_.clear();
    changed();
}

void TImageList::Replace(int index, const QImage& image, const QImage& mask) {
    if (index < 0 || index >= Count())
        return;
    images_[size_t(index)] = fitted(applyMask(image, mask));
    changed();
}

void TImageList::ReplaceMasked(int index, const QImage& image, TColor maskColor) {
    if (index < 0 || index >= Count())
        return;
    images_[size_t(index)] = fitted(MaskColor(image, maskColor));
    changed();
}

QImage TImageList::Image(int index) const {
    return index >= 0 && index < Count() ? images_[size_t(index)] : QImage();
}

void TImageList::Draw(QPainter& painter, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count())
        return;
    if (enabled)
        painter.drawImage(x, y, images_[size_t(index)]);
    else
        DrawDisabled(painter, x, y, index, clBtnHighlight, clBtnShadow, true);
}

void TImageList::DrawDisabled(QPainter& painter, int x, int y, int index, TColor highlight,
                              TColor gray, bool drawHighlight) const {
    if (index < 0 || index >= Count())
        return;
    const QImage& image = images_[size_t(index)];
    if (drawHighlight)
        painter.drawImage(x + 1, y + 1, silhouette(image, highlight));
    painter.drawImage(x, y, silhouette(image, gray));
}

QImage TImageList::Mask(int index) const {
    QImage mask(width_, height_, QImage::Format_RGB32);
    mask.fill(Qt::white);
    const QImage image = Image(index);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                mask.setPixel(x, y, qRgb(0, 0, 0));
    return mask;
}

void LineTo(QPainter& painter, QPoint from, QPoint to) {
    const QPoint delta = to - from;
    const int steps = std::max(std::abs(delta.x()), std::abs(delta.y()));
    if (steps == 0)
        return;
    const auto shortened = [&](int d) { return int(std::lround(double(d) * (steps - 1) / steps)); };
    painter.drawLine(from, from + QPoint(shortened(delta.x()), shortened(delta.y())));
}

void PolyLine(QPainter& painter, const std::vector<QPoint>& points) {
    for (size_t i = 1; i < points.size(); ++i)
        LineTo(painter, points[i - 1], points[i]);
}

void Frame3D(QPainter& painter, QRect& rect, TColor topLeft, TColor bottomRight, int width) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        painter.setPen(ToQColor(topLeft));
        PolyLine(painter, {rect.bottomLeft(), rect.topLeft(), rect.topRight()});
        painter.setPen(ToQColor(bottomRight));
        PolyLine(painter, {rect.topRight(), rect.bottomRight(), rect.bottomLeft() - QPoint(1, 0)});
        rect.adjust(1, 1, -1, -1);
    }
    painter.restore();
}

} // namespace platform
