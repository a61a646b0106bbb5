#include "config/Config.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace ConfigHelper;

TEST(Config, NewRecordDefaults) {
    const Config c;
    EXPECT_TRUE(c.minimizeToTray);
    EXPECT_TRUE(c.notifyWhenMinimizedToTray);
    EXPECT_TRUE(c.checkForUpdates);
    EXPECT_TRUE(c.abortAutoStartWhenPrevPortNotAvailable);
    EXPECT_FALSE(c.ignoreDuplicates);
    EXPECT_EQ(c.getPort(), "");
    EXPECT_EQ(c.getInstrument(), std::nullopt);
    // The five line fields start at zero: usable records come from the loader
    // or from an instrument's factory settings.
    EXPECT_EQ(c.getBitRate(), 0);
    EXPECT_EQ(c.getDataBits(), 0);
    EXPECT_EQ(c.getStopBits(), 0);
    EXPECT_EQ(c.getParity(), 0);
    EXPECT_EQ(c.getInputTerminator(), 0);
    EXPECT_EQ(c.getDelay(), "20");
    EXPECT_EQ(c.getRoundingMethod(), RoundingMethod::HALF_UP);
    EXPECT_EQ(c.getKeyboardType(), KeyboardType::QUERTY);
    EXPECT_EQ(c.getPrevPort(), std::nullopt);
}

TEST(Config, CopyDropsPreviousPortAndCountsAsUnchanged) {
    Config c;
    c.setPort("/dev/ttyUSB0");
    c.setPrevPort(QString("/dev/ttyS0"));
    c.setInstrument(Instrument::KERN_MPS);
    c.setMathOperand("2.5");
    const Config copy = c.copyConfig();
    EXPECT_EQ(copy.getPrevPort(), std::nullopt);
    EXPECT_EQ(copy.getPort(), "/dev/ttyUSB0");
    EXPECT_EQ(copy.getInstrument(), Instrument::KERN_MPS);
    EXPECT_FALSE(c.hasChanged(copy));
    EXPECT_FALSE(copy.hasChanged(c));
}

