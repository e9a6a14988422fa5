// A PGN file of 4,096 games made from a fixed seed, indexed and every game replayed through the
// import's own code; in the same run pgn-extract reads the same file. Both times and their ratio
// are reported.

#include "app/CodPGN.h"
#include "board/Rules.h"
#include "platform/TextLines.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>

namespace {

constexpr int GameCount = CodPGN::MaxGames;
const char* const PgnExtract = "/usr/games/pgn-extract";

struct Legal {
    Square from;
    Square to;
};

// In square order, from-square first, so the same seed always makes the same file.
std::vector<Legal> LegalMoves(const rules::BoardState& state) {
    std::vector<Legal> moves;
    rules::FindLegalMove(state, [&](Square from, Square to) {
        moves.push_back({from, to});
        return false;
    });
    std::sort(moves.begin(), moves.end(),
              [](Legal a, Legal b) { return a.from != b.from ? a.from < b.from : a.to < b.to; });
    return moves;
}

QString SquareName(Square sq) {
    return QString(QChar('a' + rules::FileOf(sq) - 1)) + QChar('0' + rules::RankOf(sq));
}

// Standard algebraic notation of a legal move, check and mate included.
QString San(const rules::BoardState& state, const std::vector<Legal>& legal, Legal m, char promoted,
            rules::BoardState& after) {
    const char piece = state.squares[m.from];
    const char upper = char(std::toupper(static_cast<unsigned char>(piece)));
    const bool capture =
        state.squares[m.to] != ' ' || rules::EnPassantVictim(state, m.from, m.to) != None;
    QString san;
    if (rules::CastlingRookMove(piece, m.from, m.to).from != None) {
        san = rules::FileOf(m.to) == 7 ? "O-O" : "O-O-O";
    } else if (upper == 'P') {
        if (capture)
            san = QString(QChar('a' + rules::FileOf(m.from) - 1)) + 'x';
        san += SquareName(m.to);
        if (rules::RankOf(m.to) == 8 || rules::RankOf(m.to) == 1)
            san += QString("=") + QChar(std::toupper(static_cast<unsigned char>(promoted)));
    } else {
        bool sameFile = false, sameRank = false, other = false;
        for (const Legal& l : legal) {
            if (l.to != m.to || l.from == m.from || state.squares[l.from] != piece)
                continue;
            other = true;
            sameFile = sameFile || rules::FileOf(l.from) == rules::FileOf(m.from);
            sameRank = sameRank || rules::RankOf(l.from) == rules::RankOf(m.from);
        }
        san = QChar(upper);
        if (other && !sameFile)
            san += QChar('a' + rules::FileOf(m.from) - 1);
        else if (other && !sameRank)
            san += QChar('0' + rules::RankOf(m.from));
        else if (other)
            san += SquareName(m.from);
        if (capture)
            san += 'x';
        san += SquareName(m.to);
    }
    after = rules::AfterMove(state, m.from, m.to, promoted);
    if (rules::KingAttacked(after.squares, after.whiteToMove))
        san += rules::AnyLegalMoveByRules(after) ? '+' : '#';
    return san;
}

// Random legal moves that favour castling, captures and pawn pushes, so promotions come too.
Legal Choose(const rules::BoardState& state, const std::vector<Legal>& legal, std::mt19937& rng) {
    std::vector<Legal> castles, captures, pawns;
    for (const Legal& l : legal) {
        const char piece = state.squares[l.from];
        if (rules::CastlingRookMove(piece, l.from, l.to).from != None)
            castles.push_back(l);
        else if (state.squares[l.to] != ' ')
            captures.push_back(l);
        else if (piece == 'P' || piece == 'p')
            pawns.push_back(l);
    }
    const unsigned roll = rng() % 100;
    if (!castles.empty() && roll < 60)
        return castles[rng() % castles.size()];
    if (!captures.empty() && roll < 40)
        return captures[rng() % captures.size()];
    if (!pawns.empty() && roll < 70)
        return pawns[rng() % pawns.size()];
    return legal[rng() % legal.size()];
}

struct MadeGame {
    QString text;
    int halfMoves = 0;
};

MadeGame MakeGame(int number, std::mt19937& rng) {
    static const char* const names[] = {"Anna Neri",   "Bruno Bassi", "Carla Verdi",
                                        "Dario Gallo", "Elena Russo", "Franco Conti"};
    static const char* const comments[] = {"{una mossa naturale}", "{forse meglio Cf3}",
                                           "{il Nero reagisce subito}"};
    static const char* const nags[] = {"$1", "$2", "$6", "$14"};
    const int target = 40 + int(rng() % 81);
    rules::BoardState state;
    QString moves;
    QString line;
    int halfMoves = 0;
    QString result = "*";
    // The board refuses every move after a threefold repetition: the game ends there, drawn.
    QHash<QByteArray, int> seen;
    auto add = [&](const QString& token) {
        if (line.size() + token.size() + 1 > 79) {
            moves += line + '\n';
            line.clear();
        }
        line += line.isEmpty() ? token : ' ' + token;
    };
    while (halfMoves < target) {
        const std::vector<Legal> legal = LegalMoves(state);
        if (legal.empty()) {
            if (!rules::KingAttacked(state.squares, state.whiteToMove))
                result = "1/2-1/2";
            break;
        }
        const Legal m = Choose(state, legal, rng);
        const char promoted = "qrbn"[rng() % 4];
        rules::BoardState after;
        const QString san = San(state, legal, m, promoted, after);
        const int moveNumber = halfMoves / 2 + 1;
        if (state.whiteToMove)
            add(QString::number(moveNumber) + '.');
        else if (line.endsWith('}'))
            add(QString::number(moveNumber) + "...");
        add(san);
        if (san.endsWith('#'))
            result = state.whiteToMove ? "1-0" : "0-1";
        if (rng() % 12 == 0)
            add(nags[rng() % 4]);
        if (rng() % 15 == 0)
            add(comments[rng() % 3]);
        state = after;
        ++halfMoves;
        const QByteArray key = QByteArray(state.squares.data(), 65) + char(state.castling) +
                               (state.whiteToMove ? 'w' : 'b');
        if (++seen[key] == 3) {
            result = "1/2-1/2";
            break;
        }
    }
    add(result);
    moves += line + '\n';
    const QString tags =
        QString("[Event \"Torneo %1\"]\n[Site \"Sede %2\"]\n[Date \"%3.%4.%5\"]\n"
                "[Round \"%6\"]\n[White \"%7\"]\n[Black \"%8\"]\n[Result \"%9\"]\n\n")
            .arg(number / 64 + 1)
            .arg(number % 7 + 1)
            .arg(1990 + number % 30)
            .arg(number % 12 + 1, 2, 10, QChar('0'))
            .arg(number % 28 + 1, 2, 10, QChar('0'))
            .arg(number % 9 + 1)
            .arg(names[number % 6], names[(number + 1) % 6], result);
    return {tags + moves + '\n', halfMoves};
}

struct PgnFile {
    QTemporaryDir dir;
    QString name;
    int halfMoves = 0;
    PgnFile() : name(dir.filePath("bench.pgn")) {
        std::mt19937 rng(20261207);
        QByteArray data;
        for (int i = 0; i < GameCount; ++i) {
            const MadeGame game = MakeGame(i, rng);
            data += game.text.toLatin1();
            halfMoves += game.halfMoves;
        }
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            std::abort();
    }
};

const PgnFile& File() {
    static const PgnFile file;
    return file;
}

// The import's own road for every game: read, index, the browser's split, tags, tokens, replay.
int ImportEveryGame(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    const QStringList lines = platform::SplitLines(file.readAll());
    TChessBoardModel board;
    char promotion = 'q';
    bool replaying = false;
    board.OnPromotion = [&](TChessBoardModel*, Square, Square, char& piece) { piece = promotion; };
    int played = 0;
    for (const int start : CodPGN::IndexPgnGames(lines)) {
        const CodPGN::TPgnGameLines game = CodPGN::GameLines(lines, start);
        benchmark::DoNotOptimize(CodPGN::ReadPgnTags(game.Tags));
        board.NewGame();
        CodPGN::ReplayPgnMoves(board, CodPGN::ReadPgnMoves(game.Moves), promotion, replaying);
        played += (board.CurrentMove() - 1) * 2 + (board.WhiteToMove() ? 0 : 1);
    }
    return played;
}

double QuendelSeconds = 0;

void BM_QuendelImport(benchmark::State& state) {
    const PgnFile& pgn = File();
    int played = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state)
        played = ImportEveryGame(pgn.name);
    QuendelSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() /
        double(state.iterations());
    if (played != pgn.halfMoves)
        state.SkipWithError("not every half-move of the file was played");
    state.counters["games"] = GameCount;
    state.counters["half_moves"] = played;
    state.counters["file_MB"] = double(QFile(pgn.name).size()) / (1 << 20);
}
BENCHMARK(BM_QuendelImport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PgnExtract(benchmark::State& state) {
    if (!QFile::exists(PgnExtract)) {
        state.SkipWithError("pgn-extract is not installed");
        return;
    }
    const QString command =
        QString("%1 -s -o/dev/null %2 2>/dev/null").arg(PgnExtract, File().name);
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (std::system(command.toLocal8Bit().constData()) != 0)
            state.SkipWithError("pgn-extract failed");
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() /
        double(state.iterations());
    state.counters["quendel_ms"] = QuendelSeconds * 1000;
    state.counters["pgn_extract_ms"] = seconds * 1000;
    state.counters["pgn_extract_over_quendel"] = QuendelSeconds > 0 ? seconds / QuendelSeconds : 0;
}
BENCHMARK(BM_PgnExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
