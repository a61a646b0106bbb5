// End-to-end measurements of the acquisition over a pseudo-terminal with the
// real POSIX driver, the real worker and the keystroke engine, each one for
// the worker asleep in the kernel and for the polling loop, in the same run:
//   latency     last byte of a record written -> first key press of its value
//   idle        CPU used by a connected worker that receives nothing
//   throughput  records per second at full speed, count in = count out
// The user-interface thread sleeps in its event loop, as a window's does.
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
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace ConfigHelper;
using Clock = std::chrono::steady_clock;
using Mode = WeightWorker::IdleWait::Mode;

namespace {

const char* name(Mode mode) {
    return mode == Mode::Kernel ? "kernel wait" : "polling";
}

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
    // When each record was framed by the worker and reached the window's thread.
    std::vector<std::chrono::system_clock::time_point> framed, handedOver;
    std::atomic<bool> connected{false};
    void logEvent(const QString&) override {}
    void logImportantEvent(const QString& text) override {
        std::fprintf(stderr, "log: %s\n", text.toUtf8().constData());
    }
    void setConnectedInGUI(bool c) override { connected = c; }
    void update(DataLine& record) override {
        ++records;
        if (keybot) {
            framed.push_back(record.getInstant());
            handedOver.push_back(std::chrono::system_clock::now());
        }
        if (keybot) keybot->add(record.getProcessedData());
    }
};

std::unique_ptr<WeightWorker> startWorker(const Line& line, CountingView& view, Mode mode) {
    Config c = getDefaultConfig(Instrument::GENERIC);
    c.setInstrument(Instrument::GENERIC);
    c.setPort(QString::fromStdString(line.path));
    auto worker = makeWeightWorker(c, view, {});
    worker->setIdleWait({mode, std::chrono::milliseconds(1000)});
    worker->execute();
    return worker;
}

// Sleeps in the event loop until the condition holds or the time is up; the
// condition is looked at every 20 ms, which costs nothing the worker sees.
void runEventLoopUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    QEventLoop loop;
    QTimer check;
    const auto end = Clock::now() + limit;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || Clock::now() >= end) loop.quit();
    });
    check.start(20);
    if (!done()) loop.exec();
}

void stopWorker(WeightWorker& worker) {
    worker.cancel();
    runEventLoopUntil([&] { return worker.isDone(); }, std::chrono::seconds(5));
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

struct Latency {
    double median, p99, max;
    size_t typed;
    // Medians of the three stages: pty to framed, framed to the window's
    // thread, that thread to the key press.
    double read, handOver, typing;
};

double ms(std::chrono::system_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

Latency latency(Mode mode) {
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
    auto worker = startWorker(line, view, mode);

    constexpr int kRecords = 1000;
    std::vector<Clock::time_point> written;
    std::vector<std::chrono::system_clock::time_point> writtenWall;
    written.reserve(kRecords);
    writtenWall.reserve(kRecords);
    // Records 7 ms apart, so every one meets a worker that went back to its idle wait.
    std::thread instrument([&] {
        for (int i = 0; i < kRecords; ++i) {
            line.send("ST,+" + std::to_string(i % 10) + "\r");
            written.push_back(Clock::now());
            writtenWall.push_back(std::chrono::system_clock::now());
            std::this_thread::sleep_for(std::chrono::milliseconds(7));
        }
    });
    runEventLoopUntil(
        [&] {
            std::lock_guard l(mutex);
            return firstPress.size() >= kRecords;
        },
        std::chrono::seconds(60));
    instrument.join();
    stopWorker(*worker);
    keybot.stop();

    std::vector<double> total, read, handOver, typing;
    std::lock_guard l(mutex);
    const size_t n = std::min({written.size(), firstPress.size(), view.framed.size()});
    for (size_t i = 0; i < n; ++i) {
        total.push_back(
            std::chrono::duration<double, std::milli>(firstPress[i] - written[i]).count());
        read.push_back(ms(view.framed[i] - writtenWall[i]));
        handOver.push_back(ms(view.handedOver[i] - view.framed[i]));
        const auto pressWall = writtenWall[i] + (firstPress[i] - written[i]);
        typing.push_back(ms(pressWall - view.handedOver[i]));
    }
    return {percentile(total, 0.5),
            percentile(total, 0.99),
            *std::max_element(total.begin(), total.end()),
            firstPress.size(),
            percentile(read, 0.5),
            percentile(handOver, 0.5),
            percentile(typing, 0.5)};
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double idlePercent(Mode mode, int seconds) {
    Line line;
    CountingView view;
    auto worker = startWorker(line, view, mode);
    const double cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    QTimer::singleShot(seconds * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;
    stopWorker(*worker);
    return 100.0 * cpu / wall;
}

struct Throughput {
    int in, out;
    double perSecond;
};

Throughput throughput(Mode mode) {
    Line line;
    CountingView view;
    auto worker = startWorker(line, view, mode);
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
    runEventLoopUntil([&] { return view.records.load() >= kRecords; }, std::chrono::seconds(120));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    stopWorker(*worker);
    return {kRecords, view.records.load(), view.records.load() / seconds};
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const std::string what = argc > 1 ? argv[1] : "all";
    int idleSeconds = 60;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--idle-seconds") idleSeconds = std::atoi(argv[i + 1]);
    }
    const Mode modes[] = {Mode::Kernel, Mode::Polling};
    if (what == "latency" || what == "all") {
        Latency l[2];
        for (int m = 0; m < 2; ++m) {
            l[m] = latency(modes[m]);
            std::printf(
                "latency %-11s: %zu of 1000 typed; median %.3f ms, p99 %.3f ms, max %.3f ms "
                "(medians: read %.3f, hand-over %.3f, typing %.3f ms)\n",
                name(modes[m]), l[m].typed, l[m].median, l[m].p99, l[m].max, l[m].read,
                l[m].handOver, l[m].typing);
        }
        std::printf("latency ratio polling/kernel: median %.1fx, p99 %.1fx, max %.1fx\n",
                    l[1].median / l[0].median, l[1].p99 / l[0].p99, l[1].max / l[0].max);
    }
    if (what == "throughput" || what == "all") {
        Throughput t[2];
        for (int m = 0; m < 2; ++m) {
            t[m] = throughput(modes[m]);
            std::printf("throughput %-11s: %d records in, %d out, %.0f records/s\n", name(modes[m]),
                        t[m].in, t[m].out, t[m].perSecond);
        }
        std::printf("throughput ratio kernel/polling: %.2fx\n", t[0].perSecond / t[1].perSecond);
    }
    if (what == "idle" || what == "all") {
        double p[2];
        for (int m = 0; m < 2; ++m) {
            p[m] = idlePercent(modes[m], idleSeconds);
            std::printf("idle %-11s: %.3f %% of one core over %d s connected and quiet\n",
                        name(modes[m]), p[m], idleSeconds);
        }
        std::printf("idle ratio polling/kernel: %.0fx\n", p[1] / std::max(p[0], 1e-6));
    }
    return 0;
}
