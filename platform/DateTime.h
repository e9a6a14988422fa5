#pragma once
// Dates on the original platform's scale: a double counting days from 30 December 1899 (day 0),
// the time of day as its fraction; and format patterns written with that platform's letters.

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace platform {

// Whole days of the date on the scale.
int DateToDays(const QDate& date);
QDate DaysToDate(int days);
double DateTimeToDouble(const QDateTime& dateTime);
QDateTime DoubleToDateTime(double value);

// The date written with a pattern of the original letters: "d", "dd", "m", "mm", "yy", "yyyy"
// ("m" is the month; "n" is the minute, "h" and "s" hour and second); other characters stand as
// they are. Month and day names are the locale's.
QString FormatDate(const QString& pattern, const QDateTime& dateTime,
                   const QLocale& locale = QLocale::c());

} // namespace platform
