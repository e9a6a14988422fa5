#include "board/BoardModel.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

TPlacement MakeStartPlacement() {
    TPlacement p{};
    const char* text = "_rnbqkbnrpppppppp                                PPPPPPPPRNBQKBNR";
    std::memcpy(p.data(), text, 65);
    p[65] = '\0';
    return p;
}

bool IsPieceLetter(char c) {
    return c != '\0' && std::strchr("PNBRQKpnbrqk", c) != nullptr;
}

// Clears the board's re-entrancy flag however Move leaves.
class MoveGuard {
public:
    explicit MoveGuard(bool& flag) : FFlag(flag) { FFlag = true; }
    ~MoveGuard() { FFlag = false; }
    MoveGuard(const MoveGuard&) = delete;
    MoveGuard& operator=(const MoveGuard&) = delete;

private:
    bool& FFlag;
};

Square CapturableEnPassant(const MoveInfo& rec, bool white) {
    return rules::CapturableEnPassant({rec.Placement, white, rec.Castling, rec.EnPassantSq});
}

} // namespace

const TPlacement StartPlacement = MakeStartPlacement();

MoveInfo::MoveInfo()
    : Placement(StartPlacement), Castling(AllCastling), FromSq(None), ToSq(None),
      EnPassantSq(None) {}

TChessBoardModel::TChessBoardModel() : FHistory(256), FPositionKeys(256) {
    WriteCurrentRecord(true);
}

// ---- squares and pieces

int TChessBoardModel::ColorOfPiece(Square sq) const {
    return sq <= 64 ? rules::ColorOfLetter(FState.squares[sq]) : -1;
}

int TChessBoardModel::XPos(Square sq) {
    return (int(sq) - 1) % 8 + 1;
}

int TChessBoardModel::YPos(Square sq) {
    return 8 - (int(sq) - 1) / 8;
}

bool TChessBoardModel::ColorOfSquare(Square sq) {
    return (int(sq) - 1) % 2 == ((int(sq) - 1) / 8) % 2;
}

// ---- legality

bool TChessBoardModel::MoveIsLegal(Square from, Square to) const {
    // The repetition walk is the dearest test, so it runs last; the answer is the same.
    return !FThinking && rules::LegalByRules(FState, from, to) && !CheckForThreefoldPosition();
}

bool TChessBoardModel::LegalMoveAvailable() const {
    return !FThinking && !CheckForThreefoldPosition() && rules::AnyLegalMoveByRules(FState);
}

bool TChessBoardModel::WhiteInCheckAfter(Square from, Square to) const {
    return rules::InCheckAfter(FState.squares, true, from, to);
}

bool TChessBoardModel::BlackInCheckAfter(Square from, Square to) const {
    return rules::InCheckAfter(FState.squares, false, from, to);
}

bool TChessBoardModel::CheckLegalPawnMove(Square from, Square to) const {
    return rules::OnBoard(from) && rules::OnBoard(to) && rules::PawnRule(FState, from, to);
}

bool TChessBoardModel::CheckLegalKnightMove(Square from, Square to) const {
    return rules::OnBoard(from) && rules::OnBoard(to) && rules::KnightRule(FState, from, to);
}

bool TChessBoardModel::CheckLegalBishopMove(Square from, Square to) const {
    return rules::OnBoard(from) && rules::OnBoard(to) && rules::BishopRule(FState, from, to);
}

bool TChessBoardModel::CheckLegalRookMove(Square from, Square to) const {
    return rules::OnBoard(from) && rules::OnBoard(to) && rules::RookRule(FState, from, to);
}

bool TChessBoardModel::CheckLegalQueenMove(Square from, Square to) const {
    return rules::OnBoard(from) && rules::OnBoard(to) && rules::QueenRule(FState, from, to);
}

bool TChessBoardModel::CheckLegalKingMove(Square from, Square to) const {
    return rules::OnBoard(from) && rules::OnBoard(to) && rules::KingRule(FState, from, to);
}

