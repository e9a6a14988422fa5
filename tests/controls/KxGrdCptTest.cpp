#include "controls/KxGrdCpt.h"
#include "ControlsTestUtil.h"
#include "MouseDrag.h"
#include "controls/KxMenus.h"
#include "storage/Placemnt.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontDatabase>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
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
    const int room = caption->CalculateGradientParams().width() -
                     caption->CalculateGradientParams().height() - 3;
    // Room for the form caption and one part only.
    const int wanted = width("Quendel") + width("CCCCCCCCCC") + 2;
    form.resize(form.width() - (room - wanted), 200);
    caption->Update();
    // The first part takes its glued neighbour with it; the glued last part stays while it fits.
    EXPECT_EQ(caption->StripText(), "CCCCCCCCCCQuendel");
    form.resize(form.width() - width("C") * 3, 200);
    caption->Update();
    // A glued last part that does not fit goes alone, never with the form's caption.
    EXPECT_EQ(caption->StripText(), "Quendel");
    // From the other side the parts are taken while they fit, the form's caption last.
    caption->SetHideDirection(hdRightToLeft);
    EXPECT_EQ(caption->StripText(), "AAAAAAAAAAQuendel");
    caption->Captions().GetCaption(0).SetVisible(false);
    EXPECT_EQ(caption->StripText(), "BBBBBBBBBBQuendel");
}

TEST_F(CaptionFixture, ANarrowWindowsTitleHoldsEveryVisiblePart) {
    caption->SetFormCaption("Partita");
    part("Quendel - ");
    part("Bianco: ").SetVisible(false);
    part("Nero - ", true);
    const int room = caption->CalculateGradientParams().width() -
                     caption->CalculateGradientParams().height() - 3;
    // Room for the form caption alone.
    form.resize(form.width() - (room - width("Partita") - 2), 200);
    for (const THideDirection direction : {hdLeftToRight, hdRightToLeft}) {
        caption->SetHideDirection(direction);
        EXPECT_EQ(caption->StripText(), "Partita") << direction;
        EXPECT_EQ(form.windowTitle(), "Quendel - Nero - Partita") << direction;
    }
    caption->Captions().GetCaption(0).SetVisible(false);
    EXPECT_EQ(form.windowTitle(), "Nero - Partita");
}

TEST_F(CaptionFixture, GradientOnlyWhereItIsAsked) {
    caption->SetStartColor(clRed);
    activate(true);
    ASSERT_TRUE(caption->FormActive());
    QImage image = caption->CaptionImage();
    ASSERT_EQ(image.size(), caption->CalculateGradientParams().size());
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
    // The texts, right of the icon's square.
    const QSize size = caption->CaptionImage().size();
    const QRect all(QPoint(size.height() + 1, 0), QPoint(size.width() - 1, size.height() - 1));
    EXPECT_TRUE(Holds(caption->CaptionImage(), all, clWhite));
    caption->SetFontInactiveColor(clLime);
    activate(false);
    const QImage image = caption->CaptionImage();
    EXPECT_TRUE(Holds(image, all, clYellow));
    EXPECT_TRUE(Holds(image, all, clLime));
    EXPECT_FALSE(Holds(image, all, clWhite));
}

