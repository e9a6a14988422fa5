#include "controls/KXCtrlsLists.h"
#include "ControlsTestUtil.h"
#include "platform/IniFile.h"
#include "platform/Panel.h"
#include "platform/Registry.h"
#include "storage/StoredForm.h"

#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// A window whose store keeps the states of its check list box.
class TFormOptions : public QWidget {
    Q_OBJECT
public:
    explicit TFormOptions(const QString& iniFile) {
        FormStorage1->SetIniFileName(iniFile);
        FormStorage1->SetIniSection("Opzioni");
        FormStorage1->SetOptions({});
        CheckList1->setObjectName("CheckList1");
        CheckList1->SetIniStorage(FormStorage1);
        CheckList1->Items()->Assign({"uno", "due", "tre", "quattro"});
    }
    TFormStorage* FormStorage1 = new TFormStorage(this);
    TKxCheckListBox* CheckList1 = new TKxCheckListBox(this);
};

namespace {

class ListBoxTest : public ::testing::Test {
protected:
    QWidget form;
    TKxCustomListBox* list = new TKxCustomListBox(&form);
    int clicks = 0;

    ListBoxTest() {
        list->setGeometry(0, 0, 200, 100);
        list->SetItemHeight(16);
        list->OnClick = [this](QObject*) { ++clicks; };
        for (int i = 0; i < 20; ++i)
            list->Items()->Add(QString("riga %1").arg(i));
        form.show();
    }
    QWidget* viewport() const { return list->viewport(); }
};

TEST_F(ListBoxTest, ItemsAtPointsAndTheirRectangles) {
    EXPECT_EQ(list->ItemAtPos(QPoint(5, 0), true), 0);
    EXPECT_EQ(list->ItemAtPos(QPoint(5, 33), true), 2);
    EXPECT_EQ(list->ItemAtPos(QPoint(-1, 5), false), -1) << "outside the client area";
    list->SetTopIndex(3);
    EXPECT_EQ(list->ItemAtPos(QPoint(5, 17), true), 4);
    EXPECT_EQ(list->ItemRect(4).top(), 16);
    EXPECT_EQ(list->ItemRect(4).height(), 16);
    list->Items()->Assign({"a", "b"});
    EXPECT_EQ(list->ItemAtPos(QPoint(5, 50), true), -1) << "past the last, existing only";
    EXPECT_EQ(list->ItemAtPos(QPoint(5, 50), false), 2);
    EXPECT_EQ(list->ItemRect(2).top(), 32) << "the count's rectangle is below the last";
    EXPECT_TRUE(list->ItemRect(3).isEmpty());
    EXPECT_THROW(list->Items()->Strings(2), EStringListError);
    try {
        list->Items()->Delete(5);
    } catch (const EStringListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (5)");
    }
}

TEST_F(ListBoxTest, TheHorizontalExtentFollowsTheWidestItem) {
    EXPECT_EQ(list->HorizontalExtent(), 0) << "not kept without AutoScroll";
    list->SetAutoScroll(true);
    const QFontMetrics metrics(list->font());
    const QString wide = "una riga molto, molto piu' larga delle altre";
    list->Items()->Add(wide);
    EXPECT_EQ(list->HorizontalExtent(), metrics.horizontalAdvance(wide + "x"));
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
    list->horizontalScrollBar()->setValue(30);
    list->Items()->Delete(list->Items()->IndexOf(wide));
    EXPECT_EQ(list->HorizontalExtent(), metrics.horizontalAdvance("riga 10x"));
    EXPECT_EQ(list->horizontalScrollBar()->value(), 0);

    list->SetOnGetItemWidth([](TKxCustomListBox*, int, int& w) { w = 500; });
    EXPECT_EQ(list->HorizontalExtent(), metrics.horizontalAdvance("riga 10x"))
        << "the event counts only for owner drawing with OnDrawItem";
    list->SetStyle(lbOwnerDrawFixed);
    list->SetOnDrawItem([](TKxCustomListBox*, int, const QRect&, TOwnerDrawState) {});
    EXPECT_EQ(list->HorizontalExtent(), 500);
    list->Clear();
    EXPECT_EQ(list->HorizontalExtent(), 0);

    TTextListBox text(&form);
    text.Items()->Add("abc");
    EXPECT_EQ(text.HorizontalExtent(), metrics.horizontalAdvance("abcx"));
}

TEST_F(ListBoxTest, ColumnsShareTheWidthAndNoColumnsDividesNothing) {
    EXPECT_EQ(list->Columns(), 0);
    EXPECT_EQ(list->ColumnWidth(), list->viewport()->width());
    list->SetColumns(2);
    EXPECT_EQ(list->ColumnWidth(), (200 + 2 - 3) / 2);
    const int rows = list->viewport()->height() / 16;
    EXPECT_EQ(list->ItemRect(rows).topLeft(), QPoint(list->ColumnWidth(), 0));
    EXPECT_EQ(list->ItemAtPos(QPoint(list->ColumnWidth() + 3, 20), true), rows + 1);
}

TEST_F(ListBoxTest, SelectionModes) {
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(5, 20));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->SelCount(), -1);
    list->SetSelected(1, false);
    EXPECT_EQ(list->ItemIndex(), -1);
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->ItemIndex(), 19);
    EXPECT_EQ(list->TopIndex(), 19 - viewport()->height() / 16 + 1);

    list->SetTopIndex(0);
    list->SetMultiSelect(true);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(5, 4));
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 36));
    EXPECT_EQ(list->SelCount(), 3);
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(5, 20));
    EXPECT_EQ(list->SelCount(), 2);
    EXPECT_FALSE(list->Selected(1));
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(5, 52));
    EXPECT_EQ(list->SelCount(), 1);
    list->SetExtendedSelect(false);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(5, 4));
    EXPECT_EQ(list->SelCount(), 2) << "a plain click toggles without extended selection";
    EXPECT_THROW(list->SetSelected(99, true), EStringListError);
}

