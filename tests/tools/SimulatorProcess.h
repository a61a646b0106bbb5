#pragma once
// Runs `valtyp-cli simulate` for the tests: an instrument on a pseudo-terminal
// sending its sample records. Needs VALTYP_CLI, the program's path.

#include <QProcess>
#include <QString>
#include <QStringList>

class SimulatorProcess {
  public:
    SimulatorProcess(const QString& instrument, int intervalMs, const QStringList& extra = {}) {
        process_.start(QStringLiteral(VALTYP_CLI),
                       QStringList{"simulate", "--instrument", instrument, "--interval",
                                   QString::number(intervalMs)} +
                           extra);
        // The first line of its output is the port's path.
        if (process_.waitForReadyRead(10000))
            path_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~SimulatorProcess() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished();
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Empty when the simulator did not come up.
    const QString& portPath() const { return path_; }

  private:
    QProcess process_;
    QString path_;
};
