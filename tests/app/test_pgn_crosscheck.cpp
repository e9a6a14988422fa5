// pgn-extract as an independent judge of the rules. Games played on our own board and exported
// through the PGN export: it reads them without complaint, reaches our final positions, finds the
// same mates, stalemates and repetitions, and its rewriting imports back to the same positions.
// Games written in short algebraic notation by the random generator: our import reaches its
// final positions.
#include "app/CodPGN.h"
#include "platform/DateTime.h"
#include "platform/TextLines.h"
#include "tests/RandomPgnGames.h"

#include <QDate>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <random>

namespace {

const char* const PgnExtract = "/usr/games/pgn-extract";

enum class End { Cap, Mate, Stalemate, Repetition, TwoKings };

struct Candidate {
    Square from;
    Square to;
    bool special; // castling, en passant, promotion or a double step beside a pawn
    bool castle;
    bool enPassant;
    bool promotion;
    bool check;
    bool capture;
    bool finishes;  // mates or stalemates
    bool takesBack; // the reverse of the mover's previous move
};

struct PlayedGame {
    QString event;
    QString fen;
    End end = End::Cap;
    int halfMoves = 0;
    int castles = 0;
    int enPassants = 0;
    int promotions = 0;
    QString pgn;
};

// How a game is played: its length cap and which moves it prefers.
struct Style {
    int cap;
    bool shuffles;   // plays moves back and forth, so positions repeat
    bool finishes;   // takes a mating or stalemating move when there is one
    int captureBias; // percent
};

// Whether a pawn of the side to move stands beside the pawn that has just stepped to sq.
bool OtherPawnBeside(const rules::BoardState& state, Square sq) {
    const char pawn = state.whiteToMove ? 'P' : 'p';
    return (rules::FileOf(sq) > 1 && state.squares[sq - 1] == pawn) ||
           (rules::FileOf(sq) < 8 && state.squares[sq + 1] == pawn);
}

std::vector<Candidate> Candidates(const rules::BoardState& state, Square lastFrom, Square lastTo) {
    std::vector<Candidate> moves;
    rules::FindLegalMove(state, [&](Square from, Square to) {
        const char piece = state.squares[from];
        const bool pawn = piece == 'P' || piece == 'p';
        const bool castle = rules::CastlingRookMove(piece, from, to).from != None;
        const bool enPassant = rules::EnPassantVictim(state, from, to) != None;
        const bool promotion = pawn && (rules::RankOf(to) == 8 || rules::RankOf(to) == 1);
        const rules::BoardState after = rules::AfterMove(state, from, to, 'q');
        const bool check = rules::KingAttacked(after.squares, after.whiteToMove);
        const bool offersEnPassant = after.enPassant != None && OtherPawnBeside(after, to);
        moves.push_back({from, to, castle || enPassant || promotion || offersEnPassant, castle,
                         enPassant, promotion, check, state.squares[to] != ' ' || enPassant,
                         !rules::AnyLegalMoveByRules(after, check),
                         from == lastTo && to == lastFrom});
        return false;
    });
    return moves;
}

const Candidate& Choose(const std::vector<Candidate>& moves, const Style& style,
                        std::mt19937& rng) {
    auto pick = [&](bool Candidate::*wanted, unsigned percent) -> const Candidate* {
        if (rng() % 100 >= percent)
            return nullptr;
        std::vector<const Candidate*> some;
        for (const Candidate& m : moves)
            if (m.*wanted)
                some.push_back(&m);
        return some.empty() ? nullptr : some[rng() % some.size()];
    };
    const Candidate* chosen = nullptr;
    if (style.finishes)
        chosen = pick(&Candidate::finishes, 80);
    if (!chosen && style.shuffles)
        chosen = pick(&Candidate::takesBack, 85);
    if (!chosen)
        chosen = pick(&Candidate::special, 85);
    if (!chosen)
        chosen = pick(&Candidate::check, 30);
    if (!chosen)
        chosen = pick(&Candidate::capture, unsigned(style.captureBias));
    return chosen ? *chosen : moves[rng() % moves.size()];
}

PlayedGame PlayGame(int number, std::mt19937& rng) {
    const Style style{20 + int(rng() % 280), number % 5 == 0, number % 3 != 0, int(rng() % 80)};
    TChessBoardModel board;
    PlayedGame game;
    game.event = QString("Controllo %1").arg(number);
    board.OnMate = [&](TChessBoardModel*, Square, Square) { game.end = End::Mate; };
    board.OnStaleMate = [&](TChessBoardModel*, Square, Square) { game.end = End::Stalemate; };
    board.OnThreefoldPosition = [&](TChessBoardModel*) { game.end = End::Repetition; };
    board.OnOnlyTwoKingsLeft = [&](TChessBoardModel*) { game.end = End::TwoKings; };
    // The mover's previous move, per side, for the shuffling games.
    Square last[2][2] = {{None, None}, {None, None}};
    while (game.end == End::Cap && game.halfMoves < style.cap) {
        const int side = board.WhiteToMove() ? 0 : 1;
        const std::vector<Candidate> moves =
            Candidates(board.State(), last[side][0], last[side][1]);
        if (moves.empty())
            break;
        const Candidate& m = Choose(moves, style, rng);
        board.PromotionPiece = "qrbn"[rng() % 4];
        if (!board.Move(m.from, m.to)) {
            ADD_FAILURE() << game.event.toStdString() << ": the board refused a legal move";
            break;
        }
        game.castles += m.castle;
        game.enPassants += m.enPassant;
        game.promotions += m.promotion;
        last[side][0] = m.from;
        last[side][1] = m.to;
        ++game.halfMoves;
    }
    game.fen = board.GetFENPosition();
    CodPGN::TPgnTags tags{game.event,
                          "Quendel",
                          double(platform::DateToDays(QDate(2026, 12, 7))),
                          QString::number(number),
                          "Bianco",
                          "Nero",
                          {}};
    const QStringList pairs = CodPGN::ExportMovePairs(board, tags.Result);
    game.pgn = CodPGN::BuildPgnGame(tags, pairs);
    return game;
}

QString TagValue(const QStringList& tagLines, const QString& name) {
    for (const QString& line : tagLines)
        if (CodPGN::GetPgnTagName(line) == name)
            return CodPGN::GetPgnTagValue(line);
    return {};
}

// The first four fields of a FEN: placement, side to move, castling, en passant.
QString Position(const QString& fen) {
    return fen.split(' ', Qt::SkipEmptyParts).mid(0, 4).join(' ');
}

const QString StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Runs pgn-extract on the file with the extra arguments; its output file and its log.
struct Extracted {
    QStringList lines;
    QString log;
};

Extracted RunPgnExtract(const QTemporaryDir& dir, const QString& input, const QString& name,
                        const QStringList& extra) {
    const QString output = dir.filePath(name + ".pgn");
    const QString log = dir.filePath(name + ".log");
    QProcess process;
    process.start(PgnExtract,
                  QStringList{"-s", "-l" + log, "-o" + output} + extra + QStringList{input});
    EXPECT_TRUE(process.waitForFinished(60000)) << name.toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << name.toStdString();
    QFile out(output);
    QFile logFile(log);
    Extracted result;
    if (out.open(QIODevice::ReadOnly))
        result.lines = platform::SplitLines(out.readAll());
    if (logFile.open(QIODevice::ReadOnly))
        result.log = QString::fromLatin1(logFile.readAll());
    return result;
}

// The events of the games of a pgn-extract output.
QStringList Events(const QStringList& lines) {
    QStringList events;
    for (const int start : CodPGN::IndexPgnGames(lines))
        events.append(TagValue(CodPGN::GameLines(lines, start).Tags, "Event"));
    return events;
}

QStringList EventsEndingIn(const std::vector<PlayedGame>& games, End end) {
    QStringList events;
    for (const PlayedGame& game : games)
        if (game.end == end)
            events.append(game.event);
    return events;
}

// The stalemated games pgn-extract warns about: our export gives a stalemate the result "*", as
// it does every game that does not end in mate. The rest of the log stays in log.
QStringList TakeStalemateWarnings(QString& log) {
    static const QRegularExpression warning(
        "Warning: Result of \\* is inconsistent with stalemate in\n[^\n]* (Controllo \\d+) "
        "[^\n]*\n(File [^\n]*\n)?");
    QStringList events;
    for (const QRegularExpressionMatch& m : warning.globalMatch(log))
        events.append(m.captured(1));
    log.remove(warning);
    return events;
}

// For each game, how often its most frequent position stands: pgn-extract's FEN after every
// move and the start, by placement, side to move, castling and an en-passant square only where
// a capture is possible there, as the rules compare positions.
QHash<QString, int> MostRepeated(const QStringList& lines) {
    static const QRegularExpression fen("\\{\\s*([^}]*\\S)\\s*\\}");
    QHash<QString, int> most;
    for (const int start : CodPGN::IndexPgnGames(lines)) {
        const CodPGN::TPgnGameLines game = CodPGN::GameLines(lines, start);
        QHash<QString, int> seen;
        int highest = ++seen[Position(StartFen)];
        for (const QRegularExpressionMatch& m : fen.globalMatch(game.Moves.join(' ')))
            highest = std::max(highest, ++seen[Position(m.captured(1))]);
        most.insert(TagValue(game.Tags, "Event"), highest);
    }
    return most;
}

TEST(PgnCrossCheck, PgnExtractAgreesWithOurGamesAndOurImportWithItsOutput) {
    if (!QFile::exists(PgnExtract))
        GTEST_SKIP() << "pgn-extract is not installed";
    constexpr int GameCount = 500;
    std::mt19937 rng(20261207);
    std::vector<PlayedGame> games;
    QHash<QString, const PlayedGame*> byEvent;
    QString text;
    int halfMoves = 0;
    games.reserve(GameCount);
    for (int i = 0; i < GameCount; ++i) {
        games.push_back(PlayGame(i, rng));
        byEvent.insert(games.back().event, &games.back());
        text += (i ? "\n" : "") + games.back().pgn;
        halfMoves += games.back().halfMoves;
    }
    QTemporaryDir dir;
    const QString input = dir.filePath("games.pgn");
    QString error;
    ASSERT_TRUE(CodPGN::WritePgnText(input, text, false, &error)) << error.toStdString();

    // Every game read without a word in the log, and its final position ours.
    Extracted all = RunPgnExtract(dir, input, "all", {"-F", "-w200"});
    EXPECT_EQ(TakeStalemateWarnings(all.log), EventsEndingIn(games, End::Stalemate));
    EXPECT_TRUE(all.log.trimmed().isEmpty()) << all.log.toStdString();
    const QList<int> starts = CodPGN::IndexPgnGames(all.lines);
    ASSERT_EQ(starts.size(), GameCount);
    const QRegularExpression fenComment("\\{\\s*\"([^\"]+)\"");
    TChessBoardModel board;
    char promotion = 'q';
    bool replaying = false;
    board.OnPromotion = [&](TChessBoardModel*, Square, Square, char& piece) { piece = promotion; };
    for (const int start : starts) {
        const CodPGN::TPgnGameLines lines = CodPGN::GameLines(all.lines, start);
        const QString event = TagValue(lines.Tags, "Event");
        const PlayedGame* game = byEvent.value(event);
        ASSERT_NE(game, nullptr) << event.toStdString();
        const QRegularExpressionMatch fen = fenComment.match(lines.Moves.join(' '));
        ASSERT_TRUE(fen.hasMatch()) << event.toStdString();
        EXPECT_EQ(Position(fen.captured(1)), Position(game->fen)) << event.toStdString();
        const QString result =
            game->end == End::Mate ? (game->fen.contains(" w ") ? "0-1" : "1-0") : "*";
        EXPECT_EQ(TagValue(lines.Tags, "Result"), result) << event.toStdString();

        // Its rewriting, in short algebraic notation, imported back.
        board.NewGame();
        CodPGN::ReplayPgnMoves(board, CodPGN::ReadPgnMoves(lines.Moves), promotion, replaying);
        EXPECT_EQ(board.GetFENPosition(), game->fen) << event.toStdString();
    }

    // The games that end in mate and in stalemate, as it sees them.
    const struct {
        const char* option;
        End end;
    } endings[] = {
        {"--checkmate", End::Mate},
        {"--stalemate", End::Stalemate},
    };
    for (const auto& ending : endings) {
        const Extracted found = RunPgnExtract(dir, input, ending.option + 2, {ending.option});
        EXPECT_EQ(Events(found.lines), EventsEndingIn(games, ending.end)) << ending.option;
    }

    // A game ends in repetition exactly when a position stands for the third time. Its own
    // repetition filter also tells apart positions after a double step where no pawn can
    // capture en passant, so the games it finds are only some of ours.
    const Extracted after = RunPgnExtract(dir, input, "fens", {"--fencomments", "--nofauxep"});
    const QHash<QString, int> most = MostRepeated(after.lines);
    ASSERT_EQ(most.size(), GameCount);
    for (const PlayedGame& game : games)
        EXPECT_EQ(most.value(game.event) >= 3, game.end == End::Repetition)
            << game.event.toStdString();
    const QStringList repeatedToo = EventsEndingIn(games, End::Repetition);
    for (const QString& event : Events(RunPgnExtract(dir, input, "rep", {"--repetition"}).lines))
        EXPECT_TRUE(repeatedToo.contains(event)) << event.toStdString();

    // The table covers what it is meant to.
    int ends[5] = {};
    int castles = 0, enPassants = 0, promotions = 0;
    for (const PlayedGame& game : games) {
        ++ends[int(game.end)];
        castles += game.castles;
        enPassants += game.enPassants;
        promotions += game.promotions;
    }
    for (int e = 0; e < 5; ++e)
        EXPECT_GT(ends[e], 0) << "no game ended the " << e << ". way";
    EXPECT_GT(halfMoves, 10000);
    EXPECT_GT(castles, 100);
    EXPECT_GT(enPassants, 50);
    EXPECT_GT(promotions, 100);
    std::cout << "games " << GameCount << ", half-moves " << halfMoves << ", cap " << ends[0]
              << ", mate " << ends[1] << ", stalemate " << ends[2] << ", repetition " << ends[3]
              << ", two kings " << ends[4] << "; castles " << castles << ", en passant "
              << enPassants << ", promotions " << promotions << '\n';
}

// Games written in short algebraic notation with comments, NAGs and "n..." numbers, as the
// import's benchmark reads them: our import reaches pgn-extract's final position in each.
TEST(PgnCrossCheck, OurImportReachesPgnExtractsFinalPositions) {
    if (!QFile::exists(PgnExtract))
        GTEST_SKIP() << "pgn-extract is not installed";
    constexpr int GameCount = 200;
    std::mt19937 rng(20261208);
    std::vector<randompgn::MadeGame> games;
    QString text;
    for (int i = 0; i < GameCount; ++i) {
        games.push_back(randompgn::MakeGame(i, rng));
        text += games.back().text;
    }
    QTemporaryDir dir;
    const QString input = dir.filePath("games.pgn");
    QString error;
    ASSERT_TRUE(CodPGN::WritePgnText(input, text, false, &error)) << error.toStdString();
    const Extracted extracted = RunPgnExtract(dir, input, "written", {"-F", "-w200"});
    EXPECT_TRUE(extracted.log.trimmed().isEmpty()) << extracted.log.toStdString();
    const QList<int> theirs = CodPGN::IndexPgnGames(extracted.lines);
    const QStringList lines = platform::SplitLines(text.toLatin1());
    const QList<int> ours = CodPGN::IndexPgnGames(lines);
    ASSERT_EQ(theirs.size(), GameCount);
    ASSERT_EQ(ours.size(), GameCount);
    static const QRegularExpression fenComment("\\{\\s*\"([^\"]+)\"");
    TChessBoardModel board;
    char promotion = 'q';
    bool replaying = false;
    board.OnPromotion = [&](TChessBoardModel*, Square, Square, char& piece) { piece = promotion; };
    for (int i = 0; i < GameCount; ++i) {
        board.NewGame();
        CodPGN::ReplayPgnMoves(board, CodPGN::ReadPgnMoves(CodPGN::GameLines(lines, ours[i]).Moves),
                               promotion, replaying);
        EXPECT_EQ((board.CurrentMove() - 1) * 2 + (board.WhiteToMove() ? 0 : 1), games[i].halfMoves)
            << "game " << i;
        const QRegularExpressionMatch fen =
            fenComment.match(CodPGN::GameLines(extracted.lines, theirs[i]).Moves.join(' '));
        ASSERT_TRUE(fen.hasMatch()) << "game " << i;
        EXPECT_EQ(Position(board.GetFENPosition()), Position(fen.captured(1))) << "game " << i;
    }
}

} // namespace