TEST_F(ListBoxTest, AGraySelectionWithoutFocusIsButtonFace) {
    QLineEdit other(&form);
    other.show();
    list->SetItemIndex(0);
    list->SetGraySelection(true);
    other.setFocus();
    const QColor face = platform::ToQColor(platform::clBtnFace);
    const QImage unfocused = viewport()->grab().toImage();
    EXPECT_EQ(unfocused.pixelColor(150, 8), face);
    list->SetGraySelection(false);
    EXPECT_EQ(viewport()->grab().toImage().pixelColor(150, 8),
              platform::ToQColor(platform::clHighlight));
}

// Owner drawing that fills each item with one of three colours.
const QColor itemColours[] = {Qt::red, Qt::green, Qt::blue};
void FillItems(TKxCustomListBox* list) {
    list->SetOnDrawItem(
        [](TKxCustomListBox* control, int index, const QRect& rect, TOwnerDrawState) {
            control->Canvas()->fillRect(rect, itemColours[index % 3]);
        });
}
// Heights 10, 20, 30, 10...
void MeasureByThree(TKxCustomListBox*, int index, int& height) {
    height = 10 * (1 + index % 3);
}

TEST_F(ListBoxTest, VariableHeightsAreMeasuredAndDrawnByThem) {
    QList<int> starts;
    list->OnMeasureItem = [&](TKxCustomListBox* control, int index, int& height) {
        starts << height;
        MeasureByThree(control, index, height);
    };
    FillItems(list);
    list->SetStyle(lbOwnerDrawFixed);
    EXPECT_TRUE(starts.isEmpty()) << "fixed heights ask nothing";
    list->SetStyle(lbOwnerDrawVariable);
    ASSERT_EQ(starts.size(), 20);
    EXPECT_EQ(starts.front(), 16) << "the stored height is the start";
    const QImage image = viewport()->grab().toImage();
    for (const auto& [y, item] : {std::pair{0, 0},
                                  {9, 0},
                                  {10, 1},
                                  {29, 1},
                                  {30, 2},
                                  {59, 2},
                                  {60, 3},
                                  {69, 3},
                                  {70, 4},
                                  {89, 4}}) {
        EXPECT_EQ(image.pixelColor(5, y), itemColours[item % 3]) << "row " << y;
        EXPECT_EQ(list->ItemAtPos(QPoint(5, y), true), item) << "row " << y;
    }
    // Scrolled down by one: the rows belong to the items below the new top.
    list->SetTopIndex(1);
    for (const auto& [y, item] : {std::pair{0, 1}, {19, 1}, {20, 2}, {49, 2}, {50, 3}, {59, 3}})
        EXPECT_EQ(list->ItemAtPos(QPoint(5, y), true), item) << "row " << y << " from the top";
    list->SetTopIndex(0);
    EXPECT_EQ(list->ItemRect(2), QRect(0, 30, viewport()->width(), 30));

    list->SetItemIndex(19);
    const int top = list->TopIndex();
    EXPECT_LE(list->ItemRect(19).bottom(), viewport()->height() - 1) << "the last shows whole";
    EXPECT_GT(list->ItemRect(19).bottom() + 1 - list->ItemRect(top - 1).top(), viewport()->height())
        << "and the one above the top would not fit";
    EXPECT_EQ(list->verticalScrollBar()->maximum(), top);
    list->Items()->Insert(0, "nuova");
    EXPECT_EQ(starts.size(), 21) << "a new item is measured";
}

