#include "platform/Icon.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QtEndian>

namespace {

constexpr int HeaderSize = 6;
constexpr int EntrySize = 16;
constexpr int BitmapHeaderSize = 40;
constexpr int MaxIconSide = 256;
// Larger streams are not icons (a bad file must not exhaust memory).
constexpr qsizetype MaxIconData = 16 * 1024 * 1024;

quint16 word(const QByteArray& data, qsizetype at) {
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 dword(const QByteArray& data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

void putWord(QByteArray& data, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    data.append(bytes, 2);
}

void putDword(QByteArray& data, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

qsizetype rowBytes(int width, int bits) {
    return (qsizetype(width) * bits + 31) / 32 * 4;
}

// The colour of pixel x of a bottom-up row.
QRgb pixelOf(const char* row, int x, int bits, const QList<QRgb>& palette) {
    const auto* bytes = reinterpret_cast<const uchar*>(row);
    switch (bits) {
    case 1:
        return palette.at((bytes[x / 8] >> (7 - x % 8)) & 1);
    case 4:
        return palette.at((bytes[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F);
    case 8:
        return palette.at(bytes[x]);
    case 16: {
        const quint16 v = qFromLittleEndian<quint16>(bytes + 2 * x);
        const auto five = [](int c) { return (c << 3) | (c >> 2); };
        return qRgb(five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31));
    }
    case 24:
        return qRgb(bytes[3 * x + 2], bytes[3 * x + 1], bytes[3 * x]);
    default:
        return qRgba(bytes[4 * x + 2], bytes[4 * x + 1], bytes[4 * x], bytes[4 * x + 3]);
    }
}

// The bitmap of one entry: its header gives twice the image height (colour part, then mask).
QImage decodeBitmap(const QByteArray& image) {
    if (image.size() < BitmapHeaderSize)
        return QImage();
    const quint32 headerSize = dword(image, 0);
    const qint32 width = qint32(dword(image, 4));
    const qint32 doubleHeight = qint32(dword(image, 8));
    const int bits = word(image, 14);
    const quint32 compression = dword(image, 16);
    const int height = doubleHeight / 2;
    const bool known =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (headerSize < BitmapHeaderSize || headerSize > quint32(image.size()) || !known ||
        compression != 0 || width < 1 || width > MaxIconSide || height < 1 || height > MaxIconSide)
        return QImage();
    const int colours = bits <= 8 ? 1 << bits : 0;
    const qsizetype tableAt = headerSize;
    const qsizetype pixelsAt = tableAt + 4 * colours;
    const qsizetype maskAt = pixelsAt + rowBytes(width, bits) * height;
    if (maskAt + rowBytes(width, 1) * height > image.size())
        return QImage();
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.append(qRgb(uchar(image[tableAt + 4 * i + 2]), uchar(image[tableAt + 4 * i + 1]),
                            uchar(image[tableAt + 4 * i])));
    QImage result(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const char* row = image.constData() + pixelsAt + rowBytes(width, bits) * (height - 1 - y);
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            line[x] = pixelOf(row, x, bits, palette);
            anyAlpha = anyAlpha || (bits == 32 && qAlpha(line[x]) != 0);
        }
    }
    // A 32-bit image with an alpha channel keeps it; every other one takes its mask.
    for (int y = 0; y < height; ++y) {
        const auto* mask = reinterpret_cast<const uchar*>(image.constData() + maskAt +
                                                          rowBytes(width, 1) * (height - 1 - y));
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool transparent = (mask[x / 8] >> (7 - x % 8)) & 1;
            if (!anyAlpha)
                line[x] = transparent ? qRgba(0, 0, 0, 0) : (line[x] | 0xFF000000u);
        }
    }
    return result;
}

// The entry whose image fits the size best: that size exactly with the most bits, else the
// largest.
int bestFitting(const QList<platform::IconEntry>& entries, QSize size) {
    int best = -1;
    const auto better = [&](const platform::IconEntry& e, const platform::IconEntry& b) {
        const bool exact = QSize(e.Width, e.Height) == size;
        const bool bestExact = QSize(b.Width, b.Height) == size;
        if (exact != bestExact)
            return exact;
        if (e.Width * e.Height != b.Width * b.Height)
            return e.Width * e.Height > b.Width * b.Height;
        return e.BitCount > b.BitCount;
    };
    for (int i = 0; i < entries.size(); ++i) {
        if (best < 0 || better(entries.at(i), entries.at(best)))
            best = i;
    }
    return best;
}

} // namespace

namespace platform {

std::optional<QList<IconEntry>> ReadIconDirectory(const QByteArray& Data) {
    if (Data.size() < HeaderSize || Data.size() > MaxIconData || word(Data, 0) != 0 ||
        word(Data, 2) != 1)
        return std::nullopt;
    const int count = word(Data, 4);
    if (HeaderSize + qsizetype(count) * EntrySize > Data.size())
        return std::nullopt;
    QList<IconEntry> entries;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = HeaderSize + qsizetype(i) * EntrySize;
        IconEntry entry;
        entry.Width = uchar(Data[at]) ? uchar(Data[at]) : MaxIconSide;
        entry.Height = uchar(Data[at + 1]) ? uchar(Data[at + 1]) : MaxIconSide;
        entry.ColorCount = uchar(Data[at + 2]);
        entry.Planes = word(Data, at + 4);
        entry.BitCount = word(Data, at + 6);
        entry.BytesInRes = dword(Data, at + 8);
        entry.ImageOffset = dword(Data, at + 12);
        if (qint64(entry.ImageOffset) + entry.BytesInRes > Data.size())
            return std::nullopt;
        entries.append(entry);
    }
    return entries;
}

QImage DecodeIconImage(const QByteArray& Data, const IconEntry& Entry) {
    if (qint64(Entry.ImageOffset) + Entry.BytesInRes > Data.size())
        return QImage();
    return decodeBitmap(Data.mid(Entry.ImageOffset, Entry.BytesInRes));
}

int ChooseIconEntry(const QList<IconEntry>& Entries, int DisplayBits) {
    const int display = DisplayBits >= 16 || DisplayBits < 1 ? 0 : 1 << DisplayBits;
    for (int i = 0; i < Entries.size(); ++i) {
        if (Entries.at(i).ColorCount == display)
            return i;
    }
    int chosen = -1;
    for (int i = 0; i < Entries.size(); ++i) {
        const int colours = Entries.at(i).ColorCount;
        if (chosen < 0 ? colours <= display : colours > Entries.at(chosen).ColorCount)
            chosen = i;
    }
    return chosen < 0 ? 0 : chosen;
}

QByteArray EncodeIcon(const QImage& Image) {
    const bool fits = Image.width() <= MaxIconSide && Image.height() <= MaxIconSide;
    const QImage image = (fits ? Image
                               : Image.scaled(MaxIconSide, MaxIconSide, Qt::KeepAspectRatio,
                                              Qt::SmoothTransformation))
                             .convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    QByteArray bitmap;
    putDword(bitmap, BitmapHeaderSize);
    putDword(bitmap, quint32(width));
    putDword(bitmap, quint32(height * 2));
    putWord(bitmap, 1);
    putWord(bitmap, 32);
    for (int i = 0; i < 6; ++i)
        putDword(bitmap, 0);
    QByteArray mask(rowBytes(width, 1) * height, '\0');
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            putDword(bitmap, line[x]);
            if (qAlpha(line[x]) == 0)
                mask[rowBytes(width, 1) * (height - 1 - y) + x / 8] |= char(0x80 >> (x % 8));
        }
    }
    bitmap += mask;
    QByteArray data;
    putWord(data, 0);
    putWord(data, 1);
    putWord(data, 1);
    data.append(char(width >= MaxIconSide ? 0 : width));
    data.append(char(height >= MaxIconSide ? 0 : height));
    data.append('\0');
    data.append('\0');
    putWord(data, 1);
    putWord(data, 32);
    putDword(data, quint32(bitmap.size()));
    putDword(data, HeaderSize + EntrySize);
    return data + bitmap;
}

int DisplayBitsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 32;
}

QSize SystemIconSize() {
    const int side = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
    return QSize(side, side);
}

} // namespace platform

bool TIcon::LoadFromData(const QByteArray& Data) {
    Clear();
    if (!platform::ReadIconDirectory(Data))
        return false;
    data_ = Data;
    return true;
}

bool TIcon::LoadFromFile(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxIconData) {
        Clear();
        return false;
    }
    return LoadFromData(file.readAll());
}

QByteArray TIcon::SaveToData() const {
    if (!data_.isEmpty() || handle_.isNull())
        return data_;
    return platform::EncodeIcon(handle_);
}

void TIcon::Clear() {
    data_.clear();
    handle_ = QImage();
}

QImage TIcon::Handle() const {
    if (!handle_.isNull() || data_.isEmpty())
        return handle_;
    const QList<platform::IconEntry> entries =
        platform::ReadIconDirectory(data_).value_or(QList<platform::IconEntry>());
    const int best = bestFitting(entries, platform::SystemIconSize());
    if (best < 0)
        return QImage();
    const QImage image = platform::DecodeIconImage(data_, entries.at(best));
    if (image.isNull() || image.size() == platform::SystemIconSize())
        return image;
    return image.scaled(platform::SystemIconSize(), Qt::IgnoreAspectRatio,
                        Qt::SmoothTransformation);
}

void TIcon::SetHandle(const QImage& Image) {
    data_.clear();
    handle_ = Image.convertToFormat(QImage::Format_ARGB32);
}
