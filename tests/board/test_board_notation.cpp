// Move texts, PGN moves, reading algebraic moves, FEN and the move list.

#include "board/BoardModel.h"
#include "tests/board/BoardTestUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const char* const StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

struct LegalMove {
    Square from;
    Square to;
};

std::vector<LegalMove> LegalMoves(const TChessBoardModel& b) {
    std::vector<LegalMove> moves;
    for (int f = 1; f <= 64; ++f)
        for (int t = 1; t <= 64; ++t)
            if (b.MoveIsLegal(Square(f), Square(t)))
                moves.push_back({Square(f), Square(t)});
    return moves;
}

// The text GetTextMove gives for the last half-move, read from OnLegalMove as the main window does.
QString TextSeenOnLegalMove(TChessBoardModel& b, Square from, Square to) {
    QString seen;
    b.OnLegalMove = [&](TChessBoardModel* s, Square, Square) {
        seen = s->GetTextMove(s->LastMove, s->LastMoveIsWhite);
    };
    EXPECT_TRUE(b.Move(from, to));
    b.OnLegalMove = nullptr;
    return seen;
}

} // namespace

TEST(BoardNotation, MoveTextsOfOrdinaryMoves) {
    TChessBoardModel b;
    ASSERT_EQ(Play(b, "e2e4 d7d5 e4d5 e7e5 d5d6 g8f6 g1f3 f8e7 f1c4 e8g8"), 10);
    EXPECT_EQ(b.GetTextMove(1, true), "e2-e4");
    EXPECT_EQ(b.GetTextMove(2, true), "e4xd5");
    EXPECT_EQ(b.GetTextMove(5, false), "0-0");
    EXPECT_EQ(b.GetPgnMove(4, true), "Ng1-f3");
    EXPECT_EQ(b.GetPgnMove(1, true), "e2-e4");
    EXPECT_EQ(b.GetPgnMove(2, true), "e4xd5");
    EXPECT_EQ(b.GetPgnMove(5, false), "O-O");
    EXPECT_EQ(b.GetTextMove(6, true), "");
    EXPECT_EQ(b.GetTextMove(40, true), "");

    TChessBoardModel ep;
    ASSERT_EQ(Play(ep, "e2e4 a7a6 e4e5 d7d5 e5d6"), 5);
    EXPECT_EQ(ep.GetTextMove(3, true), "e5-d6");

    TChessBoardModel q;
    ASSERT_TRUE(q.SetFENPosition("r3k3/8/8/8/8/8/8/4K3 b q - 0 1"));
    ASSERT_TRUE(q.Move(E8, C8));
    EXPECT_EQ(q.GetTextMove(1, false), "0-0-0");
    EXPECT_EQ(q.GetPgnMove(1, false), "O-O-O");
}

