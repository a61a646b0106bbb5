// The reading log as an auditor reads it: real files in a temporary folder,
// parsed back with a CSV reader of the test's own.

#include "config/Config.h"
#include "worker/DataLine.h"
#include "worker/Ignorer.h"
#include "worker/ReadingLog.h"
#include "worker/RecordProcessor.h"

#include "CsvReader.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/stat.h>

using namespace ConfigHelper;

namespace {

DataLine::Instant at(const QDate& day, const QTime& time) {
    return DataLine::Instant(std::chrono::milliseconds(QDateTime(day, time).toMSecsSinceEpoch()));
}

QStringList column(const std::vector<QStringList>& rows, int column) {
    QStringList values;
    for (std::size_t i = 1; i < rows.size(); ++i) values << rows[i].value(column);
    return values;
}

}  // namespace

TEST(ReadingLog, EveryOutcomeOfARunIsOneCsvLine) {
    QTemporaryDir dir;
    Config config;
    config.setInstrument(Instrument::AND);
    config.stableOnly = true;
    config.ignoreDuplicates = true;
    RecordProcessor processor(config);
    Ignorer ignorer(config);
    QStringList failures;
    ReadingLog log(dir.path(), "/dev/ttyUSB0", "AND", [&](const QString& m) { failures << m; });

    const QDate day(2026, 12, 9);
    const char* records[] = {"ST,+00012.34  g\r\n", "ST,+00012.34  g\r\n", "US,+00012.41  g\r\n",
                             "OL,+9999999E+19\r\n", "TN,   HR-100A\r\n",   "\r\n"};
    int count = 0;
    for (const QString raw : records) {
        ++count;
        DataLine record(raw, processor.read(raw), count, at(day, QTime(10, 15, 30, count)),
                        count == 3);
        const bool hadValue = record.hasValue();
        ignorer.process(record);
        log.append(record, readingOutcome(record, "typed", hadValue && !record.hasValue()));
    }
    const DataLine failed = DataLine::failed("V=\"1,2\"\r", "Not a decimal number: \"1,2\"",
                                             ++count, at(day, QTime(10, 15, 31)), false);
    log.append(failed, readingOutcome(failed, "typed", false));
    log.flush();

    const auto rows = readCsvFile(QDir(dir.path()).filePath("valtyp-2026-12-09.csv"));
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0], ReadingLog::columns());
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 8) << i;
        EXPECT_EQ(rows[i][1], QString::number(i));
        EXPECT_EQ(rows[i][2], "/dev/ttyUSB0");
        EXPECT_EQ(rows[i][3], "AND");
    }
    EXPECT_EQ(column(rows, 4), QStringList({"ST,+00012.34  g<13><10>", "ST,+00012.34  g<13><10>",
                                            "US,+00012.41  g<13><10>", "OL,+9999999E+19<13><10>",
                                            "TN,   HR-100A<13><10>", "<13><10>", "V=\"1,2\"<13>"}));
    EXPECT_EQ(column(rows, 5), QStringList({"12.34", "", "", "", "", "", ""}));
    EXPECT_EQ(column(rows, 6),
              QStringList({"typed", "ignored: duplicate", "ignored: unstable", "ignored: overload",
                           "ignored: no weight", "ignored: no value",
                           "error: Not a decimal number: \"1,2\""}));
    EXPECT_EQ(column(rows, 7), QStringList({"no", "no", "yes", "no", "no", "no", "no"}));
    // Local time with milliseconds and the offset from UTC: the same instant.
    const QDateTime third = QDateTime::fromString(rows[3][0], Qt::ISODateWithMs);
    EXPECT_EQ(third.toMSecsSinceEpoch(), QDateTime(day, QTime(10, 15, 30, 3)).toMSecsSinceEpoch())
        << rows[3][0].toStdString();
    EXPECT_TRUE(rows[3][0].contains(QRegularExpression(R"(T10:15:30\.003[+-]\d\d:\d\d$)")))
        << rows[3][0].toStdString();
    EXPECT_TRUE(failures.isEmpty());
}

