#include "config/ConfigHelper.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace ConfigHelper;

namespace {

template <class E>
QStringList namesOf() {
    QStringList names;
    for (E value : Options<E>::values()) names << Options<E>::name(value);
    return names;
}

}  // namespace

TEST(OptionTables, ConstantsComeInTheirFixedOrder) {
    EXPECT_EQ(namesOf<RoundingMethod>(),
              QStringList({"CEILING", "DOWN", "FLOOR", "HALF_DOWN", "HALF_EVEN", "HALF_UP", "UP"}));
    EXPECT_EQ(namesOf<MathOperation>(), QStringList({"NONE", "MULTIPLY", "DIVIDE"}));
    EXPECT_EQ(namesOf<DecimalSeparator>(), QStringList({"DOT", "COMMA"}));
    EXPECT_EQ(namesOf<EditOperation>(), QStringList({"REMOVE", "KEEP"}));
    EXPECT_EQ(namesOf<EditPosition>(), QStringList({"FIRST", "LAST"}));
    EXPECT_EQ(namesOf<InputTerminator>(), QStringList({"EOT", "LF", "CR"}));
    EXPECT_EQ(namesOf<OutputTerminator>(), QStringList({"NONE", "ENTER", "TAB", "RIGHT", "DOWN"}));
    EXPECT_EQ(namesOf<Sound>(), QStringList({"NONE", "RIDE_BELL", "COWBELL", "HIGH_AGOGO",
                                             "LOW_AGOGO", "CLAVES", "OPEN_TRIANGLE"}));
    EXPECT_EQ(namesOf<KeyboardType>(),
              QStringList({"QUERTY", "US_INTERNATIONAL", "AZERTY", "GERMAN", "ALL"}));
    EXPECT_EQ(namesOf<KeyMapType>(),
              QStringList({"NUMERIC", "ALPHANUMERIC_BASIC", "ALPHANUMERIC_COMPLETE"}));
    EXPECT_EQ(namesOf<DataBits>(), QStringList({"LN_5BITS", "LN_6BITS", "LN_7BITS", "LN_8BITS"}));
    EXPECT_EQ(namesOf<StopBits>(), QStringList({"ST_1BITS", "ST_2BITS"}));
    EXPECT_EQ(namesOf<Parity>(), QStringList({"NONE", "ODD", "EVEN", "MARK", "SPACE"}));
    EXPECT_EQ(namesOf<Connect>(), QStringList({"MANUAL", "AUTO"}));

    const QStringList startKeys = namesOf<StartWith>();
    ASSERT_EQ(startKeys.size(), 19);
    EXPECT_EQ(startKeys.mid(0, 8),
              QStringList({"NONE", "ENTER", "TAB", "RIGHT", "DOWN", "DELETE", "MULTIPLY", "F1"}));
    EXPECT_EQ(startKeys.last(), "F12");

    const QStringList rates = namesOf<BitRates>();
    ASSERT_EQ(rates.size(), 15);
    EXPECT_EQ(rates.indexOf("BR_9600"), 7);
    EXPECT_EQ(rates.first(), "BR_110");
    EXPECT_EQ(rates.last(), "BR_921600");
}

