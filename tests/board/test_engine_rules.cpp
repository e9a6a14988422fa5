// The engine and the board agree on what is legal: in every position of the perft trees to
// depth 2, the engine's legal moves are exactly the pairs the board's MoveIsLegal accepts.

#include "board/BoardModel.h"
#include "board/ChessEngine.h"
#include "tests/board/EnginePositions.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>

namespace {

using Pairs = std::set<std::pair<int, int>>;

char LetterAt(const ChessEngine& e, int sq) {
    if (e.Color(sq) == ChessEngine::kEmpty)
        return ' ';
    const char letter = "pnbrqk"[e.Piece(sq)];
    return e.Color(sq) == ChessEngine::kWhite ? char(letter - 'a' + 'A') : letter;
}

Pairs EngineLegal(ChessEngine& e) {
    Pairs legal;
    e.GenerateMoves();
    for (const ScoredMove& m : e.Moves()) {
        if (e.MakeMove(m.move)) {
            e.TakeBack();
            legal.insert({m.move.from + 1, m.move.to + 1});
        }
    }
    return legal;
}

Pairs BoardLegal(const ChessEngine& e, TChessBoardModel& board) {
    MoveInfo rec;
    for (int sq = 0; sq < 64; ++sq)
        rec.Placement[sq + 1] = LetterAt(e, sq);
    rec.Castling = TCastleSet(e.Castle());
    rec.EnPassantSq = Square(e.Ep() + 1);
    EXPECT_TRUE(board.SetUpPosition(rec, 1, e.Side() == ChessEngine::kWhite));
    Pairs legal;
    for (int from = 1; from <= 64; ++from)
        for (int to = 1; to <= 64; ++to)
            if (board.MoveIsLegal(Square(from), Square(to)))
                legal.insert({from, to});
    return legal;
}

void CompareTree(ChessEngine& e, TChessBoardModel& board, int depth, int& positions) {
    ++positions;
    ASSERT_EQ(EngineLegal(e), BoardLegal(e, board)) << "at ply " << e.Ply();
    if (depth == 0)
        return;
    e.GenerateMoves();
    const std::vector<ScoredMove> moves(e.Moves().begin(), e.Moves().end());
    for (const ScoredMove& m : moves) {
        if (!e.MakeMove(m.move))
            continue;
        CompareTree(e, board, depth - 1, positions);
        e.TakeBack();
    }
}

} // namespace

struct TreeCase {
    const char* name;
    const char* placement;
    bool white;
    int castling;
};

// Set-up positions may hold several kings or none: only the first king of a side, from a8 on,
// counts, and a king may even be captured.
constexpr const char* kTwoWhiteKings = "    k   "
                                       "  p     "
                                       "   K    "
                                       "        "
                                       "        "
                                       "        "
                                       "      P "
                                       "r   K   ";
constexpr const char* kNoBlackKing = "  r     "
                                     "   p    "
                                     "        "
                                     "        "
                                     "  q     "
                                     "        "
                                     "P   P   "
                                     "    K  R";

class EngineAndBoard : public testing::TestWithParam<TreeCase> {};

TEST_P(EngineAndBoard, AgreeOnTheLegalMovesOfThePerftTree) {
    auto engine = std::make_unique<ChessEngine>();
    engine->Load(GetParam().placement, GetParam().white, GetParam().castling, 0);
    TChessBoardModel board;
    int positions = 0;
    CompareTree(*engine, board, 2, positions);
    EXPECT_GT(positions, 100);
}

INSTANTIATE_TEST_SUITE_P(
    PerftPositions, EngineAndBoard,
    testing::Values(TreeCase{"Start", engine_positions::kStart, true, 15},
                    TreeCase{"Kiwipete", engine_positions::kKiwipete, true, 15},
                    TreeCase{"Position3", engine_positions::kPosition3, true, 0},
                    TreeCase{"Position4", engine_positions::kPosition4, true, 12},
                    TreeCase{"Position5", engine_positions::kPosition5, true, 3},
                    TreeCase{"TwoWhiteKings", kTwoWhiteKings, true, 0},
                    TreeCase{"NoBlackKing", kNoBlackKing, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });
