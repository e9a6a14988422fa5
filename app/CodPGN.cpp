#include "app/CodPGN.h"

#include "platform/DateTime.h"
#include "platform/SafeWrite.h"
#include "platform/TextLines.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>

namespace CodPGN {

namespace {

const QString EventLine = QStringLiteral("[Event ");

// A run of digits, nothing else.
bool ReadNumber(const QString& text, int& value) {
    if (text.isEmpty())
        return false;
    value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    return true;
}

int NumberOr(const QString& text, int fallback) {
    int value = 0;
    return ReadNumber(text, value) ? value : fallback;
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\t');
}

// A move number drops out, also where it is glued to the move; a NAG drops out.
void AddToken(QStringList& target, QStringView token) {
    const qsizetype dot = token.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        token = token.mid(dot + 1);
    if (token.isEmpty() || token.startsWith(QLatin1Char('$')))
        return;
    target.append(token.toString());
}

// The index after the "}" that closes the comment opening at i, or the end of the text.
qsizetype AfterComment(const QString& text, qsizetype i) {
    const qsizetype close = text.indexOf(QLatin1Char('}'), i + 1);
    return close < 0 ? text.size() : close + 1;
}

// The index after the ")" that closes the variation opening at i, nested variations and
// comments inside it included, or the end of the text.
qsizetype AfterVariation(const QString& text, qsizetype i) {
    int depth = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('{')) {
            i = AfterComment(text, i);
            continue;
        }
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && --depth == 0)
            return i + 1;
        ++i;
    }
    return i;
}

QString TagLine(const QString& name, const QString& value) {
    return QLatin1Char('[') + name + QStringLiteral(" \"") + value + QStringLiteral("\"]\n");
}

} // namespace

QString GetPgnTagName(const QString& line) {
    const qsizetype open = line.indexOf(QLatin1Char('['));
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (open < 0 || blank < 0 || blank < open)
        return {};
    return line.mid(open + 1, blank - open - 1);
}

QString GetPgnTagValue(const QString& line) {
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (!line.contains(QLatin1Char('[')) || blank < 0)
        return {};
    QString value = line.mid(blank + 1);
    const qsizetype close = value.indexOf(QLatin1Char(']'));
    if (close >= 0)
        value.truncate(close);
    value.remove(QLatin1Char('"'));
    return value;
}

double PgnDateToDate(const QString& line) {
    const QString value = GetPgnTagValue(line);
    const QDate date(NumberOr(value.mid(0, 4), 1900), NumberOr(value.mid(5, 2), 1),
                     NumberOr(value.mid(8, 2), 1));
    return platform::DateToDays(date.isValid() && date.year() >= 1 ? date : QDate(1900, 1, 1));
}

TPgnTags ReadPgnTags(const QStringList& lines) {
    TPgnTags tags;
    for (const QString& line : lines) {
        const QString name = GetPgnTagName(line);
        if (name == QLatin1String("Event"))
            tags.Event = GetPgnTagValue(line);
        else if (name == QLatin1String("Site"))
            tags.Site = GetPgnTagValue(line);
        else if (name == QLatin1String("Date"))
            tags.Date = PgnDateToDate(line);
        else if (name == QLatin1String("Round"))
            tags.Round = GetPgnTagValue(line);
        else if (name == QLatin1String("White"))
            tags.White = GetPgnTagValue(line);
        else if (name == QLatin1String("Black"))
            tags.Black = GetPgnTagValue(line);
        else if (name == QLatin1String("Result"))
            tags.Result = GetPgnTagValue(line);
    }
    return tags;
}

