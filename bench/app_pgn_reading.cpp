// Reading PGN files that hold little but one kind of text, at growing sizes: short lines, no line
// break at all, one long comment line, nested brackets. Each is read through the browser's
// reader, its first game made into the boxes' text and its moves taken as "Ok" takes them; the
// time should grow with the size, not faster.

#include "app/CodPGN.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

enum class Kind { ShortLines, NoLineBreaks, CommentLine, NestedBrackets };

// The reader runs on the event loop; the application lives as long as the program.
void NeedApplication() {
    static int argc = 1;
    static char name[] = "bench_app";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

QByteArray Text(Kind kind, qsizetype size) {
    const QByteArray tags = "[Event \"lungo\"]\n\n";
    switch (kind) {
    case Kind::ShortLines:
        return tags + QByteArray("e4\n").repeated(size / 3);
    case Kind::NoLineBreaks:
        return QByteArray(size, '\0');
    case Kind::CommentLine:
        return tags + "1. e4 {" + QByteArray("commento ").repeated(size / 9) + "} e5\n";
    case Kind::NestedBrackets:
        return tags + "1. e4 " + QByteArray(size / 2, '(') + QByteArray(size / 2, ')') + " e5\n";
    }
    return {};
}

// One file per kind and size, written once.
QString File(Kind kind, qsizetype size) {
    static QTemporaryDir dir;
    static QHash<QString, bool> written;
    const QString name =
        dir.filePath(QStringLiteral("%1-%2.pgn").arg(int(kind)).arg(qlonglong(size)));
    if (!written.value(name)) {
        const QByteArray data = Text(kind, size);
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            std::abort();
        written.insert(name, true);
    }
    return name;
}

// The browser's road: read, show the first game, take its moves.
qsizetype ReadShowAndTake(const QString& name) {
    CodPGN::TPgnReader reader;
    QEventLoop loop;
    QObject::connect(&reader, &CodPGN::TPgnReader::Finished, &loop, &QEventLoop::quit);
    if (!reader.Start(name))
        std::abort();
    loop.exec();
    const QList<CodPGN::TPgnGame> games = reader.TakeGames();
    CodPGN::TPgnGame game;
    if (games.isEmpty() || !reader.ReadGame(games.first(), game))
        return 0;
    return CodPGN::ShownText(game.Tags).size() + CodPGN::ShownText(game.Moves).size() +
           CodPGN::ReadPgnMoves(game.MoveLines()).size();
}

void BM_ReadPgn(benchmark::State& state, Kind kind) {
    NeedApplication();
    const qsizetype size = state.range(0);
    const QString name = File(kind, size);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadShowAndTake(name));
    state.SetBytesProcessed(state.iterations() * size);
    state.SetComplexityN(size);
}

#define READ_PGN(label, kind)                                                                      \
    BENCHMARK_CAPTURE(BM_ReadPgn, label, kind)                                                     \
        ->RangeMultiplier(4)                                                                       \
        ->Range(1 << 20, 16 << 20)                                                                 \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Complexity(benchmark::oN)

READ_PGN(short_lines, Kind::ShortLines);
READ_PGN(no_line_breaks, Kind::NoLineBreaks);
READ_PGN(comment_line, Kind::CommentLine);
READ_PGN(nested_brackets, Kind::NestedBrackets);

// The import of a game at its bound: a megabyte of move tokens played on the board, most of
// them refused.
void BM_ReplayAGameAtItsBound(benchmark::State& state) {
    const QStringList moves =
        CodPGN::ReadPgnMoves({QString("e4 e5 Nf3 ").repeated(CodPGN::MaxGameText / 10)});
    TChessBoardModel board;
    char promotion = 'q';
    bool replaying = false;
    for (auto _ : state) {
        board.NewGame();
        CodPGN::ReplayPgnMoves(board, moves, promotion, replaying);
    }
    state.counters["tokens"] = double(moves.size());
}
BENCHMARK(BM_ReplayAGameAtItsBound)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
