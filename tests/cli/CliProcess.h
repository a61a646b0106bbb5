#pragma once
// Runs valtyp-cli as a separate process, the way a user or a script does.

#include <QProcess>
#include <QString>
#include <QStringList>

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline CliResult runCli(const QStringList& args, const QByteArray& input = {},
                        int timeoutMs = 60000) {
    QProcess p;
    p.start(QStringLiteral(VALTYP_CLI), args);
    CliResult r;
    if (!p.waitForStarted()) return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
