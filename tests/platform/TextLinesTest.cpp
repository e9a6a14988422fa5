#include "platform/TextLines.h"

#include <gtest/gtest.h>

TEST(TextLinesTest, LinesEndAtCrLfLfOrCr) {
    EXPECT_EQ(platform::SplitLines("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(platform::SplitLines("a\r\n\r\n"), (QStringList{"a", ""}));
    EXPECT_TRUE(platform::SplitLines("").isEmpty());
    EXPECT_EQ(platform::SplitLines("\xe8 caf\xe9\n"), (QStringList{QString::fromUtf8("è café")}));
}

TEST(TextLinesTest, TheFirstLineEndingIsReported) {
    QString eol;
    platform::SplitLines("a\rb\r\nc\n", &eol);
    EXPECT_EQ(eol, "\r");
    platform::SplitLines("a\r\nb\n", &eol);
    EXPECT_EQ(eol, "\r\n");
    platform::SplitLines("no ending", &eol);
    EXPECT_EQ(eol, "");
}
