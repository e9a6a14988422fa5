// The main window's tool bar: its stored section, moving it to every edge across restarts,
// damaged settings, and customising it in its dialog.

#include "MainWindowFixture.h"
#include "controls/SbSetup.h"
#include "controls/SpeedBar.h"
#include "platform/IniFile.h"
#include "storage/Apputils.h"
#include "tests/controls/MouseDrag.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>

namespace {

const QString BarSection = QStringLiteral("FinestraPrincipale\\TFormMainSpeedBar2");

TSpeedbarSetupWindow* SetupWindow() {
    TSpeedbarSetupWindow* found = nullptr;
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* setup = qobject_cast<TSpeedbarSetupWindow*>(w)) {
            found = setup;
            ++count;
        }
    EXPECT_LE(count, 1);
    return found;
}

class SpeedBarWindowTest : public MainWindowTest {
protected:
    TSpeedBar* Bar() const { return FormMain->SpeedBar2; }
    QWidget* Client() const { return FormMain->centralWidget(); }

    void Activate() {
        FormMain->move(0, 0);
        FormMain->activateWindow();
        QApplication::setActiveWindow(FormMain);
    }

    // Drags the bar by its empty part to a point of the client area.
    void DragBarTo(QPoint clientPoint) {
        Activate();
        const QPoint grip = Bar()->Align() == alTop || Bar()->Align() == alBottom
                                ? QPoint(Bar()->width() - 20, 10)
                                : QPoint(10, Bar()->height() - 20);
        Press(Bar(), grip);
        Move(Bar(), grip + QPoint(8, 8));
        const QPoint target = Bar()->mapFrom(Client(), clientPoint);
        Move(Bar(), target);
        Release(Bar(), target);
    }

    // The dialog from the menu, beside the main window, showing the "Zeltor" section's buttons.
    TSpeedbarSetupWindow* CustomiseZeltor() {
        FormMain->Personalizza1->trigger();
        TSpeedbarSetupWindow* setup = SetupWindow();
        if (setup) {
            setup->move(FormMain->frameGeometry().right() + 40, 0);
            setup->SectionList->SetRow(3);
        }
        return setup;
    }

    // The next start; the settings file may be changed in between.
    void Restart(const std::function<void()>& between = {}) {
        FormMain->Modified = false;
        FormMain->close();
        DestroyWindows();
        if (between)
            between();
        CreateWindows();
        FormMain->show();
        QApplication::processEvents();
    }

    QStringList Keys() const {
        TIniFile ini(dir.filePath("Quendel.ini"));
        QStringList lines;
        for (const QString& key : ini.ReadSection(BarSection))
            lines << key + u'=' + ini.ReadString(BarSection, key, QString());
        return lines;
    }

    void WriteBarSection(const QStringList& lines) {
        QByteArray text = "[" + BarSection.toLatin1() + "]\n";
        for (const QString& line : lines)
            text += line.toLatin1() + "\n";
        WriteFile("Quendel.ini", text);
    }

    QStringList OnBar() const {
        QStringList names;
        Bar()->ForEachItem(
            [&](TSpeedItem* item, int) {
                if (item->Visible())
                    names << QStringLiteral("%1@%2,%3")
                                 .arg(item->objectName())
                                 .arg(item->Left())
                                 .arg(item->Top());
            },
            0);
        return names;
    }
};

} // namespace

TEST_F(SpeedBarWindowTest, TheBarIsWrittenKeyByKeyWhenTheWindowCloses) {
    EXPECT_EQ(Bar()->geometry(), QRect(0, 0, Client()->width(), 32));
    EXPECT_EQ(FormMain->ChessBoard1->pos(), QPoint(8, 36));
    EXPECT_EQ(FormMain->Panel1->pos(), QPoint(396, 36));
    EXPECT_EQ(Client()->size(), QSize(628, 424));
    EXPECT_EQ(Bar()->GridSize(), QPoint(13, 26));
    FormMain->close();
    const QString ppi = QString::number(ScreenPixelsPerInch());
    EXPECT_EQ(Keys(), (QStringList{"Position=1", "Width=32", "Version=0", "PixelsPerInch=" + ppi,
                                   "BtnWidth=26", "BtnHeight=26", "Button1=SpeedItemSave,29,3",
                                   "Button2=SpeedItemOpen,3,3", "Button3=SpeedItemNew,68,3",
                                   "Button4=SpeedItemGameEdit,94,3", "Button5=SpeedItemBack,120,3",
                                   "Button6=SpeedItemForw,146,3", "Button7=SpeedItemNetGame,172,3",
                                   "Button8=SpeedItemHelp,211,3", "Button9=SpeedItemOpzioni,237,3",
                                   "Button10=SpeedItem1,276,3", "Count=10"}));
}

