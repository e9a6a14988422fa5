#pragma once
// The board's game model: position, history, the rules of chess, notation and FEN.
// Plain class with no widgets; TChessBoard adds drawing, input and the engine on top of it.

#include "board/Rules.h"

#include <QStringList>
#include <functional>
#include <vector>

class TChessBoardModel;

using TMoveEvent = std::function<void(TChessBoardModel* Sender, Square oldSq, Square newSq)>;
using TCaptureEvent =
    std::function<void(TChessBoardModel* Sender, Square oldSq, Square newSq, char CapturedPiece)>;
using TPromotionEvent =
    std::function<void(TChessBoardModel* Sender, Square oldSq, Square newSq, char& NewPiece)>;
using TIllegalMoveEvent = std::function<void(TChessBoardModel* Sender, Square sq)>;
using TBoardNotifyEvent = std::function<void(TChessBoardModel* Sender)>;

class TChessBoardModel {
public:
    TChessBoardModel();
    virtual ~TChessBoardModel() = default;
    TChessBoardModel(const TChessBoardModel&) = delete;
    TChessBoardModel& operator=(const TChessBoardModel&) = delete;

    // Playing and legality.
    bool Move(Square oldSq, Square newSq);
    bool MoveIsLegal(Square from, Square to) const;
    bool LegalMoveAvailable() const;
    bool CheckForThreefoldPosition() const;
    bool WhiteInCheckAfter(Square from, Square to) const;
    bool BlackInCheckAfter(Square from, Square to) const;
    bool CheckLegalPawnMove(Square from, Square to) const;
    bool CheckLegalKnightMove(Square from, Square to) const;
    bool CheckLegalBishopMove(Square from, Square to) const;
    bool CheckLegalRookMove(Square from, Square to) const;
    bool CheckLegalQueenMove(Square from, Square to) const;
    bool CheckLegalKingMove(Square from, Square to) const;
    void DoPromotion(Square sq);

    // Squares and pieces.
    int ColorOfPiece(Square sq) const;
    static int XPos(Square sq);
    static int YPos(Square sq);
    static bool ColorOfSquare(Square sq);

    // Set-up and history.
    void NewGame();
    bool SetUpPosition(MoveInfo& rec, int moveNo, bool whiteToMove);
    bool GotoMove(int moveNo, bool white);
    bool MoveBackward();
    bool MoveForward();
    MoveInfo GetMove(int moveNo, bool white) const;
    bool AddComment(int moveNo, bool white, const QString& text);

    // Notation and FEN.
    QString GetTextMove(int moveNo, bool white) const;
    QString GetPgnMove(int moveNo, bool white) const;
    void MovePGN(const QString& text);
    static char GetPieceLetter(char c);
    QString GetFENPosition() const;
    bool SetFENPosition(const QString& text);
    QStringList GetMoveList() const;

    // Properties.
    QString Position() const;
    void SetPosition(const QString& text);
    bool WhiteToMove() const { return FState.whiteToMove; }
    void SetWhiteToMove(bool value);
    int CurrentMove() const { return FCurrentMove; }
    TCastleSet CastlingAllowed() const { return FState.castling; }
    void SetCastlingAllowed(TCastleSet value);
    Square EnPassant() const { return FState.enPassant; }
    void SetEnPassant(Square value);
    bool ComputerPlaysWhite() const { return FComputerPlaysWhite; }
    virtual void SetComputerPlaysWhite(bool value);
    bool ComputerPlaysBlack() const { return FComputerPlaysBlack; }
    virtual void SetComputerPlaysBlack(bool value);
    bool Thinking() const { return FThinking; }
    const TPlacement& Squares() const { return FState.squares; }
    const rules::BoardState& State() const { return FState; }

    int FirstMove = 1;
    bool FirstMoveIsWhite = true;
    int LastMove = 1;
    bool LastMoveIsWhite = true;
    char PromotionPiece = 'q';

    // Events, called only when assigned.
    TMoveEvent OnLegalMove;
    TCaptureEvent OnCapture;
    TPromotionEvent OnPromotion;
    TMoveEvent OnCastle;
    TMoveEvent OnCheck;
    TMoveEvent OnMate;
    TMoveEvent OnStaleMate;
    TBoardNotifyEvent OnOnlyTwoKingsLeft;
    TBoardNotifyEvent OnThreefoldPosition;
    TBoardNotifyEvent OnCustomMove;
    TIllegalMoveEvent OnIllegalMove;

    // The highlighted square; the plain model shows nothing.
    virtual void HiLightSquare(Square) {}
    virtual void UnHiLightSquare() {}

    // The engine side; the plain model has no engine, so nothing ever thinks.
    virtual void CancelThinking() {}
    virtual void MoveNow() {}

protected:
    // Redraw requests; the plain model draws nothing.
    virtual void ClearSquare(Square) {}
    virtual void DrawPiece(Square) {}
    virtual void UpdateChessBoard(const TPlacement& /*oldSquares*/) {}
    virtual void RepaintBoard() {}

    // Asks who plays next: the custom hook, or the engine for a computer side.
    void WhoPlaysNext();

    bool FThinking = false;

private:
    MoveInfo& Record(int moveNo, bool white);
    const MoveInfo* StoredRecord(int moveNo, bool white) const;
    bool InStoredRange(int moveNo, bool white) const;
    // Move's steps after its legality test.
    void PlayLegalMove(Square oldSq, Square newSq);
    void WriteCurrentRecord(bool clearMove);
    void StorePosition(int moveNo, bool white);
    void RedrawMovedSquares(Square oldSq, Square newSq);
    void CaptureEnPassant(Square oldSq, Square newSq, Square enPassantBefore);
    void MoveCastlingRook(Square oldSq, Square newSq);
    void UpdateCastlingRights(Square oldSq, Square newSq);
    void FireEndOfMoveEvents(Square oldSq, Square newSq);
    QString MoveText(int moveNo, bool white, bool pgn) const;

    rules::BoardState FState;
    int FCurrentMove = 1;
    bool FComputerPlaysWhite = false;
    bool FComputerPlaysBlack = false;
    bool FMoving = false;
    std::vector<std::array<MoveInfo, 2>> FHistory;
    // Each record's placement and castling rights hashed: a repetition is looked for among
    // numbers, and an equal number is confirmed on the records themselves.
    std::vector<std::array<std::uint64_t, 2>> FPositionKeys;
};
