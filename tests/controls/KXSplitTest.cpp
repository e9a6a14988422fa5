#include "controls/KXSplit.h"
#include "ControlsTestUtil.h"
#include "controls/Grids.h"
#include "platform/IniFile.h"
#include "storage/StoredForm.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// The download window's arrangement: the header grid at the top, the splitter under it and a
// text filling the rest; the store keeps the grid's height.
class TFormNews : public QWidget {
    Q_OBJECT
public:
    explicit TFormNews(const QString& iniFile = QString()) {
        resize(400, 300);
        FormStorage1->SetIniFileName(iniFile);
        FormStorage1->SetIniSection("Scarica");
        FormStorage1->SetOptions({});
        GridHeaders->setObjectName("GridHeaders");
        platform::SetAlign(GridHeaders, alTop);
        GridHeaders->SetHeight(100);
        Splitter1->SetAlign(alTop);
        Splitter1->resize(Splitter1->width(), 6);
        Splitter1->SetBevelInner(platform::TCustomPanel::bvLowered);
        platform::SetAlign(Memo1, alClient);
        FormStorage1->SetStoredProps({"GridHeaders.Height"});
    }
    TFormStorage* FormStorage1 = new TFormStorage(this);
    TStringGrid* GridHeaders = new TStringGrid(this);
    TKxSplitter* Splitter1 = new TKxSplitter(this);
    QLineEdit* Memo1 = new QLineEdit(this);
};

namespace {

// Counts the tool-tip requests that reach it.
class HintTarget : public QWidget {
public:
    using QWidget::QWidget;
    int hints = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip)
            ++hints;
        return QWidget::event(event);
    }
};

class SplitterTest : public ::testing::Test {
protected:
    TFormNews* w = new TFormNews;
    TKxSplitter* splitter = w->Splitter1;
    int changed = 0;

    SplitterTest() {
        splitter->OnPosChanged = [this](QObject*) { ++changed; };
        w->show();
        w->Memo1->setFocus();
    }
    ~SplitterTest() override { delete w; }

    void press(int y = 3) { QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(10, y)); }
    void move(int y) {
        QMouseEvent event(QEvent::MouseMove, QPointF(10, y), splitter->mapToGlobal(QPointF(10, y)),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(splitter, &event);
    }
    void release(int y) { QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(10, y)); }
    void drag(int from, int to) {
        press(from);
        move(to);
        release(to);
    }
};

TEST_F(SplitterTest, ItSitsUnderTheGridItFoundAndSizesItsHeight) {
    EXPECT_EQ(splitter->geometry(), QRect(0, 100, 400, 6));
    EXPECT_EQ(splitter->ControlFirst(), w->GridHeaders);
    EXPECT_EQ(splitter->ControlSecond(), nullptr);
    EXPECT_EQ(splitter->GetStyle(), spHorizontalFirst);
    EXPECT_EQ(splitter->cursor().shape(), Qt::SplitVCursor);

    press();
    EXPECT_TRUE(splitter->Sizing());
    move(33);
    EXPECT_EQ(splitter->SizingLine().top() + splitter->SizingLine().height() / 2, 133);
    release(33);
    EXPECT_EQ(w->GridHeaders->height(), 130);
    EXPECT_EQ(splitter->y(), 130);
    EXPECT_EQ(w->Memo1->geometry(), QRect(0, 136, 400, 164));
    EXPECT_EQ(changed, 1);
    EXPECT_FALSE(splitter->Sizing());
    EXPECT_TRUE(splitter->SizingLine().isEmpty());
}

TEST_F(SplitterTest, TheLineStopsTwentyPixelsFromTheEdgesWithTheNoDropCursor) {
    press();
    move(1000);
    EXPECT_EQ(splitter->cursor().shape(), Qt::ForbiddenCursor);
    move(50);
    EXPECT_EQ(splitter->cursor().shape(), Qt::SplitVCursor);
    release(1000);
    EXPECT_EQ(w->GridHeaders->height(), 274) << "the splitter's bottom 20 pixels above the edge";
    drag(3, -1000);
    EXPECT_EQ(w->GridHeaders->height(), 20);
}

