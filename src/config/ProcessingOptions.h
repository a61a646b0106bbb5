#pragma once
// Options of value processing: rounding, arithmetic, separator, editing and
// the input terminator, plus the typed text settings with their validity rules.

#include "config/Decimal.h"
#include "config/OptionTable.h"

#include <optional>

namespace ConfigHelper {

enum class RoundingMethod { CEILING, DOWN, FLOOR, HALF_DOWN, HALF_EVEN, HALF_UP, UP };
enum class MathOperation { NONE, MULTIPLY, DIVIDE };
enum class DecimalSeparator { DOT, COMMA };
enum class EditOperation { REMOVE, KEEP };
enum class EditPosition { FIRST, LAST };
enum class InputTerminator { EOT, LF, CR };

struct RoundingMethodRow {
    RoundingMethod value;
    const char* name;
    DisplayText display;
    RoundingMode roundingMode;
};

struct DecimalSeparatorRow {
    DecimalSeparator value;
    const char* name;
    DisplayText display;
    char separator;
};

struct InputTerminatorRow {
    InputTerminator value;
    const char* name;
    DisplayText display;
    int decimal;
};

}  // namespace ConfigHelper

template <>
struct OptionTraits<ConfigHelper::RoundingMethod> {
    using E = ConfigHelper::RoundingMethod;
    static constexpr const char* typeName = "RoundingMethod";
    static constexpr E defaultValue = E::HALF_UP;
    static constexpr std::array<ConfigHelper::RoundingMethodRow, 7> rows{{
        {E::CEILING, "CEILING", fixedText("ceiling"), RoundingMode::CEILING},
        {E::DOWN, "DOWN", fixedText("down"), RoundingMode::DOWN},
        {E::FLOOR, "FLOOR", fixedText("floor"), RoundingMode::FLOOR},
        {E::HALF_DOWN, "HALF_DOWN", fixedText("half down"), RoundingMode::HALF_DOWN},
        {E::HALF_EVEN, "HALF_EVEN", fixedText("half even"), RoundingMode::HALF_EVEN},
        {E::HALF_UP, "HALF_UP", fixedText("half up"), RoundingMode::HALF_UP},
        {E::UP, "UP", fixedText("up"), RoundingMode::UP},
    }};
};

template <>
struct OptionTraits<ConfigHelper::MathOperation> {
    using E = ConfigHelper::MathOperation;
    static constexpr const char* typeName = "MathOperation";
    static constexpr E defaultValue = E::NONE;
    static constexpr std::array<OptionRow<E>, 3> rows{{
        {E::NONE, "NONE", bundleText("math.none")},
        {E::MULTIPLY, "MULTIPLY", bundleText("multiply")},
        {E::DIVIDE, "DIVIDE", bundleText("divide")},
    }};
};

template <>
struct OptionTraits<ConfigHelper::DecimalSeparator> {
    using E = ConfigHelper::DecimalSeparator;
    static constexpr const char* typeName = "DecimalSeparator";
    static constexpr E defaultValue = E::DOT;
    static constexpr std::array<ConfigHelper::DecimalSeparatorRow, 2> rows{{
        {E::DOT, "DOT", bundleText("dot"), '.'},
        {E::COMMA, "COMMA", bundleText("comma"), ','},
    }};
};

template <>
struct OptionTraits<ConfigHelper::EditOperation> {
    using E = ConfigHelper::EditOperation;
    static constexpr const char* typeName = "EditOperation";
    static constexpr E defaultValue = E::REMOVE;
    static constexpr std::array<OptionRow<E>, 2> rows{{
        {E::REMOVE, "REMOVE", bundleText("edit.remove")},
        {E::KEEP, "KEEP", bundleText("edit.keep")},
    }};
};

template <>
struct OptionTraits<ConfigHelper::EditPosition> {
    using E = ConfigHelper::EditPosition;
    static constexpr const char* typeName = "EditPosition";
    static constexpr E defaultValue = E::FIRST;
    static constexpr std::array<OptionRow<E>, 2> rows{{
        {E::FIRST, "FIRST", bundleText("edit.first")},
        {E::LAST, "LAST", bundleText("edit.last")},
    }};
};

template <>
struct OptionTraits<ConfigHelper::InputTerminator> {
    using E = ConfigHelper::InputTerminator;
    static constexpr const char* typeName = "InputTerminator";
    static constexpr E defaultValue = E::CR;
    static constexpr std::array<ConfigHelper::InputTerminatorRow, 3> rows{{
        {E::EOT, "EOT", fixedText("4 <EOT>"), 4},
        {E::LF, "LF", fixedText("10 <LF>"), 10},
        {E::CR, "CR", fixedText("13 <CR>"), 13},
    }};
};

namespace ConfigHelper {

constexpr RoundingMode getRoundingMode(RoundingMethod method) {
    return Options<RoundingMethod>::row(method).roundingMode;
}

constexpr char getSeparator(DecimalSeparator separator) {
    return Options<DecimalSeparator>::row(separator).separator;
}

// The stored input terminator is any character code; the constants only name
// the common ones.
struct InputTerminatorCode {
    static constexpr int getDecimal(InputTerminator t) {
        return Options<InputTerminator>::row(t).decimal;
    }
    static constexpr int getDefault() { return getDecimal(InputTerminator::CR); }
    static constexpr bool valid(int code) { return code >= 0 && code <= 255; }
    static std::optional<InputTerminator> itemFromDecimal(int code);

    // What an editable terminator list shows for a code: the constant's
    // display text when one has that code, else the number itself.
    static QString listText(int code);
    // The inverse for what the user picked or typed into that list: a
    // constant's display text or a plain code 0..255; none for anything else.
    static std::optional<int> fromListText(QStringView text);
};

// Typed text settings. Every default is the empty text, which always is valid
// and means the setting is off.
struct RemoveCharacters {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
};
struct MathOperand {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
};
struct DecimalPlaces {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
};
struct EditNumCharacters {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
};
struct EveryXValues {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
};
struct IgnoreTimeLimit {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
};
struct IgnoreDifference {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
};
struct CustomRegEx {
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
};

}  // namespace ConfigHelper
