// End-to-end measurements of the acquisition over a pseudo-terminal with the
// real POSIX driver, the real worker and the keystroke engine, each one for
// the worker asleep in the kernel and for the polling loop, in the same run:
//   latency     last byte of a record written -> first key press of its value,
//               by stage, beside a plain thread's wake-up from poll on a pty
//               measured in the same run, so the machine's tail shows apart
//   idle        CPU used by a connected worker that receives nothing
//   throughput  records per second at full speed, count in = count out
// The user-interface thread sleeps in its event loop, as a window's does.
// Usage: bench_acquisition [latency|idle|throughput|all] [--idle-seconds N]

#include "config/Config.h"
#include "config/KeyCodes.h"
#include "platform/keys/recording/RecordingKeyGenerator.h"
#include "worker/Keybot.h"
#include "worker/WeightWorker.h"
#include "worker/WeightWorkerView.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
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

struct Stats {
    double median = 0, p99 = 0, max = 0;
};

Stats stats(const std::vector<double>& v) {
    if (v.empty()) return {};
    return {percentile(v, 0.5), percentile(v, 0.99), *std::max_element(v.begin(), v.end())};
}

struct Latency {
    Stats ours;
    // A thread blocked in poll on a pseudo-terminal of its own, woken by a
    // byte written between two of our records: what the machine gives anyone.
    Stats kernel;
    size_t typed;
    // The p99 of each stage: pty to framed, framed to the window's thread,
    // that thread to the typing thread (its start key), start key to the
    // value's first key.
    double read, handOver, typingHandOver, firstKey;
};

