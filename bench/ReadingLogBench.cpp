// Lines per second into the reading log, each written through to the disk:
// the cost a record pays on the user-interface thread while the log is on.
// Run it on the disk the log will live on (TMPDIR).

#include "worker/DataLine.h"
#include "worker/ReadingLog.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>

namespace {

void appendLines(benchmark::State& state) {
    QTemporaryDir dir;
    ReadingLog log(dir.path(), "/dev/ttyUSB0", "AND", {});
    const DataLine record("ST,+00012.34  g\r\n", "12.34", 1, std::chrono::system_clock::now(),
                          false);
    for (auto _ : state) log.append(record, "typed");
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(appendLines)->UseRealTime();

BENCHMARK_MAIN();
