#include "config/Config.h"
#include "config/Instrument.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace ConfigHelper;

TEST(Instrument, CatalogueOrderAndLookup) {
    const auto all = Options<Instrument>::values();
    ASSERT_EQ(all.size(), 36u);
    EXPECT_EQ(all.front(), Instrument::GENERIC);
    EXPECT_EQ(Options<Instrument>::ordinal(Instrument::AND), 4);
    EXPECT_EQ(Options<Instrument>::ordinal(Instrument::KERN_MPS), 21);
    EXPECT_EQ(all.back(), Instrument::WEDDERBURN);
    EXPECT_EQ(Options<Instrument>::getDefault(), Instrument::GENERIC);
    EXPECT_TRUE(Options<Instrument>::valid(u"GENERIC"));
    EXPECT_FALSE(Options<Instrument>::valid(u"generic"));
    EXPECT_FALSE(Options<Instrument>::valid(u""));
    EXPECT_EQ(Options<Instrument>::valueOf(u"TANITA_TL280"), Instrument::TANITA_TL280);
}

TEST(Instrument, TypesAndKeyMaps) {
    for (Instrument i : Options<Instrument>::values()) {
        const bool barcode = i == Instrument::BARCODE || i == Instrument::BARCODE_ALPHA ||
                             i == Instrument::BARCODE_ALPHA_COMPLETE;
        EXPECT_EQ(getInstrumentType(i), barcode ? InstrumentType::TEXT : InstrumentType::NUMBER)
            << Options<Instrument>::name(i).toStdString();
        EXPECT_EQ(getCaptureGroup(i), 1);
    }
    EXPECT_EQ(getKeyMapType(Instrument::BARCODE), KeyMapType::NUMERIC);
    EXPECT_EQ(getKeyMapType(Instrument::BARCODE_ALPHA), KeyMapType::ALPHANUMERIC_BASIC);
    EXPECT_EQ(getKeyMapType(Instrument::BARCODE_ALPHA_COMPLETE), KeyMapType::ALPHANUMERIC_COMPLETE);
    EXPECT_EQ(getKeyMapType(Instrument::SARTORIUS), KeyMapType::NUMERIC);
}

TEST(Instrument, ListTextsWrapTextInstrumentsInItalics) {
    EXPECT_EQ(toString(Instrument::AND), "A&D");
    EXPECT_EQ(toPlainString(Instrument::AND), "A&D");
    const QString barcode = toPlainString(Instrument::BARCODE);
    EXPECT_FALSE(barcode.isEmpty());
    EXPECT_EQ(toString(Instrument::BARCODE), "<html><body><i>" + barcode + "</i></body></html>");
    EXPECT_EQ(toString(Instrument::KERN_MPS), "Kern MPS / MPT / MXS / MWS / MTS / MCB");
}