TEST_F(SplitterTest, ARefusedPositionKeepsTheLastLineShown) {
    splitter->OnPosChanging = [](QObject*, int, int y, bool& allow) { allow = y < 50; };
    press();
    move(43);
    const QRect shown = splitter->SizingLine();
    move(60);
    EXPECT_EQ(splitter->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(splitter->SizingLine(), shown);
    release(60);
    EXPECT_EQ(w->GridHeaders->height(), 140);
    EXPECT_EQ(changed, 1);
}

TEST_F(SplitterTest, EscapeCancelsAndOtherKeysStillReachTheFocusedControl) {
    press();
    move(40);
    QTest::keyClick(w->Memo1, Qt::Key_A);
    EXPECT_EQ(w->Memo1->text(), "a");
    QTest::keyClick(w->Memo1, Qt::Key_Escape);
    EXPECT_FALSE(splitter->Sizing());
    release(40);
    EXPECT_EQ(w->GridHeaders->height(), 100);
    EXPECT_EQ(changed, 0);
    QTest::keyClick(w->Memo1, Qt::Key_B);
    EXPECT_EQ(w->Memo1->text(), "ab");
}

TEST_F(SplitterTest, HintsAreOffOnlyWhileDragging) {
    HintTarget target(w);
    QHelpEvent hint(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    press();
    QApplication::sendEvent(&target, &hint);
    EXPECT_EQ(target.hints, 0);
    release(3);
    QApplication::sendEvent(&target, &hint);
    EXPECT_EQ(target.hints, 1);
}

TEST_F(SplitterTest, BottomAndLeftControlsGrowAgainstTheDrag) {
    QWidget form;
    form.resize(400, 300);
    auto* bottom = new QWidget(&form);
    bottom->resize(400, 80);
    platform::SetAlign(bottom, alBottom);
    auto* bottomSplitter = new TKxSplitter(&form);
    bottomSplitter->SetAlign(alBottom);
    auto* left = new QWidget(&form);
    left->resize(90, 10);
    platform::SetAlign(left, alLeft);
    auto* leftSplitter = new TKxSplitter(&form);
    leftSplitter->SetAlign(alLeft);
    form.show();
    ASSERT_EQ(bottomSplitter->ControlFirst(), bottom);
    ASSERT_EQ(leftSplitter->ControlFirst(), left);
    EXPECT_EQ(leftSplitter->cursor().shape(), Qt::SplitHCursor);

    QTest::mousePress(bottomSplitter, Qt::LeftButton, {}, QPoint(5, 1));
    QTest::mouseRelease(bottomSplitter, Qt::LeftButton, {}, QPoint(5, -29));
    EXPECT_EQ(bottom->height(), 110);
    QTest::mousePress(leftSplitter, Qt::LeftButton, {}, QPoint(1, 5));
    QTest::mouseRelease(leftSplitter, Qt::LeftButton, {}, QPoint(21, 5));
    EXPECT_EQ(left->width(), 110);
}

TEST_F(SplitterTest, ItselfAFormOrAMismatchedAlignmentIsNoControl) {
    splitter->SetControlFirst(splitter);
    EXPECT_EQ(splitter->ControlFirst(), nullptr);
    splitter->SetControlSecond(w);
    EXPECT_EQ(splitter->ControlSecond(), nullptr);
    EXPECT_EQ(splitter->GetStyle(), spUnknown);
    EXPECT_EQ(splitter->cursor().shape(), Qt::ArrowCursor);
    drag(3, 40);
    EXPECT_EQ(changed, 0);

    splitter->SetControlFirst(w->GridHeaders);
    splitter->SetControlSecond(w->Memo1);
    EXPECT_EQ(splitter->GetStyle(), spHorizontalFirst);
    platform::SetAlign(w->GridHeaders, alLeft);
    EXPECT_EQ(splitter->GetStyle(), spUnknown) << "the splitter lies at the top";
}

TEST_F(SplitterTest, SizesNeverDropBelowOnePixel) {
    w->GridHeaders->SetHeight(-50);
    EXPECT_EQ(w->GridHeaders->height(), 0);
    splitter->SetTopLeftLimit(-1000);
    drag(3, -500);
    EXPECT_EQ(w->GridHeaders->height(), 1);
    w->GridHeaders->SetHeight(100000);
    drag(3, 3);
    EXPECT_EQ(w->GridHeaders->height(), 274) << "the limit brings the splitter back in view";
    splitter->SetBottomRightLimit(-1000);
    drag(3, 1000);
    EXPECT_EQ(w->GridHeaders->height(), 300 - 6 - 3) << "a size that fills the parent";
}

TEST_F(SplitterTest, AControlDeletedMidDragEndsItUntouched) {
    press();
    move(40);
    delete w->GridHeaders;
    move(50);
    EXPECT_FALSE(splitter->Sizing());
    release(50);
    EXPECT_EQ(changed, 0);
}

TEST_F(SplitterTest, AWindowClosedMidDragLeavesNothingBehind) {
    press();
    move(40);
    delete w;
    w = nullptr;
    HintTarget target;
    QHelpEvent hint(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(&target, &hint);
    EXPECT_EQ(target.hints, 1);
}

TEST(SplitterStore, TheGridHeightIsSavedAndRestoredEvenWhenAbsurd) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Quendel.ini");
    {
        TStoredForm<TFormNews> w(path);
        w.show();
        QTest::mousePress(w.Splitter1, Qt::LeftButton, {}, QPoint(10, 3));
        QTest::mouseRelease(w.Splitter1, Qt::LeftButton, {}, QPoint(10, 58));
        EXPECT_EQ(w.GridHeaders->height(), 155);
    }
    EXPECT_EQ(TIniFile(path).ReadString("Scarica", "GridHeaders_Height", ""), "155");
    {
        TStoredForm<TFormNews> w(path);
        w.show();
        EXPECT_EQ(w.GridHeaders->height(), 155);
        EXPECT_EQ(w.Splitter1->y(), 155);
    }
    for (const char* absurd : {"-40", "99999999", "alto"}) {
        TIniFile(path).WriteString("Scarica", "GridHeaders_Height", absurd);
        TStoredForm<TFormNews> w(path);
        w.show();
        EXPECT_GE(w.GridHeaders->height(), 0) << absurd;
        QTest::mousePress(w.Splitter1, Qt::LeftButton, {}, QPoint(10, 3));
        QTest::mouseRelease(w.Splitter1, Qt::LeftButton, {}, QPoint(10, 3));
        EXPECT_GE(w.GridHeaders->height(), 1) << absurd;
        EXPECT_LE(w.GridHeaders->height(), 291) << absurd;
    }
}

TEST(SplitterLook, FlatAndDeafToItsParentUntilToldOtherwise) {
    platform::TCustomPanel parent;
    auto* splitter = new TKxSplitter(&parent);
    EXPECT_FALSE(splitter->Ctl3D());
    EXPECT_FALSE(splitter->ParentCtl3D());
    splitter->resize(40, 10);
    splitter->SetBevelOuter(platform::TCustomPanel::bvNone);
    splitter->SetBorderStyle(platform::TCustomPanel::bsSingle);
    parent.SetCtl3D(false);
    parent.SetCtl3D(true);
    EXPECT_FALSE(splitter->Ctl3D()) << "the parent's look does not reach it";
    QImage shot = Shot(*splitter);
    EXPECT_EQ(PixelAt(shot, 20, 0), Plain(platform::clWindowFrame));
    EXPECT_EQ(PixelAt(shot, 20, 1), Plain(platform::clBtnFace));

    splitter->SetCtl3D(true);
    shot = Shot(*splitter);
    EXPECT_EQ(PixelAt(shot, 20, 0), Plain(platform::clBtnShadow));
    EXPECT_EQ(PixelAt(shot, 20, 1), Plain(platform::cl3DDkShadow));
    EXPECT_EQ(PixelAt(shot, 20, 9), Plain(platform::clBtnHighlight));
    EXPECT_EQ(PixelAt(shot, 20, 2), Plain(platform::clBtnFace));

    splitter->SetParentCtl3D(true);
    parent.SetCtl3D(false);
    EXPECT_FALSE(splitter->Ctl3D());
    EXPECT_EQ(PixelAt(Shot(*splitter), 20, 0), Plain(platform::clWindowFrame));
    splitter->SetCtl3D(true);
    parent.SetCtl3D(true);
    parent.SetCtl3D(false);
    EXPECT_TRUE(splitter->Ctl3D()) << "its own look again";
}

} // namespace

#include "KXSplitTest.moc"
