// The engine's board: perft against the published counts, make/take back, the attack test, the
// generation order with its scores, and the mended generation faults.

#include "board/ChessEngine.h"
#include "tests/board/EnginePositions.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace engine_positions;

struct Snapshot {
    std::array<int, 64> color, piece;
    int side, xside, castle, ep, fifty, ply;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const ChessEngine& e) {
    Snapshot s{{}, {}, e.Side(), e.XSide(), e.Castle(), e.Ep(), e.Fifty(), e.Ply()};
    for (int sq = 0; sq < 64; ++sq) {
        s.color[sq] = e.Color(sq);
        s.piece[sq] = e.Piece(sq);
    }
    return s;
}

std::vector<ScoredMove> Generated(ChessEngine& e) {
    e.GenerateMoves();
    return {e.Moves().begin(), e.Moves().end()};
}

bool Contains(const std::vector<ScoredMove>& moves, int from, int to, int bits) {
    for (const ScoredMove& m : moves)
        if (m.move.from == from && m.move.to == to && m.move.bits == bits)
            return true;
    return false;
}

bool HasMoveFrom(const std::vector<ScoredMove>& moves, int from) {
    for (const ScoredMove& m : moves)
        if (m.move.from == from)
            return true;
    return false;
}

// Walks the legal tree and checks that every make/take back, and every refused make, leaves the
// whole state as it was.
void CheckRestored(ChessEngine& e, int depth) {
    if (depth == 0)
        return;
    e.GenerateMoves();
    const std::vector<ScoredMove> moves(e.Moves().begin(), e.Moves().end());
    const Snapshot before = Take(e);
    for (const ScoredMove& m : moves) {
        if (e.MakeMove(m.move)) {
            ASSERT_EQ(e.Ply(), before.ply + 1);
            CheckRestored(e, depth - 1);
            e.TakeBack();
        }
        ASSERT_EQ(Take(e), before) << int(m.move.from) << "-" << int(m.move.to);
    }
}

// The attack test as a scan over every square of the attacking side, on file and rank
// coordinates: the reference the engine's outward test must agree with.
bool ScanAttack(const ChessEngine& e, int sq, int s) {
    auto reaches = [&](int from, int df, int dr, bool slides) {
        int f = from % 8 + df, r = from / 8 + dr;
        for (; f >= 0 && f < 8 && r >= 0 && r < 8; f += df, r += dr) {
            if (r * 8 + f == sq)
                return true;
            if (!slides || e.Color(r * 8 + f) != ChessEngine::kEmpty)
                return false;
        }
        return false;
    };
    static const int knight[8][2] = {{-1, -2}, {1, -2}, {-2, -1}, {2, -1},
                                     {-2, 1},  {2, 1},  {-1, 2},  {1, 2}};
    static const int lines[8][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1},
                                    {0, -1},  {-1, 0}, {1, 0},  {0, 1}};
    for (int i = 0; i < 64; ++i) {
        if (e.Color(i) != s)
            continue;
        const int p = e.Piece(i);
        if (p == ChessEngine::kPawn) {
            const int dr = s == ChessEngine::kWhite ? -1 : 1;
            if (reaches(i, -1, dr, false) || reaches(i, 1, dr, false))
                return true;
        } else if (p == ChessEngine::kKnight) {
            for (const auto& k : knight)
                if (reaches(i, k[0], k[1], false))
                    return true;
        } else {
            const bool slides = p != ChessEngine::kKing;
            const int first = p == ChessEngine::kRook ? 4 : 0;
            const int last = p == ChessEngine::kBishop ? 4 : 8;
            for (int j = first; j < last; ++j)
                if (reaches(i, lines[j][0], lines[j][1], slides))
                    return true;
        }
    }
    return false;
}

} // namespace

