#include "app/MoveList.h"

namespace movelist {

namespace {

constexpr int WhiteColumn = 4;  // 0-based start of White's text
constexpr int BlackColumn = 13; // 0-based start of Black's text
constexpr int TextWidth = 8;
constexpr int CommentColumn = 23; // 0-based start of a comment's "("

bool isMarker(const QString& line) {
    return line.isEmpty() || line == QLatin1String("resign") || line == QLatin1String("draw");
}

// A line's comment, as the comment command put it: "(" at its column and all that follows.
QString commentOf(const QString& line) {
    return line.size() > CommentColumn && line.at(CommentColumn) == QLatin1Char('(')
               ? line.mid(CommentColumn)
               : QString();
}

QString movesOf(const QString& line) {
    return commentOf(line).isEmpty() ? line : line.left(CommentColumn);
}

QString withComment(const QString& moves, const QString& comment) {
    return comment.isEmpty() ? moves
                             : moves.leftJustified(CommentColumn, QLatin1Char(' ')) + comment;
}

void dropMarkers(QStringList& lines) {
    while (!lines.isEmpty() && isMarker(lines.constLast()))
        lines.removeLast();
}

QString castlingAsKingMove(const QString& text, bool white) {
    if (text.startsWith(QLatin1String("0-0-0")))
        return white ? QStringLiteral("e1-c1") : QStringLiteral("e8-c8");
    if (text.startsWith(QLatin1String("0-0")))
        return white ? QStringLiteral("e1-g1") : QStringLiteral("e8-g8");
    return text;
}

void addFileMove(QStringList& moves, int number, const QString& column, bool white) {
    if (column.trimmed().isEmpty())
        return;
    const QString text =
        castlingAsKingMove(column, white).leftJustified(TextWidth, QLatin1Char(' '));
    moves.append(QString::number(number) + QStringLiteral(". ") + text);
}

int balance(const QString& placement) {
    int result = 0;
    for (const QChar c : placement) {
        if (c.isUpper())
            ++result;
        else if (c.isLower())
            --result;
    }
    return result;
}

} // namespace

void AddMove(QStringList& lines, const QString& text, bool afterBlack, int moveNumber) {
    if (afterBlack && !lines.isEmpty() && !isMarker(lines.constLast())) {
        const QString white = movesOf(lines.constLast()).left(BlackColumn);
        lines.last() = withComment(white.leftJustified(BlackColumn, QLatin1Char(' ')) + text,
                                   commentOf(lines.constLast()));
        return;
    }
    QString line = (QString::number(moveNumber) + QLatin1Char('.'))
                       .leftJustified(WhiteColumn, QLatin1Char(' '));
    if (afterBlack)
        line = line.leftJustified(BlackColumn, QLatin1Char(' ')) + text;
    else
        line = (line + text).leftJustified(BlackColumn, QLatin1Char(' '));
    lines.append(line);
}

void RemoveLastMove(QStringList& lines) {
    dropMarkers(lines);
    if (lines.isEmpty())
        return;
    QString& last = lines.last();
    QString moves = movesOf(last);
    if (!moves.mid(BlackColumn).trimmed().isEmpty()) {
        moves.remove(12, 10);
        if (!moves.mid(WhiteColumn).trimmed().isEmpty()) {
            last = withComment(moves, commentOf(last));
            return;
        }
    }
    lines.removeLast();
}

bool AddComment(QStringList& lines, int index, const QString& comment) {
    if (index < 0 || index >= lines.size() || isMarker(lines.at(index)))
        return false;
    lines[index] =
        withComment(movesOf(lines.at(index)), QLatin1Char('(') + comment + QLatin1Char(')'));
    return true;
}

void AddMarker(QStringList& lines, const QString& word) {
    lines.append(QString());
    lines.append(word);
}

QStringList GameFileMoves(const QStringList& lines) {
    QStringList moves;
    for (int i = 0; i < lines.size(); ++i) {
        if (isMarker(lines[i]))
            continue;
        addFileMove(moves, i + 1, lines[i].mid(WhiteColumn, TextWidth), true);
        addFileMove(moves, i + 1, lines[i].mid(BlackColumn, TextWidth), false);
    }
    return moves;
}

std::vector<char> CapturedDifference(const QString& a, const QString& b) {
    std::vector<char> captured;
    const int difference = balance(a) - balance(b);
    if (difference == 0)
        return captured;
    QString rest = b;
    for (const QChar c : a) {
        if (c == QLatin1Char(' '))
            continue;
        const int found = int(rest.indexOf(c));
        if (found >= 0)
            rest[found] = QLatin1Char(' ');
        else if ((c.isUpper() && difference > 0) || (c.isLower() && difference < 0))
            captured.push_back(char(c.unicode()));
    }
    return captured;
}

} // namespace movelist
