#include "board/ChessEngine.h"

#include <algorithm>
#include <utility>

namespace {

// The 10x12 board: two rows of -1 above and below, one column of -1 on either side.
constexpr std::array<int, 120> mailbox = [] {
    std::array<int, 120> table{};
    table.fill(-1);
    for (int sq = 0; sq < 64; ++sq)
        table[21 + (sq / 8) * 10 + sq % 8] = sq;
    return table;
}();

constexpr std::array<int, 64> mailbox64 = [] {
    std::array<int, 64> table{};
    for (int sq = 0; sq < 64; ++sq)
        table[sq] = 21 + (sq / 8) * 10 + sq % 8;
    return table;
}();

constexpr std::array<bool, 6> slide = {false, false, true, true, true, false};
constexpr std::array<int, 6> offsets = {0, 8, 4, 4, 8, 8};
constexpr int offset[6][8] = {{0, 0, 0, 0, 0, 0, 0, 0},         {-21, -19, -12, -8, 8, 12, 19, 21},
                              {-11, -9, 9, 11, 0, 0, 0, 0},     {-10, -1, 1, 10, 0, 0, 0, 0},
                              {-11, -10, -9, -1, 1, 9, 10, 11}, {-11, -10, -9, -1, 1, 9, 10, 11}};

// Moving from or onto one of these squares removes the rights whose bit is missing.
constexpr std::array<int, 64> castle_mask = {7,  15, 15, 15, 3,  15, 15, 11, //
                                             15, 15, 15, 15, 15, 15, 15, 15, //
                                             15, 15, 15, 15, 15, 15, 15, 15, //
                                             15, 15, 15, 15, 15, 15, 15, 15, //
                                             15, 15, 15, 15, 15, 15, 15, 15, //
                                             15, 15, 15, 15, 15, 15, 15, 15, //
                                             15, 15, 15, 15, 15, 15, 15, 15, //
                                             13, 15, 15, 15, 12, 15, 15, 14};

constexpr std::array<int, 6> piece_value = {100, 300, 300, 500, 900, 10000};

constexpr std::array<int, 64> pawn_pcsq = {0, 0,  0,  0,   0,   0,  0,  0, //
                                           5, 10, 15, 20,  20,  15, 10, 5, //
                                           4, 8,  12, 16,  16,  12, 8,  4, //
                                           3, 6,  9,  12,  12,  9,  6,  3, //
                                           2, 4,  6,  8,   8,   6,  4,  2, //
                                           1, 2,  3,  4,   4,   3,  2,  1, //
                                           0, 0,  0,  -20, -20, 0,  0,  0, //
                                           0, 0,  0,  0,   0,   0,  0,  0};

constexpr std::array<int, 64> kingside_shelter = {0, 0, 0, 0, 0, 0,  0,  0,  //
                                                  0, 0, 0, 0, 0, 0,  0,  0,  //
                                                  0, 0, 0, 0, 0, 0,  0,  0,  //
                                                  0, 0, 0, 0, 0, 0,  0,  0,  //
                                                  0, 0, 0, 0, 0, 5,  5,  5,  //
                                                  0, 0, 0, 0, 0, 10, 10, 10, //
                                                  0, 0, 0, 0, 0, 20, 20, 20, //
                                                  0, 0, 0, 0, 0, 0,  0,  0};

constexpr std::array<int, 64> queenside_shelter = {0,  0,  0,  0, 0, 0, 0, 0, //
                                                   0,  0,  0,  0, 0, 0, 0, 0, //
                                                   0,  0,  0,  0, 0, 0, 0, 0, //
                                                   0,  0,  0,  0, 0, 0, 0, 0, //
                                                   5,  5,  5,  0, 0, 0, 0, 0, //
                                                   10, 10, 10, 0, 0, 0, 0, 0, //
                                                   20, 20, 20, 0, 0, 0, 0, 0, //
                                                   0,  0,  0,  0, 0, 0, 0, 0};

constexpr std::array<int, 64> knight_bishop_pcsq = {-10, -10, -10, -10, -10, -10, -10, -10, //
                                                    -10, 0,   0,   0,   0,   0,   0,   -10, //
                                                    -10, 0,   5,   5,   5,   5,   0,   -10, //
                                                    -10, 0,   5,   10,  10,  5,   0,   -10, //
                                                    -10, 0,   5,   10,  10,  5,   0,   -10, //
                                                    -10, 0,   5,   5,   5,   5,   0,   -10, //
                                                    -10, 0,   0,   0,   0,   0,   0,   -10, //
                                                    -20, -20, -20, -20, -20, -20, -20, -20};

constexpr std::array<int, 64> king_pcsq = {-40, -40, -40, -40, -40, -40, -40, -40, //
                                           -40, -40, -40, -40, -40, -40, -40, -40, //
                                           -40, -40, -40, -40, -40, -40, -40, -40, //
                                           -40, -40, -40, -40, -40, -40, -40, -40, //
                                           -40, -40, -40, -40, -40, -40, -40, -40, //
                                           -40, -40, -40, -40, -40, -40, -40, -40, //
                                           -20, -20, -20, -20, -20, -20, -20, -20, //
                                           -10, 0,   10,  -20, 0,   -20, 10,  0};

constexpr std::array<int, 64> king_endgame_pcsq = {-5, -5, -5, -5, -5, -5, -5, -5, //
                                                   -5, 0,  0,  0,  0,  0,  0,  -5, //
                                                   -5, 0,  5,  5,  5,  5,  0,  -5, //
                                                   -5, 0,  5,  10, 10, 5,  0,  -5, //
                                                   -5, 0,  5,  10, 10, 5,  0,  -5, //
                                                   -5, 0,  5,  5,  5,  5,  0,  -5, //
                                                   -5, 0,  0,  0,  0,  0,  0,  -5, //
                                                   -5, -5, -5, -5, -5, -5, -5, -5};

constexpr int flip(int sq) {
    return 56 - 8 * (sq / 8) + sq % 8;
}

// Pawn geometry by side, in 10x12 steps: the two capture directions (towards file a first) and
// the push, the squares of the double-step rank and of the last rank.
constexpr int pawn_captures[2][2] = {{-11, -9}, {9, 11}};
constexpr int pawn_push[2] = {-10, 10};
constexpr int double_step_rank[2] = {48, 8};
constexpr int last_rank[2] = {0, 56};

// The search window and the score of being mated at the root.
constexpr int kMate = 10000;

int PieceOfLetter(char letter) {
    switch (letter) {
    case 'P':
    case 'p':
        return ChessEngine::kPawn;
    case 'N':
    case 'n':
        return ChessEngine::kKnight;
    case 'B':
    case 'b':
        return ChessEngine::kBishop;
    case 'R':
    case 'r':
        return ChessEngine::kRook;
    case 'Q':
    case 'q':
        return ChessEngine::kQueen;
    case 'K':
    case 'k':
        return ChessEngine::kKing;
    default:
        return ChessEngine::kEmpty;
    }
}

} // namespace