TEST(EnginePerft, MatchesThePublishedCounts) {
    struct Case {
        const char* name;
        const char* placement;
        bool white;
        int castling;
        std::vector<std::uint64_t> counts; // depth 1, 2, ...
    };
    const std::vector<Case> cases = {
        {"start", kStart, true, 15, {20, 400, 8902, 197281}},
        {"Kiwipete", kKiwipete, true, 15, {48, 2039, 97862}},
        {"position 3", kPosition3, true, 0, {14, 191, 2812, 43238}},
        {"position 4", kPosition4, true, 12, {6, 264, 9467}},
        {"position 4 mirrored", kPosition4Mirrored, false, 3, {6, 264, 9467}},
        {"position 5", kPosition5, true, 3, {44, 1486, 62379}},
    };
    for (const Case& c : cases) {
        auto engine = Loaded(c.placement, c.white, c.castling);
        for (std::size_t depth = 1; depth <= c.counts.size(); ++depth)
            EXPECT_EQ(engine->Perft(int(depth)), c.counts[depth - 1])
                << c.name << " at depth " << depth;
        EXPECT_EQ(engine->Ply(), 0);
    }
}

TEST(EnginePerft, EnPassantTreeFromPosition3) {
    // Deep enough for en-passant captures that would uncover a check along the rank.
    auto engine = Loaded(kPosition3, true, 0);
    EXPECT_EQ(engine->Perft(5), 674624u);
}

// Rooks that leave or are taken on their corners must take their side's castling with them;
// only a tree of depth 4 and more reaches a castling after such a loss.
TEST(EnginePerft, CornerRooksTakeTheirCastlingAlongAtDepthFour) {
    constexpr const char* rooksAndKings = "r   k  r"
                                          "        "
                                          "        "
                                          "        "
                                          "        "
                                          "        "
                                          "        "
                                          "R   K  R";
    for (const bool white : {true, false}) {
        auto engine = Loaded(rooksAndKings, white, 15);
        EXPECT_EQ(engine->Perft(4), 314346u) << white;
    }
}

TEST(EngineMakeMove, EveryMakeAndTakeBackRestoresTheWholeState) {
    CheckRestored(*Loaded(kKiwipete, true, 15), 3);
    CheckRestored(*Loaded(kPosition4, true, 12), 2);
    CheckRestored(*Loaded(kPosition5, true, 3), 2);
}

TEST(EngineMakeMove, EnPassantCaptureRemovesThePawnBehind) {
    auto engine = Loaded(Placement({"Ke1", "ke8", "Pe4", "pd4", "pf4"}), false, 0, At("e3") + 1);
    const auto moves = Generated(*engine);
    EXPECT_TRUE(Contains(moves, At("d4"), At("e3"), 21));
    EXPECT_TRUE(Contains(moves, At("f4"), At("e3"), 21));
    ASSERT_TRUE(engine->MakeMove({std::uint8_t(At("d4")), std::uint8_t(At("e3")), 0, 21}));
    EXPECT_EQ(engine->Color(At("e4")), ChessEngine::kEmpty);
    EXPECT_EQ(engine->Piece(At("e3")), ChessEngine::kPawn);
    engine->TakeBack();
    EXPECT_EQ(engine->Color(At("e4")), ChessEngine::kWhite);
    EXPECT_EQ(engine->Piece(At("e4")), ChessEngine::kPawn);
}

TEST(EngineMakeMove, DoubleStepSetsTheSquarePassedOver) {
    auto engine = std::make_unique<ChessEngine>();
    ASSERT_TRUE(engine->MakeMove({std::uint8_t(At("e2")), std::uint8_t(At("e4")), 0, 24}));
    EXPECT_EQ(engine->Ep(), At("e3"));
    EXPECT_EQ(engine->Fifty(), 0);
    ASSERT_TRUE(engine->MakeMove({std::uint8_t(At("g8")), std::uint8_t(At("f6")), 0, 0}));
    EXPECT_EQ(engine->Ep(), -1);
    EXPECT_EQ(engine->Fifty(), 1);
}

TEST(EngineMakeMove, CastlingThroughAnAttackedSquareIsGeneratedButRefused) {
    auto engine = Loaded(Placement({"Ke1", "Rh1", "ke8", "rf8"}), true, 1);
    const auto moves = Generated(*engine);
    ASSERT_TRUE(Contains(moves, At("e1"), At("g1"), ChessEngine::kCastle));
    const Snapshot before = Take(*engine);
    EXPECT_FALSE(engine->MakeMove({std::uint8_t(At("e1")), std::uint8_t(At("g1")), 0, 2}));
    EXPECT_EQ(Take(*engine), before);
}