TEST_F(ListBoxTest, AnIntegralHeightShowsWholeItems) {
    list->SetStyle(lbOwnerDrawFixed);
    FillItems(list);
    list->resize(200, 101);
    const int frame = list->height() - viewport()->height();
    ASSERT_NE(viewport()->height() % 16, 0) << "the box starts with a cut item";
    list->SetIntegralHeight(true);
    ASSERT_EQ(viewport()->height() % 16, 0);
    EXPECT_EQ(list->height(), frame + viewport()->height());
    const int rows = viewport()->height() / 16;
    const QImage image = viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(5, image.height() - 1), itemColours[(rows - 1) % 3]);
    EXPECT_EQ(image.pixelColor(5, image.height() - 16), itemColours[(rows - 1) % 3]);
    EXPECT_EQ(image.pixelColor(5, image.height() - 17), itemColours[(rows - 2) % 3]);
    list->resize(200, 170);
    EXPECT_EQ(viewport()->height() % 16, 0);
    EXPECT_GT(list->height(), 170 - 16);

    list->OnMeasureItem = MeasureByThree;
    list->SetStyle(lbOwnerDrawVariable);
    const int bottom = viewport()->height() - 1;
    EXPECT_EQ(list->ItemRect(list->ItemAtPos(QPoint(5, bottom), true)).bottom(), bottom)
        << "the last row shown ends an item";
    EXPECT_NE(viewport()->grab().toImage().pixelColor(5, bottom), QColor(Qt::white));
    list->SetIntegralHeight(false);
    list->resize(200, 170);
    EXPECT_EQ(list->height(), 170);

    TKxCustomListBox hidden(&form);
    hidden.setGeometry(0, 0, 150, 100);
    hidden.SetIntegralHeight(true);
    hidden.Items()->Assign({"uno", "due", "tre", "quattro", "cinque", "sei", "sette"});
    hidden.show();
    EXPECT_EQ(hidden.viewport()->height() % 16, 0) << "a box shown later is cut when shown";
    EXPECT_GT(hidden.height(), 100 - 16);
}

class CheckListTest : public ::testing::Test {
protected:
    QWidget form;
    TKxCheckListBox* list = new TKxCheckListBox(&form);
    QStringList events;

