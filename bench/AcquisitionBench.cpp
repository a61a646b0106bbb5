// End-to-end measurements of the acquisition over a pseudo-terminal with the
// real POSIX driver, the real worker and the keystroke engine:
//   latency     last byte of a record written -> first key press of its value
//   idle        CPU used by a connected worker that receives nothing
//   throughput  records per second at full speed, count in = count out
// Usage: bench_acquisition [latency|idle|throughput|all] [--idle-seconds N]

#include "config/Config.h"
#include "platform/keys/recording/RecordingKeyGenerator.h"
#include "worker/Keybot.h"
#include "worker/WeightWorker.h"
#include "worker/WeightWorkerView.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace ConfigHelper;
using Clock = std::chrono::steady_clock;

namespace {

struct Line {
    int instrument = -1;
    int keep = -1;
    std::string path;
    Line() {
        char name[256] = {};
        if (openpty(&instrument, &keep, name, nullptr, nullptr) != 0) std::abort();
        termios raw{};
        tcgetattr(keep, &raw);
        cfmakeraw(&raw);
        tcsetattr(keep, TCSANOW, &raw);
        path = name;
    }
    ~Line() {
        close(keep);
        close(instrument);
    }
    void send(const std::string& bytes) const {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = write(instrument, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) sent += static_cast<size_t>(n);
        }
    }
};

class CountingView : public WeightWorkerView {
  public:
    Keybot* keybot = nullptr;
    std::atomic<int> records{0};
    std::atomic<bool> connected{false};
    void logEvent(const QString&) override {}
    void logImportantEvent(const QString& text) override {
        std::fprintf(stderr, "log: %s\n", text.toUtf8().constData());
    }
    void setConnectedInGUI(bool c) override { connected = c; }
    void update(DataLine& record) override {
        ++records;
        if (keybot) keybot->add(record.getProcessedData());
    }
};

Config configFor(const Line& line) {
    Config c = getDefaultConfig(Instrument::GENERIC);
    c.setInstrument(Instrument::GENERIC);
    c.setPort(QString::fromStdString(line.path));
    return c;
}

void runEventsUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    while (!done() && Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

void latency() {
    Line line;
    CountingView view;
    keys::RecordingKeyGenerator keys;
    std::mutex mutex;
    std::vector<Clock::time_point> firstPress;
    // Each value is one digit typed with one key: every press starts a value.
    keys.setListener([&](const keys::KeyEvent& e) {
        if (e.kind != keys::KeyEvent::Kind::Press) return;
        std::lock_guard lock(mutex);
        firstPress.push_back(e.at);
    });
    Keybot keybot(keys, &view, KeyMapType::NUMERIC, KeyboardType::QUERTY, 0, 0, 0, 0, 0);
    view.keybot = &keybot;
    keybot.start();
    auto worker = makeWeightWorker(configFor(line), view, {});
    worker->execute();

    constexpr int kRecords = 1000;
    std::vector<Clock::time_point> written;
    for (int i = 0; i < kRecords; ++i) {
        line.send("ST,+" + std::to_string(i % 10) + "\r");
        written.push_back(Clock::now());
        const auto next = Clock::now() + std::chrono::milliseconds(7);
        runEventsUntil([&] { return Clock::now() >= next; }, std::chrono::seconds(1));
    }
    runEventsUntil(
        [&] {
            std::lock_guard l(mutex);
            return firstPress.size() >= kRecords;
        },
        std::chrono::seconds(10));
    worker->cancel();
    runEventsUntil([&] { return worker->isDone(); }, std::chrono::seconds(5));
    keybot.stop();

    std::vector<double> ms;
    for (size_t i = 0; i < std::min(written.size(), firstPress.size()); ++i) {
        ms.push_back(std::chrono::duration<double, std::milli>(firstPress[i] - written[i]).count());
    }
    std::printf("latency: %zu of %d records typed; median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                firstPress.size(), kRecords, percentile(ms, 0.5), percentile(ms, 0.99),
                *std::max_element(ms.begin(), ms.end()));
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void idle(int seconds) {
    Line line;
    CountingView view;
    auto worker = makeWeightWorker(configFor(line), view, {});
    worker->execute();
    const double cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    // The user-interface thread sleeps in its event loop as a window's would.
    QTimer::singleShot(seconds * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;
    worker->cancel();
    runEventsUntil([&] { return worker->isDone(); }, std::chrono::seconds(5));
    std::printf("idle: %.2f s CPU over %.1f s connected and idle = %.2f %% of one core\n", cpu,
                wall, 100.0 * cpu / wall);
}

void throughput() {
    Line line;
    CountingView view;
    auto worker = makeWeightWorker(configFor(line), view, {});
    worker->execute();
    constexpr int kRecords = 100000;
    const auto start = Clock::now();
    std::thread writer([&] {
        std::string batch;
        for (int i = 0; i < kRecords; ++i) {
            batch += "ST, +" + std::to_string(i % 1000) + ".25 kg\r";
            if (batch.size() > 4000) {
                line.send(batch);
                batch.clear();
            }
        }
        line.send(batch);
    });
    runEventsUntil([&] { return view.records.load() >= kRecords; }, std::chrono::seconds(120));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    worker->cancel();
    runEventsUntil([&] { return worker->isDone(); }, std::chrono::seconds(5));
    std::printf("throughput: %d records in, %d out, %.0f records/s\n", kRecords,
                view.records.load(), view.records.load() / seconds);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const std::string what = argc > 1 ? argv[1] : "all";
    int idleSeconds = 60;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--idle-seconds") idleSeconds = std::atoi(argv[i + 1]);
    }
    if (what == "latency" || what == "all") latency();
    if (what == "throughput" || what == "all") throughput();
    if (what == "idle" || what == "all") idle(idleSeconds);
    return 0;
}
