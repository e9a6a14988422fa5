// Icons made by icotool, read by our own reader, put on the clipboard and drawn at real size.

#include "storage/Clipicon.h"
#include "platform/Icon.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// Black and white squares, the top-left corner transparent: every depth holds it.
QImage checker(int side) {
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y,
                           x < 3 && y < 3    ? qRgba(0, 0, 0, 0)
                           : (x / 2 + y) % 2 ? qRgb(255, 255, 255)
                                             : qRgb(0, 0, 0));
    return image;
}

// 256 colours, the bottom-right pixel transparent.
QImage gradient() {
    QImage image(16, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixel(
                x, y, x == 15 && y == 15 ? qRgba(0, 0, 0, 0) : qRgb(x * 17, y * 17, 255 - x * 17));
    return image;
}

class ClipiconTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    // The icon icotool makes of the images, each at the given depth.
    QByteArray icon(const QList<QImage>& images, int bits) {
        const QString tool = QStandardPaths::findExecutable("icotool");
        EXPECT_FALSE(tool.isEmpty()) << "icotool (package icoutils) is missing";
        QStringList args = {"-c", "-b", QString::number(bits), "-o", dir.filePath("out.ico")};
        for (int i = 0; i < images.size(); ++i) {
            const QString png = dir.filePath(QString("image%1.png").arg(i));
            EXPECT_TRUE(images.at(i).save(png));
            args.append(png);
        }
        QProcess process;
        process.start(tool, args);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        QFile file(dir.filePath("out.ico"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
};

// Colours equal, and transparency equal; a transparent pixel's colour does not matter.
void expectSameImage(const QImage& got, const QImage& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb want = expected.pixel(x, y);
            const QRgb have = got.pixel(x, y);
            ASSERT_EQ(qAlpha(have), qAlpha(want)) << x << "," << y;
            if (qAlpha(want)) {
                ASSERT_EQ(have, want) << x << "," << y;
            }
        }
    }
}

TEST_F(ClipiconTest, IconsOfEveryDepthAndSizeReadBackPixelForPixel) {
    for (const int bits : {1, 4, 8, 24, 32}) {
        for (const int side : {16, 32, 48}) {
            SCOPED_TRACE(QString("%1 bits, %2 pixels").arg(bits).arg(side).toStdString());
            const QByteArray data = icon({checker(side)}, bits);
            const auto entries = platform::ReadIconDirectory(data);
            ASSERT_TRUE(entries);
            ASSERT_EQ(entries->size(), 1);
            EXPECT_EQ(entries->first().Width, side);
            EXPECT_EQ(entries->first().BitCount, bits);
            expectSameImage(platform::DecodeIconImage(data, entries->first()), checker(side));
        }
    }
    for (const int bits : {8, 24, 32}) {
        SCOPED_TRACE(bits);
        const QByteArray data = icon({gradient()}, bits);
        const auto entries = platform::ReadIconDirectory(data);
        ASSERT_TRUE(entries && entries->size() == 1);
        expectSameImage(platform::DecodeIconImage(data, entries->first()), gradient());
    }
}

TEST_F(ClipiconTest, ARealSizeIconKeepsItsOneImagesSizeAndSeveralImagesGiveTheHandle) {
    const QSize system = platform::SystemIconSize();
    TIcon single;
    ASSERT_TRUE(single.LoadFromData(icon({checker(16)}, 24)));
    EXPECT_EQ(single.Handle().size(), system);
    const QImage real = CreateRealSizeIcon(single);
    expectSameImage(real, checker(16));
    int w = 0;
    int h = 0;
    GetIconSize(real, w, h);
    EXPECT_EQ(QSize(w, h), QSize(16, 16));
    GetIconSize(QImage(), w, h);
    EXPECT_EQ(QSize(w, h), system);

    TIcon several;
    ASSERT_TRUE(several.LoadFromData(icon({checker(16), checker(48)}, 32)));
    EXPECT_EQ(CreateRealSizeIcon(several), several.Handle());
    EXPECT_EQ(several.Handle().size(), system);

    QImage canvas(64, 64, QImage::Format_ARGB32);
    canvas.fill(Qt::red);
    QPainter painter(&canvas);
    DrawRealSizeIcon(painter, single, 10, 20);
    painter.end();
    EXPECT_EQ(canvas.pixel(10, 20), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(13, 20), checker(16).pixel(3, 0));
    EXPECT_EQ(canvas.pixel(25, 35), checker(16).pixel(15, 15));
    EXPECT_EQ(canvas.pixel(26, 36), qRgb(255, 0, 0));
}

TEST_F(ClipiconTest, AStreamWithoutImagesGivesTheDefaultApplicationIcon) {
    TIcon empty;
    ASSERT_TRUE(empty.LoadFromData(QByteArray("\0\0\1\0\0\0", 6)));
    EXPECT_TRUE(empty.Handle().isNull());
    EXPECT_FALSE(CreateRealSizeIcon(empty).isNull());
}

TEST_F(ClipiconTest, AnIconMadeFromAnImageIsWrittenAsAStream) {
    TIcon icon;
    icon.SetHandle(gradient());
    TIcon copy;
    ASSERT_TRUE(copy.LoadFromData(icon.SaveToData()));
    expectSameImage(CreateRealSizeIcon(copy), gradient());
}

TEST_F(ClipiconTest, TheClipboardCarriesThePictureAndTheWholeStream) {
    QGuiApplication::clipboard()->setText("testo");
    EXPECT_EQ(CreateIconFromClipboard(), nullptr);
    TIcon kept;
    kept.SetHandle(checker(16));
    AssignClipboardIcon(kept);
    expectSameImage(kept.Handle(), checker(16));

    TIcon single;
    ASSERT_TRUE(single.LoadFromData(icon({checker(32)}, 4)));
    CopyIconToClipboard(single, platform::clLime);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasFormat(CF_ICON) && data->hasImage());
    const QImage picture = qvariant_cast<QImage>(data->imageData());
    ASSERT_EQ(picture.size(), QSize(32, 32));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(picture.pixel(5, 5), checker(32).pixel(5, 5));
    EXPECT_EQ(data->data(CF_ICON), single.SaveToData());

    const std::unique_ptr<TIcon> pasted = CreateIconFromClipboard();
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->SaveToData(), single.SaveToData());
    AssignClipboardIcon(kept);
    EXPECT_EQ(kept.SaveToData(), single.SaveToData());
}

