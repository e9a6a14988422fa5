#include "app/ScaFile.h"

#include "app/MoveText.h"
#include "platform/DateTime.h"
#include "platform/TextLines.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A tournament file holds one game of a few hundred lines; anything far larger is not one.
constexpr qint64 MaxScaFileSize = 1024 * 1024;
constexpr int FirstMoveLine = 9;
constexpr int PivotYear = 29;

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool TwoDigits(const QString& text, int& value) {
    if (text.size() != 2 || !IsDigit(text[0]) || !IsDigit(text[1]))
        return false;
    value = (text[0].unicode() - '0') * 10 + (text[1].unicode() - '0');
    return true;
}

} // namespace

namespace scafile {

QString MatchCodeOf(const QString& fileName) {
    const QString name = QFileInfo(fileName).fileName();
    return name.left(std::max<qsizetype>(0, name.size() - 4)).right(4);
}

bool ReadDate(const QString& text, int& days) {
    int day = 0;
    int month = 0;
    int year = 0;
    if (!TwoDigits(text.mid(0, 2), day) || !TwoDigits(text.mid(2, 2), month) ||
        !TwoDigits(text.mid(4, 2), year))
        return false;
    const QDate date(year < PivotYear ? 2000 + year : 1900 + year, month, day);
    if (!date.isValid())
        return false;
    days = platform::DateToDays(date);
    return true;
}

bool ReadMove(const QString& line, TScaMove& move) {
    if (line.size() < 8 || !(line[1] == QLatin1Char('-') || line[2] == QLatin1Char('-') ||
                             line[2] == QLatin1Char('x')))
        return false;
    move = {};
    if (line.startsWith(QLatin1String("O-O-O"))) {
        move.kind = TScaMove::CastleLong;
        return true;
    }
    if (line.startsWith(QLatin1String("O-O"))) {
        move.kind = TScaMove::CastleShort;
        return true;
    }
    move.from = SquareOfText(line[0], line[1]);
    move.to = SquareOfText(line[3], line[4]);
    if (move.from == None || move.to == None)
        return false;
    if (line[6] == QLatin1Char('='))
        move.promotion = PromotionLetter(line[7]);
    return true;
}

} // namespace scafile

bool TScaGame::Load(const QString& fileName, QString& error) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Impossibile aprire il file ") + fileName + QStringLiteral(": ") +
                file.errorString();
        return false;
    }
    const QByteArray data = file.read(MaxScaFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Impossibile leggere il file ") + fileName + QStringLiteral(": ") +
                file.errorString();
        return false;
    }
    if (data.size() > MaxScaFileSize || !FromLines(platform::SplitLines(data), fileName)) {
        error = scafile::BadFormat;
        return false;
    }
    return true;
}

bool TScaGame::FromLines(const QStringList& lines, const QString& fileName) {
    int days = 0;
    if (lines.size() < 7 || !scafile::ReadDate(lines[6], days))
        return false;
    HeaderLine1 = lines[1];
    HeaderLine2 = lines[2];
    GameRound = lines[3];
    WhitePlayer = lines[4];
    BlackPlayer = lines[5];
    StartDate = days;
    MatchCode = scafile::MatchCodeOf(fileName);
    Moves.clear();
    for (qsizetype i = FirstMoveLine; i < lines.size(); ++i) {
        TScaMove move;
        if (scafile::ReadMove(lines[i], move))
            Moves.append(move);
    }
    return true;
}

void TScaGame::Replay(TChessBoardModel& board, char& promotion, bool& replaying) const {
    replaying = true;
    for (const TScaMove& move : Moves) {
        if (move.promotion)
            promotion = move.promotion;
        const bool white = board.WhiteToMove();
        switch (move.kind) {
        case TScaMove::CastleShort:
            board.Move(white ? E1 : E8, white ? G1 : G8);
            break;
        case TScaMove::CastleLong:
            board.Move(white ? E1 : E8, white ? C1 : C8);
            break;
        case TScaMove::Plain:
            board.Move(move.from, move.to);
            break;
        }
    }
    replaying = false;
}
