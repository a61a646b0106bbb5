#include "CliProcess.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

TEST(ExtractCommand, OneLinePerRecordInDisplayForm) {
    const CliResult r =
        runCli({"extract", "--instrument", "AND"}, "ST, +00012.34 kg\r\nST, 12345,67 kg\r\n\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(),
              "1\tST, +00012.34 kg<13><10>\t12.34\n"
              "2\tST, 12345,67 kg<13><10>\t\n"
              "3\t<10>\t\n");
    EXPECT_TRUE(r.err.isEmpty());
}

TEST(ExtractCommand, TerminatorDefaultsToTheInstrumentsAndCanBeSet) {
    // GENERIC ends records at CR: the LF begins the next record.
    const CliResult generic = runCli({"extract", "--instrument", "GENERIC"}, "A 1\r\nB 2\r\n");
    EXPECT_EQ(generic.out.toStdString(), "1\tA 1<13>\t1\n2\t<10>B 2<13>\t2\n");
    EXPECT_EQ(generic.err.toStdString(), "Unsent data (no terminator received): <10>\n");
    const CliResult lf = runCli(
        {"extract", "--instrument", "GENERIC", "--set", "inputTerminator=10"}, "A 1\r\nB 2\r\n");
    EXPECT_EQ(lf.out.toStdString(), "1\tA 1<13><10>\t1\n2\tB 2<13><10>\t2\n");
    EXPECT_TRUE(lf.err.isEmpty());
}

TEST(ExtractCommand, ProcessingErrorsAreReportedPerRecordAndTheRunGoesOn) {
    const CliResult r =
        runCli({"extract", "--instrument", "GENERIC", "--set", R"(customRegEx=V=(\S+))"},
               "V=1.2.3\rV=4\r");
    ASSERT_EQ(r.exitCode, 0);
    const QList<QByteArray> lines = r.out.split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("1\tV=1.2.3<13>\tERROR: Not a decimal number"))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1].toStdString(), "2\tV=4<13>\t4");
}

TEST(ExtractCommand, JsonRecordsAndTheRepeatFilter) {
    const CliResult r =
        runCli({"extract", "--instrument", "GENERIC", "--json", "--set", "ignoreDuplicates=true"},
               "5\r5\r6\r");
    ASSERT_EQ(r.exitCode, 0);
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(second.value("count").toInt(), 2);
    EXPECT_EQ(second.value("raw").toString(), "5<13>");
    EXPECT_EQ(second.value("output").toString(), "");  // filtered as a repeat
    EXPECT_TRUE(second.value("error").isNull());
    EXPECT_EQ(QJsonDocument::fromJson(lines[2]).object().value("output").toString(), "6");
}

TEST(ExtractCommand, RefusesBadSettingsWithStatusTwo) {
    for (const QStringList& args :
         {QStringList{"extract", "--set", "decimalPlaces=8"},
          QStringList{"extract", "--set", "noSuchKey=1"}, QStringList{"extract", "--set", "delay"},
          QStringList{"extract", "--instrument", "generic"},
          QStringList{"extract", "--set", "ignoreDuplicates=maybe"},
          QStringList{"extract", "--bogus"}}) {
        const CliResult r = runCli(args, "1\r");
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("valtyp-cli: ")) << r.err.toStdString();
    }
}

TEST(ExtractCommand, AnyBytesAndNoTerminatorNeverHangOrCrash) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const CliResult bytes = runCli({"extract"}, all.repeated(3));
    EXPECT_EQ(bytes.exitCode, 0);
    EXPECT_EQ(bytes.out.count('\n'), 3);
    // A stream that never terminates is given up in bounded pieces.
    const CliResult endless = runCli({"extract"}, QByteArray(200 * 1024, 'x'));
    EXPECT_EQ(endless.exitCode, 0);
    EXPECT_TRUE(endless.out.isEmpty());
    EXPECT_EQ(endless.err.count('\n'), 4);
}

TEST(SamplesCommand, EveryInstrumentPasses) {
    const CliResult r = runCli({"samples"});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("FAIL"));
    EXPECT_TRUE(r.out.contains("PASS AND [ST, +00012.34 kg] -> [+00012.34]"));
    EXPECT_TRUE(r.out.endsWith("0 failed\n"));
}

TEST(ExtractCommand, JsonCarriesTheStatusAndStableOnlyKeepsJustTheStableReading) {
    const QByteArray settling =
        "US,+00011.91  g\r\nST,+00012.34  g\r\nOL,+9999999E+19\r\nTN,   HR-100A\r\n";
    for (const bool stableOnly : {false, true}) {
        QStringList args{"extract", "--instrument", "AND", "--json"};
        if (stableOnly)
            args << "--set"
                 << "stableOnly=true";
        const CliResult r = runCli(args, settling);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QStringList statuses;
        QStringList outputs;
        for (const QByteArray& line : r.out.trimmed().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            statuses << o.value("status").toString();
            outputs << o.value("output").toString();
        }
        EXPECT_EQ(statuses, QStringList({"unstable", "stable", "overload", "none"}));
        EXPECT_EQ(outputs, stableOnly ? QStringList({"", "12.34", "", ""})
                                      : QStringList({"11.91", "12.34", "", ""}));
    }
}
