// The shadowed label and the speed button: pixels of both passes and every frame, sizes, the
// click rules, groups, the programmatic press, dialogs, auto-repeat and the drop-down menu.
#include "controls/KXCtrls.h"
#include "ControlsTestUtil.h"
#include "platform/MessageBox.h"
#include "storage/KxTimer.h"
#include "tests/WaitFor.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace platform;

namespace {

QImage FaceCanvas(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ToQColor(clBtnFace));
    return image;
}

// The leftmost column holding the colour, or -1.
int LeftmostOf(const QImage& image, TColor color) {
    for (int x = 0; x < image.width(); ++x)
        if (Holds(image, QRect(x, 0, 1, image.height()), color))
            return x;
    return -1;
}

TBitmap DarkSquare() {
    TBitmap bitmap(16, 16, clFuchsia);
    QPainter(&bitmap.Image()).fillRect(4, 4, 8, 8, Qt::black);
    return bitmap;
}

struct Recorder {
    std::vector<QString> shown;
    MessageBoxHook old;
    Recorder() {
        old = SetMessageBoxHook([this](const QString& text, const QString&, int) {
            shown.push_back(text);
            return int(IDOK);
        });
    }
    ~Recorder() { SetMessageBoxHook(old); }
};

} // namespace

// ---- label ----

TEST(LabelTest, ShadowPassThenTextPass) {
    TKxLabel label;
    label.setFont(SharpFont(16, true));
    label.SetCaption("Bianchi");
    label.SetShadowColor(clRed);
    label.SetFontColor(clBlue);
    const QImage shot = Shot(label);
    EXPECT_EQ(LeftmostOf(shot, clRed) + 1, LeftmostOf(shot, clBlue));
    label.SetShadowPos(spRightBottom);
    const QImage moved = Shot(label);
    EXPECT_EQ(LeftmostOf(moved, clRed), LeftmostOf(moved, clBlue) + 1);
}

TEST(LabelTest, AutoSizeForEachShadowPositionAndMargins) {
    TKxLabel label;
    label.setFont(SharpFont());
    label.SetCaption("Neri");
    const QFontMetrics metrics(label.font());
    const QSize text = metrics.boundingRect(QRect(0, 0, 1000, 0), 0, "Neri").size();
    const struct {
        TShadowPosition position;
        QSize size;
    } cases[] = {
        {spLeftTop, text + QSize(2, 0)},
        {spLeftBottom, text + QSize(2, 1)},
        {spRightBottom, text + QSize(3, 1)},
        {spRightTop, text + QSize(3, 0)},
    };
    for (const auto& c : cases) {
        label.SetShadowPos(c.position);
        label.SetShadowSize(2);
        label.SetShadowSize(1); // a size change adjusts the bounds
        EXPECT_EQ(label.size(), c.size) << c.position;
    }
    label.SetLeftMargin(5);
    label.SetRightMargin(7);
    EXPECT_EQ(label.width(), text.width() + 3 + 12);
    label.SetLeftMargin(-3);
    EXPECT_EQ(label.LeftMargin(), 0);
}

TEST(LabelTest, EmptyCaptionOrLoneAmpersandKeepsOneLine) {
    TKxLabel label;
    label.setFont(SharpFont());
    label.SetCaption(" ");
    const int oneLine = label.height();
    EXPECT_GT(oneLine, 0);
    label.SetCaption("");
    EXPECT_EQ(label.height(), oneLine);
    label.SetCaption("&");
    EXPECT_EQ(label.height(), oneLine);
}

TEST(LabelTest, RightJustifiedKeepsItsRightEdge) {
    TKxLabel label;
    label.setFont(SharpFont());
    label.SetAlignment(taRightJustify);
    label.SetCaption("00:00");
    label.move(100, 10);
    const int right = label.x() + label.width();
    label.SetCaption("100:00:00");
    EXPECT_EQ(label.x() + label.width(), right);
    EXPECT_LT(label.x(), 100);
}

TEST(LabelTest, DisabledLookIsGrayWithABottomRightHighlight) {
    TKxLabel label;
    label.setFont(SharpFont(16, true));
    label.SetCaption("Neri");
    label.SetShadowSize(0);
    label.SetColor(clBlack);
    label.setEnabled(false);
    const QImage shot = Shot(label);
    const int gray = LeftmostOf(shot, clGrayText);
    ASSERT_GE(gray, 0);
    EXPECT_EQ(LeftmostOf(shot, clBtnHighlight), gray + 1);
}

