#pragma once
// Options of the output side: framing keys, key delay, signal sound, and the
// keyboard layout and key-map scope that typing uses.

#include "config/KeyCodes.h"
#include "config/KeyboardTypes.h"
#include "config/OptionTable.h"

namespace ConfigHelper {

enum class StartWith {
    NONE,
    ENTER,
    TAB,
    RIGHT,
    DOWN,
    DELETE,
    MULTIPLY,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12
};
enum class OutputTerminator { NONE, ENTER, TAB, RIGHT, DOWN };
enum class Sound { NONE, RIDE_BELL, COWBELL, HIGH_AGOGO, LOW_AGOGO, CLAVES, OPEN_TRIANGLE };

template <class E>
struct KeyRow {
    E value;
    const char* name;
    DisplayText display;
    int keyCode;
};

struct SoundRow {
    Sound value;
    const char* name;
    DisplayText display;
    int percussionNumber;
};

}  // namespace ConfigHelper

template <>
struct OptionTraits<ConfigHelper::StartWith> {
    using E = ConfigHelper::StartWith;
    static constexpr const char* typeName = "StartWith";
    static constexpr E defaultValue = E::NONE;
    static constexpr std::array<ConfigHelper::KeyRow<E>, 19> rows{{
        {E::NONE, "NONE", bundleText("key.none"), KeyCode::None},
        {E::ENTER, "ENTER", bundleText("enter"), KeyCode::Enter},
        {E::TAB, "TAB", bundleText("tab"), KeyCode::Tab},
        {E::RIGHT, "RIGHT", bundleText("right"), KeyCode::Right},
        {E::DOWN, "DOWN", bundleText("down"), KeyCode::Down},
        {E::DELETE, "DELETE", bundleText("delete"), KeyCode::Delete},
        {E::MULTIPLY, "MULTIPLY", fixedText("*"), KeyCode::KeypadMultiply},
        {E::F1, "F1", fixedText("F1"), KeyCode::function(1)},
        {E::F2, "F2", fixedText("F2"), KeyCode::function(2)},
        {E::F3, "F3", fixedText("F3"), KeyCode::function(3)},
        {E::F4, "F4", fixedText("F4"), KeyCode::function(4)},
        {E::F5, "F5", fixedText("F5"), KeyCode::function(5)},
        {E::F6, "F6", fixedText("F6"), KeyCode::function(6)},
        {E::F7, "F7", fixedText("F7"), KeyCode::function(7)},
        {E::F8, "F8", fixedText("F8"), KeyCode::function(8)},
        {E::F9, "F9", fixedText("F9"), KeyCode::function(9)},
        {E::F10, "F10", fixedText("F10"), KeyCode::function(10)},
        {E::F11, "F11", fixedText("F11"), KeyCode::function(11)},
        {E::F12, "F12", fixedText("F12"), KeyCode::function(12)},
    }};
};

template <>
struct OptionTraits<ConfigHelper::OutputTerminator> {
    using E = ConfigHelper::OutputTerminator;
    static constexpr const char* typeName = "OutputTerminator";
    static constexpr E defaultValue = E::NONE;
    static constexpr std::array<ConfigHelper::KeyRow<E>, 5> rows{{
        {E::NONE, "NONE", bundleText("key.none"), KeyCode::None},
        {E::ENTER, "ENTER", bundleText("enter"), KeyCode::Enter},
        {E::TAB, "TAB", bundleText("tab"), KeyCode::Tab},
        {E::RIGHT, "RIGHT", bundleText("right"), KeyCode::Right},
        {E::DOWN, "DOWN", bundleText("down"), KeyCode::Down},
    }};
};

template <>
struct OptionTraits<ConfigHelper::Sound> {
    using E = ConfigHelper::Sound;
    static constexpr const char* typeName = "Sound";
    static constexpr E defaultValue = E::NONE;
    static constexpr std::array<ConfigHelper::SoundRow, 7> rows{{
        {E::NONE, "NONE", bundleText("sound.none"), 0},
        {E::RIDE_BELL, "RIDE_BELL", fixedText("Ride Bell"), 53},
        {E::COWBELL, "COWBELL", fixedText("Cowbell"), 56},
        {E::HIGH_AGOGO, "HIGH_AGOGO", fixedText("High Agogo"), 67},
        {E::LOW_AGOGO, "LOW_AGOGO", fixedText("Low Agogo"), 68},
        {E::CLAVES, "CLAVES", fixedText("Claves"), 75},
        {E::OPEN_TRIANGLE, "OPEN_TRIANGLE", fixedText("Triangle"), 81},
    }};
};

template <>
struct OptionTraits<ConfigHelper::KeyboardType> {
    using E = ConfigHelper::KeyboardType;
    static constexpr const char* typeName = "KeyboardType";
    static constexpr E defaultValue = E::QUERTY;
    static constexpr std::array<OptionRow<E>, 5> rows{{
        {E::QUERTY, "QUERTY", bundleText("keyboardType.default")},
        {E::US_INTERNATIONAL, "US_INTERNATIONAL", bundleText("keyboardType.us_international")},
        {E::AZERTY, "AZERTY", bundleText("keyboardType.azerty")},
        {E::GERMAN, "GERMAN", bundleText("keyboardType.german")},
        {E::ALL, "ALL", bundleText("keyboardType.all")},
    }};
};

// The key-map scope is a property of an instrument and never shown in a list.
template <>
struct OptionTraits<ConfigHelper::KeyMapType> {
    using E = ConfigHelper::KeyMapType;
    static constexpr const char* typeName = "KeyMapType";
    static constexpr E defaultValue = E::NUMERIC;
    static constexpr std::array<OptionRow<E>, 3> rows{{
        {E::NUMERIC, "NUMERIC", fixedText("NUMERIC")},
        {E::ALPHANUMERIC_BASIC, "ALPHANUMERIC_BASIC", fixedText("ALPHANUMERIC_BASIC")},
        {E::ALPHANUMERIC_COMPLETE, "ALPHANUMERIC_COMPLETE", fixedText("ALPHANUMERIC_COMPLETE")},
    }};
};

namespace ConfigHelper {

constexpr int getKeyCode(StartWith key) {
    return Options<StartWith>::row(key).keyCode;
}
constexpr int getKeyCode(OutputTerminator key) {
    return Options<OutputTerminator>::row(key).keyCode;
}
constexpr int getPercussionNumber(Sound sound) {
    return Options<Sound>::row(sound).percussionNumber;
}

// The pause between key events, in milliseconds, as the user typed it.
struct Delay {
    static QString getDefault() { return QStringLiteral("20"); }
    static bool valid(QStringView text);  // empty, or a whole number 0..1000
};

}  // namespace ConfigHelper
