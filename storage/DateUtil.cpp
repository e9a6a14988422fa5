#include "storage/DateUtil.h"

#include "platform/DateTime.h"

#include <cmath>
#include <cstdlib>

std::uint8_t CenturyOffset = 60;

namespace {

std::optional<QLocale>& pinnedLocale() {
    static std::optional<QLocale> locale;
    return locale;
}

DateClock& pinnedClock() {
    static DateClock clock;
    return clock;
}

constexpr int DaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Far outside years 1..9999 there is no date (and no int to hold the days).
constexpr double MaxDays = 4.0e6;

QDate toQDate(TDateTime date) {
    if (!std::isfinite(date) || std::fabs(date) > MaxDays)
        return QDate();
    return platform::DaysToDate(int(std::floor(date)));
}

TDateTime timeOf(TDateTime date) {
    return date - std::floor(date);
}

// The run of `letter` that begins at the first place `start` occurs in the upper-cased format.
struct Run {
    int pos = -1;
    int length = 0;
};

Run findRun(const QString& format, const QString& start) {
    Run run;
    run.pos = format.indexOf(start);
    if (run.pos < 0)
        return run;
    const QChar letter = start[0];
    run.length = 0;
    while (run.pos + run.length < format.size() && format[run.pos + run.length] == letter)
        ++run.length;
    return run;
}

// The text's characters under the run, blanks dropped.
QString charsUnder(const QString& text, Run run) {
    QString chars = text.mid(run.pos, run.length);
    chars.remove(QLatin1Char(' '));
    return chars;
}

int numberUnder(const QString& text, Run run) {
    const QString chars = charsUnder(text, run);
    bool ok = false;
    const int value = chars.toInt(&ok);
    return chars.isEmpty() || !ok ? -1 : value;
}

bool parseByMask(const QString& format, const QString& text, int& y, int& m, int& d) {
    const Run monthName = findRun(format, QStringLiteral("MMM"));
    const Run month = findRun(format, QStringLiteral("M"));
    const Run day = findRun(format, QStringLiteral("D"));
    const Run year = findRun(format, QStringLiteral("Y"));
    m = 0;
    if (monthName.pos >= 0)
        m = MonthFromName(charsUnder(text, monthName), monthName.length);
    if (m == 0 && month.pos >= 0)
        m = numberUnder(text, month);
    d = day.pos >= 0 ? numberUnder(text, day) : 1;
    y = year.pos >= 0 ? ExpandYear(numberUnder(text, year)) : CurrentYear();
    return IsValidDate(y, m, d);
}

class Scanner {
public:
    Scanner(const QString& text, QChar separator) : text_(text), separator_(separator) {}

    bool number(int& value) {
        skipBlanks();
        if (pos_ >= text_.size() || !text_[pos_].isDigit())
            return false;
        value = 0;
        while (pos_ < text_.size() && text_[pos_].isDigit() && value < 1000)
            value = value * 10 + text_[pos_++].digitValue();
        return true;
    }
    bool separator() {
        if (pos_ < text_.size() && text_[pos_] == separator_) {
            ++pos_;
            return true;
        }
        return false;
    }
    void skipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == QLatin1Char(' '))
            ++pos_;
    }
    int pos() const { return pos_; }
    void setPos(int pos) { pos_ = pos; }
    bool atEnd() const { return pos_ == text_.size(); }

private:
    const QString& text_;
    QChar separator_;
    int pos_ = 0;
};

bool parseByScan(const QString& format, const QString& text, int& y, int& m, int& d) {
    const TDateOrder order = GetDateOrder(format);
    Scanner scan(text, DateSeparator());
    int n1 = 0, n2 = 0, n3 = 0;
    if (!scan.number(n1) || !scan.separator() || !scan.number(n2))
        return false;
    const int afterTwo = scan.pos();
    if (scan.separator() && scan.number(n3)) {
        switch (order) {
        case doMDY:
            m = n1, d = n2, y = n3;
            break;
        case doDMY:
            d = n1, m = n2, y = n3;
            break;
        case doYMD:
            y = n1, m = n2, d = n3;
            break;
        }
        y = ExpandYear(y);
    } else {
        scan.setPos(afterTwo);
        y = CurrentYear();
        if (order == doDMY)
            d = n1, m = n2;
        else
            m = n1, d = n2;
    }
    scan.separator();
    scan.skipBlanks();
    return scan.atEnd() && IsValidDate(y, m, d);
}

} // namespace

QLocale DateLocale() {
    return pinnedLocale().value_or(QLocale());
}

std::optional<QLocale> SetDateLocale(std::optional<QLocale> locale) {
    return std::exchange(pinnedLocale(), std::move(locale));
}

DateClock SetDateClock(DateClock clockFunction) {
    return std::exchange(pinnedClock(), std::move(clockFunction));
}

QDateTime CurrentDateTime() {
    return pinnedClock() ? pinnedClock()() : QDateTime::currentDateTime();
}

