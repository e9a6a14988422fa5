// Date arithmetic, parsing by mask and by scan, year expansion, formats and masks under pinned
// locales and a pinned clock.

#include "storage/DateUtil.h"

#include <gtest/gtest.h>

namespace {

class DateUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldClock_ = SetDateClock([] { return QDateTime(QDate(2026, 6, 15), QTime(12, 0)); });
        Pin("it_IT");
    }
    void TearDown() override {
        SetDateClock(oldClock_);
        SetDateLocale(std::nullopt);
    }
    static void Pin(const char* name) { SetDateLocale(QLocale(QString::fromLatin1(name))); }
    static TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

    DateClock oldClock_;
};

TEST_F(DateUtilTest, CalendarRules) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_EQ(DaysPerMonth(2023, 2), 28);
    EXPECT_EQ(DaysPerMonth(2024, 2), 29);
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
    EXPECT_TRUE(IsValidDate(9999, 12, 31));
    EXPECT_FALSE(ValidDate(1e300));
    EXPECT_FALSE(ValidDate(std::nan("")));
}

TEST_F(DateUtilTest, YearExpansion) {
    EXPECT_EQ(ExpandYear(12), 2012);
    EXPECT_EQ(ExpandYear(70), 1970);
    EXPECT_EQ(ExpandYear(65), 2065);
    EXPECT_EQ(ExpandYear(1999), 1999);
    EXPECT_EQ(ExpandYear(-1), -1);
}

TEST_F(DateUtilTest, ParsesByMaskAndByScan) {
    struct Case {
        const char* locale;
        const char* format;
        const char* text;
        int y, m, d; // 0: no date
    };
    const Case cases[] = {
        {"it_IT", "DD/MM/YYYY", "29/02/2023", 0, 0, 0},
        {"it_IT", "DD/MM/YYYY", "29/02/2024", 2024, 2, 29},
        {"it_IT", "DD/MM/YYYY", "5/3", 2026, 3, 5},
        {"it_IT", "DD/MM/YYYY", "5/3/12", 2012, 3, 5},
        {"it_IT", "DD/MM/YYYY", "05/03/2024x", 0, 0, 0},
        {"it_IT", "DD/MM/YYYY", " 5/ 3/2024", 2024, 3, 5},
        {"it_IT", "DD/MM/YYYY", "  /  /    ", 0, 0, 0},
        {"it_IT", "DD/MM/YY", "01/12/70", 1970, 12, 1},
        {"it_IT", "DD-MMM-YYYY", "07-mar-2025", 2025, 3, 7},
        {"en_US", "MM/DD/YYYY", "03/05/2024", 2024, 3, 5},
        {"en_US", "MM/DD/YYYY", "3/5", 2026, 3, 5},
        {"en_US", "MM/DD/YYYY", "12/31/99999", 0, 0, 0},
        {"C", "DD/MM/YYYY", "05 03 2024", 2024, 3, 5},
        {"C", "YYYY/MM/DD", "2024 3 5", 2024, 3, 5},
    };
    for (const Case& c : cases) {
        Pin(c.locale);
        TDateTime date = -1;
        const bool ok =
            InternalStrToDate(QString::fromLatin1(c.format), QString::fromLatin1(c.text), date);
        EXPECT_EQ(ok, c.y != 0) << c.locale << " " << c.text;
        if (ok && c.y != 0) {
            EXPECT_EQ(date, D(c.y, c.m, c.d)) << c.text;
        }
    }
}

TEST_F(DateUtilTest, StrictParseRaisesAndDefaultsFallBack) {
    EXPECT_EQ(StrToDateFmt("DD/MM/YYYY", ""), NullDate);
    try {
        StrToDateFmt("DD/MM/YYYY", "31/04/2024");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("''31/04/2024'' is not a valid date"));
    }
    EXPECT_EQ(StrToDateFmtDef("DD/MM/YYYY", "xx", D(2020, 1, 2) + 0.75), D(2020, 1, 2));
    EXPECT_EQ(StrToDateDef("4/7/21", NullDate), D(2021, 7, 4));
}