QStringList ReadPgnMoves(const QStringList& lines) {
    QString text;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 1;
    text.reserve(size);
    for (const QString& line : lines) {
        const qsizetype semicolon = line.indexOf(QLatin1Char(';'));
        text += semicolon < 0 ? QStringView(line) : QStringView(line).left(semicolon);
        text += QLatin1Char(' ');
    }
    QStringList target;
    // A token is one run of characters, or several when comments or variations cut into it.
    QString pieces;
    qsizetype runStart = -1;
    auto endRun = [&](qsizetype end) {
        if (runStart >= 0)
            pieces += QStringView(text).mid(runStart, end - runStart);
        runStart = -1;
    };
    auto endToken = [&](qsizetype end) {
        if (pieces.isEmpty()) {
            if (runStart >= 0)
                AddToken(target, QStringView(text).mid(runStart, end - runStart));
            runStart = -1;
            return;
        }
        endRun(end);
        AddToken(target, pieces);
        pieces.clear();
    };
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('{')) {
            endRun(i);
            i = AfterComment(text, i);
        } else if (c == QLatin1Char('(')) {
            endRun(i);
            i = AfterVariation(text, i);
        } else if (IsBlank(c)) {
            endToken(i);
            ++i;
        } else {
            if (runStart < 0)
                runStart = i;
            ++i;
        }
    }
    endToken(text.size());
    return target;
}

QList<int> IndexPgnGames(const QStringList& lines, bool* excess) {
    QList<int> starts;
    bool more = false;
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith(EventLine))
            continue;
        if (starts.size() == MaxGames) {
            more = true;
            break;
        }
        starts.append(i);
    }
    if (excess)
        *excess = more;
    return starts;
}

TPgnGameLines GameLines(const QStringList& lines, int start) {
    TPgnGameLines game;
    auto nextGame = [&](int i) { return i > start && lines[i].startsWith(EventLine); };
    int i = start;
    while (i < lines.size() && lines[i].startsWith(QLatin1Char('[')) && !nextGame(i))
        game.Tags.append(lines[i++]);
    if (i < lines.size() && lines[i].isEmpty())
        ++i;
    while (i < lines.size() && !lines[i].isEmpty() && !nextGame(i))
        game.Moves.append(lines[i++]);
    return game;
}

char PgnPromotionLetter(const QString& move, char current) {
    const qsizetype equals = move.indexOf(QLatin1Char('='));
    if (equals < 0 || equals + 1 >= move.size())
        return current;
    const char letter = move[equals + 1].toLower().toLatin1();
    switch (letter) {
    case 'q':
    case 'r':
    case 'b':
    case 'n':
        return letter;
    default:
        return current;
    }
}

void ReplayPgnMoves(TChessBoardModel& board, const QStringList& moves, char& promotion,
                    bool& replaying) {
    replaying = true;
    for (const QString& move : moves) {
        promotion = PgnPromotionLetter(move, promotion);
        board.MovePGN(move);
    }
    replaying = false;
}

QStringList ExportMovePairs(const TChessBoardModel& board, QString& result) {
    result = QStringLiteral("*");
    const int last = board.CurrentMove() - (board.WhiteToMove() ? 1 : 0);
    QStringList pairs;
    for (int n = 1; n <= last; ++n) {
        QString white = board.GetPgnMove(n, true);
        if (white.isEmpty())
            break;
        const bool whiteMovedLast = n == last && !board.WhiteToMove();
        QString black = whiteMovedLast ? QString() : board.GetPgnMove(n, false);
        if (white.contains(QLatin1Char('#'))) {
            white += QStringLiteral(" 1-0");
            result = QStringLiteral("1-0");
        } else if (black.contains(QLatin1Char('#'))) {
            black += QStringLiteral(" 0-1");
            result = QStringLiteral("0-1");
        }
        pairs.append((QString::number(n) + QLatin1Char('.')).leftJustified(4) +
                     white.leftJustified(16) + black);
    }
    return pairs;
}

QString BuildPgnGame(const TPgnTags& tags, const QStringList& moveLines) {
    const QString date =
        platform::FormatDate(QStringLiteral("yyyy.mm.dd"), platform::DoubleToDateTime(tags.Date));
    QString text =
        TagLine(QStringLiteral("Event"), tags.Event) + TagLine(QStringLiteral("Site"), tags.Site) +
        TagLine(QStringLiteral("Date"), date) + TagLine(QStringLiteral("Round"), tags.Round) +
        TagLine(QStringLiteral("White"), tags.White) +
        TagLine(QStringLiteral("Black"), tags.Black) +
        TagLine(QStringLiteral("Result"), tags.Result) + QLatin1Char('\n');
    for (int i = 0; i < moveLines.size(); ++i) {
        const QString& line = moveLines[i];
        // The moves stand whole in their columns: White's in the 16 after the number.
        const qsizetype numberEnd = std::max<qsizetype>(4, line.indexOf(QLatin1Char('.')) + 1);
        const QString white = line.mid(numberEnd, 16).trimmed();
        const QString black = line.mid(numberEnd + 16).trimmed();
        text += QString::number(i + 1) + QStringLiteral(". ") + white + QLatin1Char(' ') + black +
                QLatin1Char(' ');
        if ((i + 1) % 4 == 0)
            text += QLatin1Char('\n');
    }
    if (tags.Result == QLatin1String("*"))
        text += QLatin1Char('*');
    return text + QLatin1Char('\n');
}