TEST(Config, HasChangedSeesEverySettingButThePreviousPort) {
    const Config base;
    Config other = base.copyConfig();
    other.setPrevPort(QString("COM9"));
    EXPECT_FALSE(base.hasChanged(other));

    const std::vector<std::function<void(Config&)>> changes = {
        [](Config& c) { c.ignoreDuplicates = true; },
        [](Config& c) { c.minimizeToTray = false; },
        [](Config& c) { c.notifyWhenMinimizedToTray = false; },
        [](Config& c) { c.checkForUpdates = false; },
        [](Config& c) { c.abortAutoStartWhenPrevPortNotAvailable = false; },
        [](Config& c) { c.setPort("COM1"); },
        [](Config& c) { c.setInstrument(Instrument::GENERIC); },
        [](Config& c) { c.setBitRate(7); },
        [](Config& c) { c.setDataBits(3); },
        [](Config& c) { c.setStopBits(1); },
        [](Config& c) { c.setParity(2); },
        [](Config& c) { c.setInputTerminator(13); },
        [](Config& c) { c.setDecimalSeparator(DecimalSeparator::COMMA); },
        [](Config& c) { c.setStartWith(StartWith::F1); },
        [](Config& c) { c.setOutputTerminator(OutputTerminator::TAB); },
        [](Config& c) { c.setOutputTerminator2(OutputTerminator::ENTER); },
        [](Config& c) { c.setEveryXValues("3"); },
        [](Config& c) { c.setConnect(Connect::AUTO); },
        [](Config& c) { c.setMathOperation(MathOperation::DIVIDE); },
        [](Config& c) { c.setMathOperand("2"); },
        [](Config& c) { c.setDecimalPlaces("2"); },
        [](Config& c) { c.setRoundingMethod(RoundingMethod::UP); },
        [](Config& c) { c.setSound(Sound::CLAVES); },
        [](Config& c) { c.setKeyboardType(KeyboardType::GERMAN); },
        [](Config& c) { c.setDelay("5"); },
        [](Config& c) { c.setEditOperation(EditOperation::KEEP); },
        [](Config& c) { c.setEditPosition(EditPosition::LAST); },
        [](Config& c) { c.setEditNumCharacters("2"); },
        [](Config& c) { c.setRemoveCharacters("+"); },
        [](Config& c) { c.setCustomRegEx("(x)"); },
        [](Config& c) { c.setIgnoreTimeLimit("100"); },
        [](Config& c) { c.setIgnoreDifference("0.5"); },
        [](Config& c) { c.stableOnly = true; },
        [](Config& c) { c.setReadingLog("/var/lib/valtyp"); },
        [](Config& c) { c.setOutputTemplate("{value}{TAB}"); },
        [](Config& c) { c.setTypeOnlyInto("Calc*"); },
        [](Config& c) { c.setTypeOnlyIntoHoldSeconds("10"); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        Config changed = base.copyConfig();
        changes[i](changed);
        EXPECT_TRUE(base.hasChanged(changed)) << "change #" << i << " went unnoticed";
    }
}

TEST(Config, InstrumentNotificationOnEveryCallToItsTypeOnly) {
    Config c;
    std::vector<std::pair<QString, Instrument>> numberCalls;
    int textCalls = 0;
    c.addPropertyChangeListener("NUMBER", [&](const QString& p, auto old, Instrument now) {
        EXPECT_EQ(old, std::nullopt);
        numberCalls.emplace_back(p, now);
    });
    const auto textId =
        c.addPropertyChangeListener("TEXT", [&](const QString&, auto, Instrument) { ++textCalls; });

    c.setInstrument(Instrument::AND);
    c.setInstrument(Instrument::AND);
    c.setInstrument(Instrument::BARCODE);
    ASSERT_EQ(numberCalls.size(), 2u);
    EXPECT_EQ(numberCalls[1], std::make_pair(QString("NUMBER"), Instrument::AND));
    EXPECT_EQ(textCalls, 1);

    c.removePropertyChangeListener("TEXT", textId);
    c.setInstrument(Instrument::BARCODE_ALPHA);
    EXPECT_EQ(textCalls, 1);
}

TEST(Config, CopiesNeverShareListeners) {
    Config original;
    int calls = 0;
    original.addPropertyChangeListener("NUMBER",
                                       [&](const QString&, auto, Instrument) { ++calls; });
    Config copy = original.copyConfig();
    Config assigned;
    assigned = original;
    copy.setInstrument(Instrument::GENERIC);
    assigned.setInstrument(Instrument::GENERIC);
    EXPECT_EQ(calls, 0);
    original.setInstrument(Instrument::GENERIC);
    EXPECT_EQ(calls, 1);
}

TEST(Config, DerivedIntegerViews) {
    Config c;
    c.setDelay("fast");
    EXPECT_EQ(c.getDelayAsInt(), 20);
    c.setDelay("");
    EXPECT_EQ(c.getDelayAsInt(), 20);
    c.setDelay("0");
    EXPECT_EQ(c.getDelayAsInt(), 0);
    EXPECT_EQ(c.getEveryXValuesAsInt(), 0);
    c.setEveryXValues("x");
    EXPECT_EQ(c.getEveryXValuesAsInt(), 0);
    c.setEveryXValues("3");
    EXPECT_EQ(c.getEveryXValuesAsInt(), 3);
    c.setEditNumCharacters("12");
    EXPECT_EQ(c.getEditNumCharactersAsInt(), 12);
    EXPECT_EQ(c.getDecimalPlacesAsInt(), std::nullopt);
    c.setDecimalPlaces("9");
    EXPECT_EQ(c.getDecimalPlacesAsInt(), 9);
    c.setMathOperand("2.50");
    EXPECT_EQ(c.getMathOperandAsBigDecimal().toPlainString(), "2.50");
    c.setMathOperand("2,5");
    EXPECT_THROW(c.getMathOperandAsBigDecimal(), std::invalid_argument);
}

TEST(Config, RoundingEnabledOnlyForZeroToSevenPlaces) {
    Config c;
    for (const char* places : {"0", "7", "+3"}) {
        c.setDecimalPlaces(places);
        EXPECT_TRUE(c.roundingEnabled()) << places;
    }
    for (const char* places : {"8", "-1", "two", "", "2.0"}) {
        c.setDecimalPlaces(places);
        EXPECT_FALSE(c.roundingEnabled()) << places;
    }
}

TEST(Config, MathNeedsAnOperandAndDivisionNeedsDecimalPlaces) {
    Config c;
    c.setMathOperand("2");
    EXPECT_FALSE(c.mathOperationEnabled());  // operation NONE
    c.setMathOperation(MathOperation::MULTIPLY);
    EXPECT_TRUE(c.mathOperationEnabled());
    c.setMathOperation(MathOperation::DIVIDE);
    EXPECT_FALSE(c.mathOperationEnabled());
    c.setDecimalPlaces("2");
    EXPECT_TRUE(c.mathOperationEnabled());
    c.setMathOperand("");
    EXPECT_FALSE(c.mathOperationEnabled());
}
