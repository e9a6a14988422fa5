// The number edits: display formats and the currency format per locale, limits, typed keys and
// paste, the exit check, and the calculator edit's keys.

#include "controls/CurrEdit.h"
#include "controls/KxCalc.h"
#include "platform/MessageBox.h"
#include "tests/WaitFor.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(FormatFloatTest, Patterns) {
    struct Case {
        const char* locale;
        const char* pattern;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {"C", ",0.##", 1234567.891, "1,234,567.89"},
        {"C", ",0.##", 0.5, "0.5"},
        {"C", ",0.##", -0.001, "0"},
        {"C", "0.00", 2, "2.00"},
        {"C", "#.##", 0.25, ".25"},
        {"C", "000", 7, "007"},
        {"C", "0;(0);'zero'", -5, "(5)"},
        {"C", "0;(0);'zero'", 0, "zero"},
        {"C", "'EUR' 0.00", 3.5, "EUR 3.50"},
        {"it_IT", ",0.00 \u20AC", 1234.5, "1.234,50 \u20AC"},
        {"it_IT", "0.##", -2.5, "-2,5"},
        {"C", "0.####################", 1.0 / 3, "0.333333333333333315"},
        {"C", "0", 2.5, "3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.pattern), c.value, QLocale(c.locale)),
                  QString::fromUtf8(c.text))
            << c.pattern << " " << c.value;
}

class NumEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        oldBeep_ = platform::SetBeepHook([this](int) { ++beeps; });
        oldBox_ = platform::SetMessageBoxHook([this](const QString& text, const QString&, int) {
            messages.append(text);
            return int(platform::IDOK);
        });
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        platform::SetBeepHook(oldBeep_);
        platform::SetMessageBoxHook(oldBox_);
    }
    static void Activate(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    int beeps = 0;
    QStringList messages;
    platform::BeepHook oldBeep_;
    platform::MessageBoxHook oldBox_;
};

TEST_F(NumEditTest, LimitsAndDisplay) {
    TKxCalcEdit edit;
    EXPECT_EQ(edit.text(), "");
    edit.SetValue(1234.5);
    EXPECT_EQ(edit.text(), "1234.5");
    EXPECT_EQ(edit.GetDisplayText(), "1,234.5");
    edit.SetDecimalPlaces(30);
    edit.SetValue(1.0 / 3);
    EXPECT_EQ(edit.text().size(), 20);
    EXPECT_EQ(edit.DecimalPlaces(), 30);
    edit.SetMinValue(5);
    edit.SetValue(3);
    EXPECT_EQ(edit.GetValue(), 5);
    edit.SetValue(1000);
    EXPECT_EQ(edit.GetValue(), 1000);
    edit.SetValue(std::nan(""));
    EXPECT_EQ(edit.GetValue(), 1000);
    edit.SetMinValue(0);
    edit.SetMaxValue(100);
    EXPECT_EQ(edit.GetValue(), 100);
    edit.SetText("150");
    EXPECT_EQ(edit.GetValue(), 100);
    EXPECT_THROW(edit.CheckValue(-1, true), ERangeError);
}

TEST_F(NumEditTest, CurrencyFormatPerLocale) {
    QLocale::setDefault(QLocale("it_IT"));
    TCurrencyEdit euro;
    EXPECT_EQ(euro.ButtonWidth(), 0);
    EXPECT_EQ(euro.DisplayFormat(), ",0.00 \u20AC;-,0.00 \u20AC");
    euro.SetValue(-1234.5);
    EXPECT_EQ(euro.GetDisplayText(), "-1.234,50 \u20AC");
    QLocale::setDefault(QLocale("en_US"));
    TCurrencyEdit dollar;
    EXPECT_EQ(dollar.DisplayFormat(), "$,0.00;-$,0.00");
    dollar.SetValue(0.5);
    EXPECT_EQ(dollar.GetDisplayText(), "$0.50");
}

TEST_F(NumEditTest, TypedKeysAndPaste) {
    QLocale::setDefault(QLocale("it_IT"));
    QWidget form;
    auto* edit = new TKxCalcEdit(&form);
    edit->SetMinValue(0);
    edit->SetMaxValue(100);
    Activate(form);
    edit->setFocus();
    QTest::keyClicks(edit, "12.345");
    EXPECT_EQ(edit->text(), "12,34");
    EXPECT_EQ(beeps, 1);
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClicks(edit, "-");
    EXPECT_EQ(beeps, 2);
    QApplication::clipboard()->setText("abc");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "12,34");
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(edit->GetValue(), 12.34);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), "12,34");
}