TEST(LabelTest, LayoutsMoveTheTextDown) {
    TKxLabel label;
    label.setFont(SharpFont());
    label.SetCaption("Testo");
    label.SetAutoSize(false);
    label.resize(80, 60);
    label.SetColor(clWhite);
    label.SetFontColor(clBlack);
    const auto firstRow = [&] {
        const QImage shot = Shot(label);
        for (int y = 0; y < shot.height(); ++y)
            if (Holds(shot, QRect(0, y, shot.width(), 1), clBlack))
                return y;
        return -1;
    };
    const int top = firstRow();
    label.SetLayout(tlCenter);
    const int centre = firstRow();
    label.SetLayout(tlBottom);
    const int bottom = firstRow();
    EXPECT_LT(top, centre);
    EXPECT_LT(centre, bottom);
    EXPECT_NEAR(centre - top, (bottom - top) / 2, 1);
}

TEST(LabelTest, TransparentLabelShowsItsParent) {
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::yellow);
    parent.setPalette(palette);
    parent.resize(100, 40);
    auto* label = new TKxLabel(&parent);
    label->SetCaption("00:00");
    label->SetTransparent(true);
    const QImage shot = Shot(parent);
    EXPECT_EQ(PixelAt(shot, label->width() - 1, label->height() - 1), clYellow);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(200, 100);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QWidget window;
};

TEST_F(WindowTest, LabelAcceleratorFocusesItsControl) {
    auto* edit = new QLineEdit(&window);
    edit->move(0, 50);
    auto* other = new QLineEdit(&window);
    other->move(100, 50);
    edit->show();
    other->show();
    other->setFocus();
    auto* label = new TKxLabel(&window);
    label->SetCaption("&Nome");
    label->SetFocusControl(edit);
    label->show();
    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());
}

