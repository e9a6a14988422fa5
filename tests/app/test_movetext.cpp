#include "app/MoveText.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

TMoveCommand Parse(const QString& text, bool whiteToMove = true) {
    return ParseMoveText(text, whiteToMove);
}

void ExpectMove(const TMoveCommand& command, Square from, Square to, char promotion = 0) {
    EXPECT_EQ(command.kind, TMoveCommand::PlayMove);
    EXPECT_EQ(command.from, from);
    EXPECT_EQ(command.to, to);
    EXPECT_EQ(command.promotion, promotion);
}

} // namespace

TEST(MoveTextTest, SquaresFromFileLetterAndRankDigit) {
    EXPECT_EQ(SquareOfText('a', '8'), A8);
    EXPECT_EQ(SquareOfText('H', '1'), H1);
    EXPECT_EQ(SquareOfText('e', '4'), E4);
    EXPECT_EQ(SquareOfText('@', '8'), None);
    EXPECT_EQ(SquareOfText('i', '1'), None);
    EXPECT_EQ(SquareOfText('a', '9'), None);
    EXPECT_EQ(SquareOfText('a', '0'), None);
}

TEST(MoveTextTest, PlainMovesWithOrWithoutMoveNumber) {
    ExpectMove(Parse("e2-e4"), E2, E4);
    ExpectMove(Parse("1. e2-e4   "), E2, E4);
    ExpectMove(Parse("  12.  e4xd5+"), E4, D5);
    ExpectMove(Parse("g1-f3\r"), G1, F3);
}

TEST(MoveTextTest, CastlingBecomesTheKingsMoveOfTheSideToMove) {
    ExpectMove(Parse("0-0", true), E1, G1);
    ExpectMove(Parse("0-0", false), E8, G8);
    ExpectMove(Parse("0-0-0+", true), E1, C1);
    ExpectMove(Parse("5. 0-0-0#", false), E8, C8);
}

TEST(MoveTextTest, PromotionLettersNameThePiece) {
    ExpectMove(Parse("e7-e8=T"), E7, E8, 'r');
    ExpectMove(Parse("e7xd8=D+"), E7, D8, 'q');
    ExpectMove(Parse("b2-b1=a", false), B2, B1, 'b');
    ExpectMove(Parse("b2-b1=C", false), B2, B1, 'n');
    ExpectMove(Parse("e7-e8=X"), E7, E8, 0);
}

TEST(MoveTextTest, EndWordsAndRefusals) {
    EXPECT_EQ(Parse("@8-@8").kind, TMoveCommand::EndOfMoves);
    EXPECT_EQ(Parse("").kind, TMoveCommand::EndOfMoves);
    EXPECT_EQ(Parse("  3.  ").kind, TMoveCommand::EndOfMoves);
    EXPECT_EQ(Parse("resign").kind, TMoveCommand::Resign);
    EXPECT_EQ(Parse("7. draw").kind, TMoveCommand::Draw);
    EXPECT_EQ(Parse("i2-i4").kind, TMoveCommand::Invalid);
    EXPECT_EQ(Parse("e2-e").kind, TMoveCommand::Invalid);
    EXPECT_EQ(Parse("e2").kind, TMoveCommand::Invalid);
    EXPECT_EQ(Parse("Nf3").kind, TMoveCommand::Invalid);
}

TEST(MoveTextTest, PastedLinesGiveNumberSideAndMove) {
    TPastedMove pasted = ParsePastedMove("12b e2-e4");
    ASSERT_TRUE(pasted.ok);
    EXPECT_EQ(pasted.moveNumber, 12);
    EXPECT_TRUE(pasted.white);
    EXPECT_EQ(pasted.moveText, "e2-e4");

    pasted = ParsePastedMove("  5N   e7-e5 \r\n");
    ASSERT_TRUE(pasted.ok);
    EXPECT_EQ(pasted.moveNumber, 5);
    EXPECT_FALSE(pasted.white);
    EXPECT_EQ(pasted.moveText, "e7-e5");

    EXPECT_TRUE(ParsePastedMove("3x e2-e4").white);
}

TEST(MoveTextTest, PastedLineRefusalsCarryTheirReasonAndPrefix) {
    EXPECT_EQ(ParsePastedMove("").error, "Gli appunti non contengono testo");
    EXPECT_EQ(ParsePastedMove(" \r\n").error, "Gli appunti non contengono testo");
    EXPECT_EQ(ParsePastedMove("abc").error, "Formato mossa non valido");
    EXPECT_EQ(ParsePastedMove("12").error, "Formato mossa non valido");
    EXPECT_EQ(ParsePastedMove("12n").error, "Formato mossa non valido");
    EXPECT_EQ(ParsePastedMove("0b e2-e4").error, "Formato mossa non valido");
    const TPastedMove pasted = ParsePastedMove("abcdefghijklmnopqrstuvwxyz");
    EXPECT_FALSE(pasted.ok);
    EXPECT_EQ(pasted.prefix, "Mossa: abcdefghijklmnopqrst");
}

TEST(MoveTextTest, AHugeMoveNumberSaturates) {
    const TPastedMove pasted = ParsePastedMove("99999999999999999999b e2-e4");
    ASSERT_TRUE(pasted.ok);
    EXPECT_EQ(pasted.moveNumber, INT_MAX);
}
