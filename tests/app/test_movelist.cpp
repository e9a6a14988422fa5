#include "app/MoveList.h"

#include <gtest/gtest.h>

using namespace movelist;

TEST(MoveListTest, WhiteFromColumnFiveBlackFromColumnFourteen) {
    QStringList lines;
    AddMove(lines, "e2-e4", false, 1);
    EXPECT_EQ(lines, QStringList{"1.  e2-e4    "});
    AddMove(lines, "e7-e5", true, 1);
    EXPECT_EQ(lines, QStringList{"1.  e2-e4    e7-e5"});
    AddMove(lines, "g1-f3", false, 2);
    EXPECT_EQ(lines.last(), "2.  g1-f3    ");
    AddMove(lines, "e7-e8=D+", false, 10);
    EXPECT_EQ(lines.last(), "10. e7-e8=D+ ");
    AddMove(lines, "0-0-0", true, 10);
    EXPECT_EQ(lines.last(), "10. e7-e8=D+ 0-0-0");
}

TEST(MoveListTest, BlackMovingFirstLeavesTheWhiteColumnEmpty) {
    QStringList lines;
    AddMove(lines, "e7-e5", true, 7);
    EXPECT_EQ(lines, QStringList{"7.           e7-e5"});
    AddMove(lines, "g1-f3", false, 8);
    EXPECT_EQ(lines.last(), "8.  g1-f3    ");
}

TEST(MoveListTest, RemovingHalfMoves) {
    QStringList lines{"1.  e2-e4    e7-e5", "2.  g1-f3    "};
    RemoveLastMove(lines);
    EXPECT_EQ(lines, QStringList{"1.  e2-e4    e7-e5"});
    RemoveLastMove(lines);
    EXPECT_EQ(lines, QStringList{"1.  e2-e4   "});
    RemoveLastMove(lines);
    EXPECT_TRUE(lines.isEmpty());
    RemoveLastMove(lines);
    EXPECT_TRUE(lines.isEmpty());

    QStringList blackOnly{"7.           e7-e5"};
    RemoveLastMove(blackOnly);
    EXPECT_TRUE(blackOnly.isEmpty());
}

TEST(MoveListTest, MarkersGoBeforeTheMoveTheyFollow) {
    QStringList lines{"1.  e2-e4    e7-e5"};
    AddMarker(lines, "resign");
    EXPECT_EQ(lines, (QStringList{"1.  e2-e4    e7-e5", "", "resign"}));
    RemoveLastMove(lines);
    EXPECT_EQ(lines, QStringList{"1.  e2-e4   "});

    AddMarker(lines, "draw");
    AddMove(lines, "e7-e5", true, 1);
    EXPECT_EQ(lines.last(), "1.           e7-e5");
}

// A comment stays behind the moves of its line while Black's move comes and goes.
TEST(MoveListTest, ACommentKeepsTheListAndTheFileLinesApart) {
    QStringList lines;
    AddMove(lines, "e2-e4", false, 1);
    ASSERT_TRUE(AddComment(lines, 0, "apertura"));
    EXPECT_EQ(lines, QStringList{"1.  e2-e4              (apertura)"});
    AddMove(lines, "e7-e5", true, 1);
    EXPECT_EQ(lines, QStringList{"1.  e2-e4    e7-e5     (apertura)"});
    AddMove(lines, "g1-f3", false, 2);
    EXPECT_EQ(GameFileMoves(lines), (QStringList{"1. e2-e4   ", "1. e7-e5   ", "2. g1-f3   "}));
    ASSERT_TRUE(AddComment(lines, 0, "di re"));
    EXPECT_EQ(lines.first(), "1.  e2-e4    e7-e5     (di re)");
    RemoveLastMove(lines);
    RemoveLastMove(lines);
    EXPECT_EQ(lines, QStringList{"1.  e2-e4              (di re)"});
    RemoveLastMove(lines);
    EXPECT_TRUE(lines.isEmpty());

    AddMarker(lines, "resign");
    EXPECT_FALSE(AddComment(lines, 1, "x"));
    EXPECT_FALSE(AddComment(lines, 5, "x"));
    EXPECT_EQ(lines, (QStringList{"", "resign"}));
}

TEST(MoveListTest, GameFileLinesArePaddedAndNumberedByListLine) {
    const QStringList lines{"1.  e2-e4    e7-e5", "2.  0-0      0-0-0+", "3.           e7-e8=T", "",
                            "resign"};
    EXPECT_EQ(GameFileMoves(lines), (QStringList{"1. e2-e4   ", "1. e7-e5   ", "2. e1-g1   ",
                                                 "2. e8-c8   ", "3. e7-e8=T "}));
    EXPECT_TRUE(GameFileMoves({}).isEmpty());
}

TEST(MoveListTest, CapturedDifferenceCountsOnlyTheTakenPiece) {
    // Before and after a white pawn takes a black knight on d5.
    const QString before = "    P   " + QString(8, ' ') + "   n    ";
    const QString after = QString(8, ' ') + "   P    " + QString(8, ' ');
    // Taking back: the knight returns.
    EXPECT_EQ(CapturedDifference(before, after), std::vector<char>{'n'});
    // A position with no change of material counts nothing.
    EXPECT_TRUE(CapturedDifference("P  k", " P k").empty());
    // A promotion without capture: pawn and queen never count.
    EXPECT_TRUE(CapturedDifference("Q      k", "       kP").empty());
    // A promotion that takes a rook counts the rook only.
    EXPECT_EQ(CapturedDifference(" r  P  k", " Q     k"), std::vector<char>{'r'});
    // White's piece taken by Black comes back as upper case.
    EXPECT_EQ(CapturedDifference("R  q", "   q"), std::vector<char>{'R'});
}
