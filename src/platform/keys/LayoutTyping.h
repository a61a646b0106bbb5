#pragma once
// Typing through a key table: each of the program's key codes becomes the
// physical key that produces its keysym, an Alt-code character the key and
// modifiers that type it. A backend says how a physical key goes down or up.

#include "platform/keys/ChordTranslator.h"
#include "platform/keys/KeyTable.h"

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace keys {

class LayoutTyping : protected KeyActions {
  public:
    // Whether the last key pressed produced a character by itself, with the
    // modifiers then held, rather than a dead key or nothing.
    bool lastKeyTypedCharacter() const { return lastKeyTypedCharacter_; }

  protected:
    // Sends one physical key event; throws KeyRefused when it cannot.
    virtual void sendKey(unsigned keycode, bool down) = 0;
    virtual const KeyTable& table() const = 0;
    // A position for a keysym no key types; none refuses the character.
    virtual std::optional<KeyPosition> spareFor(Keysym) { return std::nullopt; }
    virtual void noteUse(unsigned /*keycode*/) {}
    virtual std::string keysymName(Keysym keysym) const = 0;

    void pressKey(int keyCode) override;
    void releaseKey(int keyCode) override;
    void pressLevel3() override;
    void releaseLevel3() override;
    void typeCharacter(unsigned number) override;

    // Lets go of every key still down, ignoring refusals: for closing.
    void releaseHeldKeys();

    ChordTranslator translator_{*this};

  private:
    unsigned keyProducing(Keysym keysym, const std::string& what) const;
    void key(unsigned keycode, bool down);
    void tap(const KeyPosition& position);
    std::optional<std::pair<KeyPosition, KeyPosition>> deadKeyWithSpace(Keysym keysym) const;

    std::map<int, unsigned> held_;  // key code -> physical key pressed for it
    std::optional<unsigned> level3Held_;
    std::map<unsigned, unsigned> modifiersDown_;  // physical key -> its modifiers
    bool lastKeyTypedCharacter_ = false;
};

}  // namespace keys
