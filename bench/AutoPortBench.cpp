// How fast "Cancel" ends an automatic port detection that sits in one of its
// 150 ms settle pauses, over the simulated serial driver: the time from the
// cancel to the end-of-run step on the user-interface thread, with the port
// closed. Target: under 50 ms every time.
// Usage: bench_autoport [runs]
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVALTYP_BUILD_TESTS=OFF
//   cmake --build build/bench --target bench_autoport && build/bench/bin/bench_autoport 40

#include "Serialio/Diagnostics.h"
#include "Serialio/SerialPortLocal.h"
#include "platform/serial/sim/SimControl.h"
#include "worker/AutoPortWorker.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

struct QuietView : AutoPortWorkerView {
    void setButtonToCancel() override {}
    void setButtonToClose() override {}
    void setPort(const QString&) override {}
    void update(const QString&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    Serialio::setDiagnosticStream(nullptr);
    Serialio::SerialPortLocal::setNativeLibName(SIM_LIBRARY_NAME);
    SimReset();
    SimAddPort("SIM1", "Valtyp", "loop-back plug");
    SimSetLines("SIM1", SIM_LINE_FOLLOWS_RTS, SIM_LINE_FOLLOWS_DTR, SIM_LINE_OFF, SIM_LINE_OFF);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> into(5, 400);  // past the first pause's start, ms
    std::vector<double> latencies;
    for (int i = 0; i < runs; ++i) {
        QuietView view;
        AutoPortWorker worker(view, {"SIM1"});
        worker.execute();
        while (SimIsOpen("SIM1") != 1) QThread::usleep(200);
        QThread::msleep(into(random));
        const auto cancelled = Clock::now();
        worker.cancel();
        while (!worker.isDone()) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        latencies.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - cancelled).count());
        if (SimIsOpen("SIM1") != 0) {
            std::fprintf(stderr, "port left open after a cancel\n");
            return 1;
        }
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("cancel to end of run over %d runs: median %.2f ms, max %.2f ms (target < 50 ms)\n",
                runs, latencies[latencies.size() / 2], latencies.back());
    return latencies.back() < 50.0 ? 0 : 1;
}
