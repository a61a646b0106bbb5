// From an instrument on a serial line to keys in a window: the simulator
// sends sample records, `valtyp-cli run --type` acquires them with the real
// worker and types them through the X server into a real text field.

#include "SimulatorProcess.h"
#include "TypingTarget.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Run {
    int exitCode = -1;
    QStringList outputs;  // the output column of every record received
    QString log;
};

Run acquire(const QString& port, const QString& instrument, int count) {
    QProcess p;
    // A pseudo-terminal keeps 8 bits without parity, whatever the instrument's own line.
    p.start(QStringLiteral(VALTYP_CLI),
            {"run", "--port", port, "--instrument", instrument, "--type", "--count",
             QString::number(count), "--set", "outputTerminator=ENTER", "--set", "dataBits=3",
             "--set", "parity=0", "--set", "delay=2"});
    Run run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitCode();
    run.log = QString::fromUtf8(p.readAllStandardError());
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> columns = line.split('\t');
        if (columns.size() == 3) run.outputs << QString::fromUtf8(columns[2]);
    }
    return run;
}

QStringList typedTokens(const QStringList& outputs) {
    QStringList tokens;
    for (const QString& output : outputs) {
        if (output.isEmpty()) continue;  // nothing to type, no terminator either
        tokens << TypingTarget::characters(output) << TypingTarget::key("Return");
    }
    return tokens;
}

void expectTypedAsReceived(const QString& instrument, const QStringList& possibleOutputs) {
    TypingTarget target;
    SimulatorProcess simulator(instrument, 120);
    ASSERT_FALSE(simulator.portPath().isEmpty());
    const Run run = acquire(simulator.portPath(), instrument, 6);
    ASSERT_EQ(run.exitCode, 0) << run.log.toStdString();
    ASSERT_EQ(run.outputs.size(), 6) << run.log.toStdString();
    for (const QString& output : run.outputs) {
        EXPECT_TRUE(possibleOutputs.contains(output)) << output.toStdString();
    }
    const QStringList expected = typedTokens(run.outputs);
    EXPECT_EQ(target.received(expected.size()), expected);
    EXPECT_FALSE(target.lostFocus());
}

}  // namespace

TEST(RunTyping, BalanceRecordsArriveAsTypedValues) {
    expectTypedAsReceived("AND", {"12.34", "-12.45", "101", ""});
}

TEST(RunTyping, AnchoredPatternRecordsArriveAsTypedValues) {
    expectTypedAsReceived("KERN_MPS", {"3.3", "60.24"});
}