// A position repeats only with the same side to move, the same castling rights and the same
// en-passant capture, if any.
bool TChessBoardModel::CheckForThreefoldPosition() const {
    const bool white = FState.whiteToMove;
    const MoveInfo* current = StoredRecord(FCurrentMove, white);
    if (!current)
        return false;
    // The stored records of the same side before the current one, newest first.
    const int side = white ? 0 : 1;
    const int lowest = std::max(0, white && !FirstMoveIsWhite ? FirstMove + 1 : FirstMove);
    const std::uint64_t key = FPositionKeys[FCurrentMove][side];
    // The current en-passant capture is weighed only once a placement matches.
    int enPassant = -1;
    int count = 0;
    for (int n = FCurrentMove - 1; n >= lowest; --n) {
        if (FPositionKeys[n][side] != key)
            continue;
        const MoveInfo& earlier = FHistory[n][side];
        if (earlier.Castling != current->Castling ||
            std::memcmp(earlier.Placement.data(), current->Placement.data(), 65) != 0)
            continue;
        if (enPassant < 0)
            enPassant = CapturableEnPassant(*current, white);
        if (CapturableEnPassant(earlier, white) == enPassant && ++count >= 2)
            return true;
    }
    return false;
}

// ---- the move

bool TChessBoardModel::Move(Square oldSq, Square newSq) {
    if (FMoving || !MoveIsLegal(oldSq, newSq))
        return false;
    PlayLegalMove(oldSq, newSq);
    return true;
}

void TChessBoardModel::PlayLegalMove(Square oldSq, Square newSq) {
    MoveGuard guard(FMoving);
    const Square enPassantBefore = FState.enPassant;

    MoveInfo& played = Record(FCurrentMove, FState.whiteToMove);
    played.Placement = FState.squares;
    played.Castling = FState.castling;
    played.EnPassantSq = FState.enPassant;
    played.FromSq = oldSq;
    played.ToSq = newSq;
    StorePosition(FCurrentMove, FState.whiteToMove);
    LastMove = FCurrentMove;
    LastMoveIsWhite = FState.whiteToMove;
    if (!FState.whiteToMove)
        ++FCurrentMove;
    FState.whiteToMove = !FState.whiteToMove;

    const char captured = FState.squares[newSq];
    FState.squares[newSq] = FState.squares[oldSq];
    FState.squares[oldSq] = ' ';
    RedrawMovedSquares(oldSq, newSq);

    if (captured != ' ' && OnCapture)
        OnCapture(this, oldSq, newSq, captured);

    const char moved = FState.squares[newSq];
    const int rank = rules::RankOf(newSq);
    if ((moved == 'P' && rank == 8) || (moved == 'p' && rank == 1)) {
        if (OnPromotion)
            OnPromotion(this, oldSq, newSq, PromotionPiece);
        DoPromotion(newSq);
    }

    if (OnLegalMove)
        OnLegalMove(this, oldSq, newSq);

    CaptureEnPassant(oldSq, newSq, enPassantBefore);

    const bool doubleStep = (moved == 'P' && rules::RankOf(oldSq) == 2 && rank == 4) ||
                            (moved == 'p' && rules::RankOf(oldSq) == 7 && rank == 5);
    FState.enPassant = doubleStep ? Square((oldSq + newSq) / 2) : None;

    MoveCastlingRook(oldSq, newSq);
    FState.castling = rules::CastlingAfter(FState.castling, oldSq, newSq);

    FireEndOfMoveEvents(oldSq, newSq);
    HiLightSquare(newSq);
}

void TChessBoardModel::RedrawMovedSquares(Square oldSq, Square newSq) {
    ClearSquare(oldSq);
    ClearSquare(newSq);
    DrawPiece(newSq);
}

void TChessBoardModel::CaptureEnPassant(Square oldSq, Square newSq, Square enPassantBefore) {
    if (newSq != enPassantBefore || rules::FileOf(oldSq) == rules::FileOf(newSq))
        return;
    Square victim = None;
    if (FState.squares[newSq] == 'P' && rules::RankOf(newSq) == 6 &&
        FState.squares[newSq + 8] == 'p')
        victim = Square(newSq + 8);
    else if (FState.squares[newSq] == 'p' && rules::RankOf(newSq) == 3 &&
             FState.squares[newSq - 8] == 'P')
        victim = Square(newSq - 8);
    if (victim == None)
        return;
    if (OnCapture)
        OnCapture(this, oldSq, newSq, FState.squares[victim]);
    FState.squares[victim] = ' ';
    ClearSquare(victim);
}