ChessEngine::ChessEngine() {
    Load("rnbqkbnrpppppppp                                PPPPPPPPRNBQKBNR", true, 15, 0);
}

void ChessEngine::Load(std::string_view placement, bool whiteToMove, int castling, int enPassant) {
    for (int sq = 0; sq < 64; ++sq) {
        const char letter = sq < static_cast<int>(placement.size()) ? placement[sq] : ' ';
        piece[sq] = PieceOfLetter(letter);
        if (piece[sq] == kEmpty)
            color[sq] = kEmpty;
        else
            color[sq] = letter >= 'a' ? kBlack : kWhite;
    }
    kings = {};
    for (int sq = 0; sq < 64; ++sq)
        if (piece[sq] == kKing)
            ++kings[color[sq]];
    king_square = {ScanForKing(kWhite), ScanForKing(kBlack)};
    side = whiteToMove ? kWhite : kBlack;
    xside = side ^ 1;
    castle = castling & 15;
    ep = enPassant >= 1 && enPassant <= 64 ? enPassant - 1 : -1;
    fifty = 0;
    ply = 0;
    nodes = 0;
    first_move[0] = 0;
}

bool ChessEngine::Attack(int sq, int s) const {
    // Walks outward from sq: a piece attacks sq exactly when sq reaches it by the same step.
    const int base = mailbox64[sq];
    auto holds = [&](int index, int kind) {
        const int n = mailbox[index];
        return n != -1 && color[n] == s && piece[n] == kind;
    };
    auto slider = [&](int d, int kind) {
        for (int index = base + d;; index += d) {
            const int n = mailbox[index];
            if (n == -1)
                return false;
            if (color[n] != kEmpty)
                return color[n] == s && (piece[n] == kind || piece[n] == kQueen);
        }
    };
    for (int d : pawn_captures[s ^ 1])
        if (holds(base + d, kPawn))
            return true;
    for (int j = 0; j < 8; ++j)
        if (holds(base + offset[kKnight][j], kKnight) || holds(base + offset[kKing][j], kKing))
            return true;
    for (int j = 0; j < 4; ++j)
        if (slider(offset[kBishop][j], kBishop) || slider(offset[kRook][j], kRook))
            return true;
    return false;
}

