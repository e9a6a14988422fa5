#pragma once
// What the date edit shows when its button is pressed: a month grid (TKxCalendar), its borderless
// variant (TLocCalendar), the drop-down that frames it with month and year buttons
// (TPopupCalendar), and a modal date dialog (TSelectDateDlg).

#include "controls/KXCtrls.h"
#include "controls/ToolEdit.h"
#include "platform/Colors.h"
#include "storage/DateUtil.h"

#include <QDialog>
#include <QToolButton>

class QLabel;

// A speed button that repeats its click while held.
class TKxTimerSpeedButton : public TKxSpeedButton {
    Q_OBJECT
public:
    explicit TKxTimerSpeedButton(QWidget* parent = nullptr);
};

// A 7 x 7 grid: row 0 the weekday names, rows 1 to 6 the weeks of the month.
class TKxCalendar : public QWidget {
    Q_OBJECT
public:
    explicit TKxCalendar(QWidget* parent = nullptr);

    TDateTime CalendarDate() const { return date_; }
    void SetCalendarDate(TDateTime value);
    int Year() const { return ExtractYear(date_); }
    int Month() const { return ExtractMonth(date_); }
    int Day() const { return ExtractDay(date_); }
    void SetYear(int value);
    void SetMonth(int value);
    void SetDay(int value);
    void PrevMonth();
    void NextMonth();
    void PrevYear();
    void NextYear();
    void SetToday();

    TDayOfWeekName StartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(TDayOfWeekName value);
    TDaysOfWeek Weekends() const { return weekends_; }
    void SetWeekends(TDaysOfWeek value);
    TColor WeekendColor() const { return weekendColor_; }
    void SetWeekendColor(TColor value);
    bool UseCurrentDate() const { return useCurrentDate_; }
    void SetUseCurrentDate(bool value);
    bool ReadOnly = false;

    QString CellText(int col, int row) const;
    int Col() const { return col_; }
    int Row() const { return row_; }
    // The cell under a point, or (-1, -1).
    QPoint CellAt(QPoint pos) const;
    QRect CellRect(int col, int row) const;
    void KeyDown(QKeyEvent* event);
    void KeyPress(QChar key);

    TNotifyEvent OnChange;
    TNotifyEvent OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    virtual void DrawCell(QPainter& painter, int col, int row, const QRect& rect);
    virtual QColor FixedColor() const;

private:
    // Sets the date when it lies in years 1 to 9999.
    void changeDate(TDateTime value);
    void updateCalendar();

    TDateTime date_ = 0;
    int monthOffset_ = 0;
    int col_ = 0;
    int row_ = 1;
    TDayOfWeekName startOfWeek_ = Mon;
    TDaysOfWeek weekends_ = DayBit(Sun);
    TColor weekendColor_ = 0x0000FF;
    bool useCurrentDate_ = true;
};

// The drop-down's grid: no frame, no focus, today's cell framed.
class TLocCalendar : public TKxCalendar {
    Q_OBJECT
public:
    explicit TLocCalendar(QWidget* parent = nullptr);

    // Release on a day closes the drop-down.
    std::function<void(QMouseEvent* event)> OnMouseUp;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void DrawCell(QPainter& painter, int col, int row, const QRect& rect) override;
    QColor FixedColor() const override;
};

class TPopupCalendar : public TPopupWindow {
    Q_OBJECT
public:
    explicit TPopupCalendar(QWidget* editor);

    QVariant GetValue() const override;
    void SetValue(const QVariant& value) override;
    void PopupKeyDown(QKeyEvent* event) override;
    void PopupKeyPress(QChar key) override;

    TLocCalendar* Calendar() const { return calendar_; }
    QLabel* Title() const { return title_; }
    // Previous year, previous month, next month, next year.
    TKxTimerSpeedButton* Buttons(int index) const { return buttons_[index]; }
    bool FourDigitYear = true;
    // Sizes and places multiplied by m / d, also when the drop-down is resized later; never
    // larger than the screen.
    void ScaleBy(int m, int d);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateTitle();
    void layOut();
    int scaled(int value) const;

    int scaleM_ = 96;
    int scaleD_ = 96;

    TLocCalendar* calendar_;
    QWidget* topPanel_;
    QLabel* title_;
    TKxTimerSpeedButton* buttons_[4];
};

class TSelectDateDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSelectDateDlg(QWidget* parent = nullptr);

    TKxCalendar* Calendar() const { return calendar_; }
    QLabel* Title() const { return title_; }
    TKxTimerSpeedButton* Buttons(int index) const { return buttons_[index]; }
    TDateTime Date() const { return calendar_->CalendarDate(); }
    void SetDate(TDateTime date);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void updateTitle();

    TKxCalendar* calendar_;
    QWidget* topPanel_;
    QLabel* title_;
    TKxTimerSpeedButton* buttons_[4];
};

TPopupWindow* CreatePopupCalendar(QWidget* owner, Qt::LayoutDirection direction);
void SetupPopupCalendar(TPopupWindow* popup, TDayOfWeekName startOfWeek, TDaysOfWeek weekends,
                        TColor weekendColor, const QStringList& hints, bool fourDigitYear);
bool SelectDate(TDateTime& date, const QString& caption, TDayOfWeekName startOfWeek,
                TDaysOfWeek weekends, TColor weekendColor, const QStringList& hints);
// A text that is no date is reported and answers false.
bool SelectDateStr(QString& text, const QString& caption, TDayOfWeekName startOfWeek,
                   TDaysOfWeek weekends, TColor weekendColor, const QStringList& hints);
bool PopupDate(TDateTime& date, QWidget* edit);

// The drawn arrows of the four buttons: 0 "PREV2", 1 "PREV1", 2 "NEXT1", 3 "NEXT2".
platform::TBitmap CalendarButtonGlyph(int index);
