// What a form needs, and only where it belongs: `valtyp-cli run --type` with
// an output template typing into a real window, and with typeOnlyInto
// keeping readings out of the window that has the focus by mistake.

#include "CsvReader.h"
#include "PseudoTerminal.h"
#include "TypingTarget.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include <gtest/gtest.h>

namespace {

const QString kMailTitle = QStringLiteral("Mail — Inbox");
const QString kElsewhere = QStringLiteral("focus on 'Mail — Inbox', not 'Calc*'");

// A run on the line, typing, with the settings given; its records come from the test.
class CliRun {
  public:
    CliRun(const QString& port, int count, const QStringList& settings, const QString& readingLog) {
        QStringList args{"run", "--port", port, "--instrument", "AND_SIMPLE", "--type", "--count",
                         QString::number(count), "--reading-log", readingLog,
                         // 8N1: what a pseudo-terminal takes
                         "--set", "dataBits=3", "--set", "parity=0", "--set", "delay=2", "--set",
                         "outputTerminator=ENTER"};
        for (const QString& s : settings) args << "--set" << s;
        process_.start(QStringLiteral(VALTYP_CLI), args);
        process_.waitForStarted();
        QThread::msleep(700);  // the port opened
    }
    ~CliRun() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    // Waits until the log holds `count` lines containing `text`.
    bool waitForLog(const QString& text, int count) {
        for (int i = 0; i < 300 && log_.count(text) < count; ++i) {
            process_.waitForReadyRead(100);
            log_ += QString::fromUtf8(process_.readAllStandardError());
        }
        return log_.count(text) >= count;
    }

    int finish() {
        if (!process_.waitForFinished(60000)) return -1;
        log_ += QString::fromUtf8(process_.readAllStandardError());
        for (const QByteArray& line : process_.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> columns = line.split('\t');
            if (columns.size() == 3) outputs << QString::fromUtf8(columns[2]);
        }
        return process_.exitCode();
    }

    QStringList outputs;  // the output column of every record, once finished
    const QString& log() const { return log_; }

  private:
    QProcess process_;
    QString log_;
};

// The outcome column of every record in the day's reading log.
QStringList outcomes(const QTemporaryDir& dir) {
    const QStringList files = QDir(dir.path()).entryList({"valtyp-*.csv"}, QDir::Files);
    if (files.size() != 1) return {"files: " + files.join(' ')};
    QStringList result;
    const auto rows = readCsvFile(QDir(dir.path()).filePath(files[0]));
    for (std::size_t i = 1; i < rows.size(); ++i) result << rows[i].value(6);
    return result;
}

QString typedTokens(const QStringList& outputs) {
    QStringList tokens;
    for (const QString& output : outputs)
        tokens << TypingTarget::characters(output) << TypingTarget::key("Return");
    return tokens.join(u'|');
}

}  // namespace

TEST(TemplateTyping, ValueTabTimeEnterArriveExactlyInTheWindow) {
    TypingTarget target;
    PseudoTerminal line;
    QTemporaryDir dir;
    const QString before = QTime::currentTime().toString(QStringLiteral("HH:mm"));
    CliRun run(line.portPath(), 2, {"outputTemplate={value}{TAB}{time:HH:mm}{ENTER}"}, dir.path());
    line.send("ST,+00012.34  g\r\nST,-00001.50  g\r\n");
    ASSERT_EQ(run.finish(), 0) << run.log().toStdString();
    const QString after = QTime::currentTime().toString(QStringLiteral("HH:mm"));
    ASSERT_EQ(run.outputs.size(), 2) << run.log().toStdString();

    // value, Tab, the reading's hour and minute, Enter; and nothing of the terminator setting.
    QStringList expected;
    for (const QString& output : run.outputs)
        expected << TypingTarget::characters(output) << TypingTarget::key("Tab")
                 << TypingTarget::characters("HH:mm") << TypingTarget::key("Return");
    const QStringList received = target.received(expected.size());
    ASSERT_EQ(received.size(), expected.size()) << received.join(' ').toStdString();
    qsizetype at = 0;
    for (const QString& output : run.outputs) {
        at += output.size() + 1;  // the value and Tab
        const QString time = received.mid(at, 5).join(QString());
        EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d$").match(time).hasMatch())
            << time.toStdString();
        EXPECT_TRUE(time >= before && time <= after) << time.toStdString();
        for (qsizetype i = 0; i < 5; ++i) expected[at + i] = received[at + i];
        at += 5 + 1;  // the time and Enter
    }
    EXPECT_EQ(received, expected);
    EXPECT_EQ(outcomes(dir), QStringList({"typed", "typed"}));
}

TEST(FocusGuardTyping, ReadingsWhileAnotherWindowHasTheFocusAreNotTypedAndLoggedAsIgnored) {
    TypingTarget chosen(QStringLiteral("Calc sheet"));
    TypingTarget other(kMailTitle);  // takes the focus
    PseudoTerminal line;
    QTemporaryDir dir;
    CliRun run(line.portPath(), 2, {"typeOnlyInto=Calc*"}, dir.path());
    line.send("ST,+00012.34  g\r\nST,+00012.50  g\r\n");
    ASSERT_EQ(run.finish(), 0) << run.log().toStdString();
    ASSERT_EQ(run.outputs.size(), 2);

    EXPECT_TRUE(run.log().contains("Not typed: " + run.outputs[0] + " (" + kElsewhere + ")"))
        << run.log().toStdString();
    EXPECT_EQ(outcomes(dir), QStringList({"ignored: " + kElsewhere, "ignored: " + kElsewhere}));
    EXPECT_EQ(other.received(0), QStringList());
    EXPECT_EQ(chosen.received(0), QStringList());
}

TEST(FocusGuardTyping, HeldReadingsAreTypedOnceTheChosenWindowHasTheFocus) {
    TypingTarget chosen(QStringLiteral("Calc sheet"));
    TypingTarget other(kMailTitle);
    PseudoTerminal line;
    QTemporaryDir dir;
    CliRun run(line.portPath(), 2, {"typeOnlyInto=Calc*", "typeOnlyIntoHoldSeconds=60"},
               dir.path());
    line.send("ST,+00012.34  g\r\nST,+00012.50  g\r\n");
    ASSERT_TRUE(run.waitForLog("Held for up to 60 s", 2)) << run.log().toStdString();
    EXPECT_EQ(other.received(0), QStringList());

    ASSERT_TRUE(chosen.takeFocus());
    ASSERT_EQ(run.finish(), 0) << run.log().toStdString();
    ASSERT_EQ(run.outputs.size(), 2);
    const QString typed = typedTokens(run.outputs);
    EXPECT_EQ(chosen.received(typed.count(u'|') + 1).join(u'|'), typed);
    EXPECT_EQ(other.received(0), QStringList());
    EXPECT_TRUE(run.log().contains("Typed now that the focus is back: " + run.outputs[1]))
        << run.log().toStdString();
    EXPECT_EQ(outcomes(dir), QStringList({"typed", "typed"}));
}