int ChessEngine::KingSquare(int s) const {
    return kings[s] == 1 ? king_square[s] : ScanForKing(s);
}

int ChessEngine::ScanForKing(int s) const {
    for (int sq = 0; sq < 64; ++sq)
        if (piece[sq] == kKing && color[sq] == s)
            return sq;
    return -1;
}

bool ChessEngine::InCheck(int s) const {
    const int king = KingSquare(s);
    return king >= 0 && Attack(king, s ^ 1);
}

bool ChessEngine::HasRoom() const {
    return ply < kMaxPly - 1 && first_move[ply] < kMoveStack;
}

void ChessEngine::BeginList() {
    first_move[ply + 1] = first_move[ply];
}

std::span<const ScoredMove> ChessEngine::Moves() const {
    return {moves.data() + first_move[ply], moves.data() + first_move[ply + 1]};
}

void ChessEngine::GenerateMoves() {
    if (!GeneratePieceMoves(false))
        return;
    GenerateCastling();
    GenerateEnPassant();
}

void ChessEngine::GenerateCaptures() {
    if (GeneratePieceMoves(true))
        GenerateEnPassant();
}

bool ChessEngine::GeneratePieceMoves(bool capturesOnly) {
    BeginList();
    if (!HasRoom())
        return false;
    for (int sq = 0; sq < 64; ++sq) {
        if (color[sq] != side)
            continue;
        if (piece[sq] == kPawn)
            GeneratePawn(sq, capturesOnly);
        else
            GeneratePiece(sq, capturesOnly);
    }
    return true;
}

void ChessEngine::GeneratePiece(int from, bool capturesOnly) {
    const int p = piece[from];
    for (int j = 0; j < offsets[p]; ++j) {
        const int d = offset[p][j];
        for (int index = mailbox64[from] + d;; index += d) {
            const int n = mailbox[index];
            if (n == -1)
                break;
            if (color[n] != kEmpty) {
                if (color[n] == xside)
                    AddMove(from, n, kCapture);
                break;
            }
            if (!capturesOnly)
                AddMove(from, n, 0);
            if (!slide[p])
                break;
        }
    }
}

void ChessEngine::GeneratePawn(int from, bool capturesOnly) {
    const int base = mailbox64[from];
    for (int d : pawn_captures[side]) {
        const int n = mailbox[base + d];
        if (n != -1 && color[n] == xside)
            AddMove(from, n, kCapture | kPawnMove);
    }
    const int n = mailbox[base + pawn_push[side]];
    if (n == -1 || color[n] != kEmpty)
        return;
    const bool promotes = n >= last_rank[side] && n < last_rank[side] + 8;
    if (capturesOnly && !promotes)
        return;
    AddMove(from, n, kPawnMove);
    const int first = double_step_rank[side];
    if (capturesOnly || from < first || from >= first + 8)
        return;
    const int twice = mailbox[base + 2 * pawn_push[side]];
    if (color[twice] == kEmpty)
        AddMove(from, twice, kPawnMove | kDoubleStep);
}

bool ChessEngine::KingAndRookAt(int king, int rook) const {
    return color[king] == side && piece[king] == kKing && color[rook] == side &&
           piece[rook] == kRook;
}

void ChessEngine::GenerateCastling() {
    if (side == kWhite) {
        if ((castle & 1) && KingAndRookAt(60, 63))
            AddMove(60, 62, kCastle);
        if ((castle & 2) && KingAndRookAt(60, 56))
            AddMove(60, 58, kCastle);
    } else {
        if ((castle & 4) && KingAndRookAt(4, 7))
            AddMove(4, 6, kCastle);
        if ((castle & 8) && KingAndRookAt(4, 0))
            AddMove(4, 2, kCastle);
    }
}