void TChessBoardModel::MoveCastlingRook(Square oldSq, Square newSq) {
    const rules::RookMove rook = rules::CastlingRookMove(FState.squares[newSq], oldSq, newSq);
    if (rook.from == None)
        return;
    FState.squares[rook.to] = FState.squares[rook.from];
    FState.squares[rook.from] = ' ';
    ClearSquare(rook.from);
    ClearSquare(rook.to);
    DrawPiece(rook.to);
    if (OnCastle)
        OnCastle(this, oldSq, newSq);
}

void TChessBoardModel::FireEndOfMoveEvents(Square oldSq, Square newSq) {
    // Judged on the complete position; repetitions are reported on their own below.
    const bool check = rules::KingAttacked(FState.squares, FState.whiteToMove);
    const bool available = rules::AnyLegalMoveByRules(FState, check);
    if (check) {
        if (OnCheck)
            OnCheck(this, oldSq, newSq);
        if (!available && OnMate)
            OnMate(this, oldSq, newSq);
    } else if (!available && OnStaleMate) {
        OnStaleMate(this, oldSq, newSq);
    }

    bool onlyKings = true;
    for (int s = 1; s <= 64 && onlyKings; ++s)
        onlyKings =
            FState.squares[s] == ' ' || FState.squares[s] == 'K' || FState.squares[s] == 'k';
    if (onlyKings && OnOnlyTwoKingsLeft)
        OnOnlyTwoKingsLeft(this);

    WriteCurrentRecord(true);

    if (CheckForThreefoldPosition() && OnThreefoldPosition)
        OnThreefoldPosition(this);

    WhoPlaysNext();
}

void TChessBoardModel::WhoPlaysNext() {
    if (FThinking)
        return;
    if (OnCustomMove)
        OnCustomMove(this);
    else if (FState.whiteToMove ? FComputerPlaysWhite : FComputerPlaysBlack)
        MoveNow();
}

void TChessBoardModel::DoPromotion(Square sq) {
    if (!rules::OnBoard(sq))
        return;
    const int rank = rules::RankOf(sq);
    if (rank != 8 && rank != 1)
        return;
    FState.squares[sq] = rules::PromotedLetter(PromotionPiece, sq);
    ClearSquare(sq);
    DrawPiece(sq);
}

// ---- history

MoveInfo& TChessBoardModel::Record(int moveNo, bool white) {
    if (moveNo >= int(FHistory.size())) {
        FHistory.resize(moveNo + 1);
        FPositionKeys.resize(moveNo + 1);
    }
    return FHistory[moveNo][white ? 0 : 1];
}

void TChessBoardModel::StorePosition(int moveNo, bool white) {
    const MoveInfo& rec = FHistory[moveNo][white ? 0 : 1];
    std::uint64_t key = rec.Castling;
    for (int i = 1; i < 65; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, rec.Placement.data() + i, sizeof word);
        key = (key ^ word) * 0x9E3779B97F4A7C15ULL;
        key ^= key >> 29;
    }
    FPositionKeys[moveNo][white ? 0 : 1] = key;
}

bool TChessBoardModel::InStoredRange(int moveNo, bool white) const {
    if (moveNo > LastMove || (moveNo == LastMove && LastMoveIsWhite && !white))
        return false;
    if (moveNo < FirstMove || (moveNo == FirstMove && !FirstMoveIsWhite && white))
        return false;
    return moveNo >= 0 && moveNo < int(FHistory.size());
}

const MoveInfo* TChessBoardModel::StoredRecord(int moveNo, bool white) const {
    return InStoredRange(moveNo, white) ? &FHistory[moveNo][white ? 0 : 1] : nullptr;
}

void TChessBoardModel::WriteCurrentRecord(bool clearMove) {
    MoveInfo& rec = Record(FCurrentMove, FState.whiteToMove);
    rec.Placement = FState.squares;
    rec.Castling = FState.castling;
    rec.EnPassantSq = FState.enPassant;
    StorePosition(FCurrentMove, FState.whiteToMove);
    if (clearMove) {
        rec.FromSq = None;
        rec.ToSq = None;
    }
    LastMove = FCurrentMove;
    LastMoveIsWhite = FState.whiteToMove;
}

