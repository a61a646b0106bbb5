#include "config/KeyMaps.h"

#include "config/OutputOptions.h"

#include <gtest/gtest.h>

#include <string>

using namespace ConfigHelper;
using namespace KeyCode;

namespace {

const KeyCodes& keysOf(const KeyMap& map, char16_t character) {
    static const KeyCodes absent;
    const KeyCodes* codes = map.find(character);
    return codes != nullptr ? *codes : absent;
}

std::u16string printableAscii() {
    std::u16string all;
    for (char16_t c = 32; c <= 126; ++c) all += c;
    return all;
}

constexpr KeyboardType layouts[] = {KeyboardType::QUERTY, KeyboardType::US_INTERNATIONAL,
                                    KeyboardType::AZERTY, KeyboardType::GERMAN};

}  // namespace

TEST(KeyMaps, EachScopeHoldsItsCharactersOnEveryLayout) {
    for (KeyboardType type : Options<KeyboardType>::values()) {
        SCOPED_TRACE(Options<KeyboardType>::name(type).toStdString());
        EXPECT_EQ(getKeymap(type, KeyMapType::NUMERIC).characters(), u"+,-.0123456789");
        const KeyMap basic = getKeymap(type, KeyMapType::ALPHANUMERIC_BASIC);
        EXPECT_EQ(basic.size(), 40u);
        EXPECT_TRUE(basic.contains(u'Z'));
        EXPECT_FALSE(basic.contains(u'a'));
        EXPECT_EQ(getKeymap(type, KeyMapType::ALPHANUMERIC_COMPLETE).characters(),
                  printableAscii());
    }
}

TEST(KeyMaps, OnlyAsciiCanBeLookedUp) {
    const KeyMap map = getKeymap(KeyboardType::QUERTY, KeyMapType::ALPHANUMERIC_COMPLETE);
    EXPECT_EQ(map.size(), 95u);
    for (char32_t outside : {U'\0', U'\t', U'\x7f', U'\u00e9', U'\U0001F600'}) {
        EXPECT_EQ(map.find(outside), nullptr);
    }
    EXPECT_THROW(KeyMap().put(u'\u00e9', {Space}), std::invalid_argument);
    EXPECT_THROW(KeyMap().put(u'a', {}), std::invalid_argument);
}

TEST(KeyMaps, AllTypesEveryCharacterAsAnAltCode) {
    const KeyMap map = getKeymap(KeyboardType::ALL, KeyMapType::ALPHANUMERIC_COMPLETE);
    EXPECT_EQ(keysOf(map, u'0'), (KeyCodes{Alt, keypad(4), keypad(8)}));
    EXPECT_EQ(keysOf(map, u'5'), (KeyCodes{Alt, keypad(5), keypad(3)}));
    EXPECT_EQ(keysOf(map, u'd'), (KeyCodes{Alt, keypad(1), keypad(0), keypad(0)}));
    EXPECT_EQ(keysOf(map, u'~'), (KeyCodes{Alt, keypad(1), keypad(2), keypad(6)}));
    for (char16_t c : printableAscii()) {
        const KeyCodes& codes = keysOf(map, c);
        ASSERT_TRUE(isAltCode(codes)) << char(c);
        std::string digits;
        for (std::size_t i = 1; i < codes.size(); ++i) {
            ASSERT_GE(codes[i], keypad(0));
            ASSERT_LE(codes[i], keypad(9));
            digits += char('0' + codes[i] - Keypad0);
        }
        EXPECT_EQ(digits, std::to_string(c)) << char(c);
    }
    EXPECT_EQ(keysOf(getKeymap(KeyboardType::ALL, KeyMapType::NUMERIC), u'+'),
              (KeyCodes{Alt, keypad(4), keypad(3)}));
}

TEST(KeyMaps, NumericKeysDependOnTheLayout) {
    for (KeyboardType type : layouts) {
        const KeyMap map = getKeymap(type, KeyMapType::NUMERIC);
        EXPECT_EQ(keysOf(map, u'+'), KeyCodes{KeypadAdd});
        EXPECT_EQ(keysOf(map, u','), KeyCodes{Comma});
    }
    const KeyMap german = getKeymap(KeyboardType::GERMAN, KeyMapType::NUMERIC);
    EXPECT_EQ(keysOf(german, u'7'), KeyCodes{digit(7)});
    EXPECT_EQ(keysOf(german, u'-'), KeyCodes{Minus});
    EXPECT_EQ(keysOf(german, u'.'), KeyCodes{Period});
    // On AZERTY the digits are the shifted top row and "-" is the bare 6 key.
    const KeyMap azerty = getKeymap(KeyboardType::AZERTY, KeyMapType::NUMERIC);
    EXPECT_EQ(keysOf(azerty, u'0'), (KeyCodes{Shift, digit(0)}));
    EXPECT_EQ(keysOf(azerty, u'7'), (KeyCodes{Shift, digit(7)}));
    EXPECT_EQ(keysOf(azerty, u'-'), KeyCodes{digit(6)});
    EXPECT_EQ(keysOf(azerty, u'.'), (KeyCodes{Shift, Semicolon}));
}

