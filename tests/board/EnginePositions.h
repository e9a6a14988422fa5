#pragma once
// The usual perft test positions as engine placements: rank 8 first, one string per rank.

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

} // namespace engine_positions
