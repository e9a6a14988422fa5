#pragma once
// A panel that shows the time as digits or as an analog face, and fires an alarm once a day at
// a set time. Linux announces no clock change, so every tick reads the time again.

#include "platform/Panel.h"

#include <QPoint>
#include <array>
#include <functional>

class TKxTimer;

struct TKxClockTime {
    unsigned short Hour = 0;
    unsigned short Minute = 0;
    unsigned short Second = 0;
    bool operator==(const TKxClockTime&) const = default;
};

class TKxClock : public platform::TCustomPanel {
    Q_OBJECT
public:
    enum TShowClock { scDigital, scAnalog };
    Q_ENUM(TShowClock)

    explicit TKxClock(QWidget* parent = nullptr);
    ~TKxClock() override;

    TShowClock ShowMode() const { return showMode_; }
    void SetShowMode(TShowClock Value);
    bool ShowSeconds() const { return showSeconds_; }
    void SetShowSeconds(bool Value);
    bool TwelveHour() const { return twelveHour_; }
    void SetTwelveHour(bool Value);
    bool LeadingZero() const { return leadingZero_; }
    void SetLeadingZero(bool Value);
    TColor DotsColor() const { return dotsColor_; }
    void SetDotsColor(TColor Value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor Value);
    bool AlarmEnabled = false;
    int AlarmHour() const;
    int AlarmMinute() const;
    int AlarmSecond() const;
    // Each raises EConvertError and keeps the alarm when the time would be invalid.
    void SetAlarmHour(int Value);
    void SetAlarmMinute(int Value);
    void SetAlarmSecond(int Value);
    double AlarmTime() const { return alarmTime_; }
    // Keeps only the time of day.
    void SetAlarmTime(double Value);

    std::function<void(QObject* Sender)> OnAlarm;
    // May replace the time the clock shows (a date-time on the day scale).
    std::function<void(QObject* Sender, double& Time)> OnGetTime;

    double GetSystemTime() const;
    TKxClockTime GetTime() const;
    // The digits as they are shown.
    QString TimeText() const;
    QRect ClockRect() const { return clockRect_; }
    // One tick of the clock's timer.
    void TimerExpired();
    void CheckAlarm();
    void ResetAlarm();

protected:
    virtual void Alarm();
    void Paint(QPainter& painter) override;
    void FrameChanged() override;
    // The analog face's dots are framed only when three-dimensional.
    void Ctl3DChanged() override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void AlignControls();
    void FitFont();
    bool IsAlarmTime(double time) const;
    void setAlarmPart(int part, int value);
    void PaintTimeStr(QPainter& painter, const QRect& rect);
    void PaintAnalogClock(QPainter& painter);
    void DrawHand(QPainter& painter, int position, int length, int width, int tail);
    QPoint Point(int index, int percent) const;
    template <class T> void change(T& field, T value, bool refit);

    TShowClock showMode_ = scDigital;
    bool showSeconds_ = true;
    bool twelveHour_ = false;
    bool leadingZero_ = true;
    TColor dotsColor_ = platform::clTeal;
    bool autoSize_ = false;
    TColor fontColor_ = platform::clWindowText;
    double alarmTime_ = 0;
    bool alarmWait_ = true;
    TKxClockTime shown_;
    QRect clockRect_;
    int radius_ = 0;
    QPoint centre_;
    TKxTimer* timer_ = nullptr;
};

// The clock face's 60 points on a circle of radius 8000, point 0 at 12 o'clock, clockwise,
// y scaled by the screen's vertical / horizontal pixel density.
const std::array<QPoint, 60>& ClockPoints();
// Vertical / horizontal pixel density of the screen; 1 when the screen reports no size.
double ClockDensityRatio();
