// The calculator: key sequences of the engine, memory, errors and paste; the keypad's typed keys;
// the dialog and the drop-down.

#include "controls/KxCalc.h"
#include "ControlsTestUtil.h"
#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/Scaling.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Runs a sequence of engine keys ("M" memory store, "r" recall, "p" plus, "c" clear memory).
QString Keys(TCalcEngine& engine, const QString& keys) {
    for (const QChar key : keys) {
        switch (key.unicode()) {
        case 'M':
            engine.MemoryStore();
            break;
        case 'r':
            engine.MemoryRecall();
            break;
        case 'p':
            engine.MemoryPlus();
            break;
        case 'c':
            engine.MemoryClear();
            break;
        default:
            engine.ProcessKey(key);
        }
    }
    return engine.Text();
}

TEST(CalcEngineTest, KeySequences) {
    struct Case {
        const char* keys;
        const char* shown;
        int beeps;
    };
    const Case cases[] = {
        {"2+3*4=", "20", 0},
        {"5+=", "5", 0},
        {"00", "0", 0},
        {"5+.", "0.", 0},
        {"12\b", "1", 0},
        {"5_\b", "0", 0},
        {"200+10%", "220", 0},
        {"50*10%", "5", 0},
        {"1/0=", "Error", 1},
        {"1/0=5+", "Error", 1},
        {"1/0=C", "0", 1},
        {"9Q", "3", 0},
        {"9_Q", "Error", 1},
        {"0R", "Error", 1},
        {"4R", "0.25", 0},
        {"0_", "0", 0},
        {"1234567890123456", "123456789012345", 1},
        {"5_1234567890123456", "-512345678901234", 2},
        {"1.5.5", "1.55", 0},
        {"5M7r1", "51", 0},
        {"3M4p", "4", 0},
        {"99999999*99999999*99999999*99999999=", "9.9999996E+31", 0},
        {"1x", "1", 0},
        {"10000000000*10000000000=Mr.+1=", "1E+20", 0},
        // Backspace never leaves an exponent without digits, which would read as 0.
        {"10000000000*10000000000=Mr\b", "1E+2", 0},
        {"10000000000*10000000000=Mr\b\b", "1", 0},
        {"10000000000*10000000000=Mr\b\b*2=", "2", 0},
        {"1/10000000=Mr", "1E-07", 0},
        {"1/10000000=Mr\b\b", "1", 0},
        {"1/10000000=Mr\b\b\b", "0", 0},
    };
    for (const Case& c : cases) {
        TCalcEngine engine;
        int beeps = 0;
        engine.OnBeep = [&] { ++beeps; };
        EXPECT_EQ(Keys(engine, QString::fromLatin1(c.keys)), QString::fromLatin1(c.shown))
            << c.keys;
        EXPECT_EQ(beeps, c.beeps) << c.keys;
    }
}

TEST(CalcEngineTest, MemoryAndLimits) {
    TCalcEngine engine;
    Keys(engine, "3M");
    EXPECT_EQ(engine.Memory(), 3);
    Keys(engine, "4p");
    EXPECT_EQ(engine.Memory(), 7);
    Keys(engine, "c");
    EXPECT_EQ(engine.Memory(), 0);
    engine.Precision = 200;
    EXPECT_EQ(engine.ShownDigits(), 18);
    engine.SetDisplay(1.0 / 3);
    EXPECT_EQ(engine.Text().size(), 2 + 18);
    engine.Precision = 0;
    EXPECT_EQ(engine.ShownDigits(), 2);
    engine.Precision = 15;
    Keys(engine, "C1e");
    EXPECT_EQ(engine.Text(), "1");
    engine.SetDisplay(1e300);
    Keys(engine, "*");
    engine.SetDisplay(1e300);
    engine.SetStatus(csValid);
    Keys(engine, "=");
    EXPECT_EQ(engine.Text(), "Error");

    // A memory that overflowed recalls as an error, as an overflowed result shows.
    int errors = 0;
    engine.OnError = [&] { ++errors; };
    Keys(engine, "C");
    engine.SetDisplay(1e308);
    Keys(engine, "Mp");
    EXPECT_FALSE(std::isfinite(engine.Memory()));
    EXPECT_EQ(Keys(engine, "r"), "Error");
    EXPECT_EQ(engine.Status(), csError);
    EXPECT_EQ(errors, 1);
}

