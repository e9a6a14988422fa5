#include "controls/KXClock.h"

#include "platform/DateTime.h"
#include "platform/Graphics.h"
#include "storage/DateUtil.h"
#include "storage/KxTimer.h"

#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <cmath>
#include <numbers>

using platform::ToQColor;

namespace {

constexpr double msPerDay = 86400000.0;

double timeOfDay(double dateTime) {
    double whole = 0;
    return std::abs(std::modf(dateTime, &whole));
}

TKxClockTime decode(double dateTime) {
    const auto ms = std::llround(timeOfDay(dateTime) * msPerDay) % 86400000;
    const auto seconds = ms / 1000;
    return {static_cast<unsigned short>(seconds / 3600),
            static_cast<unsigned short>(seconds / 60 % 60),
            static_cast<unsigned short>(seconds % 60)};
}

double encode(int hour, int minute, int second) {
    return (hour * 3600 + minute * 60 + second) / 86400.0;
}

// The locale's separator between hours and minutes.
QString timeSeparator() {
    const QString format = QLocale().timeFormat(QLocale::ShortFormat);
    const auto h = format.indexOf(QRegularExpression("[hH]"));
    for (auto i = h + 1; h >= 0 && i < format.size(); ++i)
        if (format[i] != 'h' && format[i] != 'H')
            return format.mid(i, 1);
    return QStringLiteral(":");
}

struct Densities {
    double horizontal = 1; // pixels per 100 mm
    double vertical = 1;
};

Densities screenDensities() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QSizeF mm = screen->physicalSize();
    const QSize px = screen->size();
    // A screen that reports no size counts as square pixels.
    if (mm.width() <= 0 || mm.height() <= 0)
        return {};
    return {px.width() * 100 / mm.width(), px.height() * 100 / mm.height()};
}

int screenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->size().width() > 0 ? screen->size().width() : 1024;
}

} // namespace

double ClockDensityRatio() {
    static const double ratio = [] {
        const Densities d = screenDensities();
        return d.vertical / d.horizontal;
    }();
    return ratio;
}

const std::array<QPoint, 60>& ClockPoints() {
    static const std::array<QPoint, 60> points = [] {
        std::array<QPoint, 60> table;
        for (int i = 0; i < 60; ++i) {
            const double angle = i * 6 * std::numbers::pi / 180;
            table[size_t(i)] = QPoint(int(8000 * std::sin(angle)), int(-8000 * std::cos(angle)));
        }
        table[0] = QPoint(0, -7999); // the first point as the original table has it
        for (QPoint& point : table)
            point.setY(int(point.y() * ClockDensityRatio()));
        return table;
    }();
    return points;
}

TKxClock::TKxClock(QWidget* parent) : TCustomPanel(parent) {
    SetBevelInner(bvLowered);
    SetBevelOuter(bvRaised);
    shown_ = GetTime();
    timer_ = new TKxTimer(this);
    timer_->SetInterval(450);
    timer_->SetOnTimer([this](TKxTimer*) { TimerExpired(); });
    AlignControls();
}

TKxClock::~TKxClock() = default;

template <class T> void TKxClock::change(T& field, T value, bool refit) {
    if (field == value)
        return;
    field = value;
    if (refit && autoSize_)
        FitFont();
    AlignControls();
    update();
}

void TKxClock::SetShowMode(TShowClock Value) {
    change(showMode_, Value, false);
}

void TKxClock::SetShowSeconds(bool Value) {
    change(showSeconds_, Value, true);
}

void TKxClock::SetTwelveHour(bool Value) {
    change(twelveHour_, Value, true);
}

void TKxClock::SetLeadingZero(bool Value) {
    change(leadingZero_, Value, false);
}

void TKxClock::SetDotsColor(TColor Value) {
    change(dotsColor_, Value, false);
}

void TKxClock::SetAutoSize(bool Value) {
    change(autoSize_, Value, true);
}

void TKxClock::SetFontColor(TColor Value) {
    change(fontColor_, Value, false);
}

double TKxClock::GetSystemTime() const {
    double now = platform::DateTimeToDouble(QDateTime::currentDateTime());
    if (OnGetTime)
        OnGetTime(const_cast<TKxClock*>(this), now);
    return now;
}

TKxClockTime TKxClock::GetTime() const {
    return decode(GetSystemTime());
}

int TKxClock::AlarmHour() const {
    return decode(alarmTime_).Hour;
}

int TKxClock::AlarmMinute() const {
    return decode(alarmTime_).Minute;
}