double ms(std::chrono::system_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The reference: wakes from poll for each byte, notes the time, reads it;
// a 'q' ends it.
class KernelWakeUp {
  public:
    KernelWakeUp()
        : thread_([this] {
              pollfd watch{line_.keep, POLLIN, 0};
              for (;;) {
                  if (poll(&watch, 1, -1) < 0) continue;
                  const auto woke = Clock::now();
                  char bytes[64];
                  const ssize_t n = read(line_.keep, bytes, sizeof bytes);
                  if (n <= 0) continue;
                  if (bytes[n - 1] == 'q') return;
                  woken_.push_back(woke);
              }
          }) {}
    ~KernelWakeUp() { finish(); }
    Clock::time_point send() {
        const auto now = Clock::now();
        line_.send("x");
        return now;
    }
    // Ends the thread; when each byte woke it.
    std::vector<Clock::time_point> finish() {
        if (thread_.joinable()) {
            line_.send("q");
            thread_.join();
        }
        return woken_;
    }

  private:
    Line line_;
    std::vector<Clock::time_point> woken_;
    std::thread thread_;
};

Latency latency(Mode mode) {
    Line line;
    CountingView view;
    keys::RecordingKeyGenerator keys;
    std::mutex mutex;
    // Each value is a start key, then one digit typed with one key.
    std::vector<Clock::time_point> startKey, firstPress;
    keys.setListener([&](const keys::KeyEvent& e) {
        if (e.kind != keys::KeyEvent::Kind::Press) return;
        std::lock_guard lock(mutex);
        (e.value == KeyCode::Tab ? startKey : firstPress).push_back(e.at);
    });
    Keybot keybot(keys, &view, KeyMapType::NUMERIC, KeyboardType::QUERTY, 0, 0, 0, KeyCode::Tab, 0);
    view.keybot = &keybot;
    keybot.start();
    auto worker = startWorker(line, view, mode);

    constexpr int kRecords = 1000;
    std::vector<Clock::time_point> written, referenceWritten;
    std::vector<std::chrono::system_clock::time_point> writtenWall;
    written.reserve(kRecords);
    writtenWall.reserve(kRecords);
    referenceWritten.reserve(kRecords);
    KernelWakeUp reference;
    // Records 7 ms apart, so every one meets a worker that went back to its
    // idle wait; the reference byte half-way between, so that both see the
    // same moments of the machine.
    std::thread instrument([&] {
        for (int i = 0; i < kRecords; ++i) {
            line.send("ST,+" + std::to_string(i % 10) + "\r");
            written.push_back(Clock::now());
            writtenWall.push_back(std::chrono::system_clock::now());
            std::this_thread::sleep_for(std::chrono::microseconds(3500));
            referenceWritten.push_back(reference.send());
            std::this_thread::sleep_for(std::chrono::microseconds(3500));
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
    const std::vector<Clock::time_point> woken = reference.finish();

    std::vector<double> total, kernel, read, handOver, typingHandOver, firstKey;
    std::lock_guard l(mutex);
    const size_t n =
        std::min({written.size(), firstPress.size(), startKey.size(), view.framed.size()});
    // The wall clock of the records' instants on the steady clock of the key events.
    const auto steady = [&](size_t i, std::chrono::system_clock::time_point wall) {
        return written[i] + (wall - writtenWall[i]);
    };
    for (size_t i = 0; i < n; ++i) {
        const auto framed = steady(i, view.framed[i]);
        const auto handedOver = steady(i, view.handedOver[i]);
        total.push_back(ms(firstPress[i] - written[i]));
        read.push_back(ms(framed - written[i]));
        handOver.push_back(ms(handedOver - framed));
        typingHandOver.push_back(ms(startKey[i] - handedOver));
        firstKey.push_back(ms(firstPress[i] - startKey[i]));
    }
    for (size_t i = 0; i < std::min(woken.size(), referenceWritten.size()); ++i) {
        kernel.push_back(ms(woken[i] - referenceWritten[i]));
    }
    return {stats(total),       stats(kernel),       firstPress.size(),
            stats(read).p99,    stats(handOver).p99, stats(typingHandOver).p99,
            stats(firstKey).p99};
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
    double cpuMicrosPerRecord;  // the whole process's, writer included
};

// Keeps the calling thread, and the threads it starts from now on, on one
// processor, so that the instrument and the program do not take turns on it.
void runOn(int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu % std::max(1, get_nprocs()), &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

void runAnywhere() {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu = 0; cpu < get_nprocs(); ++cpu) CPU_SET(cpu, &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

Throughput throughput(Mode mode) {
    Line line;
    CountingView view;
    constexpr int kRecords = 100000;
    std::string records;
    for (int i = 0; i < kRecords; ++i) records += "ST, +" + std::to_string(i % 1000) + ".25 kg\r";
    runOn(1);  // the worker and the window's thread
    auto worker = startWorker(line, view, mode);
    const auto start = Clock::now();
    const double cpuBefore = cpuSeconds();
    std::thread writer([&] {
        runOn(0);
        line.send(records);
    });
    runEventLoopUntil([&] { return view.records.load() >= kRecords; }, std::chrono::seconds(120));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;
    writer.join();
    stopWorker(*worker);
    runAnywhere();
    return {kRecords, view.records.load(), view.records.load() / seconds, 1e6 * cpu / kRecords};
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
            const Latency& r = l[m];
            std::printf(
                "latency %-11s: %zu of 1000 typed; byte to first key median %.3f ms, p99 %.3f "
                "ms, max %.3f ms\n"
                "  kernel wake-up (a thread in poll on a pty, interleaved): median %.3f ms, p99 "
                "%.3f ms, max %.3f ms\n"
                "  ratio ours/kernel: median %.1fx, p99 %.1fx\n"
                "  p99 by stage: read %.3f, to the window's thread %.3f, to the typing thread "
                "%.3f, first key %.3f ms\n",
                name(modes[m]), r.typed, r.ours.median, r.ours.p99, r.ours.max, r.kernel.median,
                r.kernel.p99, r.kernel.max, r.ours.median / r.kernel.median,
                r.ours.p99 / r.kernel.p99, r.read, r.handOver, r.typingHandOver, r.firstKey);
        }
        std::printf("latency ratio polling/kernel wait: median %.1fx, p99 %.1fx, max %.1fx\n",
                    l[1].ours.median / l[0].ours.median, l[1].ours.p99 / l[0].ours.p99,
                    l[1].ours.max / l[0].ours.max);
    }
    if (what == "throughput" || what == "all") {
        // Runs of a second or two on a shared machine: five of each, in turn,
        // and the medians; every run must deliver all its records.
        constexpr int kRounds = 5;
        std::vector<double> rate[2], cpu[2];
        int lost = 0;
        for (int round = 0; round < kRounds; ++round) {
            for (int m = 0; m < 2; ++m) {
                const Throughput t = throughput(modes[m]);
                lost += t.in - t.out;
                rate[m].push_back(t.perSecond);
                cpu[m].push_back(t.cpuMicrosPerRecord);
            }
        }
        for (int m = 0; m < 2; ++m) {
            std::printf(
                "throughput %-11s: median of %d runs %.0f records/s (min %.0f, max %.0f), "
                "%.2f us CPU a record\n",
                name(modes[m]), kRounds, percentile(rate[m], 0.5),
                *std::min_element(rate[m].begin(), rate[m].end()),
                *std::max_element(rate[m].begin(), rate[m].end()), percentile(cpu[m], 0.5));
        }
        std::printf(
            "throughput: %d records lost in %d runs of 100000; ratio kernel/polling %.2fx\n", lost,
            2 * kRounds, percentile(rate[0], 0.5) / percentile(rate[1], 0.5));
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