TEST(Instrument, PatternsSharedWhereAnEntryAsksAnother) {
    EXPECT_EQ(getPattern(Instrument::GENERIC), R"(([-+]?\s*[0-9]*[\.,]?[0-9]+))");
    EXPECT_EQ(getPattern(Instrument::AND), R"(([-+]+[0-9]*[\.,]?[0-9]+))");
    EXPECT_EQ(getPattern(Instrument::AND_SIMPLE), getPattern(Instrument::AND));
    EXPECT_EQ(getPattern(Instrument::AND_EM), getPattern(Instrument::AND));
    EXPECT_EQ(getPattern(Instrument::BARCODE_ALPHA_COMPLETE),
              R"(([] !"#$%&'()*+,-./\d:;<=>?@A-Z\[\\^_`a-z{|}~]+))");
}

TEST(Instrument, OnlyTheCaliperHasADataCommand) {
    for (Instrument i : Options<Instrument>::values()) {
        if (i == Instrument::MITUTOYO) {
            EXPECT_EQ(getDataCommand(i), "1\r");
        } else {
            EXPECT_EQ(getDataCommand(i), "") << Options<Instrument>::name(i).toStdString();
        }
    }
}

TEST(Instrument, FactoryLineSettings) {
    const Config andConfig = getDefaultConfig(Instrument::AND);
    EXPECT_EQ(andConfig.getBitRate(), 5);   // BR_2400
    EXPECT_EQ(andConfig.getDataBits(), 2);  // LN_7BITS
    EXPECT_EQ(andConfig.getParity(), 2);    // EVEN
    EXPECT_EQ(andConfig.getStopBits(), 0);
    EXPECT_EQ(andConfig.getInputTerminator(), 10);
    // Only the line settings are set: the rest stays as in a new record.
    EXPECT_EQ(andConfig.getInstrument(), std::nullopt);
    EXPECT_FALSE(andConfig.hasChanged([] {
        Config c;
        c.setBitRate(5);
        c.setDataBits(2);
        c.setParity(2);
        c.setInputTerminator(10);
        return c;
    }()));

    const Config sartorius = getDefaultConfig(Instrument::SARTORIUS);
    EXPECT_EQ(sartorius.getBitRate(), 4);  // BR_1200
    EXPECT_EQ(sartorius.getParity(), 1);   // ODD
    const Config myweigh = getDefaultConfig(Instrument::MYWEIGH_HD);
    EXPECT_EQ(myweigh.getParity(), 4);  // SPACE
    EXPECT_EQ(myweigh.getInputTerminator(), 13);
    EXPECT_EQ(getDefaultConfig(Instrument::GENERIC).getBitRate(), 7);
    EXPECT_EQ(getDefaultConfig(Instrument::AND_EM).getBitRate(), 7);
}

TEST(Instrument, EntriesThatReadAsAnotherGiveItsRecord) {
    EXPECT_FALSE(
        getDefaultConfig(Instrument::AND_SIMPLE).hasChanged(getDefaultConfig(Instrument::AND)));
    for (Instrument i : {Instrument::KERND_440E, Instrument::KERND_DE, Instrument::KERN_DS,
                         Instrument::KERN_FKB, Instrument::KERN_KB_N}) {
        EXPECT_FALSE(getDefaultConfig(i).hasChanged(getDefaultConfig(Instrument::KERN_572)));
    }
    // Each call hands out a record of its own.
    Config first = getDefaultConfig(Instrument::AND);
    first.setBitRate(0);
    EXPECT_EQ(getDefaultConfig(Instrument::AND).getBitRate(), 5);
}

TEST(Instrument, HelpTextsOnlyWhereTheEntryHasOne) {
    EXPECT_TRUE(getDefaultMessage(Instrument::GENERIC).has_value());
    EXPECT_FALSE(getDefaultMessage(Instrument::GENERIC)->isEmpty());
    EXPECT_TRUE(getDefaultMessage(Instrument::AND_EM).has_value());
    EXPECT_TRUE(getDefaultMessage(Instrument::SARTORIUS).has_value());
    EXPECT_FALSE(getDefaultMessage(Instrument::AND).has_value());
    EXPECT_FALSE(getDefaultMessage(Instrument::WEDDERBURN).has_value());
}

TEST(Instrument, SampleRecordsAreLatin1BytesWithTheirTerminators) {
    const auto andSamples = getTestStrings(Instrument::AND);
    ASSERT_EQ(andSamples.size(), 4u);
    EXPECT_EQ(andSamples[0].first, "ST, +00012.34 kg");
    EXPECT_EQ(getTestStrings(Instrument::AND_EM).size(), 4u);
    const auto generic = getTestStrings(Instrument::GENERIC);
    ASSERT_EQ(generic.size(), 1u);
    EXPECT_EQ(generic[0], std::make_pair(QString(), QString()));
    const auto tickets = getTestStrings(Instrument::ADAM_AZEXTRA_WEIGHT);
    ASSERT_EQ(tickets.size(), 3u);
    EXPECT_EQ(tickets[0].first.count("\r\n"), 7);
    EXPECT_TRUE(tickets[1].first.startsWith("\r\n\r\nDATE"));
    EXPECT_EQ(getTestStrings(Instrument::TANITA_TL280)[0].first,
              R"({0,16,~0,1,MO,"TL-280",Wg,123,Pt,0)");
}
