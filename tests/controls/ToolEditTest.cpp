// The combo edit and the date edit as the program's windows set them: the host field with its
// button, the game's start date with its keys, calendar drop-down, locale change and exit check;
// the drop-down protocol and placement, paste paths, and the calendar grid and date dialog.

#include "controls/ToolEdit.h"
#include "ControlsTestUtil.h"
#include "controls/PickDate.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/Scaling.h"
#include "tests/WaitFor.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

class ToolEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldClock_ = SetDateClock([] { return QDateTime(QDate(2026, 6, 15), QTime(10, 0)); });
        SetDateLocale(QLocale("it_IT"));
        oldBox_ = platform::SetMessageBoxHook([this](const QString& text, const QString&, int) {
            messages.append(text);
            return int(platform::IDOK);
        });
    }
    void TearDown() override {
        SetDateClock(oldClock_);
        SetDateLocale(std::nullopt);
        platform::SetMessageBoxHook(oldBox_);
    }
    static TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }
    static void Activate(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    // The game-data window's start date.
    static TDateEdit* MakeStartDate(QWidget* parent) {
        auto* edit = new TDateEdit(parent);
        edit->setObjectName("EditStartDate");
        edit->DefaultToday = true;
        edit->SetYearDigits(dyFour);
        return edit;
    }
    TPopupCalendar* CalendarOf(TDateEdit* edit) {
        return qobject_cast<TPopupCalendar*>(edit->Popup());
    }

    QStringList messages;
    DateClock oldClock_;
    platform::MessageBoxHook oldBox_;
};

TEST_F(ToolEditTest, HostTextNeverUnderItsButton) {
    QWidget form;
    auto* host = new TComboEdit(&form);
    host->setGeometry(10, 10, 120, 21);
    host->SetText("0.0.0.0");
    host->SetButtonWidth(26);
    int clicks = 0;
    host->OnButtonClick = [&](QObject*) { ++clicks; };
    Activate(form);
    EXPECT_EQ(host->ButtonContainer()->width(), 26);
    EXPECT_EQ(host->ButtonContainer()->geometry().right(), host->width() - 3);
    host->setFocus();
    host->SetText("a-very-long-host-name.example.invalid");
    host->end(false);
    host->grab(); // the line edit scrolls its text when it paints
    EXPECT_LE(host->inputMethodQuery(Qt::ImCursorRectangle).toRect().right(),
              host->ButtonContainer()->x());
    QTest::keyClick(host, Qt::Key_Down, Qt::AltModifier);
    QTest::mouseClick(host->Button(), Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    host->SetButtonWidth(0);
    QTest::keyClick(host, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(clicks, 2);
    host->SetButtonWidth(26);
    host->SetReadOnly(true);
    host->DoClick();
    EXPECT_EQ(clicks, 2);
    host->AlwaysEnable = true;
    host->DoClick();
    EXPECT_EQ(clicks, 3);
}

TEST_F(ToolEditTest, PastePathsClosedWithoutDirectInput) {
    QWidget form;
    auto* edit = new TComboEdit(&form);
    Activate(form);
    edit->setFocus();
    edit->SetDirectInput(false);
    QApplication::clipboard()->setText("pasted");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::mouseClick(edit, Qt::MiddleButton);
    QMimeData mime;
    mime.setText("dropped");
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &drop);
    EXPECT_EQ(edit->Text(), "");
    edit->SetDirectInput(true);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "pasted");
}

