// The engine's speed: perft through make/take back, and fixed-depth searches.

#include "board/ChessEngine.h"
#include "tests/board/EnginePositions.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using engine_positions::kKiwipete;
using engine_positions::kStart;

void Perft(benchmark::State& state, const char* placement, int depth) {
    auto engine = engine_positions::Loaded(placement, true, 15);
    std::uint64_t leaves = 0;
    std::uint64_t total = 0;
    for (auto _ : state) {
        leaves = engine->Perft(depth);
        total += leaves;
    }
    state.counters["leaves"] = double(leaves);
    state.counters["nps"] = benchmark::Counter(double(total), benchmark::Counter::kIsRate);
}

void Search(benchmark::State& state, const char* placement, int depth) {
    auto engine = std::make_unique<ChessEngine>();
    const std::function<bool()> neverStop = [] { return false; };
    std::int64_t nodes = 0;
    std::int64_t total = 0;
    for (auto _ : state) {
        engine->Load(placement, true, 15, 0);
        nodes = engine->Think(depth, neverStop).nodes;
        total += nodes;
    }
    state.counters["nodes"] = double(nodes);
    state.counters["nps"] = benchmark::Counter(double(total), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK_CAPTURE(Perft, StartDepth5, kStart, 5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Perft, KiwipeteDepth4, kKiwipete, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, StartDepth6, kStart, 6)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, KiwipeteDepth5, kKiwipete, 5)->Unit(benchmark::kMillisecond);
