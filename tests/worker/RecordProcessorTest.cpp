#include "config/Config.h"
#include "worker/DataLine.h"
#include "worker/RecordFramer.h"
#include "worker/RecordProcessor.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>

using namespace ConfigHelper;

namespace {

Config configFor(Instrument instrument) {
    Config c;
    c.setInstrument(instrument);
    return c;
}

QString process(const Config& c, const QString& record) {
    return RecordProcessor(c).process(record);
}

}  // namespace

TEST(RecordProcessor, NumberRecordThroughTheWholePipeline) {
    EXPECT_EQ(process(configFor(Instrument::AND), "ST, +00012.34 kg\r\n"), "12.34");
    EXPECT_EQ(process(configFor(Instrument::GENERIC), "ST, +00012.34 kg\r"), "12.34");
    EXPECT_EQ(process(configFor(Instrument::KERN_MPS), "N  60.24 kg\n"), "60.24");
    // Blanks inside the value join up once whitespace is removed.
    EXPECT_EQ(process(configFor(Instrument::ADAM_AZEXTRA_WEIGHT), "   1.234kg\r\n"), "1.234");
    EXPECT_EQ(process(configFor(Instrument::ADAM_CPWPLUS), "G/W:+ 60.24   kg\n"), "60.24");
    EXPECT_EQ(process(configFor(Instrument::GENERIC), "- 12.5 kg\r"), "-12.5");
}

TEST(RecordProcessor, RecordsWithoutAValueGiveAnEmptyOutput) {
    EXPECT_EQ(process(configFor(Instrument::AND), "ST, 12345,67 kg\r\n"), "");
    EXPECT_EQ(process(configFor(Instrument::GENERIC), "\r"), "");
    EXPECT_EQ(process(configFor(Instrument::GENERIC), ""), "");
}

TEST(RecordProcessor, LeftOverLineFeedDefeatsAnAnchoredPattern) {
    // Framed at CR, a CRLF instrument's LF starts the next record.
    EXPECT_EQ(process(configFor(Instrument::KERN_RPB), "N:    0.404 kg\r"), "0.404");
    EXPECT_EQ(process(configFor(Instrument::KERN_RPB), "\nN:    0.404 kg\r"), "");
}

TEST(RecordProcessor, CustomExpressionReplacesThePatternButNotTheGroup) {
    Config c = configFor(Instrument::AND);
    c.setCustomRegEx("Wt=([0-9.]+)");
    EXPECT_EQ(process(c, "Wt=3.5 +9\r\n"), "3.5");
    c.setCustomRegEx("(a)|(b)");
    EXPECT_THROW(process(c, "b\r"), std::invalid_argument);  // group 1 took no part
    c.setCustomRegEx("([");
    EXPECT_THROW(RecordProcessor{c}, std::invalid_argument);  // a set-up error
    // An expression without group 1 fails only on the records it matches.
    c.setCustomRegEx("(?:kg)");
    EXPECT_EQ(process(c, "12 g\r"), "");
    EXPECT_THROW(process(c, "12 kg\r"), std::out_of_range);
}

TEST(RecordProcessor, EditingAndRemovalComeBeforeWhitespaceRemoval) {
    Config c = configFor(Instrument::AND);
    c.setEditOperation(EditOperation::REMOVE);
    c.setEditPosition(EditPosition::FIRST);
    c.setEditNumCharacters("1");
    EXPECT_EQ(process(c, "ST, +00012.34 kg\r\n"), "12.34");
    c.setEditNumCharacters("");
    c.setRemoveCharacters("0");
    EXPECT_EQ(process(c, "ST, +00012.30 kg\r\n"), "12.3");
}

TEST(RecordProcessor, NumericSettingsApply) {
    Config c = configFor(Instrument::AND);
    c.setMathOperation(MathOperation::MULTIPLY);
    c.setMathOperand("1000");
    c.setDecimalPlaces("0");
    c.setDecimalSeparator(DecimalSeparator::COMMA);
    EXPECT_EQ(process(c, "ST, +00012.3456 kg\r\n"), "12346");
    c.setMathOperation(MathOperation::NONE);
    c.setDecimalPlaces("1");
    EXPECT_EQ(process(c, "ST, -00012.35 kg\r\n"), "-12,4");
}

