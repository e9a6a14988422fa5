// Replays a long game through the board's Move: the rules, the end-of-game tests and the
// history are all paid on every half-move, as in a real game.

#include "board/BoardModel.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

struct HalfMove {
    Square from;
    Square to;
};

// A reproducible game of random legal moves that lasts at least 150 half-moves.
std::vector<HalfMove> LongGame() {
    for (unsigned seed = 1;; ++seed) {
        std::mt19937 rng(seed);
        TChessBoardModel board;
        std::vector<HalfMove> game;
        for (;;) {
            std::vector<HalfMove> legal;
            for (int f = 1; f <= 64; ++f)
                for (int t = 1; t <= 64; ++t)
                    if (board.MoveIsLegal(Square(f), Square(t)))
                        legal.push_back({Square(f), Square(t)});
            if (legal.empty())
                break;
            const HalfMove m = legal[rng() % legal.size()];
            board.Move(m.from, m.to);
            game.push_back(m);
        }
        if (game.size() >= 150)
            return game;
    }
}

void BM_ReplayGameThroughMove(benchmark::State& state) {
    const std::vector<HalfMove> game = LongGame();
    for (auto _ : state) {
        TChessBoardModel board;
        for (const HalfMove& m : game)
            benchmark::DoNotOptimize(board.Move(m.from, m.to));
    }
    state.counters["half-moves"] = double(game.size());
    state.counters["per half-move"] =
        benchmark::Counter(double(state.iterations() * game.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReplayGameThroughMove)->Unit(benchmark::kMillisecond);

} // namespace
