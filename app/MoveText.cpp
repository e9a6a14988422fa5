#include "app/MoveText.h"

#include <climits>

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ');
}

// Blanks and control characters at both ends.
QString trimmed(const QString& text) {
    int begin = 0;
    int end = int(text.size());
    while (begin < end && text[begin].unicode() <= ' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}

QString castlingAsKingMove(const QString& text, bool whiteToMove) {
    const int p = int(text.indexOf(QLatin1String("0-0")));
    if (p < 0)
        return text;
    const bool queenSide = text.mid(p, 5) == QLatin1String("0-0-0");
    if (whiteToMove)
        return queenSide ? QStringLiteral("e1-c1") : QStringLiteral("e1-g1");
    return queenSide ? QStringLiteral("e8-c8") : QStringLiteral("e8-g8");
}

QString skipMoveNumber(QString text) {
    int i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    while (i < text.size() && text[i] == QLatin1Char('.'))
        ++i;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return trimmed(text.mid(i));
}

int leadingNumber(QString& text) {
    int value = 0;
    int i = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        const int digit = text[i].unicode() - '0';
        value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
    }
    text.remove(0, i);
    return value;
}

} // namespace

char PromotionLetter(QChar italian) {
    switch (italian.toUpper().unicode()) {
    case 'A':
        return 'b';
    case 'C':
        return 'n';
    case 'D':
        return 'q';
    case 'T':
        return 'r';
    default:
        return 0;
    }
}

TMoveCommand ParseMoveText(const QString& input, bool whiteToMove) {
    const QString text = skipMoveNumber(castlingAsKingMove(input, whiteToMove));
    TMoveCommand command;
    if (text.isEmpty() || text == QLatin1String("@8-@8")) {
        command.kind = TMoveCommand::EndOfMoves;
        return command;
    }
    if (text == QLatin1String("resign")) {
        command.kind = TMoveCommand::Resign;
        return command;
    }
    if (text == QLatin1String("draw")) {
        command.kind = TMoveCommand::Draw;
        return command;
    }
    if (text.size() < 5)
        return command;
    if (text.size() >= 7 && text[5] == QLatin1Char('='))
        command.promotion = PromotionLetter(text[6]);
    command.from = SquareOfText(text[0], text[1]);
    command.to = SquareOfText(text[3], text[4]);
    if (command.from != None && command.to != None)
        command.kind = TMoveCommand::PlayMove;
    return command;
}

TPastedMove ParsePastedMove(const QString& clipboardText) {
    TPastedMove pasted;
    pasted.prefix = QStringLiteral("Mossa: ") + clipboardText.left(20);
    QString t = trimmed(clipboardText);
    const QString badFormat = QStringLiteral("Formato mossa non valido");
    if (t.isEmpty()) {
        pasted.error = QStringLiteral("Gli appunti non contengono testo");
        return pasted;
    }
    pasted.moveNumber = leadingNumber(t);
    t = trimmed(t);
    if (pasted.moveNumber == 0 || t.isEmpty()) {
        pasted.error = badFormat;
        return pasted;
    }
    pasted.white = t[0] != QLatin1Char('n') && t[0] != QLatin1Char('N');
    t = trimmed(t.mid(1));
    if (t.isEmpty()) {
        pasted.error = badFormat;
        return pasted;
    }
    pasted.moveText = t;
    pasted.ok = true;
    return pasted;
}