TEST(IconChoice, TheDisplaysColourCountPicksTheEntry) {
    const auto entries = [](std::initializer_list<int> colours) {
        QList<platform::IconEntry> list;
        for (const int c : colours) {
            platform::IconEntry entry;
            entry.ColorCount = c;
            list.append(entry);
        }
        return list;
    };
    struct Case {
        QList<platform::IconEntry> entries;
        int displayBits;
        int chosen;
    };
    const std::vector<Case> cases = {
        {entries({2, 16, 0}), 4, 1},  {entries({2, 16, 0}), 1, 0},  {entries({0, 16, 2}), 8, 1},
        {entries({16, 2, 0}), 8, 0},  {entries({16, 2, 0}), 24, 2}, {entries({16, 2, 0}), 32, 2},
        {entries({16, 2, 0}), 16, 2}, {entries({16, 2}), 32, 0},    {entries({16, 16}), 1, 0},
        {entries({}), 24, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::ChooseIconEntry(c.entries, c.displayBits), c.chosen) << c.displayBits;
}

// A one-image stream whose bitmap the change damages.
QByteArray damaged(const std::function<void(QByteArray&)>& change) {
    QByteArray data = platform::EncodeIcon(checker(16));
    change(data);
    return data;
}

void putDword(QByteArray& data, int at, quint32 value) {
    qToLittleEndian(value, data.data() + at);
}

TEST(IconReader, BadDataGivesNoImageAndNeverReadsOutsideTheStream) {
    const int bitmap = 6 + 16;
    const std::vector<std::pair<const char*, QByteArray>> directories = {
        {"empty", QByteArray()},
        {"short header", QByteArray("\0\0\1", 3)},
        {"cursor type", QByteArray("\0\0\2\0\0\0", 6)},
        {"reserved word", QByteArray("\1\0\1\0\0\0", 6)},
        {"more entries than the stream", QByteArray("\0\0\1\0\5\0", 6)},
        {"image beyond the stream", damaged([](QByteArray& d) { putDword(d, 18, 1u << 30); })},
        {"size beyond the stream", damaged([](QByteArray& d) { putDword(d, 14, 0xFFFFFFF0u); })},
    };
    for (const auto& [what, data] : directories) {
        EXPECT_FALSE(platform::ReadIconDirectory(data)) << what;
        TIcon icon;
        EXPECT_FALSE(icon.LoadFromData(data)) << what;
        EXPECT_TRUE(icon.Empty()) << what;
    }
    const std::vector<std::pair<const char*, QByteArray>> images = {
        {"header size beyond", damaged([&](QByteArray& d) { putDword(d, bitmap, 100000); })},
        {"three bits", damaged([&](QByteArray& d) { d[bitmap + 14] = 3; })},
        {"compressed", damaged([&](QByteArray& d) { putDword(d, bitmap + 16, 1); })},
        {"no width", damaged([&](QByteArray& d) { putDword(d, bitmap + 4, 0); })},
        {"too wide", damaged([&](QByteArray& d) { putDword(d, bitmap + 4, 5000); })},
        {"negative height", damaged([&](QByteArray& d) { putDword(d, bitmap + 8, quint32(-32)); })},
        {"taller than its bytes", damaged([&](QByteArray& d) { putDword(d, bitmap + 8, 200); })},
        {"mask cut off", damaged([](QByteArray& d) {
             d.chop(8);
             putDword(d, 14, quint32(d.size() - 22));
         })},
    };
    for (const auto& [what, data] : images) {
        const auto entries = platform::ReadIconDirectory(data);
        ASSERT_TRUE(entries && entries->size() == 1) << what;
        EXPECT_TRUE(platform::DecodeIconImage(data, entries->first()).isNull()) << what;
        TIcon icon;
        ASSERT_TRUE(icon.LoadFromData(data)) << what;
        EXPECT_TRUE(icon.Handle().isNull()) << what;
        EXPECT_TRUE(CreateRealSizeIcon(icon).isNull()) << what;
    }
}

} // namespace
