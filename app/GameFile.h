#pragma once
// The program's own game file (".qzd"): Latin-1 text with CR LF line ends.
//   1 "Quendel", 2 match code, 3 White, 4 Black, 5 round, 6 and 7 header lines, 8 game info,
//   9 start date in whole days, 10 "-------------" (+ "/w_top" when White is at the top),
//   then one line per half-move ("1. e2-e4   ") and "@8-@8".

#include <QString>
#include <QStringList>

struct TGameFile {
    QString MatchCode;
    QString WhitePlayer;
    QString BlackPlayer;
    QString GameRound;
    QString HeaderLine1;
    QString HeaderLine2;
    QString GameInfo;
    int StartDate = 0;
    bool WhiteOnTop = false;
    // The half-move lines, without the end marker.
    QStringList Moves;

    QStringList Lines() const;

    // Writes the whole file or nothing: on failure the old file stays and error says why.
    bool Save(const QString& fileName, QString& error) const;
    // Reads and validates the file; on failure this object is unchanged and error says why.
    bool Load(const QString& fileName, QString& error);
    // The same from lines already read.
    bool FromLines(const QStringList& lines, QString& error);
};

namespace gamefile {

inline const QString Mark = QStringLiteral("Quendel");
inline const QString EndOfMoves = QStringLiteral("@8-@8");
inline const QString BadFormat = QStringLiteral("Formato di file non valido");

} // namespace gamefile
