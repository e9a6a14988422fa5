// The quick roads of the rules against the plain ones: the legal moves found piece by piece
// against every pair of squares tried with the legality test, the end-of-move events and the
// check suffixes against the same plain tests, and the repetition count against the history
// walked record by record. Positions come from random games and from random placements, where
// kings may be missing or doubled and pawns stand anywhere.

#include "board/BoardModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>

namespace {

using MoveSet = std::set<std::pair<int, int>>;

MoveSet PlainLegalMoves(const rules::BoardState& state) {
    MoveSet moves;
    for (int from = 1; from <= 64; ++from)
        for (int to = 1; to <= 64 && rules::ColorOfLetter(state.squares[from]) != -1; ++to)
            if (rules::LegalByRules(state, Square(from), Square(to)))
                moves.insert({from, to});
    return moves;
}

MoveSet FoundLegalMoves(const rules::BoardState& state) {
    MoveSet moves;
    rules::FindLegalMove(state, [&](Square from, Square to) {
        EXPECT_TRUE(moves.insert({from, to}).second) << "offered twice: " << from << "-" << to;
        return false;
    });
    return moves;
}

QString Describe(const rules::BoardState& state) {
    TChessBoardModel board;
    MoveInfo rec;
    rec.Placement = state.squares;
    rec.Castling = state.castling;
    rec.EnPassantSq = state.enPassant;
    board.SetUpPosition(rec, 1, state.whiteToMove);
    return board.GetFENPosition();
}

// Compares both roads on one position; false when they differ.
bool SameLegalMoves(const rules::BoardState& state, const MoveSet& plain) {
    const MoveSet found = FoundLegalMoves(state);
    EXPECT_EQ(found, plain) << Describe(state).toStdString();
    EXPECT_EQ(rules::AnyLegalMoveByRules(state), !plain.empty()) << Describe(state).toStdString();
    return found == plain;
}

// A placement of scattered pieces with a king of each colour most of the time, none or two now
// and then, pawns on any rank, random castling rights and, half of the time, an en-passant square
// with a pawn to take there and one to take it.
rules::BoardState RandomPlacement(std::mt19937& rng) {
    rules::BoardState state;
    state.squares = StartPlacement;
    for (int s = 1; s <= 64; ++s)
        state.squares[s] = ' ';
    const char* pieces = "PPPPNNBBRRQpppppnnbbrrq";
    const int count = 2 + int(rng() % 20);
    for (int i = 0; i < count; ++i)
        state.squares[1 + rng() % 64] = pieces[rng() % 23];
    for (const char king : {'K', 'k'}) {
        const unsigned roll = rng() % 20;
        const int kings = roll == 0 ? 0 : roll == 1 ? 2 : 1;
        for (int i = 0; i < kings; ++i)
            state.squares[1 + rng() % 64] = king;
    }
    // Kings and rooks on their castling squares now and then.
    if (rng() % 3 == 0) {
        state.squares[E1] = 'K';
        state.squares[H1] = 'R';
        state.squares[A1] = 'R';
        state.squares[E8] = 'k';
        state.squares[H8] = 'r';
        state.squares[A8] = 'r';
    }
    state.whiteToMove = rng() % 2 == 0;
    state.castling = TCastleSet(rng() % 16);
    if (rng() % 2 == 0) {
        const int file = 1 + int(rng() % 8);
        const bool white = state.whiteToMove;
        state.enPassant = rules::SquareAt(file, white ? 6 : 3);
        const Square victim = rules::SquareAt(file, white ? 5 : 4);
        state.squares[state.enPassant] = ' ';
        state.squares[victim] = white ? 'p' : 'P';
        const int side = file == 1 ? 1 : file == 8 ? -1 : (rng() % 2 ? 1 : -1);
        state.squares[rules::SquareAt(file + side, white ? 5 : 4)] = white ? 'P' : 'p';
    }
    return state;
}

// A random legal move, with checks, captures, castling and pawn moves favoured.
std::pair<Square, Square> ChooseMove(const rules::BoardState& state, const MoveSet& legal,
                                     std::mt19937& rng) {
    std::vector<std::pair<int, int>> all(legal.begin(), legal.end());
    std::vector<std::pair<int, int>> favoured;
    std::vector<std::pair<int, int>> checks;
    for (const auto& [from, to] : all) {
        const char piece = state.squares[from];
        const rules::BoardState after = rules::AfterMove(state, Square(from), Square(to), 'q');
        if (rules::KingAttacked(after.squares, after.whiteToMove))
            checks.push_back({from, to});
        if (state.squares[to] != ' ' || piece == 'P' || piece == 'p' ||
            rules::CastlingRookMove(piece, Square(from), Square(to)).from != None)
            favoured.push_back({from, to});
    }
    const unsigned roll = rng() % 6;
    const auto& pool = !checks.empty() && roll < 2     ? checks
                       : !favoured.empty() && roll < 5 ? favoured
                                                       : all;
    const auto [from, to] = pool[rng() % pool.size()];
    return {Square(from), Square(to)};
}

// The events Move fires, and what the plain tests say it should fire.
struct EndOfMove {
    QStringList events;
    explicit EndOfMove(TChessBoardModel& b) {
        b.OnCheck = [this](auto*, Square, Square) { events << "check"; };
        b.OnMate = [this](auto*, Square, Square) { events << "mate"; };
        b.OnStaleMate = [this](auto*, Square, Square) { events << "stalemate"; };
        b.OnOnlyTwoKingsLeft = [this](auto*) { events << "twokings"; };
        b.OnThreefoldPosition = [this](auto*) { events << "threefold"; };
    }
};

// Whether the side to move may capture en passant in the record's position, tried on every pawn.
bool PlainEnPassantCapture(const MoveInfo& rec, bool white) {
    const rules::BoardState state{rec.Placement, white, rec.Castling, rec.EnPassantSq};
    const char pawn = white ? 'P' : 'p';
    for (int from = 1; from <= 64; ++from)
        if (state.squares[from] == pawn && rec.EnPassantSq != None &&
            rules::LegalByRules(state, Square(from), rec.EnPassantSq) &&
            rules::FileOf(from) != rules::FileOf(rec.EnPassantSq))
            return true;
    return false;
}

// The repetition test walked plainly over the records through GetMove.
bool PlainThreefold(const TChessBoardModel& b) {
    const bool white = b.WhiteToMove();
    const MoveInfo current = b.GetMove(b.CurrentMove(), white);
    int count = 0;
    // Records outside the history read "init" and match nothing.
    for (int n = b.CurrentMove() - 1; n >= 0; --n) {
        const MoveInfo earlier = b.GetMove(n, white);
        if (earlier.Castling == current.Castling &&
            std::equal(earlier.Placement.begin(), earlier.Placement.begin() + 65,
                       current.Placement.begin()) &&
            PlainEnPassantCapture(earlier, white) == PlainEnPassantCapture(current, white))
            ++count;
    }
    return count >= 2;
}

QStringList PlainEvents(const rules::BoardState& state, bool available, bool threefold) {
    const bool check = rules::KingAttacked(state.squares, state.whiteToMove);
    QStringList events;
    if (check)
        events << "check";
    if (check && !available)
        events << "mate";
    if (!check && !available)
        events << "stalemate";
    if (std::all_of(state.squares.begin() + 1, state.squares.begin() + 65,
                    [](char c) { return c == ' ' || c == 'K' || c == 'k'; }))
        events << "twokings";
    if (threefold)
        events << "threefold";
    return events;
}

// The suffix of a move text by the plain tests on the position after it.
QString PlainSuffix(const rules::BoardState& after, bool available) {
    if (!rules::KingAttacked(after.squares, true) && !rules::KingAttacked(after.squares, false))
        return {};
    return available ? "+" : "#";
}

// Attacks and slides by plain geometry, for the tables the rules walk.
bool Slides(const TPlacement& sq, int from, int to, bool straight) {
    const int df = rules::FileOf(to) - rules::FileOf(from);
    const int dr = rules::RankOf(to) - rules::RankOf(from);
    if (from == to || (straight ? (df != 0 && dr != 0) : std::abs(df) != std::abs(dr)))
        return false;
    const int sf = (df > 0) - (df < 0);
    const int sr = (dr > 0) - (dr < 0);
    for (int f = rules::FileOf(from) + sf, r = rules::RankOf(from) + sr;
         rules::SquareAt(f, r) != to; f += sf, r += sr)
        if (sq[rules::SquareAt(f, r)] != ' ')
            return false;
    return true;
}

bool GeometryKingAttacked(const TPlacement& sq, bool whiteKing) {
    const Square king =
        Square(std::find(sq.begin() + 1, sq.begin() + 65, whiteKing ? 'K' : 'k') - sq.begin());
    if (king == 65)
        return false;
    for (int s = 1; s <= 64; ++s) {
        const char c = sq[s];
        if (rules::ColorOfLetter(c) != (whiteKing ? 0 : 1))
            continue;
        const int df = std::abs(rules::FileOf(king) - rules::FileOf(s));
        const int dr = rules::RankOf(king) - rules::RankOf(s);
        switch (c | 0x20) {
        case 'p':
            if (df == 1 && dr == (whiteKing ? -1 : 1))
                return true;
            break;
        case 'n':
            if ((df == 1 && std::abs(dr) == 2) || (df == 2 && std::abs(dr) == 1))
                return true;
            break;
        case 'k':
            if (df <= 1 && std::abs(dr) <= 1)
                return true;
            break;
        case 'q':
            if (Slides(sq, s, king, true) || Slides(sq, s, king, false))
                return true;
            break;
        case 'r':
            if (Slides(sq, s, king, true))
                return true;
            break;
        case 'b':
            if (Slides(sq, s, king, false))
                return true;
            break;
        }
    }
    return false;
}

} // namespace

