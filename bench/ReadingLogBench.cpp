// Records per second into the reading log on the caller's thread (the
// window's): appendLines hands each line to the log's own thread;
// appendLinesWaitingForTheDisk also waits until the line is written and
// synced, which is what every record paid on the window's thread when the
// log wrote there. Run it on the disk the log will live on (TMPDIR).

#include "worker/DataLine.h"
#include "worker/ReadingLog.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>

namespace {

const DataLine& record() {
    static const DataLine line("ST,+00012.34  g\r\n", "12.34", 1, std::chrono::system_clock::now(),
                               false);
    return line;
}

// Batches well inside the queue, written out between batches, so that the
// figure is the caller's cost of lines that all reach the disk.
void appendLines(benchmark::State& state) {
    QTemporaryDir dir;
    ReadingLog log(dir.path(), "/dev/ttyUSB0", "AND", {});
    constexpr int kBatch = 1000;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) log.append(record(), "typed");
        state.PauseTiming();
        log.flush();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void appendLinesWaitingForTheDisk(benchmark::State& state) {
    QTemporaryDir dir;
    ReadingLog log(dir.path(), "/dev/ttyUSB0", "AND", {});
    for (auto _ : state) {
        log.append(record(), "typed");
        log.flush();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(appendLines)->UseRealTime();
BENCHMARK(appendLinesWaitingForTheDisk)->UseRealTime();

BENCHMARK_MAIN();