TEST_F(ToolEditTest, EnterAndEscapeReachTheDialogsButtons) {
    for (const auto key : {Qt::Key_Return, Qt::Key_Escape}) {
        QDialog dialog;
        auto* edit = new TComboEdit(&dialog);
        auto* ok = new QPushButton("OK", &dialog);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        int result = -1;
        QObject::connect(&dialog, &QDialog::finished, [&](int r) { result = r; });
        Activate(dialog);
        edit->setFocus();
        QTest::keyClick(edit, key);
        EXPECT_EQ(result, key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST_F(ToolEditTest, DropDownStaysOnTheScreen) {
    const QRect screen(0, 0, 800, 600);
    const QSize popup(187, 124);
    struct Case {
        QRect control;
        TPopupAlign align;
        QPoint origin;
    };
    const Case cases[] = {
        {QRect(300, 100, 100, 21), epaRight, QPoint(213, 121)},
        {QRect(300, 500, 100, 21), epaRight, QPoint(213, 376)},
        {QRect(50, 100, 100, 21), epaRight, QPoint(50, 121)},
        {QRect(-30, 100, 100, 21), epaRight, QPoint(0, 121)},
        {QRect(700, 100, 100, 21), epaLeft, QPoint(613, 121)},
        {QRect(300, 0, 100, 590), epaLeft, QPoint(300, 0)},
        {QRect(300, 100, 600, 21), epaLeft, QPoint(300, 121)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TCustomComboEdit::PopupOrigin(c.control, popup, screen, c.align), c.origin)
            << c.control.x() << "," << c.control.y();
}

TEST_F(ToolEditTest, EllipsisGlyphFitsAnyButton) {
    TComboEdit edit;
    edit.SetGlyphKind(gkEllipsis);
    for (const int width : {0, 3, 7, 12, 21, 40}) {
        edit.SetButtonWidth(width);
        EXPECT_EQ(edit.Button()->Glyph().Width(), std::max(1, width - 6));
    }
}

TEST_F(ToolEditTest, StartDateRoundTripsWholeDays) {
    QWidget form;
    TDateEdit* edit = MakeStartDate(&form);
    EXPECT_EQ(edit->EditMask(), "!99/99/9999;1; ");
    EXPECT_EQ(edit->Button()->NumGlyphs(), 2);
    EXPECT_EQ(edit->ButtonWidth(), 21);
    edit->SetDate(platform::DateToDays(QDate(2024, 3, 5)));
    EXPECT_EQ(edit->Text(), "05/03/2024");
    EXPECT_EQ(platform::DaysToDate(int(edit->GetDate())), QDate(2024, 3, 5));
    edit->SetDate(NullDate);
    EXPECT_EQ(edit->Text(), "15/06/2026");
    edit->DefaultToday = false;
    edit->SetDate(NullDate);
    EXPECT_EQ(edit->Text(), "  /  /    ");
    EXPECT_EQ(edit->GetDate(), NullDate);
    EXPECT_FALSE(edit->TextStored());
    edit->SetDate(1e12);
    EXPECT_EQ(edit->GetDate(), NullDate);
    edit->SetBlanksChar(QChar(3));
    EXPECT_EQ(edit->BlanksChar(), QLatin1Char(' '));
    edit->SetCalendarHints({"a", "b", "c", "d", "e"});
    EXPECT_EQ(edit->CalendarHints().size(), 4);
}

TEST_F(ToolEditTest, StartDateKeys) {
    QWidget form;
    TDateEdit* edit = MakeStartDate(&form);
    edit->DefaultToday = false;
    Activate(form);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(edit->GetDate(), D(2026, 6, 16));
    QTest::keyClick(edit, Qt::Key_Minus, Qt::KeypadModifier);
    QTest::keyClick(edit, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(edit->GetDate(), D(2026, 6, 14));
    QTest::keyClick(edit, Qt::Key_Plus);
    EXPECT_EQ(edit->GetDate(), D(2026, 6, 14));
    edit->SetDate(D(2020, 1, 1));
    QTest::keyClick(edit, Qt::Key_T);
    EXPECT_EQ(edit->GetDate(), D(2026, 6, 15));
}

TEST_F(ToolEditTest, CalendarDropDownPicksADayAndEscapeKeepsTheDate) {
    QWidget form;
    TDateEdit* edit = MakeStartDate(&form);
    edit->setGeometry(20, 20, 110, 21);
    edit->SetDate(D(2024, 3, 5));
    int changes = 0;
    edit->OnChange = [&](QObject*) { ++changes; };
    Activate(form);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    TPopupCalendar* popup = CalendarOf(edit);
    ASSERT_TRUE(edit->PopupVisible());
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->Title()->text(), "marzo, 2024");
    EXPECT_EQ(popup->Calendar()->CalendarDate(), D(2024, 3, 5));
    QTest::keyClick(popup, Qt::Key_PageDown);
    EXPECT_EQ(popup->Title()->text(), "aprile, 2024");
    QTest::mouseClick(popup->Buttons(3), Qt::LeftButton);
    EXPECT_EQ(popup->Title()->text(), "aprile, 2025");
    QTest::keyClick(popup, Qt::Key_Right);
    EXPECT_EQ(popup->Calendar()->CalendarDate(), D(2025, 4, 6));
    EXPECT_EQ(changes, 0);
    TLocCalendar* grid = popup->Calendar();
    const QString day = grid->CellText(2, 3);
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect(2, 3).center());
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(edit->GetDate(), D(2025, 4, day.toInt()));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(edit->isModified());

    edit->EditButtonClick(edit);
    ASSERT_TRUE(edit->PopupVisible());
    QTest::keyClick(popup, Qt::Key_Left);
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->GetDate(), D(2025, 4, day.toInt()));

    edit->EditButtonClick(edit);
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect(0, 6).center());
    if (grid->CellText(0, 6).isEmpty()) {
        EXPECT_TRUE(edit->PopupVisible());
    }
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_FALSE(edit->PopupVisible());
}

// A press on the button while the calendar is open reaches the button through the pop-up: it
// accepts the day picked in the calendar, its release opens nothing, the next click opens it.
TEST_F(ToolEditTest, ButtonPressThroughTheOpenCalendarAccepts) {
    QWidget form;
    form.resize(200, 80);
    TDateEdit* edit = MakeStartDate(&form);
    edit->setGeometry(20, 20, 110, 21);
    edit->SetDate(D(2024, 3, 5));
    int clicks = 0;
    edit->OnButtonClick = [&](QObject*) { ++clicks; };
    Activate(form);
    QWindow* window = form.windowHandle();
    const QPoint onButton = edit->Button()->mapTo(&form, edit->Button()->rect().center());
    QTest::mouseClick(window, Qt::LeftButton, {}, onButton);
    ASSERT_TRUE(edit->PopupVisible());
    QTest::keyClick(CalendarOf(edit), Qt::Key_Right);
    QTest::mouseClick(window, Qt::LeftButton, {}, onButton);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_FALSE(CalendarOf(edit)->isVisible());
    EXPECT_EQ(edit->GetDate(), D(2024, 3, 6));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(edit->Button()->State(), rbsUp);
    QTest::mouseClick(window, Qt::LeftButton, {}, onButton);
    EXPECT_TRUE(edit->PopupVisible());
    EXPECT_EQ(clicks, 2);
}

// The edit's button is drawn as the library's speed button with the same glyph, but for the two
// lines at its left edge, enabled and disabled, for each kind of glyph; pressed, it has no lines.
TEST_F(ToolEditTest, EditButtonLooksLikeASpeedButton) {
    const std::function<TCustomComboEdit*(QWidget*)> kinds[] = {
        [](QWidget* parent) { return MakeStartDate(parent); },
        [](QWidget* parent) { return new TFilenameEdit(parent); },
        [](QWidget* parent) {
            auto* host = new TComboEdit(parent);
            host->SetButtonWidth(26);
            host->SetGlyphKind(gkEllipsis);
            return host;
        },
    };
    for (const auto& make : kinds)
        for (const bool enabled : {true, false}) {
            QWidget form;
            TCustomComboEdit* edit = make(&form);
            edit->setGeometry(10, 10, 110, 21);
            TEditButton* button = edit->Button();
            EXPECT_EQ(button->NumGlyphs(), edit->GlyphKind() == gkEllipsis ? 1 : 2);
            auto* plain = new TKxSpeedButton(&form);
            plain->SetGlyph(button->Glyph());
            plain->SetNumGlyphs(button->NumGlyphs());
            plain->setGeometry(150, 10, button->width(), button->height());
            edit->setEnabled(enabled);
            plain->setEnabled(enabled);
            Activate(form);
            const QImage mine = Shot(*button), library = Shot(*plain);
            ASSERT_EQ(mine.size(), library.size());
            for (int y = 0; y < mine.height(); ++y) {
                for (int x = 2; x < mine.width(); ++x)
                    ASSERT_EQ(mine.pixel(x, y), library.pixel(x, y)) << x << "," << y << enabled;
                EXPECT_EQ(PixelAt(mine, 0, y), Plain(platform::clBtnFace)) << y;
                if (y >= 1 && y <= mine.height() - 2) {
                    EXPECT_EQ(PixelAt(mine, 1, y), Plain(platform::clBtnHighlight)) << y;
                }
            }
            // Pressed and released on an edit whose button drops a calendar down (the file
            // edit's would open a dialog).
            if (!enabled || !edit->Popup())
                continue;
            QTest::mousePress(button, Qt::LeftButton);
            QTest::mousePress(plain, Qt::LeftButton);
            const QImage pressed = Shot(*button), libraryPressed = Shot(*plain);
            EXPECT_EQ(pressed.pixel(0, pressed.height() / 2),
                      libraryPressed.pixel(0, pressed.height() / 2));
            EXPECT_NE(PixelAt(pressed, 0, pressed.height() / 2), Plain(platform::clBtnFace));
            QTest::mouseRelease(plain, Qt::LeftButton);
            QTest::mouseRelease(button, Qt::LeftButton);
            EXPECT_TRUE(edit->PopupVisible());
        }
}

TEST_F(ToolEditTest, LocaleChangeReMasksAndKeepsTheDate) {
    QWidget form;
    TDateEdit* edit = MakeStartDate(&form);
    edit->SetDate(D(2024, 3, 5));
    SetDateLocale(QLocale("ja_JP"));
    QEvent change(QEvent::LocaleChange);
    QApplication::sendEvent(edit, &change);
    EXPECT_EQ(edit->EditMask(), "!9999/99/99;1; ");
    EXPECT_EQ(edit->Text(), "2024/03/05");
    SetDateLocale(QLocale("de_DE"));
    DateFormatChanged();
    EXPECT_EQ(edit->Text(), "05.03.2024");
    EXPECT_EQ(edit->GetDate(), D(2024, 3, 5));
}

// Each change re-masks from the date, also one that keeps the order of day and month.
TEST_F(ToolEditTest, EveryLocaleChangeKeepsTheStartDate) {
    QWidget form;
    TDateEdit* edit = MakeStartDate(&form);
    SetDateLocale(QLocale("de_DE"));
    DateFormatChanged();
    edit->SetDate(D(2024, 3, 5));
    const struct {
        const char* locale;
        const char* text;
    } steps[] = {{"it_IT", "05/03/2024"},
                 {"C", "05 03 2024"},
                 {"de_DE", "05.03.2024"},
                 {"ja_JP", "2024/03/05"},
                 {"it_IT", "05/03/2024"}};
    for (const auto& step : steps) {
        SetDateLocale(QLocale(step.locale));
        DateFormatChanged();
        EXPECT_EQ(edit->Text(), step.text) << step.locale;
        EXPECT_EQ(edit->GetDate(), D(2024, 3, 5)) << step.locale;
    }
}

TEST_F(ToolEditTest, ExitCheckReportsOnceAndTakesTheFocusBack) {
    QWidget form;
    TDateEdit* edit = MakeStartDate(&form);
    edit->CheckOnExit = true;
    auto* other = new QLineEdit(&form);
    Activate(form);
    edit->setFocus();
    edit->SetText("31/02/2024");
    other->setFocus();
    ASSERT_TRUE(WaitFor([&] { return messages.size() == 1; })) << messages.size();
    EXPECT_EQ(messages[0], "''31/02/2024'' is not a valid date");
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), "31/02/2024");
    edit->SetText("");
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ToolEditTest, DialogStyleRunsTheDateDialog) {
    TDateEdit edit;
    edit.SetCalendarStyle(csDialog);
    EXPECT_EQ(edit.Popup(), nullptr);
    edit.SetDate(D(2024, 3, 5));
    QString caption;
    auto old = platform::SetShowModalHook([&](QDialog& dialog) {
        caption = dialog.windowTitle();
        auto& dlg = static_cast<TSelectDateDlg&>(dialog);
        EXPECT_EQ(dlg.Date(), edit.GetDate());
        EXPECT_EQ(dialog.findChild<QPushButton*>("OK")->text(), "OK");
        EXPECT_EQ(dialog.findChild<QPushButton*>("Cancel")->text(), "Cancel");
        QTest::keyClick(dlg.Calendar(), Qt::Key_PageUp, Qt::ControlModifier);
        QTest::keyClick(dlg.Calendar(), Qt::Key_Down);
        return int(QDialog::Accepted);
    });
    bool vetoed = false;
    edit.OnAcceptDate = [&](QObject*, TDateTime&, bool& accept) { accept = !vetoed; };
    edit.DoClick();
    EXPECT_EQ(caption, "Select a Date");
    EXPECT_EQ(edit.GetDate(), D(2023, 3, 12));
    vetoed = true;
    edit.DoClick();
    EXPECT_EQ(edit.GetDate(), D(2023, 3, 12));
    QString text = "xx";
    EXPECT_FALSE(SelectDateStr(text, "", Mon, DayBit(Sun), 0xFF, {}));
    EXPECT_EQ(messages.size(), 1);
    platform::SetShowModalHook(old);
}