// A label without a focus control leaves its letter to the window's other controls; a letter
// that several labels or buttons share goes to the first of them in the tab order.
TEST_F(WindowTest, AcceleratorsOfLabelsAndButtons) {
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    auto* nuovo = new QPushButton("&Nuovo", &window);
    int nuovoClicks = 0;
    QObject::connect(nuovo, &QPushButton::clicked, [&] { ++nuovoClicks; });
    auto* nome = new TKxLabel(&window);
    nome->SetCaption("&Nome");
    auto* elsewhere = new QLineEdit(&window);
    for (QWidget* w : std::initializer_list<QWidget*>{first, second, nuovo, nome, elsewhere})
        w->show();
    const auto altN = [&] {
        elsewhere->setFocus();
        QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    };
    altN();
    ASSERT_TRUE(WaitFor([&] { return nuovoClicks == 1; })) << nuovoClicks;

    // Two labels on N, the later one made first: the tab order decides, not the making.
    delete nuovo;
    auto* numero = new TKxLabel(&window);
    numero->SetCaption("&Numero");
    numero->SetFocusControl(second);
    numero->show();
    nome->SetFocusControl(first);
    for (int press = 0; press < 2; ++press) {
        altN();
        EXPECT_TRUE(first->hasFocus()) << press;
    }
    QWidget::setTabOrder(second, first);
    altN();
    EXPECT_TRUE(second->hasFocus());

    // A focus control that goes takes the label's shortcut with it.
    delete second;
    altN();
    EXPECT_TRUE(first->hasFocus());

    // Speed buttons sharing a letter: the first in the tab order is clicked.
    std::vector<std::string> clicked;
    for (const char* caption : {"&Via", "&Vai"}) {
        auto* button = new TKxSpeedButton(&window);
        button->SetCaption(caption);
        button->OnClick = [&clicked, caption](QObject*) { clicked.push_back(caption); };
        button->show();
    }
    QTest::keyClick(&window, Qt::Key_V, Qt::AltModifier);
    QTest::keyClick(&window, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(clicked, (std::vector<std::string>{"&Via", "&Via"}));
}

TEST_F(WindowTest, LabelEnterAndLeave) {
    auto* label = new TKxLabel(&window);
    label->SetCaption("Bianchi");
    label->move(120, 70);
    std::vector<std::string> seen;
    label->OnMouseEnter = [&](QObject* sender) {
        EXPECT_EQ(sender, label);
        seen.push_back("enter");
    };
    label->OnMouseLeave = [&](QObject*) { seen.push_back("leave"); };
    label->show();
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(label, &enter);
    QApplication::sendEvent(label, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label, &leave);
    label->setEnabled(false);
    QApplication::sendEvent(label, &enter);
    EXPECT_EQ(seen, (std::vector<std::string>{"enter", "leave"}));
}

// ---- frames ----

TEST(SpeedButtonFrameTest, EveryRowOfTheTable) {
    const TColor hl = Plain(clBtnHighlight), sh = Plain(clBtnShadow), fa = Plain(clBtnFace),
                 wf = Plain(clWindowFrame);
    const struct {
        bool down, flat;
        TButtonStyle style;
        TColor outerTop, outerBottom, innerTop, innerBottom;
        int inset;
    } rows[] = {
        {false, true, bsNew, hl, sh, fa, fa, 2},         {false, false, bsNew, hl, wf, fa, sh, 3},
        {false, true, bsWin31, hl, wf, fa, fa, 2},       {false, false, bsWin31, wf, wf, hl, sh, 3},
        {true, true, bsNew, wf, hl, fa, fa, 2},          {true, false, bsNew, wf, hl, sh, fa, 3},
        {true, true, bsWin31, wf, hl, fa, fa, 2},        {true, false, bsWin31, wf, wf, sh, fa, 3},
        {false, false, bsAutoDetect, hl, wf, fa, sh, 3},
    };
    for (const auto& row : rows) {
        QImage canvas = FaceCanvas(20, 20);
        QPainter painter(&canvas);
        const QRect inner =
            DrawSpeedButtonFrame(painter, QRect(0, 0, 20, 20), row.down, row.flat, row.style);
        painter.end();
        const int i = &row - rows;
        EXPECT_EQ(inner, QRect(row.inset, row.inset, 20 - 2 * row.inset, 20 - 2 * row.inset)) << i;
        EXPECT_EQ(PixelAt(canvas, 10, 0), row.outerTop) << i;
        EXPECT_EQ(PixelAt(canvas, 0, 10), row.outerTop) << i;
        EXPECT_EQ(PixelAt(canvas, 10, 19), row.outerBottom) << i;
        EXPECT_EQ(PixelAt(canvas, 19, 10), row.outerBottom) << i;
        EXPECT_EQ(PixelAt(canvas, 10, 1), row.innerTop) << i;
        EXPECT_EQ(PixelAt(canvas, 1, 10), row.innerTop) << i;
        EXPECT_EQ(PixelAt(canvas, 10, 18), row.innerBottom) << i;
        EXPECT_EQ(PixelAt(canvas, 18, 10), row.innerBottom) << i;
    }
}

// ---- button look ----

TEST(SpeedButtonTest, RestingGroupButtonShowsTheChecker) {
    TKxSpeedButton button;
    button.SetGroupIndex(1);
    button.SetDown(true);
    EXPECT_EQ(button.State(), rbsExclusive);
    const QImage shot = Shot(button);
    EXPECT_NE(PixelAt(shot, 10, 10), PixelAt(shot, 11, 10));
    EXPECT_EQ(PixelAt(shot, 10, 10), Plain(clBtnHighlight));
    EXPECT_EQ(PixelAt(shot, 11, 10), Plain(clBtnFace));
}

TEST(SpeedButtonTest, PressedGlyphMovesByOnePixel) {
    TKxSpeedButton button;
    button.SetGlyph(DarkSquare());
    const int up = LeftmostOf(Shot(button), clBlack);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.State(), rbsDown);
    EXPECT_EQ(LeftmostOf(Shot(button), clBlack), up + 1);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.State(), rbsUp);
}

