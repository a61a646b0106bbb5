#include "config/Decimal.h"

#include <benchmark/benchmark.h>

#include <string>

// The per-record numeric work of a typical reading: parse, round, print.
static void BM_ParseRoundPrint(benchmark::State& state) {
    for (auto _ : state) {
        const Decimal value = Decimal::parse("+00012.345");
        std::string text = value.setScale(2, RoundingMode::HALF_EVEN).toPlainString(',');
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_ParseRoundPrint);

BENCHMARK_MAIN();
