// Records per second through the record processor, the work an acquisition
// does for every record between framing and publishing.

#include "config/Config.h"
#include "worker/RecordProcessor.h"

#include <benchmark/benchmark.h>

using namespace ConfigHelper;

namespace {

enum Numeric { Plain = 0, Rounding = 1, RoundingAndMath = 2 };

void processRecords(benchmark::State& state, Instrument instrument, const char* record) {
    Config config;
    config.setInstrument(instrument);
    if (state.range(0) >= Rounding) config.setDecimalPlaces("2");
    if (state.range(0) >= RoundingAndMath) {
        config.setMathOperation(MathOperation::MULTIPLY);
        config.setMathOperand("0.45359237");
    }
    RecordProcessor processor(config);
    const QString text = QString::fromLatin1(record);
    for (auto _ : state) benchmark::DoNotOptimize(processor.process(text));
    state.SetItemsProcessed(state.iterations());
}

void defaultPattern(benchmark::State& s) {
    processRecords(s, Instrument::GENERIC, "ST, +00012.345 kg\r");
}
void andBalance(benchmark::State& s) {
    processRecords(s, Instrument::AND, "ST, +00012.345 kg\r\n");
}
void kernMps(benchmark::State& s) {
    processRecords(s, Instrument::KERN_MPS, "N  60.245 kg\n");
}
void barcode(benchmark::State& s) {
    processRecords(s, Instrument::BARCODE_ALPHA_COMPLETE, "Lot 4711-B, best before 2027\r");
}

}  // namespace

BENCHMARK(defaultPattern)->ArgName("numeric")->Arg(Plain)->Arg(Rounding)->Arg(RoundingAndMath);
BENCHMARK(andBalance)->ArgName("numeric")->Arg(Plain)->Arg(Rounding)->Arg(RoundingAndMath);
BENCHMARK(kernMps)->ArgName("numeric")->Arg(Plain)->Arg(Rounding)->Arg(RoundingAndMath);
BENCHMARK(barcode)->ArgName("numeric")->Arg(Plain);

BENCHMARK_MAIN();