TEST_F(CaptionFixture, RightToLeftReadingRunsTheTextsFromTheRightEdge) {
    caption->SetFormCaption("WWWW");
    part("MMMM").SetInactiveColor(clYellow);
    caption->SetFontInactiveColor(clLime);
    const int partWidth = width("MMMM");
    const int captionWidth = width("WWWW");
    for (const bool rightToLeft : {false, true}) {
        form.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        activate(false);
        caption->Update();
        const QImage image = caption->CaptionImage();
        const int h = image.height();
        // The first text at the reading's start, the form's caption after it.
        const int start = rightToLeft ? image.width() - partWidth : h + 3;
        const int next = rightToLeft ? start - captionWidth : start + partWidth;
        const QRect partArea(start, 0, partWidth, h);
        const QRect captionArea(next, 0, captionWidth, h);
        // A pixel of slack where a glyph's ink leans past its advance.
        const QRect beyond =
            rightToLeft ? QRect(h + 1, 0, next - h - 2, h)
                        : QRect(next + captionWidth, 0, image.width() - next - captionWidth, h);
        EXPECT_TRUE(Holds(image, partArea, clYellow)) << rightToLeft;
        EXPECT_FALSE(Holds(image, partArea, clLime)) << rightToLeft;
        EXPECT_TRUE(Holds(image, captionArea, clLime)) << rightToLeft;
        EXPECT_FALSE(Holds(image, captionArea, clYellow)) << rightToLeft;
        EXPECT_FALSE(Holds(image, beyond, clYellow) || Holds(image, beyond, clLime)) << rightToLeft;
    }
}