// The calendar drop-down and the date dialog are designed at 96 pixels per inch: elsewhere their
// sizes grow with the resolution and they take the message font at it; never beyond the screen.
TEST_F(ToolEditTest, CalendarsScaleWithTheResolution) {
    const QFont appFont = QApplication::font();
    const double points = QApplication::font("QMessageBox").pointSizeF();
    for (const int ppi : {96, 120, 192, 960}) {
        const auto old = platform::SetPixelsPerInch(ppi);
        QWidget owner;
        std::unique_ptr<TPopupWindow> popup(CreatePopupCalendar(&owner, Qt::LeftToRight));
        auto* calendar = qobject_cast<TPopupCalendar*>(popup.get());
        ASSERT_NE(calendar, nullptr);
        // Too large for the screen, the window and its contents shrink together.
        const QSize room = popup->screen()->availableGeometry().size();
        const int fit = FittingResolution(ppi, {187, 124}, room);
        EXPECT_EQ(fit == ppi, ppi <= 192);
        EXPECT_EQ(popup->size(), QSize(qRound(187.0 * fit / 96), qRound(124.0 * fit / 96))) << ppi;
        EXPECT_EQ(calendar->Title()->height(), qRound(14.0 * fit / 96)) << ppi;
        EXPECT_EQ(calendar->Buttons(3)->width(), qRound(14.0 * fit / 96)) << ppi;
        EXPECT_EQ(calendar->Buttons(3)->x(),
                  popup->width() - qRound(2.0 * fit / 96) - qRound(13.0 * fit / 96))
            << ppi;
        EXPECT_EQ(OutsideTheWindow(*popup), QStringList()) << ppi;
        if (ppi == 96) {
            EXPECT_EQ(popup->font(), appFont);
        } else {
            EXPECT_EQ(popup->font().pixelSize(), qRound(points * fit / 72)) << ppi;
            EXPECT_EQ(calendar->Calendar()->font(), popup->font()) << ppi;
        }

        QSize dialogSize;
        int titlePixels = 0;
        QPoint centreOffset;
        QStringList outside;
        auto oldModal = platform::SetShowModalHook([&](QDialog& dialog) {
            dialogSize = dialog.size();
            outside = OutsideTheWindow(dialog);
            titlePixels = static_cast<TSelectDateDlg&>(dialog).Title()->font().pixelSize();
            centreOffset =
                dialog.geometry().center() - dialog.screen()->availableGeometry().center();
            return int(QDialog::Rejected);
        });
        TDateTime date = D(2024, 3, 5);
        SelectDate(date, QString(), Mon, DayBit(Sun), 0x0000FF, QStringList());
        platform::SetShowModalHook(oldModal);
        const int dialogFit = FittingResolution(ppi, {222, 154}, room);
        EXPECT_EQ(dialogSize, QSize(qRound(222.0 * dialogFit / 96), qRound(154.0 * dialogFit / 96)))
            << ppi;
        EXPECT_EQ(outside, QStringList()) << ppi;
        if (ppi != 96) {
            EXPECT_EQ(titlePixels, qRound(points * dialogFit / 72)) << ppi;
            EXPECT_LE(std::abs(centreOffset.x()) + std::abs(centreOffset.y()), 2) << ppi;
        }
        platform::SetPixelsPerInch(old);
    }
}

