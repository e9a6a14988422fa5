#include "controls/KxDrawGrid.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "storage/StoredForm.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// A window with a settings store and a grid whose column widths it keeps.
class TFormGrid : public QWidget {
    Q_OBJECT
public:
    explicit TFormGrid(const QString& iniFile) {
        FormStorage1->SetIniFileName(iniFile);
        FormStorage1->SetIniSection("Griglia");
        FormStorage1->SetOptions({});
        Grid1->setObjectName("Grid1");
        Grid1->SetIniStorage(FormStorage1);
        Grid1->SetColCount(3);
    }
    TFormPlacement* FormStorage1 = new TFormStorage(this);
    TKxDrawGrid* Grid1 = new TKxDrawGrid(this);
};

namespace {

class KxDrawGridTest : public ::testing::Test {
protected:
    QWidget form;
    TKxDrawGrid* grid = new TKxDrawGrid(&form);
    QHash<QPoint, QString> cells;
    int beeps = 0;
    platform::BeepHook oldBeep = platform::SetBeepHook([this](int) { ++beeps; });

    KxDrawGridTest() {
        form.resize(400, 300);
        grid->setGeometry(0, 0, 400, 300);
        grid->SetColCount(4);
        grid->SetRowCount(30);
        grid->OnGetEditText = [this](QObject*, int c, int r, QString& v) {
            v = cells.value(QPoint(c, r));
        };
        grid->OnSetEditText = [this](QObject*, int c, int r, const QString& v) {
            cells[QPoint(c, r)] = v;
        };
        form.show();
        grid->setFocus();
    }
    ~KxDrawGridTest() override { platform::SetBeepHook(oldBeep); }

    QWidget* viewport() const { return grid->viewport(); }
    QPoint centre(int c, int r) const { return grid->CellRect(c, r).center(); }
    TKxInplaceEdit* editor() const { return static_cast<TKxInplaceEdit*>(grid->InplaceEditor()); }

    void editCell(int c, int r) {
        grid->SetOptions(grid->Options() | goEditing);
        grid->SetCol(c);
        grid->SetRow(r);
        grid->ShowEditor();
        ASSERT_TRUE(editor() && editor()->isVisible());
    }
};

TEST_F(KxDrawGridTest, DefaultsReadAsTheLibrarySaysThem) {
    EXPECT_EQ(int(grid->Options()), 175);
    EXPECT_EQ(grid->Options(), goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine |
                                   goDrawFocusSelected | goColSizing);
    EXPECT_EQ(grid->DefaultRowHeight(), 18);
    EXPECT_FALSE(grid->FixedButtons());
}

TEST_F(KxDrawGridTest, CellsAndPointsMapBothWays) {
    EXPECT_EQ(grid->CellRect(0, 0), QRect(0, 0, 64, 18));
    EXPECT_EQ(grid->CellRect(2, 1), QRect(130, 19, 64, 18));
    int c = 0;
    int r = 0;
    grid->MouseToCell(140, 40, c, r);
    EXPECT_EQ(QPoint(c, r), QPoint(2, 2));
    grid->MouseToCell(399, 5, c, r);
    EXPECT_EQ(QPoint(c, r), QPoint(-1, -1)) << "right of the last column";
    grid->SetTopRow(10);
    EXPECT_EQ(grid->CellRect(2, 5), QRect()) << "scrolled out";
    grid->MouseToCell(10, 30, c, r);
    EXPECT_EQ(QPoint(c, r), QPoint(0, 10));
    EXPECT_EQ(grid->CellRect(2, 10), QRect(130, 19, 64, 18));
    EXPECT_EQ(grid->verticalScrollBar()->value(), 9);
    grid->SetFixedCols(0);
    EXPECT_EQ(grid->CellRect(0, 10), QRect(0, 19, 64, 18)) << "the first column comes into view";
    EXPECT_EQ(grid->Col(), 0);
}

TEST_F(KxDrawGridTest, KeysMoveTheCurrentCellAndScrollItIntoView) {
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(QPoint(grid->Col(), grid->Row()), QPoint(2, 2));
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 29);
    EXPECT_FALSE(grid->CellRect(2, 29).isEmpty());
    EXPECT_GT(grid->TopRow(), 1);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->TopRow(), 1);
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->Col(), 1) << "never onto the fixed column";

    bool refuse = true;
    grid->OnSelectCell = [&](QObject*, int, int, bool& can) { can = !refuse; };
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 1);
}

TEST_F(KxDrawGridTest, ColumnSizingByMouseFiresOneSizingEvent) {
    int sized = 0;
    grid->OnColumnSized = [&](QObject*) { ++sized; };
    const int line = grid->CellRect(1, 0).right() + 1;
    QTest::mousePress(viewport(), Qt::LeftButton, {}, QPoint(line, 5));
    QTest::mouseMove(viewport(), QPoint(line + 30, 5));
    EXPECT_EQ(grid->ColWidths(1), 64) << "applied on release";
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, QPoint(line + 30, 5));
    EXPECT_EQ(grid->ColWidths(1), 94);
    EXPECT_EQ(sized, 1);
    int rowsSized = 0;
    grid->OnRowSized = [&](QObject*) { ++rowsSized; };
    grid->SetRowHeights(3, 40);
    EXPECT_EQ(rowsSized, 1);
}

TEST_F(KxDrawGridTest, FixedCellsActAsButtons) {
    grid->SetFixedButtons(true);
    QList<QPoint> clicks;
    grid->OnFixedCellClick = [&](QObject*, int c, int r) { clicks.append(QPoint(c, r)); };
    QTest::mousePress(viewport(), Qt::LeftButton, {}, centre(2, 0));
    EXPECT_TRUE(grid->FixedCellPressed());
    QTest::mouseMove(viewport(), centre(3, 0));
    EXPECT_FALSE(grid->FixedCellPressed()) << "off the pressed cell";
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centre(3, 0));
    EXPECT_TRUE(clicks.isEmpty()) << "released outside the pressed cell";

    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centre(0, 4));
    EXPECT_EQ(clicks, QList<QPoint>({QPoint(0, 4)}));

    grid->OnCheckButton = [](QObject*, int c, int, bool& enabled) { enabled = c != 2; };
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centre(2, 0));
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(beeps, 1) << "a disabled button beeps";

    grid->SetFixedButtons(false);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centre(3, 0));
    EXPECT_EQ(clicks.size(), 1);
}

TEST_F(KxDrawGridTest, EscCancelsAnEditAndEnterKeepsIt) {
    cells[QPoint(1, 1)] = "uno";
    int cancels = 0;
    int changes = 0;
    grid->OnCancelEdit = [&](QObject*) { ++cancels; };
    grid->OnEditChange = [&](QObject*) { ++changes; };
    editCell(1, 1);
    EXPECT_EQ(editor()->text(), "uno");
    EXPECT_EQ(changes, 0) << "loading the editor is no change";
    editor()->setText("due");
    EXPECT_EQ(changes, 1);
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_FALSE(editor()->isVisible());
    EXPECT_EQ(cells[QPoint(1, 1)], "uno");
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(grid->EditorMode());

    editCell(1, 1);
    editor()->setText("tre");
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(cells[QPoint(1, 1)], "tre");
    EXPECT_EQ(cancels, 1);
}

TEST_F(KxDrawGridTest, PerCellQuestionsShapeTheEditor) {
    grid->OnShowEditor = [](QObject*, int c, int, bool& allow) { allow = c != 3; };
    grid->OnGetEditAlign = [](QObject*, int, int, TAlignment& a) { a = taRightJustify; };
    grid->OnGetEditLimit = [](QObject*, int& limit) { limit = 5; };
    grid->OnAcceptEditKey = [](QObject*, QChar& key) { return key.isDigit(); };
    editCell(2, 1);
    EXPECT_EQ(editor()->Alignment(), taRightJustify);
    EXPECT_EQ(editor()->maxLength(), 5);
    editor()->clear();
    QTest::keyClicks(editor(), "1a2b3");
    EXPECT_EQ(editor()->text(), "123");
    grid->HideEditor();
    grid->SetCol(3);
    grid->ShowEditor();
    EXPECT_FALSE(editor()->isVisible()) << "refused by OnShowEditor";
}