TEST(KeyMaps, LettersAndTheRestOfTheCompleteSet) {
    for (KeyboardType type : layouts) {
        const KeyMap map = getKeymap(type, KeyMapType::ALPHANUMERIC_COMPLETE);
        EXPECT_EQ(keysOf(map, u'A'), (KeyCodes{Shift, letter('A')}));
        EXPECT_EQ(keysOf(map, u'z'), KeyCodes{letter('Z')});
        EXPECT_EQ(keysOf(map, u'*'), KeyCodes{KeypadMultiply});
        EXPECT_EQ(keysOf(map, u'/'), KeyCodes{KeypadDivide});
        EXPECT_EQ(keysOf(map, u' '), KeyCodes{Space});
    }
}

// One row of each column kind: plain keys, dead keys with Space, AltGr
// chords and the Alt codes inside a layout column.
TEST(KeyMaps, PunctuationFollowsEachLayoutsColumn) {
    const auto complete = [](KeyboardType type) {
        return getKeymap(type, KeyMapType::ALPHANUMERIC_COMPLETE);
    };
    const KeyMap querty = complete(KeyboardType::QUERTY);
    const KeyMap international = complete(KeyboardType::US_INTERNATIONAL);
    const KeyMap german = complete(KeyboardType::GERMAN);
    const KeyMap azerty = complete(KeyboardType::AZERTY);

    EXPECT_EQ(keysOf(querty, u'"'), (KeyCodes{Shift, Quote}));
    EXPECT_EQ(keysOf(international, u'"'), (KeyCodes{Shift, DeadAcute, Space}));
    EXPECT_EQ(keysOf(german, u'"'), (KeyCodes{Shift, digit(2)}));
    EXPECT_EQ(keysOf(azerty, u'"'), KeyCodes{digit(3)});

    EXPECT_EQ(keysOf(querty, u'~'), (KeyCodes{Shift, BackQuote}));
    EXPECT_EQ(keysOf(international, u'~'), (KeyCodes{Shift, DeadGrave, Space}));
    EXPECT_EQ(keysOf(german, u'~'), (KeyCodes{Ctrl, Alt, Plus}));
    EXPECT_EQ(keysOf(azerty, u'~'), (KeyCodes{Ctrl, Alt, digit(2), Space}));

    EXPECT_EQ(keysOf(international, u'^'), (KeyCodes{Shift, digit(6), Space}));
    EXPECT_EQ(keysOf(german, u'^'), (KeyCodes{DeadCircumflex, Space}));
    EXPECT_EQ(keysOf(german, u'@'), (KeyCodes{Ctrl, Alt, letter('Q')}));
    EXPECT_EQ(keysOf(azerty, u']'), (KeyCodes{Ctrl, Alt, RightParenthesis}));
    EXPECT_EQ(keysOf(azerty, u'!'), KeyCodes{ExclamationMark});

    EXPECT_EQ(keysOf(german, u'?'), (KeyCodes{Alt, keypad(6), keypad(3)}));
    EXPECT_EQ(keysOf(german, u'\\'), (KeyCodes{Alt, keypad(9), keypad(2)}));
    EXPECT_EQ(keysOf(azerty, u'%'), (KeyCodes{Alt, keypad(3), keypad(7)}));
    // The only Alt codes outside ALL.
    int altCodes = 0;
    for (const KeyMap* map : {&querty, &international, &german, &azerty}) {
        for (char16_t c : map->characters()) altCodes += isAltCode(keysOf(*map, c)) ? 1 : 0;
    }
    EXPECT_EQ(altCodes, 3);
}

TEST(KeyMaps, EachCallBuildsANewMap) {
    KeyMap first = getKeymap(KeyboardType::QUERTY, KeyMapType::NUMERIC);
    first.put(u'A', {Shift, letter('A')});
    EXPECT_FALSE(getKeymap(KeyboardType::QUERTY, KeyMapType::NUMERIC).contains(u'A'));
}