bool ChessEngine::EnPassantPossible() const {
    if (ep < 0 || color[ep] != kEmpty)
        return false;
    const int rank = side == kWhite ? 16 : 40;
    if (ep < rank || ep >= rank + 8)
        return false;
    const int behind = side == kWhite ? ep + 8 : ep - 8;
    return color[behind] == xside && piece[behind] == kPawn;
}

void ChessEngine::GenerateEnPassant() {
    if (!EnPassantPossible())
        return;
    const int bits = kCapture | kEnPassant | kPawnMove;
    const int file = ep % 8;
    // Towards file a first, then towards file h.
    const int left = side == kWhite ? ep + 7 : ep - 9;
    const int right = side == kWhite ? ep + 9 : ep - 7;
    if (file != 0 && color[left] == side && piece[left] == kPawn)
        AddMove(left, ep, bits);
    if (file != 7 && color[right] == side && piece[right] == kPawn)
        AddMove(right, ep, bits);
}

void ChessEngine::AddMove(int from, int to, int bits) {
    if ((bits & kPawnMove) && to >= last_rank[side] && to < last_rank[side] + 8) {
        AddPromotions(from, to, bits);
        return;
    }
    ScoredMove& added = moves[first_move[ply + 1]++];
    added.move = {static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to), 0,
                  static_cast<std::uint8_t>(bits)};
    added.score = (bits & kCapture) ? 1000000 + 10 * piece[to] - piece[from] : history[from][to];
}

void ChessEngine::AddPromotions(int from, int to, int bits) {
    for (int promote = kKnight; promote <= kQueen; ++promote) {
        ScoredMove& added = moves[first_move[ply + 1]++];
        added.move = {static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to),
                      static_cast<std::uint8_t>(promote),
                      static_cast<std::uint8_t>(bits | kPromotion)};
        added.score = 1000000 + 10 * promote;
    }
}

bool ChessEngine::CastlingPathClear(int to) const {
    auto empty = [&](int sq) { return color[sq] == kEmpty; };
    auto safe = [&](int sq) { return !Attack(sq, xside); };
    switch (to) {
    case 62:
        return empty(61) && empty(62) && safe(61) && safe(62);
    case 58:
        return empty(57) && empty(58) && empty(59) && safe(58) && safe(59);
    case 6:
        return empty(5) && empty(6) && safe(5) && safe(6);
    case 2:
        return empty(1) && empty(2) && empty(3) && safe(2) && safe(3);
    default:
        return false;
    }
}

void ChessEngine::MoveCastlingRook(int to, bool back) {
    int corner = 0;
    int beside = 0;
    switch (to) {
    case 62:
        corner = 63, beside = 61;
        break;
    case 58:
        corner = 56, beside = 59;
        break;
    case 6:
        corner = 7, beside = 5;
        break;
    default:
        corner = 0, beside = 3;
        break;
    }
    const int from = back ? beside : corner;
    const int onto = back ? corner : beside;
    color[onto] = color[from];
    piece[onto] = piece[from];
    color[from] = kEmpty;
    piece[from] = kEmpty;
}

bool ChessEngine::MakeMove(EngineMove m) {
    if (ply >= kMaxPly - 1)
        return false;
    if (m.bits & kCastle) {
        if (InCheck(side) || !CastlingPathClear(m.to))
            return false;
        MoveCastlingRook(m.to, false);
    }
    undo[ply] = {m, piece[m.to], castle, ep, fifty};
    ++ply;
    castle &= castle_mask[m.from] & castle_mask[m.to];
    if (m.bits & kDoubleStep)
        ep = side == kWhite ? m.to + 8 : m.to - 8;
    else
        ep = -1;
    fifty = (m.bits & (kCapture | kPawnMove)) ? 0 : fifty + 1;
    if (piece[m.from] == kKing)
        king_square[side] = m.to;
    if (piece[m.to] == kKing && --kings[xside] == 1)
        king_square[xside] = ScanForKing(xside);
    color[m.to] = side;
    piece[m.to] = (m.bits & kPromotion) ? m.promote : piece[m.from];
    color[m.from] = kEmpty;
    piece[m.from] = kEmpty;
    if (m.bits & kEnPassant) {
        const int behind = side == kWhite ? m.to + 8 : m.to - 8;
        color[behind] = kEmpty;
        piece[behind] = kEmpty;
    }
    std::swap(side, xside);
    if (InCheck(xside)) {
        TakeBack();
        return false;
    }
    return true;
}