TEST_F(SpeedBarWindowTest, TheBarMovesToEveryEdgeAndComesBackThereAtTheNextStart) {
    struct Case {
        QPoint (*point)(QSize client);
        TAlign align;
        QSize client;
        QPoint board;
    };
    const Case cases[] = {
        {[](QSize c) { return QPoint(10, c.height() / 2); }, alLeft, {660, 392}, {40, 4}},
        {[](QSize c) { return QPoint(c.width() / 2, c.height() - 10); },
         alBottom,
         {628, 424},
         {8, 4}},
        {[](QSize c) { return QPoint(c.width() - 10, c.height() / 2); },
         alRight,
         {660, 392},
         {8, 4}},
        {[](QSize c) { return QPoint(c.width() / 2, 10); }, alTop, {628, 424}, {8, 36}},
    };
    for (const Case& c : cases) {
        DragBarTo(c.point(Client()->size()));
        ASSERT_EQ(Bar()->Align(), c.align);
        EXPECT_EQ(Client()->size(), c.client) << c.align;
        EXPECT_EQ(FormMain->ChessBoard1->pos(), c.board) << c.align;
        EXPECT_EQ(FormMain->Panel1->pos(), c.board + QPoint(388, 0)) << c.align;
        // Nothing of the board or the panel lies under the bar.
        EXPECT_FALSE(Bar()->geometry().intersects(FormMain->ChessBoard1->geometry()));
        EXPECT_FALSE(Bar()->geometry().intersects(FormMain->Panel1->geometry()));
        Restart();
        EXPECT_EQ(Bar()->Align(), c.align);
        EXPECT_EQ(Client()->size(), c.client) << c.align;
        EXPECT_EQ(FormMain->ChessBoard1->pos(), c.board) << c.align;
        EXPECT_EQ(Bar()->GetOrientation(),
                  c.align == alLeft || c.align == alRight ? boVertical : boHorizontal);
        EXPECT_EQ(OnBar().size(), 10);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SpeedBarWindowTest, DamagedAndHostileSectionsStartCleanly) {
    struct Case {
        const char* name;
        QStringList lines;
        TAlign align;
        QStringList onBar;
    };
    const QStringList all{"SpeedItemSave@29,3",     "SpeedItemOpen@3,3",   "SpeedItemNew@68,3",
                          "SpeedItemGameEdit@94,3", "SpeedItemBack@120,3", "SpeedItemForw@146,3",
                          "SpeedItemNetGame@172,3", "SpeedItemHelp@211,3", "SpeedItemOpzioni@237,3",
                          "SpeedItem1@276,3"};
    const Case cases[] = {
        {"a count far beyond the keys",
         {"Count=2147483647", "Button3=SpeedItemNew,42,3"},
         alTop,
         {"SpeedItemNew@42,3"}},
        {"an edge out of range", {"Position=77"}, alTop, all},
        {"the client edge", {"Position=5", "Width=1"}, alTop, all},
        {"names of other components and nonsense",
         {"Count=4", "Button1=ChessBoard1,3,3", "Button2=FormStorage1", "Button3=,,,",
          "Button4=SpeedItemOpen,abc,-5"},
         alTop,
         {"SpeedItemOpen@3,3"}},
        {"another resolution keeps only the edge",
         {"Position=3", "PixelsPerInch=1", "Count=1", "Button1=SpeedItemOpen,3,3"},
         alLeft,
         {}},
    };
    for (const Case& c : cases) {
        Restart([&] { WriteBarSection(c.lines); });
        EXPECT_EQ(Bar()->Align(), c.align) << c.name;
        QStringList expected = c.onBar;
        if (expected.isEmpty()) {
            // Transposed, every built button stays.
            for (const QString& entry : all) {
                const QStringList parts = entry.split(QRegularExpression("[@,]"));
                expected << parts[0] + "@" + parts[2] + "," + parts[1];
            }
        }
        EXPECT_EQ(OnBar(), expected) << c.name;
        EXPECT_EQ(c.align == alTop ? Bar()->height() : Bar()->width(), 32) << c.name;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SpeedBarWindowTest, TheDialogOpensFromTheMenuAndThePopUpOncePerBar) {
    EXPECT_TRUE(FormMain->Personalizza1->isEnabled());
    EXPECT_TRUE(FormMain->Personalizzatoolbar1->isEnabled());
    EXPECT_EQ(Bar()->PopupMenu(), FormMain->PopupMenuToolbar);
    QPoint shownAt;
    const platform::PopupMenuHook old =
        platform::SetPopupMenuHook([&](platform::TPopupMenu& shown, QPoint at) -> QAction* {
            EXPECT_EQ(&shown, FormMain->PopupMenuToolbar);
            EXPECT_EQ(shown.PopupComponent, Bar());
            shownAt = at;
            return nullptr;
        });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(400, 10),
                           Bar()->mapToGlobal(QPoint(400, 10)));
    QApplication::sendEvent(Bar(), &menu);
    platform::SetPopupMenuHook(old);
    EXPECT_EQ(shownAt, Bar()->mapToGlobal(QPoint(400, 10)));

    FormMain->Personalizzatoolbar1->trigger();
    QPointer<TSpeedbarSetupWindow> setup = SetupWindow();
    ASSERT_TRUE(setup);
    EXPECT_TRUE(setup->isVisible());
    EXPECT_EQ(setup->SpeedBar(), Bar());
    EXPECT_TRUE(Bar()->GetEditing());
    EXPECT_FALSE(setup->HelpBtn->isVisible());
    EXPECT_EQ(setup->windowTitle(), "Customize Speedbar");
    EXPECT_TRUE(setup->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(setup->isModal());
    const QPoint centre = FormMain->screen()->geometry().center();
    EXPECT_LE((setup->geometry().center() - centre).manhattanLength(), 4);
    FormMain->Personalizza1->trigger();
    EXPECT_EQ(SetupWindow(), setup.data());

    // The four categories, then the buttons of one.
    EXPECT_EQ(setup->SectionList->RowCount(), 4);
    EXPECT_EQ(setup->ButtonsList->RowCount(), 2);
    setup->SectionList->SetRow(3);
    EXPECT_EQ(setup->ButtonsList->RowCount(), 8);
    EXPECT_EQ(setup->ItemByRow(0), FormMain->SpeedItemVexlorWrite);
    EXPECT_EQ(setup->ButtonsList->DefaultRowHeight(), 28);

    setup->CloseBtn->click();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(setup.isNull());
    EXPECT_FALSE(Bar()->GetEditing());
}

TEST_F(SpeedBarWindowTest, ButtonsAreDraggedOnAndOffTheBarAndTheLayoutIsBackAtTheNextStart) {
    Activate();
    TSpeedbarSetupWindow* setup = CustomiseZeltor();
    ASSERT_NE(setup, nullptr);
    QWidget* list = setup->ButtonsList->viewport();

    // From the list: the image's top-left corner decides, on the 13-pixel grid.
    const QPoint drop = Bar()->mapToGlobal(QPoint(320, 5)) + QPoint(26, 26);
    Press(list, {10, 5});
    ASSERT_TRUE(setup->Dragging());
    ASSERT_NE(setup->DragImage(), nullptr);
    Move(list, list->mapFromGlobal(drop));
    EXPECT_TRUE(setup->DragImage()->isVisible());
    EXPECT_EQ(setup->DragImage()->geometry().topLeft(), drop - QPoint(26, 26));
    Release(list, list->mapFromGlobal(drop));
    EXPECT_FALSE(setup->Dragging());
    EXPECT_TRUE(FormMain->SpeedItemVexlorWrite->Visible());
    EXPECT_EQ(QPoint(FormMain->SpeedItemVexlorWrite->Left(), FormMain->SpeedItemVexlorWrite->Top()),
              QPoint(315, 3));

    // An item already on the bar cannot be dropped again: the cursor says so.
    setup->SectionList->SetRow(2);
    Press(list, {10, 5});
    EXPECT_TRUE(setup->Dragging());
    EXPECT_EQ(setup->DragItem(), nullptr);
    Move(list, {30, 30});
    EXPECT_EQ(list->cursor().shape(), Qt::ForbiddenCursor);
    Release(list, {30, 30});
    EXPECT_NE(list->cursor().shape(), Qt::ForbiddenCursor);

    // Off the bar: the help button is hidden.
    TSpeedbarButton* help = FormMain->SpeedItemHelp->Button();
    const QPoint corner(26, 26);
    Press(help, corner);
    Release(help, help->mapFrom(Client(), QPoint(300, 200)) + corner);
    EXPECT_FALSE(FormMain->SpeedItemHelp->Visible());
    EXPECT_FALSE(help->isVisible());
    // And the open button moves along the bar.
    TSpeedbarButton* open = FormMain->SpeedItemOpen->Button();
    Press(open, corner);
    Release(open, open->mapFrom(Bar(), QPoint(340, 3)) + corner);
    EXPECT_EQ(FormMain->SpeedItemOpen->Left(), 341);

    setup->close();
    Restart();
    EXPECT_TRUE(FormMain->SpeedItemVexlorWrite->Visible());
    EXPECT_EQ(FormMain->SpeedItemVexlorWrite->Left(), 315);
    EXPECT_FALSE(FormMain->SpeedItemHelp->Visible());
    EXPECT_EQ(FormMain->SpeedItemOpen->Left(), 341);
    EXPECT_TRUE(FormMain->SpeedItemVexlorWrite->Button()->isVisible());
}

TEST_F(SpeedBarWindowTest, CommandStatesHoldWhileCustomisingAndApplyAfterwards) {
    FormMain->Editboard1->trigger();
    EXPECT_FALSE(FormMain->SpeedItemNew->Button()->isEnabled());
    FormMain->Personalizza1->trigger();
    TSpeedbarSetupWindow* setup = SetupWindow();
    ASSERT_NE(setup, nullptr);
    // Every button can be dragged meanwhile, and none runs its command.
    EXPECT_TRUE(FormMain->SpeedItemNew->Button()->isEnabled());
    int boxesBefore = int(boxes.size());
    QTest::mouseClick(FormMain->SpeedItemNew->Button(), Qt::LeftButton, {}, QPoint(26, 26));
    EXPECT_EQ(int(boxes.size()), boxesBefore);
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageEdit);
    // The rules still decide, and show once customising ends.
    FormMain->Done1->trigger();
    EXPECT_TRUE(FormMain->SpeedItemNew->Enabled());
    FormMain->Editboard1->trigger();
    EXPECT_FALSE(FormMain->SpeedItemNew->Enabled());
    setup->close();
    EXPECT_FALSE(FormMain->SpeedItemNew->Button()->isEnabled());
    EXPECT_FALSE(FormMain->SpeedItemSave->Button()->isEnabled());
    EXPECT_TRUE(FormMain->SpeedItemHelp->Button()->isEnabled());
    FormMain->Done1->trigger();
    EXPECT_TRUE(FormMain->SpeedItemNew->Button()->isEnabled());
}

TEST_F(SpeedBarWindowTest, ClosingTheMainWindowUnderTheDialogWritesTheBarAndEndsTheProgram) {
    FormMain->Personalizza1->trigger();
    QPointer<TSpeedbarSetupWindow> setup = SetupWindow();
    ASSERT_TRUE(setup);
    EXPECT_FALSE(setup->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(setup->parentWidget(), FormMain);
    FormMain->SpeedItemOpzioni->SetVisible(false);
    FormMain->close();
    EXPECT_TRUE(Keys().contains("Count=9"));
    DestroyWindows();
    EXPECT_TRUE(setup.isNull());
    CreateWindows();
    FormMain->show();
    EXPECT_FALSE(FormMain->SpeedItemOpzioni->Visible());
}

TEST_F(SpeedBarWindowTest, ABarCustomisedAtTheLeftEdgeKeepsItsButtonsAtTheBottomAndAfterARestart) {
    DragBarTo(QPoint(10, Client()->height() / 2));
    ASSERT_EQ(Bar()->Align(), alLeft);
    EXPECT_EQ(Bar()->geometry(), QRect(0, 0, 32, 392));
    EXPECT_EQ(Bar()->GridSize(), QPoint(26, 13));
    EXPECT_TRUE(OnBar().contains("SpeedItemSave@3,29"));
    TSpeedbarSetupWindow* setup = CustomiseZeltor();
    ASSERT_NE(setup, nullptr);
    QWidget* list = setup->ButtonsList->viewport();
    // Down the bar the grid is 13 pixels and across it a whole button.
    const QPoint drop = Bar()->mapToGlobal(QPoint(5, 320)) + QPoint(26, 26);
    Press(list, {10, 5});
    Move(list, list->mapFromGlobal(drop));
    Release(list, list->mapFromGlobal(drop));
    EXPECT_TRUE(OnBar().contains("SpeedItemVexlorWrite@3,315"));
    TSpeedbarButton* open = FormMain->SpeedItemOpen->Button();
    const QPoint corner(26, 26);
    Press(open, corner);
    Release(open, open->mapFrom(Bar(), QPoint(3, 340)) + corner);
    EXPECT_TRUE(OnBar().contains("SpeedItemOpen@3,341"));

    // Moved while customising: the places turn with the bar.
    DragBarTo(QPoint(Client()->width() / 2, Client()->height() - 10));
    ASSERT_EQ(Bar()->Align(), alBottom);
    EXPECT_TRUE(Bar()->GetEditing());
    EXPECT_EQ(Bar()->geometry(), QRect(0, 392, 628, 32));
    EXPECT_EQ(FormMain->ChessBoard1->pos(), QPoint(8, 4));
    const QStringList places = OnBar();
    EXPECT_TRUE(places.contains("SpeedItemVexlorWrite@315,3"));
    EXPECT_TRUE(places.contains("SpeedItemOpen@341,3"));
    setup->close();
    Restart();
    EXPECT_EQ(Bar()->Align(), alBottom);
    EXPECT_EQ(OnBar(), places);
    EXPECT_TRUE(Keys().contains("Count=11"));
}