TEST(OptionTables, Defaults) {
    EXPECT_EQ(Options<RoundingMethod>::getDefault(), RoundingMethod::HALF_UP);
    EXPECT_EQ(Options<MathOperation>::getDefault(), MathOperation::NONE);
    EXPECT_EQ(Options<DecimalSeparator>::getDefault(), DecimalSeparator::DOT);
    EXPECT_EQ(Options<EditOperation>::getDefault(), EditOperation::REMOVE);
    EXPECT_EQ(Options<EditPosition>::getDefault(), EditPosition::FIRST);
    EXPECT_EQ(Options<StartWith>::getDefault(), StartWith::NONE);
    EXPECT_EQ(Options<OutputTerminator>::getDefault(), OutputTerminator::NONE);
    EXPECT_EQ(Options<Sound>::getDefault(), Sound::NONE);
    EXPECT_EQ(Options<KeyboardType>::getDefault(), KeyboardType::QUERTY);
    EXPECT_EQ(Options<Connect>::getDefault(), Connect::MANUAL);
    EXPECT_EQ(Options<BitRates>::defaultOrdinal(), 7);
    EXPECT_EQ(Options<DataBits>::defaultOrdinal(), 3);
    EXPECT_EQ(Options<StopBits>::defaultOrdinal(), 0);
    EXPECT_EQ(Options<Parity>::defaultOrdinal(), 0);
    EXPECT_EQ(InputTerminatorCode::getDefault(), 13);
    EXPECT_EQ(Delay::getDefault(), "20");
    EXPECT_TRUE(MathOperand::getDefault().isEmpty());
    EXPECT_TRUE(CustomRegEx::getDefault().isEmpty());
}

TEST(OptionTables, NamesMatchExactlyAndLookupNeverThrowsFromValid) {
    EXPECT_TRUE(Options<RoundingMethod>::valid(u"HALF_EVEN"));
    EXPECT_FALSE(Options<RoundingMethod>::valid(u"half_even"));
    EXPECT_FALSE(Options<RoundingMethod>::valid(u"HALF_EVEN "));
    EXPECT_FALSE(Options<Connect>::valid(u""));
    EXPECT_EQ(Options<Sound>::valueOf(u"CLAVES"), Sound::CLAVES);
    EXPECT_THROW(Options<Sound>::valueOf(u"claves"), std::invalid_argument);
    EXPECT_EQ(Options<Parity>::fromOrdinal(2), Parity::EVEN);
    EXPECT_EQ(Options<Parity>::fromOrdinal(5), std::nullopt);
}

TEST(OptionTables, DisplayTextsFixedAndFromTheBundle) {
    EXPECT_EQ(Options<RoundingMethod>::toString(RoundingMethod::HALF_DOWN), "half down");
    EXPECT_EQ(Options<StartWith>::toString(StartWith::MULTIPLY), "*");
    EXPECT_EQ(Options<StartWith>::toString(StartWith::F7), "F7");
    EXPECT_EQ(Options<Sound>::toString(Sound::OPEN_TRIANGLE), "Triangle");
    EXPECT_EQ(Options<InputTerminator>::toString(InputTerminator::LF), "10 <LF>");
    EXPECT_EQ(Options<Parity>::toString(Parity::MARK), "MARK");
    // Bundle-named constants show a real text, never the bare key.
    for (MathOperation op : Options<MathOperation>::values()) {
        EXPECT_FALSE(Options<MathOperation>::toString(op).isEmpty());
    }
    EXPECT_NE(Options<KeyboardType>::toString(KeyboardType::ALL), "keyboardType.all");
    EXPECT_NE(Options<Connect>::toString(Connect::AUTO), "auto");
}

TEST(OptionTables, ReadableTextOfAnOrdinal) {
    EXPECT_EQ(Options<BitRates>::getReadable(7), "9600");
    EXPECT_EQ(Options<BitRates>::getReadable(14), "921600");
    EXPECT_EQ(Options<BitRates>::getReadable(15), "");
    EXPECT_EQ(Options<BitRates>::getReadable(-1), "");
    EXPECT_EQ(Options<DataBits>::getReadable(2), "7");
    EXPECT_EQ(Options<StopBits>::getReadable(1), "2");
    EXPECT_EQ(Options<Parity>::getReadable(4), "SPACE");
    EXPECT_TRUE(Options<Parity>::validOrdinal(4));
    EXPECT_FALSE(Options<Parity>::validOrdinal(5));
    EXPECT_FALSE(Options<DataBits>::validOrdinal(-1));
}