TDateTime Today() {
    return platform::DateToDays(CurrentDateTime().date());
}

QString ShortDateFormat() {
    QString format = DateLocale().dateFormat(QLocale::ShortFormat);
    // The original letters write the month as "m".
    return format.replace(QLatin1Char('M'), QLatin1Char('m'));
}

QChar DateSeparator() {
    for (const QChar c : DateLocale().dateFormat(QLocale::ShortFormat)) {
        if (!c.isLetter())
            return c;
    }
    return QLatin1Char('/');
}

bool FourDigitYear() {
    return ShortDateFormat().toUpper().contains(QLatin1String("YYYY"));
}

bool IsLeapYear(int AYear) {
    return AYear % 4 == 0 && (AYear % 100 != 0 || AYear % 400 == 0);
}

int DaysPerMonth(int AYear, int AMonth) {
    if (AMonth < 1 || AMonth > 12)
        return 0;
    return AMonth == 2 && IsLeapYear(AYear) ? 29 : DaysInMonth[AMonth - 1];
}

bool IsValidDate(int Y, int M, int D) {
    return Y >= 1 && Y <= 9999 && M >= 1 && M <= 12 && D >= 1 && D <= DaysPerMonth(Y, M);
}

bool ValidDate(TDateTime ADate) {
    int y = 0, m = 0, d = 0;
    DecodeDate(ADate, y, m, d);
    return IsValidDate(y, m, d);
}

TDateTime EncodeDate(int Y, int M, int D) {
    return platform::DateToDays(QDate(Y, M, D));
}

void DecodeDate(TDateTime ADate, int& Y, int& M, int& D) {
    toQDate(ADate).getDate(&Y, &M, &D);
}

TDateTime FirstDayOfNextMonth() {
    return IncMonth(EncodeDate(CurrentYear(), ExtractMonth(Today()), 1), 1);
}

TDateTime FirstDayOfPrevMonth() {
    return IncMonth(EncodeDate(CurrentYear(), ExtractMonth(Today()), 1), -1);
}

TDateTime LastDayOfPrevMonth() {
    return EncodeDate(CurrentYear(), ExtractMonth(Today()), 1) - 1;
}

int ExtractDay(TDateTime ADate) {
    return toQDate(ADate).day();
}

int ExtractMonth(TDateTime ADate) {
    return toQDate(ADate).month();
}

int ExtractYear(TDateTime ADate) {
    return toQDate(ADate).year();
}

TDateTime IncDate(TDateTime ADate, int Days, int Months, int Years) {
    int y = 0, m = 0, d = 0;
    DecodeDate(ADate, y, m, d);
    const int months = (y + Years) * 12 + (m - 1) + Months;
    y = months >= 0 ? months / 12 : (months - 11) / 12;
    m = months - y * 12 + 1;
    d = std::min(d, DaysPerMonth(y, m));
    const QDate date(y, m, d);
    if (!date.isValid())
        return ADate;
    return platform::DateToDays(date) + Days + timeOf(ADate);
}

TDateTime IncDay(TDateTime ADate, int Delta) {
    return ADate + Delta;
}

TDateTime IncMonth(TDateTime ADate, int Delta) {
    return IncDate(ADate, 0, Delta, 0);
}

TDateTime IncYear(TDateTime ADate, int Delta) {
    return IncDate(ADate, 0, 0, Delta);
}

void DateDiff(TDateTime Date1, TDateTime Date2, int& Days, int& Months, int& Years) {
    if (Date1 > Date2)
        std::swap(Date1, Date2);
    int y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
    DecodeDate(Date1, y1, m1, d1);
    DecodeDate(Date2, y2, m2, d2);
    Years = y2 - y1;
    Months = m2 - m1;
    Days = d2 - d1;
    if (Days < 0) {
        Days += DaysPerMonth(y1, m1);
        --Months;
    }
    if (Months < 0) {
        Months += 12;
        --Years;
    }
}

double MonthsBetween(TDateTime Date1, TDateTime Date2) {
    int days = 0, months = 0, years = 0;
    DateDiff(Date1, Date2, days, months, years);
    double result = 12.0 * years + months;
    if (days >= 21)
        result += 1.0;
    else if (days >= 15)
        result += 0.75;
    else if (days >= 7)
        result += 0.5;
    else if (days >= 2)
        result += 0.25;
    return result;
}

int DaysInPeriod(TDateTime Date1, TDateTime Date2) {
    if (!ValidDate(Date1) || !ValidDate(Date2))
        return 0;
    return int(std::abs(std::trunc(Date2) - std::trunc(Date1))) + 1;
}

int DaysBetween(TDateTime Date1, TDateTime Date2) {
    return std::max(0, int(std::trunc(Date2) - std::trunc(Date1)) + 1);
}

