#pragma once
// The platform's icon: an icon-file stream (a 6-byte header, one 16-byte directory entry per
// image, each image a device-independent bitmap followed by its 1-bit mask) and the image the
// platform shows for it, its handle. The reader checks every count, offset, size and depth
// against the stream: bad data gives no image, never a read outside it.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <optional>

namespace platform {

struct IconEntry {
    int Width = 0;
    int Height = 0;
    // 0 for 256 colours or more.
    int ColorCount = 0;
    int Planes = 0;
    int BitCount = 0;
    quint32 BytesInRes = 0;
    quint32 ImageOffset = 0;
};

// The directory of an icon-file stream; none when the header or an entry does not fit it.
std::optional<QList<IconEntry>> ReadIconDirectory(const QByteArray& Data);

// One image at its own size, its mask made transparency; a null image when the bitmap is not
// one of 1, 4, 8, 16, 24 or 32 uncompressed bits per pixel or does not fit its entry.
QImage DecodeIconImage(const QByteArray& Data, const IconEntry& Entry);

// The entry a display of that many bits per pixel takes: the first whose colour count is the
// display's, else the first not above it unless a later one has more colours than that one,
// else the first. Displays of 16 bits or more count as many colours.
int ChooseIconEntry(const QList<IconEntry>& Entries, int DisplayBits);

// One image as an icon-file stream: a 32-bit bitmap and its mask.
QByteArray EncodeIcon(const QImage& Image);

// The primary screen's bits per pixel, and the size the platform gives its icons.
int DisplayBitsPerPixel();
QSize SystemIconSize();

} // namespace platform

class TIcon {
public:
    // Keeps the stream when its directory reads; false leaves the icon empty.
    bool LoadFromData(const QByteArray& Data);
    bool LoadFromFile(const QString& FileName);
    // The stream as loaded, or the handle written as a stream.
    QByteArray SaveToData() const;
    bool Empty() const { return data_.isEmpty() && handle_.isNull(); }
    void Clear();

    // The image of the entry that fits the system icon size best, at that size; null when the
    // stream holds no usable image.
    QImage Handle() const;
    // An icon made from an image, kept at the image's size.
    void SetHandle(const QImage& Image);

private:
    QByteArray data_;
    QImage handle_;
};