TEST(EngineMakeMove, CastlingMovesTheRookAndClearsTheRights) {
    auto engine = Loaded(Placement({"Ke1", "Ra1", "Rh1", "ke8", "ra8", "rh8"}), true, 15);
    ASSERT_TRUE(engine->MakeMove({std::uint8_t(At("e1")), std::uint8_t(At("c1")), 0, 2}));
    EXPECT_EQ(engine->Piece(At("d1")), ChessEngine::kRook);
    EXPECT_EQ(engine->Color(At("a1")), ChessEngine::kEmpty);
    EXPECT_EQ(engine->Castle(), 12);
    ASSERT_TRUE(engine->MakeMove({std::uint8_t(At("e8")), std::uint8_t(At("g8")), 0, 2}));
    EXPECT_EQ(engine->Piece(At("f8")), ChessEngine::kRook);
    EXPECT_EQ(engine->Castle(), 0);
    engine->TakeBack();
    engine->TakeBack();
    EXPECT_EQ(Take(*engine),
              Take(*Loaded(Placement({"Ke1", "Ra1", "Rh1", "ke8", "ra8", "rh8"}), true, 15)));
}

TEST(EngineMakeMove, RookAndKingMovesAndCapturesClearTheirRights) {
    auto engine = Loaded(Placement({"Ke1", "Ra1", "Rh1", "ke8", "ra8", "rh8"}), true, 15);
    ASSERT_TRUE(engine->MakeMove({std::uint8_t(At("h1")), std::uint8_t(At("h8")), 0, 1}));
    EXPECT_EQ(engine->Castle(), 2 | 8); // h1 moved away and h8 was taken
    ASSERT_TRUE(engine->MakeMove({std::uint8_t(At("e8")), std::uint8_t(At("e7")), 0, 0}));
    EXPECT_EQ(engine->Castle(), 2);
}

TEST(EngineMakeMove, TakeBackOfACapturePromotionRestoresPawnAndVictim) {
    auto engine = Loaded(Placement({"Ke1", "Pb7", "ke8", "na8"}), true, 0);
    const Snapshot before = Take(*engine);
    ASSERT_TRUE(engine->MakeMove({std::uint8_t(At("b7")), std::uint8_t(At("a8")), 3, 1 | 16 | 32}));
    EXPECT_EQ(engine->Piece(At("a8")), ChessEngine::kRook);
    EXPECT_EQ(engine->Color(At("a8")), ChessEngine::kWhite);
    engine->TakeBack();
    EXPECT_EQ(Take(*engine), before);
}

TEST(EngineMakeMove, MoveIntoCheckIsRefusedAndUndone) {
    auto engine = Loaded(Placement({"Ke1", "Be2", "ke8", "re7"}), true, 0);
    const Snapshot before = Take(*engine);
    EXPECT_FALSE(engine->MakeMove({std::uint8_t(At("e2")), std::uint8_t(At("d3")), 0, 0}));
    EXPECT_EQ(Take(*engine), before);
}

TEST(EngineAttack, AgreesWithTheScanOverEveryAttacker) {
    std::mt19937 random(2024);
    const std::string letters = "PNBRQKpnbrqk";
    for (int position = 0; position < 300; ++position) {
        std::string squares(64, ' ');
        const int count = 2 + int(random() % 24);
        for (int i = 0; i < count; ++i)
            squares[random() % 64] = letters[random() % letters.size()];
        auto engine = Loaded(squares, position % 2 == 0, 0);
        for (int sq = 0; sq < 64; ++sq)
            for (int s : {ChessEngine::kWhite, ChessEngine::kBlack})
                ASSERT_EQ(engine->Attack(sq, s), ScanAttack(*engine, sq, s))
                    << squares << " square " << sq << " side " << s;
    }
}

