// The game model: legality, the move and its events, end-of-game tests, history and setters.

#include "board/BoardModel.h"
#include "tests/board/BoardTestUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Records every event of a board as text, in order.
struct EventLog {
    QStringList events;

    explicit EventLog(TChessBoardModel& b) {
        b.OnLegalMove = [this](auto*, Square f, Square t) { add("legal", f, t); };
        b.OnCapture = [this](auto*, Square f, Square t, char c) {
            add(QString("capture ") + c, f, t);
        };
        b.OnPromotion = nullptr;
        b.OnCastle = [this](auto*, Square f, Square t) { add("castle", f, t); };
        b.OnCheck = [this](auto*, Square f, Square t) { add("check", f, t); };
        b.OnMate = [this](auto*, Square f, Square t) { add("mate", f, t); };
        b.OnStaleMate = [this](auto*, Square f, Square t) { add("stalemate", f, t); };
        b.OnOnlyTwoKingsLeft = [this](auto*) { events << "twokings"; };
        b.OnThreefoldPosition = [this](auto*) { events << "threefold"; };
    }
    void add(const QString& name, Square f, Square t) {
        events << QString("%1 %2-%3").arg(name).arg(int(f)).arg(int(t));
    }
    QString take() {
        const QString all = events.join(", ");
        events.clear();
        return all;
    }
};

struct Snapshot {
    QString position;
    bool white;
    int current;
    TCastleSet castling;
    Square ep;
    int last;
    bool lastWhite;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Snap(const TChessBoardModel& b) {
    return {b.Position(),  b.WhiteToMove(), b.CurrentMove(),  b.CastlingAllowed(),
            b.EnPassant(), b.LastMove,      b.LastMoveIsWhite};
}

bool Fen(TChessBoardModel& b, const char* fen) {
    return b.SetFENPosition(fen);
}

} // namespace

TEST(BoardRules, SquareGeometry) {
    EXPECT_EQ(TChessBoardModel::XPos(A8), 1);
    EXPECT_EQ(TChessBoardModel::YPos(A8), 8);
    EXPECT_EQ(TChessBoardModel::XPos(H1), 8);
    EXPECT_EQ(TChessBoardModel::YPos(H1), 1);
    EXPECT_TRUE(TChessBoardModel::ColorOfSquare(A8));
    EXPECT_FALSE(TChessBoardModel::ColorOfSquare(B8));
    EXPECT_FALSE(TChessBoardModel::ColorOfSquare(A1));
    EXPECT_TRUE(TChessBoardModel::ColorOfSquare(H1));
    TChessBoardModel b;
    EXPECT_EQ(b.ColorOfPiece(E1), 1);
    EXPECT_EQ(b.ColorOfPiece(E8), 0);
    EXPECT_EQ(b.ColorOfPiece(E4), -1);
    EXPECT_EQ(b.ColorOfPiece(None), -1);
}

TEST(BoardRules, RefusedMovesChangeNothingAndFireNothing) {
    TChessBoardModel b;
    EventLog log(b);
    Play(b, "e2e4");
    const Snapshot before = Snap(b);
    EXPECT_FALSE(b.Move(Sq("d2"), Sq("d4"))); // side not to move
    EXPECT_FALSE(b.Move(Sq("e5"), Sq("e4"))); // empty square
    EXPECT_FALSE(b.Move(Sq("a8"), Sq("b8"))); // own piece
    EXPECT_FALSE(b.Move(None, Sq("e5")));
    EXPECT_FALSE(b.Move(Square(65), Sq("e5")));
    EXPECT_FALSE(b.Move(Sq("e7"), Square(200)));
    EXPECT_FALSE(b.Move(Sq("e7"), Sq("e4"))); // not the pawn's move
    EXPECT_EQ(Snap(b), before);
    log.take();
    EXPECT_EQ(log.take(), "");
}

TEST(BoardRules, CaptureAndEnPassantEvents) {
    TChessBoardModel b;
    EventLog log(b);
    ASSERT_EQ(Play(b, "e2e4 d7d5"), 2);
    log.take();
    ASSERT_TRUE(b.Move(Sq("e4"), Sq("d5")));
    EXPECT_EQ(log.take(), QString("capture p %1-%2, legal %1-%2").arg(int(E4)).arg(int(D5)));

    TChessBoardModel ep;
    EventLog epLog(ep);
    ASSERT_EQ(Play(ep, "e2e4 a7a6 e4e5 d7d5"), 4);
    EXPECT_EQ(ep.EnPassant(), D6);
    epLog.take();
    ASSERT_TRUE(ep.Move(E5, D6));
    EXPECT_EQ(epLog.take(), QString("legal %1-%2, capture p %1-%2").arg(int(E5)).arg(int(D6)));
    EXPECT_EQ(ep.Squares()[D5], ' ');
    EXPECT_EQ(ep.Squares()[D6], 'P');
    EXPECT_EQ(ep.EnPassant(), None);
}

