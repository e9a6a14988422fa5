// The tournament file reader: match code, dates around the pivot year, the move-line filter and
// the replayed moves.
#include "app/ScaFile.h"
#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace {

int Days(int y, int m, int d) {
    return platform::DateToDays(QDate(y, m, d));
}

QStringList ScaLines(const QString& date, const QStringList& moves) {
    QStringList lines{"TorneoX",     "Header 1", "Header 2", "Turno 3", "Anna Neri",
                      "Bruno Bassi", date,       "",         ""};
    lines += moves;
    return lines;
}

} // namespace

TEST(ScaFile, MatchCodeStandsBeforeTheLastFourCharacters) {
    struct Case {
        const char* name;
        const char* code;
    } cases[] = {{"T123A001.sca", "A001"},
                 {"/a/b/T123A001.sca", "A001"},
                 {"AB1.sca", "AB1"},
                 {"A.sca", "A"},
                 {".sca", ""},
                 {"sca", ""}};
    for (const Case& c : cases)
        EXPECT_EQ(scafile::MatchCodeOf(c.name), c.code) << c.name;
}

TEST(ScaFile, DatesOnBothSidesOfThePivotYear) {
    struct Case {
        const char* text;
        bool ok;
        int days;
    } cases[] = {
        {"150600", true, Days(2000, 6, 15)},
        {"150699", true, Days(1999, 6, 15)},
        {"150628", true, Days(2028, 6, 15)},
        {"010129", true, Days(1929, 1, 1)},
        {"290200xx", true, Days(2000, 2, 29)},
        {"290201", false, 0},
        {"321299", false, 0},
        {"15 600", false, 0},
        {"1506", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        int days = -1;
        EXPECT_EQ(scafile::ReadDate(c.text, days), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(days, c.days) << c.text;
        }
    }
}

TEST(ScaFile, MoveLinesAndOthers) {
    struct Case {
        const char* line;
        bool ok;
        TScaMove::Kind kind;
        Square from;
        Square to;
        char promotion;
    } cases[] = {
        {"e2-e4   ...", true, TScaMove::Plain, E2, E4, 0},
        {"e4xd5   ", true, TScaMove::Plain, E4, D5, 0},
        {"e7-e8 =D", true, TScaMove::Plain, E7, E8, 'q'},
        {"a2-a1 =c ", true, TScaMove::Plain, A2, A1, 'n'},
        {"b7-b8 =T", true, TScaMove::Plain, B7, B8, 'r'},
        {"b7-b8 =A", true, TScaMove::Plain, B7, B8, 'b'},
        {"b7-b8 =X", true, TScaMove::Plain, B7, B8, 0},
        {"O-O-O   ", true, TScaMove::CastleLong, None, None, 0},
        {"O-O     ", true, TScaMove::CastleShort, None, None, 0},
        {"e2-e4", false, TScaMove::Plain, None, None, 0},
        {"i2-i4   ", false, TScaMove::Plain, None, None, 0},
        {"e9-e4   ", false, TScaMove::Plain, None, None, 0},
        {"1-0     ", false, TScaMove::Plain, None, None, 0},
        {"e2+e4   ", false, TScaMove::Plain, None, None, 0},
        {"Vincitore: nessuno", false, TScaMove::Plain, None, None, 0},
    };
    for (const Case& c : cases) {
        TScaMove move;
        ASSERT_EQ(scafile::ReadMove(c.line, move), c.ok) << c.line;
        if (!c.ok)
            continue;
        EXPECT_EQ(move.kind, c.kind) << c.line;
        EXPECT_EQ(move.from, c.from) << c.line;
        EXPECT_EQ(move.to, c.to) << c.line;
        EXPECT_EQ(move.promotion, c.promotion) << c.line;
    }
}

TEST(ScaFile, GameDataAndRefusals) {
    TScaGame game;
    ASSERT_TRUE(game.FromLines(ScaLines("150600", {"e2-e4   ", "rubbish"}), "T123A001.sca"));
    EXPECT_EQ(game.HeaderLine1, "Header 1");
    EXPECT_EQ(game.HeaderLine2, "Header 2");
    EXPECT_EQ(game.GameRound, "Turno 3");
    EXPECT_EQ(game.WhitePlayer, "Anna Neri");
    EXPECT_EQ(game.BlackPlayer, "Bruno Bassi");
    EXPECT_EQ(game.StartDate, Days(2000, 6, 15));
    EXPECT_EQ(game.MatchCode, "A001");
    EXPECT_EQ(game.Moves.size(), 1);

    const TScaGame before = game;
    EXPECT_FALSE(game.FromLines(ScaLines("310600", {}), "X.sca"));
    EXPECT_FALSE(game.FromLines(ScaLines("150600", {}).mid(0, 6), "X.sca"));
    EXPECT_EQ(game.MatchCode, before.MatchCode);
    EXPECT_EQ(game.Moves.size(), 1);
}

TEST(ScaFile, ReplayCastlesForTheSideToMoveAndPromotes) {
    TScaGame game;
    ASSERT_TRUE(game.FromLines(
        ScaLines("010100", {"e2-e4   ", "e7-e5   ", "g1-f3   ", "g8-f6   ", "f1-c4   ", "f8-c5   ",
                            "O-O     ", "O-O     ", "a2-a5   ", "b1-c3   "}),
        "A.sca"));
    TChessBoardModel board;
    char promotion = 'q';
    bool replaying = false;
    game.Replay(board, promotion, replaying);
    EXPECT_FALSE(replaying);
    EXPECT_EQ(board.Squares()[G1], 'K');
    EXPECT_EQ(board.Squares()[F1], 'R');
    EXPECT_EQ(board.Squares()[G8], 'k');
    EXPECT_EQ(board.Squares()[C3], 'N');
    EXPECT_EQ(board.Squares()[A2], 'P');

    ASSERT_TRUE(game.FromLines(ScaLines("010100", {"O-O-O   ", "e7-e8 =C", "a2-a1 =T"}), "A.sca"));
    ASSERT_TRUE(board.SetFENPosition("8/4P3/8/8/8/7k/p7/R3K3 w Q - 0 1"));
    board.OnPromotion = [&](TChessBoardModel*, Square, Square, char& piece) { piece = promotion; };
    game.Replay(board, promotion, replaying);
    EXPECT_EQ(board.Squares()[C1], 'K');
    EXPECT_EQ(board.Squares()[D1], 'R');
    EXPECT_EQ(board.Squares()[E8], ' ');
    // The long castling was White's; e7-e8 is then refused, Black's a2-a1 promotes to a rook.
    EXPECT_EQ(board.Squares()[A1], 'r');
    EXPECT_EQ(promotion, 'r');
}