TEST(EngineAttack, InCheckIsFalseWithoutAKing) {
    auto engine = Loaded(Placement({"ke8", "Qe1"}), true, 0);
    EXPECT_FALSE(engine->InCheck(ChessEngine::kWhite));
    EXPECT_TRUE(engine->InCheck(ChessEngine::kBlack));
}

TEST(EngineGenerate, OrderBitsAndScoresOfTheMoveList) {
    // White: pawn d7 promotes by capture and by push, knight b1, then castling, then en passant.
    auto engine = Loaded(Placement({"ka6", "nc8", "Pd7", "Pe5", "pd5", "Nb1", "Ke1", "Rh1"}), true,
                         1, At("d6") + 1);
    const auto moves = Generated(*engine);
    std::vector<std::string> listed;
    for (const ScoredMove& m : moves)
        listed.push_back(std::to_string(m.move.from) + "-" + std::to_string(m.move.to) + "/" +
                         std::to_string(m.move.promote) + "/" + std::to_string(m.move.bits) + "=" +
                         std::to_string(m.score));
    const std::vector<std::string> expected = {
        // d7xc8 promotions (11 -> 2), then d7-d8 promotions (11 -> 3)
        "11-2/1/49=1000010", "11-2/2/49=1000020", "11-2/3/49=1000030", "11-2/4/49=1000040",
        "11-3/1/48=1000010", "11-3/2/48=1000020", "11-3/3/48=1000030", "11-3/4/48=1000040",
        // e5-e6 (the pawn on d5 blocks nothing on the e-file)
        "28-20/0/16=0",
        // knight b1: a3, c3, d2 in offset order
        "57-40/0/0=0", "57-42/0/0=0", "57-51/0/0=0",
        // king e1: d2, e2, f2, d1, f1
        "60-51/0/0=0", "60-52/0/0=0", "60-53/0/0=0", "60-59/0/0=0", "60-61/0/0=0",
        // rook h1: up the file, then towards g1
        "63-55/0/0=0", "63-47/0/0=0", "63-39/0/0=0", "63-31/0/0=0", "63-23/0/0=0", "63-15/0/0=0",
        "63-7/0/0=0", "63-62/0/0=0", "63-61/0/0=0",
        // castling, then en passant onto d6 (piece code 6 on the empty target)
        "60-62/0/2=0", "28-19/0/21=1000060"};
    EXPECT_EQ(listed, expected);
}

TEST(EngineGenerate, CapturesOnlyListsCapturesPromotionsAndEnPassant) {
    auto engine = Loaded(Placement({"ka6", "nc8", "Pd7", "Pe5", "pd5", "Nb1", "Ke1", "Rh1", "ph7"}),
                         true, 1, At("d6") + 1);
    engine->GenerateCaptures();
    std::vector<std::string> listed;
    for (const ScoredMove& m : engine->Moves())
        listed.push_back(std::to_string(m.move.from) + "-" + std::to_string(m.move.to) + "/" +
                         std::to_string(m.move.bits) + "=" + std::to_string(m.score));
    const std::vector<std::string> expected = {
        "11-2/49=1000010", "11-2/49=1000020", "11-2/49=1000030", "11-2/49=1000040",
        "11-3/48=1000010", "11-3/48=1000020", "11-3/48=1000030", "11-3/48=1000040",
        "63-15/1=999997",  "28-19/21=1000060"};
    EXPECT_EQ(listed, expected);
}

TEST(EngineGenerate, CaptureScoresUsePieceCodes) {
    auto engine = Loaded(Placement({"Ke1", "Qd1", "Pc2", "qd3", "ke8"}), true, 0);
    const auto moves = Generated(*engine);
    for (const ScoredMove& m : moves) {
        if (m.move.to != At("d3"))
            continue;
        const int expected = m.move.from == At("c2") ? 1000040 : 1000036;
        EXPECT_EQ(m.score, expected) << int(m.move.from);
    }
}

