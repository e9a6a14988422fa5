#pragma once
// The ".sca" file of a tournament program, as far as a game is imported from it: lines 2-6 the
// header lines, round and players, line 7 the start date (DDMMYY), from line 10 on the move lines
// ("e2-e4", "e7xd8=D", "O-O", "O-O-O" at the start of a line of at least 8 characters). The match
// code is not in the file: it stands in the file name, before its last four characters.

#include "board/BoardModel.h"

#include <QList>
#include <QString>
#include <QStringList>

struct TScaMove {
    enum Kind { Plain, CastleShort, CastleLong };
    Kind kind = Plain;
    Square from = None;
    Square to = None;
    // "b", "n", "q" or "r" when the line names a promotion, else 0.
    char promotion = 0;
};

struct TScaGame {
    QString HeaderLine1;
    QString HeaderLine2;
    QString GameRound;
    QString WhitePlayer;
    QString BlackPlayer;
    QString MatchCode;
    int StartDate = 0;
    QList<TScaMove> Moves;

    // Reads and checks the whole file; on failure this object is unchanged and error says why.
    bool Load(const QString& fileName, QString& error);
    // The same from lines already read; false for a file that is not a game.
    bool FromLines(const QStringList& lines, const QString& fileName);
    // Plays the moves for the side to move, each promotion by its letter; refused moves are
    // skipped. replaying is set while the moves are played.
    void Replay(TChessBoardModel& board, char& promotion, bool& replaying) const;
};

namespace scafile {

inline const QString BadFormat = QStringLiteral("Formato di file \".sca\" non riconosciuto");

// The four characters before the last four of the file's name (fewer for a short name).
QString MatchCodeOf(const QString& fileName);
// DDMMYY in days on the original date scale: a year below 29 is in this century.
bool ReadDate(const QString& text, int& days);
// A move line, or false for a line that is not one.
bool ReadMove(const QString& line, TScaMove& move);

} // namespace scafile
