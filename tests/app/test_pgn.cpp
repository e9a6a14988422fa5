// PGN text: tags, dates, move tokens, the game index, the exported game, writing, the sliced
// reader and the external program.
#include "ChildProcess.h"
#include "app/CodPGN.h"
#include "platform/DateTime.h"
#include "platform/TextLines.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <iostream>

using namespace CodPGN;

namespace {

int Days(int y, int m, int d) {
    return platform::DateToDays(QDate(y, m, d));
}

QByteArray ReadAll(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Write(const QString& name, const QByteArray& data, bool executable = false) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QStringList Split(const QString& text) {
    return text.split(QLatin1Char('\n'));
}

QString Game(int number) {
    return QStringLiteral("[Event \"E%1\"]\n[White \"W%1\"]\n\n1. e4 e5\n\n").arg(number);
}

// The games of a text as the browser's line-by-line rule splits them.
QList<TPgnGameLines> GamesByLines(const QByteArray& data) {
    const QStringList lines = platform::SplitLines(data);
    QList<TPgnGameLines> games;
    for (const int start : IndexPgnGames(lines))
        games.append(GameLines(lines, start));
    return games;
}

void ExpectSameGames(const QList<TPgnGame>& games, const QList<TPgnGameLines>& expected) {
    ASSERT_EQ(games.size(), expected.size());
    for (qsizetype i = 0; i < games.size(); ++i) {
        EXPECT_EQ(games[i].TagLines(), expected[i].Tags) << i;
        EXPECT_EQ(games[i].MoveLines(), expected[i].Moves) << i;
        EXPECT_FALSE(games[i].Cut) << i;
    }
}

void Play(TChessBoardModel& board, std::initializer_list<std::pair<Square, Square>> moves) {
    for (const auto& [from, to] : moves)
        ASSERT_TRUE(board.Move(from, to));
}

} // namespace

TEST(PgnTags, NameAndValueOfALine) {
    struct Case {
        const char* line;
        const char* name;
        const char* value;
    } cases[] = {
        {"[Event \"Torneo 1\"]", "Event", "Torneo 1"},
        {"[Date \"2001.??.??\"]", "Date", "2001.??.??"},
        {"[White \"Rossi, \"Mario\"\"]", "White", "Rossi, Mario"},
        {"[Site unquoted]", "Site", "unquoted"},
        {"[Round \"3\"] trailing", "Round", "3"},
        {"no bracket here", "", ""},
        {"[NoBlank]", "", ""},
        {"a b [Event \"x\"]", "", "b [Event x"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetPgnTagName(c.line), c.name) << c.line;
        EXPECT_EQ(GetPgnTagValue(c.line), c.value) << c.line;
    }
}

TEST(PgnTags, DatesUnknownOrImpossibleGiveTheFirstOf1900) {
    struct Case {
        const char* line;
        int days;
    } cases[] = {
        {"[Date \"2001.??.??\"]", Days(2001, 1, 1)},   {"[Date \"????.??.??\"]", Days(1900, 1, 1)},
        {"[Date \"1999.12.31\"]", Days(1999, 12, 31)}, {"[Date \"2024.02.29\"]", Days(2024, 2, 29)},
        {"[Date \"2023.02.29\"]", Days(1900, 1, 1)},   {"[Date \"2001.13.01\"]", Days(1900, 1, 1)},
        {"[Date \"0000.01.01\"]", Days(1900, 1, 1)},   {"[Date \"-999.01.01\"]", Days(1900, 1, 1)},
        {"[Date \"2001\"]", Days(2001, 1, 1)},         {"[Date \"\"]", Days(1900, 1, 1)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PgnDateToDate(c.line), c.days) << c.line;
}

TEST(PgnTags, TheSevenTagsAreReadOthersIgnored) {
    const TPgnTags tags = ReadPgnTags({"[Event \"E\"]", "[Site \"S\"]", "[Date \"2002.03.04\"]",
                                       "[Round \"R\"]", "[White \"W\"]", "[Black \"B\"]",
                                       "[Result \"1-0\"]", "[ECO \"C20\"]", "[event \"lower\"]"});
    EXPECT_EQ(tags.Event, "E");
    EXPECT_EQ(tags.Site, "S");
    EXPECT_EQ(tags.Date, Days(2002, 3, 4));
    EXPECT_EQ(tags.Round, "R");
    EXPECT_EQ(tags.White, "W");
    EXPECT_EQ(tags.Black, "B");
    EXPECT_EQ(tags.Result, "1-0");
    EXPECT_EQ(ReadPgnTags({}).Date, 0);
}

TEST(PgnMoves, TokensWithoutCommentsVariationsNumbersAndNags) {
    struct Case {
        QStringList lines;
        QStringList tokens;
    } cases[] = {
        {{"1. e4 e5 {good} 2. Nf3 ; comment"}, {"e4", "e5", "Nf3"}},
        {{"1.e4 e5 2.Nf3 Nc6 12...Nf6"}, {"e4", "e5", "Nf3", "Nc6", "Nf6"}},
        {{"12. 12... e4"}, {"e4"}},
        {{"1. e4 (1. d4 d5 (1... Nf6 2. c4)) e5"}, {"e4", "e5"}},
        {{"1. e4 ( d4 {a ) in a comment} d5 ) e5"}, {"e4", "e5"}},
        {{"1. e4 $1 e5 $14 2. Nf3"}, {"e4", "e5", "Nf3"}},
        {{"1. e4 {a comment", "over lines} e5"}, {"e4", "e5"}},
        {{"1. e4 {never closed e5 Nf3"}, {"e4"}},
        {{"1. e4 (never closed e5"}, {"e4"}},
        {{"1. e4\r\te5\r\n", "  2.   Nf3   "}, {"e4", "e5", "Nf3"}},
        {{"1. e4 e5 1-0"}, {"e4", "e5", "1-0"}},
        {{"1. e4 ; a ( in a line comment", "e5"}, {"e4", "e5"}},
        {{"e8=Q+ O-O-O Nbd7"}, {"e8=Q+", "O-O-O", "Nbd7"}},
        // A comment or a variation inside a token joins its two halves.
        {{"1. e4{x}e5 Nf3(1... Nc6)Nc6 3.{y}d4"}, {"e4e5", "Nf3Nc6", "d4"}},
        {{"1.e4{x}"}, {"e4"}},
        {{}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadPgnMoves(c.lines), c.tokens) << c.lines.join('|').toStdString();
}

TEST(PgnIndex, OnlyEventLinesStartGamesUpToTheCap) {
    bool excess = true;
    const QStringList three = Split("junk\n" + Game(1) + " [Event \"not a start\"]\n" + Game(2) +
                                    "[Eventual]\n" + Game(3));
    EXPECT_EQ(IndexPgnGames(three, &excess), (QList<int>{1, 7, 13}));
    EXPECT_FALSE(excess);

    for (const int count : {MaxGames, MaxGames + 904}) {
        QString text;
        for (int i = 0; i < count; ++i)
            text += Game(i);
        const QList<int> starts = IndexPgnGames(Split(text), &excess);
        EXPECT_EQ(starts.size(), MaxGames);
        EXPECT_EQ(excess, count > MaxGames);
    }
}

TEST(PgnIndex, GameLinesSplitTagsFromMoves) {
    const QStringList lines =
        Split("[Event \"A\"]\n[Site \"S\"]\n\n1. e4 e5\n2. Nf3\n\ntrailing\n[Event \"B\"]\n"
              "[Round \"1\"]\n1. d4\n[Event \"C\"]\n\n\n1. c4");
    const TPgnGameLines first = GameLines(lines, 0);
    EXPECT_EQ(first.Tags, (QStringList{"[Event \"A\"]", "[Site \"S\"]"}));
    EXPECT_EQ(first.Moves, (QStringList{"1. e4 e5", "2. Nf3"}));
    const TPgnGameLines second = GameLines(lines, 7);
    EXPECT_EQ(second.Tags, (QStringList{"[Event \"B\"]", "[Round \"1\"]"}));
    EXPECT_EQ(second.Moves, (QStringList{"1. d4"}));
    const TPgnGameLines third = GameLines(lines, 10);
    EXPECT_EQ(third.Tags, (QStringList{"[Event \"C\"]"}));
    EXPECT_TRUE(third.Moves.isEmpty());
}

namespace {

// The games of a text fed to an index in pieces of one size, as Latin-1 bytes or as text.
QList<TPgnGame> IndexedInPieces(const QByteArray& data, qsizetype piece, bool latin1,
                                bool keepText = true) {
    TPgnGameIndex index(keepText);
    const QString text = QString::fromLatin1(data);
    for (qsizetype at = 0; at < data.size(); at += piece) {
        if (latin1)
            index.Add(QLatin1StringView(data).sliced(at, std::min(piece, data.size() - at)));
        else
            index.Add(QStringView(text).sliced(at, std::min(piece, text.size() - at)));
    }
    index.Finish();
    return index.Games();
}

} // namespace

TEST(PgnIndex, TextInPiecesOfAnySizeGivesTheGamesOfItsLines) {
    const QByteArray texts[] = {
        "",
        "junk\r\n[Event \"A\"]\r[Site \"S\"]\r\n\r\n1. e4 e5\n2. Nf3\n\ntrailing\r\n"
        "[Event \"B\"]\n[Round \"1\"]\n1. d4\r\n[Event \"C\"]\n\n\n1. c4",
        "[Event \"A\"]\n[Eventual]\n [Event \"x\"]\n\n1. e4\n[Event \"B\"]",
        "[Event\n[Event \"A\"]\r\r1. e4\r\r[Event \"B\"]\r\n\r\n[Event \"C\"]\n[",
        "[Event \"A\"]\n\n\n\n[Event \"B\"]\n1. e4 {a\r\ncomment}\r\n\r\n",
    };
    for (const QByteArray& data : texts) {
        const QList<TPgnGameLines> expected = GamesByLines(data);
        for (const bool latin1 : {true, false}) {
            for (const qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7),
                                          qsizetype(8), qsizetype(1) << 20}) {
                SCOPED_TRACE(data.left(20).toStdString() + " piece " + std::to_string(piece));
                const QList<TPgnGame> games = IndexedInPieces(data, piece, latin1);
                ExpectSameGames(games, expected);
                // Keeping only places, each game begins where it is said to and is as long.
                const QList<TPgnGame> places = IndexedInPieces(data, piece, latin1, false);
                ASSERT_EQ(places.size(), games.size());
                for (qsizetype i = 0; i < games.size(); ++i) {
                    EXPECT_TRUE(places[i].Tags.isEmpty() && places[i].Moves.isEmpty());
                    EXPECT_EQ(places[i].Start, games[i].Start);
                    EXPECT_TRUE(data.sliced(places[i].Start).startsWith("[Event ")) << i;
                    EXPECT_EQ(places[i].Size, games[i].Tags.size() + games[i].Moves.size());
                }
            }
        }
    }
}

TEST(PgnIndex, AGameBeyondTheBoundIsKeptUpToItAndMarkedCut) {
    const QByteArray event = "[Event \"A\"]";
    const QByteArray next = "\n\n[Event \"B\"]\n\n1. d4\n";
    const qsizetype room = MaxGameText - event.size(); // what the moves may take
    struct Case {
        const char* what;
        QByteArray text;
        bool cut;
        qsizetype tags;
        qsizetype moves; // -1: any size up to the room
    } cases[] = {
        {"a move line that just fits", event + "\n\n" + QByteArray(room, 'x') + next, false,
         event.size(), room},
        {"one character more", event + "\n\n" + QByteArray(room + 1, 'x') + next, true,
         event.size(), room},
        {"a long comment line",
         event + "\n\n1. e4 {" + QByteArray(3 * MaxGameText, 'x') + "} e5" + next, true,
         event.size(), room},
        {"short lines", event + "\n\n" + QByteArray(MaxGameText, 'x').replace("xx", "e4\n") + next,
         true, event.size(), -1},
        {"a tag line without a line end", event + "\n[Site \"" + QByteArray(2 * MaxGameText, '\0'),
         true, MaxGameText, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<TPgnGame> games = IndexedInPieces(c.text, 1000, true);
        ASSERT_GE(games.size(), 1);
        const TPgnGame& game = games[0];
        EXPECT_EQ(game.Cut, c.cut);
        EXPECT_EQ(game.Tags.size(), c.tags);
        EXPECT_TRUE(game.Tags.startsWith(event));
        if (c.moves >= 0) {
            EXPECT_EQ(game.Moves.size(), c.moves);
        }
        EXPECT_LE(game.Tags.size() + game.Moves.size(), MaxGameText);
        EXPECT_FALSE(game.Moves.endsWith('\n'));
        // The game after a cut one is whole.
        if (c.text.endsWith(next)) {
            ASSERT_EQ(games.size(), 2);
            EXPECT_EQ(games[1].MoveLines(), QStringList{"1. d4"});
            EXPECT_FALSE(games[1].Cut);
        }
    }
}

TEST(PgnShown, LongLinesAndLongTextsAreCutWithAMark) {
    const QString line(MaxShownLine, 'x');
    struct Case {
        QString text;
        QString shown;
    } cases[] = {
        {"", ""},
        {"[Event \"A\"]\n[Site \"S\"]", "[Event \"A\"]\n[Site \"S\"]"},
        {line + "\n" + line, line + "\n" + line},
        {"a\n" + line + "y\nb", "a\n" + line + " [...]\nb"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShownText(c.text), c.shown) << c.text.left(20).toStdString();

    const QString rest = "[... il resto del testo non e' mostrato]";
    for (const QString& longText : {QString(MaxShownText * 3, '('), (line + "\n").repeated(100),
                                    QString("e4\n").repeated(MaxShownText)}) {
        const QString shown = ShownText(longText);
        EXPECT_LE(shown.size(), MaxShownText);
        EXPECT_TRUE(shown.endsWith("\n" + rest) || shown.endsWith(" [...]"))
            << shown.right(50).toStdString();
        for (const QString& shownLine : shown.split('\n'))
            EXPECT_LE(shownLine.size(), MaxShownLine + 6);
        const QString kept = shown.left(shown.indexOf(rest));
        EXPECT_TRUE(longText.startsWith(kept.left(MaxShownLine)));
    }
}

TEST(PgnReplay, PromotionLettersCountOnlyForFourPieces) {
    struct Case {
        const char* move;
        char result;
    } cases[] = {{"e8=Q", 'q'}, {"e8=n+", 'n'}, {"b1=R#", 'r'}, {"a8=B", 'b'},
                 {"e8=K", 'x'}, {"e8=", 'x'},   {"e8Q", 'x'},   {"Nf3", 'x'}};
    for (const Case& c : cases)
        EXPECT_EQ(PgnPromotionLetter(c.move, 'x'), c.result) << c.move;
}

TEST(PgnReplay, RefusedMovesAreSkippedAndPromotionsTakeTheirLetter) {
    TChessBoardModel board;
    ASSERT_TRUE(board.SetFENPosition("8/4P3/8/8/8/8/k7/4K3 w - - 0 1"));
    char promotion = 'q';
    bool replaying = false;
    board.OnPromotion = [&](TChessBoardModel*, Square, Square, char& piece) {
        EXPECT_TRUE(replaying);
        piece = promotion;
    };
    ReplayPgnMoves(board, {"Zz9", "e8=N", "1-0", "Ka3", "*"}, promotion, replaying);
    EXPECT_FALSE(replaying);
    EXPECT_EQ(promotion, 'n');
    EXPECT_EQ(board.Squares()[E8], 'N');
    EXPECT_EQ(board.Squares()[A3], 'k');
}

namespace {

const TPgnTags ExportTags{"T1", "H1 - H2", double(Days(2024, 3, 5)), "2", "Anna", "Bruno", ""};

const QString TagText = QStringLiteral("[Event \"T1\"]\n[Site \"H1 - H2\"]\n[Date \"2024.03.05\"]\n"
                                       "[Round \"2\"]\n[White \"Anna\"]\n[Black \"Bruno\"]\n");

} // namespace

TEST(PgnExport, GamesAreWrittenByteForByte) {
    using Moves = std::initializer_list<std::pair<Square, Square>>;
    struct Case {
        const char* name;
        Moves moves;
        const char* result;
        const char* text;
    } cases[] = {
        {"no moves", {}, "*", "*\n"},
        {"unfinished", {{E2, E4}, {E7, E5}, {G1, F3}}, "*", "1. e2-e4 e7-e5 2. Ng1-f3  *\n"},
        {"Black mates",
         {{F2, F3}, {E7, E5}, {G2, G4}, {D8, H4}},
         "0-1",
         "1. f2-f3 e7-e5 2. g2-g4 Qd8-h4# 0-1 \n"},
        {"White mates on the fourth move",
         {{E2, E4}, {E7, E5}, {F1, C4}, {B8, C6}, {D1, H5}, {G8, F6}, {H5, F7}},
         "1-0",
         "1. e2-e4 e7-e5 2. Bf1-c4 Nb8-c6 3. Qd1-h5 Ng8-f6 4. Qh5xf7# 1-0  \n\n"},
        {"five moves",
         {{E2, E4},
          {E7, E5},
          {G1, F3},
          {B8, C6},
          {F1, C4},
          {F8, C5},
          {C2, C3},
          {G8, F6},
          {D2, D3},
          {D7, D6}},
         "*",
         "1. e2-e4 e7-e5 2. Ng1-f3 Nb8-c6 3. Bf1-c4 Bf8-c5 4. c2-c3 Ng8-f6 \n"
         "5. d2-d3 d7-d6 *\n"},
    };
    for (const Case& c : cases) {
        TChessBoardModel board;
        Play(board, c.moves);
        TPgnTags tags = ExportTags;
        const QStringList pairs = ExportMovePairs(board, tags.Result);
        EXPECT_EQ(tags.Result, c.result) << c.name;
        EXPECT_EQ(BuildPgnGame(tags, pairs),
                  TagText + "[Result \"" + c.result + "\"]\n\n" + QString::fromLatin1(c.text))
            << c.name;
    }
}

TEST(PgnExport, MoveLinesKeepTheirColumns) {
    TChessBoardModel board;
    Play(board, {{F2, F3}, {E7, E5}, {G2, G4}, {D8, H4}});
    QString result;
    EXPECT_EQ(ExportMovePairs(board, result),
              (QStringList{"1.  f2-f3           e7-e5", "2.  g2-g4           Qd8-h4# 0-1"}));
    // Taken back to White's move: Black's answer is not part of the game.
    ASSERT_TRUE(board.MoveBackward());
    ASSERT_TRUE(board.MoveBackward());
    ASSERT_TRUE(board.MoveBackward());
    EXPECT_EQ(ExportMovePairs(board, result), (QStringList{"1.  f2-f3           "}));
}

TEST(PgnWrite, ReplaceAppendAndAFailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString name = dir.filePath("out.pgn");
    QString error;
    ASSERT_TRUE(WritePgnText(name, "first\n", false, &error));
    ASSERT_TRUE(WritePgnText(name, "second\n", true, &error));
    EXPECT_EQ(ReadAll(name), "first\n\n\nsecond\n");
    ASSERT_TRUE(WritePgnText(name, "third\n", false, &error));
    EXPECT_EQ(ReadAll(name), "third\n");

    // A folder in the file's place can be neither read nor replaced.
    const QString folder = dir.filePath("folder.pgn");
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const bool append : {true, false}) {
        error.clear();
        EXPECT_FALSE(WritePgnText(folder, "lost\n", append, &error));
        EXPECT_TRUE(error.contains(folder)) << error.toStdString();
        EXPECT_TRUE(QFileInfo(folder).isDir());
    }
}

namespace {

struct ReaderRun {
    QList<TPgnGame> games;
    bool excess = false;
    int progress = 0;
};

// Reads a file, or text when no file is named, to its end through the event loop; the reader
// keeps where the games are, and each is read again from there.
ReaderRun ReadWhole(const QString& name, const QString& text = {}) {
    TPgnReader reader;
    ReaderRun run;
    QObject::connect(&reader, &TPgnReader::Progress, [&] { ++run.progress; });
    QSignalSpy finished(&reader, &TPgnReader::Finished);
    if (name.isEmpty())
        reader.StartText(text);
    else
        EXPECT_TRUE(reader.Start(name));
    EXPECT_TRUE(finished.wait(20000));
    EXPECT_FALSE(reader.Busy());
    run.excess = reader.Excess();
    for (const TPgnGame& place : reader.TakeGames()) {
        EXPECT_TRUE(place.Tags.isEmpty() && place.Moves.isEmpty()) << "text kept at " << place.Line;
        TPgnGame game;
        EXPECT_TRUE(reader.ReadGame(place, game)) << "game at line " << place.Line;
        EXPECT_EQ(game.Cut, place.Cut);
        run.games.append(game);
    }
    return run;
}

} // namespace

TEST(PgnReader, LargeFilesAreReadInSlicesWhateverTheLineEnds) {
    QTemporaryDir dir;
    const QString name = dir.filePath("big.pgn");
    QByteArray data = "junk before the first game\r";
    int lines = 0;
    const char* const ends[] = {"\r\n", "\n", "\r"};
    auto end = [&] { return ends[lines++ % 3]; };
    for (int game = 0; data.size() < 3 * TPgnReader::SliceBytes; ++game) {
        data += "[Event \"E" + QByteArray::number(game) + "\"]" + end() + "[Round \"1\"]" + end() +
                end();
        for (int line = 0; line < 100; ++line)
            data += "1. e4 e5 2. Nf3 " + QByteArray::number(line) + end();
        data += QByteArray(end()) + "trailing" + end();
    }
    // A CR LF split by a slice's end is one line end.
    data.insert(TPgnReader::SliceBytes - 1, "\r\n");
    Write(name, data);
    const ReaderRun run = ReadWhole(name);
    EXPECT_GE(run.progress, 2);
    EXPECT_FALSE(run.excess);
    ExpectSameGames(run.games, GamesByLines(data));

    // Text from the clipboard takes the same road.
    const ReaderRun pasted = ReadWhole({}, QString::fromLatin1(data));
    EXPECT_GE(pasted.progress, 2);
    ExpectSameGames(pasted.games, GamesByLines(data));
}

TEST(PgnReader, StopsAfterTheFirstGameBeyondTheCapAndCanBeAbandoned) {
    QTemporaryDir dir;
    const QString name = dir.filePath("many.pgn");
    QByteArray data;
    for (int i = 0; i < MaxGames + 500; ++i)
        data += Game(i).toLatin1();
    Write(name, data);
    const ReaderRun run = ReadWhole(name);
    EXPECT_EQ(run.games.size(), MaxGames);
    EXPECT_TRUE(run.excess);
    EXPECT_EQ(run.games.last().Tags,
              QStringLiteral("[Event \"E%1\"]\n[White \"W%1\"]").arg(MaxGames - 1));

    TPgnReader reader;
    QSignalSpy finished(&reader, &TPgnReader::Finished);
    ASSERT_TRUE(reader.Start(name));
    reader.Abandon();
    QCoreApplication::processEvents();
    EXPECT_FALSE(reader.Busy());
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(reader.TakeGames().isEmpty());
    EXPECT_FALSE(reader.Excess());
    EXPECT_FALSE(reader.Start(dir.filePath("missing.pgn")));
}

namespace {

// Writes count copies of unit after head, in blocks, without holding the whole file.
void WriteRepeated(const QString& name, const QByteArray& head, const QByteArray& unit,
                   qsizetype count, const QByteArray& tail = {}) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(head);
    const qsizetype perBlock = std::max<qsizetype>(1, (1 << 20) / unit.size());
    const QByteArray block = unit.repeated(perBlock);
    for (qsizetype written = 0; written < count; written += perBlock)
        file.write(written + perBlock <= count ? block : unit.repeated(count - written));
    file.write(tail);
    ASSERT_TRUE(file.flush());
}

} // namespace

// Files that once made the reader hold their whole text, many times over, and more: the reader
// holds the games it keeps, each bounded, and goes on through junk to the end.
TEST(PgnReader, HostileFilesAreReadInBoundedMemory) {
    QTemporaryDir dir;
    const QByteArray game = "\n[Event \"ultima\"]\n\n1. e4 e5\n";
    struct Case {
        const char* name;
        QByteArray head;
        QByteArray unit;
        qsizetype count;
        QByteArray tail;
        int games;
        bool firstCut;
    } cases[] = {
        {"two million short lines", "[Event \"righe\"]\n\n", "e4\n", 2'000'000, game, 2, true},
        {"ten million empty lines", "", "\n", 10'000'000, game, 1, false},
        {"100 MB without a line break", "", QByteArray(1, '\0'), 100 << 20, {}, 0, false},
        {"a 100 MB tag line", "[Event \"", "x", 100 << 20, "\"]\n" + game, 2, true},
        {"a 10 MB comment line", "[Event \"commento\"]\n\n1. e4 {", "commento ", (10 << 20) / 9,
         "} e5\n" + game, 2, true},
        {"nested brackets", "[Event \"varianti\"]\n\n1. e4 ", "(", 1 << 20,
         QByteArray(1 << 20, ')') + " e5\n" + game, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = dir.filePath("ostile.pgn");
        WriteRepeated(name, c.head, c.unit, c.count, c.tail);
        const ChildMemoryRun run = RunMeasuringPeakMemory([&] {
            const ReaderRun read = ReadWhole(name);
            const bool right =
                read.games.size() == c.games && !read.excess &&
                (c.games == 0 || read.games[0].Cut == c.firstCut) &&
                (c.games == 0 || read.games.last().MoveLines() == QStringList{"1. e4 e5"});
            return right ? 0 : 1;
        });
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_GE(run.peakGrowthKb, 0);
        EXPECT_LT(run.peakGrowthKb, 32 * 1024);
        std::cout << c.name << ": " << QFileInfo(name).size() / 1024 << " kB read, peak memory +"
                  << run.peakGrowthKb << " kB\n";
    }
}

// A game is read again from where it was found: the same game, or nothing when the file may no
// longer hold it there. A file whose size and time are as they were is looked at for the game.
TEST(PgnReader, AGameIsReadAgainFromItsPlaceOrNotAtAll) {
    QTemporaryDir dir;
    const QString name = dir.filePath("tre.pgn");
    const QByteArray data = "prima\r\n" + (Game(0) + Game(1) + Game(2)).toLatin1();
    QDateTime time;
    // A later time than the reading's, which a rewrite within the same clock tick would not get.
    const auto rewrite = [&](const QByteArray& text) {
        Write(name, text);
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(time.addSecs(2), QFileDevice::FileModificationTime));
    };
    // The same size, and the time put back as if nothing had changed.
    const auto rewriteInPlace = [&](const QByteArray& text) {
        ASSERT_EQ(text.size(), data.size());
        Write(name, text);
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    };
    struct Case {
        const char* what;
        std::function<void()> change;
        bool same;
    } cases[] = {
        {"unchanged", [] {}, true},
        {"written again as it was", [&] { rewriteInPlace(data); }, true},
        {"games added at the end", [&] { rewrite(data + Game(3).toLatin1()); }, false},
        {"the game changed", [&] { rewrite(QByteArray(data).replace("W1", "X1")); }, false},
        {"a game put in front", [&] { rewrite(Game(9).toLatin1() + data); }, false},
        {"cut short", [&] { rewrite(data.left(data.indexOf("[Event \"E1") + 12)); }, false},
        {"emptied", [&] { rewrite({}); }, false},
        {"removed", [&] { QFile::remove(name); }, false},
        {"a folder in its place",
         [&] {
             QFile::remove(name);
             QDir().mkdir(name);
         },
         false},
        {"the games moved, size and time not", [&] { rewriteInPlace(data.mid(2) + "\n\n"); },
         false},
        {"the game grew, size and time not",
         [&] { rewriteInPlace(QByteArray(data).replace("W1\"", "W111\"").replace("W2\"", "\"")); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(name).removeRecursively();
        Write(name, data);
        TPgnReader reader;
        QSignalSpy finished(&reader, &TPgnReader::Finished);
        ASSERT_TRUE(reader.Start(name));
        ASSERT_TRUE(finished.wait(5000));
        const QList<TPgnGame> places = reader.TakeGames();
        ASSERT_EQ(places.size(), 3);
        time = QFileInfo(name).lastModified();
        c.change();
        TPgnGame game;
        EXPECT_EQ(reader.ReadGame(places[1], game), c.same);
        if (c.same) {
            EXPECT_EQ(game.Tags, "[Event \"E1\"]\n[White \"W1\"]");
            EXPECT_EQ(game.MoveLines(), QStringList{"1. e4 e5"});
        }
        // The other games answer alike.
        TPgnGame first;
        const bool firstSame = reader.ReadGame(places[0], first);
        EXPECT_TRUE(!firstSame || first.Tags == "[Event \"E0\"]\n[White \"W0\"]");
    }

    // Text read from the clipboard stays with the reader until another source is chosen.
    TPgnReader reader;
    QSignalSpy finished(&reader, &TPgnReader::Finished);
    reader.StartText(QString::fromLatin1(data));
    ASSERT_TRUE(finished.wait(5000));
    const QList<TPgnGame> places = reader.TakeGames();
    ASSERT_EQ(places.size(), 3);
    TPgnGame game;
    ASSERT_TRUE(reader.ReadGame(places[2], game));
    EXPECT_EQ(game.Tags, "[Event \"E2\"]\n[White \"W2\"]");
    reader.Abandon();
    EXPECT_FALSE(reader.ReadGame(places[2], game));
}

// 4,096 games of a megabyte each, most of it a move line of zeros that the file holds as holes, so
// that the 4 GB file takes little room on the disk: the reader keeps where the games are, and a
// game's text only while it reads it.
TEST(PgnReader, FourThousandGamesOfAMegabyteAreReadInBoundedMemory) {
    QTemporaryDir dir;
    const QString name = dir.filePath("grande.pgn");
    constexpr qint64 GameBytes = 1 << 20;
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < MaxGames; ++i) {
            ASSERT_TRUE(file.seek(i * GameBytes));
            file.write("[Event \"E" + QByteArray::number(i) + "\"]\n\n");
            ASSERT_TRUE(file.seek((i + 1) * GameBytes - 2));
            ASSERT_EQ(file.write("\n\n"), 2);
        }
    }
    ASSERT_EQ(QFileInfo(name).size(), MaxGames * GameBytes);
    const TMeasuredRun run = RunMeasured(
        [&] {
            TPgnReader reader;
            QSignalSpy finished(&reader, &TPgnReader::Finished);
            if (!reader.Start(name) || !finished.wait(120000))
                return std::string("not read");
            const QList<TPgnGame> places = reader.TakeGames();
            if (places.size() != MaxGames || reader.Excess())
                return "games: " + std::to_string(places.size());
            for (const int i : {0, MaxGames / 2, MaxGames - 1}) {
                TPgnGame game;
                const QString tags = QStringLiteral("[Event \"E%1\"]").arg(i);
                if (!reader.ReadGame(places[i], game) || game.Tags != tags || game.Cut ||
                    game.Moves.size() != GameBytes - tags.size() - 4)
                    return "game " + std::to_string(i) + " read wrong";
            }
            return std::string("ok");
        },
        256 * 1024, 180000, [] { usleep(1000); });
    ASSERT_TRUE(run.ended) << "killed beyond 256 MB or after three minutes";
    EXPECT_EQ(run.output, "ok");
    EXPECT_LT(run.growthKb, 64 * 1024);
    std::cout << "4 GB read, peak memory +" << run.growthKb << " kB\n";
}

class PgnExternalProgram : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    const QString text = QStringLiteral("[Event \"x\"]\n\n1. e2-e4 e7-e5 *\n");