TEST(ReadingLog, ADayChangeStartsANewFileAndARestartAppends) {
    QTemporaryDir dir;
    const QDate day(2026, 12, 31);
    {
        ReadingLog log(dir.path(), "COM1", "GENERIC", {});
        log.append(DataLine("1\r", "1", 1, at(day, QTime(23, 59, 59, 900)), false), "typed");
        log.append(DataLine("2\r", "2", 2, at(day.addDays(1), QTime(0, 0, 0, 100)), false),
                   "typed");
    }
    {
        ReadingLog log(dir.path(), "COM1", "GENERIC", {});
        log.append(DataLine("3\r", "3", 1, at(day.addDays(1), QTime(8, 0)), false), "typed");
    }
    const auto oldDay = readCsvFile(QDir(dir.path()).filePath("valtyp-2026-12-31.csv"));
    const auto newDay = readCsvFile(QDir(dir.path()).filePath("valtyp-2027-01-01.csv"));
    ASSERT_EQ(oldDay.size(), 2u);
    EXPECT_EQ(oldDay[1].value(5), "1");
    ASSERT_EQ(newDay.size(), 3u) << "one header, then the lines of both runs";
    EXPECT_EQ(newDay[0], ReadingLog::columns());
    EXPECT_EQ(newDay[1].value(5), "2");
    EXPECT_EQ(newDay[2].value(5), "3");
}

TEST(ReadingLog, ALineCutShortByAPowerCutDoesNotSwallowTheNextOne) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("valtyp-2026-12-09.csv");
    QFile torn(path);
    ASSERT_TRUE(torn.open(QIODevice::WriteOnly));
    torn.write(ReadingLog::csvLine(ReadingLog::columns()) + "2026-12-09T10:00:00.000+01:00,1,CO");
    torn.close();
    ReadingLog log(dir.path(), "COM1", "GENERIC", {});
    log.append(DataLine("7\r", "7", 1, at(QDate(2026, 12, 9), QTime(11, 0)), false), "typed");
    log.flush();
    const auto rows = readCsvFile(path);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].value(5), "7");
}

TEST(ReadingLog, AWriteFailureIsReportedOnceAndNothingThrows) {
    QTemporaryDir dir;
    const QString notAFolder = QDir(dir.path()).filePath("plain-file");
    QFile file(notAFolder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QStringList failures;
    ReadingLog log(notAFolder, "COM1", "GENERIC", [&](const QString& m) { failures << m; });
    for (int i = 1; i <= 3; ++i) {
        log.append(DataLine("5\r", "5", i, std::chrono::system_clock::now(), false), "typed");
    }
    log.flush();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith("The reading log cannot be written"))
        << failures[0].toStdString();
    EXPECT_TRUE(failures[0].contains(notAFolder + "/valtyp-")) << failures[0].toStdString();
    EXPECT_TRUE(failures[0].endsWith("Not a directory")) << failures[0].toStdString();
}

