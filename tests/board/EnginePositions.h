#pragma once
// The usual perft test positions as engine placements (rank 8 first, one string per rank),
// and helpers that load engines with them.

#include "board/ChessEngine.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace engine_positions {

constexpr const char* kStart = "rnbqkbnr"
                               "pppppppp"
                               "        "
                               "        "
                               "        "
                               "        "
                               "PPPPPPPP"
                               "RNBQKBNR";
constexpr const char* kKiwipete = "r   k  r"
                                  "p ppqpb "
                                  "bn  pnp "
                                  "   PN   "
                                  " p  P   "
                                  "  N  Q p"
                                  "PPPBBPPP"
                                  "R   K  R";
constexpr const char* kPosition3 = "        "
                                   "  p     "
                                   "   p    "
                                   "KP     r"
                                   " R   p k"
                                   "        "
                                   "    P P "
                                   "        ";
constexpr const char* kPosition4 = "r   k  r"
                                   "Pppp ppp"
                                   " b   nbN"
                                   "nP      "
                                   "BBP P   "
                                   "q    N  "
                                   "Pp P  PP"
                                   "R  Q RK ";
// The same position with colours and ranks exchanged, Black to move.
constexpr const char* kPosition4Mirrored = "r  q rk "
                                           "pP p  pp"
                                           "Q    n  "
                                           "bbp p   "
                                           "Np      "
                                           " B   NBn"
                                           "pPPP PPP"
                                           "R   K  R";
constexpr const char* kPosition5 = "rnbq k r"
                                   "pp Pbppp"
                                   "  p     "
                                   "        "
                                   "  B     "
                                   "        "
                                   "PPP NnPP"
                                   "RNBQK  R";

// Engine square of a square name: a8 = 0 ... h1 = 63.
inline int At(const char* name) {
    return (8 - (name[1] - '0')) * 8 + (name[0] - 'a');
}

// A board with the given pieces on otherwise empty squares, e.g. {"Ke1", "ra8"}.
inline std::string Placement(std::initializer_list<const char*> pieces) {
    std::string squares(64, ' ');
    for (const char* p : pieces)
        squares[At(p + 1)] = p[0];
    return squares;
}

inline std::unique_ptr<ChessEngine> Loaded(std::string_view placement, bool whiteToMove,
                                           int castling, int enPassant = 0) {
    auto engine = std::make_unique<ChessEngine>();
    engine->Load(placement, whiteToMove, castling, enPassant);
    return engine;
}

} // namespace engine_positions
