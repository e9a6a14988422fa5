#include "board/Rules.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace rules {

namespace {

struct Step {
    int df;
    int dr;
};

constexpr Step KnightJumps[] = {{-2, -1}, {-2, 1}, {2, -1}, {2, 1},
                                {-1, -2}, {-1, 2}, {1, -2}, {1, 2}};
constexpr Step Diagonals[] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
constexpr Step Orthogonals[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

bool InsideBoard(int file, int rank) {
    return file >= 1 && file <= 8 && rank >= 1 && rank <= 8;
}

char LetterAt(const TPlacement& squares, int file, int rank) {
    return InsideBoard(file, rank) ? squares[SquareAt(file, rank)] : '\0';
}

// The first piece along a ray from (file, rank), with its distance; '\0' at the edge.
struct RayHit {
    char letter = '\0';
    int distance = 0;
};

RayHit FirstOnRay(const TPlacement& squares, int file, int rank, Step step) {
    for (int d = 1; d <= 7; ++d) {
        const int f = file + step.df * d;
        const int r = rank + step.dr * d;
        if (!InsideBoard(f, r))
            break;
        const char c = squares[SquareAt(f, r)];
        if (c != ' ')
            return {c, d};
    }
    return {};
}

// Whether to lies on one of the rays from from, with every square before it empty.
bool ReachesAlongRays(const TPlacement& squares, Square from, Square to, const Step* steps,
                      int count) {
    for (int i = 0; i < count; ++i) {
        for (int d = 1; d <= 7; ++d) {
            const int f = FileOf(from) + steps[i].df * d;
            const int r = RankOf(from) + steps[i].dr * d;
            if (!InsideBoard(f, r))
                break;
            const Square sq = SquareAt(f, r);
            if (sq == to)
                return ColorOfLetter(squares[to]) != ColorOfLetter(squares[from]);
            if (squares[sq] != ' ')
                break;
        }
    }
    return false;
}

char Enemy(char whiteLetter, bool whiteKing) {
    // Plain ASCII: the C library's tolower is a call per letter in the hottest test of all.
    return whiteKing ? char(whiteLetter - 'A' + 'a') : whiteLetter;
}

struct CastlingRule {
    Square kingFrom;
    Square kingTo;
    TCastleSet right;
    char king;
    char rook;
    Square rookFrom;
    Square rookTo;
    Square mustBeEmpty[3];
    Square mustBeSafe[3];
};

constexpr CastlingRule CastlingRules[] = {
    {E1, G1, WhiteKingSide, 'K', 'R', H1, F1, {F1, G1, None}, {E1, F1, G1}},
    {E1, C1, WhiteQueenSide, 'K', 'R', A1, D1, {B1, C1, D1}, {E1, D1, C1}},
    {E8, G8, BlackKingSide, 'k', 'r', H8, F8, {F8, G8, None}, {E8, F8, G8}},
    {E8, C8, BlackQueenSide, 'k', 'r', A8, D8, {B8, C8, D8}, {E8, D8, C8}},
};

const CastlingRule* FindCastlingRule(Square from, Square to) {
    for (const CastlingRule& rule : CastlingRules)
        if (rule.kingFrom == from && rule.kingTo == to)
            return &rule;
    return nullptr;
}

bool CastlingAllowedNow(const BoardState& state, const CastlingRule& rule) {
    const TPlacement& sq = state.squares;
    if (!(state.castling & rule.right) || sq[rule.kingFrom] != rule.king ||
        sq[rule.rookFrom] != rule.rook)
        return false;
    for (Square s : rule.mustBeEmpty)
        if (s != None && sq[s] != ' ')
            return false;
    const bool white = rule.king == 'K';
    for (Square s : rule.mustBeSafe)
        if (InCheckAfter(sq, white, rule.kingFrom, s))
            return false;
    return true;
}

} // namespace

int ColorOfLetter(char c) {
    if (c >= 'B' && c <= 'R')
        return 1;
    if (c >= 'b' && c <= 'r')
        return 0;
    return -1;
}

bool KingAttacked(const TPlacement& squares, bool whiteKing) {
    const char king = whiteKing ? 'K' : 'k';
    // The first king from a8 on, found the way the C library searches memory fastest.
    const void* found = std::memchr(squares.data() + 1, king, 64);
    if (!found)
        return false;
    const int kingSq = int(static_cast<const char*>(found) - squares.data());
    const int file = FileOf(kingSq);
    const int rank = RankOf(kingSq);

    const int pawnRank = whiteKing ? rank + 1 : rank - 1;
    const char pawn = Enemy('P', whiteKing);
    if (LetterAt(squares, file - 1, pawnRank) == pawn ||
        LetterAt(squares, file + 1, pawnRank) == pawn)
        return true;

    const char knight = Enemy('N', whiteKing);
    for (Step jump : KnightJumps)
        if (LetterAt(squares, file + jump.df, rank + jump.dr) == knight)
            return true;

    const char queen = Enemy('Q', whiteKing);
    const char enemyKing = Enemy('K', whiteKing);
    const char bishop = Enemy('B', whiteKing);
    for (Step step : Diagonals) {
        const RayHit hit = FirstOnRay(squares, file, rank, step);
        if (hit.letter == queen || hit.letter == bishop ||
            (hit.letter == enemyKing && hit.distance == 1))
            return true;
    }
    const char rook = Enemy('R', whiteKing);
    for (Step step : Orthogonals) {
        const RayHit hit = FirstOnRay(squares, file, rank, step);
        if (hit.letter == queen || hit.letter == rook ||
            (hit.letter == enemyKing && hit.distance == 1))
            return true;
    }
    return false;
}

bool InCheckAfter(const TPlacement& squares, bool whiteKing, Square from, Square to,
                  Square captured) {
    if (!OnBoard(from) || !OnBoard(to))
        return KingAttacked(squares, whiteKing);
    TPlacement copy = squares;
    const char piece = copy[from];
    copy[from] = ' ';
    copy[to] = piece;
    if (captured != None)
        copy[captured] = ' ';
    return KingAttacked(copy, whiteKing);
}

Square EnPassantVictim(const BoardState& state, Square from, Square to) {
    if (to == None || to != state.enPassant || !OnBoard(from) || !OnBoard(to))
        return None;
    const TPlacement& sq = state.squares;
    if (sq[to] != ' ' || std::abs(FileOf(to) - FileOf(from)) != 1)
        return None;
    if (sq[from] == 'P' && RankOf(to) == 6 && RankOf(from) == 5 && sq[to + 8] == 'p')
        return Square(to + 8);
    if (sq[from] == 'p' && RankOf(to) == 3 && RankOf(from) == 4 && sq[to - 8] == 'P')
        return Square(to - 8);
    return None;
}

bool PawnRule(const BoardState& state, Square from, Square to) {
    const TPlacement& sq = state.squares;
    const bool white = sq[from] == 'P';
    const int forward = white ? 1 : -1;
    const int dx = FileOf(to) - FileOf(from);
    const int dy = RankOf(to) - RankOf(from);
    if (dy == forward && dx == 0)
        return sq[to] == ' ';
    if (dy == forward && std::abs(dx) == 1)
        return ColorOfLetter(sq[to]) == (white ? 0 : 1) || EnPassantVictim(state, from, to) != None;
    const int startRank = white ? 2 : 7;
    return dx == 0 && dy == 2 * forward && RankOf(from) == startRank && sq[to] == ' ' &&
           sq[(from + to) / 2] == ' ';
}

bool KnightRule(const BoardState&, Square from, Square to) {
    const int dx = std::abs(FileOf(to) - FileOf(from));
    const int dy = std::abs(RankOf(to) - RankOf(from));
    return (dx == 2 && dy == 1) || (dx == 1 && dy == 2);
}

bool BishopRule(const BoardState& state, Square from, Square to) {
    return ReachesAlongRays(state.squares, from, to, Diagonals, 4);
}

bool RookRule(const BoardState& state, Square from, Square to) {
    return ReachesAlongRays(state.squares, from, to, Orthogonals, 4);
}

bool QueenRule(const BoardState& state, Square from, Square to) {
    return BishopRule(state, from, to) || RookRule(state, from, to);
}

bool KingRule(const BoardState& state, Square from, Square to) {
    if (std::abs(FileOf(to) - FileOf(from)) <= 1 && std::abs(RankOf(to) - RankOf(from)) <= 1)
        return true;
    const CastlingRule* rule = FindCastlingRule(from, to);
    return rule && CastlingAllowedNow(state, *rule);
}

bool LegalByRules(const BoardState& state, Square from, Square to) {
    if (!OnBoard(from) || !OnBoard(to))
        return false;
    const TPlacement& sq = state.squares;
    const int mover = ColorOfLetter(sq[from]);
    if (mover != (state.whiteToMove ? 1 : 0) || mover == ColorOfLetter(sq[to]))
        return false;
    bool ruleHolds = false;
    // The mover's letter is an ASCII letter: setting bit 5 lower-cases it.
    switch (sq[from] | 0x20) {
    case 'p':
        ruleHolds = PawnRule(state, from, to);
        break;
    case 'n':
        ruleHolds = KnightRule(state, from, to);
        break;
    case 'b':
        ruleHolds = BishopRule(state, from, to);
        break;
    case 'r':
        ruleHolds = RookRule(state, from, to);
        break;
    case 'q':
        ruleHolds = QueenRule(state, from, to);
        break;
    case 'k':
        ruleHolds = KingRule(state, from, to);
        break;
    }
    return ruleHolds && !InCheckAfter(sq, mover == 1, from, to, EnPassantVictim(state, from, to));
}

namespace {

// The squares a piece on a square could ever reach: the queen's lines and the knight's jumps.
// Every legal move, castling and pawn moves included, lands on one of them.
struct Reach {
    Square targets[64][35];
    int count[64] = {};
    Reach() {
        for (int from = 1; from <= 64; ++from) {
            for (int to = 1; to <= 64; ++to) {
                const int df = std::abs(FileOf(to) - FileOf(from));
                const int dr = std::abs(RankOf(to) - RankOf(from));
                const bool line = df == 0 || dr == 0 || df == dr;
                const bool jump = (df == 1 && dr == 2) || (df == 2 && dr == 1);
                if (to != from && (line || jump))
                    targets[from - 1][count[from - 1]++] = Square(to);
            }
        }
    }
};

const Reach& Reachable() {
    static const Reach reach;
    return reach;
}

} // namespace

bool AnyLegalMoveByRules(const BoardState& state) {
    const Reach& reach = Reachable();
    const int mover = state.whiteToMove ? 1 : 0;
    for (int from = 1; from <= 64; ++from) {
        if (ColorOfLetter(state.squares[from]) != mover)
            continue;
        for (int i = 0; i < reach.count[from - 1]; ++i)
            if (LegalByRules(state, Square(from), reach.targets[from - 1][i]))
                return true;
    }
    return false;
}

TCastleSet CastlingAfter(TCastleSet castling, Square from, Square to) {
    for (Square s : {from, to}) {
        switch (s) {
        case A1:
            castling &= ~WhiteQueenSide;
            break;
        case H1:
            castling &= ~WhiteKingSide;
            break;
        case E1:
            castling &= ~(WhiteKingSide | WhiteQueenSide);
            break;
        case A8:
            castling &= ~BlackQueenSide;
            break;
        case H8:
            castling &= ~BlackKingSide;
            break;
        case E8:
            castling &= ~(BlackKingSide | BlackQueenSide);
            break;
        default:
            break;
        }
    }
    return castling;
}

RookMove CastlingRookMove(char king, Square from, Square to) {
    const CastlingRule* rule = FindCastlingRule(from, to);
    if (!rule || rule->king != king)
        return {};
    return {rule->rookFrom, rule->rookTo};
}

char PromotedLetter(char piece, Square to) {
    char lower = char(std::tolower(static_cast<unsigned char>(piece)));
    if (lower != 'n' && lower != 'b' && lower != 'r' && lower != 'q')
        lower = 'q';
    return RankOf(to) == 8 ? char(std::toupper(lower)) : lower;
}

BoardState AfterMove(const BoardState& state, Square from, Square to, char promotedLetter) {
    BoardState after = state;
    TPlacement& sq = after.squares;
    const char piece = sq[from];
    const Square victim = EnPassantVictim(state, from, to);
    sq[to] = piece;
    sq[from] = ' ';
    if (victim != None)
        sq[victim] = ' ';
    if ((piece == 'P' && RankOf(to) == 8) || (piece == 'p' && RankOf(to) == 1))
        sq[to] = PromotedLetter(promotedLetter, to);
    const RookMove rook = CastlingRookMove(piece, from, to);
    if (rook.from != None) {
        sq[rook.to] = sq[rook.from];
        sq[rook.from] = ' ';
    }
    const bool doubleStep = (piece == 'P' && RankOf(from) == 2 && RankOf(to) == 4) ||
                            (piece == 'p' && RankOf(from) == 7 && RankOf(to) == 5);
    after.enPassant = doubleStep ? Square((from + to) / 2) : None;
    after.castling = CastlingAfter(state.castling, from, to);
    after.whiteToMove = !state.whiteToMove;
    return after;
}

} // namespace rules
