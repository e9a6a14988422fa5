#pragma once
// Move texts as the game file, the network game and the clipboard carry them ("e2-e4",
// "e7-e8=T", "0-0-0+", "resign", "draw", "@8-@8") and the pasted move line ("12b e2-e4").

#include "board/BoardTypes.h"

#include <QString>

struct TMoveCommand {
    enum Kind { EndOfMoves, Resign, Draw, PlayMove, Invalid };
    Kind kind = Invalid;
    Square from = None;
    Square to = None;
    // The promotion letter the text names ("b", "n", "q", "r"), or 0.
    char promotion = 0;
};

// Reads one move line for the side to move: castling words become the king's move, a leading
// move number and dots are skipped.
// The piece of an Italian promotion letter ("A", "C", "D", "T", either case), or 0.
char PromotionLetter(QChar italian);

TMoveCommand ParseMoveText(const QString& text, bool whiteToMove);

struct TPastedMove {
    bool ok = false;
    // "Mossa: " and the first 20 characters of the clipboard text.
    QString prefix;
    // Why the line was refused.
    QString error;
    int moveNumber = 0;
    bool white = true;
    QString moveText;
};

// Splits a pasted line into move number, side and move text; the move number saturates.
TPastedMove ParsePastedMove(const QString& clipboardText);