TEST(OptionTables, KeyCodesAndNotesFollowTheConstants) {
    EXPECT_EQ(getKeyCode(StartWith::F12), 123);
    EXPECT_EQ(getKeyCode(StartWith::F1), 112);
    EXPECT_EQ(getKeyCode(StartWith::MULTIPLY), 106);
    EXPECT_EQ(getKeyCode(StartWith::DELETE), 127);
    EXPECT_EQ(getKeyCode(StartWith::NONE), 0);
    EXPECT_EQ(getKeyCode(OutputTerminator::NONE), 0);
    EXPECT_EQ(getKeyCode(OutputTerminator::ENTER), 10);
    EXPECT_EQ(getKeyCode(OutputTerminator::TAB), 9);
    EXPECT_EQ(getKeyCode(OutputTerminator::RIGHT), 39);
    EXPECT_EQ(getKeyCode(OutputTerminator::DOWN), 40);
    EXPECT_EQ(getPercussionNumber(Sound::NONE), 0);
    EXPECT_EQ(getPercussionNumber(Sound::COWBELL), 56);
    EXPECT_EQ(getPercussionNumber(Sound::OPEN_TRIANGLE), 81);
    EXPECT_EQ(getRoundingMode(RoundingMethod::HALF_EVEN), RoundingMode::HALF_EVEN);
    EXPECT_EQ(getRoundingMode(RoundingMethod::CEILING), RoundingMode::CEILING);
    EXPECT_EQ(getSeparator(DecimalSeparator::COMMA), ',');
}

TEST(InputTerminatorCodes, AnyByteCodeIsValidAndListsShowNumbersWithoutAConstant) {
    EXPECT_TRUE(InputTerminatorCode::valid(0));
    EXPECT_TRUE(InputTerminatorCode::valid(255));
    EXPECT_FALSE(InputTerminatorCode::valid(256));
    EXPECT_FALSE(InputTerminatorCode::valid(-1));
    EXPECT_EQ(InputTerminatorCode::itemFromDecimal(10), InputTerminator::LF);
    EXPECT_EQ(InputTerminatorCode::itemFromDecimal(3), std::nullopt);
    EXPECT_EQ(InputTerminatorCode::listText(4), "4 <EOT>");
    EXPECT_EQ(InputTerminatorCode::listText(3), "3");
    EXPECT_EQ(InputTerminatorCode::fromListText(u"13 <CR>"), 13);
    EXPECT_EQ(InputTerminatorCode::fromListText(u"3"), 3);
    EXPECT_EQ(InputTerminatorCode::fromListText(u"256"), std::nullopt);
    EXPECT_EQ(InputTerminatorCode::fromListText(u"CR"), std::nullopt);
}

TEST(TextSettings, EmptyIsAlwaysValid) {
    EXPECT_TRUE(RemoveCharacters::valid(u""));
    EXPECT_TRUE(MathOperand::valid(u""));
    EXPECT_TRUE(DecimalPlaces::valid(u""));
    EXPECT_TRUE(EditNumCharacters::valid(u""));
    EXPECT_TRUE(EveryXValues::valid(u""));
    EXPECT_TRUE(IgnoreTimeLimit::valid(u""));
    EXPECT_TRUE(IgnoreDifference::valid(u""));
    EXPECT_TRUE(CustomRegEx::valid(u""));
    EXPECT_TRUE(Delay::valid(u""));
}

