// The main window over a long run: resident memory and the time of one window
// update (a batch of records handed to the window as the worker hands them
// over, laid out and painted) after 10,000, 100,000 and 1,000,000 records.
// Runs the real window on the offscreen platform with the event log shown.
//   cmake --build build/bench --target bench_window
//   build/bench/bin/bench_window [records]

#include "valtyp/Dialogs.h"
#include "valtyp/FrameServices.h"
#include "valtyp/VideriRaZiv.h"
#include "valtyp/VideriRaZivFrame2.h"
#include "valtyp/prefs/PreferencesFactory.h"
#include "valtyp/prefs/SettingsPreferences.h"
#include "worker/DataLine.h"

#include <pty.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A dialog would stop the measurement: say what it was and give up.
class FailingDialogs : public Dialogs {
  public:
    void setOwner(QWidget*) override {}
    void message(Kind, const QString& title, const QString& text) override {
        std::fprintf(stderr, "dialog %s: %s\n", qPrintable(title), qPrintable(text));
        std::exit(1);
    }
    bool askOkCancel(const QString& title, const QString& text) override {
        message(Kind::Information, title, text);
        return false;
    }
    bool askYesNo(const QString& title, const QString& text) override {
        message(Kind::Information, title, text);
        return false;
    }
    std::optional<QString> chooseOpenFile(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> chooseFolder(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> chooseSaveFile(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
};

long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

class Feeder {
  public:
    explicit Feeder(VideriRaZivFrame2& frame) : frame_(frame) {}

    // One window update: a batch of records, then the event loop lays them
    // out and paints.
    void batch(int records) {
        for (int i = 0; i < records; ++i) {
            ++count_;
            const QString value = QString::number(count_ % 1000) + QStringLiteral(".25");
            DataLine record(QStringLiteral("ST, +000") + value + QStringLiteral(" kg\r\n"), value,
                            count_, std::chrono::system_clock::now(), false);
            frame_.update(record);
        }
        QCoreApplication::processEvents();
    }
    int count() const { return count_; }

  private:
    VideriRaZivFrame2& frame_;
    int count_ = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int total = argc > 1 ? std::atoi(argv[1]) : 1000000;
    VideriRaZiv::setDefaultProperties();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    PreferencesFactory::install(
        std::make_unique<SettingsPreferencesFactory>(dir.filePath(QStringLiteral("Valtyp.conf"))));

    int instrument = -1, port = -1;
    char portName[256] = {};
    if (openpty(&instrument, &port, portName, nullptr, nullptr) != 0) return 1;
    FailingDialogs dialogs;
    FrameServices services;
    services.dialogs = &dialogs;
    services.exit = [](int status) { std::exit(status); };
    auto frame = VideriRaZiv::createGUI({QString::fromLocal8Bit(portName)}, std::move(services));
    frame->resize(800, 600);
    frame->show();
    auto* tabs = frame->findChild<QTabWidget*>(QStringLiteral("tabbedPane"));
    tabs->setCurrentWidget(frame->findChild<QWidget*>(QStringLiteral("eventLogPanel")));
    QCoreApplication::processEvents();

    std::printf("window at start: resident %ld KiB\n", residentKiB());
    Feeder feeder(*frame);
    QElapsedTimer clock;
    clock.start();
    for (int checkpoint : {10000, 100000, 1000000}) {
        if (checkpoint > total) break;
        // A fast instrument: the worker hands over what came since the last batch.
        while (feeder.count() < checkpoint)
            feeder.batch(std::min(100, checkpoint - feeder.count()));
        const long resident = residentKiB();
        // Window updates of 10 records each, as a continuous instrument at 10
        // records a second brings them; one in a hundred drops old lines.
        std::vector<double> ms;
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer one;
            one.start();
            feeder.batch(10);
            ms.push_back(one.nsecsElapsed() / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        std::printf(
            "after %7d records: resident %6.1f MiB; update of 10 records median %.3f ms, "
            "p90 %.3f ms, max %.3f ms (%.0f s so far)\n",
            checkpoint, resident / 1024.0, ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(),
            clock.elapsed() / 1000.0);
        std::fflush(stdout);
    }
    frame.reset();
    close(port);
    close(instrument);
    return 0;
}
