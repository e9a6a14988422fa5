// The spin edit as the program's windows set it: limits, reading and writing its value, keys,
// spinning, the diagonal button's halves and repeat, and its value kept in the settings store.

#include "controls/KXSpin.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "storage/Apputils.h"
#include "storage/KXProps.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class KxSpinTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        oldBeep_ = platform::SetBeepHook([this](int) { ++beeps; });
    }
    void TearDown() override { platform::SetBeepHook(oldBeep_); }

    // The TCP play window's port edit.
    static void MakePort(TKxSpinEdit& edit) {
        edit.setObjectName("EditPort");
        edit.SetMaxValue(64535);
        edit.SetArrowKeys(false);
        edit.SetButtonKind(TKxSpinEdit::bkStandard);
        edit.SetValue(4444);
    }

    int beeps = 0;
    platform::BeepHook oldBeep_;
};

TEST_F(KxSpinTest, PortIsHeldToItsLimitsBeforeAndAfterLeaving) {
    QWidget form;
    auto* port = new TKxSpinEdit(&form);
    auto* other = new QLineEdit(&form);
    MakePort(*port);
    port->SetMinValue(1);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(port->text(), "4444");
    port->setText("70000");
    EXPECT_EQ(port->GetValue(), 64535);
    port->setFocus();
    other->setFocus();
    EXPECT_EQ(port->text(), "64535");
    port->setText("0");
    EXPECT_EQ(port->GetValue(), 1);
    port->setText("abc");
    EXPECT_EQ(port->GetValue(), 1);
    port->SetValue(std::nan(""));
    port->SetValue(INFINITY);
    EXPECT_EQ(port->text(), "abc");
}

TEST_F(KxSpinTest, ValueTypesWriteAndReadBack) {
    TKxSpinEdit edit;
    EXPECT_EQ(edit.GetValue(), 0);
    edit.SetValue(1e30);
    EXPECT_EQ(edit.text(), "9223372036854775807");
    edit.SetValue(2.5);
    EXPECT_EQ(edit.text(), "2");
    edit.SetValue(3.5);
    EXPECT_EQ(edit.text(), "4");
    edit.SetValueType(TKxSpinEdit::vtHex);
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c :
         {Case{255, "FF"}, Case{-1, "FFFFFFFF"}, Case{3000000000.0, "0B2D05E00"}, Case{0, "0"}}) {
        edit.SetValue(c.value);
        EXPECT_EQ(edit.text(), c.text);
        EXPECT_EQ(edit.GetValue(), c.value) << c.text;
    }
    edit.setText("ff");
    EXPECT_EQ(edit.GetValue(), 255);
    edit.SetValueType(TKxSpinEdit::vtFloat);
    edit.SetValue(1.25);
    EXPECT_EQ(edit.text(), "1.25");
    edit.setText("nan");
    EXPECT_EQ(edit.GetValue(), 0);
    edit.SetIncrement(0.4);
    edit.SetValueType(TKxSpinEdit::vtInt);
    EXPECT_EQ(edit.Increment(), 1);
    edit.SetMinValue(2.7);
    edit.SetMaxValue(2.7);
    edit.setText("abc");
    EXPECT_EQ(edit.GetValue(), 2);
}

TEST_F(KxSpinTest, KeysSpinTypeAndBeep) {
    TKxSpinEdit edit;
    edit.SetMaxValue(90);
    edit.SetValue(5);
    int changes = 0;
    edit.OnChange = [&](QObject*) { ++changes; };
    edit.show();
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.GetValue(), 6);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(edit.isModified());
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.GetValue(), 4);
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, "x7");
    EXPECT_EQ(edit.text(), "47");
    EXPECT_EQ(beeps, 1);
    edit.SetValueType(TKxSpinEdit::vtFloat);
    edit.setText("1.5");
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, ".");
    EXPECT_EQ(beeps, 2);
    edit.setReadOnly(true);
    edit.UpClick(&edit);
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(edit.text(), "1.5");
}

TEST_F(KxSpinTest, PasteOnlyIntoAnEnabledEditor) {
    TKxSpinEdit edit;
    edit.show();
    edit.setFocus();
    QApplication::clipboard()->setText("42");
    edit.SetEditorEnabled(false);
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "0");
    QTest::mouseClick(&edit, Qt::MiddleButton);
    EXPECT_EQ(edit.text(), "0");
    edit.SetEditorEnabled(true);
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "42");
}