void ChessEngine::TakeBack() {
    if (ply == 0)
        return;
    std::swap(side, xside);
    --ply;
    const EngineUndo& u = undo[ply];
    const EngineMove m = u.move;
    castle = u.castle;
    ep = u.ep;
    fifty = u.fifty;
    color[m.from] = side;
    piece[m.from] = (m.bits & kPromotion) ? kPawn : piece[m.to];
    if (piece[m.from] == kKing)
        king_square[side] = m.from;
    if (u.capture == kKing && ++kings[xside] == 1)
        king_square[xside] = m.to;
    if (u.capture == kEmpty) {
        color[m.to] = kEmpty;
        piece[m.to] = kEmpty;
    } else {
        color[m.to] = xside;
        piece[m.to] = u.capture;
    }
    if (m.bits & kCastle)
        MoveCastlingRook(m.to, true);
    if (m.bits & kEnPassant) {
        const int behind = side == kWhite ? m.to + 8 : m.to - 8;
        color[behind] = xside;
        piece[behind] = kPawn;
    }
}

std::uint64_t ChessEngine::Perft(int depth) {
    if (depth == 0)
        return 1;
    GenerateMoves();
    std::uint64_t count = 0;
    for (int i = first_move[ply]; i < first_move[ply + 1]; ++i) {
        if (!MakeMove(moves[i].move))
            continue;
        count += Perft(depth - 1);
        TakeBack();
    }
    return count;
}

void ChessEngine::PrepareEvaluation() {
    std::array<int, 2> material{};
    for (int sq = 0; sq < 64; ++sq)
        if (color[sq] != kEmpty && piece[sq] != kKing && piece[sq] != kPawn)
            material[color[sq]] += piece_value[piece[sq]];
    for (int c = kWhite; c <= kBlack; ++c) {
        for (int sq = 0; sq < 64; ++sq) {
            const int own = c == kWhite ? sq : flip(sq);
            pcsq[c][kPawn][sq] = piece_value[kPawn] + pawn_pcsq[own];
            pcsq[c][kKnight][sq] = piece_value[kKnight] + knight_bishop_pcsq[own];
            pcsq[c][kBishop][sq] = piece_value[kBishop] + knight_bishop_pcsq[own];
            pcsq[c][kRook][sq] = piece_value[kRook];
            pcsq[c][kQueen][sq] = piece_value[kQueen];
        }
        const bool middleGame = material[c ^ 1] > 1400;
        for (int sq = 0; sq < 64; ++sq) {
            const int own = c == kWhite ? sq : flip(sq);
            pcsq[c][kKing][sq] = middleGame ? king_pcsq[own] : king_endgame_pcsq[own];
        }
        const int king = KingSquare(c);
        if (!middleGame || king < 0)
            continue;
        const int file = king % 8;
        const std::array<int, 64>* shelter = file >= 5   ? &kingside_shelter
                                             : file <= 2 ? &queenside_shelter
                                                         : nullptr;
        if (shelter)
            for (int sq = 0; sq < 64; ++sq)
                pcsq[c][kPawn][sq] += (*shelter)[c == kWhite ? sq : flip(sq)];
    }
}

int ChessEngine::Evaluate() const {
    std::array<int, 2> score{};
    // Pawns per file 1..8; files 0 and 9 stay empty so that neighbours need no edge test.
    int pawns[2][10] = {};
    // Pawns and rooks, for the second pass once every file is counted.
    std::array<int, 64> structure;
    int structures = 0;
    for (int sq = 0; sq < 64; ++sq) {
        const int c = color[sq];
        if (c == kEmpty)
            continue;
        score[c] += pcsq[c][piece[sq]][sq];
        if (piece[sq] == kPawn)
            ++pawns[c][sq % 8 + 1];
        if (piece[sq] == kPawn || piece[sq] == kRook)
            structure[structures++] = sq;
    }
    for (int i = 0; i < structures; ++i) {
        const int sq = structure[i];
        const int c = color[sq];
        const int f = sq % 8 + 1;
        const int* own = pawns[c];
        const int* enemy = pawns[c ^ 1];
        if (piece[sq] == kPawn) {
            if (own[f] > 1)
                score[c] -= 5;
            if (own[f - 1] == 0 && own[f + 1] == 0) {
                score[c] -= 20;
                if (enemy[f] == 0)
                    score[c] -= 10;
            }
            if (enemy[f - 1] == 0 && enemy[f] == 0 && enemy[f + 1] == 0)
                score[c] += 2 * pcsq[c][kPawn][sq];
        } else if (own[f] == 0) {
            score[c] += 10;
            if (enemy[f] == 0)
                score[c] += 5;
        }
    }
    return score[side] - score[xside];
}

