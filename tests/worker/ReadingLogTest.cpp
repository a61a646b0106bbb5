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