TEST(BoardNotation, PromotionChecksAndMates) {
    TChessBoardModel b;
    ASSERT_TRUE(b.SetFENPosition("k7/4P3/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(TextSeenOnLegalMove(b, E7, E8), "e7-e8=D+");
    EXPECT_EQ(b.GetTextMove(1, true), "e7-e8=D+");
    EXPECT_EQ(b.GetPgnMove(1, true), "e7-e8=Q+");
    ASSERT_TRUE(b.Move(A8, B7));
    // The promotion letter comes from the stored record after navigating away.
    ASSERT_TRUE(b.MoveBackward());
    ASSERT_TRUE(b.MoveBackward());
    EXPECT_EQ(b.GetTextMove(1, true), "e7-e8=D+");

    TChessBoardModel n;
    n.OnPromotion = [](auto*, Square, Square, char& piece) { piece = 'n'; };
    ASSERT_TRUE(n.SetFENPosition("8/8/8/8/8/8/1p3k2/K7 b - - 0 1"));
    EXPECT_EQ(TextSeenOnLegalMove(n, B2, B1), "b2-b1=C");

    TChessBoardModel m;
    ASSERT_EQ(Play(m, "f2f3 e7e5 g2g4"), 3);
    EXPECT_EQ(TextSeenOnLegalMove(m, D8, H4), "d8-h4#");
    EXPECT_EQ(m.GetPgnMove(2, false), "Qd8-h4#");
}

TEST(BoardNotation, SuffixSeesTheCompleteMoveAlreadyInTheLegalMoveEvent) {
    TChessBoardModel castle;
    ASSERT_TRUE(castle.SetFENPosition("5k2/8/8/8/8/8/8/4K2R w K - 0 1"));
    EXPECT_EQ(TextSeenOnLegalMove(castle, E1, G1), "0-0+");

    TChessBoardModel ep;
    ASSERT_TRUE(ep.SetFENPosition("5NN1/8/8/R2pP2k/6pp/8/8/4K3 w - d6 0 1"));
    EXPECT_EQ(TextSeenOnLegalMove(ep, E5, D6), "e5-d6#");
    const QString fenAfter = ep.GetFENPosition();
    EXPECT_EQ(ep.GetTextMove(1, true), "e5-d6#");
    EXPECT_EQ(ep.GetFENPosition(), fenAfter);
}

TEST(BoardNotation, PieceLetters) {
    EXPECT_EQ(TChessBoardModel::GetPieceLetter('k'), 'R');
    EXPECT_EQ(TChessBoardModel::GetPieceLetter('Q'), 'D');
    EXPECT_EQ(TChessBoardModel::GetPieceLetter('r'), 'T');
    EXPECT_EQ(TChessBoardModel::GetPieceLetter('B'), 'A');
    EXPECT_EQ(TChessBoardModel::GetPieceLetter('n'), 'C');
    EXPECT_EQ(TChessBoardModel::GetPieceLetter('P'), 'P');
}

TEST(BoardNotation, MovePGNReadsAlgebraicMoves) {
    TChessBoardModel b;
    b.MovePGN("e4");
    EXPECT_EQ(b.Squares()[E4], 'P');
    EXPECT_EQ(b.EnPassant(), E3);
    b.MovePGN("d5");
    b.MovePGN("exd5");
    EXPECT_EQ(b.Squares()[D5], 'P');
    b.MovePGN("e5");
    b.MovePGN("Nf3");
    EXPECT_EQ(b.Squares()[F3], 'N');
    b.MovePGN("Nc6");
    b.MovePGN("Nxe5");
    EXPECT_EQ(b.Squares()[E5], 'N');
    EXPECT_EQ(b.GetTextMove(4, true), "f3xe5");

    const char* const twoKnights = "4k3/8/8/8/8/8/3N4/4K1N1 w - - 0 1";
    for (const auto& [text, from] : std::vector<std::pair<QString, Square>>{{"Ngf3", G1},
                                                                            {"N1f3", G1},
                                                                            {"Ng1f3", G1},
                                                                            {"Ng1-f3", G1},
                                                                            {"Ndf3", D2},
                                                                            {"N2f3", D2},
                                                                            {"Nf3", D2},
                                                                            {"Nf3+", D2},
                                                                            {"Nf3!", D2},
                                                                            {"Ngf3?!", G1},
                                                                            {"N1f3!!", G1},
                                                                            {"Nxf3?", D2}}) {
        TChessBoardModel k;
        ASSERT_TRUE(k.SetFENPosition(twoKnights));
        k.MovePGN(text);
        EXPECT_EQ(k.Squares()[F3], 'N') << text.toStdString();
        EXPECT_EQ(k.Squares()[from], ' ') << text.toStdString();
    }

    TChessBoardModel p;
    ASSERT_TRUE(p.SetFENPosition("k7/4P3/8/8/8/8/8/4K3 w - - 0 1"));
    p.MovePGN("e8=Q+");
    EXPECT_EQ(p.Squares()[E8], 'Q');

    for (const char* castle : {"O-O", "O-O-O"}) {
        TChessBoardModel c;
        ASSERT_TRUE(c.SetFENPosition("r3k2r/3p1p2/8/8/8/8/3P1P2/R3K2R w KQkq - 0 1"));
        c.MovePGN(castle);
        c.MovePGN(castle);
        const bool shortSide = QString(castle).size() == 3;
        EXPECT_EQ(c.Squares()[shortSide ? G1 : C1], 'K') << castle;
        EXPECT_EQ(c.Squares()[shortSide ? G8 : C8], 'k') << castle;
    }
}

TEST(BoardNotation, MovePGNPlaysNothingForBadText) {
    TChessBoardModel b;
    const QString fen = b.GetFENPosition();
    for (const char* bad : {"", "z9", "e9", "Nz3", "N", "xx", "e2-z4", "Nf9", "Kxx9", "j4", "Qh4",
                            "N12f3", "exz5", "@8-@8", "e1", "ax1", "a1"})
        b.MovePGN(bad);
    EXPECT_EQ(b.GetFENPosition(), fen);
    b.MovePGN("E4"); // an upper-case first letter names a piece, not a pawn
    EXPECT_EQ(b.GetFENPosition(), fen);
}

TEST(BoardNotation, FenWrittenAndRead) {
    TChessBoardModel b;
    EXPECT_EQ(b.GetFENPosition(), StartFen);
    const char* const afterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";
    ASSERT_TRUE(b.SetFENPosition(afterE4));
    EXPECT_FALSE(b.WhiteToMove());
    EXPECT_EQ(int(b.EnPassant()), 45);
    EXPECT_EQ(b.CurrentMove(), 1);
    EXPECT_EQ(b.GetFENPosition(), afterE4);

    TChessBoardModel c;
    ASSERT_TRUE(c.SetFENPosition(
        "  rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR    b  KQkq     e3   0  1  "));
    EXPECT_EQ(c.GetFENPosition(), afterE4);
    ASSERT_TRUE(c.SetFENPosition("8/8/8/8/8/8/8/K6k w - -"));
    EXPECT_EQ(c.CurrentMove(), 0);
    EXPECT_EQ(c.GetFENPosition(), "8/8/8/8/8/8/8/K6k w - - 0 0");
}

TEST(BoardNotation, MalformedFenIsRefusedAndChangesNothing) {
    TChessBoardModel b;
    Play(b, "e2e4");
    const QString before = b.GetFENPosition();
    for (const char* bad : {
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNRR w KQkq - 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e4 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq j3 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq 3e 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 201",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 99999999999999999999",
             "rnbqkbnr/pppxpppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
             "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
             "",
         }) {
        EXPECT_FALSE(b.SetFENPosition(bad)) << bad;
        EXPECT_EQ(b.GetFENPosition(), before) << bad;
    }
}

TEST(BoardNotation, FenRoundTripsThroughRandomGames) {
    std::mt19937 rng(20261206);
    int positions = 0;
    for (int game = 0; game < 200; ++game) {
        TChessBoardModel b;
        for (int ply = 0; ply < 60; ++ply) {
            TChessBoardModel copy;
            ASSERT_TRUE(copy.SetFENPosition(b.GetFENPosition()));
            ASSERT_EQ(copy.Squares(), b.Squares());
            ASSERT_EQ(copy.WhiteToMove(), b.WhiteToMove());
            ASSERT_EQ(copy.CastlingAllowed(), b.CastlingAllowed());
            ASSERT_EQ(copy.EnPassant(), b.EnPassant());
            ASSERT_EQ(copy.CurrentMove(), b.CurrentMove());
            ++positions;
            const auto moves = LegalMoves(b);
            if (moves.empty())
                break;
            const LegalMove m = moves[rng() % moves.size()];
            ASSERT_TRUE(b.Move(m.from, m.to));
        }
    }
    EXPECT_GT(positions, 8000);
}

TEST(BoardNotation, MoveList) {
    TChessBoardModel b;
    Play(b, "e2e4 e7e5 g1f3");
    EXPECT_EQ(b.GetMoveList(),
              QStringList({"1. E2-E4", "              E7-E5", "2. G1-F3", "              @8-@8"}));
    ASSERT_TRUE(b.SetFENPosition("4k3/8/8/8/8/8/8/4K3 b - - 0 7"));
    Play(b, "e8d8");
    EXPECT_EQ(b.GetMoveList(), QStringList({"7.  ...   ", "              E8-D8", "8. @8-@8"}));
}
