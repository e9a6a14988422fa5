// The original edit masks in Qt's language, and the masked edit's text read the original way.

#include "platform/MaskEdit.h"

#include <QTest>
#include <gtest/gtest.h>

using platform::TranslateEditMask;

TEST(EditMaskTest, TranslatesLettersSeparatorsAndFields) {
    struct Case {
        const char* locale;
        const char* mask;
        const char* qtMask;
        bool saveLiterals;
    };
    const Case cases[] = {
        {"it_IT", "!99/99/9999;1; ", "00/00/0000; ", true},
        {"de_DE", "!99/99/99;1;_", "00.00.00;_", true},
        {"it_IT", "99AA;0;*", "00NN;*", false},
        {"C", "00:00", "99:99;_", true},
        {"C", "LlCc#", "AaXx#;_", true},
        {"C", "<>>L<l", "!>A<a;_", true},
        {"C", "\\0HD_x", "\\0\\H\\D \\x;_", true},
        {"C", "", "", true},
    };
    for (const Case& c : cases) {
        const auto out = TranslateEditMask(QString::fromLatin1(c.mask), QLocale(c.locale));
        EXPECT_EQ(out.InputMask, QString::fromLatin1(c.qtMask)) << c.mask;
        EXPECT_EQ(out.SaveLiterals, c.saveLiterals) << c.mask;
    }
}

TEST(EditMaskTest, TextKeepsBlanksInPlaceAndDropsUnsavedLiterals) {
    QLocale::setDefault(QLocale("it_IT"));
    platform::TMaskEdit date;
    date.SetEditMask(QStringLiteral("!99/99/9999;1; "));
    date.SetText(QStringLiteral("05/03/2024"));
    EXPECT_EQ(date.Text(), QStringLiteral("05/03/2024"));
    date.clear();
    EXPECT_EQ(date.Text(), QStringLiteral("  /  /    "));

    platform::TMaskEdit code;
    code.SetEditMask(QStringLiteral("99-AA;0;*"));
    code.setFocus();
    QTest::keyClicks(&code, QStringLiteral("7XY"));
    EXPECT_EQ(code.Text(), QStringLiteral("7*XY"));
    QLocale::setDefault(QLocale::c());
}

TEST(EditMaskTest, WithLeadingBlanksEachFieldReadsItsBlanksFirst) {
    struct Case {
        const char* mask;
        const char* shown;
        const char* text;
    };
    const Case cases[] = {
        {"!99/99/9999;1; ", "5 /3 /2024", " 5/ 3/2024"},
        {"!99/99/9999;1; ", "05/03/2024", "05/03/2024"},
        {"!99/99/9999;1; ", "  /  /    ", "  /  /    "},
        {"!99/99/9999;1; ", " 5/ 3/24  ", " 5/ 3/  24"},
        {"99/99/9999;1; ", "5 /3 /2024", "5 /3 /2024"},
        {"!9999/99/99;1;_", "24__/1_/5_", "__24/_1/_5"},
        {"!99-AA;0;*", "7*-X*", "*7*X"},
        {"99-AA;0;*", "7*-X*", "7*X*"},
        {"!99AA;0;*", "7**X", "**7X"},
    };
    for (const Case& c : cases) {
        const auto mask = TranslateEditMask(QString::fromLatin1(c.mask), QLocale("it_IT"));
        EXPECT_EQ(platform::MaskedText(QString::fromLatin1(c.shown), mask),
                  QString::fromLatin1(c.text))
            << c.mask << " " << c.shown;
    }

    QLocale::setDefault(QLocale("it_IT"));
    platform::TMaskEdit date;
    date.SetEditMask(QStringLiteral("!99/99/9999;1; "));
    date.setFocus();
    QTest::keyClicks(&date, QStringLiteral("5"));
    date.setCursorPosition(3);
    QTest::keyClicks(&date, QStringLiteral("3"));
    date.setCursorPosition(6);
    QTest::keyClicks(&date, QStringLiteral("2024"));
    EXPECT_EQ(date.displayText(), QStringLiteral("5 /3 /2024"));
    EXPECT_EQ(date.Text(), QStringLiteral(" 5/ 3/2024"));
    QLocale::setDefault(QLocale::c());
}