TEST_F(NumEditTest, LeavingClampsOrReportsTheRange) {
    QWidget form;
    auto* edit = new TKxCalcEdit(&form);
    auto* other = new QLineEdit(&form);
    edit->SetMaxValue(100);
    Activate(form);
    edit->setFocus();
    edit->SetText("150");
    // The text held to the limits on leaving is no change of the user's.
    int changes = 0;
    edit->OnChange = [&](QObject*) { ++changes; };
    other->setFocus();
    EXPECT_EQ(edit->text(), "100");
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(messages.isEmpty());
    edit->CheckOnExit = true;
    edit->setFocus();
    edit->SetText("150");
    other->setFocus();
    ASSERT_TRUE(WaitFor([&] { return messages.size() == 1; })) << messages.size();
    EXPECT_EQ(messages[0], "Value must be between 0.00 and 100.00");
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), "150");
}

// The limits read as the edit shows numbers: the locale's decimal separator, no grouping.
TEST_F(NumEditTest, RangeErrorInTheLocalesNumbers) {
    QLocale::setDefault(QLocale("it_IT"));
    TKxCalcEdit edit;
    edit.SetMaxValue(1000);
    try {
        edit.CheckValue(1500, true);
        ADD_FAILURE() << "no range error";
    } catch (const ERangeError& error) {
        EXPECT_EQ(error.Message(), "Value must be between 0,00 and 1000,00");
    }
}

// Typed digits are regrouped as they are typed, the caret kept at its distance from the end; the
// plain number comes back on leaving. "|" marks the caret.
TEST_F(NumEditTest, FormatOnEditingGroupsAsOneTypes) {
    struct Step {
        const char* keys; // typed text; "<" backspace, "H" Home, ">" Right
        const char* shown;
    };
    const struct {
        const char* locale;
        std::vector<Step> steps;
        double value;
        const char* left; // the edit text after leaving
    } cases[] = {
        {"it_IT",
         {{"1234", "1.234|"},
          {"567", "1.234.567|"},
          {",5", "1.234.567,5|"},
          {"H>>>0", "12.0|34.567,5"},
          {"<", "1.2|34.567,5"},
          {".", "1.2|34.567,5"}},
         1234567.5,
         "1234567,5"},
        {"en_US",
         {{"-1234", "-1,234|"}, {".25", "-1,234.25|"}, {"H>9", "-9|1,234.25"}},
         -91234.25,
         "-91234,25"},
    };
    for (const auto& c : cases) {
        QLocale::setDefault(QLocale(c.locale));
        QWidget form;
        auto* edit = new TKxCalcEdit(&form);
        auto* other = new QLineEdit(&form);
        edit->SetFormatOnEditing(true);
        EXPECT_EQ(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        Activate(form);
        edit->setFocus();
        for (const Step& step : c.steps) {
            for (const char key : std::string(step.keys)) {
                if (key == '<')
                    QTest::keyClick(edit, Qt::Key_Backspace);
                else if (key == 'H')
                    QTest::keyClick(edit, Qt::Key_Home);
                else if (key == '>')
                    QTest::keyClick(edit, Qt::Key_Right);
                else
                    QTest::keyClicks(edit, QString(QLatin1Char(key)));
            }
            QString shown = edit->text();
            shown.insert(edit->cursorPosition(), QLatin1Char('|'));
            EXPECT_EQ(shown, step.shown) << c.locale << " " << step.keys;
        }
        other->setFocus();
        EXPECT_EQ(edit->GetValue(), c.value) << c.locale;
        EXPECT_EQ(edit->GetDisplayText(), FormatFloat(",0.##", c.value)) << c.locale;
        edit->setFocus();
        EXPECT_EQ(edit->text(), FormatFloat(",0.##", c.value)) << c.locale;
        edit->SetFormatOnEditing(false);
        EXPECT_EQ(edit->text(), QString(c.left).replace(',', QLocale().decimalPoint()));
    }
}

TEST_F(NumEditTest, CalculatorDropDownKeys) {
    QWidget form;
    auto* edit = new TKxCalcEdit(&form);
    edit->setGeometry(10, 10, 100, 21);
    edit->SetValue(2);
    Activate(form);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit->PopupVisible());
    auto* popup = static_cast<TPopupCalculator*>(edit->Popup());
    QTest::keyClicks(popup, "*21");
    EXPECT_EQ(popup->GetPopupText(), "21");
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->GetValue(), 42);
    edit->DoClick();
    QTest::keyClicks(popup, "/0=");
    EXPECT_TRUE(edit->PopupVisible());
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->GetValue(), 42);
}

} // namespace