TEST(RecordProcessor, ValuesThatAreNoNumberAreProcessingErrors) {
    Config c = configFor(Instrument::GENERIC);
    c.setCustomRegEx("V=(\\S+)");
    EXPECT_THROW(process(c, "V=1.2.3\r"), std::invalid_argument);
    c.setCustomRegEx("(a+)+c");
    EXPECT_THROW(process(c, QString(40, u'a') + QStringLiteral("bc\r")), MatchLimitError);
}

TEST(RecordProcessor, TextInstrumentsKeepBlanksAndSkipNumbers) {
    EXPECT_EQ(process(configFor(Instrument::BARCODE_ALPHA_COMPLETE), "AB 12.50 x\r"), "AB 12.50 x");
    EXPECT_EQ(process(configFor(Instrument::BARCODE), "00123\r"), "00123");
    EXPECT_EQ(process(configFor(Instrument::BARCODE_ALPHA), "abc XY7\r"), "XY7");
    Config c = configFor(Instrument::BARCODE_ALPHA_COMPLETE);
    c.setDecimalPlaces("0");
    c.setMathOperation(MathOperation::MULTIPLY);
    c.setMathOperand("2");
    c.setRemoveCharacters("-");
    EXPECT_EQ(process(c, "12.5-x y\r"), "12.5x y");
}

TEST(RecordProcessor, ErrorDescriptionsNameTheType) {
    const std::invalid_argument error("Not a decimal number: \"x\"");
    EXPECT_EQ(describeError(error), "std::invalid_argument: Not a decimal number: \"x\"");
}

TEST(RecordFramer, OnlyTheTerminatorClosesARecord) {
    RecordFramer framer(13);
    QStringList records;
    for (char c : std::string("ST,+1\r\nST,+2\r")) {
        if (framer.add(static_cast<unsigned char>(c)) == RecordFramer::Step::Complete) {
            records << framer.buffer();
            framer.clear();
        }
    }
    EXPECT_EQ(records, QStringList({"ST,+1\r", "\nST,+2\r"}));
    EXPECT_TRUE(framer.isEmpty());
}

TEST(RecordFramer, AnEndlessRecordIsGivenUpAtTheLimit) {
    RecordFramer framer(10, 8);
    int overflows = 0;
    for (int i = 0; i < 20; ++i) {
        if (framer.add('x') == RecordFramer::Step::Overflow) {
            EXPECT_EQ(framer.buffer(), QString(8, u'x'));
            framer.clear();
            ++overflows;
        }
    }
    EXPECT_EQ(overflows, 2);
    EXPECT_EQ(framer.buffer().size(), 4);
    EXPECT_EQ(framer.add(10), RecordFramer::Step::Complete);
}

TEST(RecordProcessor, RandomRecordsYieldAValueOrAnError) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 80);
    const char* interesting = "0123456789+-.,eE \t\r\n";
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::strlen(interesting)) - 1);
    int values = 0;
    int errors = 0;
    for (Instrument instrument : Options<Instrument>::values()) {
        Config c = configFor(instrument);
        c.setDecimalPlaces("2");
        c.setRemoveCharacters("x");
        RecordProcessor processor(c);
        for (int n = 0; n < 300; ++n) {
            QString record;
            const int len = length(random);
            for (int i = 0; i < len; ++i) {
                // Mostly number-like characters, so that the patterns match often.
                record += QChar(char16_t(random() % 3 ? interesting[pick(random)] : byte(random)));
            }
            try {
                if (!processor.process(record).isEmpty()) ++values;
            } catch (const std::exception&) {
                ++errors;
            }
        }
    }
    EXPECT_GT(values, 1000);  // the generator does reach the numeric path
    SUCCEED() << values << " values, " << errors << " errors";
}

