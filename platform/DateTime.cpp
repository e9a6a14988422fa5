#include "platform/DateTime.h"

#include <cmath>

namespace platform {

namespace {

const QDate& dayZero() {
    static const QDate zero(1899, 12, 30);
    return zero;
}

bool isPatternLetter(QChar c) {
    return QStringLiteral("dmyhns").contains(c.toLower());
}

// The original letter of one run and its Qt counterpart.
QString qtRun(QChar letter, int count) {
    switch (letter.toLower().unicode()) {
    case 'd':
        return QString(count, QLatin1Char('d'));
    case 'm':
        return QString(std::min(count, 4), QLatin1Char('M'));
    case 'y':
        return count <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
    case 'h':
        return QString(std::min(count, 2), QLatin1Char('H'));
    case 'n':
        return QString(std::min(count, 2), QLatin1Char('m'));
    default:
        return QString(std::min(count, 2), QLatin1Char('s'));
    }
}

// Text between the letters stands as it is: one quoted piece, so that Qt reads none of it.
QString quoted(QString literal) {
    if (literal.isEmpty())
        return literal;
    literal.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + literal + QLatin1Char('\'');
}

} // namespace

int DateToDays(const QDate& date) {
    return int(dayZero().daysTo(date));
}

QDate DaysToDate(int days) {
    return dayZero().addDays(days);
}

double DateTimeToDouble(const QDateTime& dateTime) {
    const double fraction = dateTime.time().msecsSinceStartOfDay() / 86400000.0;
    return DateToDays(dateTime.date()) + fraction;
}

QDateTime DoubleToDateTime(double value) {
    const double days = std::floor(value);
    const int msecs = int(std::lround((value - days) * 86400000.0));
    return QDateTime(DaysToDate(int(days)), QTime(0, 0).addMSecs(msecs));
}

QString FormatDate(const QString& pattern, const QDateTime& dateTime, const QLocale& locale) {
    QString qtPattern;
    QString literal;
    for (int i = 0; i < pattern.size();) {
        if (!isPatternLetter(pattern[i])) {
            literal += pattern[i++];
            continue;
        }
        int end = i + 1;
        while (end < pattern.size() && pattern[end].toLower() == pattern[i].toLower())
            ++end;
        qtPattern += quoted(std::exchange(literal, QString())) + qtRun(pattern[i], end - i);
        i = end;
    }
    qtPattern += quoted(literal);
    return locale.toString(dateTime, qtPattern);
}

} // namespace platform
