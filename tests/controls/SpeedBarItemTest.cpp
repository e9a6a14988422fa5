#include "controls/SpeedBar.h"

#include "ControlsTestUtil.h"
#include "platform/AlignLayout.h"
#include "platform/PopupMenu.h"
#include "storage/Kxconst.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A form with a bar of 26 x 26 buttons and one visible item.
struct ItemForm {
    QWidget form;
    TSpeedBar* bar;
    TSpeedItem* item;

    ItemForm() {
        form.resize(300, 200);
        bar = new TSpeedBar(&form);
        bar->setObjectName(QStringLiteral("Bar"));
        bar->SetBtnWidth(26);
        bar->SetBtnHeight(26);
        bar->AddSection(QStringLiteral("File"));
        item = bar->NewItem(&form, 0, QStringLiteral("SpeedItemSave"));
        item->SetLeft(3);
        item->SetVisible(true);
    }

    void Show() {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
};

} // namespace

TEST(SpeedBarItemPropertiesTest, DefaultsAreTheButtonsAndSpacingFour) {
    ItemForm f;
    TSpeedItem* item = f.item;
    EXPECT_EQ(item->Action(), nullptr);
    EXPECT_FALSE(item->AllowAllUp());
    EXPECT_FALSE(item->AllowTimer());
    EXPECT_EQ(item->GroupIndex(), 0);
    EXPECT_FALSE(item->Down());
    EXPECT_EQ(item->DropDownMenu(), nullptr);
    EXPECT_EQ(item->Cursor(), 0);
    EXPECT_EQ(item->Layout(), blGlyphTop);
    EXPECT_EQ(item->Margin(), -1);
    EXPECT_TRUE(item->MarkDropDown());
    EXPECT_EQ(item->NumGlyphs(), 1);
    EXPECT_TRUE(item->ParentShowHint());
    EXPECT_TRUE(item->ShowHint());
    EXPECT_TRUE(item->ParentFont());
    EXPECT_EQ(item->Font(), f.bar->font());
    EXPECT_EQ(item->Spacing(), 4);
    EXPECT_EQ(item->Tag(), 0);
    EXPECT_FALSE(item->WordWrap());
}

// Each property lives in the button, so it stays when the button leaves its bar and joins
// another one.
TEST(SpeedBarItemPropertiesTest, PassedToTheButtonAndKeptAcrossBars) {
    ItemForm f;
    TSpeedItem* item = f.item;
    TSpeedbarButton* button = item->Button();
    QAction action(QStringLiteral("Salva"));
    platform::TPopupMenu menu;
    QFont font(QStringLiteral("DejaVu Serif"), 15);
    font.setItalic(true);

    item->SetAction(&action);
    item->SetAllowAllUp(true);
    item->SetAllowTimer(true);
    item->SetGroupIndex(3);
    item->SetDown(true);
    item->SetDropDownMenu(&menu);
    item->SetMarkDropDown(false);
    item->SetFont(font);
    item->SetCursor(crHand);
    item->SetLayout(blGlyphLeft);
    item->SetMargin(2);
    item->SetSpacing(6);
    item->SetWordWrap(true);
    item->SetShowHint(false);
    item->SetTag(42);

    const auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(button->Action(), &action);
        EXPECT_TRUE(button->AllowAllUp());
        EXPECT_TRUE(button->AllowTimer());
        EXPECT_EQ(button->GroupIndex(), 3);
        EXPECT_TRUE(button->Down());
        EXPECT_EQ(button->DropDownMenu(), &menu);
        EXPECT_FALSE(button->MarkDropDown());
        EXPECT_FALSE(item->ParentFont());
        EXPECT_EQ(button->font().family(), font.family());
        EXPECT_EQ(button->font().pointSize(), 15);
        EXPECT_TRUE(button->font().italic());
        EXPECT_EQ(button->Cursor(), crHand);
        EXPECT_EQ(button->cursor().shape(), ScreenCursor(crHand).shape());
        EXPECT_EQ(button->Layout(), blGlyphLeft);
        EXPECT_EQ(button->Margin(), 2);
        EXPECT_EQ(button->Spacing(), 6);
        EXPECT_TRUE(button->WordWrap());
        EXPECT_FALSE(item->ShowHint());
        EXPECT_FALSE(item->ParentShowHint());
        EXPECT_EQ(item->Tag(), 42);
        EXPECT_EQ(button->Tag, 42);
    };
    ASSERT_NE(ScreenCursor(crHand).shape(), Qt::ArrowCursor);
    check("on its bar");

    TSpeedBar other(&f.form);
    QFont otherFont(QStringLiteral("DejaVu Sans Mono"), 7);
    other.setFont(otherFont);
    f.bar->RemoveItem(item);
    check("in no bar");
    other.AddItem(0, item);
    item->SetVisible(true);
    EXPECT_EQ(button->parentWidget(), &other);
    check("on another bar");

    // Back to the bar's font and hint setting.
    item->SetParentFont(true);
    EXPECT_TRUE(item->ParentFont());
    EXPECT_EQ(button->font().family(), otherFont.family());
    other.ShowHint = false;
    item->SetParentShowHint(true);
    EXPECT_FALSE(item->ShowHint());
    other.ShowHint = true;
    EXPECT_TRUE(item->ShowHint());
    item->SetCursor(0);
    EXPECT_FALSE(button->testAttribute(Qt::WA_SetCursor));
}