// The context menu's Paste, the one road the keyboard and mouse gates do not see.
TEST_F(KxSpinTest, ContextMenuPasteOnlyIntoAnEnabledEditor) {
    for (const bool enabled : {false, true}) {
        TKxSpinEdit edit;
        edit.show();
        edit.setFocus();
        edit.setText("12");
        edit.end(false);
        edit.SetEditorEnabled(enabled);
        QApplication::clipboard()->setText("7");
        bool pasteOffered = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (QAction* action : menu->actions()) {
                if (action->text().contains("Paste") && action->isEnabled()) {
                    pasteOffered = true;
                    action->trigger();
                }
            }
            menu->close();
        });
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    edit.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&edit, &menuEvent);
        EXPECT_EQ(pasteOffered, enabled);
        EXPECT_EQ(edit.text(), enabled ? "127" : "12");
    }
}

TEST_F(KxSpinTest, EnterAndEscapeReachTheDialogsButtons) {
    for (const auto key : {Qt::Key_Return, Qt::Key_Escape}) {
        QDialog dialog;
        auto* edit = new TKxSpinEdit(&dialog);
        auto* ok = new QPushButton("OK", &dialog);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        int result = -1;
        QObject::connect(&dialog, &QDialog::finished, [&](int r) { result = r; });
        dialog.show();
        edit->setFocus();
        QTest::keyClick(edit, key);
        EXPECT_EQ(result, key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST_F(KxSpinTest, DiagonalHalvesAndRepeat) {
    TKxSpinEdit edit;
    edit.resize(80, 21);
    edit.SetMaxValue(90);
    edit.SetValue(5);
    edit.show();
    TKxSpinButton* button = edit.SpinButton();
    ASSERT_NE(button, nullptr);
    const int w = button->width(), h = button->height();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(edit.GetValue(), 6);
    EXPECT_EQ(button->State(), sbTopDown);
    ASSERT_TRUE(button->RepeatTimer()->isActive());
    EXPECT_EQ(button->RepeatTimer()->interval(), 400);
    button->TimerExpired();
    EXPECT_EQ(edit.GetValue(), 7);
    EXPECT_EQ(button->RepeatTimer()->interval(), 100);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(button->State(), sbNotDown);
    button->TimerExpired();
    EXPECT_EQ(edit.GetValue(), 7);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(w - 2, h - 2));
    EXPECT_EQ(edit.GetValue(), 6);
    EXPECT_TRUE(edit.hasFocus() || !edit.isActiveWindow());
}

TEST_F(KxSpinTest, EnteringSelectsAllWithAutoSelectAndTheUpDownTakesTheFocus) {
    for (const bool autoSelect : {true, false}) {
        QWidget form;
        auto* other = new QLineEdit(&form);
        auto* edit = new TKxSpinEdit(&form);
        edit->move(0, 30);
        MakePort(*edit);
        EXPECT_TRUE(TKxSpinEdit().AutoSelect);
        edit->AutoSelect = autoSelect;
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        other->setFocus();
        edit->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(edit->selectedText(), autoSelect ? "4444" : "") << autoSelect;
        other->setFocus();
        QTest::mouseClick(edit->UpDown()->UpButton(), Qt::LeftButton);
        EXPECT_TRUE(edit->hasFocus());
        EXPECT_EQ(edit->text(), "4445");
    }
}

TEST_F(KxSpinTest, ValueKeptInTheSettingsStoreAlsoFromDamagedValues) {
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("Quendel.ini"));
    QWidget form;
    form.setObjectName("FormNet");
    auto* port = new TKxSpinEdit(&form);
    MakePort(*port);
    auto* minutes = new TKxSpinEdit(&form);
    minutes->setObjectName("KxSpinEditDurata");
    minutes->SetMaxValue(90);
    minutes->SetValue(5);
    TPropsStorage storage;
    storage.Section = "FinestraNet";
    storage.OnReadString = [&](const QString& s, const QString& k, const QString& d) {
        return IniReadString(&ini, s, k, d);
    };
    storage.OnWriteString = [&](const QString& s, const QString& k, const QString& v) {
        IniWriteString(&ini, s, k, v);
    };
    storage.OnEraseSection = [&](const QString& s) { ini.EraseSection(s); };
    TStoredList list{TStoredEntry{"EditPort.Value", nullptr},
                     TStoredEntry{"KxSpinEditDurata.Value", nullptr}};
    UpdateStoredList(&form, list, true);
    port->SetValue(5555);
    storage.StoreObjectsProps(&form, list);
    EXPECT_EQ(ini.ReadString("FinestraNet", "EditPort_Value", ""), "5555");
    EXPECT_EQ(ini.ReadString("FinestraNet", "KxSpinEditDurata_Value", ""), "5");
    struct Case {
        const char* stored;
        double value;
    };
    for (const Case& c : {Case{"4000", 4000}, Case{"nan", 4000}, Case{"abc", 4000},
                          Case{"99999", 64535}, Case{"-5", 0}, Case{"1e400", 0}}) {
        ini.WriteString("FinestraNet", "EditPort_Value", c.stored);
        storage.LoadObjectsProps(&form, list);
        EXPECT_EQ(port->GetValue(), c.value) << c.stored;
    }
}

} // namespace
