#include "controls/KxGrdCpt.h"
#include "ControlsTestUtil.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <gtest/gtest.h>

using namespace controls;
using namespace platform;

namespace {

TEST(CaptionRect, FrameAndButtonsByBorderStyle) {
    const TFrameMetrics m;
    const QRect window(0, 0, 300, 200);
    struct Case {
        TFormBorderStyle style;
        TBorderIcons icons;
        QRect expected;
    } cases[] = {
        // Close plus the minimise/maximise pair: three buttons.
        {bsSizeable, biSystemMenu | biMinimize | biMaximize,
         QRect(QPoint(4, 4), QPoint(295 - 54, 22))},
        // One of the pair still takes the pair's room; help goes with it.
        {bsSingle, biSystemMenu | biMinimize | biHelp, QRect(QPoint(3, 3), QPoint(296 - 54, 21))},
        {bsSingle, biSystemMenu | biHelp, QRect(QPoint(3, 3), QPoint(296 - 36, 21))},
        // Without the system menu there are no other buttons.
        {bsSingle, biMinimize | biMaximize, QRect(QPoint(3, 3), QPoint(296, 21))},
        {bsDialog, biSystemMenu | biMinimize | biHelp, QRect(QPoint(3, 3), QPoint(296 - 36, 21))},
        {bsToolWindow, biSystemMenu | biMaximize, QRect(QPoint(3, 3), QPoint(296 - 12, 17))},
        {bsSizeToolWin, biSystemMenu, QRect(QPoint(4, 4), QPoint(295 - 12, 18))},
        {bsNone, 0, QRect(QPoint(0, 0), QPoint(299, 18))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionRect(window, c.style, c.icons, m), c.expected) << c.style;
}

struct CaptionFixture : ::testing::Test {
    QWidget form;
    TKxGradientCaption* caption = nullptr;

    void SetUp() override {
        form.setWindowTitle("Quendel");
        form.resize(300, 200);
        caption = GradientFormCaption(&form, clBlack);
        caption->SetFont(SharpFont(12), clWhite);
    }
    TKxCaption& part(const QString& text, bool glue = false) {
        TKxCaption& p = caption->Captions().Add();
        p.SetCaption(text);
        p.SetGlueNext(glue);
        return p;
    }
    int width(const QString& text) { return QFontMetrics(SharpFont(12)).horizontalAdvance(text); }
    void activate(bool on) {
        QEvent event(on ? QEvent::WindowActivate : QEvent::WindowDeactivate);
        QApplication::sendEvent(&form, &event);
    }
};

TEST_F(CaptionFixture, TitleIsThePartsThenTheFormCaption) {
    EXPECT_EQ(caption->FormCaption(), "Quendel");
    part("Partita - ");
    part("Bianco: ").SetVisible(false);
    part("Nero - ");
    EXPECT_EQ(form.windowTitle(), "Partita - Nero - Quendel");
    caption->SetActive(false);
    EXPECT_EQ(form.windowTitle(), "Quendel");
    caption->SetActive(true);
    EXPECT_EQ(form.windowTitle(), "Partita - Nero - Quendel");
}

TEST_F(CaptionFixture, PartsThatDoNotFitAreDroppedFromTheFirst) {
    part("AAAAAAAAAA", true);
    part("BBBBBBBBBB");
    part("CCCCCCCCCC", true);
    const int room = caption->CaptionRectangle().width() - caption->CaptionRectangle().height() - 3;
    // Room for the form caption and one part only.
    const int wanted = width("Quendel") + width("CCCCCCCCCC") + 2;
    form.resize(form.width() - (room - wanted), 200);
    caption->Update();
    // The first part takes its glued neighbour with it; the glued last part stays while it fits.
    EXPECT_EQ(caption->Title(), "CCCCCCCCCCQuendel");
    form.resize(form.width() - width("C") * 3, 200);
    caption->Update();
    // A glued last part that does not fit goes alone, never with the form's caption.
    EXPECT_EQ(caption->Title(), "Quendel");
    // From the other side the parts are taken while they fit, the form's caption last.
    caption->SetHideDirection(hdRightToLeft);
    EXPECT_EQ(caption->Title(), "AAAAAAAAAAQuendel");
    caption->Captions().GetCaption(0).SetVisible(false);
    EXPECT_EQ(caption->Title(), "BBBBBBBBBBQuendel");
}

TEST_F(CaptionFixture, GradientOnlyWhereItIsAsked) {
    caption->SetStartColor(clRed);
    activate(true);
    ASSERT_TRUE(caption->FormActive());
    QImage image = caption->CaptionImage();
    ASSERT_EQ(image.size(), caption->CaptionRectangle().size());
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    EXPECT_EQ(PixelAt(image, 0, bottom), Plain(clRed));
    EXPECT_NE(PixelAt(image, right, bottom), Plain(clRed));
    EXPECT_NE(PixelAt(image, right / 2, bottom), PixelAt(image, right, bottom));
    // Inactive: the plain inactive caption colour, no gradient.
    activate(false);
    image = caption->CaptionImage();
    EXPECT_EQ(PixelAt(image, 0, bottom), Plain(clInactiveCaption));
    EXPECT_EQ(PixelAt(image, right, bottom), Plain(clInactiveCaption));
    caption->SetGradientInactive(true);
    EXPECT_EQ(PixelAt(caption->CaptionImage(), 0, bottom), Plain(clRed));
}

TEST_F(CaptionFixture, TextColoursByActivity) {
    caption->SetFormCaption("WWWWWWWW");
    part("MMMM").SetInactiveColor(clYellow);
    activate(true);
    EXPECT_TRUE(Holds(caption->CaptionImage(), QRect(QPoint(0, 0), caption->CaptionImage().size()),
                      clWhite));
    caption->SetFontInactiveColor(clLime);
    activate(false);
    const QImage image = caption->CaptionImage();
    const QRect all(QPoint(0, 0), image.size());
    EXPECT_TRUE(Holds(image, all, clYellow));
    EXPECT_TRUE(Holds(image, all, clLime));
    EXPECT_FALSE(Holds(image, all, clWhite));
}

TEST_F(CaptionFixture, PartsFollowTheOwnerFontUntilGivenTheirOwn) {
    TKxCaption& p = part("x");
    EXPECT_TRUE(p.ParentFont());
    EXPECT_EQ(p.FontColor(), clWhite);
    p.SetFont(SharpFont(20), clRed);
    EXPECT_FALSE(p.ParentFont());
    p.RestoreDefaults();
    EXPECT_TRUE(p.ParentFont());
    EXPECT_EQ(p.Font().pixelSize(), 12);
    caption->MoveCaption(0, 5);
    caption->Clear();
    EXPECT_EQ(caption->Captions().Count(), 0);
}

} // namespace
