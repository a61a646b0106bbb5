#include "CliProcess.h"
#include "PseudoTerminal.h"
#include "QtPrinters.h"

#include <signal.h>

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QStringList runArgs(const QString& port, const QStringList& extra) {
    QStringList args{"run", "--port", port, "--instrument", "GENERIC"};
    return args + extra;
}

}  // namespace

TEST(RunCommand, StopsAfterTheRecordsAskedFor) {
    PseudoTerminal line;
    QProcess run;
    run.start(QStringLiteral(VALTYP_CLI), runArgs(line.portPath(), {"--count", "2"}));
    ASSERT_TRUE(run.waitForStarted());
    QThread::msleep(500);  // the port is opened and flushed before anything counts
    line.send("A 1\rB 2\rC 3\r");
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitCode(), 0);
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    EXPECT_EQ(out, "1\tA 1<13>\t1\n2\tB 2<13>\t2\n");
}

TEST(RunCommand, ATerminationSignalEndsCleanlyAndReportsUnsentData) {
    PseudoTerminal line;
    QProcess run;
    run.start(QStringLiteral(VALTYP_CLI), runArgs(line.portPath(), {"--json"}));
    ASSERT_TRUE(run.waitForStarted());
    QThread::msleep(500);
    line.send("7\rST, +1");
    QThread::msleep(300);
    ::kill(static_cast<pid_t>(run.processId()), SIGTERM);
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_EQ(run.readAllStandardOutput().trimmed(),
              R"({"count":1,"error":null,"output":"7","raw":"7<13>"})");
    const QString log = QString::fromUtf8(run.readAllStandardError());
    EXPECT_TRUE(log.contains("Unsent data (no terminator received): ST, +1")) << log.toStdString();
}

TEST(RunCommand, AMissingPortFailsAtOnce) {
    const CliResult r = runCli(runArgs("/dev/ttyNoSuchPort7", {}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("/dev/ttyNoSuchPort7")) << r.err.toStdString();
    EXPECT_EQ(runCli({"run"}).exitCode, 2);
}
