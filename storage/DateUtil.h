#pragma once
// Date arithmetic, parsing of date texts by the short date format, and the library's default date
// formats and edit masks. Dates are the platform's day-count doubles (platform/DateTime.h).
// Formats use the original letters ("DD/MM/YYYY", "/" standing for the locale's date separator).

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>

using TDateTime = double;
constexpr TDateTime NullDate = 0.0;

enum TDateOrder { doMDY, doDMY, doYMD };
enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
// A set of TDayOfWeekName: bit n for day n.
using TDaysOfWeek = std::uint8_t;
constexpr TDaysOfWeek DayBit(TDayOfWeekName day) {
    return TDaysOfWeek(1u << day);
}

// A text that is no date ("''%s'' is not a valid date").
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

extern std::uint8_t CenturyOffset;

// The locale and the clock the unit reads; tests pin both. Each setter returns the previous one.
// Without a pinned locale the unit follows QLocale().
QLocale DateLocale();
std::optional<QLocale> SetDateLocale(std::optional<QLocale> locale);
using DateClock = std::function<QDateTime()>;
DateClock SetDateClock(DateClock clock);
QDateTime CurrentDateTime();
// Today as a whole day.
TDateTime Today();

// The locale's short date format in the original letters, and its date separator (the first
// character of the format that is no letter).
QString ShortDateFormat();
QChar DateSeparator();
// True when the short date format has a four-digit year.
bool FourDigitYear();

bool IsLeapYear(int AYear);
int DaysPerMonth(int AYear, int AMonth);
bool IsValidDate(int Y, int M, int D);
bool ValidDate(TDateTime ADate);
TDateTime EncodeDate(int Y, int M, int D);
void DecodeDate(TDateTime ADate, int& Y, int& M, int& D);

TDateTime FirstDayOfNextMonth();
TDateTime FirstDayOfPrevMonth();
TDateTime LastDayOfPrevMonth();
int ExtractDay(TDateTime ADate);
int ExtractMonth(TDateTime ADate);
int ExtractYear(TDateTime ADate);
TDateTime IncDate(TDateTime ADate, int Days, int Months, int Years);
TDateTime IncDay(TDateTime ADate, int Delta);
TDateTime IncMonth(TDateTime ADate, int Delta);
TDateTime IncYear(TDateTime ADate, int Delta);
void DateDiff(TDateTime Date1, TDateTime Date2, int& Days, int& Months, int& Years);
double MonthsBetween(TDateTime Date1, TDateTime Date2);
int DaysInPeriod(TDateTime Date1, TDateTime Date2);
int DaysBetween(TDateTime Date1, TDateTime Date2);
TDateTime IncTime(TDateTime ATime, int Hours, int Minutes, int Seconds, int MSecs);
TDateTime IncHour(TDateTime ATime, int Delta);
TDateTime IncMinute(TDateTime ATime, int Delta);
TDateTime IncSecond(TDateTime ATime, int Delta);
TDateTime IncMSec(TDateTime ATime, int Delta);
TDateTime CutTime(TDateTime ADate);
int CurrentYear();
int MonthFromName(const QString& S, int MaxLen);
QString FormatLongDate(TDateTime Value);
QString FormatLongDateTime(TDateTime Value);

// A year below 100 placed in the hundred years that start CenturyOffset years ago.
int ExpandYear(int Year);

TDateOrder GetDateOrder(const QString& DateFormat);
// Throws EConvertError for a text that is no date; an empty text is NullDate.
TDateTime StrToDateFmt(const QString& DateFormat, const QString& S);
TDateTime StrToDateFmtDef(const QString& DateFormat, const QString& S, TDateTime Default);
TDateTime StrToDateDef(const QString& S, TDateTime Default);
// True with the date when the text parses (an empty text is NullDate).
bool InternalStrToDate(const QString& DateFormat, const QString& S, TDateTime& Date);

QString DefDateFormat(bool FourDigitYear);
QString DefDateMask(QChar BlanksChar, bool FourDigitYear);
// The date written with a format of the original letters; "/" is the date separator.
QString FormatDateFmt(const QString& DateFormat, TDateTime ADate);