TEST(SpeedButtonTest, FlatButtonWithoutTheMouseHasNoFrameAndAGrayGlyph) {
    TKxSpeedButton button;
    TBitmap glyph(16, 16, clFuchsia);
    QPainter(&glyph.Image()).fillRect(4, 4, 8, 8, Qt::red);
    button.SetGlyph(glyph);
    button.SetFlat(true);
    QImage shot = Shot(button);
    EXPECT_EQ(PixelAt(shot, 12, 0), Plain(clBtnFace));
    EXPECT_FALSE(Holds(shot, button.rect(), clRed));
    button.SetGrayedInactive(false);
    EXPECT_TRUE(Holds(Shot(button), button.rect(), clRed));
}

TEST(SpeedButtonTest, DropDownMarkIsDrawnBesideTheGlyph) {
    TKxSpeedButton button;
    button.resize(40, 25);
    TPopupMenu menu;
    button.SetDropDownMenu(&menu);
    const QImage shot = Shot(button);
    EXPECT_TRUE(Holds(shot, QRect(4, 4, 32, 17), clBtnText));
    button.SetMarkDropDown(false);
    EXPECT_FALSE(Holds(Shot(button), QRect(4, 4, 32, 17), clBtnText));
}

TEST(SpeedButtonTest, SettersClampAndRefuse) {
    TKxSpeedButton button;
    button.SetMargin(-2);
    EXPECT_EQ(button.Margin(), -1);
    button.SetMargin(3);
    EXPECT_EQ(button.Margin(), 3);
    button.SetNumGlyphs(7);
    EXPECT_EQ(button.NumGlyphs(), 5);
    button.SetDown(true); // no group: never down
    EXPECT_FALSE(button.Down());
}

// ---- clicks ----

TEST(SpeedButtonTest, ReleaseOnTheBottomRowCountsButNotOnTheRightColumn) {
    TKxSpeedButton button;
    int clicks = 0;
    button.OnClick = [&](QObject*) { ++clicks; };
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, button.height()));
    EXPECT_EQ(clicks, 1);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(button.width(), 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button.State(), rbsUp);
}

TEST(SpeedButtonTest, GroupsWithAndWithoutAllowAllUp) {
    QWidget parent;
    auto* first = new TKxSpeedButton(&parent);
    auto* second = new TKxSpeedButton(&parent);
    second->move(30, 0);
    first->SetGroupIndex(1);
    second->SetGroupIndex(1);
    const auto click = [](TKxSpeedButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    };
    click(first);
    EXPECT_TRUE(first->Down());
    click(first);
    EXPECT_TRUE(first->Down()); // cannot be raised by a click
    click(second);
    EXPECT_TRUE(second->Down());
    EXPECT_FALSE(first->Down());
    EXPECT_EQ(first->State(), rbsUp);

    second->SetAllowAllUp(true);
    EXPECT_TRUE(first->AllowAllUp());
    click(second);
    EXPECT_FALSE(second->Down());
    EXPECT_FALSE(first->Down());
}

TEST(SpeedButtonTest, ButtonClickPressesWithoutTheMouse) {
    TKxSpeedButton button;
    int clicks = 0;
    button.OnClick = [&](QObject*) { ++clicks; };
    button.ButtonClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button.State(), rbsUp);
    button.setEnabled(false);
    button.ButtonClick();
    EXPECT_EQ(clicks, 1);

    QWidget parent;
    auto* grouped = new TKxSpeedButton(&parent);
    grouped->SetGroupIndex(2);
    grouped->SetAllowAllUp(true);
    grouped->OnClick = [&](QObject*) { ++clicks; };
    grouped->ButtonClick();
    EXPECT_TRUE(grouped->Down());
    EXPECT_EQ(clicks, 2);
}

TEST(SpeedButtonTest, ARaisingClickIsShownAndTheStateRestored) {
    Recorder recorder;
    TKxSpeedButton button;
    button.OnClick = [](QObject*) { throw std::runtime_error("guasto"); };
    button.ButtonClick();
    EXPECT_EQ(button.State(), rbsUp);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.State(), rbsUp);
    EXPECT_EQ(recorder.shown, (std::vector<QString>{"guasto", "guasto"}));
}

TEST(SpeedButtonTest, ModalResultEndsARealDialog) {
    QDialog dialog;
    auto* button = new TKxSpeedButton(&dialog);
    button->ModalResult = 2;
    dialog.open();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 2);
}

