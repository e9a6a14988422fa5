// A PGN file of 4,096 games made from a fixed seed, indexed and every game replayed through the
// import's own code; in the same run pgn-extract reads the same file. Both times and their ratio
// are reported.

#include "app/CodPGN.h"
#include "tests/RandomPgnGames.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <random>

namespace {

constexpr int GameCount = CodPGN::MaxGames;
const char* const PgnExtract = "/usr/games/pgn-extract";

struct PgnFile {
    QTemporaryDir dir;
    QString name;
    int halfMoves = 0;
    PgnFile() : name(dir.filePath("bench.pgn")) {
        std::mt19937 rng(20261207);
        QByteArray data;
        for (int i = 0; i < GameCount; ++i) {
            const randompgn::MadeGame game = randompgn::MakeGame(i, rng);
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

// The import's own road for every game: read in the reader's slices, tags, tokens, replay.
int ImportEveryGame(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    CodPGN::TPgnGameIndex index;
    QByteArray slice(CodPGN::TPgnReader::SliceBytes, Qt::Uninitialized);
    for (qint64 read; (read = file.read(slice.data(), slice.size())) > 0;)
        index.Add(QLatin1StringView(slice.constData(), qsizetype(read)));
    index.Finish();
    TChessBoardModel board;
    char promotion = 'q';
    bool replaying = false;
    board.OnPromotion = [&](TChessBoardModel*, Square, Square, char& piece) { piece = promotion; };
    int played = 0;
    for (const CodPGN::TPgnGame& game : index.Games()) {
        benchmark::DoNotOptimize(CodPGN::ReadPgnTags(game.TagLines()));
        board.NewGame();
        CodPGN::ReplayPgnMoves(board, CodPGN::ReadPgnMoves(game.MoveLines()), promotion, replaying);
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
