#pragma once
// One application object per test program, for tests that need Qt's event
// loop (queued calls to the user-interface thread).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

inline QCoreApplication& qtApp() {
    static int argc = 1;
    static char name[] = "valtyp-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                : new QCoreApplication(argc, argv);
    return *app;
}

// Runs the event loop until the condition holds or the time is up; returns
// the condition's last value.
inline bool processEventsUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    qtApp();
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}
