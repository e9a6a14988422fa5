// The engine's evaluation and search: mates, legal answers, the stop predicate, and the mended
// faults at the root and at the ply limit.

#include "board/ChessEngine.h"
#include "tests/board/EnginePositions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace {

using namespace engine_positions;

const std::function<bool()> kNeverStop = [] { return false; };

bool IsLegal(ChessEngine& e, EngineMove move) {
    e.GenerateMoves();
    for (const ScoredMove& m : e.Moves()) {
        if (m.move == move && e.MakeMove(move)) {
            e.TakeBack();
            return true;
        }
    }
    return false;
}

// Colours exchanged and the board turned over rank by rank.
std::string Mirrored(const std::string& placement) {
    std::string mirrored(64, ' ');
    for (int sq = 0; sq < 64; ++sq) {
        char c = placement[sq];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        mirrored[(7 - sq / 8) * 8 + sq % 8] = c;
    }
    return mirrored;
}

int Evaluated(std::string_view placement, bool whiteToMove) {
    auto engine = Loaded(placement, whiteToMove, 0);
    engine->PrepareEvaluation();
    return engine->Evaluate();
}

// Each king shuffles between two corner squares behind walls of blocked pawns: exactly one
// legal move on every ply, so a deep search is a single line.
std::string Fortress() {
    std::string squares = Placement({"Ka1", "kh8"});
    for (char file : std::string("abc"))
        for (int rank = file == 'c' ? 1 : 2; rank <= 8; ++rank)
            squares[(8 - rank) * 8 + (file - 'a')] = 'P';
    for (char file : std::string("fgh"))
        for (int rank = 1; rank <= (file == 'f' ? 8 : 7); ++rank)
            squares[(8 - rank) * 8 + (file - 'a')] = 'p';
    return squares;
}

} // namespace

TEST(EngineEvaluate, CountsMaterialSquaresPawnStructureAndOpenFiles) {
    // White: pawn e2 80 (isolated -20, on a file without enemy pawns -10, passed +160), king e1
    // in the end game -5, rook a1 on an open file 515. Black: king e8 -5.
    const std::string placement = Placement({"Ke1", "Pe2", "Ra1", "ke8"});
    EXPECT_EQ(Evaluated(placement, true), 725);
    EXPECT_EQ(Evaluated(placement, false), -725);
    EXPECT_EQ(Evaluated(kStart, true), 0);
}

TEST(EngineEvaluate, KingTablesFollowTheEnemyMaterial) {
    // With more than 1400 of enemy pieces the king stands on the middle-game table and its pawn
    // shelter counts: the g1 king behind f2/g2/h2 earns 20 on each of them.
    const std::string sheltered =
        Placement({"Kg1", "Pf2", "Pg2", "Ph2", "ke8", "qd8", "ra8", "rh8"});
    const std::string bare = Placement({"Kg1", "Pf2", "Pg2", "Ph2", "ke8", "qd8", "ra8"});
    const int withShelter = Evaluated(sheltered, true);
    const int without = Evaluated(bare, true);
    // The h8 rook is worth 510 (its file holds a White pawn). White's king: 10 on g1 in the middle
    // game against -5 in the end game; 20 of shelter on each of three passed pawns, which count
    // their square value three times.
    EXPECT_EQ(withShelter - without, (10 + 5) + 3 * 20 * 3 - 510);
}

TEST(EngineEvaluate, IsTheSameForTheMirroredPosition) {
    const std::string positions[] = {kKiwipete, kPosition4, kPosition5,
                                     Placement({"Kg1", "Pf2", "Pg3", "Ph2", "Rd1", "kb8", "pa7",
                                                "pb7", "pc6", "qd8", "rh8", "nf6"})};
    for (const std::string& p : positions) {
        EXPECT_EQ(Evaluated(p, true), Evaluated(Mirrored(p), false)) << p;
        EXPECT_EQ(Evaluated(p, false), Evaluated(Mirrored(p), true)) << p;
    }
}

TEST(EngineSearch, FindsMateInOneAtDepthOne) {
    auto engine = Loaded(Placement({"Kg1", "Ra1", "kg8", "pf7", "pg7", "ph7"}), true, 0);
    for (int depth = 1; depth <= 3; ++depth) {
        const EngineResult result = engine->Think(depth, kNeverStop);
        ASSERT_TRUE(result.hasMove);
        EXPECT_EQ(result.move.from, At("a1"));
        EXPECT_EQ(result.move.to, At("a8"));
        EXPECT_EQ(result.score, 10000 - 1) << depth;
        EXPECT_EQ(result.depth, depth);
    }
}

TEST(EngineSearch, AnswersTheStartPositionWithALegalMove) {
    for (int depth = 1; depth <= 4; ++depth) {
        auto engine = std::make_unique<ChessEngine>();
        const EngineResult result = engine->Think(depth, kNeverStop);
        ASSERT_TRUE(result.hasMove) << depth;
        EXPECT_FALSE(result.stopped);
        EXPECT_EQ(result.depth, depth);
        EXPECT_GT(result.nodes, 0);
        EXPECT_EQ(engine->Ply(), 0);
        EXPECT_TRUE(IsLegal(*engine, result.move)) << depth;
    }
}