    CheckListTest() {
        list->setGeometry(0, 0, 200, 120);
        list->Items()->Assign({"uno", "due", "tre"});
        list->OnStateChange = [this](QObject*, int i) { events << QString("state %1").arg(i); };
        list->OnClickCheck = [this](QObject*) { events << "click"; };
        form.show();
        list->setFocus();
    }
    QPoint check(int index) const {
        const QRect r = list->ItemRect(index);
        return {r.left() + list->CheckWidth() / 2, r.center().y()};
    }
};

TEST(CheckListLook, TheBorderByItsStyleAndTheLookItFollows) {
    platform::TCustomPanel parent;
    auto* list = new TKxCheckListBox(&parent);
    list->setGeometry(0, 0, 100, 60);
    list->SetColor(platform::clYellow);
    parent.show();
    EXPECT_EQ(list->BorderStyle(), TKxCustomListBox::bsSingle);
    EXPECT_TRUE(list->Ctl3D());
    EXPECT_TRUE(list->ParentCtl3D());
    const auto border = [&](QRect viewport, std::vector<TColor> top, std::vector<TColor> bottom) {
        EXPECT_EQ(list->viewport()->geometry(), viewport);
        const QImage shot = Shot(*list);
        for (int i = 0; i < int(top.size()); ++i) {
            EXPECT_EQ(PixelAt(shot, 50, i), Plain(top[size_t(i)])) << "row " << i;
            EXPECT_EQ(PixelAt(shot, i, 30), Plain(top[size_t(i)])) << "column " << i;
            EXPECT_EQ(PixelAt(shot, 50, 59 - i), Plain(bottom[size_t(i)])) << "row -" << i;
            EXPECT_EQ(PixelAt(shot, 99 - i, 30), Plain(bottom[size_t(i)])) << "column -" << i;
        }
    };
    using namespace platform;
    border(QRect(2, 2, 96, 56), {clBtnShadow, cl3DDkShadow, clYellow},
           {clBtnHighlight, cl3DLight, clYellow});

    parent.SetCtl3D(false);
    EXPECT_FALSE(list->Ctl3D());
    EXPECT_TRUE(list->ParentCtl3D());
    border(QRect(1, 1, 98, 58), {clWindowFrame, clYellow}, {clWindowFrame, clYellow});

    list->SetBorderStyle(TKxCustomListBox::bsNone);
    border(QRect(0, 0, 100, 60), {clYellow}, {clYellow});

    list->SetBorderStyle(TKxCustomListBox::bsSingle);
    list->SetCtl3D(true);
    parent.SetCtl3D(true);
    parent.SetCtl3D(false);
    EXPECT_TRUE(list->Ctl3D()) << "its own look stays";
    border(QRect(2, 2, 96, 56), {clBtnShadow, cl3DDkShadow}, {clBtnHighlight, cl3DLight});
}

TEST_F(CheckListTest, TheSharedPictureHasSixByThreeCells) {
    const QImage& images = TKxCheckListBox::CheckImages();
    EXPECT_EQ(&images, &TKxCheckListBox::CheckImages()) << "drawn once";
    EXPECT_EQ(list->CheckWidth() * 6, images.width());
    EXPECT_EQ(list->CheckHeight() * 3, images.height());
    EXPECT_GE(list->ItemHeight(), list->CheckHeight());
    EXPECT_TRUE(list->AutoScroll());
}

TEST_F(CheckListTest, MouseAndKeysToggleInOrder) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, check(1));
    EXPECT_EQ(list->State(1), cbChecked);
    EXPECT_EQ(events, QStringList({"state 1", "click"}));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->ItemRect(2).center());
    EXPECT_EQ(list->State(2), cbUnchecked) << "a press on the text only selects";
    EXPECT_EQ(list->ItemIndex(), 2);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(list->State(2), cbChecked);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(list->State(2), cbUnchecked);
    list->SetItemEnabled(0, false);
    QTest::keyClicks(list, "+");
    EXPECT_EQ(list->State(0), cbUnchecked) << "disabled items keep their state";
    EXPECT_EQ(list->State(2), cbChecked);
    QTest::keyClicks(list, "-");
    EXPECT_FALSE(list->Checked(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, check(0));
    EXPECT_EQ(list->State(0), cbUnchecked);
}

