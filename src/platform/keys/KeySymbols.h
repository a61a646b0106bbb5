#pragma once
// The keysym behind each of the program's key codes; X and libxkbcommon
// number keysyms alike. Kept apart from the Xlib headers, whose global names
// clash with the key-code constants.

#include <optional>

namespace keys {

using Keysym = unsigned long;

// The keysym a key code stands for; none for a code that means nothing.
std::optional<Keysym> keysymForKeyCode(int keyCode);

// The keysym of the character with a decimal Alt-code number, taken as a
// Unicode code point; none for control characters and numbers past Unicode.
std::optional<Keysym> keysymForCharacter(unsigned number);

// Dead keys wait for the next key to make their accent.
bool isDeadKeysym(Keysym keysym);
// Modifier keys that set their modifier while held (not the locking ones).
bool isHeldModifier(Keysym keysym);

bool isKeypadDigit(int keyCode);
int keypadDigitValue(int keyCode);

}  // namespace keys
