// The longest pause of an event loop that logs 50 records a second into the
// reading log, as the window does, while the disk is slow. Run it with the
// slow-disk shim of this folder:
//   LD_PRELOAD=bench/libvaltyp_slowdisk.so SLOW_DISK_MS=300 bench_reading_log_pause [wait]
// "wait" makes every append also wait until its line is on the disk: the
// window's thread as it was when the log wrote there. A 1 ms timer measures
// the gaps between its ticks.
// Usage: bench_reading_log_pause [thread|wait] [--seconds N]

#include "worker/DataLine.h"
#include "worker/ReadingLog.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using Clock = std::chrono::steady_clock;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    bool wait = false;
    int seconds = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "wait") wait = true;
        if (arg == "--seconds" && i + 1 < argc) seconds = std::atoi(argv[++i]);
    }
    QTemporaryDir dir;
    int failures = 0;
    double longest = 0;
    int appended = 0;
    const auto start = Clock::now();
    {
        ReadingLog log(dir.path(), "/dev/ttyUSB0", "AND", [&](const QString& m) {
            ++failures;
            std::fprintf(stderr, "%s\n", m.toUtf8().constData());
        });
        QTimer tick;
        auto last = Clock::now();
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const auto now = Clock::now();
            longest =
                std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        });
        tick.start(1);
        QTimer records;
        QObject::connect(&records, &QTimer::timeout, [&] {
            const DataLine line("ST,+00012.34  g\r\n", "12.34", ++appended,
                                std::chrono::system_clock::now(), false);
            log.append(line, "typed");
            if (wait) log.flush();
        });
        records.start(20);
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
        QCoreApplication::exec();
        tick.stop();
        records.stop();
    }  // the log writes what is queued before it goes
    const double total = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "reading log %s: %d records in %d s, longest event-loop pause %.1f ms, %d failures "
        "reported, %.1f s until everything was written\n",
        wait ? "written on the event loop's thread" : "written on its own thread", appended,
        seconds, longest, failures, total);
    return 0;
}
