// Glyph images per state, the shared image lists and the layout of glyph and caption.
#include "controls/KXCtrlsGlyphs.h"
#include "ControlsTestUtil.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// A glyph of `cells` squares of `size`: a dark square inside each, on a fuchsia ground.
TBitmap Squares(int cells, int size = 16, int width = -1) {
    TBitmap bitmap(width < 0 ? cells * size : width, size, clFuchsia);
    QPainter painter(&bitmap.Image());
    for (int i = 0; i < cells; ++i)
        painter.fillRect(i * size + 4, 4, size - 8, size - 8, QColor(0, 0, 128 + i * 20));
    return bitmap;
}

QImage Face(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ToQColor(clBtnFace));
    return image;
}

} // namespace

TEST(GlyphTest, CellCountFollowsTheShape) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(Squares(4));
    EXPECT_EQ(glyph.NumGlyphs(), 4);
    glyph.SetGlyph(Squares(7));
    EXPECT_EQ(glyph.NumGlyphs(), 1);
    glyph.SetNumGlyphs(3);
    glyph.SetGlyph(Squares(1, 16, 40));
    EXPECT_EQ(glyph.NumGlyphs(), 3);
    glyph.SetGlyph(TBitmap(QImage(0, 16, QImage::Format_ARGB32)));
    EXPECT_EQ(glyph.NumGlyphs(), 3);
    glyph.SetNumGlyphs(0);
    EXPECT_EQ(glyph.NumGlyphs(), 3);
}

TEST(GlyphTest, OneCellGivesUpForPressedEmbossedDisabledAndGrayInactive) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(Squares(1));
    const int up = glyph.CreateButtonGlyph(rbsUp);
    EXPECT_EQ(glyph.CreateButtonGlyph(rbsDown), up);
    QImage canvas = Face(16, 16);
    QPainter painter(&canvas);
    glyph.DrawButtonGlyph(painter, 0, 0, rbsUp);
    painter.end();
    EXPECT_EQ(PixelAt(canvas, 8, 8), TColor(0x800000));
    EXPECT_EQ(PixelAt(canvas, 1, 1), Plain(clBtnFace)); // fuchsia is transparent

    canvas = Face(16, 16);
    painter.begin(&canvas);
    glyph.DrawButtonGlyph(painter, 0, 0, rbsDisabled);
    painter.end();
    EXPECT_EQ(PixelAt(canvas, 8, 8), Plain(clBtnShadow));
    EXPECT_EQ(PixelAt(canvas, 12, 12), Plain(clBtnHighlight));

    canvas = Face(16, 16);
    painter.begin(&canvas);
    glyph.DrawButtonGlyph(painter, 0, 0, rbsInactive);
    painter.end();
    const int gray = (29 * 128) >> 8;
    EXPECT_EQ(PixelAt(canvas, 8, 8), TColor(gray | gray << 8 | gray << 16));
}

TEST(GlyphTest, CellsPerStateWhenThePictureHasThem) {
    TKxButtonGlyph glyph;
    glyph.SetGlyph(Squares(5));
    const TKxButtonState states[] = {rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive};
    for (int i = 0; i < 5; ++i) {
        QImage canvas = Face(16, 16);
        QPainter painter(&canvas);
        EXPECT_EQ(glyph.DrawButtonGlyph(painter, 0, 0, states[i]), QSize(16, 16));
        painter.end();
        EXPECT_EQ(PixelAt(canvas, 8, 8), TColor((128 + i * 20) << 16)) << i;
    }
}

TEST(GlyphCacheTest, ListsAreSharedSlotsReusedAndFreed) {
    {
        TKxButtonGlyph first, second;
        first.SetGlyph(Squares(1));
        second.SetGlyph(Squares(2));
        first.CreateButtonGlyph(rbsUp);
        second.CreateButtonGlyph(rbsUp);
        second.CreateButtonGlyph(rbsDisabled);
        ASSERT_NE(first.GlyphList(), nullptr);
        EXPECT_EQ(first.GlyphList(), second.GlyphList());
        EXPECT_EQ(first.GlyphList()->UsedCount(), 3);
        const int freed = first.IndexOf(rbsUp);
        first.Invalidate();
        EXPECT_EQ(second.GlyphList()->UsedCount(), 2);
        first.CreateButtonGlyph(rbsInactive);
        EXPECT_EQ(first.IndexOf(rbsInactive), freed);
        EXPECT_EQ(second.GlyphList()->Count(), 3);

        // Another size: only this glyph's own slots go back.
        TImageList images(8, 8);
        images.AddMasked(QImage(8, 8, QImage::Format_RGB32), clNone);
        first.CreateImageGlyph(rbsUp, &images, 0);
        EXPECT_EQ(first.GlyphList()->Width(), 8);
        EXPECT_EQ(second.GlyphList()->UsedCount(), 2);
        EXPECT_NE(second.IndexOf(rbsDisabled), -1);
    }
    EXPECT_EQ(GlyphCache(), nullptr);
}