TEST(BoardRules, DoubleStepSetsEnPassantOthersReset) {
    TChessBoardModel b;
    Play(b, "e2e4");
    EXPECT_EQ(b.EnPassant(), E3);
    EXPECT_EQ(int(b.EnPassant()), 45);
    Play(b, "g8f6");
    EXPECT_EQ(b.EnPassant(), None);
}

TEST(BoardRules, PromotionEventsWithAndWithoutHandler) {
    TChessBoardModel b;
    EventLog log(b);
    ASSERT_TRUE(Fen(b, "1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1"));
    ASSERT_TRUE(b.Move(A7, B8));
    EXPECT_EQ(b.Squares()[B8], 'Q');
    EXPECT_EQ(log.take(),
              QString("capture n %1-%2, legal %1-%2, check %1-%2").arg(int(A7)).arg(int(B8)));

    TChessBoardModel h;
    EventLog hlog(h);
    char seenOnLegal = 0;
    h.OnPromotion = [&](auto*, Square, Square, char& piece) {
        hlog.events << QString("promotion ") + piece;
        piece = 'n';
    };
    h.OnLegalMove = [&](auto* s, Square, Square t) {
        seenOnLegal = static_cast<TChessBoardModel*>(s)->Squares()[t];
        hlog.events << "legal";
    };
    ASSERT_TRUE(Fen(h, "4k3/8/8/8/8/8/p7/4K3 b - - 0 1"));
    ASSERT_TRUE(h.Move(A2, A1));
    EXPECT_EQ(hlog.take(), "promotion q, legal");
    EXPECT_EQ(seenOnLegal, 'n');
    EXPECT_EQ(h.Squares()[A1], 'n');
}

TEST(BoardRules, PromotionPlacesOnlyRealPieces) {
    TChessBoardModel b;
    b.OnPromotion = [](auto*, Square, Square, char& piece) { piece = 'k'; };
    ASSERT_TRUE(Fen(b, "4k3/P7/8/8/8/8/8/4K3 w - - 0 1"));
    ASSERT_TRUE(b.Move(A7, A8));
    EXPECT_EQ(b.Squares()[A8], 'Q');
    b.OnPromotion = [](auto*, Square, Square, char& piece) { piece = 'R'; };
    ASSERT_TRUE(b.Move(E8, D7));
    ASSERT_TRUE(Fen(b, "4k3/P7/8/8/8/8/8/4K3 w - - 0 1"));
    ASSERT_TRUE(b.Move(A7, A8));
    EXPECT_EQ(b.Squares()[A8], 'R');
}

