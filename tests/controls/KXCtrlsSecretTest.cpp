#include "controls/KXCtrlsSecret.h"
#include "storage/KxTimer.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

class SecretPanelTest : public ::testing::Test {
protected:
    QWidget form;
    TSecretPanel* panel = new TSecretPanel(&form);
    QStringList events;

    SecretPanelTest() {
        panel->setGeometry(0, 0, 200, 100);
        panel->OnStartPlay = [this](QObject*) { events << "start"; };
        panel->OnStopPlay = [this](QObject*) { events << "stop"; };
        form.show();
    }

    int ticksUntilStopped(int limit = 100000) {
        int ticks = 0;
        while (panel->Active() && ticks < limit) {
            panel->TimerExpired();
            ++ticks;
        }
        return ticks;
    }
};

TEST_F(SecretPanelTest, DefaultsAndTheGuiThreadTimer) {
    EXPECT_EQ(panel->BevelOuter(), platform::TCustomPanel::bvLowered);
    EXPECT_EQ(panel->Interval(), 30u);
    EXPECT_FALSE(panel->Timer()->Threaded());
    EXPECT_FALSE(panel->Timer()->Enabled());
    EXPECT_EQ(panel->Alignment(), taCenter);
    panel->SetAsyncDrawing(false);
    EXPECT_FALSE(panel->Timer()->Threaded()) << "no thread whatever the setting";
    panel->Play();
    EXPECT_TRUE(panel->Timer()->Enabled());
    panel->Stop();
    EXPECT_FALSE(panel->Timer()->Enabled());
    EXPECT_EQ(events, QStringList({"start", "stop"}));
}

TEST_F(SecretPanelTest, LeadingBlankLinesDoNotDelayTheText) {
    panel->SetLines({"", "  ", "Quendel", "gioca a scacchi"});
    panel->Play();
    EXPECT_EQ(panel->FirstLine(), 2);
    const QRect text = panel->TextRect();
    EXPECT_EQ(text, QRect(4, 4, 192, 92)) << "bevel 1, border 0, and 3 more";
    EXPECT_EQ(panel->ScrollLength(), text.height() + 2 * panel->LineHeight());
    const QFontMetrics metrics(panel->font());
    EXPECT_EQ(panel->LineHeight(), metrics.height() + metrics.leading());
    panel->SetTextStyle(platform::TCustomPanel::bvLowered);
    EXPECT_EQ(panel->LineHeight(), metrics.height() + metrics.leading() + 1);
}

TEST_F(SecretPanelTest, WithoutCycleItStopsAfterTheLastLineWithItRestarts) {
    panel->SetLines({"uno", "due"});
    panel->Play();
    const int length = panel->ScrollLength();
    EXPECT_EQ(ticksUntilStopped(), length + 1);
    EXPECT_EQ(panel->ScrollPos(), 0);
    EXPECT_TRUE(panel->MemoryImage().isNull());
    EXPECT_EQ(events, QStringList({"start", "stop"}));

    panel->SetCycled(true);
    panel->Play();
    for (int i = 0; i < length; ++i)
        panel->TimerExpired();
    EXPECT_EQ(panel->ScrollPos(), length);
    panel->TimerExpired();
    EXPECT_EQ(panel->ScrollPos(), 0);
    EXPECT_TRUE(panel->Active());
}

TEST_F(SecretPanelTest, AllBlankLinesScrollEmptyAndStop) {
    panel->SetLines({"", "   ", "\t"});
    panel->Play();
    EXPECT_EQ(panel->FirstLine(), 3);
    EXPECT_EQ(panel->ScrollLength(), panel->TextRect().height());
    EXPECT_EQ(ticksUntilStopped(), panel->TextRect().height() + 1);
}

TEST_F(SecretPanelTest, TheTextRollsUpFromTheBottom) {
    panel->SetLines({"MMMMMMMMMMMMMMMM"});
    panel->Play();
    const auto inkRows = [this] {
        const QImage& image = panel->MemoryImage();
        const QRgb back = image.pixel(0, 0);
        int first = -1;
        for (int y = 0; y < image.height() && first < 0; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != back) {
                    first = y;
                    break;
                }
        return first;
    };
    EXPECT_EQ(inkRows(), -1) << "nothing at position 0";
    for (int i = 0; i < 20; ++i)
        panel->TimerExpired();
    const int after20 = inkRows();
    ASSERT_GE(after20, 0);
    EXPECT_GE(after20, panel->TextRect().height() - 20);
    for (int i = 0; i < 10; ++i)
        panel->TimerExpired();
    EXPECT_EQ(inkRows(), after20 - 10);
}

// The memory image is shown whenever the panel plays, with lines or not. The allocator is first
// handed back a block of the image's size full of magenta (the address sanitizer fills new blocks
// with a pattern of its own), so memory left unpainted shows.
TEST_F(SecretPanelTest, PlayingWithoutLinesShowsThePanelsBackground) {
    const QSize textSize = QRect(4, 4, 192, 92).size();
    {
        QImage garbage(textSize, QImage::Format_ARGB32_Premultiplied);
        garbage.fill(Qt::magenta);
    }
    panel->Play();
    ASSERT_EQ(panel->TextRect().size(), textSize);
    const QImage shot = panel->grab().toImage();
    const QColor background = platform::ToQColor(panel->Color());
    int wrong = 0;
    for (int y = panel->TextRect().top(); y <= panel->TextRect().bottom(); ++y)
        for (int x = panel->TextRect().left(); x <= panel->TextRect().right(); ++x)
            wrong += shot.pixelColor(x, y) != background;
    EXPECT_EQ(wrong, 0);
}

TEST_F(SecretPanelTest, ChildrenHideWhilePlayingAndComeBackInOrder) {
    auto* a = new QLabel("a", panel);
    auto* b = new QLabel("b", panel);
    auto* hidden = new QLabel("c", panel);
    a->show();
    b->show();
    panel->SetLines({"x"});
    panel->Play();
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(b->isVisible());
    delete b;
    panel->Stop();
    EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(hidden->isHidden()) << "a child hidden before stays hidden";
}

TEST_F(SecretPanelTest, TheGlyphTakesItsSideOfTheText) {
    QPixmap glyph(16, 16);
    glyph.fill(Qt::red);
    panel->SetGlyph(glyph);
    panel->Play();
    EXPECT_EQ(panel->GlyphOrigin(), QPoint(7, 4 + (92 - 16) / 2));
    EXPECT_EQ(panel->TextRect().left(), 7 + 16 + 1 + 3);
    panel->SetGlyphLayout(glGlyphTop);
    EXPECT_EQ(panel->GlyphOrigin().y(), 7);
    EXPECT_EQ(panel->TextRect().top(), 7 + 16 + 1 + 6);
    const QImage shot = panel->grab().toImage();
    EXPECT_EQ(shot.pixelColor(panel->GlyphOrigin() + QPoint(4, 4)), QColor(Qt::red));
}

TEST_F(SecretPanelTest, SidewaysTheLengthIsTheWidestLineAndTheWidth) {
    panel->SetScrollDirection(sdHorizontal);
    panel->SetLines({"", "corto", "una riga piu' lunga"});
    panel->Play();
    const QFontMetrics metrics(panel->font());
    EXPECT_EQ(panel->ScrollLength(),
              metrics.horizontalAdvance("una riga piu' lunga") + panel->TextRect().width());
}

} // namespace