TEST(TextSettings, WholeNumberRanges) {
    EXPECT_TRUE(DecimalPlaces::valid(u"0"));
    EXPECT_TRUE(DecimalPlaces::valid(u"7"));
    EXPECT_TRUE(DecimalPlaces::valid(u"+7"));
    EXPECT_FALSE(DecimalPlaces::valid(u"8"));
    EXPECT_FALSE(DecimalPlaces::valid(u"-1"));
    EXPECT_FALSE(DecimalPlaces::valid(u"2.0"));
    EXPECT_FALSE(DecimalPlaces::valid(u" 2"));
    EXPECT_FALSE(EveryXValues::valid(u"1"));
    EXPECT_TRUE(EveryXValues::valid(u"2"));
    EXPECT_TRUE(EveryXValues::valid(u"99"));
    EXPECT_FALSE(EveryXValues::valid(u"100"));
    EXPECT_FALSE(EditNumCharacters::valid(u"0"));
    EXPECT_TRUE(EditNumCharacters::valid(u"1"));
    EXPECT_TRUE(EditNumCharacters::valid(u"99"));
    EXPECT_FALSE(EditNumCharacters::valid(u"100"));
    EXPECT_FALSE(IgnoreTimeLimit::valid(u"0"));
    EXPECT_TRUE(IgnoreTimeLimit::valid(u"1"));
    EXPECT_TRUE(IgnoreTimeLimit::valid(u"2147483647"));
    EXPECT_FALSE(IgnoreTimeLimit::valid(u"2147483648"));
    EXPECT_FALSE(IgnoreTimeLimit::valid(u"1e3"));
    EXPECT_TRUE(Delay::valid(u"0"));
    EXPECT_TRUE(Delay::valid(u"1000"));
    EXPECT_FALSE(Delay::valid(u"1001"));
    EXPECT_FALSE(Delay::valid(u"-1"));
    EXPECT_FALSE(Delay::valid(u"fast"));
    EXPECT_FALSE(Delay::valid(u"-"));
}

TEST(TextSettings, DecimalSettings) {
    EXPECT_FALSE(MathOperand::valid(u"0"));
    EXPECT_TRUE(MathOperand::valid(u"0.0"));
    EXPECT_TRUE(MathOperand::valid(u"00"));
    EXPECT_TRUE(MathOperand::valid(u"2.5"));
    EXPECT_TRUE(MathOperand::valid(u"-1E+3"));
    EXPECT_FALSE(MathOperand::valid(u"2,5"));
    EXPECT_FALSE(MathOperand::valid(u"two"));
    EXPECT_TRUE(IgnoreDifference::valid(u"0.5"));
    EXPECT_TRUE(IgnoreDifference::valid(u"1E-3"));
    EXPECT_FALSE(IgnoreDifference::valid(u"0"));
    EXPECT_FALSE(IgnoreDifference::valid(u"0.000"));
    EXPECT_FALSE(IgnoreDifference::valid(u"-0.5"));
    EXPECT_FALSE(IgnoreDifference::valid(u"0,5"));
}

TEST(TextSettings, RemoveCharactersStayWithinLatin1) {
    EXPECT_TRUE(RemoveCharacters::valid(u"+0 kg\u00FF"));
    EXPECT_FALSE(RemoveCharacters::valid(u"+0\u0100"));
    EXPECT_FALSE(RemoveCharacters::valid(u"\u20AC"));
}

TEST(TextSettings, CustomExpressionMustCompileAndOpenAGroupFirst) {
    EXPECT_TRUE(CustomRegEx::valid(u"([-+]?\\s*[0-9]*[\\.,]?[0-9]+)"));
    EXPECT_TRUE(CustomRegEx::valid(u"^N.*?(-?\\s*[0-9]*[\\.,]?[0-9]+)\\s*kg"));
    EXPECT_FALSE(CustomRegEx::valid(u"[0-9]+"));             // no group at all
    EXPECT_FALSE(CustomRegEx::valid(u"\\([0-9]+\\)"));       // only escaped parentheses
    EXPECT_FALSE(CustomRegEx::valid(u"([0-9]+"));            // does not compile
    EXPECT_FALSE(CustomRegEx::valid(u"(?<n>[0-9]+)(\\d"));   // groups in order, still broken
    EXPECT_TRUE(CustomRegEx::valid(u"\\(\\s*([0-9]*)\\)"));  // escaped pair around a real group
    EXPECT_FALSE(CustomRegEx::valid(u"(?:[0-9]+)"));         // parentheses, but no capture group
    EXPECT_FALSE(CustomRegEx::valid(u"[(][0-9]+"));          // the first "(" is never closed
    EXPECT_TRUE(CustomRegEx::valid(u"(?:kg|g)|([0-9]+)"));   // group 1 exists, later
}
