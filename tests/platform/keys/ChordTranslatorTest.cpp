#include "platform/keys/ChordTranslator.h"

#include "config/KeyCodes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace KeyCode;
using keys::ChordTranslator;
using Calls = std::vector<std::string>;

class CallRecorder : public keys::KeyActions {
  public:
    Calls calls;
    void pressKey(int code) override { calls.push_back("down " + std::to_string(code)); }
    void releaseKey(int code) override { calls.push_back("up " + std::to_string(code)); }
    void pressLevel3() override { calls.push_back("level3 down"); }
    void releaseLevel3() override { calls.push_back("level3 up"); }
    void typeCharacter(unsigned number) override {
        calls.push_back("type " + std::to_string(number));
    }
};

class ChordTranslatorTest : public ::testing::Test {
  protected:
    void down(int code) { translator.press(code); }
    void up(int code) { translator.release(code); }

    CallRecorder actions;
    ChordTranslator translator{actions};
};

TEST_F(ChordTranslatorTest, CtrlAltChordIsTheLevel3Shift) {
    down(Ctrl), down(Alt), down(letter('Q')), up(letter('Q')), up(Alt), up(Ctrl);
    EXPECT_EQ(actions.calls, (Calls{"level3 down", "down 81", "up 81", "level3 up"}));
    // Ctrl let go first: the level-3 shift still goes with Alt.
    actions.calls.clear();
    down(Ctrl), down(Alt), up(Ctrl), up(Alt);
    EXPECT_EQ(actions.calls, (Calls{"level3 down", "level3 up"}));
}

TEST_F(ChordTranslatorTest, AltWithKeypadDigitsTypesTheCharacterOnRelease) {
    down(Alt);
    for (int digit : {1, 2, 6}) down(keypad(digit)), up(keypad(digit));
    EXPECT_TRUE(actions.calls.empty());
    up(Alt);
    EXPECT_EQ(actions.calls, Calls{"type 126"});
    // A number too long for any character still ends up with the backend.
    actions.calls.clear();
    down(Alt);
    for (int i = 0; i < 12; ++i) down(keypad(9)), up(keypad(9));
    up(Alt);
    EXPECT_EQ(actions.calls, Calls{"type 4294967295"});
}

TEST_F(ChordTranslatorTest, HeldBackModifiersArePressedForRealBeforeAnyOtherKey) {
    down(Ctrl), down(letter('C')), up(letter('C')), up(Ctrl);
    EXPECT_EQ(actions.calls, (Calls{"down 17", "down 67", "up 67", "up 17"}));

    actions.calls.clear();
    down(Alt), down(keypad(4)), down(F1 + 3), up(F1 + 3), up(keypad(4)), up(Alt);
    EXPECT_EQ(actions.calls, (Calls{"down 18", "down 115", "up 115", "up 100", "up 18"}));

    // Keypad digits outside an Alt code are keys like any other.
    actions.calls.clear();
    down(keypad(4)), up(keypad(4));
    EXPECT_EQ(actions.calls, (Calls{"down 100", "up 100"}));
}

TEST_F(ChordTranslatorTest, ALoneCtrlOrAltIsATap) {
    down(Ctrl), up(Ctrl), down(Alt), up(Alt);
    EXPECT_EQ(actions.calls, (Calls{"down 17", "up 17", "down 18", "up 18"}));
}

TEST_F(ChordTranslatorTest, ARefusedCharacterLeavesNoAltCodeBehind) {
    class Refusing : public CallRecorder {
      public:
        void typeCharacter(unsigned) override { throw std::runtime_error("refused"); }
    } refusing;
    ChordTranslator strict(refusing);
    strict.press(Alt), strict.press(keypad(9)), strict.release(keypad(9));
    EXPECT_THROW(strict.release(Alt), std::runtime_error);
    strict.press(keypad(9)), strict.release(keypad(9));
    EXPECT_EQ(refusing.calls, (Calls{"down 105", "up 105"}));
}

}  // namespace