TEST_F(CheckListTest, GrayIsReachedOnlyWhenAllowedAndNeverInRadioMode) {
    list->SetAllowGrayed(true);
    list->SetItemIndex(0);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(list->State(0), cbGrayed);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(list->State(0), cbChecked);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(list->State(0), cbUnchecked);
    list->SetCheckKind(ckRadioButtons);
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, check(1));
        EXPECT_NE(list->State(1), cbGrayed);
    }
}

TEST_F(CheckListTest, RadioModeKeepsExactlyOneChecked) {
    list->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(list->CheckedIndex(), 0) << "the first when none";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, check(0));
    EXPECT_EQ(list->CheckedIndex(), 0) << "a click on the checked item leaves it checked";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, check(2));
    EXPECT_EQ(list->CheckedIndex(), 2);
    EXPECT_EQ(list->State(0), cbUnchecked);
    list->SetCheckedIndex(-5);
    EXPECT_EQ(list->CheckedIndex(), 0);
    QTest::keyClicks(list, "+");
    EXPECT_EQ(list->CheckedIndex(), 0);
}

TEST_F(CheckListTest, ReorderingCarriesStatesAndDataStaysWithTheItem) {
    list->SetState(0, cbGrayed);
    list->SetItemEnabled(2, false);
    list->Items()->SetObjects(0, 42);
    list->Items()->Exchange(0, 2);
    EXPECT_EQ(list->State(2), cbGrayed);
    EXPECT_FALSE(list->ItemEnabled(0));
    EXPECT_EQ(list->Items()->Objects(2).toInt(), 42);
    list->Items()->Move(2, 0);
    EXPECT_EQ(list->Items()->Strings(0), "uno");
    EXPECT_EQ(list->State(0), cbGrayed);
}

TEST_F(CheckListTest, AssignedItemsBringTheirStatesAndEnabledFlags) {
    list->SetState(0, cbGrayed);
    list->SetState(1, cbChecked);
    list->SetItemEnabled(2, false);
    list->Items()->SetObjects(1, 7);
    TKxCheckListBox copy;
    copy.Items()->Assign({"vecchio"});
    copy.Items()->Assign(*list->Items());
    EXPECT_EQ(copy.Items()->ToStringList(), QStringList({"uno", "due", "tre"}));
    EXPECT_EQ(copy.State(0), cbGrayed);
    EXPECT_EQ(copy.State(1), cbChecked);
    EXPECT_EQ(copy.State(2), cbUnchecked);
    EXPECT_TRUE(copy.ItemEnabled(0));
    EXPECT_FALSE(copy.ItemEnabled(2));
    EXPECT_EQ(copy.Items()->Objects(1).toInt(), 7);
    EXPECT_EQ(list->State(0), cbGrayed) << "the source keeps its own";

    TKxCustomListBox plain;
    plain.Items()->Assign(*list->Items());
    EXPECT_EQ(plain.Items()->ToStringList(), QStringList({"uno", "due", "tre"}));
    copy.Items()->Assign(*plain.Items());
    EXPECT_EQ(copy.State(0), cbUnchecked);
    EXPECT_TRUE(copy.ItemEnabled(2));
}

