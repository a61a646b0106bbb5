#pragma once
// The X keysym behind each of the program's key codes. Kept apart from the
// Xlib headers, whose global names clash with the key-code constants.

#include <optional>

namespace keys::x11 {

using Keysym = unsigned long;

// The keysym a key code stands for; none for a code that means nothing.
std::optional<Keysym> keysymForKeyCode(int keyCode);

// The keysym of the character with a decimal Alt-code number, taken as a
// Unicode code point; none for control characters and numbers past Unicode.
std::optional<Keysym> keysymForCharacter(unsigned number);

bool isKeypadDigit(int keyCode);
int keypadDigitValue(int keyCode);

}  // namespace keys::x11