TEST(CalcEngineTest, PasteCountsAsAnEnteredNumber) {
    TCalcEngine engine;
    engine.CurrencyString = QStringLiteral("\u20AC");
    Keys(engine, "12+");
    engine.PasteText(QStringLiteral("7"));
    EXPECT_EQ(Keys(engine, "="), "19");
    engine.PasteText(QStringLiteral("\u20AC 3.5"));
    EXPECT_EQ(engine.Text(), "3.5");
    for (const char* bad : {"nan", "inf", "-inf", "abc", "1e999"}) {
        engine.PasteText(QString::fromLatin1(bad));
        EXPECT_EQ(engine.Text(), "0") << bad;
    }
    engine.DecimalSeparator = QLatin1Char(',');
    engine.PasteText(QStringLiteral("2,5"));
    EXPECT_EQ(engine.Text(), "2,5");
    EXPECT_EQ(engine.DisplayValue(), 2.5);
}

class CalcWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        oldBeep_ = platform::SetBeepHook([this](int) { ++beeps; });
    }
    void TearDown() override { platform::SetBeepHook(oldBeep_); }
    int beeps = 0;
    platform::BeepHook oldBeep_;
};

TEST_F(CalcWidgetTest, TypedKeysPressTheirKeys) {
    TCalculatorPanel panel(clDialog);
    QLabel display;
    panel.DisplayControl = &display;
    for (const QChar key : QStringLiteral("12,5*2\r"))
        panel.PressKey(key);
    EXPECT_EQ(display.text(), "25");
    panel.PressKey(QChar(27));
    EXPECT_EQ(display.text(), "0");
    EXPECT_EQ(panel.Key(12)->Caption(), ".");
    EXPECT_EQ(panel.Key(1)->Tag(), 0);
    EXPECT_EQ(panel.Key(27)->Tag(), -1);
    panel.PressKey('7');
    panel.Key(24)->ButtonClick();
    EXPECT_EQ(panel.MemoryLabel()->text(), "M");
    panel.Key(26)->ButtonClick();
    EXPECT_EQ(panel.MemoryLabel()->text(), "");
    QApplication::clipboard()->setText("42");
    panel.Paste();
    EXPECT_EQ(display.text(), "42");
    panel.PressKey('/');
    panel.PressKey('0');
    panel.PressKey('=');
    EXPECT_EQ(display.text(), "Error");
    EXPECT_EQ(beeps, 1);
    panel.Key(27)->ButtonClick();
    EXPECT_EQ(beeps, 2);
}

TEST_F(CalcWidgetTest, DialogReturnsItsValueAndMemory) {
    TKxCalculator calculator;
    calculator.Value = 12;
    int changes = 0;
    calculator.OnChange = [&](QObject*) { ++changes; };
    QString title;
    auto old = platform::SetShowModalHook([&](QDialog& dialog) {
        title = dialog.windowTitle();
        auto& form = static_cast<TKxCalculatorForm&>(dialog);
        EXPECT_EQ(form.Display()->text(), "12");
        for (const QChar key : QStringLiteral("+3="))
            QTest::keyClick(&form, key.toLatin1());
        form.CalcPanel()->Key(24)->ButtonClick();
        form.CalcPanel()->Key(27)->ButtonClick();
        return dialog.result();
    });
    EXPECT_TRUE(calculator.Execute());
    EXPECT_EQ(title, "Calculator");
    EXPECT_EQ(calculator.Value, 15);
    EXPECT_EQ(calculator.Memory, 15);
    EXPECT_EQ(changes, 1);
    platform::SetShowModalHook([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_FALSE(calculator.Execute());
    platform::SetShowModalHook(old);
}

// The help key shows only with a help context and opens the help at that context.
TEST_F(CalcWidgetTest, HelpKeyOpensTheHelpAtTheContext) {
    QList<std::pair<QWidget*, int>> calls;
    auto oldHelp = platform::SetHelpHook([&](QWidget* owner, int context) {
        calls.append({owner, context});
    });
    std::unique_ptr<TKxCalculatorForm> plain(CreateCalculatorForm(nullptr, 0));
    plain->show();
    EXPECT_FALSE(plain->HelpButton()->isVisible());
    std::unique_ptr<TKxCalculatorForm> helped(CreateCalculatorForm(nullptr, 4100));
    helped->show();
    ASSERT_TRUE(helped->HelpButton()->isVisible());
    // In the top row between Cancel and "<-", overlapping no key.
    for (int kind = 1; kind <= 28; ++kind) {
        if (TCalcButton* key = helped->CalcPanel()->Key(kind)) {
            EXPECT_FALSE(key->geometry().intersects(helped->HelpButton()->geometry())) << kind;
        }
    }
    QTest::mouseClick(helped->HelpButton(), Qt::LeftButton);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].first, helped.get());
    EXPECT_EQ(calls[0].second, 4100);

    TKxCalculator calculator;
    calculator.HelpContext = 4200;
    auto oldModal = platform::SetShowModalHook([](QDialog& dialog) {
        auto& form = static_cast<TKxCalculatorForm&>(dialog);
        EXPECT_EQ(form.HelpContext(), 4200);
        form.HelpButton()->ButtonClick();
        return int(QDialog::Rejected);
    });
    calculator.Execute();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[1].second, 4200);
    platform::SetShowModalHook(oldModal);
    platform::SetHelpHook(oldHelp);
}