TEST(BoardLegality, AttacksAndSlidesAgreeWithPlainGeometry) {
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        const rules::BoardState state = RandomPlacement(rng);
        const TPlacement& sq = state.squares;
        for (const bool white : {true, false})
            ASSERT_EQ(rules::KingAttacked(sq, white), GeometryKingAttacked(sq, white))
                << Describe(state).toStdString();
        for (int from = 1; from <= 64; ++from) {
            if (rules::ColorOfLetter(sq[from]) < 0)
                continue;
            for (int to = 1; to <= 64; ++to) {
                const bool open = rules::ColorOfLetter(sq[to]) != rules::ColorOfLetter(sq[from]);
                const Square f = Square(from);
                const Square t = Square(to);
                ASSERT_EQ(rules::RookRule(state, f, t), open && Slides(sq, from, to, true));
                ASSERT_EQ(rules::BishopRule(state, f, t), open && Slides(sq, from, to, false));
            }
        }
    }
}

TEST(BoardLegality, NamedPositionsOfPinsChecksEnPassantAndCastling) {
    const char* fens[] = {
        "4k3/8/8/K2pP2r/8/8/8/8 w - d6 0 1",      // en passant opens the rank
        "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",      // en passant, nothing behind
        "8/8/Q4N2/2k5/3Pp3/P4N2/8/7K b - d3 0 1", // en passant takes the checker
        "4k3/8/8/1b6/8/8/4N3/4K3 w - - 0 1",      // a knight not pinned
        "4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1",      // a rook pinned along its file
        "4k3/8/8/7b/8/8/4B3/3K4 w - - 0 1",       // a bishop pinned along its diagonal
        "4k3/8/8/8/8/8/3N4/r2K4 w - - 0 1",       // in check, the knight cannot help
        "4k3/8/8/8/4r3/8/3P4/4K3 w - - 0 1",      // in check along the file
        "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",   // both castlings
        "r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", // castling through an attacked square
        "r3k2r/8/8/8/8/8/8/R3K1NR w KQkq - 0 1",  // castling over a piece
        "4k3/8/8/8/8/8/3q4/4K3 w - - 0 1",        // the king takes the queen or not
        "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",         // stalemate
        "6rk/5Npp/8/8/8/8/8/6K1 b - - 0 1",       // smothered mate
        "4k3/8/4K3/8/8/8/8/8 w - - 0 1",          // kings side by side
        "8/8/8/8/8/8/8/8 w - - 0 1",              // no kings at all
        "K3k3/8/8/8/8/8/8/3rK3 w - - 0 1",        // two white kings
        "4k3/1P6/8/8/8/8/8/4K3 w - - 0 1",        // a promotion
        "1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1",       // a promotion by capture
        "3rk3/8/8/8/3B4/8/8/3K4 w - - 0 1",       // a bishop in front of the king
        "4k3/8/8/8/1b6/2B5/8/4K3 w - - 0 1",      // a bishop that blocks a check
        "rnbqkbnr/ppppp2p/8/5pp1/4P3/8/PPPP1PPP/RNBQKBNR w KQkq g6 0 1",
    };
    for (const char* fen : fens) {
        TChessBoardModel board;
        ASSERT_TRUE(board.SetFENPosition(fen)) << fen;
        EXPECT_TRUE(SameLegalMoves(board.State(), PlainLegalMoves(board.State()))) << fen;
    }
}