TEST(SpeedButtonTest, AutoRepeatWhileHeld) {
    Recorder recorder;
    TKxSpeedButton button;
    button.SetAllowTimer(true);
    button.InitPause = 400;
    button.RepeatInterval = 50;
    int clicks = 0;
    button.OnClick = [&](QObject*) {
        if (++clicks == 4)
            throw std::runtime_error("basta");
    };
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    TKxTimer* timer = button.RepeatTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 400u);
    timer->Timer();
    timer->Timer();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(timer->Interval(), 50u);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 3);
    EXPECT_FALSE(timer->Enabled());
    timer->Timer();
    EXPECT_EQ(clicks, 3);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_THROW(timer->Timer(), std::runtime_error);
    EXPECT_FALSE(timer->Enabled());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    button.SetAllowTimer(false);
    EXPECT_EQ(button.RepeatTimer(), nullptr);
}

TEST(SpeedButtonTest, DropDownMenuThroughItsHook) {
    QWidget window;
    auto* button = new TKxSpeedButton(&window);
    button->move(10, 10);
    TPopupMenu menu;
    QAction* item = menu.addAction("Voce");
    int triggered = 0, clicks = 0;
    QObject::connect(item, &QAction::triggered, [&] { ++triggered; });
    button->OnClick = [&](QObject*) { ++clicks; };
    button->SetDropDownMenu(&menu);
    QPoint asked;
    TKxButtonState stateWhileOpen = rbsUp;
    auto old = SetPopupMenuHook([&](TPopupMenu& shown, QPoint point) {
        EXPECT_EQ(shown.PopupComponent, button);
        stateWhileOpen = button->State();
        asked = point;
        return item;
    });
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(asked, button->mapToGlobal(QPoint(-1, button->height())));
    EXPECT_EQ(stateWhileOpen, rbsDown);
    EXPECT_EQ(triggered, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button->State(), rbsUp);

    menu.Alignment = TPopupMenu::paRight;
    button->MenuPosition = dmpRight;
    EXPECT_EQ(button->GetDropDownMenuPos(), QPoint(-1, -1));
    menu.AutoPopup = false;
    EXPECT_FALSE(button->CheckMenuDropDown({0, 0}, false));
    EXPECT_TRUE(button->CheckBtnMenuDropDown());
    EXPECT_EQ(triggered, 2);
    SetPopupMenuHook(old);
}

TEST(SpeedButtonTest, TheClickThatClosesTheMenuReachesItsTargetUnlessItIsOnTheButton) {
    struct Case {
        const char* name;
        bool onButton;
        QRect neighbourPlace;
        TKxDropDownMenuPos menuPosition; // clear of the neighbour
    };
    // The neighbour below is pressed on its first row, just below the button's last.
    for (const Case& c : {Case{"neighbour", false, {60, 10, 40, 25}, dmpBottom},
                          Case{"neighbour below", false, {10, 35, 25, 12}, dmpRight},
                          Case{"button", true, {60, 10, 40, 25}, dmpBottom}}) {
        SCOPED_TRACE(c.name);
        QWidget window;
        window.resize(120, 60);
        auto* button = new TKxSpeedButton(&window);
        button->setGeometry(10, 10, 25, 25);
        button->MenuPosition = c.menuPosition;
        auto* neighbour = new QPushButton("Altro", &window);
        neighbour->setGeometry(c.neighbourPlace);
        TPopupMenu menu;
        menu.addAction("Voce");
        button->SetDropDownMenu(&menu);
        int clicks = 0, shows = 0;
        QObject::connect(neighbour, &QPushButton::clicked, [&] { ++clicks; });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QWindow* handle = window.windowHandle();
        window.setFocus();
        const QPoint onButton = button->geometry().center();
        const QPoint onNeighbour(neighbour->geometry().center().x(), neighbour->geometry().top());
        // Each time the menu opens, a press closes it: the first one where the case says, any
        // later one (a press that opened the menu again) on the neighbour.
        QObject::connect(&menu, &QMenu::aboutToShow, [&] {
            const QPoint at = ++shows == 1 && c.onButton ? onButton : onNeighbour;
            QTimer::singleShot(0, [&, at] { QTest::mousePress(handle, Qt::LeftButton, {}, at); });
        });
        // Away from the closing press, which would make a double click of the two.
        QTest::mousePress(handle, Qt::LeftButton, {}, button->geometry().topLeft() + QPoint(2, 2));
        QCoreApplication::processEvents();
        QTest::mouseRelease(handle, Qt::LeftButton, {}, c.onButton ? onButton : onNeighbour);
        QCoreApplication::processEvents();
        EXPECT_EQ(shows, 1);
        EXPECT_EQ(clicks, c.onButton ? 0 : 1);
        EXPECT_EQ(window.focusWidget() == neighbour, !c.onButton);
        EXPECT_EQ(button->State(), rbsUp);
    }
}