// Designed at 96 pixels per inch: the dialog and the drop-down grow with the resolution and take
// the bold message font at it, never beyond the screen; at 96 nothing changes.
TEST_F(CalcWidgetTest, ScalesWithTheResolution) {
    const double points = QApplication::font("QMessageBox").pointSizeF();
    QRect designed; // the key "1" at 96
    for (const int ppi : {96, 120, 192, 960}) {
        const auto old = platform::SetPixelsPerInch(ppi);
        std::unique_ptr<TKxCalculatorForm> form(CreateCalculatorForm(nullptr, 0));
        const QRect area = form->screen()->availableGeometry();
        const QSize room = area.size();
        // Too large for the screen, the window and its contents shrink together.
        const int fit = FittingResolution(ppi, {242, 159}, room);
        EXPECT_EQ(fit == ppi, ppi <= 192);
        auto scaled = [fit](int value) { return qRound(double(value) * fit / 96); };
        EXPECT_EQ(form->size(), QSize(scaled(242), scaled(159))) << ppi;
        EXPECT_EQ(OutsideTheWindow(*form), QStringList()) << ppi;
        const QRect key = form->CalcPanel()->Key(1)->geometry();
        if (ppi == 96)
            designed = key;
        EXPECT_EQ(key, QRect(scaled(designed.x()), scaled(designed.y()), scaled(36), scaled(22)))
            << ppi;
        QWidget editor;
        std::unique_ptr<TPopupWindow> popup(CreatePopupCalculator(&editor, Qt::LeftToRight));
        const int popupFit = FittingResolution(ppi, {104, 127}, room);
        EXPECT_EQ(popup->size(),
                  QSize(qRound(104.0 * popupFit / 96), qRound(127.0 * popupFit / 96)))
            << ppi;
        EXPECT_EQ(OutsideTheWindow(*popup), QStringList()) << ppi;
        auto* keypad = static_cast<TPopupCalculator*>(popup.get())->CalcPanel();
        if (ppi == 96) {
            EXPECT_EQ(form->font().pointSizeF(), points);
            EXPECT_TRUE(keypad->font().bold());
        } else {
            EXPECT_EQ(form->font().pixelSize(), qRound(points * fit / 72)) << ppi;
            EXPECT_TRUE(form->font().bold());
            EXPECT_EQ(form->CalcPanel()->Key(1)->font(), form->font()) << ppi;
            EXPECT_EQ(keypad->font(), popup->font()) << ppi;
            EXPECT_EQ(popup->font().pixelSize(), qRound(points * popupFit / 72)) << ppi;
            EXPECT_EQ(form->geometry().center().x(), area.center().x()) << ppi;
        }
        platform::SetPixelsPerInch(old);
    }
}

TEST_F(CalcWidgetTest, DropDownValue) {
    QWidget editor;
    auto* popup = static_cast<TPopupCalculator*>(CreatePopupCalculator(&editor, Qt::LeftToRight));
    SetupPopupCalculator(popup, 1, false);
    EXPECT_EQ(popup->CalcPanel()->Engine().Precision, 2);
    popup->SetValue(QVariant("nan"));
    EXPECT_EQ(popup->GetPopupText(), "0");
    popup->SetValue(QVariant(2.5));
    bool accepted = false;
    popup->OnCloseUp = [&](QObject*, bool accept) { accepted = accept; };
    for (const QChar key : QStringLiteral("*4="))
        popup->PopupKeyPress(key);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(popup->GetValue().toDouble(), 10);
    for (const QChar key : QStringLiteral("/0="))
        popup->PopupKeyPress(key);
    EXPECT_EQ(popup->GetValue().toDouble(), 0);
}

} // namespace

