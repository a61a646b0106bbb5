#include "platform/keys/KeySymbols.h"

#include "config/KeyCodes.h"

#define XK_MISCELLANY
#define XK_LATIN1
#define XK_XKB_KEYS
#include <X11/keysymdef.h>

namespace keys {

namespace {

// Keys whose code is their ASCII character: digits, letters (as the small
// letter the key carries) and the punctuation keys.
std::optional<Keysym> characterKey(int code) {
    using namespace KeyCode;
    if (code >= digit(0) && code <= digit(9)) return XK_0 + (code - Digit0);
    if (code >= LetterA && code <= letter('Z')) return XK_a + (code - LetterA);
    switch (code) {
        case Space:
            return XK_space;
        case Comma:
            return XK_comma;
        case Minus:
            return XK_minus;
        case Period:
            return XK_period;
        case Slash:
            return XK_slash;
        case Semicolon:
            return XK_semicolon;
        case Equals:
            return XK_equal;
        case OpenBracket:
            return XK_bracketleft;
        case BackSlash:
            return XK_backslash;
        case CloseBracket:
            return XK_bracketright;
        case Less:
            return XK_less;
        case BackQuote:
            return XK_grave;
        case Quote:
            return XK_apostrophe;
        case Colon:
            return XK_colon;
        case Dollar:
            return XK_dollar;
        case ExclamationMark:
            return XK_exclam;
        case NumberSign:
            return XK_numbersign;
        case Plus:
            return XK_plus;
        case RightParenthesis:
            return XK_parenright;
        default:
            return std::nullopt;
    }
}

std::optional<Keysym> controlKey(int code) {
    using namespace KeyCode;
    if (code >= Keypad0 && code <= keypad(9)) return XK_KP_0 + (code - Keypad0);
    if (code >= F1 && code <= F12) return XK_F1 + (code - F1);
    switch (code) {
        case Tab:
            return XK_Tab;
        case Enter:
            return XK_Return;
        case Shift:
            return XK_Shift_L;
        case Ctrl:
            return XK_Control_L;
        case Alt:
            return XK_Alt_L;
        case Escape:
            return XK_Escape;
        case End:
            return XK_End;
        case Home:
            return XK_Home;
        case Left:
            return XK_Left;
        case Up:
            return XK_Up;
        case Right:
            return XK_Right;
        case Down:
            return XK_Down;
        case KeypadMultiply:
            return XK_KP_Multiply;
        case KeypadAdd:
            return XK_KP_Add;
        case KeypadDivide:
            return XK_KP_Divide;
        case Delete:
            return XK_Delete;
        case DeadGrave:
            return XK_dead_grave;
        case DeadAcute:
            return XK_dead_acute;
        case DeadCircumflex:
            return XK_dead_circumflex;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<Keysym> keysymForKeyCode(int keyCode) {
    if (auto keysym = characterKey(keyCode)) return keysym;
    return controlKey(keyCode);
}

std::optional<Keysym> keysymForCharacter(unsigned number) {
    constexpr unsigned lastCodePoint = 0x10FFFF;
    constexpr Keysym unicodeKeysyms = 0x01000000;
    const bool control = number < 0x20 || (number >= 0x7F && number < 0xA0);
    if (control || number > lastCodePoint || (number >= 0xD800 && number <= 0xDFFF)) {
        return std::nullopt;
    }
    // Latin-1 keysyms equal their character's code.
    if (number <= 0xFF) return number;
    return unicodeKeysyms | number;
}

bool isDeadKeysym(Keysym keysym) {
    // dead_grave to dead_currency, then dead_lowline to the last dead key;
    // the AccessX keysyms lie between.
    return (keysym >= 0xfe50 && keysym <= 0xfe6f) || (keysym >= 0xfe80 && keysym <= 0xfe93);
}

bool isHeldModifier(Keysym keysym) {
    switch (keysym) {
        case XK_Shift_L:
        case XK_Shift_R:
        case XK_Control_L:
        case XK_Control_R:
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
        case XK_Super_L:
        case XK_Super_R:
        case XK_Hyper_L:
        case XK_Hyper_R:
        case XK_ISO_Level3_Shift:
        case XK_ISO_Level5_Shift:
        case XK_Mode_switch:
            return true;
        default:
            return false;
    }
}

bool isKeypadDigit(int keyCode) {
    return keyCode >= KeyCode::Keypad0 && keyCode <= KeyCode::keypad(9);
}

int keypadDigitValue(int keyCode) {
    return keyCode - KeyCode::Keypad0;
}

}  // namespace keys