TEST(RecordProcessor, FaultsAreNeverTypedAndUnstableReadingsOnlyUnlessStableOnly) {
    struct Case {
        Instrument instrument;
        const char* record;
        const char* output;            // with stable-only readings off
        const char* outputStableOnly;  // and on
        const char* reason;            // why a reading was withheld with it on
    };
    const Case cases[] = {
        {Instrument::AND, "ST,+00012.34  g\r\n", "12.34", "12.34", ""},
        {Instrument::AND, "US,+00012.41  g\r\n", "12.41", "", "unstable"},
        {Instrument::AND, "OL,+9999999E+19\r\n", "", "", "overload"},
        {Instrument::AND, "OL,-9999999E+19\r\n", "", "", "underload"},
        {Instrument::AND, "TN,   HR-100A\r\n", "", "", ""},        // an answer, not a weight
        {Instrument::AND, "+00012.34\r\n", "12.34", "12.34", ""},  // no status: as stable
        {Instrument::AND_EM, "OL,+9999999E+19\r\n", "", "", "overload"},
        {Instrument::METTLER_DIALOG, "S D      100.01 g\r\n", "100.01", "", "unstable"},
        {Instrument::METTLER_DIALOG, "S S      100.02 g\r\n", "100.02", "100.02", ""},
        {Instrument::METTLER_DIALOG, "S +\r\n", "", "", "overload"},
        {Instrument::OHAUS, "       12.73 g    ?\r\n", "12.73", "", "unstable"},
        {Instrument::SARTORIUS, "+   123.45     \r\n", "123.45", "", "unstable"},
        {Instrument::SARTORIUS, "+   123.45 g  \r\n", "123.45", "123.45", ""},
        {Instrument::KERN_FKB, "       Error\r\n", "", "", "error"},
        {Instrument::GENERIC, "US,+00012.41  g\r\n", "12.41", "12.41", ""},
        // A&D with ID number, data number, date and time: read from the header on.
        {Instrument::AND, "LAB-0123,No.000001,2024/12/31,12:34:56,ST,+00123.45,g\r\n", "123.45",
         "123.45", ""},
        {Instrument::AND, "LAB-0123,No.000002,2024/12/31,12:34:57,US,-00001.20,g\r\n", "-1.20", "",
         "unstable"},
        {Instrument::AND, "LAB-0123,No.000003,2024/12/31,12:34:58,OL,+9999999E+19\r\n", "", "",
         "overload"},
        // A weighing ticket: the weight line only.
        {Instrument::ADAM_HCB, "Date       12/09/2006\r\n", "", "", ""},
        {Instrument::ADAM_HCB, "Time         14:56:27\r\n", "", "", ""},
        {Instrument::ADAM_HCB, "No.                 5\r\n", "", "", ""},
        {Instrument::ADAM_HCB, "Gross Wt     1.234 kg\r\n", "1.234", "1.234", ""},
        {Instrument::ADAM_HCB, "Total       12.345 kg\r\n", "", "", ""},
        {Instrument::ADAM_HCB, "\r\n", "", "", ""},
        // Answers to the tare and zero commands carry nothing to type.
        {Instrument::METTLER_DIALOG, "T S     100.00 g\r\n", "", "", ""},
        {Instrument::METTLER_DIALOG, "Z A\r\n", "", "", ""},
        {Instrument::METTLER_DIALOG, "I4 A \"0123456789\"\r\n", "", "", ""},
        {Instrument::KERN_KFB, "ST,GS,    1.234 kg\r\n", "1.234", "1.234", ""},
        {Instrument::KERN_KFB, "US,GS,    1.236 kg\r\n", "1.236", "", "unstable"},
    };
    for (const Case& c : cases) {
        const std::string where = Options<Instrument>::name(c.instrument).toStdString() + " " +
                                  DataLine::transformControlChars(QString(c.record)).toStdString();
        const QString record = QString::fromLatin1(c.record);
        Config config = configFor(c.instrument);
        EXPECT_EQ(RecordProcessor(config).read(record).output, c.output) << where;
        config.stableOnly = true;
        const Reading reading = RecordProcessor(config).read(record);
        EXPECT_EQ(reading.output, c.outputStableOnly) << where;
        EXPECT_EQ(reading.ignoreReason, c.reason) << where;
    }
}