// Each panel's frame read at its two outer corners and one pixel further in: the outer bevel
// raised, then the inner lowered, in the 3-D look; flat, the outer bevel goes and the memory panel
// has one line of border instead of its inner bevel.
TEST_F(CalcWidgetTest, WithoutCtl3DTheKeysAreOldStyleAndThePanelsLoseTheirOuterBevel) {
    using namespace platform;
    struct Frame {
        TColor topLeft, bottomRight, innerTopLeft, innerBottomRight;
    };
    struct Look {
        bool ctl3D;
        TColor keyCorner;
        Frame main, display, memory;
    };
    const Frame raised{clBtnHighlight, clBtnShadow, clBtnShadow, clBtnHighlight};
    const Look looks[] = {
        {true, clBtnHighlight, raised, raised, raised},
        {false,
         clWindowFrame,
         {clBtnShadow, clBtnHighlight, clBtnFace, clBtnFace},
         {clBtnShadow, clBtnHighlight, clWindow, clWindow},
         {clWindowFrame, clWindowFrame, clBtnFace, clBtnFace}},
    };
    for (const Look& look : looks) {
        SCOPED_TRACE(look.ctl3D);
        TKxCalculator calculator;
        calculator.Ctl3D = look.ctl3D;
        QImage key, main, display, memory;
        auto old = platform::SetShowModalHook([&](QDialog& dialog) {
            auto& form = static_cast<TKxCalculatorForm&>(dialog);
            key = form.CalcPanel()->Key(1)->grab().toImage();
            display = form.Display()->parentWidget()->grab().toImage();
            main = form.Display()->parentWidget()->parentWidget()->grab().toImage();
            memory = form.CalcPanel()->MemoryLabel()->parentWidget()->grab().toImage();
            return int(QDialog::Rejected);
        });
        calculator.Execute();
        platform::SetShowModalHook(old);
        EXPECT_EQ(key.pixel(0, 0), ToQColor(look.keyCorner).rgb());
        const auto expectFrame = [](const QImage& image, const Frame& frame) {
            const int right = image.width() - 1;
            const int bottom = image.height() - 1;
            EXPECT_EQ(image.pixel(0, 0), ToQColor(frame.topLeft).rgb());
            EXPECT_EQ(image.pixel(right, bottom), ToQColor(frame.bottomRight).rgb());
            EXPECT_EQ(image.pixel(1, 1), ToQColor(frame.innerTopLeft).rgb());
            EXPECT_EQ(image.pixel(right - 1, bottom - 1), ToQColor(frame.innerBottomRight).rgb());
            // The keypad and the labels stand inside the frame.
            EXPECT_EQ(image.pixel(1, bottom - 2), image.pixel(1, 1));
        };
        {
            SCOPED_TRACE("main");
            expectFrame(main, look.main);
        }
        {
            SCOPED_TRACE("display");
            expectFrame(display, look.display);
        }
        {
            SCOPED_TRACE("memory");
            expectFrame(memory, look.memory);
        }
    }
}

// The keypad's look changes its keys however it comes: set through the property, followed from
// a parent panel, or taken from the parent when built.
TEST_F(CalcWidgetTest, TheKeysFollowTheLookHoweverItChanges) {
    platform::TCustomPanel parent;
    auto* panel = new TCalculatorPanel(clDialog, &parent);
    const auto style = [&] { return panel->Key(1)->Style(); };
    EXPECT_EQ(style(), bsAutoDetect);
    parent.SetCtl3D(false);
    EXPECT_EQ(style(), bsWin31);
    parent.SetCtl3D(true);
    EXPECT_EQ(style(), bsAutoDetect);
    panel->setProperty("Ctl3D", false);
    EXPECT_EQ(style(), bsWin31);
    parent.SetCtl3D(false);
    parent.SetCtl3D(true);
    EXPECT_EQ(style(), bsWin31);

    platform::TCustomPanel flat;
    flat.SetCtl3D(false);
    auto* built = new TCalculatorPanel(clDialog, &flat);
    EXPECT_EQ(built->Key(1)->Style(), bsWin31) << "built under a flat parent";
    auto* memory = static_cast<platform::TCustomPanel*>(built->MemoryLabel()->parentWidget());
    EXPECT_EQ(memory->BevelInner(), platform::TCustomPanel::bvNone);
    EXPECT_EQ(memory->BorderStyle(), platform::TCustomPanel::bsSingle);
}
