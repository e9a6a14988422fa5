#pragma once
// The board's basic types: squares, castling rights, placements and history records.

#include <QString>
#include <array>
#include <cstdint>

// 1 = a8 ... 8 = h8, 57 = a1 ... 64 = h1; 0 is no square.
enum Square : std::uint8_t {
    None = 0,
    // clang-format off
    A8, B8, C8, D8, E8, F8, G8, H8,
    A7, B7, C7, D7, E7, F7, G7, H7,
    A6, B6, C6, D6, E6, F6, G6, H6,
    A5, B5, C5, D5, E5, F5, G5, H5,
    A4, B4, C4, D4, E4, F4, G4, H4,
    A3, B3, C3, D3, E3, F3, G3, H3,
    A2, B2, C2, D2, E2, F2, G2, H2,
    A1, B1, C1, D1, E1, F1, G1, H1,
    // clang-format on
};

// Castling rights, one bit each; a set of them is one byte.
enum CanStillCastle : std::uint8_t {
    WhiteKingSide = 1,
    WhiteQueenSide = 2,
    BlackKingSide = 4,
    BlackQueenSide = 8,
};
using TCastleSet = std::uint8_t;
constexpr TCastleSet AllCastling = WhiteKingSide | WhiteQueenSide | BlackKingSide | BlackQueenSide;

// "_" and the 64 squares, then a NUL.
using TPlacement = std::array<char, 66>;

extern const TPlacement StartPlacement;

// The square of a file letter a-h and a rank digit 1-8, either case; None for anything else.
Square SquareOfText(QChar file, QChar rank);

// One half-move of the history: the position a side is to move in, and the move played from it.
struct MoveInfo {
    MoveInfo();

    TPlacement Placement;
    TCastleSet Castling;
    Square FromSq;
    Square ToSq;
    Square EnPassantSq;
    QString Comment;
};
