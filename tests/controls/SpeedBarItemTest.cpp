#include "controls/SpeedBar.h"

#include "ControlsTestUtil.h"
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
    item->OnMouseDown() = [&](QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers, int x,
                              int y) {
        EXPECT_EQ(sender, item->Button());
        EXPECT_EQ(button, Qt::LeftButton);
        heard << QStringLiteral("down %1,%2").arg(x).arg(y);
    };
    item->OnMouseMove() = [&](QObject*, Qt::KeyboardModifiers, int x, int y) {
        heard << QStringLiteral("move %1,%2").arg(x).arg(y);
    };
    item->OnMouseUp() = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
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