TDateTime IncTime(TDateTime ATime, int Hours, int Minutes, int Seconds, int MSecs) {
    const double msecs = (Hours % 24) * 3600000.0 + Minutes * 60000.0 + Seconds * 1000.0 + MSecs;
    TDateTime result = ATime + Hours / 24 + msecs / 86400000.0;
    if (result < 0)
        result += 1;
    return result;
}

TDateTime IncHour(TDateTime ATime, int Delta) {
    return IncTime(ATime, Delta, 0, 0, 0);
}

TDateTime IncMinute(TDateTime ATime, int Delta) {
    return IncTime(ATime, 0, Delta, 0, 0);
}

TDateTime IncSecond(TDateTime ATime, int Delta) {
    return IncTime(ATime, 0, 0, Delta, 0);
}

TDateTime IncMSec(TDateTime ATime, int Delta) {
    return IncTime(ATime, 0, 0, 0, Delta);
}

TDateTime CutTime(TDateTime ADate) {
    return std::trunc(ADate);
}

int CurrentYear() {
    return CurrentDateTime().date().year();
}

int MonthFromName(const QString& S, int MaxLen) {
    const QLocale locale = DateLocale();
    for (int month = 1; month <= 12; ++month) {
        const QString name = locale.monthName(month, QLocale::LongFormat).left(MaxLen);
        if (S.left(MaxLen).compare(name, Qt::CaseInsensitive) == 0)
            return month;
    }
    return 0;
}

QString FormatLongDate(TDateTime Value) {
    QString text = DateLocale().toString(toQDate(Value), QLocale::LongFormat);
    while (!text.isEmpty() &&
           (text.back().isSpace() || text.back().category() == QChar::Other_Control))
        text.chop(1);
    return text;
}

QString FormatLongDateTime(TDateTime Value) {
    if (Value == NullDate)
        return QString();
    const QDateTime dateTime = platform::DoubleToDateTime(Value);
    return FormatLongDate(Value) + QLatin1Char(' ') +
           DateLocale().toString(dateTime.time(), QLocale::ShortFormat);
}

int ExpandYear(int Year) {
    if (Year < 0 || Year >= 100)
        return Year;
    const int base = CurrentYear() - CenturyOffset;
    Year += base / 100 * 100;
    if (CenturyOffset > 0 && base > Year)
        Year += 100;
    return Year;
}

TDateOrder GetDateOrder(const QString& DateFormat) {
    for (const QChar c : DateFormat) {
        switch (c.toUpper().unicode()) {
        case 'D':
            return doDMY;
        case 'E':
        case 'Y':
            return doYMD;
        case 'M':
            return doMDY;
        default:
            break;
        }
    }
    return doDMY;
}

bool InternalStrToDate(const QString& DateFormat, const QString& S, TDateTime& Date) {
    if (S.isEmpty()) {
        Date = NullDate;
        return true;
    }
    const QString format = DateFormat.toUpper();
    int y = 0, m = 0, d = 0;
    const bool parsed = (S.size() <= format.size() && parseByMask(format, S, y, m, d)) ||
                        parseByScan(DateFormat, S, y, m, d);
    if (parsed)
        Date = EncodeDate(y, m, d);
    return parsed;
}

TDateTime StrToDateFmt(const QString& DateFormat, const QString& S) {
    TDateTime date = NullDate;
    if (!InternalStrToDate(DateFormat, S, date))
        throw EConvertError(QStringLiteral("''%1'' is not a valid date").arg(S));
    return date;
}

TDateTime StrToDateFmtDef(const QString& DateFormat, const QString& S, TDateTime Default) {
    TDateTime date = NullDate;
    return InternalStrToDate(DateFormat, S, date) ? date : CutTime(Default);
}

TDateTime StrToDateDef(const QString& S, TDateTime Default) {
    return StrToDateFmtDef(ShortDateFormat(), S, Default);
}

QString DefDateFormat(bool FourDigitYear) {
    const QString year = FourDigitYear ? QStringLiteral("YYYY") : QStringLiteral("YY");
    switch (GetDateOrder(ShortDateFormat())) {
    case doMDY:
        return QStringLiteral("MM/DD/") + year;
    case doYMD:
        return year + QStringLiteral("/MM/DD");
    default:
        return QStringLiteral("DD/MM/") + year;
    }
}

QString DefDateMask(QChar BlanksChar, bool FourDigitYear) {
    QString mask;
    if (!FourDigitYear)
        mask = QStringLiteral("!99/99/99;1;");
    else if (GetDateOrder(ShortDateFormat()) == doYMD)
        mask = QStringLiteral("!9999/99/99;1;");
    else
        mask = QStringLiteral("!99/99/9999;1;");
    return mask + BlanksChar;
}

QString FormatDateFmt(const QString& DateFormat, TDateTime ADate) {
    QString pattern = DateFormat;
    pattern.replace(QLatin1Char('/'), DateSeparator());
    return platform::FormatDate(pattern, platform::DoubleToDateTime(ADate), DateLocale());
}
