// The engine "Zub" without its thread: its own board, move generation, evaluation and search.
// Engine squares are 0..63 in the board's Square order (0 = a8, 63 = h1): engine square =
// Square - 1.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

struct EngineMove {
    std::uint8_t from = 0;
    std::uint8_t to = 0;
    std::uint8_t promote = 0; // 0, or 1 knight, 2 bishop, 3 rook, 4 queen
    std::uint8_t bits = 0;    // the ChessEngine::kCapture ... kPromotion flags

    bool operator==(const EngineMove&) const = default;
};

// A generated move with its ordering score.
struct ScoredMove {
    EngineMove move;
    int score = 0;
};

struct EngineUndo {
    EngineMove move;
    int capture = 6;
    int castle = 0;
    int ep = -1;
    int fifty = 0;
};

struct EngineResult {
    bool stopped = false; // the stop predicate ended the search: there is nothing to play
    bool hasMove = false; // false when stopped or when the side to move has no legal move
    EngineMove move;
    int score = 0; // of the last completed iteration, for the side to move
    int depth = 0; // iterations completed
    std::int64_t nodes = 0;
};

class ChessEngine {
public:
    static constexpr int kWhite = 0, kBlack = 1, kEmpty = 6;
    static constexpr int kPawn = 0, kKnight = 1, kBishop = 2, kRook = 3, kQueen = 4, kKing = 5;
    static constexpr int kCapture = 1, kCastle = 2, kEnPassant = 4, kDoubleStep = 8, kPawnMove = 16,
                         kPromotion = 32;
    static constexpr int kMaxPly = 64;
    // A ply starts its move list only below this index; the list has room for one more full
    // position beyond it, so it never overflows.
    static constexpr int kMoveStack = 4096;
    // No piece has more than 27 moves (a pawn at most 12); castling and en passant add 4.
    static constexpr int kMaxPositionMoves = 64 * 27 + 4;

    ChessEngine(); // holds the start position

    // placement: the 64 squares a8..h1 as the board's letters (PNBRQK, pnbrqk; anything else is
    // an empty square); castling: the CastlingAllowed bits; enPassant: a Square 1..64, 0 for none.
    void Load(std::string_view placement, bool whiteToMove, int castling, int enPassant);

    bool Attack(int sq, int s) const;
    bool InCheck(int s) const;
    void GenerateMoves();
    void GenerateCaptures();
    // False, with the position unchanged, for an illegal castling, a move into check, or a move
    // beyond the last ply the arrays hold.
    bool MakeMove(EngineMove m);
    void TakeBack();
    // The current ply's list as last generated (the search reorders it while it walks it).
    std::span<const ScoredMove> Moves() const;

    void PrepareEvaluation();
    int Evaluate() const; // for the side to move; needs PrepareEvaluation for this position

    // Iterative deepening from depth 1 to searchDepth (at least 1) on the loaded position. The
    // search asks stop() after every move it makes and gives up at once when it answers true.
    EngineResult Think(int searchDepth, const std::function<bool()>& stop);

    // Leaf count of the legal move tree below the current position.
    std::uint64_t Perft(int depth);

    int Color(int sq) const { return color[sq]; }
    int Piece(int sq) const { return piece[sq]; }
    int Side() const { return side; }
    int XSide() const { return xside; }
    int Castle() const { return castle; }
    int Ep() const { return ep; }
    int Fifty() const { return fifty; }
    int Ply() const { return ply; }

private:
    bool HasRoom() const;
    void BeginList();
    // The moves of every piece of the side to move into a new list; false when there is no room.
    bool GeneratePieceMoves(bool capturesOnly);
    void GeneratePiece(int from, bool capturesOnly);
    void GeneratePawn(int from, bool capturesOnly);
    void GenerateCastling();
    void GenerateEnPassant();
    bool EnPassantPossible() const;
    bool KingAndRookAt(int king, int rook) const;
    void AddMove(int from, int to, int bits);
    void AddPromotions(int from, int to, int bits);
    bool CastlingPathClear(int to) const;
    void MoveCastlingRook(int to, bool back);
    int KingSquare(int s) const;
    int ScanForKing(int s) const;

    int Search(int alpha, int beta, int depth);
    int Quiesce(int alpha, int beta);
    void SortPV();
    void PickMove(int from);
    void UpdatePV(EngineMove m);
    bool StopRequested();

    std::array<int, 64> color{};
    std::array<int, 64> piece{};
    int side = kWhite;
    int xside = kBlack;
    int castle = 0;
    int ep = -1;
    int fifty = 0;
    int ply = 0;
    std::int64_t nodes = 0;
    // Kings per side and, while a side has exactly one, its square (InCheck asks on every move).
    std::array<int, 2> kings{};
    std::array<int, 2> king_square{};

    std::array<ScoredMove, kMoveStack + kMaxPositionMoves> moves{};
    std::array<int, kMaxPly + 1> first_move{};
    std::array<EngineUndo, kMaxPly> undo{};
    std::array<std::array<int, 64>, 64> history{};

    std::array<std::array<EngineMove, kMaxPly>, kMaxPly> pv{};
    std::array<int, kMaxPly> pv_length{};
    bool follow_pv = false;
    EngineMove root_first{};
    bool root_found = false;
    std::array<std::array<std::array<int, 64>, 6>, 2> pcsq{};

    const std::function<bool()>* stop_ = nullptr;
    bool stopped = false;
};