TEST(EngineFaults, CastlingNeedsTheKingAndTheRookOnTheirSquares) {
    // All four rights, but the kings stand elsewhere or the rooks are missing or foreign.
    const auto kingAway = Generated(*Loaded(Placement({"Kf1", "Ra1", "Rh1", "kd8"}), true, 15));
    EXPECT_FALSE(HasMoveFrom(kingAway, At("e1")));
    for (const ScoredMove& m : kingAway)
        EXPECT_EQ(m.move.bits & ChessEngine::kCastle, 0);

    const auto noRooks = Generated(*Loaded(Placement({"Ke1", "Nh1", "ra1", "ke8"}), true, 15));
    for (const ScoredMove& m : noRooks)
        EXPECT_EQ(m.move.bits & ChessEngine::kCastle, 0);

    const auto black = Generated(*Loaded(Placement({"Ke1", "ke8", "rh8", "Ra8"}), false, 15));
    int castlings = 0;
    for (const ScoredMove& m : black)
        castlings += (m.move.bits & ChessEngine::kCastle) != 0;
    EXPECT_EQ(castlings, 1); // king side only: the a8 rook is White's
}

TEST(EngineFaults, EnPassantOnlyOntoAnEmptySquareWithAnEnemyPawnBehind) {
    auto count = [](const std::string& placement, bool white, const char* ep) {
        int n = 0;
        for (const ScoredMove& m : Generated(*Loaded(placement, white, 0, At(ep) + 1)))
            n += (m.move.bits & ChessEngine::kEnPassant) != 0;
        return n;
    };
    EXPECT_EQ(count(Placement({"Ke1", "ke8", "Pe5", "pd5"}), true, "d6"), 1);
    EXPECT_EQ(count(Placement({"Ke1", "ke8", "Pe5", "nd5"}), true, "d6"), 0); // no pawn behind
    EXPECT_EQ(count(Placement({"Ke1", "ke8", "Pe5", "Pd5"}), true, "d6"), 0); // own pawn behind
    EXPECT_EQ(count(Placement({"Ke1", "ke8", "Pe5", "pd5", "bd6"}), true, "d6"), 0); // occupied
    EXPECT_EQ(count(Placement({"Ke1", "ke8", "Pe2", "pd2"}), true, "d3"), 0);        // wrong rank
    EXPECT_EQ(count(Placement({"Ke1", "ke8", "pe4", "Pd4"}), false, "d3"), 1);
    EXPECT_EQ(count(Placement({"Ke1", "ke8", "pe7", "Pd7"}), false, "d6"), 0);
}

TEST(EngineFaults, PawnsOnTheEdgeRanksStayOnTheBoard) {
    // A White pawn on rank 8 and a Black one on rank 1 have no moves at all; pawns on their own
    // first rank step once but never twice.
    auto white = Loaded(Placement({"Ke4", "Pa8", "Ph8", "Pc1", "ke6"}), true, 0);
    const auto whiteMoves = Generated(*white);
    EXPECT_FALSE(HasMoveFrom(whiteMoves, At("a8")));
    EXPECT_FALSE(HasMoveFrom(whiteMoves, At("h8")));
    EXPECT_TRUE(Contains(whiteMoves, At("c1"), At("c2"), 16));
    EXPECT_FALSE(Contains(whiteMoves, At("c1"), At("c3"), 24));

    auto black = Loaded(Placement({"Ke4", "pa1", "ph1", "pc8", "ke6"}), false, 0);
    const auto blackMoves = Generated(*black);
    EXPECT_FALSE(HasMoveFrom(blackMoves, At("a1")));
    EXPECT_FALSE(HasMoveFrom(blackMoves, At("h1")));
    EXPECT_TRUE(Contains(blackMoves, At("c8"), At("c7"), 16));
    EXPECT_FALSE(Contains(blackMoves, At("c8"), At("c6"), 24));
}

TEST(EngineFaults, UnknownLettersAreEmptySquares) {
    auto engine = Loaded(Placement({"Ke1", "ke8", "Xd4", "Cd5", "zd6"}), true, 0);
    for (const char* sq : {"d4", "d5", "d6"}) {
        EXPECT_EQ(engine->Color(At(sq)), ChessEngine::kEmpty) << sq;
        EXPECT_EQ(engine->Piece(At(sq)), ChessEngine::kEmpty) << sq;
    }
    EXPECT_EQ(engine->Perft(1), 5u);
}