    QTemporaryDir temp;
    QByteArray previousTemp = qgetenv("TMPDIR");

    // A temporary folder of its own, so other tests' files never count as this test's.
    void SetUp() override {
        QDir::setCurrent(dir.path());
        qputenv("TMPDIR", temp.path().toLocal8Bit());
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        if (previousTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", previousTemp);
    }

    static int PgnTempFiles() { return QDir::temp().entryList({"pgn*"}, QDir::Files).size(); }
};

TEST_F(PgnExternalProgram, FakeProgramsNeverReplaceTheTextByNothing) {
    struct Case {
        const char* name;
        const char* script;
        bool executable;
        QString expected;
    } cases[] = {
        {"writes its arguments",
         "#!/bin/sh\nprintf '%s|' \"$(basename \"$1\" | cut -c1-3)\" \"$(echo \"$2\" | cut "
         "-c1-2)\" "
         "\"$3\" \"$4\" \"$(pwd)\" > \"${2#-o}\"\n",
         true, "pgn|-o|-eeco.pgn|-lpgn.log|" + QDir::currentPath() + "|"},
        {"writes nothing", "#!/bin/sh\nexit 0\n", true, text},
        {"fails", "#!/bin/sh\necho partial > \"${2#-o}\"\nkill -9 $$\n", true, text},
        {"exits with an error", "#!/bin/sh\necho partial > \"${2#-o}\"\nexit 3\n", true, text},
        {"exits with 255", "#!/bin/sh\necho partial > \"${2#-o}\"\nexit 255\n", true, text},
        {"not executable", "#!/bin/sh\necho other > \"${2#-o}\"\n", false, text},
        {"writes more than a game",
         "#!/bin/sh\nhead -c 1048577 /dev/zero | tr '\\0' x > \"${2#-o}\"\n", true, text},
        {"writes a game's most",
         "#!/bin/sh\nhead -c 1048576 /dev/zero | tr '\\0' x > \"${2#-o}\"\n", true,
         QString(1 << 20, QLatin1Char('x'))},
    };
    for (const Case& c : cases) {
        QFile::remove("extract.exe");
        Write("extract.exe", c.script, c.executable);
        const int before = PgnTempFiles();
        EXPECT_EQ(PassThroughExternalProgram(text), c.expected) << c.name;
        EXPECT_EQ(PgnTempFiles(), before) << c.name;
    }
    QFile::remove("extract.exe");
    EXPECT_EQ(PassThroughExternalProgram(text), text);
}

TEST_F(PgnExternalProgram, OneThatNeverEndsIsKilledAfterTheWait) {
    Write("extract.exe", "#!/bin/sh\necho partial > \"${2#-o}\"\nexec sleep 60\n", true);
    EXPECT_EQ(PassThroughExternalProgram(text, 300), text);
}

TEST_F(PgnExternalProgram, DebiansPgnExtractWritesTheFile) {
    const QString program = QStringLiteral("/usr/games/pgn-extract");
    const QString eco = QStringLiteral("/usr/share/pgn-extract/eco.pgn");
    ASSERT_TRUE(QFile::exists(program)) << "pgn-extract is in scripts/packages.txt";
    ASSERT_TRUE(QFile::link(program, "extract.exe"));
    ASSERT_TRUE(QFile::link(eco, "eco.pgn"));
    const QString game = QStringLiteral("[Event \"T\"]\n[Site \"\"]\n[Date \"2024.03.05\"]\n"
                                        "[Round \"\"]\n[White \"A\"]\n[Black \"B\"]\n"
                                        "[Result \"0-1\"]\n\n"
                                        "1. f2-f3 e7-e5 2. g2-g4 Qd8-h4# 0-1 \n");
    Write("in.pgn", game.toLatin1());
    QProcess peer;
    peer.start(program, {"in.pgn", "-opeer.pgn", "-eeco.pgn", "-lpeer.log"});
    ASSERT_TRUE(peer.waitForFinished(10000));
    const QByteArray expected = ReadAll("peer.pgn");
    ASSERT_TRUE(expected.contains("Qh4#")) << expected.toStdString();
    EXPECT_EQ(PassThroughExternalProgram(game, 10000).toLatin1(), expected);
}