TEST_F(ToolEditTest, CalendarGridAndMoves) {
    TKxCalendar calendar;
    calendar.SetStartOfWeek(Mon);
    calendar.SetCalendarDate(D(2024, 1, 1)); // a Monday
    EXPECT_EQ(calendar.CellText(0, 1), "1");
    EXPECT_EQ(calendar.CellText(0, 0), "lun");
    calendar.SetCalendarDate(D(2024, 9, 1)); // a Sunday
    EXPECT_EQ(calendar.CellText(6, 1), "1");
    EXPECT_EQ(calendar.CellText(0, 6), "30");
    EXPECT_EQ(calendar.Col(), 6);
    EXPECT_EQ(calendar.Row(), 1);
    calendar.SetCalendarDate(D(2024, 1, 31));
    calendar.NextMonth();
    EXPECT_EQ(calendar.CalendarDate(), D(2024, 2, 29));
    calendar.SetCalendarDate(D(2000, 2, 29));
    calendar.NextYear();
    EXPECT_EQ(calendar.CalendarDate(), D(2001, 2, 28));
    calendar.SetCalendarDate(D(9999, 12, 31));
    calendar.NextMonth();
    calendar.NextYear();
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    calendar.KeyDown(&right);
    EXPECT_EQ(calendar.CalendarDate(), D(9999, 12, 31));
    calendar.SetCalendarDate(D(1, 1, 1));
    calendar.PrevYear();
    calendar.SetYear(0);
    EXPECT_EQ(calendar.CalendarDate(), D(1, 1, 1));
    calendar.SetCalendarDate(D(2024, 3, 5));
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    calendar.KeyDown(&up);
    EXPECT_EQ(calendar.CalendarDate(), D(2024, 3, 5));
    calendar.KeyDown(&down);
    EXPECT_EQ(calendar.CalendarDate(), D(2024, 3, 12));
    calendar.SetCalendarDate(D(2024, 3, 1));
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    calendar.KeyDown(&left);
    EXPECT_EQ(calendar.CalendarDate(), D(2024, 2, 29));
}

} // namespace

// The drop-down's colour: kept while there is none, given to each new one, read back from it.
TEST_F(ToolEditTest, PopupColorPaintsTheDropDown) {
    QWidget form;
    TDateEdit* edit = MakeStartDate(&form);
    EXPECT_EQ(edit->PopupColor(), platform::clBtnFace);
    auto yellowPixels = [&] {
        const QImage image = edit->Popup()->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == QColor(Qt::yellow);
        return count;
    };
    EXPECT_EQ(yellowPixels(), 0);
    edit->SetPopupColor(platform::clYellow);
    EXPECT_EQ(edit->PopupColor(), platform::clYellow);
    EXPECT_GT(yellowPixels(), 0);
    edit->SetCalendarStyle(csDialog);
    EXPECT_EQ(edit->PopupColor(), platform::clYellow);
    edit->SetPopupColor(platform::clAqua);
    edit->SetCalendarStyle(csPopup);
    EXPECT_EQ(edit->PopupColor(), platform::clAqua);
    EXPECT_EQ(edit->Popup()->palette().color(QPalette::Window), QColor(Qt::cyan));
}