int TKxClock::AlarmSecond() const {
    return decode(alarmTime_).Second;
}

void TKxClock::setAlarmPart(int part, int value) {
    const TKxClockTime alarm = decode(alarmTime_);
    int parts[3] = {alarm.Hour, alarm.Minute, alarm.Second};
    parts[part] = value;
    if (parts[0] < 0 || parts[0] >= 24 || parts[1] < 0 || parts[1] >= 60 || parts[2] < 0 ||
        parts[2] >= 60) {
        const QString separator = timeSeparator();
        throw EConvertError(QStringLiteral("''%1'' is not a valid time")
                                .arg(QString::number(parts[0]) + separator +
                                     QString::number(parts[1]) + separator +
                                     QString::number(parts[2])));
    }
    alarmTime_ = encode(parts[0], parts[1], parts[2]);
    ResetAlarm();
}

void TKxClock::SetAlarmHour(int Value) {
    setAlarmPart(0, Value);
}

void TKxClock::SetAlarmMinute(int Value) {
    setAlarmPart(1, Value);
}

void TKxClock::SetAlarmSecond(int Value) {
    setAlarmPart(2, Value);
}

void TKxClock::SetAlarmTime(double Value) {
    alarmTime_ = timeOfDay(Value);
    ResetAlarm();
}

void TKxClock::ResetAlarm() {
    alarmWait_ = timeOfDay(GetSystemTime()) < alarmTime_ || alarmTime_ == 0;
}

bool TKxClock::IsAlarmTime(double time) const {
    const TKxClockTime now = decode(time);
    const TKxClockTime alarm = decode(alarmTime_);
    return now.Hour == alarm.Hour && now.Minute == alarm.Minute && now.Second >= alarm.Second;
}

void TKxClock::CheckAlarm() {
    if (AlarmEnabled && IsAlarmTime(GetSystemTime())) {
        if (alarmWait_) {
            alarmWait_ = false;
            Alarm();
        }
    } else {
        ResetAlarm();
    }
}

void TKxClock::Alarm() {
    if (OnAlarm)
        OnAlarm(this);
}

void TKxClock::TimerExpired() {
    const TKxClockTime now = GetTime();
    if (!(now == shown_))
        update();
    CheckAlarm();
}

void TKxClock::AlignControls() {
    int inset = BorderWidth() + 1;
    if (BevelOuter() != bvNone)
        inset += BevelWidth();
    if (BevelInner() != bvNone)
        inset += BevelWidth();
    QRect rect = ClientRect().adjusted(inset, inset, -inset, -inset);
    if (showMode_ == scAnalog) {
        const double ratio = ClockDensityRatio();
        if (rect.width() <= rect.height() / ratio) {
            const int height = int(rect.width() * ratio);
            rect = QRect(rect.x(), rect.y() + (rect.height() - height) / 2, rect.width(), height);
        } else {
            const int width = int(rect.height() / ratio);
            rect = QRect(rect.x() + (rect.width() - width) / 2, rect.y(), width, rect.height());
        }
        radius_ = rect.width() / 2;
        centre_ = QPoint(rect.x() + rect.width() / 2, rect.y() + rect.height() / 2);
    }
    clockRect_ = rect;
    if (autoSize_)
        FitFont();
}

void TKxClock::FitFont() {
    const int height = ClientRect().height() - 4;
    const int width = ClientRect().width() - 30;
    if (height <= 0 || width <= 0)
        return;
    QString sample = QStringLiteral("88888");
    if (showSeconds_)
        sample += QStringLiteral("888");
    QFont probe = font();
    probe.setPixelSize(1000);
    const QFontMetrics metrics(probe);
    if (twelveHour_)
        sample += ' ' + (metrics.horizontalAdvance(QLocale().amText()) >=
                                 metrics.horizontalAdvance(QLocale().pmText())
                             ? QLocale().amText()
                             : QLocale().pmText());
    const int sampleWidth = metrics.horizontalAdvance(sample);
    // A sample that measures nothing leaves the font as it is.
    if (sampleWidth <= 0)
        return;
    QFont fitted = font();
    fitted.setPixelSize(std::max(1, std::min(height * 4 / 5, 1000 * width / sampleWidth)));
    setFont(fitted);
}

void TKxClock::FrameChanged() {
    AlignControls();
}

void TKxClock::resizeEvent(QResizeEvent* event) {
    TCustomPanel::resizeEvent(event);
    AlignControls();
}