TEST(SpeedButtonTest, TransparentButtonShowsItsParentAndEarlierSiblings) {
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::yellow);
    parent.setPalette(palette);
    parent.resize(60, 40);
    auto* earlier = new TKxLabel(&parent);
    earlier->SetAutoSize(false);
    earlier->SetColor(clBlue);
    earlier->setGeometry(0, 0, 12, 40);
    auto* button = new TKxSpeedButton(&parent);
    button->SetFlat(true);
    button->SetTransparent(true);
    button->move(5, 5);
    auto* later = new TKxLabel(&parent);
    later->SetAutoSize(false);
    later->SetColor(clRed);
    later->setGeometry(25, 0, 35, 40);
    later->lower(); // first in the child order: still an earlier sibling
    const QImage shot = Shot(*button);
    EXPECT_EQ(PixelAt(shot, 2, 12), clBlue);
    EXPECT_EQ(PixelAt(shot, 12, 12), clYellow);
    EXPECT_EQ(PixelAt(shot, 22, 12), clRed);
}

TEST(SpeedButtonTest, ActionLinkFollowsTheActionAndTriggersIt) {
    QWidget parent;
    auto* button = new TKxSpeedButton(&parent);
    button->SetGroupIndex(3);
    button->SetAllowAllUp(true);
    QAction action("&Salva");
    action.setCheckable(true);
    action.setChecked(true);
    QPixmap picture(16, 16);
    picture.fill(Qt::blue);
    action.setIcon(QIcon(picture));
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    button->SetAction(&action);
    EXPECT_EQ(button->Caption(), "&Salva");
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(button->Glyph().Width(), 16);
    EXPECT_EQ(button->Glyph().TransparentColor(), clFuchsia);
    action.setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    action.setEnabled(true);
    button->Click();
    EXPECT_EQ(triggered, 1);
}

// ---- a control deleted from its own events ----

