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

bool InsideBoard(int file, int rank) {
    return file >= 1 && file <= 8 && rank >= 1 && rank <= 8;
}

// For every square the squares along each of the eight lines from it, nearest first (the four
// orthogonal lines, then the four diagonals), and its knight's jumps.
struct Lines {
    Square ray[65][8][7];
    int length[65][8] = {};
    Square jump[65][8];
    int jumps[65] = {};
    // The line that leads from one square to another, or -1 when none does (square 0 included).
    int line[65][65];

    Lines() {
        constexpr Step steps[8] = {{1, 0}, {-1, 0}, {0, 1},  {0, -1},
                                   {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
        for (auto& row : line)
            for (int& dir : row)
                dir = -1;
        for (int from = 1; from <= 64; ++from) {
            for (int dir = 0; dir < 8; ++dir) {
                for (int d = 1; d <= 7; ++d) {
                    const int f = FileOf(from) + steps[dir].df * d;
                    const int r = RankOf(from) + steps[dir].dr * d;
                    if (!InsideBoard(f, r))
                        break;
                    const Square to = SquareAt(f, r);
                    ray[from][dir][length[from][dir]++] = to;
                    line[from][to] = dir;
                }
            }
            for (Step j : KnightJumps)
                if (InsideBoard(FileOf(from) + j.df, RankOf(from) + j.dr))
                    jump[from][jumps[from]++] = SquareAt(FileOf(from) + j.df, RankOf(from) + j.dr);
        }
    }
};

const Lines& BoardLines() {
    static const Lines lines;
    return lines;
}

// Whether to is reached from from along one of the lines firstDir..endDir-1 over empty squares,
// and holds no piece of the mover's colour.
bool ReachesAlongLines(const TPlacement& squares, Square from, Square to, int firstDir,
                       int endDir) {
    const Lines& lines = BoardLines();
    const int dir = lines.line[from][to];
    if (dir < firstDir || dir >= endDir)
        return false;
    for (int i = 0;; ++i) {
        const Square sq = lines.ray[from][dir][i];
        if (sq == to)
            return ColorOfLetter(squares[to]) != ColorOfLetter(squares[from]);
        if (squares[sq] != ' ')
            return false;
    }
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

bool KingAttacked(const TPlacement& squares, bool whiteKing) {
    const Square king = KingSquare(squares, whiteKing);
    if (king == None)
        return false;
    const Lines& lines = BoardLines();

    // An enemy pawn one rank ahead of the king on a neighbouring file.
    const int pawnRow = whiteKing ? king - 8 : king + 8;
    const char pawn = Enemy('P', whiteKing);
    if (pawnRow >= 1 && pawnRow <= 64 &&
        ((FileOf(king) > 1 && squares[pawnRow - 1] == pawn) ||
         (FileOf(king) < 8 && squares[pawnRow + 1] == pawn)))
        return true;

    const char knight = Enemy('N', whiteKing);
    for (int i = 0; i < lines.jumps[king]; ++i)
        if (squares[lines.jump[king][i]] == knight)
            return true;

    // Along each line the first piece: a queen, a rook on a file or rank, a bishop on a
    // diagonal, or the enemy king right next to it.
    const char queen = Enemy('Q', whiteKing);
    const char enemyKing = Enemy('K', whiteKing);
    const char sliders[2] = {Enemy('R', whiteKing), Enemy('B', whiteKing)};
    for (int dir = 0; dir < 8; ++dir) {
        const Square* ray = lines.ray[king][dir];
        const int length = lines.length[king][dir];
        int i = 0;
        while (i < length && squares[ray[i]] == ' ')
            ++i;
        if (i == length)
            continue;
        const char c = squares[ray[i]];
        if (c == queen || c == sliders[dir >> 2] || (c == enemyKing && i == 0))
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

Square CapturableEnPassant(const BoardState& state) {
    const Square ep = state.enPassant;
    if (!OnBoard(ep))
        return None;
    const int rank = state.whiteToMove ? 5 : 4;
    for (const int file : {FileOf(ep) - 1, FileOf(ep) + 1}) {
        if (file < 1 || file > 8)
            continue;
        const Square from = SquareAt(file, rank);
        if (EnPassantVictim(state, from, ep) != None && LegalByRules(state, from, ep))
            return ep;
    }
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
    return ReachesAlongLines(state.squares, from, to, 4, 8);
}

bool RookRule(const BoardState& state, Square from, Square to) {
    return ReachesAlongLines(state.squares, from, to, 0, 4);
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

namespace {

// Whether the first piece seen from the king along the line through `through`, once from and
// emptied are empty and to is taken, is an enemy that attacks along that line. An enemy king next
// to the king would have given check already, so it is not looked for.
bool AttackedThrough(const TPlacement& sq, bool whiteKing, Square king, Square through, Square from,
                     Square to, Square emptied) {
    const Lines& lines = BoardLines();
    const int dir = lines.line[king][through];
    if (dir < 0)
        return false;
    const char slider = Enemy(dir < 4 ? 'R' : 'B', whiteKing);
    for (int i = 0; i < lines.length[king][dir]; ++i) {
        const Square s = lines.ray[king][dir][i];
        if (s == to)
            return false;
        const char c = s == from || s == emptied ? ' ' : sq[s];
        if (c != ' ')
            return c == slider || c == Enemy('Q', whiteKing);
    }
    return false;
}

// Whether the mover's king (at king, None without one) is safe after the piece on from goes to
// to, victim (an en-passant capture's pawn, or None) leaving the board. A king not in check can
// only be exposed along the line through the king and a square the move empties; a king move, or
// any move while the king is in check, is tested on the whole position.
bool KingSafeAfter(const TPlacement& sq, bool white, Square king, bool inCheck, Square from,
                   Square to, Square victim) {
    if (king == None)
        return true;
    if (inCheck || sq[from] == sq[king])
        return !InCheckAfter(sq, white, from, to, victim);
    return !AttackedThrough(sq, white, king, from, from, to, victim) &&
           !(victim != None && AttackedThrough(sq, white, king, victim, from, to, victim));
}

// The movement part of LegalByRules: squares, colours and the piece's own rule.
bool MovementByRules(const BoardState& state, Square from, Square to) {
    if (!OnBoard(from) || !OnBoard(to))
        return false;
    const TPlacement& sq = state.squares;
    const int mover = ColorOfLetter(sq[from]);
    if (mover != (state.whiteToMove ? 1 : 0) || mover == ColorOfLetter(sq[to]))
        return false;
    // The mover's letter is an ASCII letter: setting bit 5 lower-cases it.
    switch (sq[from] | 0x20) {
    case 'p':
        return PawnRule(state, from, to);
    case 'n':
        return KnightRule(state, from, to);
    case 'b':
        return BishopRule(state, from, to);
    case 'r':
        return RookRule(state, from, to);
    case 'q':
        return QueenRule(state, from, to);
    case 'k':
        return KingRule(state, from, to);
    }
    return false;
}

} // namespace

bool LegalByRules(const BoardState& state, Square from, Square to) {
    return MovementByRules(state, from, to) && !InCheckAfter(state.squares, state.whiteToMove, from,
                                                             to, EnPassantVictim(state, from, to));
}

namespace {

// The legal moves of the side to move, found from each piece's own movement.
class LegalMoveSearch {
public:
    LegalMoveSearch(const BoardState& state, bool inCheck,
                    const std::function<bool(Square, Square)>& found)
        : FState(state), FSquares(state.squares), FWhite(state.whiteToMove), FMover(FWhite ? 1 : 0),
          FKing(KingSquare(FSquares, FWhite)), FInCheck(inCheck), FFound(found) {}

    // Each method below returns true once found has asked to stop.
    bool Run() const {
        for (int from = 1; from <= 64; ++from) {
            if (ColorOfLetter(FSquares[from]) == FMover && PieceMoves(Square(from)))
                return true;
        }
        return false;
    }

private:
    bool PieceMoves(Square from) const {
        const Lines& lines = BoardLines();
        switch (FSquares[from] | 0x20) {
        case 'p':
            return PawnMoves(from);
        case 'n':
            for (int i = 0; i < lines.jumps[from]; ++i)
                if (Offer(from, lines.jump[from][i]))
                    return true;
            return false;
        case 'b':
            return Slides(from, 4, 8);
        case 'r':
            return Slides(from, 0, 4);
        case 'q':
            return Slides(from, 0, 8);
        case 'k':
            for (int dir = 0; dir < 8; ++dir)
                if (lines.length[from][dir] > 0 && Offer(from, lines.ray[from][dir][0]))
                    return true;
            return (from == E1 || from == E8) &&
                   (Castles(from, Square(from + 2)) || Castles(from, Square(from - 2)));
        }
        return false;
    }

    bool Slides(Square from, int firstDir, int endDir) const {
        const Lines& lines = BoardLines();
        for (int dir = firstDir; dir < endDir; ++dir) {
            for (int i = 0; i < lines.length[from][dir]; ++i) {
                const Square to = lines.ray[from][dir][i];
                if (Offer(from, to))
                    return true;
                if (FSquares[to] != ' ')
                    break;
            }
        }
        return false;
    }

    bool PawnMoves(Square from) const {
        const int forward = FWhite ? -8 : 8;
        const int rank = RankOf(from);
        if (rank == (FWhite ? 8 : 1))
            return false;
        const Square ahead = Square(from + forward);
        if (FSquares[ahead] == ' ') {
            if (Offer(from, ahead))
                return true;
            const Square twoAhead = Square(from + 2 * forward);
            if (rank == (FWhite ? 2 : 7) && FSquares[twoAhead] == ' ' && Offer(from, twoAhead))
                return true;
        }
        const int enemy = 1 - FMover;
        for (const int side : {-1, 1}) {
            const int file = FileOf(from) + side;
            if (file < 1 || file > 8)
                continue;
            const Square to = Square(ahead + side);
            if ((ColorOfLetter(FSquares[to]) == enemy ||
                 EnPassantVictim(FState, from, to) != None) &&
                Offer(from, to))
                return true;
        }
        return false;
    }

    // Castling is rare enough for the plain test.
    bool Castles(Square from, Square to) const {
        return LegalByRules(FState, from, to) && FFound(from, to);
    }

    bool Offer(Square from, Square to) const { return Legal(from, to) && FFound(from, to); }

    bool Legal(Square from, Square to) const {
        if (ColorOfLetter(FSquares[to]) == FMover)
            return false;
        const Square victim = to == FState.enPassant ? EnPassantVictim(FState, from, to) : None;
        return KingSafeAfter(FSquares, FWhite, FKing, FInCheck, from, to, victim);
    }

    const BoardState& FState;
    const TPlacement& FSquares;
    const bool FWhite;
    const int FMover;
    const Square FKing;
    const bool FInCheck;
    const std::function<bool(Square, Square)>& FFound;
};

} // namespace

Square KingSquare(const TPlacement& squares, bool whiteKing) {
    // The first king from a8 on, found the way the C library searches memory fastest.
    const void* found = std::memchr(squares.data() + 1, whiteKing ? 'K' : 'k', 64);
    return found ? Square(static_cast<const char*>(found) - squares.data()) : None;
}

bool FindLegalMove(const BoardState& state, const std::function<bool(Square, Square)>& found) {
    return LegalMoveSearch(state, KingAttacked(state.squares, state.whiteToMove), found).Run();
}

bool AnyLegalMoveByRules(const BoardState& state) {
    return AnyLegalMoveByRules(state, KingAttacked(state.squares, state.whiteToMove));
}

bool AnyLegalMoveByRules(const BoardState& state, bool inCheck) {
    return LegalMoveSearch(state, inCheck, [](Square, Square) { return true; }).Run();
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
