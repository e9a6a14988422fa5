#pragma once
// The rules of chess over a plain position: movement, attacks and legality.
// Pure functions, so the board, the notation and the tests can ask about any position
// without touching the board's own fields.

#include "board/BoardTypes.h"

#include <functional>

namespace rules {

struct BoardState {
    TPlacement squares = StartPlacement;
    bool whiteToMove = true;
    TCastleSet castling = AllCastling;
    Square enPassant = None;
};

// 1 White, 0 Black, -1 empty (or anything else).
inline int ColorOfLetter(char c) {
    if (c >= 'B' && c <= 'R')
        return 1;
    if (c >= 'b' && c <= 'r')
        return 0;
    return -1;
}
inline bool OnBoard(int sq) {
    return sq >= 1 && sq <= 64;
}
inline int FileOf(int sq) {
    return (sq - 1) % 8 + 1;
}
inline int RankOf(int sq) {
    return 8 - (sq - 1) / 8;
}
inline Square SquareAt(int file, int rank) {
    return Square((8 - rank) * 8 + file);
}

// The king of that colour the tests look at: the first found from a8 on, or None.
Square KingSquare(const TPlacement& squares, bool whiteKing);
// Whether the king of that colour is attacked; false without one.
bool KingAttacked(const TPlacement& squares, bool whiteKing);

// The king test on a copy where the piece on from stands on to (and captured, if any, is gone).
bool InCheckAfter(const TPlacement& squares, bool whiteKing, Square from, Square to,
                  Square captured = None);

// The square of the pawn an en-passant capture from -> to removes, or None when it is not one:
// a pawn of the side to move stepping diagonally onto the empty en-passant square of rank 6
// (White) or 3 (Black) with an enemy pawn behind it.
Square EnPassantVictim(const BoardState& state, Square from, Square to);
// The en-passant square when a pawn of the side to move may legally capture onto it, else None:
// only such a square sets apart two positions with the same placement.
Square CapturableEnPassant(const BoardState& state);

bool PawnRule(const BoardState& state, Square from, Square to);
bool KnightRule(const BoardState& state, Square from, Square to);
bool BishopRule(const BoardState& state, Square from, Square to);
bool RookRule(const BoardState& state, Square from, Square to);
bool QueenRule(const BoardState& state, Square from, Square to);
bool KingRule(const BoardState& state, Square from, Square to);

// Squares in range, a piece of the side to move, not onto an own piece, the piece's movement
// rule, and the own king safe afterwards. Neither the engine nor repetitions take part.
bool LegalByRules(const BoardState& state, Square from, Square to);
// Offers every pair of squares for which LegalByRules holds to found, piece by piece, until found
// returns true; whether it did.
bool FindLegalMove(const BoardState& state,
                   const std::function<bool(Square from, Square to)>& found);
// Whether LegalByRules holds for any pair of squares: the search stops at the first. inCheck,
// when the caller knows it, is KingAttacked for the side to move.
bool AnyLegalMoveByRules(const BoardState& state);
bool AnyLegalMoveByRules(const BoardState& state, bool inCheck);

// The position after the complete half-move from -> to: rook moved on castling, en-passant pawn
// removed, a promoted pawn replaced by promotedLetter (case applied by rank), castling rights and
// en-passant square updated, the other side to move.
BoardState AfterMove(const BoardState& state, Square from, Square to, char promotedLetter);

// The castling rights left after a move from or onto these squares.
TCastleSet CastlingAfter(TCastleSet castling, Square from, Square to);

// A rook's move for the king's castling move from -> to, or {None, None}.
struct RookMove {
    Square from = None;
    Square to = None;
};
RookMove CastlingRookMove(char king, Square from, Square to);

// The letter a pawn promotes to: a knight, bishop, rook or queen of the colour the rank says.
char PromotedLetter(char piece, Square to);

} // namespace rules