void TKxClock::Ctl3DChanged() {
    TCustomPanel::Ctl3DChanged();
    if (showMode_ == scAnalog)
        update();
}

void TKxClock::changeEvent(QEvent* event) {
    TCustomPanel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LocaleChange) {
        if (autoSize_ && event->type() == QEvent::LocaleChange)
            FitFont();
        update();
    }
}

QString TKxClock::TimeText() const {
    const TKxClockTime time = GetTime();
    int hour = time.Hour;
    if (twelveHour_)
        hour = hour % 12 == 0 ? 12 : hour % 12;
    const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QChar('0')); };
    const QString separator = timeSeparator();
    QString text =
        (leadingZero_ ? two(hour) : QString::number(hour)) + separator + two(time.Minute);
    if (showSeconds_)
        text += separator + two(time.Second);
    if (twelveHour_)
        text += ' ' + (time.Hour < 12 ? QLocale().amText() : QLocale().pmText());
    return text;
}

void TKxClock::Paint(QPainter& painter) {
    TCustomPanel::Paint(painter);
    painter.setFont(font());
    shown_ = GetTime();
    if (showMode_ == scDigital)
        PaintTimeStr(painter, clockRect_);
    else
        PaintAnalogClock(painter);
}

void TKxClock::PaintTimeStr(QPainter& painter, const QRect& rect) {
    const QString text = TimeText();
    int digits = showSeconds_ ? 8 : 5;
    if (!leadingZero_ && text.indexOf(timeSeparator()) == 1)
        --digits;
    const QString ampm = text.mid(digits);
    const QFontMetrics metrics = painter.fontMetrics();
    const int cell = metrics.horizontalAdvance('8');
    const int total = cell * digits + metrics.horizontalAdvance(ampm);
    int x = rect.x() + (rect.width() - total) / 2;
    const int top = rect.y() + (rect.height() - metrics.height()) / 2;
    painter.setPen(ToQColor(fontColor_));
    for (int i = 0; i < digits; ++i, x += cell)
        painter.drawText(QRect(x, top, cell, metrics.height()), Qt::AlignCenter | Qt::TextDontClip,
                         text.mid(i, 1));
    painter.drawText(QRect(x, top, metrics.horizontalAdvance(ampm), metrics.height()),
                     Qt::AlignLeft | Qt::TextDontClip, ampm);
}

QPoint TKxClock::Point(int index, int percent) const {
    const QPoint p = ClockPoints()[size_t((index % 60 + 60) % 60)];
    return centre_ + QPoint(int(qint64(p.x()) * radius_ * percent / 800000),
                            int(qint64(p.y()) * radius_ * percent / 800000));
}

void TKxClock::DrawHand(QPainter& painter, int position, int length, int width, int tail) {
    const QPoint tip = Point(position, length);
    const QPoint back = Point(position + 30, tail);
    const QPoint left = Point(position - 15, width);
    const QPoint right = Point(position + 15, width);
    platform::PolyLine(painter, {left, tip, right, back, left});
}

void TKxClock::PaintAnalogClock(QPainter& painter) {
    painter.fillRect(clockRect_, ToQColor(Color()));
    const int size = std::max(2, clockRect_.width() * 25 / screenWidth());
    const int dotHeight = std::max(1, int(size * ClockDensityRatio()));
    for (int i = 0; i < 60; ++i) {
        const QPoint inward = Point(i, 100 - 100 * size / std::max(radius_, 1));
        if (i % 5 == 0) {
            QRect dot(inward.x() - size / 2, inward.y() - dotHeight / 2, size, dotHeight);
            painter.fillRect(dot, ToQColor(dotsColor_));
            if (Ctl3D() && size >= 3 && dotHeight >= 2)
                platform::Frame3D(painter, dot, platform::clBtnHighlight, platform::clBtnShadow);
        } else {
            painter.fillRect(inward.x(), inward.y(), 2, 2, ToQColor(platform::clBtnShadow));
            if (Ctl3D())
                painter.fillRect(inward.x(), inward.y(), 1, 1, ToQColor(platform::clBtnHighlight));
        }
    }
    const TKxClockTime time = GetTime();
    painter.setPen(ToQColor(fontColor_));
    DrawHand(painter, time.Hour % 12 * 5 + time.Minute / 12, 60, 7, 15);
    DrawHand(painter, time.Minute, 80, 5, 20);
    if (showSeconds_)
        platform::LineTo(painter, centre_, Point(time.Second, 80));
}
