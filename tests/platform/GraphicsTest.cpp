// Bitmaps, image lists, lines and frames, the panel, the pop-up hook and the exception display.
#include "platform/Graphics.h"
#include "platform/ExceptionDisplay.h"
#include "platform/MessageBox.h"
#include "platform/Panel.h"
#include "platform/PopupMenu.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace platform;

namespace {

TColor At(const QImage& image, int x, int y) {
    return FromQColor(QColor(image.pixel(x, y)));
}

QImage Canvas(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

TEST(BitmapTest, TransparentColourIsTheBottomLeftPixelUnlessSet) {
    TBitmap bitmap(4, 3, clRed);
    bitmap.Image().setPixel(0, 2, qRgb(0, 255, 0));
    EXPECT_EQ(bitmap.TransparentColor(), clLime);
    bitmap.SetTransparentColor(clRed);
    EXPECT_EQ(bitmap.TransparentColor(), clRed);
    EXPECT_EQ(qAlpha(bitmap.Masked().pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(bitmap.Masked().pixel(0, 2)), 255);
    EXPECT_TRUE(TBitmap().Empty());
    EXPECT_EQ(TBitmap().TransparentColor(), clDefault);
}

TEST(ImageListTest, MaskedImagesReplaceAndNotify) {
    TImageList list(3, 2);
    int changes = 0;
    TChangeLink link;
    link.OnChange = [&] { ++changes; };
    list.RegisterChanges(link);
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    image.setPixel(1, 0, qRgb(0, 0, 255));
    EXPECT_EQ(list.AddMasked(image, clFuchsia), 0);
    EXPECT_EQ(qAlpha(list.Image(0).pixel(0, 0)), 0);
    EXPECT_EQ(list.Image(0).pixel(1, 0), qRgb(0, 0, 255));
    const QImage mask = list.Mask(0);
    EXPECT_EQ(mask.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(mask.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(list.Add(image, mask), 1);
    list.ReplaceMasked(1, image, clBlue);
    EXPECT_EQ(qAlpha(list.Image(1).pixel(1, 0)), 0);
    list.ReplaceMasked(5, image, clBlue);
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(list.Image(7).isNull());
}

TEST(ImageListTest, ChangeLinksHearEveryChangeAndEitherMayGoFirst) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    auto list = std::make_unique<TImageList>(2, 2);
    TChangeLink kept;
    auto leaving = std::make_unique<TChangeLink>();
    int keptHeard = 0, leavingHeard = 0;
    kept.OnChange = [&] { ++keptHeard; };
    leaving->OnChange = [&] { ++leavingHeard; };
    list->RegisterChanges(kept);
    list->RegisterChanges(*leaving);
    list->Add(image, {});
    EXPECT_EQ(keptHeard, 1);
    EXPECT_EQ(leavingHeard, 1);
    leaving.reset();
    list->Add(image, {});
    EXPECT_EQ(keptHeard, 2);
    TImageList other(2, 2);
    other.RegisterChanges(kept);
    list->Add(image, {});
    EXPECT_EQ(keptHeard, 2) << "a link watches one list";
    list->RegisterChanges(kept);
    list.reset();
    EXPECT_EQ(keptHeard, 3) << "told that the list went";
    EXPECT_EQ(kept.Sender(), nullptr);
}

TEST(ImageListTest, DisabledDrawingEmbossesTheShape) {
    TImageList list(2, 2);
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    image.setPixel(0, 0, qRgb(10, 20, 30));
    list.AddMasked(image, clWhite);
    QImage canvas = Canvas(4, 4);
    QPainter painter(&canvas);
    list.DrawDisabled(painter, 0, 0, 0, clRed, clBlue, true);
    painter.end();
    EXPECT_EQ(At(canvas, 0, 0), clBlue);
    EXPECT_EQ(At(canvas, 1, 1), clRed);
    EXPECT_EQ(At(canvas, 1, 0), clWhite);
}

TEST(LineTest, LinesStopShortOfTheirEndPoint) {
    QImage canvas = Canvas(10, 10);
    QPainter painter(&canvas);
    painter.setPen(Qt::black);
    PolyLine(painter, {{0, 0}, {5, 0}, {5, 5}});
    LineTo(painter, {8, 8}, {8, 8});
    painter.end();
    EXPECT_EQ(At(canvas, 0, 0), clBlack);
    EXPECT_EQ(At(canvas, 5, 0), clBlack); // the second line's start
    EXPECT_EQ(At(canvas, 5, 4), clBlack);
    EXPECT_EQ(At(canvas, 5, 5), clWhite);
    EXPECT_EQ(At(canvas, 8, 8), clWhite);
}

TEST(FrameTest, TopLeftAndBottomRightColoursAndTheInsideThatRemains) {
    QImage canvas = Canvas(10, 8);
    QPainter painter(&canvas);
    QRect rect(0, 0, 10, 8);
    Frame3D(painter, rect, clRed, clBlue, 2);
    painter.end();
    EXPECT_EQ(rect, QRect(2, 2, 6, 4));
    EXPECT_EQ(At(canvas, 5, 0), clRed);
    EXPECT_EQ(At(canvas, 0, 4), clRed);
    EXPECT_EQ(At(canvas, 5, 7), clBlue);
    EXPECT_EQ(At(canvas, 9, 4), clBlue);
    EXPECT_EQ(At(canvas, 0, 7), clBlue); // the bottom line ends on the left column
    EXPECT_EQ(At(canvas, 9, 0), clBlue);
    EXPECT_EQ(At(canvas, 5, 1), clRed);
    EXPECT_EQ(At(canvas, 5, 2), clWhite);
}

TEST(PanelTest, BevelsBorderAndColour) {
    TCustomPanel panel;
    panel.resize(40, 30);
    panel.SetBevelOuter(TCustomPanel::bvRaised);
    panel.SetBevelInner(TCustomPanel::bvLowered);
    panel.SetBorderWidth(2);
    panel.SetColor(clYellow);
    EXPECT_EQ(panel.InnerRect(), QRect(4, 4, 32, 22));
    const QImage shot = panel.grab().toImage();
    EXPECT_EQ(At(shot, 20, 0), FromQColor(ToQColor(clBtnHighlight)));
    EXPECT_EQ(At(shot, 20, 29), FromQColor(ToQColor(clBtnShadow)));
    EXPECT_EQ(At(shot, 20, 1), clYellow);
    EXPECT_EQ(At(shot, 20, 3), FromQColor(ToQColor(clBtnShadow)));
    EXPECT_EQ(At(shot, 20, 26), FromQColor(ToQColor(clBtnHighlight)));
    EXPECT_EQ(At(shot, 20, 15), clYellow);
    panel.SetCtl3D(false);
    panel.SetBorderStyle(TCustomPanel::bsSingle);
    EXPECT_EQ(panel.InnerRect(), QRect(5, 5, 30, 20));
    EXPECT_EQ(At(panel.grab().toImage(), 20, 0), FromQColor(ToQColor(clWindowFrame)));
}

TEST(ColorsTest, WindowFrameDiffersFromTheButtonShadow) {
    EXPECT_NE(ToQColor(clWindowFrame), ToQColor(clBtnShadow));
    EXPECT_NE(clDefault, clNone);
}

TEST(PopupMenuTest, TheHookChoosesTheItem) {
    TPopupMenu menu;
    QAction* first = menu.addAction("Uno");
    QAction* second = menu.addAction("Due");
    int triggered = 0;
    QObject::connect(second, &QAction::triggered, [&] { ++triggered; });
    QPoint asked;
    auto old = SetPopupMenuHook([&](TPopupMenu& shown, QPoint point) {
        EXPECT_EQ(&shown, &menu);
        asked = point;
        return second;
    });
    menu.Popup({12, 34});
    SetPopupMenuHook([](TPopupMenu&, QPoint) { return nullptr; });
    menu.Popup({1, 1});
    SetPopupMenuHook(old);
    EXPECT_EQ(asked, QPoint(12, 34));
    EXPECT_EQ(triggered, 1);
    EXPECT_NE(first, nullptr);
}

TEST(ExceptionDisplayTest, ExceptionsAreShownByTheErrorHelper) {
    std::vector<QString> shown;
    auto old = SetMessageBoxHook([&](const QString& text, const QString&, int flags) {
        EXPECT_EQ(flags, MB_ICONERROR);
        shown.push_back(text);
        return int(IDOK);
    });
    ShowException(std::make_exception_ptr(std::runtime_error("disco pieno")));
    ShowException(std::make_exception_ptr(42));
    EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("guasto"); }));
    EXPECT_TRUE(RunGuarded([] {}));
    SetMessageBoxHook(old);
    EXPECT_EQ(shown, (std::vector<QString>{"disco pieno", "Errore imprevisto", "guasto"}));
}
