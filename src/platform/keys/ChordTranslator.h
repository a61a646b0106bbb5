#pragma once
// Makes the key maps mean on X and under uinput what they mean on the
// desktop they were written for. Two chords have no counterpart here:
//  - Ctrl + Alt is the AltGr key there; here it is the level-3 shift.
//  - Alt held while keypad digits are typed enters the character with that
//    decimal number; Linux desktops have no such thing, so the digits are
//    collected and the character is typed when Alt is released.
// Ctrl and Alt are therefore held back until the next key shows what they
// start; any other key gets them pressed for real first.

#include <string>

namespace keys {

// What translated key events become.
class KeyActions {
  public:
    virtual ~KeyActions() = default;
    virtual void pressKey(int keyCode) = 0;
    virtual void releaseKey(int keyCode) = 0;
    virtual void pressLevel3() = 0;
    virtual void releaseLevel3() = 0;
    virtual void typeCharacter(unsigned number) = 0;
};

class ChordTranslator {
  public:
    explicit ChordTranslator(KeyActions& actions) : actions_(actions) {}

    // Both pass on what the actions throw; the translator stays consistent.
    void press(int keyCode);
    void release(int keyCode);

  private:
    enum class Ctrl { Up, HeldBack, Pressed, PartOfAltGr };
    enum class Alt { Up, HeldBack, Pressed, PartOfAltGr };

    void pressCtrl();
    void pressAlt();
    void releaseCtrl();
    void releaseAlt();
    void pressHeldBack();
    // The collected digits as a number; past any character when too long.
    unsigned altCodeNumber() const;

    KeyActions& actions_;
    Ctrl ctrl_ = Ctrl::Up;
    Alt alt_ = Alt::Up;
    std::string digits_;  // keypad digits typed while Alt is held back
};

}  // namespace keys
