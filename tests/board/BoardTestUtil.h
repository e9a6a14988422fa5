#pragma once
// Shared helpers for the board tests: squares by name and games by coordinate text.

#include "board/BoardModel.h"

#include <QString>
#include <QStringList>

inline Square Sq(const char* name) {
    return rules::SquareAt(name[0] - 'a' + 1, name[1] - '0');
}

// Plays "e2e4 e7e5 ..."; returns the number of moves played before the first refusal.
inline int Play(TChessBoardModel& board, const QString& moves) {
    int played = 0;
    for (const QString& m : moves.split(' ', Qt::SkipEmptyParts)) {
        const QByteArray b = m.toLatin1();
        if (!board.Move(Sq(b.constData()), Sq(b.constData() + 2)))
            return played;
        ++played;
    }
    return played;
}