TEST_F(DateUtilTest, FormatsAndMasksPerLocale) {
    struct Case {
        const char* locale;
        const char* format4;
        const char* format2;
        const char* mask4;
        QChar separator;
        bool fourDigits;
        const char* shown; // 5 March 2024 in the four-digit format
    };
    const Case cases[] = {
        {"it_IT", "DD/MM/YYYY", "DD/MM/YY", "!99/99/9999;1; ", '/', false, "05/03/2024"},
        {"en_US", "MM/DD/YYYY", "MM/DD/YY", "!99/99/9999;1; ", '/', false, "03/05/2024"},
        {"C", "DD/MM/YYYY", "DD/MM/YY", "!99/99/9999;1; ", ' ', true, "05 03 2024"},
        {"ja_JP", "YYYY/MM/DD", "YY/MM/DD", "!9999/99/99;1; ", '/', true, "2024/03/05"},
        {"de_DE", "DD/MM/YYYY", "DD/MM/YY", "!99/99/9999;1; ", '.', false, "05.03.2024"},
    };
    for (const Case& c : cases) {
        Pin(c.locale);
        EXPECT_EQ(DefDateFormat(true), QString::fromLatin1(c.format4)) << c.locale;
        EXPECT_EQ(DefDateFormat(false), QString::fromLatin1(c.format2)) << c.locale;
        EXPECT_EQ(DefDateMask(' ', true), QString::fromLatin1(c.mask4)) << c.locale;
        EXPECT_EQ(DateSeparator(), c.separator) << c.locale;
        EXPECT_EQ(FourDigitYear(), c.fourDigits) << c.locale;
        EXPECT_EQ(FormatDateFmt(DefDateFormat(true), D(2024, 3, 5)), QString::fromLatin1(c.shown));
    }
    EXPECT_EQ(DefDateMask('*', false), QStringLiteral("!99/99/99;1;*"));
    Pin("it_IT");
    EXPECT_EQ(FormatDateFmt("MMMM, YYYY", D(2024, 3, 5)), QStringLiteral("marzo, 2024"));
    EXPECT_EQ(MonthFromName("MAR", 3), 3);
    EXPECT_EQ(MonthFromName("xyz", 3), 0);
    EXPECT_EQ(FormatLongDate(D(2024, 3, 5)), QStringLiteral("marted\u00EC 5 marzo 2024"));
    EXPECT_EQ(FormatLongDateTime(NullDate), QString());
}

TEST_F(DateUtilTest, Arithmetic) {
    EXPECT_EQ(IncMonth(D(2024, 1, 31), 1), D(2024, 2, 29));
    EXPECT_EQ(IncMonth(D(2024, 1, 15), -1), D(2023, 12, 15));
    EXPECT_EQ(IncYear(D(2000, 2, 29), 1), D(2001, 2, 28));
    EXPECT_EQ(IncDate(D(2024, 11, 30) + 0.5, 2, 1, 0), D(2025, 1, 1) + 0.5);
    EXPECT_DOUBLE_EQ(MonthsBetween(D(2024, 1, 1), D(2024, 3, 10)), 2.5);
    int days = 0, months = 0, years = 0;
    DateDiff(D(2024, 3, 5), D(2023, 1, 31), days, months, years);
    EXPECT_EQ(years, 1);
    EXPECT_EQ(months, 1);
    EXPECT_EQ(days, 5);
    EXPECT_EQ(DaysInPeriod(D(2024, 1, 10), D(2024, 1, 1)), 10);
    EXPECT_EQ(DaysBetween(D(2024, 1, 10), D(2024, 1, 1)), 0);
    EXPECT_DOUBLE_EQ(IncHour(D(2024, 1, 1), 25), D(2024, 1, 2) + 1.0 / 24);
    EXPECT_DOUBLE_EQ(IncMinute(0.0, -30), 1.0 - 30.0 / 1440);
    EXPECT_EQ(CutTime(D(2024, 1, 1) + 0.9), D(2024, 1, 1));
    EXPECT_EQ(FirstDayOfNextMonth(), D(2026, 7, 1));
    EXPECT_EQ(FirstDayOfPrevMonth(), D(2026, 5, 1));
    EXPECT_EQ(LastDayOfPrevMonth(), D(2026, 5, 31));
    EXPECT_EQ(Today(), D(2026, 6, 15));
    EXPECT_EQ(GetDateOrder("yyyy"), doYMD);
    EXPECT_EQ(GetDateOrder("--"), doDMY);
}

} // namespace