TEST(ReadingLog, FieldsAreQuotedExactlyWhereCsvNeedsIt) {
    const std::pair<QString, QByteArray> cases[] = {
        {"plain 12.34", "plain 12.34"},
        {"ST,+1", "\"ST,+1\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"", ""},
    };
    for (const auto& [field, quoted] : cases) {
        EXPECT_EQ(ReadingLog::csvLine({field, "x"}), quoted + ",x\r\n") << field.toStdString();
        EXPECT_EQ(parseCsv(QString::fromUtf8(ReadingLog::csvLine({field, "x"}))),
                  std::vector<QStringList>({{field, "x"}}));
    }
}

TEST(ReadingLog, TextFieldsStayTextInASpreadsheetAndPlainNumbersStayNumbers) {
    struct Case {
        QString field;
        QString asText;   // a text column
        QString asValue;  // the output column
    };
    const Case cases[] = {
        {"=1+1", "'=1+1", "'=1+1"},
        {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"-2+3", "'-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx", "'\tx"},
        {"\rx", "'\rx", "'\rx"},
        {"+12.34", "'+12.34", "+12.34"},
        {"-12.34", "'-12.34", "-12.34"},
        {"-12,34", "'-12,34", "-12,34"},
        {"-.5", "'-.5", "-.5"},
        {"-OL-", "'-OL-", "'-OL-"},
        {"- 1", "'- 1", "'- 1"},
        {"12.34", "12.34", "12.34"},
        {"ST,+00012.34 g", "ST,+00012.34 g", "ST,+00012.34 g"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadingLog::textField(c.field), c.asText) << c.field.toStdString();
        EXPECT_EQ(ReadingLog::valueField(c.field), c.asValue) << c.field.toStdString();
    }

    // In the file: the raw record is text whatever it holds, the output a
    // number when it is one, and the port and instrument text too.
    QTemporaryDir dir;
    {
        ReadingLog log(dir.path(), "-port", "=INSTR", {});
        const QDate day(2026, 12, 9);
        log.append(DataLine("-12.34\r\n", "-12.34", 1, at(day, QTime(9, 0)), false), "typed");
        log.append(DataLine("=1+1\r\n", "=1+1", 2, at(day, QTime(9, 1)), false), "typed");
    }
    const auto rows = readCsvFile(QDir(dir.path()).filePath("valtyp-2026-12-09.csv"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].mid(2, 4), QStringList({"'-port", "'=INSTR", "'-12.34<13><10>", "-12.34"}));
    EXPECT_EQ(rows[2].mid(2, 4), QStringList({"'-port", "'=INSTR", "'=1+1<13><10>", "'=1+1"}));
}

TEST(ReadingLog, AHungDiskHoldsUpNoAppendLosesNothingQueuedAndOverflowIsSaidOnce) {
    // A pipe nobody reads stands in for a disk that stopped answering: once
    // its buffer is full, the log's write waits until the test reads.
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("valtyp-2026-12-09.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    std::mutex mutex;
    QStringList failures;
    auto log = std::make_unique<ReadingLog>(
        dir.path(), "COM1", "GENERIC",
        [&](const QString& m) {
            std::lock_guard lock(mutex);
            failures << m;
        },
        100);
    const QDate day(2026, 12, 9);
    constexpr int kRecords = 3000;  // far beyond the pipe's buffer and the queue
    auto appends = std::async(std::launch::async, [&] {
        for (int i = 1; i <= kRecords; ++i) {
            log->append(DataLine("7\r", "7", i, at(day, QTime(8, 0)), false), "typed");
        }
    });
    const bool returned = appends.wait_for(std::chrono::seconds(20)) == std::future_status::ready;

    // Reading the pipe is the disk answering again.
    QByteArray written;
    std::thread disk([&] {
        QFile pipe(path);
        if (!pipe.open(QIODevice::ReadOnly)) return;
        written = pipe.readAll();  // until the log closes its end
    });
    appends.wait();
    EXPECT_TRUE(returned) << "an append waited for the disk";
    log->flush();  // the disk answers again: the queue empties
    log->append(DataLine("8\r", "8", kRecords + 1, at(day, QTime(8, 1)), false), "typed");
    log.reset();  // writes what is queued, then closes the file
    disk.join();

    ASSERT_EQ(failures.size(), 1) << failures.join('|').toStdString();
    EXPECT_TRUE(failures[0].startsWith("The reading log's disk does not keep up"))
        << failures[0].toStdString();
    const auto rows = parseCsv(QString::fromUtf8(written));
    ASSERT_GT(rows.size(), 2u);
    EXPECT_EQ(rows[0], ReadingLog::columns());
    EXPECT_LT(rows.size(), std::size_t(kRecords) + 2) << "the overflow left lines out";
    int previous = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const int record = rows[i].value(1).toInt();
        EXPECT_GT(record, previous) << "in order, each once";
        previous = record;
    }
    EXPECT_EQ(rows.back().value(5), "8") << "the line queued last is written before the end";
}
