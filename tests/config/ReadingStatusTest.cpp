// Reading status from the record layouts the balance makers publish, and no
// status at all from every other instrument.

#include "config/Instrument.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace ConfigHelper;
using S = ReadingStatus;

namespace {

struct Case {
    Instrument instrument;
    const char* record;
    ReadingStatus expected;
};

// clang-format off
const Case cases[] = {
    // A&D standard format and dump print; command answers hold no weight.
    {Instrument::AND, "ST,+00012.34  g\r\n", S::STABLE},
    {Instrument::AND, "ST, +00012.34 kg", S::STABLE},
    {Instrument::AND, "QT,+00000101 PC\r\n", S::STABLE},
    {Instrument::AND, "US,-00012.45  g\r\n", S::UNSTABLE},
    {Instrument::AND, "OL,+9999999E+19\r\n", S::OVERLOAD},
    {Instrument::AND, "OL,-9999999E+19\r\n", S::UNDERLOAD},
    {Instrument::AND, "WT     +12.34  g\r\n", S::STABLE},
    {Instrument::AND, "TN,   HR-100A\r\n", S::NO_WEIGHT},
    {Instrument::AND, "EC,E1\r\n", S::NO_WEIGHT},
    {Instrument::AND, "+00012.34\r\n", S::UNKNOWN},  // headerless number format
    {Instrument::AND, "\nUS,+00012.35  g\r", S::UNSTABLE},  // framed at CR
    {Instrument::AND, "\r\n", S::UNKNOWN},
    {Instrument::AND_SIMPLE, "OL,+9999999E+19\r\n", S::OVERLOAD},
    {Instrument::AND_SIMPLE, "US,+00001.00  g\r\n", S::UNSTABLE},
    {Instrument::AND_EM, "ST,+00070.25 kg\r\n", S::STABLE},
    {Instrument::AND_EM, "ID,123456\r\n", S::NO_WEIGHT},
    // ID number, data number, date and time in fields before the header.
    {Instrument::AND, "LAB-0123,No.000001,2024/12/31,12:34:56,ST,+00123.45,g\r\n", S::STABLE},
    {Instrument::AND, "LAB-0123,No.000002,2024/12/31,12:34:57,US,-00001.20,g\r\n", S::UNSTABLE},
    {Instrument::AND, "LAB-0123,No.000003,2024/12/31,12:34:58,OL,-9999999E+19\r\n", S::UNDERLOAD},
    {Instrument::AND_SIMPLE, "No.000004,12:35:00,OL,+9999999E+19,g\r\n", S::OVERLOAD},
    {Instrument::AND, "LAB-0123,No.000005\r\n", S::NO_WEIGHT},
    // The standard command set's weight answers and error answers.
    {Instrument::METTLER_DIALOG, "S S      100.00 g\r\n", S::STABLE},
    {Instrument::METTLER_DIALOG, "S D      100.01 g\r\n", S::UNSTABLE},
    {Instrument::METTLER_DIALOG, "S S     -100.00 g\r\n", S::STABLE},
    {Instrument::METTLER_DIALOG, "S +\r\n", S::OVERLOAD},
    {Instrument::METTLER_DIALOG, "S -\r\n", S::UNDERLOAD},
    {Instrument::METTLER_DIALOG, "S I\r\n", S::INSTRUMENT_ERROR},
    {Instrument::METTLER_DIALOG, "ES\r\n", S::INSTRUMENT_ERROR},
    {Instrument::METTLER_DIALOG, "ET\r\n", S::INSTRUMENT_ERROR},
    {Instrument::METTLER_DIALOG, "EL\r\n", S::INSTRUMENT_ERROR},
    {Instrument::METTLER_DIALOG, "SU S     100.00 g\r\n", S::STABLE},
    {Instrument::METTLER_DIALOG, "SU D     100.03 g\r\n", S::UNSTABLE},
    {Instrument::METTLER_DIALOG, "     100.00 g\r\n", S::UNKNOWN},
    // Answers to other commands: the tare, zero, the serial number.
    {Instrument::METTLER_DIALOG, "T S     100.00 g\r\n", S::NO_WEIGHT},
    {Instrument::METTLER_DIALOG, "TA A     20.00 g\r\n", S::NO_WEIGHT},
    {Instrument::METTLER_DIALOG, "T I\r\n", S::NO_WEIGHT},
    {Instrument::METTLER_DIALOG, "Z A\r\n", S::NO_WEIGHT},
    {Instrument::METTLER_DIALOG, "I4 A \"0123456789\"\r\n", S::NO_WEIGHT},
    // Stability, then gross or net.
    {Instrument::KERN_KFB, "ST,GS,    1.234 kg\r\n", S::STABLE},
    {Instrument::KERN_KFB, "US,GS,    1.236 kg\r\n", S::UNSTABLE},
    {Instrument::KERN_KFB, "ST,NT,    0.998 kg\r\n", S::STABLE},
    {Instrument::KERN_KFB, "    1.234 kg\r\n", S::UNKNOWN},
    // One ticket line a record: only the weight line holds the reading.
    {Instrument::ADAM_HCB, "Date       12/09/2006\r\n", S::NO_WEIGHT},
    {Instrument::ADAM_HCB, "Time         14:56:27\r\n", S::NO_WEIGHT},
    {Instrument::ADAM_HCB, "No.                 5\r\n", S::NO_WEIGHT},
    {Instrument::ADAM_HCB, "Gross Wt     1.234 kg\r\n", S::UNKNOWN},
    {Instrument::ADAM_HCB, "Total       12.345 kg\r\n", S::NO_WEIGHT},
    {Instrument::ADAM_HCB, "TOTAL:     -12.345 kg\r\n", S::NO_WEIGHT},
    {Instrument::ADAM_HCB, "\r\n", S::UNKNOWN},
    {Instrument::ADAM_HCB, "      1.234 kg\r\n", S::UNKNOWN},
    {Instrument::ADAM_HCB, "      1.234\r\n", S::UNKNOWN},
    // A "?" after the unit while the reading settles.
    {Instrument::OHAUS, "       12.73 g    ?\r\n", S::UNSTABLE},
    {Instrument::OHAUS, "        0.00 g     \r\n", S::STABLE},
    {Instrument::OHAUS, "           3 PCS  ?\r\n", S::UNSTABLE},
    {Instrument::OHAUSSPU, "      0.211 kg ?\r\n", S::UNSTABLE},
    {Instrument::OHAUSSPU, "        200 g  \r\n", S::STABLE},
    // No unit symbol until the reading settles; special and error codes.
    {Instrument::SARTORIUS, "+   123.45 g  \r\n", S::STABLE},
    {Instrument::SARTORIUS, "-     0.12 kg \r\n", S::STABLE},
    {Instrument::SARTORIUS, "+   123.45     \r\n", S::UNSTABLE},
    {Instrument::SARTORIUS, "N     +   123.45 g  \r\n", S::STABLE},
    {Instrument::SARTORIUS, "N     +   123.46     \r\n", S::UNSTABLE},
    {Instrument::SARTORIUS, "         H    \r\n", S::OVERLOAD},
    {Instrument::SARTORIUS, "         L    \r\n", S::UNDERLOAD},
    {Instrument::SARTORIUS, "Err 101       \r\n", S::INSTRUMENT_ERROR},
    {Instrument::SARTORIUS, "         C    \r\n", S::UNKNOWN},
    // The unit field is left blank (or out) while unstable; "Error" on a fault.
    {Instrument::KERN_572, "         0.0 g  \r\n", S::STABLE},
    {Instrument::KERN_572, "         0.0 \r\n", S::UNSTABLE},
    {Instrument::KERN_DS, "-      12.35 kg \r\n", S::STABLE},
    {Instrument::KERN_FKB, "       Error\r\n", S::INSTRUMENT_ERROR},
    {Instrument::KERND_DE, "        123.45 kg \r\n", S::STABLE},
    {Instrument::KERND_DE, "        123.45     \r\n", S::UNSTABLE},
    {Instrument::KERND_440E, "       10 pcs\r\n", S::STABLE},
    {Instrument::KERN_KB_N, "        5.12.\r\n", S::UNSTABLE},  // a point is no unit
};
// clang-format on

std::string shown(const char* record) {
    std::string s;
    for (const char* p = record; *p; ++p) {
        s += *p == '\r'   ? std::string("<13>")
             : *p == '\n' ? std::string("<10>")
                          : std::string(1, *p);
    }
    return s;
}

}  // namespace

TEST(ReadingStatus, PublishedRecordFormsAreClassified) {
    for (const Case& c : cases) {
        EXPECT_EQ(readingStatusName(getReadingStatus(c.instrument, QString::fromLatin1(c.record))),
                  readingStatusName(c.expected))
            << Options<Instrument>::name(c.instrument).toStdString() << " [" << shown(c.record)
            << "]";
    }
}

TEST(ReadingStatus, InstrumentsWithoutAPublishedStatusNeverGiveOne) {
    // Not even for records that would carry one in another format.
    const std::set<Instrument> withStatus = [] {
        std::set<Instrument> s;
        for (const Case& c : cases) s.insert(c.instrument);
        return s;
    }();
    for (Instrument instrument : Options<Instrument>::values()) {
        if (withStatus.contains(instrument)) continue;
        std::vector<QString> records;
        for (const auto& sample : getTestStrings(instrument)) records.push_back(sample.first);
        for (const Case& c : cases) records.push_back(QString::fromLatin1(c.record));
        for (const QString& record : records) {
            EXPECT_EQ(getReadingStatus(instrument, record), S::UNKNOWN)
                << Options<Instrument>::name(instrument).toStdString() << " "
                << record.toStdString();
        }
    }
}