TEST(BoardRules, CastlingMovesRookFiresAfterLegalAndClearsRights) {
    TChessBoardModel b;
    EventLog log(b);
    ASSERT_TRUE(Fen(b, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"));
    ASSERT_TRUE(b.Move(E1, G1));
    EXPECT_EQ(b.Squares()[F1], 'R');
    EXPECT_EQ(b.Squares()[H1], ' ');
    EXPECT_EQ(log.take(), QString("legal %1-%2, castle %1-%2").arg(int(E1)).arg(int(G1)));
    EXPECT_EQ(b.CastlingAllowed(), BlackKingSide | BlackQueenSide);
    ASSERT_TRUE(b.Move(E8, C8));
    EXPECT_EQ(b.Squares()[D8], 'r');
    EXPECT_EQ(b.Squares()[A8], ' ');
    EXPECT_EQ(b.CastlingAllowed(), 0);
}

TEST(BoardRules, CastlingNeedsRightsEmptySquaresSafetyAndTheKingOnItsSquare) {
    TChessBoardModel b;
    // Attacked f1 forbids the short castle, not the long one.
    ASSERT_TRUE(Fen(b, "4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1"));
    EXPECT_FALSE(b.MoveIsLegal(E1, G1));
    EXPECT_TRUE(b.MoveIsLegal(E1, C1));
    // In check: no castling at all.
    ASSERT_TRUE(Fen(b, "4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1"));
    EXPECT_FALSE(b.MoveIsLegal(E1, G1));
    EXPECT_FALSE(b.MoveIsLegal(E1, C1));
    // Blocked b1 forbids the long castle.
    ASSERT_TRUE(Fen(b, "4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1"));
    EXPECT_FALSE(b.MoveIsLegal(E1, C1));
    EXPECT_TRUE(b.MoveIsLegal(E1, G1));
    // No right.
    ASSERT_TRUE(Fen(b, "4k3/8/8/8/8/8/8/R3K2R w Q - 0 1"));
    EXPECT_FALSE(b.MoveIsLegal(E1, G1));
}

TEST(BoardRules, CapturedCornerRookClearsRight) {
    TChessBoardModel b;
    ASSERT_TRUE(Fen(b, "r3k2r/8/8/8/8/8/8/4K2R w Kkq - 0 1"));
    ASSERT_TRUE(b.Move(H1, H8));
    EXPECT_EQ(b.CastlingAllowed(), BlackQueenSide);
}

TEST(BoardRules, CheckMateStalemateAndTwoKings) {
    TChessBoardModel b;
    EventLog log(b);
    ASSERT_EQ(Play(b, "f2f3 e7e5 g2g4"), 3);
    log.take();
    ASSERT_TRUE(b.Move(D8, H4));
    EXPECT_EQ(log.take(),
              QString("legal %1-%2, check %1-%2, mate %1-%2").arg(int(D8)).arg(int(H4)));
    EXPECT_FALSE(b.LegalMoveAvailable());

    ASSERT_TRUE(Fen(b, "7k/8/5K2/8/8/8/8/6Q1 w - - 0 1"));
    ASSERT_TRUE(b.Move(G1, G6));
    EXPECT_EQ(log.take(), QString("legal %1-%2, stalemate %1-%2").arg(int(G1)).arg(int(G6)));

    ASSERT_TRUE(Fen(b, "8/8/8/8/8/3q4/3K4/7k w - - 0 1"));
    ASSERT_TRUE(b.Move(D2, D3));
    EXPECT_EQ(log.take(),
              QString("capture q %1-%2, legal %1-%2, twokings").arg(int(D2)).arg(int(D3)));
}

TEST(BoardRules, MatesByPromotionCastlingAndEnPassant) {
    TChessBoardModel b;
    EventLog log(b);
    const auto mate = [](Square f, Square t) {
        return QString("check %1-%2, mate %1-%2").arg(int(f)).arg(int(t));
    };
    ASSERT_TRUE(Fen(b, "k7/2P5/1K6/8/8/8/8/8 w - - 0 1"));
    ASSERT_TRUE(b.Move(C7, C8));
    EXPECT_EQ(log.take(), QString("legal %1-%2, ").arg(int(C7)).arg(int(C8)) + mate(C7, C8));

    ASSERT_TRUE(Fen(b, "2rkr3/2p1p3/8/8/8/8/8/R3K3 w Q - 0 1"));
    ASSERT_TRUE(b.Move(E1, C1));
    EXPECT_EQ(log.take(),
              QString("legal %1-%2, castle %1-%2, ").arg(int(E1)).arg(int(C1)) + mate(E1, C1));

    // Taking en passant clears the fifth rank for the rook on a5.
    ASSERT_TRUE(Fen(b, "5NN1/8/8/R2pP2k/6pp/8/8/4K3 w - d6 0 1"));
    ASSERT_TRUE(b.Move(E5, D6));
    EXPECT_EQ(log.take(),
              QString("legal %1-%2, capture p %1-%2, ").arg(int(E5)).arg(int(D6)) + mate(E5, D6));
}

TEST(BoardRules, EnPassantSafetyAndCheckEscape) {
    TChessBoardModel b;
    EventLog log(b);
    // Taking en passant would open the fifth rank to the rook.
    ASSERT_TRUE(Fen(b, "4k3/8/8/K2pP2r/8/8/8/8 w - d6 0 1"));
    EXPECT_FALSE(b.MoveIsLegal(E5, D6));
    // d2-d4 gives check and taking it en passant is Black's only move: no mate.
    ASSERT_TRUE(Fen(b, "8/8/Q4N2/2k5/4p3/P4N2/3P4/7K w - - 0 1"));
    ASSERT_TRUE(b.Move(D2, D4));
    EXPECT_EQ(log.take(), QString("legal %1-%2, check %1-%2").arg(int(D2)).arg(int(D4)));
    EXPECT_TRUE(b.LegalMoveAvailable());
    EXPECT_TRUE(b.Move(E4, D3));
    EXPECT_EQ(b.Squares()[D4], ' ');
}

TEST(BoardRules, EnPassantOnlyWithEnemyPawnBehindOnTheRightRank) {
    TChessBoardModel b;
    // The en-passant square set by hand with no pawn behind: no capture onto it.
    ASSERT_TRUE(Fen(b, "4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1"));
    EXPECT_FALSE(b.MoveIsLegal(E5, D6));
    // A rank-3 square while White is to move is not White's to take.
    ASSERT_TRUE(Fen(b, "4k3/8/8/8/8/8/3pP3/4K3 w - d3 0 1"));
    EXPECT_FALSE(b.MoveIsLegal(E2, D3));
    // Black's own pawn behind the square is no victim.
    ASSERT_TRUE(Fen(b, "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"));
    EXPECT_TRUE(b.MoveIsLegal(E5, D6));
}

TEST(BoardRules, ThreefoldRepetitionCountsTheSameSideAndRightsAndBlocksMoves) {
    TChessBoardModel b;
    EventLog log(b);
    int events = 0;
    b.OnThreefoldPosition = [&](auto*) { ++events; };
    ASSERT_EQ(Play(b, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1"), 7);
    EXPECT_EQ(events, 0);
    // The stalemate fault: no stalemate on a position with moves left.
    EXPECT_EQ(log.take().count("stalemate"), 0);
    ASSERT_TRUE(b.Move(F6, G8));
    EXPECT_EQ(events, 1);
    EXPECT_TRUE(b.CheckForThreefoldPosition());
    EXPECT_FALSE(b.MoveIsLegal(E2, E4));
    EXPECT_FALSE(b.LegalMoveAvailable());
    EXPECT_FALSE(b.Move(E2, E4));
    ASSERT_TRUE(b.MoveBackward());
    EXPECT_TRUE(b.MoveIsLegal(F6, G8));

    // Only records with the same side to move count: Rh1 against Ka8 stood twice with White to
    // move, and now stands with Black to move.
    TChessBoardModel c;
    int repeated = 0;
    c.OnThreefoldPosition = [&](auto*) { ++repeated; };
    ASSERT_TRUE(Fen(c, "k7/8/8/8/8/8/8/K6R w - - 0 1"));
    ASSERT_EQ(Play(c, "h1h2 a8b8 h2h1 b8a8 h1h2 a8b8 h2h3 b8a8 h3h1"), 9);
    EXPECT_EQ(repeated, 0);
    EXPECT_TRUE(c.LegalMoveAvailable());

    // Only records with the same castling rights count: after the rooks' round trip the knights'
    // placement stands with White to move for the third time, but only the second without the
    // short castlings; the next round trip makes it the third.
    TChessBoardModel d;
    int drawn = 0;
    d.OnThreefoldPosition = [&](auto*) { ++drawn; };
    ASSERT_EQ(Play(d, "g1f3 g8f6 h1g1 h8g8 g1h1 g8h8 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8"), 12);
    EXPECT_EQ(drawn, 0);
    ASSERT_EQ(Play(d, "g1f3 g8f6"), 2);
    EXPECT_EQ(drawn, 1);
    EXPECT_FALSE(d.MoveIsLegal(E2, E4));

    // An en-passant square sets a position apart only while a pawn may capture there: after
    // g2-g4 the pawn on f4 may, so the knight's round trips make the third standing only with
    // the third trip; without that pawn the square changes nothing.
    const struct {
        const char* fen;
        int tripsToDraw;
    } doubleSteps[] = {
        {"4k3/8/8/8/5p2/8/6P1/4K1N1 w - - 0 1", 3},
        {"4k3/8/8/8/8/8/6P1/4K1N1 w - - 0 1", 2},
    };
    for (const auto& c : doubleSteps) {
        TChessBoardModel e;
        int trips = 0;
        e.OnThreefoldPosition = [&](auto*) { EXPECT_EQ(trips + 1, c.tripsToDraw) << c.fen; };
        ASSERT_TRUE(Fen(e, c.fen));
        ASSERT_TRUE(e.Move(G2, G4));
        while (!e.CheckForThreefoldPosition() && trips < 4) {
            // Alternate trips, so no position on the way stands three times first.
            ASSERT_EQ(Play(e, trips % 2 ? "e8f8 g1f3 f8e8 f3g1" : "e8d8 g1h3 d8e8 h3g1"), 4)
                << c.fen;
            ++trips;
        }
        EXPECT_EQ(trips, c.tripsToDraw) << c.fen;
    }
}

TEST(BoardRules, NavigationAndHistoryCut) {
    TChessBoardModel b;
    ASSERT_EQ(Play(b, "e2e4 e7e5 g1f3"), 3);
    const Snapshot end = Snap(b);
    const auto squaresAtEnd = b.Squares();
    EXPECT_FALSE(b.MoveForward());
    ASSERT_TRUE(b.MoveBackward());
    EXPECT_TRUE(b.WhiteToMove());
    EXPECT_EQ(b.CurrentMove(), 2);
    ASSERT_TRUE(b.MoveBackward());
    EXPECT_EQ(b.EnPassant(), E3);
    ASSERT_TRUE(b.MoveBackward());
    EXPECT_EQ(b.Position(), QString::fromLatin1(StartPlacement.data() + 1, 64));
    EXPECT_FALSE(b.MoveBackward());
    ASSERT_TRUE(b.MoveForward());
    ASSERT_TRUE(b.MoveForward());
    ASSERT_TRUE(b.MoveForward());
    EXPECT_EQ(Snap(b), end);
    EXPECT_EQ(b.Squares(), squaresAtEnd);

    ASSERT_TRUE(b.GotoMove(2, true));
    EXPECT_FALSE(b.GotoMove(3, true));
    EXPECT_FALSE(b.GotoMove(0, false));
    ASSERT_TRUE(b.GotoMove(2, true));
    ASSERT_TRUE(b.Move(D2, D4));
    EXPECT_EQ(b.LastMove, 2);
    EXPECT_FALSE(b.LastMoveIsWhite);
    EXPECT_FALSE(b.MoveForward());
    EXPECT_EQ(b.GetTextMove(2, true), "d2-d4");
    EXPECT_STREQ(b.GetMove(3, true).Placement.data(), "init");
}

TEST(BoardRules, CutLineIsNeverPrintedAgain) {
    TChessBoardModel b;
    ASSERT_EQ(Play(b, "e2e4 e7e5 g1f3 b8c6"), 4);
    ASSERT_TRUE(b.GotoMove(2, true));
    ASSERT_TRUE(b.Move(D2, D4));
    // Record [2][Black] is the current position: it has no move of the cut line.
    EXPECT_EQ(b.GetMove(2, false).FromSq, None);
    EXPECT_EQ(b.GetTextMove(2, false), "");
    b.NewGame();
    EXPECT_EQ(b.GetMove(1, true).ToSq, None);
    EXPECT_EQ(b.GetTextMove(1, true), "");
    EXPECT_EQ(b.GetMoveList(), QStringList{"1. @8-@8"});
}

TEST(BoardRules, GetMoveAndComments) {
    TChessBoardModel b;
    Play(b, "e2e4");
    EXPECT_TRUE(b.AddComment(1, true, "buona apertura"));
    EXPECT_EQ(b.GetMove(1, true).Comment, "buona apertura");
    EXPECT_FALSE(b.AddComment(5, true, "x"));
    EXPECT_TRUE(b.AddComment(1, false, ""));
    const MoveInfo outside = b.GetMove(7, false);
    EXPECT_STREQ(outside.Placement.data(), "init");
    EXPECT_EQ(outside.Castling, AllCastling);
    EXPECT_EQ(outside.ToSq, None);
}

TEST(BoardRules, SettersAndPositionText) {
    TChessBoardModel b;
    b.SetPosition("NEWGAME");
    EXPECT_EQ(b.Position(), QString::fromLatin1(StartPlacement.data() + 1, 64));
    b.SetPosition("rnbqkbnrxx");
    EXPECT_EQ(b.Position(), QString("rnbqkbnr") + QString(56, ' '));
    b.SetPosition(QString(100, 'Q'));
    EXPECT_EQ(b.Position(), QString(64, 'Q'));
    b.SetPosition("init");
    b.SetEnPassant(E4);
    EXPECT_EQ(b.EnPassant(), None);
    b.SetEnPassant(E3);
    EXPECT_EQ(b.EnPassant(), E3);
    b.SetEnPassant(D6);
    EXPECT_EQ(b.EnPassant(), D6);
    b.SetEnPassant(None);
    EXPECT_EQ(b.EnPassant(), D6);
    b.SetWhiteToMove(false);
    EXPECT_FALSE(b.WhiteToMove());
    b.SetCastlingAllowed(WhiteKingSide);
    EXPECT_EQ(b.CastlingAllowed(), WhiteKingSide);
}

TEST(BoardRules, SetUpPositionRefusalsLeaveBoardAsItWas) {
    TChessBoardModel b;
    Play(b, "e2e4 e7e5");
    const Snapshot before = Snap(b);
    MoveInfo rec;
    EXPECT_FALSE(b.SetUpPosition(rec, 201, true));
    EXPECT_FALSE(b.SetUpPosition(rec, -1, true));
    rec.EnPassantSq = E4;
    EXPECT_FALSE(b.SetUpPosition(rec, 1, true));
    rec.EnPassantSq = Square(99);
    EXPECT_FALSE(b.SetUpPosition(rec, 1, true));
    rec.EnPassantSq = None;
    rec.Placement[10] = 'x';
    EXPECT_FALSE(b.SetUpPosition(rec, 1, true));
    EXPECT_EQ(Snap(b), before);
    rec.Placement[10] = ' ';
    EXPECT_TRUE(b.SetUpPosition(rec, 200, false));
    EXPECT_EQ(b.CurrentMove(), 200);
    EXPECT_FALSE(b.FirstMoveIsWhite);
    EXPECT_EQ(b.GetMoveList(), QStringList({"200.  ...   ", "              @8-@8"}));
}

TEST(BoardRules, MoveIsNotReentrant) {
    TChessBoardModel b;
    bool nested = true;
    b.OnLegalMove = [&](auto* s, Square, Square) {
        nested = static_cast<TChessBoardModel*>(s)->Move(E7, E5);
    };
    ASSERT_TRUE(b.Move(E2, E4));
    EXPECT_FALSE(nested);
    EXPECT_FALSE(b.WhiteToMove());
    EXPECT_EQ(b.Squares()[E7], 'p');

    // A move read from text inside the event is refused too, a piece move as well as a pawn's.
    b.OnLegalMove = [&](auto* s, Square, Square) {
        static_cast<TChessBoardModel*>(s)->MovePGN("Nc3");
        static_cast<TChessBoardModel*>(s)->MovePGN("d4");
    };
    ASSERT_TRUE(b.Move(E7, E6));
    EXPECT_TRUE(b.WhiteToMove());
    EXPECT_EQ(b.Squares()[B1], 'N');
    EXPECT_EQ(b.Squares()[D2], 'P');
}

TEST(BoardRules, WhoPlaysNextAfterEveryMove) {
    TChessBoardModel b;
    int asked = 0;
    b.OnCustomMove = [&](auto*) { ++asked; };
    Play(b, "e2e4 e7e5");
    EXPECT_EQ(asked, 2);
}

TEST(BoardRules, HistoryGrowsPastMove255) {
    std::mt19937 rng(7);
    for (int attempt = 0; attempt < 50; ++attempt) {
        TChessBoardModel b;
        MoveInfo start;
        ASSERT_TRUE(b.SetUpPosition(start, 200, true));
        while (b.CurrentMove() <= 260) {
            std::vector<std::pair<Square, Square>> legal;
            for (int f = 1; f <= 64; ++f)
                for (int t = 1; t <= 64; ++t)
                    if (b.MoveIsLegal(Square(f), Square(t)))
                        legal.emplace_back(Square(f), Square(t));
            if (legal.empty())
                break;
            const auto [from, to] = legal[rng() % legal.size()];
            ASSERT_TRUE(b.Move(from, to));
        }
        if (b.CurrentMove() <= 260)
            continue;
        EXPECT_FALSE(b.GetTextMove(258, true).isEmpty());
        const auto end = b.Squares();
        ASSERT_TRUE(b.GotoMove(200, true));
        EXPECT_EQ(b.Position(), QString::fromLatin1(StartPlacement.data() + 1, 64));
        ASSERT_TRUE(b.GotoMove(b.LastMove, b.LastMoveIsWhite));
        EXPECT_EQ(b.Squares(), end);
        return;
    }
    FAIL() << "no random game reached move 260";
}