MoveInfo TChessBoardModel::GetMove(int moveNo, bool white) const {
    if (const MoveInfo* rec = StoredRecord(moveNo, white))
        return *rec;
    MoveInfo outside;
    outside.Placement.fill('\0');
    std::memcpy(outside.Placement.data(), "init", 4);
    return outside;
}

bool TChessBoardModel::AddComment(int moveNo, bool white, const QString& text) {
    if (!InStoredRange(moveNo, white))
        return false;
    FHistory[moveNo][white ? 0 : 1].Comment = text;
    return true;
}

bool TChessBoardModel::GotoMove(int moveNo, bool white) {
    CancelThinking();
    const MoveInfo* rec = StoredRecord(moveNo, white);
    if (!rec)
        return false;
    const TPlacement oldSquares = FState.squares;
    FCurrentMove = moveNo;
    FState.whiteToMove = white;
    FState.squares = rec->Placement;
    FState.enPassant = rec->EnPassantSq;
    FState.castling = rec->Castling;
    UpdateChessBoard(oldSquares);
    return true;
}

bool TChessBoardModel::MoveBackward() {
    return FState.whiteToMove ? GotoMove(FCurrentMove - 1, false) : GotoMove(FCurrentMove, true);
}

bool TChessBoardModel::MoveForward() {
    return FState.whiteToMove ? GotoMove(FCurrentMove, false) : GotoMove(FCurrentMove + 1, true);
}

void TChessBoardModel::NewGame() {
    CancelThinking();
    FState = rules::BoardState{};
    FCurrentMove = FirstMove = LastMove = 1;
    FirstMoveIsWhite = LastMoveIsWhite = true;
    Record(1, true) = MoveInfo();
    WriteCurrentRecord(true);
    UnHiLightSquare();
    RepaintBoard();
}

bool TChessBoardModel::SetUpPosition(MoveInfo& rec, int moveNo, bool whiteToMove) {
    CancelThinking();
    if (moveNo < 0 || moveNo > 200)
        return false;
    const Square ep = rec.EnPassantSq;
    if (ep != None && !((ep >= A6 && ep <= H6) || (ep >= A3 && ep <= H3)))
        return false;
    for (int s = 1; s <= 64; ++s)
        if (rec.Placement[s] != ' ' && !IsPieceLetter(rec.Placement[s]))
            return false;
    std::memcpy(FState.squares.data() + 1, rec.Placement.data() + 1, 64);
    FState.whiteToMove = whiteToMove;
    FState.castling = rec.Castling;
    FState.enPassant = ep;
    FCurrentMove = FirstMove = LastMove = moveNo;
    FirstMoveIsWhite = LastMoveIsWhite = whiteToMove;
    MoveInfo& current = Record(moveNo, whiteToMove);
    current.Comment = rec.Comment;
    WriteCurrentRecord(true);
    RepaintBoard();
    return true;
}

// ---- properties

QString TChessBoardModel::Position() const {
    return QString::fromLatin1(FState.squares.data() + 1, 64);
}

void TChessBoardModel::SetPosition(const QString& text) {
    CancelThinking();
    const QString lowered = text.toLower();
    if (lowered == QLatin1String("init") || lowered == QLatin1String("newgame")) {
        FState.squares = StartPlacement;
    } else {
        const QByteArray letters = text.left(64).toLatin1();
        for (int s = 1; s <= 64; ++s) {
            const char c = s <= letters.size() ? letters[s - 1] : ' ';
            FState.squares[s] = IsPieceLetter(c) ? c : ' ';
        }
    }
    RepaintBoard();
}

void TChessBoardModel::SetWhiteToMove(bool value) {
    CancelThinking();
    FState.whiteToMove = value;
}

void TChessBoardModel::SetCastlingAllowed(TCastleSet value) {
    CancelThinking();
    FState.castling = value & AllCastling;
}

void TChessBoardModel::SetEnPassant(Square value) {
    CancelThinking();
    if ((value >= A6 && value <= H6) || (value >= A3 && value <= H3))
        FState.enPassant = value;
}

void TChessBoardModel::SetComputerPlaysWhite(bool value) {
    CancelThinking();
    FComputerPlaysWhite = value;
}

void TChessBoardModel::SetComputerPlaysBlack(bool value) {
    CancelThinking();
    FComputerPlaysBlack = value;
}
