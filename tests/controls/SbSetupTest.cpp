#include "controls/SbSetup.h"

#include "controls/SpeedBar.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "storage/Apputils.h"
#include "tests/controls/MouseDrag.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TSpeedbarSetupWindow* SetupOf(TSpeedBar* bar) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* setup = qobject_cast<TSpeedbarSetupWindow*>(w); setup && setup->SpeedBar() == bar)
            return setup;
    return nullptr;
}

struct Customised {
    QWidget form;
    TSpeedBar* bar;
    TSpeedItem* shown;
    TSpeedItem* hidden;
    QPointer<TSpeedbarSetupWindow> setup;
    int customized = 0;

    Customised() {
        form.setGeometry(0, 0, 500, 200);
        bar = new TSpeedBar(&form);
        bar->setObjectName("Bar");
        bar->SetBtnWidth(26);
        bar->SetBtnHeight(26);
        bar->AddSection("File");
        bar->AddSection("Altro");
        shown = bar->NewItem(&form, 0, "Shown");
        shown->SetLeft(3);
        shown->SetVisible(true);
        hidden = bar->NewItem(&form, 0, "Hidden");
        hidden->SetHint("Nascosto|Lungo");
        bar->OnCustomize = [this](QObject*) { ++customized; };
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        bar->Customize(0);
        setup = SetupOf(bar);
        setup->move(0, 260);
    }

    QWidget* List() const { return setup->ButtonsList->viewport(); }
};

} // namespace

TEST(SpeedbarSetupTest, OneDialogPerBarWithItsTextsAndListHeights) {
    Customised c;
    ASSERT_TRUE(c.setup);
    c.bar->Customize(0);
    EXPECT_EQ(SetupOf(c.bar), c.setup.data());
    EXPECT_EQ(c.setup->CategoriesLabel->text(), "&Categories:");
    EXPECT_EQ(c.setup->ButtonsLabel->text(), "&Available buttons:");
    EXPECT_EQ(c.setup->CloseBtn->text(), "OK");
    EXPECT_EQ(c.setup->HelpBtn->text(), "&Help");
    EXPECT_FALSE(c.setup->HelpBtn->isVisible());
    EXPECT_TRUE(c.setup->HintLabel->text().startsWith("To add command buttons"));
    EXPECT_TRUE(c.shown->Editing());

    // 26-pixel buttons: rows of 28, as many as fit in 186 pixels at 96 per inch.
    const int maximum = int(std::lround(186.0 * ScreenPixelsPerInch() / 96));
    const int rows = maximum / 28;
    EXPECT_EQ(c.setup->ButtonsList->DefaultRowHeight(), 28);
    EXPECT_EQ(c.setup->ButtonsList->height() - 2 * c.setup->ButtonsList->frameWidth(), rows * 28);
    EXPECT_EQ(c.setup->SectionList->height(), c.setup->ButtonsList->height());
    // A new button size reaches the dialog.
    c.bar->SetBtnHeight(30);
    EXPECT_EQ(c.setup->ButtonsList->DefaultRowHeight(), 32);

    EXPECT_EQ(c.setup->SectionList->RowCount(), 2);
    EXPECT_EQ(c.setup->ButtonsList->RowCount(), 2);
    // Captions stand on their cell's colour: the current row's, or the list's.
    const QImage sections = c.setup->SectionList->viewport()->grab().toImage();
    const QImage buttons = c.setup->ButtonsList->viewport()->grab().toImage();
    const QColor window = platform::ToQColor(platform::clWindow);
    const QColor highlight = platform::ToQColor(platform::clHighlight);
    const int sectionX = c.setup->SectionList->ColWidths(0) - 5;
    const int buttonX = c.setup->ButtonsList->ColWidths(0) - 5;
    EXPECT_EQ(sections.pixelColor(sectionX, 3), highlight);
    EXPECT_EQ(sections.pixelColor(sectionX, c.setup->SectionList->RowHeights(0) + 3), window);
    EXPECT_EQ(buttons.pixelColor(buttonX, 3), highlight);
    EXPECT_EQ(buttons.pixelColor(buttonX, c.setup->ButtonsList->RowHeights(0) + 3), window);
    c.setup->ButtonsList->SetRow(1);
    EXPECT_EQ(c.setup->Hint(), "Nascosto|Lungo");
    // A new section shows at once.
    c.bar->AddSection("Terza");
    c.bar->NotifyEditWindow(sbcLayout, c.bar);
    EXPECT_EQ(c.setup->SectionList->RowCount(), 3);

    c.setup->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(c.setup.isNull());
    EXPECT_FALSE(c.shown->Editing());
    EXPECT_EQ(c.customized, 1);
}

