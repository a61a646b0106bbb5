#pragma once
// Key codes of the synthetic keystroke generator. The key maps, the start key
// and the terminators store these numbers, and error messages show them; a
// keystroke backend translates them to what its platform understands.

namespace KeyCode {
inline constexpr int None = 0;
inline constexpr int Tab = 9;
inline constexpr int Enter = 10;
inline constexpr int Shift = 16;
inline constexpr int Ctrl = 17;
inline constexpr int Alt = 18;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Comma = 44;
inline constexpr int Minus = 45;
inline constexpr int Period = 46;
inline constexpr int Slash = 47;
inline constexpr int Digit0 = 48;  // Digit0 + n is the digit key n
inline constexpr int Semicolon = 59;
inline constexpr int Equals = 61;
inline constexpr int LetterA = 65;  // LetterA + n is the n-th letter key
inline constexpr int OpenBracket = 91;
inline constexpr int BackSlash = 92;
inline constexpr int CloseBracket = 93;
inline constexpr int Keypad0 = 96;  // Keypad0 + n is the keypad digit n
inline constexpr int KeypadMultiply = 106;
inline constexpr int KeypadAdd = 107;
inline constexpr int KeypadDivide = 111;
inline constexpr int F1 = 112;  // F1 + n - 1 is the function key n, up to F12
inline constexpr int F12 = 123;
inline constexpr int Delete = 127;
inline constexpr int DeadGrave = 128;
inline constexpr int DeadAcute = 129;
inline constexpr int DeadCircumflex = 130;
inline constexpr int Less = 153;
inline constexpr int BackQuote = 192;
inline constexpr int Quote = 222;
inline constexpr int Colon = 513;
inline constexpr int Dollar = 515;
inline constexpr int ExclamationMark = 517;
inline constexpr int NumberSign = 520;
inline constexpr int Plus = 521;
inline constexpr int RightParenthesis = 522;

constexpr int digit(int n) {
    return Digit0 + n;
}
constexpr int letter(char upper) {
    return LetterA + (upper - 'A');
}
constexpr int keypad(int n) {
    return Keypad0 + n;
}
constexpr int function(int n) {
    return F1 + n - 1;
}
}  // namespace KeyCode