TEST(GlyphLayoutTest, GeneralRulesWithoutFontAssumptions) {
    QImage canvas(200, 200, QImage::Format_RGB32);
    QPainter painter(&canvas);
    painter.setFont(SharpFont());
    TKxButtonGlyph glyph;
    glyph.SetGlyph(Squares(1));
    QString caption = "Abc";
    const int w = painter.fontMetrics().horizontalAdvance(caption);
    QPoint glyphPos;
    QRect text;
    glyph.CalcButtonLayout(painter, QRect(0, 0, 100, 40), caption, blGlyphLeft, -1, -1, false,
                           glyphPos, text, 0, nullptr, -1);
    const int third = (100 - 16 - w) / 3;
    EXPECT_EQ(glyphPos, QPoint(third, 12));
    EXPECT_EQ(text.x(), third + 16 + third);
    glyph.CalcButtonLayout(painter, QRect(0, 0, 100, 40), caption, blGlyphRight, 3, 2, false,
                           glyphPos, text, 0, nullptr, -1);
    EXPECT_EQ(glyphPos.x(), 100 - 3 - 16);
    EXPECT_EQ(text.x(), 100 - 3 - 16 - 2 - text.width());
    glyph.CalcButtonLayout(painter, QRect(0, 0, 100, 60), caption, blGlyphBottom, 3, -1, false,
                           glyphPos, text, 0, nullptr, -1);
    EXPECT_EQ(glyphPos, QPoint(50 - 8, 60 - 3 - 16));
    EXPECT_EQ(text.y(), glyphPos.y() - ((60 - 3 - 16) / 2 - text.height() / 2) - text.height());
    // Spacing is 0 without a caption.
    caption.clear();
    glyph.CalcButtonLayout(painter, QRect(0, 0, 100, 40), caption, blGlyphLeft, -1, 5, false,
                           glyphPos, text, 0, nullptr, -1);
    EXPECT_EQ(glyphPos.x(), 50 - 8);
}

TEST(GlyphLayoutTest, LongCaptionsAreCutPerLineUnlessWrapped) {
    QImage canvas(10, 10, QImage::Format_RGB32);
    QPainter painter(&canvas);
    painter.setFont(SharpFont());
    TKxButtonGlyph glyph;
    const QString caption = "Una riga molto lunga\nBreve";
    const int width = painter.fontMetrics().horizontalAdvance("Una riga...");
    EXPECT_EQ(glyph.MinimizeCaption(painter, caption, width), "Una riga...\nBreve");
    EXPECT_EQ(glyph.MinimizeCaption(painter, "Fine  \n", width), "Fine");
    glyph.WordWrap = true;
    EXPECT_EQ(glyph.MinimizeCaption(painter, caption, width), caption);
}

TEST(GlyphTest, PopupMarkIsATriangleOfPixels) {
    TKxButtonGlyph glyph;
    QImage canvas = Face(20, 20);
    QPainter painter(&canvas);
    glyph.DrawPopupMark(painter, 5, 5, rbsUp);
    painter.end();
    const TColor text = Plain(clBtnText);
    for (int x = 5; x <= 11; ++x)
        EXPECT_EQ(PixelAt(canvas, x, 4), text);
    EXPECT_EQ(PixelAt(canvas, 4, 4), Plain(clBtnFace));
    EXPECT_EQ(PixelAt(canvas, 6, 5), text);
    EXPECT_EQ(PixelAt(canvas, 5, 5), Plain(clBtnFace));
    EXPECT_EQ(PixelAt(canvas, 8, 7), text);
    EXPECT_EQ(PixelAt(canvas, 7, 7), Plain(clBtnFace));
}

TEST(ButtonImageTest, FaceFramesAndGlyph) {
    TButtonImage image;
    image.SetGlyph(Squares(1));
    QImage canvas(30, 30, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    image.Draw(painter, 2, 2, -1, -1, blGlyphTop, nullptr, Qt::AlignHCenter);
    painter.end();
    EXPECT_EQ(PixelAt(canvas, 12, 2), Plain(clBtnShadow));
    EXPECT_EQ(PixelAt(canvas, 12, 24), Plain(clWindowFrame));
    EXPECT_EQ(PixelAt(canvas, 12, 3), Plain(clBtnHighlight));
    EXPECT_EQ(PixelAt(canvas, 14, 13), TColor(0x800000));
    EXPECT_EQ(PixelAt(canvas, 1, 1), clWhite);
}
