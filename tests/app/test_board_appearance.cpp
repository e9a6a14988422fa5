// The board's pattern images and the colour items' menu bitmaps.
#include "app/BoardAppearance.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

double MeanLuminance(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (image.width() * image.height());
}

// Mean colour difference between column a and column b (rows when `rows`).
double LineDifference(const QImage& image, int a, int b, bool rows) {
    const int length = rows ? image.width() : image.height();
    double sum = 0;
    for (int i = 0; i < length; ++i) {
        const QRgb p = rows ? image.pixel(i, a) : image.pixel(a, i);
        const QRgb q = rows ? image.pixel(i, b) : image.pixel(b, i);
        sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
               std::abs(qBlue(p) - qBlue(q));
    }
    return sum / length;
}

TEST(BoardPatterns, EachPatternHasADarkAndALightImage) {
    for (int tag = 0; tag < BoardPatternImageCount; tag += 2) {
        const QImage dark = BoardPatternImage(tag).toImage();
        const QImage light = BoardPatternImage(tag + 1).toImage();
        ASSERT_FALSE(dark.isNull()) << tag;
        ASSERT_FALSE(light.isNull()) << tag;
        EXPECT_GE(dark.width(), 64);
        EXPECT_GE(dark.height(), 64);
        // White coordinates are written on the dark image; the pieces stand on both.
        EXPECT_LT(MeanLuminance(dark), 110) << tag;
        EXPECT_GT(MeanLuminance(light), 150) << tag;
    }
    EXPECT_TRUE(BoardPatternImage(-1).isNull());
    EXPECT_TRUE(BoardPatternImage(BoardPatternImageCount).isNull());
    EXPECT_TRUE(BoardPatternImage(100).isNull());
}

// The board tiles the images from its corner: no seam where one tile meets the next.
TEST(BoardPatterns, ImagesTileWithoutSeams) {
    for (int index = 0; index < BoardPatternImageCount; ++index) {
        const QImage image = BoardPatternImage(index).toImage();
        for (const bool rows : {false, true}) {
            const int last = (rows ? image.height() : image.width()) - 1;
            double inside = 0;
            for (int i = 0; i < last; ++i)
                inside = std::max(inside, LineDifference(image, i, i + 1, rows));
            EXPECT_LE(LineDifference(image, last, 0, rows), inside) << index << rows;
        }
    }
}

TEST(ColorMenuBitmap, IsASixteenPixelSquareOfTheColour) {
    for (const TColor colour : {platform::clSilver, platform::clOlive, TColor(0x2040C0)}) {
        const QImage bitmap = ColorMenuBitmap(colour).toImage();
        ASSERT_EQ(bitmap.size(), QSize(16, 16));
        const QRgb expected = platform::ToQColor(colour).rgb();
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(bitmap.pixel(x, y), expected) << x << "," << y;
    }
    EXPECT_EQ(ColorMenuBitmap(TColor(0x2040C0)).toImage().pixel(3, 3), qRgb(0xC0, 0x40, 0x20));
}

} // namespace
