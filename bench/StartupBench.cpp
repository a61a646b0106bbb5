// The desktop program's start-up time to a shown window, and its resident
// memory when idle and after 1,000 records, measured on the real program.
//
// Needs an X server of its own in $DISPLAY (it types the values, into
// whatever has the focus there): start Xvfb first. Build without
// sanitizers for meaningful figures:
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVALTYP_BUILD_TESTS=OFF
//   cmake --build build/bench --target bench_startup
//   Xvfb :72 -screen 0 1280x800x24 -nolisten tcp & DISPLAY=:72 build/bench/bin/bench_startup

#include "PseudoTerminal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

// Last: Xlib defines names (Status, Bool) that Qt's headers use.
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const char* const kTitle = "Belmaro Valtyp";

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

// Whether a top-level window with the program's title is mapped and viewable.
bool windowShown(Display* display) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return false;
    bool shown = false;
    for (unsigned int i = 0; i < count && !shown; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name != nullptr) {
            XWindowAttributes attributes{};
            shown = std::string(name) == kTitle &&
                    XGetWindowAttributes(display, children[i], &attributes) &&
                    attributes.map_state == IsViewable;
            XFree(name);
        }
    }
    if (children != nullptr) XFree(children);
    return shown;
}

long residentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

class Program {
  public:
    Program(const QString& configHome, const QString& port) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        process_.setProcessEnvironment(environment);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(QStringLiteral(VALTYP_PROGRAM), {port});
    }
    ~Program() {
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        if (!process_.waitForFinished(10000)) process_.kill();
        process_.waitForFinished();
    }
    qint64 pid() const { return process_.processId(); }

  private:
    QProcess process_;
};

void writeSettings(const QString& configHome, bool autoStart) {
    QDir().mkpath(configHome + QStringLiteral("/Belmaro"));
    QFile file(configHome + QStringLiteral("/Belmaro/Valtyp.conf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    file.write(
        "[com]\nbelmaro\\Valtyp\\instrument=KERN_MPS\nbelmaro\\Valtyp\\inputTerminator=10\n"
        "belmaro\\Valtyp\\delay=0\nbelmaro\\Valtyp\\checkForUpdates=false\n");
    file.write(autoStart ? "belmaro\\Valtyp\\connect=AUTO\n" : "belmaro\\Valtyp\\connect=MANUAL\n");
}

double startUpSeconds(Display* display, const QString& configHome, const QString& port) {
    const auto started = Clock::now();
    Program program(configHome, port);
    while (!windowShown(display)) {
        if (Clock::now() - started > 30s) return -1;
        std::this_thread::sleep_for(1ms);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return seconds;
}

// Bytes the port side has not read yet.
int unread(int portSide) {
    int n = 0;
    return ioctl(portSide, FIONREAD, &n) == 0 ? n : -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("bench_startup: no X display in $DISPLAY\n", stderr);
        return 2;
    }
    QTemporaryDir configHome;
    PseudoTerminal line;

    writeSettings(configHome.path(), false);
    std::vector<double> times;
    for (int i = 0; i < 7; ++i)
        times.push_back(startUpSeconds(display.get(), configHome.path(), line.portPath()));
    std::sort(times.begin(), times.end());
    std::printf("start-up to a shown window: median %.3f s, min %.3f s, max %.3f s (%zu runs)\n",
                times[times.size() / 2], times.front(), times.back(), times.size());

    writeSettings(configHome.path(), true);
    Program program(configHome.path(), line.portPath());
    while (!windowShown(display.get())) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(500ms);
    std::printf("resident memory, running idle: %.1f MB\n", residentKiB(program.pid()) / 1024.0);

    const int portSide =
        ::open(line.portPath().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    for (int i = 0; i < 1000; ++i) {
        line.send(QByteArrayLiteral("N      ") + QByteArray::number(i % 97) +
                  QByteArrayLiteral(".25 kg\r\n"));
        if (i % 50 == 49)
            std::this_thread::sleep_for(20ms);  // about an instrument's pace, compressed
    }
    const auto sent = Clock::now();
    while (portSide >= 0 && unread(portSide) > 0 && Clock::now() - sent < 60s)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(2s);  // the last records through the log and the keyboard
    std::printf("resident memory after 1,000 records: %.1f MB\n",
                residentKiB(program.pid()) / 1024.0);
    if (portSide >= 0) ::close(portSide);
    return 0;
}
