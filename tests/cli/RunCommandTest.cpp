#include "CliProcess.h"
#include "CsvReader.h"
#include "PseudoTerminal.h"
#include "QtPrinters.h"

#include <signal.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
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
              R"({"count":1,"error":null,"output":"7","raw":"7<13>","status":"unknown"})");
    const QString log = QString::fromUtf8(run.readAllStandardError());
    EXPECT_TRUE(log.contains("Unsent data (no terminator received): ST, +1")) << log.toStdString();
}

TEST(RunCommand, AMissingPortFailsAtOnce) {
    const CliResult r = runCli(runArgs("/dev/ttyNoSuchPort7", {}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("/dev/ttyNoSuchPort7")) << r.err.toStdString();
    EXPECT_EQ(runCli({"run"}).exitCode, 2);
}

TEST(RunCommand, AsksASimulatedInstrumentThatOnlyAnswersWhenAsked) {
    QProcess simulate;
    simulate.start(QStringLiteral(VALTYP_CLI),
                   {"simulate", "--instrument", "MITUTOYO", "--respond-to", "1\\r"});
    ASSERT_TRUE(simulate.waitForStarted());
    ASSERT_TRUE(simulate.waitForReadyRead(20000));
    const QString port = QString::fromLocal8Bit(simulate.readLine()).trimmed();
    // Without requests this instrument stays silent, so every record below was asked for.
    const CliResult r =
        runCli({"run", "--port", port, "--instrument", "MITUTOYO", "--set", "requestInterval=100",
                "--set", "dataCommand=1\\r", "--count", "3"});
    simulate.terminate();
    ASSERT_TRUE(simulate.waitForFinished(20000));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // The instrument's samples in turn, one per request.
    EXPECT_TRUE(
        r.out.startsWith("1\t01A+001.1920<13>\t1.1920\n2\t01A-001.1805<13>\t-1.1805\n"
                         "3\t+123.45<13>\t"))
        << r.out.toStdString();

    for (const char* refused : {"dataCommand=\\q", "requestInterval=50"}) {
        const CliResult bad = runCli({"run", "--port", port, "--set", refused});
        EXPECT_EQ(bad.exitCode, 2) << refused;
        EXPECT_TRUE(bad.err.contains("invalid value")) << bad.err.toStdString();
    }
    EXPECT_EQ(runCli({"simulate", "--instrument", "MITUTOYO", "--respond-to", "\\x4"}).exitCode, 2);
}

TEST(RunCommand, AReadingLogKeepsEveryLineWrittenWhenTheProgramIsKilled) {
    PseudoTerminal line;
    QTemporaryDir dir;
    QProcess run;
    run.start(QStringLiteral(VALTYP_CLI),
              {"run", "--port", line.portPath(), "--instrument", "AND_SIMPLE", "--json", "--set",
               "stableOnly=true", "--reading-log", dir.path(),
               // 8N1: what a pseudo-terminal takes
               "--set", "dataBits=3", "--set", "parity=0"});
    ASSERT_TRUE(run.waitForStarted());
    QThread::msleep(500);
    line.send("US,+00011.91  g\r\nST,+00012.34  g\r\nOL,+9999999E+19\r\nST,+00012.34");
    QByteArray out;
    for (int i = 0; i < 200 && out.count('\n') < 3; ++i) {
        run.waitForReadyRead(100);
        out += run.readAllStandardOutput();
    }
    ASSERT_EQ(out.count('\n'), 3) << run.readAllStandardError().toStdString();
    // Printed only once logged: every record shown is on the disk.
    ::kill(static_cast<pid_t>(run.processId()), SIGKILL);
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitStatus(), QProcess::CrashExit);

    QStringList statuses;
    for (const QByteArray& record : out.trimmed().split('\n'))
        statuses << QJsonDocument::fromJson(record).object().value("status").toString();
    EXPECT_EQ(statuses, QStringList({"unstable", "stable", "overload"}));

    const QStringList files = QDir(dir.path()).entryList({"valtyp-*.csv"}, QDir::Files);
    ASSERT_EQ(files.size(), 1) << files.join(' ').toStdString();
    const auto rows = readCsvFile(QDir(dir.path()).filePath(files[0]));
    ASSERT_EQ(rows.size(), 4u);
    QStringList outcomes;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 8) << rows[i].join('|').toStdString();
        EXPECT_EQ(rows[i][2], line.portPath());
        outcomes << rows[i][5] + u'|' + rows[i][6];
    }
    EXPECT_EQ(outcomes, QStringList({"|ignored: unstable", "12.34|printed", "|ignored: overload"}));
}

TEST(RunCommand, TypingOnlyIntoAWindowIsRefusedWhereTheFocusCannotBeKnownAndBadTemplatesAlways) {
    PseudoTerminal line;
    QProcessEnvironment wayland = QProcessEnvironment::systemEnvironment();
    wayland.remove("DISPLAY");
    wayland.remove("VALTYP_KEYS");
    wayland.insert("XDG_SESSION_TYPE", "wayland");
    QProcess run;
    run.setProcessEnvironment(wayland);
    run.start(QStringLiteral(VALTYP_CLI),
              runArgs(line.portPath(), {"--type", "--set", "typeOnlyInto=Calc*"}));
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(run.readAllStandardError()),
              "valtyp-cli: typeOnlyInto cannot be honoured: the window with the keyboard focus "
              "cannot be known here (Wayland or the text console)\n");

    run.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    run.start(QStringLiteral(VALTYP_CLI),
              runArgs(line.portPath(), {"--set", "outputTemplate={value}{TAB"}));
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(run.readAllStandardError()).contains("outputTemplate"));
}