QString ExternalProgram() {
    const QFileInfo info(QDir::current().absoluteFilePath(QStringLiteral("extract.exe")));
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

QString PassThroughExternalProgram(const QString& text, int timeoutMs) {
    const QString program = ExternalProgram();
    if (program.isEmpty())
        return text;
    const QString pattern = QDir::temp().absoluteFilePath(QStringLiteral("pgnXXXXXX"));
    QTemporaryFile input(pattern);
    QTemporaryFile output(pattern);
    const QByteArray data = text.toLatin1();
    if (!input.open() || input.write(data) != data.size() || !input.flush() || !output.open())
        return text;
    input.close();
    output.close();

    QProcess process;
    process.setWorkingDirectory(QStringLiteral("."));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    process.start(program, {input.fileName(), QStringLiteral("-o") + output.fileName(),
                            QStringLiteral("-eeco.pgn"), QStringLiteral("-lpgn.log")});
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
        return text;
    }
    // A program that reports a failure may have left half a game behind.
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return text;
    QFile result(output.fileName());
    const QByteArray written = result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
    return written.isEmpty() ? text : QString::fromLatin1(written);
}

bool WritePgnText(const QString& fileName, const QString& text, bool append, QString* error) {
    QByteArray data = text.toLatin1();
    QFile old(fileName);
    if (append && old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) {
            if (error)
                *error = QStringLiteral("Impossibile leggere il file %1: %2")
                             .arg(fileName, old.errorString());
            return false;
        }
        data = old.readAll() + "\n\n" + data;
        if (old.error() != QFileDevice::NoError) {
            if (error)
                *error = QStringLiteral("Impossibile leggere il file %1: %2")
                             .arg(fileName, old.errorString());
            return false;
        }
    }
    return platform::WriteWholeFile(fileName, data, error);
}

// ---- the reader

TPgnFileReader::TPgnFileReader(QObject* parent) : QObject(parent) {
    FTimer.setInterval(0);
    connect(&FTimer, &QTimer::timeout, this, &TPgnFileReader::ReadSlice);
}

bool TPgnFileReader::Start(const QString& fileName) {
    Abandon();
    FFile.setFileName(fileName);
    if (!FFile.open(QIODevice::ReadOnly))
        return false;
    FTimer.start();
    return true;
}

void TPgnFileReader::Abandon() {
    FTimer.stop();
    FFile.close();
    FPending.clear();
    FLines.clear();
    FGamesFound = 0;
}

QStringList TPgnFileReader::TakeLines() {
    return std::exchange(FLines, QStringList());
}

void TPgnFileReader::AddLines(const QByteArray& data) {
    for (QString& line : platform::SplitLines(data)) {
        if (FGamesFound > MaxGames)
            return;
        if (line.startsWith(EventLine))
            ++FGamesFound;
        FLines.append(std::move(line));
    }
}

void TPgnFileReader::ReadSlice() {
    const QByteArray data = FFile.read(SliceBytes);
    if (data.isEmpty()) {
        AddLines(FPending);
        Finish();
        return;
    }
    FPending += data;
    qsizetype cut = FPending.size();
    // A CR at the end may be the first half of a CR LF.
    if (FPending.endsWith('\r'))
        --cut;
    while (cut > 0 && FPending[cut - 1] != '\n' && FPending[cut - 1] != '\r')
        --cut;
    AddLines(FPending.left(cut));
    FPending.remove(0, cut);
    if (FGamesFound > MaxGames) {
        Finish();
        return;
    }
    emit Progress(FGamesFound);
}

void TPgnFileReader::Finish() {
    FTimer.stop();
    FFile.close();
    FPending.clear();
    emit Finished();
}

} // namespace CodPGN
