#pragma once
// The move list's lines: one per move number, White's move from column 5, Black's from column 14
// ("1.  e2-e4    e7-e5"), and the marker lines of a game ended by resignation or agreement (an
// empty line and "resign" or "draw").

#include <QStringList>
#include <vector>

namespace movelist {

// Adds a half-move's text. afterBlack: Black has just moved (the board now has White to move);
// moveNumber: the move number the half-move belongs to.
void AddMove(QStringList& lines, const QString& text, bool afterBlack, int moveNumber);

// Removes the last half-move, first dropping the marker lines after it.
void RemoveLastMove(QStringList& lines);

// Puts a comment, between "(" and ")", at column 24 of the move line at index (0-based), in
// place of an earlier one; later half-moves keep it there. False for a marker line or no line.
bool AddComment(QStringList& lines, int index, const QString& comment);

// Appends the marker lines of a game ended by "resign" or "draw".
void AddMarker(QStringList& lines, const QString& word);

// The game file's move lines: for each list line (1-based number i) "i. " and White's and then
// Black's text, each 8 characters wide, castling written as the king's move.
QStringList GameFileMoves(const QStringList& lines);

// The pieces counted or uncounted when the board goes from placement before to after by taking
// back or replaying half-moves: the characters of a that the balance of material names as
// captured and that b lacks.
std::vector<char> CapturedDifference(const QString& a, const QString& b);

} // namespace movelist