namespace {

// A shown, active window with one control; each case deletes the control from one of its events
// and reports whether it is gone. A use after the deletion ends the child process.
struct TDeletionCase {
    const char* name;
    std::function<bool(QWidget& window)> run;
};

void PrintTo(const TDeletionCase& c, std::ostream* os) {
    *os << c.name;
}

template <class Control> Control* Place(QWidget& window) {
    auto* control = new Control(&window);
    control->move(10, 10);
    control->show();
    return control;
}

TKxSpeedButton* SelfDeletingButton(QWidget& window, int group = 0) {
    auto* button = Place<TKxSpeedButton>(window);
    button->SetGroupIndex(group);
    button->SetAllowAllUp(true);
    button->OnClick = [button](QObject*) { delete button; };
    return button;
}

bool Clicked(TKxSpeedButton* button) {
    const QPointer<TKxSpeedButton> alive(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    return !alive;
}

const TDeletionCase DeletionCases[] = {
    {"ButtonMouseClick", [](QWidget& w) { return Clicked(SelfDeletingButton(w)); }},
    {"GroupedButtonMouseClick", [](QWidget& w) { return Clicked(SelfDeletingButton(w, 1)); }},
    {"RepeatingButtonMouseClick",
     [](QWidget& w) {
         TKxSpeedButton* button = SelfDeletingButton(w);
         button->SetAllowTimer(true);
         return Clicked(button);
     }},
    {"RepeatTimer",
     [](QWidget& w) {
         TKxSpeedButton* button = SelfDeletingButton(w);
         button->SetAllowTimer(true);
         button->InitPause = 1;
         const QPointer<TKxSpeedButton> alive(button);
         QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
         return QTest::qWaitFor([&] { return alive.isNull(); }, 10000);
     }},
    {"ButtonClick",
     [](QWidget& w) {
         const QPointer<TKxSpeedButton> alive(SelfDeletingButton(w));
         alive->ButtonClick();
         return alive.isNull();
     }},
    {"GroupedButtonClick",
     [](QWidget& w) {
         const QPointer<TKxSpeedButton> alive(SelfDeletingButton(w, 1));
         alive->ButtonClick();
         return alive.isNull();
     }},
    {"ModalResultEndsADialogThatGoes",
     [](QWidget&) {
         auto* dialog = new QDialog;
         QObject::connect(dialog, &QDialog::finished, [dialog] { delete dialog; });
         auto* button = new TKxSpeedButton(dialog);
         button->ModalResult = 1;
         bool clicked = false;
         button->OnClick = [&](QObject*) { clicked = true; };
         dialog->open();
         const QPointer<TKxSpeedButton> alive(button);
         button->Click();
         return alive.isNull() && !clicked;
     }},
    {"Accelerator",
     [](QWidget& w) {
         const QPointer<TKxSpeedButton> alive(SelfDeletingButton(w));
         alive->SetCaption("&Via");
         QTest::keyClick(&w, Qt::Key_V, Qt::AltModifier);
         return alive.isNull();
     }},
    {"DropDownMenuItem",
     [](QWidget& w) {
         auto* button = Place<TKxSpeedButton>(w);
         TPopupMenu menu;
         QAction* item = menu.addAction("Chiudi");
         QObject::connect(item, &QAction::triggered, [button] { delete button; });
         button->SetDropDownMenu(&menu);
         const auto old = SetPopupMenuHook([item](TPopupMenu&, QPoint) { return item; });
         const QPointer<TKxSpeedButton> alive(button);
         // The menu opens on the press, and its item deletes the button there.
         QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
         SetPopupMenuHook(old);
         return alive.isNull();
     }},
    {"FlatButtonMouseEnter",
     [](QWidget& w) {
         auto* button = Place<TKxSpeedButton>(w);
         button->SetFlat(true);
         button->OnMouseEnter = [button](QObject*) { delete button; };
         const QPointer<TKxSpeedButton> alive(button);
         QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
         QApplication::sendEvent(button, &enter);
         return alive.isNull();
     }},
    {"FlatButtonMouseLeave",
     [](QWidget& w) {
         auto* button = Place<TKxSpeedButton>(w);
         button->SetFlat(true);
         button->OnMouseLeave = [button](QObject*) { delete button; };
         const QPointer<TKxSpeedButton> alive(button);
         QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
         QApplication::sendEvent(button, &enter);
         QEvent leave(QEvent::Leave);
         QApplication::sendEvent(button, &leave);
         return alive.isNull();
     }},
    {"LabelMouseClick",
     [](QWidget& w) {
         auto* label = Place<TKxLabel>(w);
         label->SetCaption("Bianchi");
         label->OnClick = [label](QObject*) { delete label; };
         const QPointer<TKxLabel> alive(label);
         QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, 2));
         return alive.isNull();
     }},
};

class ControlDeletedFromItsEvent : public ::testing::TestWithParam<TDeletionCase> {};

bool RunDeletionCase(const TDeletionCase& c) {
    QWidget window;
    window.resize(200, 100);
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window) && c.run(window);
}

} // namespace

TEST_P(ControlDeletedFromItsEvent, NothingTouchesItAfterwards) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(RunDeletionCase(GetParam()) ? 0 : 3), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, ControlDeletedFromItsEvent, ::testing::ValuesIn(DeletionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AnchorsTest, ALabelAndASpeedButtonAnchoredRightAndBottomKeepTheirDistances) {
    QWidget form;
    form.resize(300, 200);
    auto* label = new TKxLabel(&form);
    auto* button = new TKxSpeedButton(&form);
    for (QWidget* control : {static_cast<QWidget*>(label), static_cast<QWidget*>(button)})
        control->setGeometry(200, 150, 40, 20);
    label->SetAnchors(akRight | akBottom);
    button->SetAnchors(akRight | akBottom);
    EXPECT_EQ(label->Anchors(), akRight | akBottom);
    form.show();
    form.resize(360, 240);
    EXPECT_EQ(label->geometry(), QRect(260, 190, 40, 20));
    EXPECT_EQ(button->geometry(), QRect(260, 190, 40, 20));
}