TEST(SpeedbarSetupTest, TheHelpButtonOpensTheHelpAtTheContextItWasGiven) {
    Customised c;
    ASSERT_TRUE(c.setup);
    std::vector<int> opened;
    const platform::HelpHook previous =
        platform::SetHelpHook([&](QWidget*, int context) { opened.push_back(context); });
    c.bar->Customize(57);
    EXPECT_EQ(SetupOf(c.bar), c.setup.data());
    EXPECT_TRUE(c.setup->HelpBtn->isVisible());
    c.setup->HelpBtn->click();
    EXPECT_EQ(opened, std::vector<int>{57});
    platform::SetHelpHook(previous);
    c.setup->close();
}

TEST(SpeedbarSetupTest, EveryWayOfClosingEndsTheCustomisingOnce) {
    const std::function<void(TSpeedbarSetupWindow*)> closes[] = {
        [](TSpeedbarSetupWindow* setup) { setup->CloseBtn->click(); },
        [](TSpeedbarSetupWindow* setup) { QTest::keyClick(setup, Qt::Key_Escape); },
        [](TSpeedbarSetupWindow* setup) { setup->close(); },
    };
    for (const auto& close : closes) {
        Customised c;
        ASSERT_TRUE(c.setup);
        close(c.setup);
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(c.setup.isNull());
        EXPECT_FALSE(c.bar->GetEditing());
        EXPECT_FALSE(c.shown->Editing());
        EXPECT_EQ(c.customized, 1);
    }
}

TEST(SpeedbarSetupTest, DragsFromTheListDropOnlyOnTheirBar) {
    Customised c;
    QWidget* list = c.List();
    // A press on the caption starts nothing.
    Press(list, {40, 30});
    EXPECT_FALSE(c.setup->Dragging());
    Release(list, {40, 30});

    // Onto another bar, or nowhere: nothing.
    QWidget other;
    other.setGeometry(520, 0, 200, 100);
    auto* otherBar = new TSpeedBar(&other);
    otherBar->AddSection("X");
    other.show();
    for (QPoint target : {otherBar->mapToGlobal(QPoint(40, 5)), QPoint(300, 600)}) {
        Press(list, {5, 30});
        ASSERT_EQ(c.setup->DragItem(), c.hidden);
        Move(list, list->mapFromGlobal(target + QPoint(26, 26)));
        Release(list, list->mapFromGlobal(target + QPoint(26, 26)));
        EXPECT_FALSE(c.hidden->Visible());
        EXPECT_FALSE(c.setup->Dragging());
        EXPECT_EQ(c.setup->DragImage(), nullptr);
    }

    // Escape and a lost grab cancel: no image, the cursor back, nothing dropped.
    for (int way = 0; way < 2; ++way) {
        Press(list, {5, 30});
        Move(list, list->mapFromGlobal(c.bar->mapToGlobal(QPoint(60, 30))));
        ASSERT_NE(c.setup->DragImage(), nullptr);
        if (way == 0) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(c.setup->ButtonsList, &escape);
            EXPECT_TRUE(c.setup->isVisible()); // the key closed no dialog
        } else {
            QEvent ungrab(QEvent::UngrabMouse);
            QApplication::sendEvent(list, &ungrab);
        }
        EXPECT_FALSE(c.setup->Dragging()) << way;
        EXPECT_EQ(c.setup->DragImage(), nullptr) << way;
        EXPECT_FALSE(list->testAttribute(Qt::WA_SetCursor)) << way;
        Release(list, list->mapFromGlobal(c.bar->mapToGlobal(QPoint(60, 30))));
        EXPECT_FALSE(c.hidden->Visible()) << way;
    }

    // The dragged item destroyed: the drag ends with it.
    Press(list, {5, 30});
    Move(list, {60, 60});
    delete c.hidden;
    EXPECT_FALSE(c.setup->Dragging());
    EXPECT_EQ(c.setup->DragImage(), nullptr);
    Release(list, {60, 60});
}

TEST(SpeedbarSetupTest, ADestroyedBarClosesItsDialogQuietly) {
    auto* c = new Customised;
    QPointer<TSpeedbarSetupWindow> setup = c->setup;
    int customized = 0;
    c->bar->OnCustomize = [&](QObject*) { ++customized; };
    delete c->bar;
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(setup.isNull());
    EXPECT_EQ(customized, 0);
    delete c;
}
