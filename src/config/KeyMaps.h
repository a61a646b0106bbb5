#pragma once
// Which keys type which character on each keyboard layout. The keystroke
// engine cannot ask the system, so it types every character with the fixed
// list of key codes found here.

#include "config/KeyCodes.h"
#include "config/KeyboardTypes.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace ConfigHelper {

// Key codes in the order they are pressed. A list that starts with Alt is an
// Alt code: the codes after it are keypad digits of the character's number.
using KeyCodes = std::vector<int>;

// Character to key codes, for the ASCII characters only: a flat table makes
// the lookup per typed character an index.
class KeyMap {
  public:
    // The keys of a character; nullptr when the map does not hold it.
    const KeyCodes* find(char32_t character) const {
        if (character >= keys_.size() || keys_[character].empty()) return nullptr;
        return &keys_[character];
    }
    bool contains(char32_t character) const { return find(character) != nullptr; }
    std::size_t size() const { return size_; }
    // The characters held, in ascending order.
    std::u16string characters() const;

    // Replaces what the character had. The character must be ASCII and the
    // list not empty.
    void put(char16_t character, KeyCodes codes);

  private:
    std::array<KeyCodes, 128> keys_{};
    std::size_t size_ = 0;
};

// A new map for the layout and the part of the character set an instrument
// can send.
KeyMap getKeymap(KeyboardType keyboardType, KeyMapType keyMapType);

// The X keyboard layout and variant a map is written for; ALL types on any
// layout and names none (empty texts).
struct LayoutName {
    const char* layout;
    const char* variant;
};
LayoutName layoutName(KeyboardType keyboardType);

// Alt, then the keypad digits of the character's decimal number, most
// significant first ("5", 53: Alt, Keypad5, Keypad3).
KeyCodes altCode(char16_t character);

inline bool isAltCode(const KeyCodes& codes) {
    return !codes.empty() && codes.front() == KeyCode::Alt;
}

}  // namespace ConfigHelper