TEST(BoardLegality, RandomPlacementsFindTheSameLegalMoves) {
    std::mt19937 rng(7);
    int differing = 0;
    int withoutMoves = 0;
    for (int i = 0; i < 4000 && differing < 5; ++i) {
        const rules::BoardState state = RandomPlacement(rng);
        differing += SameLegalMoves(state, PlainLegalMoves(state)) ? 0 : 1;
        withoutMoves += rules::AnyLegalMoveByRules(state) ? 0 : 1;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(withoutMoves, 0);
}

// Every position of random games: the legal moves both ways, and after every move the events,
// the check suffixes of both notations and the repetition test against the plain roads.
TEST(BoardLegality, RandomGamesFireWhatThePlainTestsSay) {
    std::mt19937 rng(20261207);
    int mates = 0;
    int stalemates = 0;
    int repetitions = 0;
    int checks = 0;
    int bareKings = 0;
    for (int game = 0; game < 200; ++game) {
        TChessBoardModel b;
        EndOfMove log(b);
        // Some games start from a sparse placement, where mates and bare kings come sooner.
        if (game % 3 == 0) {
            rules::BoardState start = RandomPlacement(rng);
            MoveInfo rec;
            rec.Placement = start.squares;
            rec.Castling = start.castling;
            rec.EnPassantSq = start.enPassant;
            ASSERT_TRUE(b.SetUpPosition(rec, 1, start.whiteToMove));
        }
        std::vector<std::pair<Square, Square>> played;
        MoveSet legal = PlainLegalMoves(b.State());
        for (int ply = 0; ply < 150; ++ply) {
            const rules::BoardState before = b.State();
            ASSERT_TRUE(SameLegalMoves(before, legal)) << "game " << game << " ply " << ply;
            const bool repeated = PlainThreefold(b);
            ASSERT_EQ(b.CheckForThreefoldPosition(), repeated);
            ASSERT_EQ(b.LegalMoveAvailable(), !repeated && !legal.empty());
            if (legal.empty() || repeated)
                break;
            // The side's previous move taken back now and then, so that positions repeat.
            std::pair<Square, Square> move = ChooseMove(before, legal, rng);
            if (played.size() >= 2 && rng() % 2) {
                const auto [oldFrom, oldTo] = played[played.size() - 2];
                if (legal.count({oldTo, oldFrom}))
                    move = {oldTo, oldFrom};
            }
            const auto [from, to] = move;
            played.push_back(move);
            const char promoted = "qrbn"[rng() % 4];
            b.PromotionPiece = promoted;
            const bool whiteMoved = before.whiteToMove;
            const int number = b.CurrentMove();
            log.events.clear();
            ASSERT_TRUE(b.Move(from, to));
            const rules::BoardState after = rules::AfterMove(before, from, to, promoted);
            ASSERT_EQ(b.Squares(), after.squares);
            legal = PlainLegalMoves(after);
            const bool threefold = PlainThreefold(b);
            ASSERT_EQ(log.events, PlainEvents(after, !legal.empty(), threefold))
                << "game " << game << " ply " << ply << " " << Describe(after).toStdString();
            const QString suffix = PlainSuffix(after, !legal.empty());
            for (const QString& text :
                 {b.GetPgnMove(number, whiteMoved), b.GetTextMove(number, whiteMoved)}) {
                const QString end = text.endsWith('+') || text.endsWith('#') ? text.right(1) : "";
                ASSERT_EQ(end, suffix) << text.toStdString();
            }
            mates += log.events.contains("mate");
            stalemates += log.events.contains("stalemate");
            repetitions += threefold;
            checks += log.events.contains("check");
            bareKings += log.events.contains("twokings");
        }
    }
    EXPECT_GT(mates, 0);
    EXPECT_GT(stalemates, 0);
    EXPECT_GT(repetitions, 0);
    EXPECT_GT(checks, 100);
    EXPECT_GT(bareKings, 0);
}