TEST(CheckListStore, StatesAreSavedAndRestoredAlsoWhenDamaged) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Quendel.ini");
    {
        TStoredForm<TFormOptions> w(path);
        w.show();
        w.CheckList1->SetState(1, cbChecked);
        w.CheckList1->SetState(3, cbGrayed);
    }
    TIniFile ini(path);
    const QString section = "Opzioni\\TFormOptionsCheckList1";
    EXPECT_EQ(ini.ReadSection(section), QStringList({"Count", "Item0", "Item1", "Item2", "Item3"}));
    EXPECT_EQ(ini.ReadString(section, "Item3", ""), "2");
    {
        TStoredForm<TFormOptions> w(path);
        w.show();
        EXPECT_EQ(w.CheckList1->State(1), cbChecked);
        EXPECT_EQ(w.CheckList1->State(3), cbGrayed);
    }
    struct Damage {
        const char* count;
        const char* item1;
        TCheckBoxState expected1;
    };
    for (const Damage& d : {Damage{"molti", "1", cbUnchecked}, Damage{"-2", "1", cbUnchecked},
                            Damage{"99", "1", cbChecked}, Damage{"4", "3", cbUnchecked},
                            Damage{"4", "-1", cbUnchecked}, Damage{"4", "x", cbUnchecked}}) {
        ini.WriteString(section, "Count", d.count);
        ini.WriteString(section, "Item1", d.item1);
        ini.WriteString(section, "Item3", "0");
        TStoredForm<TFormOptions> w(path);
        w.show();
        EXPECT_EQ(w.CheckList1->State(1), d.expected1) << d.count << " " << d.item1;
        w.FormStorage1->SetActive(false);
    }
}

TEST(CheckListStore, TheRegistryAndTheIniFileKeepTheDefaultSection) {
    QTemporaryDir dir;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    TFormOptions form(dir.filePath("unused.ini"));
    form.CheckList1->SetState(2, cbChecked);
    TRegIniFile reg("Software\\Quendel");
    form.CheckList1->SaveStatesReg(&reg);
    EXPECT_EQ(reg.ReadInteger("TFormOptionsCheckList1", "Item2", -1), 1);
    TIniFile ini(dir.filePath("stati.ini"));
    form.CheckList1->SaveStates(&ini);
    form.CheckList1->SetState(2, cbUnchecked);
    form.CheckList1->RestoreStatesReg(&reg);
    EXPECT_EQ(form.CheckList1->State(2), cbChecked);
    form.CheckList1->SetState(2, cbUnchecked);
    form.CheckList1->RestoreStates(&ini);
    EXPECT_EQ(form.CheckList1->State(2), cbChecked);
    form.CheckList1->SetCheckKind(ckRadioButtons);
    ini.WriteString("TFormOptionsCheckList1", "Item0", "1");
    form.CheckList1->RestoreStates(&ini);
    EXPECT_EQ(form.CheckList1->CheckedIndex(), 0) << "radio mode stops at the first checked";
    for (int choice : {1, 2, 3}) {
        form.CheckList1->SetCheckedIndex(choice);
        form.CheckList1->SaveStates(&ini);
        form.CheckList1->SetCheckedIndex(0);
        form.CheckList1->RestoreStates(&ini);
        EXPECT_EQ(form.CheckList1->CheckedIndex(), choice) << "the saved choice comes back";
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

} // namespace

#include "KXCtrlsListsTest.moc"

TEST_F(CheckListTest, OnlyImDisableKeepsTheInputMethodsAway) {
    EXPECT_EQ(list->ImeMode(), imDontCare);
    for (const TImeMode mode : {imDisable, imOpen, imDisable, imDontCare}) {
        list->SetImeMode(mode);
        EXPECT_EQ(list->testAttribute(Qt::WA_InputMethodEnabled), mode != imDisable) << mode;
    }
}

TEST(CheckListIme, ANewBoxStartsCaringForNothingWithInputMethodsOn) {
    QWidget form;
    TKxCheckListBox alone;
    auto* inForm = new TKxCheckListBox(&form);
    for (const TKxCheckListBox* list : {&alone, inForm}) {
        EXPECT_EQ(list->ImeMode(), imDontCare);
        EXPECT_TRUE(list->testAttribute(Qt::WA_InputMethodEnabled));
    }
    form.show();
    inForm->setFocus();
    EXPECT_TRUE(inForm->testAttribute(Qt::WA_InputMethodEnabled)) << "shown with the focus";
}
