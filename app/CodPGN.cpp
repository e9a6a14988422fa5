#include "app/CodPGN.h"

#include "platform/DateTime.h"
#include "platform/SafeWrite.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <cstring>

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

// ---- the games of a text

namespace {

QStringList JoinedLines(const QString& text) {
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

qsizetype FindChar(QStringView text, char c, qsizetype from) {
    return text.indexOf(QLatin1Char(c), from);
}

qsizetype FindChar(QLatin1StringView text, char c, qsizetype from) {
    const void* found = std::memchr(text.data() + from, c, size_t(text.size() - from));
    return found ? static_cast<const char*>(found) - text.data() : -1;
}

} // namespace

QStringList TPgnGame::TagLines() const {
    return JoinedLines(Tags);
}

QStringList TPgnGame::MoveLines() const {
    return JoinedLines(Moves);
}

void TPgnGameIndex::Add(QStringView text) {
    AddText(text);
}

void TPgnGameIndex::Add(QLatin1StringView text) {
    AddText(text);
}

void TPgnGameIndex::AddLine(QStringView line) {
    FLineStart = FOffset;
    FOffset += line.size() + 1;
    TakePiece(line);
    EndLine();
}

void TPgnGameIndex::Finish() {
    if (FLineOpen)
        EndLine();
    FAfterCr = false;
    CloseGame();
}

// Each search for a line end goes on from where the last one stopped, so a text with only one
// kind of line end, or none, is still looked at once.
template <typename View> void TPgnGameIndex::AddText(View text) {
    const qsizetype size = text.size();
    const qint64 base = FOffset;
    FOffset += size;
    qsizetype nextLf = -1;
    qsizetype nextCr = -1;
    qsizetype i = 0;
    while (i < size && !FExcess) {
        if (FAfterCr) {
            FAfterCr = false;
            if (text[i] == QLatin1Char('\n')) {
                ++i;
                continue;
            }
        }
        if (nextLf < i && nextLf != size)
            nextLf = FindChar(text, '\n', i);
        if (nextLf < 0)
            nextLf = size;
        if (nextCr < i && nextCr != size)
            nextCr = FindChar(text, '\r', i);
        if (nextCr < 0)
            nextCr = size;
        const qsizetype end = std::min(nextLf, nextCr);
        if (!FLineOpen)
            FLineStart = base + i;
        TakePiece(text.sliced(i, end - i));
        if (end == size)
            return;
        FAfterCr = end == nextCr;
        EndLine();
        i = end + 1;
    }
}

template <typename View> void TPgnGameIndex::TakePiece(View piece) {
    if (FExcess || piece.isEmpty())
        return;
    FLineOpen = true;
    if (!FClassified) {
        const qsizetype taken = std::min(EventLine.size() - FHead.size(), piece.size());
        FHead.append(piece.first(taken));
        piece = piece.sliced(taken);
        if (FHead.size() < EventLine.size())
            return;
        Classify();
    }
    Keep(piece);
}

void TPgnGameIndex::EndLine() {
    if (FExcess)
        return;
    if (!FClassified)
        Classify();
    FClassified = false;
    FHead.truncate(0);
    FLineOpen = false;
    ++FLine;
}

// What the line is, told by its first characters: where it goes, and whether it is kept.
void TPgnGameIndex::Classify() {
    FClassified = true;
    FKeeping = false;
    if (FHead == EventLine) {
        CloseGame();
        if (FGames.size() == MaxGames) {
            FExcess = true;
            FPart = TPart::None;
            return;
        }
        FGames.append(TPgnGame{});
        FGames.last().Line = FLine;
        FGames.last().Start = FLineStart;
        FPart = TPart::Tags;
        FPartSize = 0;
    } else if (FPart == TPart::Tags && (FHead.isEmpty() || !FHead.startsWith(QLatin1Char('[')))) {
        // One empty line after the tags is passed over.
        FPart = TPart::Moves;
        FPartSize = 0;
        if (FHead.isEmpty())
            return;
    } else if (FPart == TPart::Moves && FHead.isEmpty()) {
        FPart = TPart::None;
    }
    if (FPart == TPart::None)
        return;
    if (FPartSize > 0) {
        // A line feed with nothing after it would read as an empty line.
        if (MaxGameText - FGames.last().Size < 2) {
            FGames.last().Cut = true;
            FPart = TPart::None;
            return;
        }
        Append(QLatin1StringView("\n"));
    }
    FKeeping = true;
    Keep(QStringView(FHead));
}

template <typename View> void TPgnGameIndex::Append(View piece) {
    TPgnGame& game = FGames.last();
    if (FKeepText)
        (FPart == TPart::Tags ? game.Tags : game.Moves).append(piece);
    game.Size += piece.size();
    FPartSize += piece.size();
}

template <typename View> void TPgnGameIndex::Keep(View piece) {
    if (!FKeeping || piece.isEmpty())
        return;
    const qsizetype room = MaxGameText - FGames.last().Size;
    if (piece.size() <= room) {
        Append(piece);
        return;
    }
    Append(piece.first(room));
    FGames.last().Cut = true;
    FKeeping = false;
    FPart = TPart::None;
}

// A finished game gives back what its strings reserved while growing.
void TPgnGameIndex::CloseGame() {
    if (FGames.isEmpty())
        return;
    FGames.last().Tags.squeeze();
    FGames.last().Moves.squeeze();
}

QList<int> IndexPgnGames(const QStringList& lines, bool* excess) {
    TPgnGameIndex index;
    for (const QString& line : lines) {
        index.AddLine(line);
        if (index.Excess())
            break;
    }
    QList<int> starts;
    for (const TPgnGame& game : index.Games())
        starts.append(int(game.Line));
    if (excess)
        *excess = index.Excess();
    return starts;
}

TPgnGameLines GameLines(const QStringList& lines, int start) {
    TPgnGameIndex index;
    for (qsizetype i = start; i < lines.size(); ++i) {
        index.AddLine(lines[i]);
        if (!index.Taking() || index.Games().size() > 1)
            break;
    }
    if (index.Games().isEmpty())
        return {};
    const TPgnGame& game = index.Games().first();
    return {game.TagLines(), game.MoveLines()};
}

QString ShownText(QStringView text) {
    static const QString lineMark = QStringLiteral(" [...]");
    static const QString restMark = QStringLiteral("[... il resto del testo non e' mostrato]");
    QString shown;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        const QStringView line = text.sliced(start, end - start);
        const bool longLine = line.size() > MaxShownLine;
        const qsizetype size =
            (start > 0 ? 1 : 0) + (longLine ? MaxShownLine + lineMark.size() : line.size());
        if (shown.size() + size > MaxShownText - 1 - restMark.size()) {
            if (start > 0)
                shown += QLatin1Char('\n');
            shown += restMark;
            break;
        }
        if (start > 0)
            shown += QLatin1Char('\n');
        if (longLine)
            shown.append(line.first(MaxShownLine)).append(lineMark);
        else
            shown += line;
        start = end + 1;
    }
    return shown;
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
    // One game's worth at most: a program that writes more has not just rewritten the game.
    QFile result(output.fileName());
    if (!result.open(QIODevice::ReadOnly) || result.size() > MaxGameText)
        return text;
    const QByteArray written = result.read(MaxGameText + 1);
    return written.isEmpty() || written.size() > MaxGameText ? text : QString::fromLatin1(written);
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

TPgnReader::TPgnReader(QObject* parent) : QObject(parent) {
    FTimer.setInterval(0);
    connect(&FTimer, &QTimer::timeout, this, &TPgnReader::ReadSlice);
}

bool TPgnReader::Start(const QString& fileName) {
    Abandon();
    FFile.setFileName(fileName);
    if (!FFile.open(QIODevice::ReadOnly))
        return false;
    const QFileInfo info(fileName);
    FFileName = fileName;
    FFileSize = info.size();
    FFileTime = info.lastModified();
    FBuffer.resize(SliceBytes);
    FTimer.start();
    return true;
}

void TPgnReader::StartText(const QString& text) {
    Abandon();
    FText = text;
    FTimer.start();
}

void TPgnReader::Abandon() {
    FTimer.stop();
    FFile.close();
    FBuffer = QByteArray();
    FFileName.clear();
    FText.clear();
    FTextRead = 0;
    FIndex = TPgnGameIndex(false);
}

// A read error ends the reading with the games read so far.
void TPgnReader::ReadSlice() {
    bool more = false;
    if (FFile.isOpen()) {
        const qint64 read = FFile.read(FBuffer.data(), SliceBytes);
        if (read > 0)
            FIndex.Add(QLatin1StringView(FBuffer.constData(), qsizetype(read)));
        more = read > 0;
    } else {
        const QStringView slice = QStringView(FText).sliced(FTextRead).first(
            std::min(SliceBytes, FText.size() - FTextRead));
        FIndex.Add(slice);
        FTextRead += slice.size();
        more = FTextRead < FText.size();
    }
    if (more && !FIndex.Excess()) {
        emit Progress(GamesFound());
        return;
    }
    Finish();
}

// The source stays for reading its games again.
void TPgnReader::Finish() {
    FTimer.stop();
    FFile.close();
    FBuffer = QByteArray();
    FTextRead = 0;
    FIndex.Finish();
    emit Finished();
}

// The game is read from its first line until it has all it keeps, in pieces growing from a small
// one, so that a short game costs little more than its own text. A game's text and the line ends
// it drops are well within ReadLimit, which bounds what a changed file can make us read. A file
// whose size or time changed since it was read is not trusted to hold its games where they were.
bool TPgnReader::ReadGame(const TPgnGame& place, TPgnGame& game) const {
    constexpr qint64 ReadLimit = 4 * MaxGameText;
    constexpr qint64 LargestPiece = 64 * 1024;
    TPgnGameIndex index;
    qint64 read = 0;
    qint64 piece = 1024;
    const auto grow = [&] { piece = std::min(2 * piece, LargestPiece); };
    const auto complete = [&] {
        const QList<TPgnGame>& games = index.Games();
        return games.size() > 1 || (games.size() == 1 && !index.Taking()) || read >= ReadLimit;
    };
    if (!FFileName.isEmpty()) {
        const QFileInfo info(FFileName);
        if (!info.isFile() || info.size() != FFileSize || info.lastModified() != FFileTime)
            return false;
        QFile file(FFileName);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(place.Start))
            return false;
        QByteArray buffer(LargestPiece, Qt::Uninitialized);
        while (!complete()) {
            const qint64 got = file.read(buffer.data(), piece);
            if (got < 0)
                return false;
            if (got == 0)
                break;
            index.Add(QLatin1StringView(buffer.constData(), qsizetype(got)));
            read += got;
            grow();
        }
    } else {
        if (place.Start < 0 || place.Start > FText.size())
            return false;
        while (!complete() && place.Start + read < FText.size()) {
            const qsizetype size = qsizetype(std::min(piece, FText.size() - place.Start - read));
            index.Add(QStringView(FText).sliced(qsizetype(place.Start + read), size));
            read += size;
            grow();
        }
    }
    index.Finish();
    const QList<TPgnGame>& games = index.Games();
    // The place must begin the game, not merely lead to one further on.
    if (games.isEmpty() || games.first().Line != 0 || games.first().Size != place.Size ||
        games.first().Cut != place.Cut)
        return false;
    game = games.first();
    game.Line = place.Line;
    game.Start = place.Start;
    return true;
}

} // namespace CodPGN