// Setting ShowHint off keeps the hint from showing; the mouse events reach the item's handlers
// in the order the button is pressed.
TEST(SpeedBarItemPropertiesTest, HintsAndMouseEventsFollowTheItem) {
    ItemForm f;
    f.Show();
    TSpeedItem* item = f.item;
    item->SetHint(QStringLiteral("Salva|Salva la partita"));
    QHelpEvent shown(QEvent::ToolTip, QPoint(5, 5), item->Button()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(item->Button(), &shown);
    EXPECT_TRUE(shown.isAccepted());
    item->SetShowHint(false);
    QHelpEvent hidden(QEvent::ToolTip, QPoint(5, 5), item->Button()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(item->Button(), &hidden);
    EXPECT_FALSE(hidden.isAccepted());

    QStringList heard;
    item->OnMouseDown() = [&](QObject* sender, TMouseButton button, TShiftState, int x, int y) {
        EXPECT_EQ(sender, item->Button());
        EXPECT_EQ(button, mbLeft);
        heard << QStringLiteral("down %1,%2").arg(x).arg(y);
    };
    item->OnMouseMove() = [&](QObject*, TShiftState, int x, int y) {
        heard << QStringLiteral("move %1,%2").arg(x).arg(y);
    };
    item->OnMouseUp() = [&](QObject*, TMouseButton, TShiftState, int x, int y) {
        heard << QStringLiteral("up %1,%2").arg(x).arg(y);
    };
    item->OnClick() = [&](QObject*) { heard << QStringLiteral("click"); };
    QTest::mousePress(item->Button(), Qt::LeftButton, {}, QPoint(4, 5));
    QTest::mouseMove(item->Button(), QPoint(6, 7));
    QTest::mouseRelease(item->Button(), Qt::LeftButton, {}, QPoint(6, 7));
    EXPECT_EQ(heard, QStringList({QStringLiteral("down 4,5"), QStringLiteral("move 6,7"),
                                  QStringLiteral("up 6,7"), QStringLiteral("click")}));

    // While the bar is customised a press drags the button: no events for the commands, and
    // the item's cursor comes back after the drag.
    heard.clear();
    item->SetCursor(crHand);
    QWidget editor;
    f.bar->SetEditing(&editor);
    QTest::mousePress(item->Button(), Qt::LeftButton, {}, QPoint(4, 5));
    QTest::mouseRelease(item->Button(), Qt::LeftButton, {}, QPoint(4, 5));
    EXPECT_TRUE(heard.isEmpty());
    EXPECT_EQ(item->Button()->cursor().shape(), ScreenCursor(crHand).shape());
    f.bar->SetEditing(nullptr);
}

namespace {

QImage Filled(Qt::GlobalColor colour) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QRgb Centre(TSpeedItem* item) {
    return Shot(*item->Button()).pixel(13, 13);
}

} // namespace

// The bar hears of every change of its list: the buttons drop the images they keep (a flat
// button away from the mouse keeps its greyed copy) and show the new ones.
TEST(SpeedBarImagesTest, ButtonsFollowTheirListsChanges) {
    ItemForm f;
    f.bar->SetOptions(f.bar->Options() | sbFlatBtns);
    f.Show();
    QCursor::setPos(f.form.mapToGlobal(QPoint(250, 150)));
    f.item->Button()->UpdateTracking();
    auto images = std::make_unique<platform::TImageList>(16, 16);
    images->Add(Filled(Qt::blue), QImage());
    f.bar->SetImages(images.get());
    f.item->SetImageIndex(0);
    const QRgb blue = Centre(f.item);
    images->Replace(0, Filled(Qt::red), QImage());
    const QRgb red = Centre(f.item);
    EXPECT_NE(red, blue);
    ASSERT_TRUE(f.item->Button()->Flat());
    ASSERT_FALSE(f.item->Button()->MouseInside());

    images->Replace(0, Filled(Qt::blue), QImage());
    EXPECT_EQ(Centre(f.item), blue);
    images->Clear();
    const QRgb none = Centre(f.item);
    EXPECT_NE(none, blue);
    images->Add(Filled(Qt::red), QImage());
    EXPECT_EQ(Centre(f.item), red);

    // A list that goes first leaves the bar without one.
    images.reset();
    EXPECT_EQ(f.bar->Images(), nullptr);
    EXPECT_EQ(Centre(f.item), none);
}

// Bar, list and drag image may go in any order.
TEST(SpeedBarImagesTest, ListAndBarMayGoInAnyOrder) {
    auto images = std::make_unique<platform::TImageList>(16, 16);
    images->Add(Filled(Qt::red), QImage());
    {
        ItemForm f;
        f.bar->SetImages(images.get());
        f.item->SetImageIndex(0);
    }
    images->Replace(0, Filled(Qt::blue), QImage());
    images.reset();

    ItemForm f;
    f.Show();
    images = std::make_unique<platform::TImageList>(16, 16);
    images->Add(Filled(Qt::red), QImage());
    f.bar->SetImages(images.get());
    f.item->SetImageIndex(0);
    QWidget editor;
    f.bar->SetEditing(&editor);
    QTest::mousePress(f.item->Button(), Qt::LeftButton, {}, QPoint(4, 5));
    TBtnControl* drag = f.item->Button()->DragImage();
    ASSERT_NE(drag, nullptr);
    EXPECT_EQ(drag->Images(), images.get());
    EXPECT_EQ(Shot(*drag).pixel(13, 13), qRgb(255, 0, 0));
    images.reset();
    EXPECT_EQ(drag->Images(), nullptr);
    EXPECT_NE(Shot(*drag).pixel(13, 13), qRgb(255, 0, 0));
    QTest::mouseRelease(f.item->Button(), Qt::LeftButton, {}, QPoint(4, 5));
    f.bar->SetEditing(nullptr);
}

// Children aligned on the bar stand inside its frame and 2 pixels off each bound line.
TEST(SpeedBarBoundLinesTest, AlignedChildrenStayInsideTheBoundLines) {
    QWidget form;
    form.resize(300, 200);
    auto* bar = new TSpeedBar(&form);
    bar->resize(300, 40);
    auto* child = new QWidget(bar);
    child->resize(10, 10);
    platform::SetAlign(child, alClient);
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(child->geometry(), bar->InnerRect());

    bar->SetBoundLines(blTop | blLeft);
    EXPECT_EQ(child->geometry(), bar->InnerRect().adjusted(2, 2, 0, 0));
    bar->SetBoundLines(blBottom | blRight);
    EXPECT_EQ(child->geometry(), bar->InnerRect().adjusted(0, 0, -2, -2));

    // A thicker frame moves them in too; so does a new size.
    bar->SetBorderWidth(3);
    EXPECT_EQ(child->geometry(), bar->InnerRect().adjusted(0, 0, -2, -2));
    EXPECT_EQ(bar->InnerRect().left(), 4);
    bar->resize(200, 50);
    EXPECT_EQ(bar->height(), 50);
    EXPECT_EQ(child->geometry(), bar->InnerRect().adjusted(0, 0, -2, -2));
}
