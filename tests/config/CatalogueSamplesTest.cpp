// Every sample record of the catalogue yields its expected value with the
// instrument's own pattern and capture group.

#include "config/Instrument.h"
#include "config/RecordPattern.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace ConfigHelper;

class CatalogueSamples : public ::testing::TestWithParam<Instrument> {};

TEST_P(CatalogueSamples, EveryRecordYieldsItsValue) {
    const Instrument instrument = GetParam();
    const RecordPattern pattern = RecordPattern::compile(getPattern(instrument));
    for (const auto& [record, expected] : getTestStrings(instrument)) {
        const QString value = extractValue(pattern, record, getCaptureGroup(instrument));
        EXPECT_EQ(value.toStdString(), expected.toStdString())
            << "record: " << record.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(AllInstruments, CatalogueSamples,
                         ::testing::ValuesIn(Options<Instrument>::values().begin(),
                                             Options<Instrument>::values().end()),
                         [](const auto& info) {
                             return Options<Instrument>::name(info.param).toStdString();
                         });

TEST(RecordPatternEngine, DollarAndDotTreatCrLfAsLineEnd) {
    // "$" before a final CRLF, and "." never eating the CR.
    const RecordPattern anchored = RecordPattern::compile(u"([0-9.]+) kg$");
    auto m = anchored.search(u"ST, 12.5 kg\r\n", 1);
    ASSERT_TRUE(m && m->group);
    EXPECT_EQ(*m->group, "12.5");
    const RecordPattern dot = RecordPattern::compile(u"(k.)");
    EXPECT_FALSE(dot.search(u"12 k\r", 1).has_value());
    // "^" anchors at the start of the record only.
    const RecordPattern start = RecordPattern::compile(u"^N:\\s*([0-9]*\\.?[0-9]+)");
    EXPECT_FALSE(start.search(u"x\rN: 5\r", 1).has_value());
}

TEST(RecordPatternEngine, GroupNotTakingPartAndMissingGroup) {
    const RecordPattern alternatives = RecordPattern::compile(u"(a)|b");
    const auto m = alternatives.search(u"xb", 1);
    ASSERT_TRUE(m.has_value());
    EXPECT_FALSE(m->group.has_value());
    EXPECT_THROW(alternatives.search(u"xb", 2), std::out_of_range);
    // Without a match there is no group to miss.
    EXPECT_FALSE(alternatives.search(u"xy", 2).has_value());
    EXPECT_EQ(extractValue(RecordPattern::compile(u"(?:kg)"), u"12 g\r", 1), "");
}

TEST(RecordPatternEngine, CatastrophicBacktrackingHitsTheLimit) {
    // The "c" is there, so no shortcut can rule the match out before trying.
    const RecordPattern evil = RecordPattern::compile(u"(a+)+c");
    const QString record = QString(40, u'a') + QStringLiteral("bc");
    EXPECT_THROW(evil.search(record, 1), MatchLimitError);
}

TEST(RecordPatternEngine, BytesAboveAsciiMatchAsThemselves) {
    const RecordPattern degree = RecordPattern::compile(QString::fromLatin1("([0-9]+)\xB0"));
    const auto m = degree.search(QString::fromLatin1("T 21\xB0"
                                                     "C\r"),
                                 1);
    ASSERT_TRUE(m && m->group);
    EXPECT_EQ(*m->group, "21");
}