bool ChessEngine::StopRequested() {
    if (!stopped && stop_ && *stop_ && (*stop_)())
        stopped = true;
    return stopped;
}

EngineResult ChessEngine::Think(int searchDepth, const std::function<bool()>& stop) {
    stop_ = &stop;
    stopped = false;
    nodes = 0;
    PrepareEvaluation();
    history = {};
    pv = {};
    pv_length = {};
    EngineResult result;
    for (int depth = 1; depth <= std::max(1, searchDepth) && !StopRequested(); ++depth) {
        follow_pv = true;
        root_found = false;
        const int score = Search(-kMate, kMate, depth);
        if (stopped)
            break;
        result.depth = depth;
        result.score = score;
        result.hasMove = pv_length[0] > 0 || root_found;
        result.move = pv_length[0] > 0 ? pv[0][0] : root_first;
    }
    stop_ = nullptr;
    result.stopped = stopped;
    if (stopped)
        result.hasMove = false;
    result.nodes = nodes;
    return result;
}

int ChessEngine::Search(int alpha, int beta, int depth) {
    if (depth == 0)
        return Quiesce(alpha, beta);
    ++nodes;
    pv_length[ply] = ply;
    if (!HasRoom())
        return Evaluate();
    const bool check = InCheck(side);
    if (check)
        ++depth;
    GenerateMoves();
    if (follow_pv)
        SortPV();
    bool found = false;
    for (int i = first_move[ply]; i < first_move[ply + 1]; ++i) {
        PickMove(i);
        const EngineMove m = moves[i].move;
        if (!MakeMove(m))
            continue;
        if (StopRequested()) {
            TakeBack();
            return -1;
        }
        if (ply == 1 && !root_found) {
            root_first = m;
            root_found = true;
        }
        found = true;
        const int x = -Search(-beta, -alpha, depth - 1);
        TakeBack();
        if (stopped)
            return -1;
        if (x > alpha) {
            history[m.from][m.to] += depth;
            if (x >= beta)
                return beta;
            alpha = x;
            UpdatePV(m);
        }
    }
    if (!found)
        return check ? ply - kMate : 0;
    if (fifty > 100)
        return 0;
    return alpha;
}

int ChessEngine::Quiesce(int alpha, int beta) {
    ++nodes;
    pv_length[ply] = ply;
    if (!HasRoom())
        return Evaluate();
    const bool check = InCheck(side);
    if (check) {
        GenerateMoves();
    } else {
        const int x = Evaluate();
        if (x >= beta)
            return beta;
        if (x > alpha)
            alpha = x;
        GenerateCaptures();
    }
    if (follow_pv)
        SortPV();
    bool found = false;
    for (int i = first_move[ply]; i < first_move[ply + 1]; ++i) {
        PickMove(i);
        const EngineMove m = moves[i].move;
        if (!MakeMove(m))
            continue;
        if (StopRequested()) {
            TakeBack();
            return -1;
        }
        found = true;
        const int x = -Quiesce(-beta, -alpha);
        TakeBack();
        if (stopped)
            return -1;
        if (x > alpha) {
            if (x >= beta)
                return beta;
            alpha = x;
            UpdatePV(m);
        }
    }
    if (check && !found)
        return ply - kMate;
    return alpha;
}

void ChessEngine::SortPV() {
    follow_pv = false;
    for (int i = first_move[ply]; i < first_move[ply + 1]; ++i) {
        if (moves[i].move == pv[0][ply]) {
            follow_pv = true;
            moves[i].score += 10000000;
            return;
        }
    }
}

void ChessEngine::PickMove(int from) {
    int best = -1;
    int bestIndex = from;
    for (int i = from; i < first_move[ply + 1]; ++i) {
        if (moves[i].score > best) {
            best = moves[i].score;
            bestIndex = i;
        }
    }
    std::swap(moves[from], moves[bestIndex]);
}

void ChessEngine::UpdatePV(EngineMove m) {
    pv[ply][ply] = m;
    for (int j = ply + 1; j < pv_length[ply + 1]; ++j)
        pv[ply][j] = pv[ply + 1][j];
    pv_length[ply] = pv_length[ply + 1];
}