TEST(EngineSearch, KeepsItsMovesAndNodeCounts) {
    // Reference values of this search; a faster engine must not change them.
    struct Expected {
        int depth;
        const char* move;
        std::int64_t nodes;
    };
    const std::pair<const char*, Expected> cases[] = {{kStart, {1, "d2d4", 21}},
                                                      {kStart, {2, "d2d4", 93}},
                                                      {kStart, {3, "d2d4", 1006}},
                                                      {kStart, {4, "e2e4", 6475}},
                                                      {kKiwipete, {3, "e2a6", 80417}}};
    for (const auto& [placement, expected] : cases) {
        auto engine = Loaded(placement, true, 15);
        const EngineResult result = engine->Think(expected.depth, kNeverStop);
        const char name[] = {char('a' + result.move.from % 8), char('8' - result.move.from / 8),
                             char('a' + result.move.to % 8), char('8' - result.move.to / 8), 0};
        EXPECT_EQ(std::string(name), expected.move) << expected.depth;
        EXPECT_EQ(result.nodes, expected.nodes) << expected.depth;
    }
}

TEST(EngineSearch, NoMoveWhenMatedOrStalemated) {
    const EngineResult mated =
        Loaded(Placement({"Kg1", "Ra8", "kg8", "pf7", "pg7", "ph7"}), false, 0)
            ->Think(3, kNeverStop);
    EXPECT_FALSE(mated.hasMove);
    EXPECT_FALSE(mated.stopped);
    EXPECT_EQ(mated.score, -10000);

    const EngineResult stalemated =
        Loaded(Placement({"Kf7", "Qg6", "kh8"}), false, 0)->Think(3, kNeverStop);
    EXPECT_FALSE(stalemated.hasMove);
    EXPECT_EQ(stalemated.score, 0);
}

TEST(EngineSearch, StopPredicateEndsTheSearchWithNothingToPlay) {
    auto engine = Loaded(kKiwipete, true, 15);
    const std::string before = [&] {
        std::string s;
        for (int sq = 0; sq < 64; ++sq)
            s += char('0' + engine->Color(sq)) + std::to_string(engine->Piece(sq));
        return s + std::to_string(engine->Castle()) + std::to_string(engine->Side());
    }();
    int asked = 0;
    const EngineResult result = engine->Think(10, [&] { return ++asked > 5000; });
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.hasMove);
    EXPECT_EQ(asked, 5001); // not asked again once it has answered true
    EXPECT_EQ(engine->Ply(), 0);
    std::string after;
    for (int sq = 0; sq < 64; ++sq)
        after += char('0' + engine->Color(sq)) + std::to_string(engine->Piece(sq));
    EXPECT_EQ(after + std::to_string(engine->Castle()) + std::to_string(engine->Side()), before);

    const EngineResult atOnce = engine->Think(3, [] { return true; });
    EXPECT_TRUE(atOnce.stopped);
    EXPECT_EQ(atOnce.nodes, 0);
}

TEST(EngineFaults, RootDeliversTheFirstLegalMoveWhenNoMoveRaisesAlpha) {
    // Black's material puts every White answer beyond the search window: all root moves lose.
    std::string losing = Placement({"Kh1", "Pa2", "ka8"});
    for (int sq = 1; sq < 16; ++sq)
        losing[sq] = 'q';
    for (int sq = 16; sq < 24; ++sq)
        losing[sq] = 'p';
    auto engine = std::make_unique<ChessEngine>();
    ASSERT_TRUE(engine->Think(3, kNeverStop).hasMove); // leaves a principal variation behind
    engine->Load(losing, true, 0, 0);
    const EngineResult lost = engine->Think(2, kNeverStop);
    ASSERT_TRUE(lost.hasMove);
    EXPECT_EQ(lost.move.from, At("a2"));
    EXPECT_EQ(lost.move.to, At("a3"));

    // White's own material makes the first root move reach the bound at once.
    engine->Load(Mirrored(losing), true, 0, 0);
    const EngineResult won = engine->Think(2, kNeverStop);
    ASSERT_TRUE(won.hasMove);
    EXPECT_TRUE(IsLegal(*engine, won.move));
    EXPECT_EQ(won.score, 10000);
}

TEST(EngineFaults, SearchStopsAtTheLastPlyItsArraysHold) {
    auto engine = Loaded(Fortress(), true, 0);
    ASSERT_EQ(engine->Perft(4), 1u);
    const EngineResult result = engine->Think(ChessEngine::kMaxPly + 10, kNeverStop);
    ASSERT_TRUE(result.hasMove);
    EXPECT_EQ(result.depth, ChessEngine::kMaxPly + 10);
    EXPECT_EQ(result.move.from, At("a1"));
    EXPECT_EQ(result.move.to, At("b1"));
    EXPECT_EQ(engine->Ply(), 0);
}