TEST_F(KxDrawGridTest, TheEllipsisButtonClicksOnReleaseOverIt) {
    int clicks = 0;
    grid->OnGetEditStyle = [](QObject*, int, int, TEditStyle& s) { s = esEllipsis; };
    grid->OnEditButtonClick = [&](QObject*) { ++clicks; };
    editCell(1, 1);
    EXPECT_EQ(editor()->EditStyle(), esEllipsis);
    const QPoint button(editor()->width() - 3, editor()->height() / 2);
    QTest::mousePress(editor(), Qt::LeftButton, {}, button);
    EXPECT_TRUE(editor()->Pressed());
    QTest::mouseRelease(editor(), Qt::LeftButton, {}, button);
    EXPECT_EQ(clicks, 1);
    QTest::mousePress(editor(), Qt::LeftButton, {}, button);
    QTest::mouseMove(editor(), QPoint(2, 2));
    QTest::mouseRelease(editor(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(clicks, 1) << "released off the button";
}

class PickListTest : public KxDrawGridTest {
protected:
    QStringList items;
    std::int64_t now = 100000;

    PickListTest() {
        grid->OnGetEditStyle = [](QObject*, int c, int, TEditStyle& s) {
            s = c == 1 ? esPickList : esSimple;
        };
        grid->OnGetPicklist = [this](QObject*, int, int, QStringList& list) { list = items; };
    }

    TPopupListbox* open() {
        editCell(1, 1);
        QTest::keyClick(editor(), Qt::Key_Down, Qt::AltModifier);
        TPopupListbox* list = editor()->ActiveList();
        list->Clock = [this] { return now; };
        return list;
    }
};

TEST_F(PickListTest, TheListIsAsHighAsItsItemsUpToEight) {
    items = {"alfa", "beta", "gamma"};
    TPopupListbox* list = open();
    ASSERT_TRUE(list->isVisible());
    EXPECT_TRUE(editor()->ListVisible());
    EXPECT_EQ(list->height(), 3 * list->ItemHeight() + 4);
    EXPECT_GE(list->ItemHeight(), list->fontMetrics().height());
    EXPECT_FALSE(list->verticalScrollBar()->isVisible());
    EXPECT_EQ(list->width(), editor()->width());
    EXPECT_EQ(list->pos(), editor()->mapToGlobal(QPoint(0, editor()->height())));
    EXPECT_EQ(form.focusWidget(), editor()) << "the editor keeps the keyboard";
    EXPECT_FALSE(list->isActiveWindow());
    editor()->CloseUp(false);

    for (int i = 0; i < 20; ++i)
        items.append(QString("voce %1").arg(i));
    open();
    EXPECT_EQ(list->height(), 8 * list->ItemHeight() + 4);
    EXPECT_EQ(list->width(),
              editor()->width() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    editor()->CloseUp(false);

    items.clear();
    open();
    EXPECT_EQ(list->height(), 4);
}

TEST_F(PickListTest, EnterAcceptsEscClosesAndTheListStartsAtTheText) {
    items = {"alfa", "beta", "gamma"};
    cells[QPoint(1, 1)] = "beta";
    TPopupListbox* list = open();
    EXPECT_EQ(list->currentRow(), 1);
    QTest::keyClick(editor(), Qt::Key_Down);
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(editor()->text(), "gamma");
    EXPECT_TRUE(editor()->isVisible()) << "Enter closing the list is consumed";

    open();
    QTest::keyClick(editor(), Qt::Key_Up);
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(editor()->text(), "gamma");

    open();
    QTest::keyClick(editor(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(editor()->text(), "gamma");
}

TEST_F(PickListTest, TypedLettersSearchIgnoringCaseWithinFourSeconds) {
    items = {"Alfa", "Beta", "Bianco", "Bravo", "Nero"};
    TPopupListbox* list = open();
    QTest::keyClick(editor(), Qt::Key_B);
    EXPECT_EQ(list->currentRow(), 1);
    now += 4000;
    QTest::keyClick(editor(), Qt::Key_I);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(list->SearchText(), "bi");
    now += 4001;
    QTest::keyClick(editor(), Qt::Key_N);
    EXPECT_EQ(list->currentRow(), 4) << "a new search";
    QTest::keyClick(editor(), Qt::Key_Backspace);
    EXPECT_TRUE(list->SearchText().isEmpty());
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(editor(), Qt::Key_X);
    EXPECT_EQ(list->SearchText().size(), 32);
}

TEST_F(PickListTest, AClickInTheListAcceptsAndLosingTheFocusCloses) {
    items = {"alfa", "beta", "gamma"};
    TPopupListbox* list = open();
    const QRect second = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(editor()->text(), "beta");

    open();
    grid->HideEditor();
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(cells[QPoint(1, 1)], "beta");
}

TEST(StringGrid, EditsGoToTheCellsAndTheHeightIsAStoredProperty) {
    TStringGrid grid;
    grid.resize(300, 200);
    grid.show();
    grid.SetOptions(grid.Options() | goEditing);
    grid.SetCells(1, 1, "a");
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F2);
    ASSERT_TRUE(grid.EditorMode());
    grid.InplaceEditor()->setText("b");
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(grid.Cells(1, 1), "b") << "moving away stores the text";
    EXPECT_EQ(grid.Row(), 2);
    QTest::keyClick(&grid, Qt::Key_X);
    EXPECT_TRUE(grid.InplaceEditor()->isVisible()) << "typing starts an edit";
    EXPECT_EQ(grid.InplaceEditor()->text(), "x");
    grid.HideEditor();
    EXPECT_EQ(grid.Cells(1, 2), "x");

    EXPECT_TRUE(grid.setProperty("Height", 123));
    EXPECT_EQ(grid.height(), 123);
}

TEST(GridLayout, ColumnWidthsGoThroughTheSettingsStore) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Quendel.ini");
    {
        TStoredForm<TFormGrid> w(path);
        w.show();
        w.Grid1->SetColWidths(0, 11);
        w.Grid1->SetColWidths(2, 33);
        w.FormStorage1->SaveFormPlacement();
    }
    TIniFile ini(path);
    const QString section = "Griglia\\TFormGridGrid1";
    EXPECT_EQ(ini.ReadString(section, "Item0", ""), "11");
    EXPECT_EQ(ini.ReadString(section, "Item1", ""), "64");
    EXPECT_EQ(ini.ReadString(section, "Item2", ""), "33");

    ini.WriteString(section, "Item0", "40000");
    ini.WriteString(section, "Item1", "-3");
    ini.WriteString(section, "Item2", "abc");
    ini.WriteString(section, "Item3", "50");
    TStoredForm<TFormGrid> w(path);
    w.Grid1->SetColCount(5);
    w.Grid1->SetColWidths(0, 20);
    w.FormStorage1->RestoreFormPlacement();
    EXPECT_EQ(w.Grid1->ColWidths(0), 20) << "beyond 32767";
    EXPECT_EQ(w.Grid1->ColWidths(1), 64) << "negative";
    EXPECT_EQ(w.Grid1->ColWidths(2), 64) << "not a number";
    EXPECT_EQ(w.Grid1->ColWidths(3), 50);
    EXPECT_EQ(w.Grid1->ColWidths(4), 64) << "no key keeps the width";

    w.Grid1->setObjectName("");
    w.Grid1->SetColWidths(3, 7);
    w.FormStorage1->SaveFormPlacement();
    EXPECT_EQ(ini.ReadString(section, "Item3", ""), "50") << "a grid without a name stores nothing";
}

TEST(GridLayout, TheNamedFileKeepsTheDefaultSection) {
    QTemporaryDir dir;
    const QString path = dir.filePath("layout.ini");
    TFormGrid form(path);
    form.Grid1->SetColWidths(1, 99);
    SaveGridLayout(form.Grid1, path);
    EXPECT_EQ(TIniFile(path).ReadString("TFormGridGrid1", "Item1", ""), "99");
    form.Grid1->SetColWidths(1, 5);
    RestoreGridLayout(form.Grid1, path);
    EXPECT_EQ(form.Grid1->ColWidths(1), 99);
}

} // namespace

#include "KxDrawGridTest.moc"
