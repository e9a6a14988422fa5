#include "app/GameFile.h"

#include "platform/SafeWrite.h"
#include "platform/TextLines.h"

#include <QFile>

namespace {

const QString Dashes = QStringLiteral("-------------");
const QString WhiteOnTopMark = QStringLiteral("w_top");

// A game holds at most a few hundred half-moves; anything far larger is not a game file.
constexpr qint64 MaxGameFileSize = 1024 * 1024;

bool readDays(const QString& text, int& days) {
    bool ok = false;
    days = text.trimmed().toInt(&ok, 10);
    return ok;
}

} // namespace

QStringList TGameFile::Lines() const {
    QStringList lines{gamefile::Mark, MatchCode, WhitePlayer,
                      BlackPlayer,    GameRound, HeaderLine1,
                      HeaderLine2,    GameInfo,  QString::number(StartDate)};
    lines.append(WhiteOnTop ? Dashes + QLatin1Char('/') + WhiteOnTopMark : Dashes);
    lines.append(Moves);
    lines.append(gamefile::EndOfMoves);
    return lines;
}

bool TGameFile::Save(const QString& fileName, QString& error) const {
    return platform::WriteLines(fileName, Lines(), &error);
}

bool TGameFile::Load(const QString& fileName, QString& error) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Impossibile aprire il file ") + fileName + QStringLiteral(": ") +
                file.errorString();
        return false;
    }
    if (file.size() > MaxGameFileSize) {
        error = gamefile::BadFormat;
        return false;
    }
    const QByteArray data = file.read(MaxGameFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Impossibile leggere il file ") + fileName + QStringLiteral(": ") +
                file.errorString();
        return false;
    }
    if (data.size() > MaxGameFileSize) {
        error = gamefile::BadFormat;
        return false;
    }
    return FromLines(platform::SplitLines(data), error);
}

bool TGameFile::FromLines(const QStringList& lines, QString& error) {
    int days = 0;
    if (lines.size() < 9 || lines[0] != gamefile::Mark || !readDays(lines[8], days)) {
        error = gamefile::BadFormat;
        return false;
    }
    MatchCode = lines[1];
    WhitePlayer = lines[2];
    BlackPlayer = lines[3];
    GameRound = lines[4];
    HeaderLine1 = lines[5];
    HeaderLine2 = lines[6];
    GameInfo = lines[7];
    StartDate = days;
    WhiteOnTop = lines.size() > 9 && lines[9].contains(WhiteOnTopMark);
    Moves = lines.mid(10);
    const qsizetype end = Moves.indexOf(gamefile::EndOfMoves);
    if (end >= 0)
        Moves = Moves.mid(0, end);
    return true;
}