TEST(CaptionFont, TheDefaultIsTheDesktopsTitleFont) {
    QWidget form;
    TKxGradientCaption* caption = GradientFormCaption(&form, clBlack);
    const QString title = QFontDatabase::systemFont(QFontDatabase::TitleFont).toString();
    EXPECT_TRUE(caption->DefaultFont());
    EXPECT_EQ(caption->Font().toString(), title);
    EXPECT_EQ(caption->FontColor(), clCaptionText);
    caption->SetFont(SharpFont(12), clWhite);
    EXPECT_FALSE(caption->DefaultFont());
    caption->SetDefaultFont(true);
    EXPECT_EQ(caption->Font().toString(), title);
    EXPECT_EQ(caption->Captions().Add().Font().toString(), title);
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

namespace {

QIcon SolidIcon(TColor color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(ToQColor(color));
    return QIcon(pixmap);
}

// Makes the window the active one, as a click on it would.
void MakeActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::processEvents();
}

// A form whose contents (one panel in a layout) fill it.
struct FramedForm {
    QWidget form;
    QWidget* panel = new QWidget;
    explicit FramedForm(Qt::WindowFlags flags = Qt::Window) : form(nullptr, flags) {
        auto* layout = new QVBoxLayout(&form);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(panel);
        form.setWindowTitle("Quendel");
        form.setWindowIcon(SolidIcon(clLime));
        form.resize(300, 200);
    }
};

TEST(CaptionFrame, StripAtopTheFormByBorderStyle) {
    const TFrameMetrics m;
    struct Case {
        const char* name;
        Qt::WindowFlags flags;
        bool fixed;
        bool framed;
        bool icon;
        QMargins margins;
        int buttons;
    } cases[] = {
        {"sizeable", Qt::Window, false, true, true, QMargins(4, 4 + m.CyCaption, 4, 4), 3},
        {"single", Qt::Window, true, true, true, QMargins(3, 3 + m.CyCaption, 3, 3), 3},
        {"dialog",
         Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowSystemMenuHint |
             Qt::WindowContextHelpButtonHint,
         false, true, false, QMargins(3, 3 + m.CyCaption, 3, 3), 2},
        {"tool", Qt::Tool, false, true, false, QMargins(4, 4 + m.CySmCaption, 4, 4), 1},
        {"none", Qt::Window | Qt::FramelessWindowHint, false, false, false, QMargins(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FramedForm framed(c.flags);
        QWidget& form = framed.form;
        if (c.fixed)
            form.setFixedSize(300, 200);
        MakeActive(form);
        auto* caption = new TKxGradientCaption(&form);
        caption->Metrics = m;
        caption->SetStartColor(clRed);
        caption->Update();
        EXPECT_EQ(caption->DrawsFrame(), c.framed);
        EXPECT_EQ(form.contentsMargins(), c.margins);
        EXPECT_EQ(framed.panel->geometry(), QRect(c.margins.left(), c.margins.top(), 300, 200));
        EXPECT_EQ(form.size(), QSize(300 + c.margins.left() + c.margins.right(),
                                     200 + c.margins.top() + c.margins.bottom()));
        if (!c.framed)
            continue;
        EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(form.isVisible());
        MakeActive(form);
        ASSERT_TRUE(caption->FormActive());

        const QImage shot = Shot(form);
        const QRect rect = caption->CalculateGradientParams();
        EXPECT_EQ(rect.top(), c.margins.bottom());
        EXPECT_EQ(rect.bottom(), c.margins.top() - 1);
        // The gradient from the start colour along the bottom row, under the icon too.
        EXPECT_EQ(PixelAt(shot, rect.left(), rect.bottom()), Plain(clRed));
        EXPECT_NE(PixelAt(shot, rect.right(), rect.bottom()), Plain(clRed));
        // The icon in a square as wide as the caption is high, one pixel in.
        const QPoint iconCentre(rect.left() + 1 + rect.height() / 2, rect.center().y());
        EXPECT_EQ(PixelAt(shot, iconCentre.x(), iconCentre.y()) == Plain(clLime), c.icon);
        // The buttons fill the row from the caption to the frame.
        int buttons = 0;
        for (TBorderIcon icon : {biSystemMenu, biMinimize, biMaximize, biHelp}) {
            const QRect button = caption->ButtonRect(icon);
            if (button.isEmpty())
                continue;
            ++buttons;
            EXPECT_EQ(button.top(), rect.top());
            EXPECT_GT(button.left(), rect.right());
            EXPECT_LE(button.right(), form.width() - c.margins.right() - 1);
        }
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(caption->ButtonRect(biSystemMenu).right(), form.width() - c.margins.right() - 1);
        // Below the strip the form's own contents show.
        EXPECT_NE(PixelAt(shot, form.width() / 2, c.margins.top() + 5), Plain(clRed));
    }
}

TEST(CaptionFrame, PartsCutFromEitherSideAndInactiveColoursOnTheStrip) {
    FramedForm framed;
    QWidget& form = framed.form;
    MakeActive(form);
    TKxGradientCaption* caption = GradientFormCaption(&form, clBlack);
    caption->SetGradientActive(false);
    caption->SetFont(SharpFont(12), clBlue);
    caption->SetFormCaption("QQQQ");
    const auto part = [&](const QString& text, TColor color, TColor inactive, bool glue) {
        TKxCaption& p = caption->Captions().Add();
        p.SetCaption(text);
        p.SetFont(SharpFont(12), color);
        p.SetInactiveColor(inactive);
        p.SetGlueNext(glue);
    };
    part("AAAA", clRed, clMaroon, true);
    part("BBBB", clGreen, clOlive, false);
    part("CCCC", clYellow, clAqua, false);
    const int letter = QFontMetrics(SharpFont(12)).horizontalAdvance("AAAA");
    const auto colours = [&](std::initializer_list<TColor> present,
                             std::initializer_list<TColor> absent) {
        const QImage shot = Shot(form);
        const QRect rect = caption->CalculateGradientParams();
        for (TColor colour : present)
            EXPECT_TRUE(Holds(shot, rect, colour)) << std::hex << colour;
        for (TColor colour : absent)
            EXPECT_FALSE(Holds(shot, rect, colour)) << std::hex << colour;
    };
    MakeActive(form);
    colours({clRed, clGreen, clYellow, clBlue}, {});
    // Room for two texts and a half: the first part goes with the one glued to it.
    const QRect rect = caption->CalculateGradientParams();
    const int room = rect.width() - rect.height() - 3;
    form.resize(form.width() - room + letter * 5 / 2, form.height());
    colours({clYellow, clBlue}, {clRed, clGreen});
    caption->SetHideDirection(hdRightToLeft);
    colours({clRed, clGreen}, {clYellow});
    QWidget other;
    MakeActive(other);
    ASSERT_FALSE(caption->FormActive());
    caption->SetHideDirection(hdLeftToRight);
    caption->SetFontInactiveColor(clFuchsia);
    colours({clAqua, clFuchsia, Plain(clInactiveCaption)}, {clYellow, clBlue, clMaroon, clOlive});
}

TEST(CaptionFrame, LeavingActiveGivesTheFormBack) {
    struct Case {
        const char* name;
        bool layout;
        bool fixed;
    } cases[] = {{"layout", true, false}, {"fixed", true, true}, {"placed", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget form;
        auto* child = new QWidget(&form);
        if (c.layout)
            (new QVBoxLayout(&form))->addWidget(child);
        else
            child->setGeometry(10, 20, 50, 50);
        if (c.fixed)
            form.setFixedSize(260, 180);
        form.resize(260, 180);
        form.move(40, 50);
        const QRect childBefore = child->geometry();
        const Qt::WindowFlags flags = form.windowFlags();
        const QSize least = form.minimumSize();
        const QSize most = form.maximumSize();

        int activated = 0;
        int deactivated = 0;
        auto* caption = new TKxGradientCaption(&form);
        caption->OnActivate = [&](TKxGradientCaption*) { ++activated; };
        caption->OnDeactivate = [&](TKxGradientCaption*) { ++deactivated; };
        caption->Update();
        const QMargins margins = form.contentsMargins();
        EXPECT_GT(margins.top(), margins.bottom());
        EXPECT_EQ(form.size(), QSize(260 + margins.left() + margins.right(),
                                     180 + margins.top() + margins.bottom()));
        EXPECT_EQ(form.pos(), QPoint(40, 50));
        EXPECT_EQ(caption->BorderStyle(), c.fixed ? bsSingle : bsSizeable);
        if (!c.layout) {
            EXPECT_EQ(child->pos(), childBefore.topLeft() + QPoint(margins.left(), margins.top()));
        }

        const auto given_back = [&] {
            EXPECT_EQ(form.windowFlags(), flags);
            EXPECT_EQ(form.contentsMargins(), QMargins());
            EXPECT_EQ(form.size(), QSize(260, 180));
            EXPECT_EQ(form.pos(), QPoint(40, 50));
            EXPECT_EQ(form.minimumSize(), least);
            EXPECT_EQ(form.maximumSize(), most);
            if (!c.layout) {
                EXPECT_EQ(child->geometry(), childBefore);
            }
        };
        caption->SetActive(false);
        EXPECT_EQ(deactivated, 1);
        given_back();
        caption->SetActive(true);
        caption->SetActive(true);
        EXPECT_EQ(activated, 2);
        EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
        delete caption;
        EXPECT_EQ(deactivated, 1);
        given_back();
    }
    // A form that goes with its caption takes nothing back.
    auto* form = new QWidget;
    GradientFormCaption(form, clBlack);
    delete form;
}

TEST(CaptionFrame, AModalDialogStaysOpenWhileItsFrameComesAndGoes) {
    QDialog dialog;
    TKxGradientCaption* caption = GradientFormCaption(&dialog, clBlack);
    bool shownThroughout = false;
    QTimer::singleShot(0, &dialog, [&] {
        caption->SetActive(false);
        caption->SetActive(true);
        // The dialog's loop turns once more before the answer.
        QTimer::singleShot(0, &dialog, [&] {
            shownThroughout = dialog.isVisible() && caption->DrawsFrame();
            dialog.accept();
        });
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(shownThroughout);
}

TEST(CaptionFrame, RightClickOnTheFrameOpensThePopupMenu) {
    FramedForm framed;
    QWidget& form = framed.form;
    TKxGradientCaption* caption = GradientFormCaption(&form, clBlack);
    auto* menu = new TKxPopupMenu(&form);
    menu->addAction("Chiudi");
    caption->SetPopupMenu(menu);
    std::vector<std::pair<QObject*, QPoint>> popups;
    const PopupMenuHook previous = SetPopupMenuHook([&](TPopupMenu& shown, QPoint point) {
        popups.emplace_back(shown.PopupComponent.data(), point);
        return nullptr;
    });
    const auto rightClick = [&](QPoint point) {
        QWidget* strip = form.childAt(point);
        ASSERT_NE(strip, framed.panel);
        const QPoint local = strip->mapFrom(&form, point);
        SendMouse(strip, QEvent::MouseButtonPress, local, Qt::RightButton, Qt::RightButton);
        SendMouse(strip, QEvent::MouseButtonRelease, local, Qt::RightButton, Qt::NoButton);
    };
    const QPoint onCaption = caption->CalculateGradientParams().center();
    rightClick(onCaption);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].first, caption);
    EXPECT_EQ(popups[0].second, form.mapToGlobal(onCaption));
    EXPECT_EQ(menu->PopupPoint(), form.mapToGlobal(onCaption));
    // The frame's edges are the title bar's too; the form's contents are not.
    rightClick(QPoint(1, form.height() / 2));
    EXPECT_EQ(popups.size(), 2u);
    menu->AutoPopup = false;
    rightClick(onCaption);
    EXPECT_EQ(popups.size(), 2u);
    delete menu;
    EXPECT_EQ(caption->PopupMenu(), nullptr);
    rightClick(onCaption);
    EXPECT_EQ(popups.size(), 2u);
    SetPopupMenuHook(previous);
}

TEST(CaptionFrame, TheMaximizeButtonGoesWhileTheFormsStoreKeepsItsSize) {
    FramedForm framed;
    QWidget& form = framed.form;
    auto* store = new TFormStorage(&form);
    store->Loaded();
    TKxGradientCaption* caption = GradientFormCaption(&form, clBlack);
    MakeActive(form);
    ASSERT_TRUE(caption->DrawsFrame());
    const auto send = [&](QPoint point, bool twice) {
        QWidget* strip = form.childAt(point);
        ASSERT_NE(strip, framed.panel);
        const QPoint local = strip->mapFrom(&form, point);
        Press(strip, local);
        Release(strip, local);
        if (twice) {
            SendMouse(strip, QEvent::MouseButtonDblClick, local, Qt::LeftButton, Qt::LeftButton);
            Release(strip, local);
        }
        QApplication::processEvents();
    };
    const auto maximizes = [&](bool doubleClick) {
        if (doubleClick)
            send(caption->CalculateGradientParams().center(), true);
        else
            send(caption->ButtonRect(biMaximize).center(), false);
        const bool maximized = form.isMaximized();
        form.showNormal();
        QApplication::processEvents();
        return maximized;
    };
    EXPECT_TRUE(caption->BorderIcons() & biMaximize);

    store->SetPreventResize(true);
    EXPECT_EQ(caption->BorderIcons(), biSystemMenu | biMinimize);
    EXPECT_TRUE(caption->DrawsFrame());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(maximizes(false)) << "the button";
    EXPECT_FALSE(maximizes(true)) << "a double click on the caption";

    store->SetPreventResize(false);
    EXPECT_EQ(caption->BorderIcons(), biSystemMenu | biMinimize | biMaximize);
    EXPECT_TRUE(maximizes(false)) << "the button";
    EXPECT_TRUE(maximizes(true)) << "a double click on the caption";

    // The caption leaving gives the form the flags its owner has now.
    store->SetPreventResize(true);
    caption->SetActive(false);
    EXPECT_FALSE(form.windowFlags() & (Qt::FramelessWindowHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form.isVisible());
    caption->SetActive(true);
    store->SetPreventResize(false);
    caption->SetActive(false);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);

    // Other changes of the owner's flags reach the form under the frame, or end the frame.
    caption->SetActive(true);
    SetFormFlags(form, FormFlags(form) | Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.windowFlags() & (Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint),
              Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    SetFormFlags(form, FormFlags(form) | Qt::FramelessWindowHint);
    EXPECT_FALSE(caption->DrawsFrame());
    EXPECT_EQ(form.contentsMargins(), QMargins());
    EXPECT_TRUE(form.isVisible());
}

} // namespace
