#include "config/Config.h"
#include "worker/NumberFormatter.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace ConfigHelper;

namespace {

struct Settings {
    QString decimalPlaces = {};
    RoundingMethod rounding = RoundingMethod::HALF_UP;
    MathOperation operation = MathOperation::NONE;
    QString operand = {};
    DecimalSeparator separator = DecimalSeparator::DOT;
};

QString format(const QString& value, const Settings& s = {}) {
    Config config;
    config.setDecimalPlaces(s.decimalPlaces);
    config.setRoundingMethod(s.rounding);
    config.setMathOperation(s.operation);
    config.setMathOperand(s.operand);
    config.setDecimalSeparator(s.separator);
    return NumberFormatter::fromConfig(config).format(value);
}

}  // namespace

TEST(NumberFormatter, SignAndDecimalMarkAreNormalised) {
    EXPECT_EQ(format("+00012.34"), "12.34");
    EXPECT_EQ(format("+00012.34", {.separator = DecimalSeparator::COMMA}), "12,34");
    EXPECT_EQ(format("-00012,45"), "-12.45");
    EXPECT_EQ(format("12.50"), "12.50");  // trailing zeros of the input stay
    EXPECT_EQ(format(".5"), "0.5");
    EXPECT_EQ(format("- 12.5"), "-12.5");
    EXPECT_EQ(format("ST-  7"), "-7");  // whatever stands before the minus is dropped
    EXPECT_EQ(format("0.000"), "0.000");
    EXPECT_EQ(format("-0"), "0");
    EXPECT_EQ(format("1E+3"), "1000");  // no exponent in the output
    EXPECT_EQ(format("+00000101"), "101");
}

TEST(NumberFormatter, AMinusRightAfterTheExponentMarkBelongsToTheExponent) {
    struct Row {
        const char* value;
        const char* places;
        const char* expected;
    };
    const Row rows[] = {
        {"2e-3", "", "0.002"},       // the only minus is the exponent's
        {"-1.5E-2", "", "-0.015"},   // a sign and an exponent
        {"ST-2.5e-1", "", "-0.25"},  // the sign's minus still drops what stands before it
        {"1,5E-2", "", "0.015"},     // after a decimal comma
        {".5e-1", "", "0.05"},       // after a leading point
        {"-1.5E-2", "2", "-0.02"},   // three decimals, rounded half up to two
        {"2e-3", "4", "0.002"},      // not padded
        {"Tare-5", "", "-5"},        // a word ending in "e" is no exponent
    };
    for (const Row& r : rows) {
        EXPECT_EQ(format(r.value, {.decimalPlaces = r.places}), r.expected)
            << r.value << " to " << r.places << " places";
    }
}

TEST(NumberFormatter, RefusesTextsThatAreNoNumber) {
    EXPECT_THROW(format("12-"), std::invalid_argument);      // nothing after the minus
    EXPECT_THROW(format("1,234.5"), std::invalid_argument);  // two points after normalising
    EXPECT_THROW(format("-"), std::invalid_argument);
    EXPECT_THROW(format("12kg"), std::invalid_argument);
    EXPECT_THROW(format(""), std::invalid_argument);
}

TEST(NumberFormatter, RoundingOnlyRemovesDecimals) {
    const Settings two{.decimalPlaces = "2"};
    EXPECT_EQ(format("12.5", two), "12.5");  // not padded
    EXPECT_EQ(format("12", two), "12");
    EXPECT_EQ(format("12.345", two), "12.35");
    const Settings comma{.decimalPlaces = "1", .separator = DecimalSeparator::COMMA};
    EXPECT_EQ(format("12,34", comma), "12,3");
}

TEST(NumberFormatter, EveryRoundingMethodOnTiesAndSigns) {
    struct Row {
        const char* value;
        const char* places;
        RoundingMethod method;
        const char* expected;
    };
    const Row rows[] = {
        {"12.345", "2", RoundingMethod::HALF_UP, "12.35"},
        {"12.345", "2", RoundingMethod::HALF_EVEN, "12.34"},
        {"12.345", "2", RoundingMethod::DOWN, "12.34"},
        {"12.345", "2", RoundingMethod::FLOOR, "12.34"},
        {"12.345", "2", RoundingMethod::UP, "12.35"},
        {"12.345", "2", RoundingMethod::CEILING, "12.35"},
        {"12.345", "2", RoundingMethod::HALF_DOWN, "12.34"},
        {"-12.345", "2", RoundingMethod::FLOOR, "-12.35"},
        {"-12.345", "2", RoundingMethod::CEILING, "-12.34"},
        {"-12.345", "2", RoundingMethod::HALF_UP, "-12.35"},
        {"-12.345", "2", RoundingMethod::HALF_DOWN, "-12.34"},
        {"12.355", "2", RoundingMethod::HALF_EVEN, "12.36"},
        {"7.5", "0", RoundingMethod::HALF_UP, "8"},
        {"7.5", "0", RoundingMethod::HALF_EVEN, "8"},
        {"7.5", "0", RoundingMethod::HALF_DOWN, "7"},
        {"8.5", "0", RoundingMethod::HALF_EVEN, "8"},
        {"9.9999999", "7", RoundingMethod::HALF_UP, "9.9999999"},
        {"9.99999995", "7", RoundingMethod::HALF_UP, "10.0000000"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(format(r.value, {.decimalPlaces = r.places, .rounding = r.method}), r.expected)
            << r.value << " to " << r.places << " places, method " << static_cast<int>(r.method);
    }
}

TEST(NumberFormatter, MultiplicationIsExactAndRoundedOnlyWhenAsked) {
    EXPECT_EQ(format("12.34", {.operation = MathOperation::MULTIPLY, .operand = "2.5"}), "30.850");
    EXPECT_EQ(
        format("12.34",
               {.decimalPlaces = "2", .operation = MathOperation::MULTIPLY, .operand = "2.5"}),
        "30.85");
    EXPECT_EQ(format("-3", {.operation = MathOperation::MULTIPLY, .operand = "1E+3"}), "-3000");
    EXPECT_EQ(format("0.1", {.operation = MathOperation::MULTIPLY, .operand = "3"}), "0.3");
}

TEST(NumberFormatter, DivisionRoundsTheExactQuotientOnce) {
    EXPECT_EQ(
        format("10", {.decimalPlaces = "2", .operation = MathOperation::DIVIDE, .operand = "3"}),
        "3.33");
    EXPECT_EQ(format("1", {.decimalPlaces = "2",
                           .rounding = RoundingMethod::HALF_EVEN,
                           .operation = MathOperation::DIVIDE,
                           .operand = "8"}),
              "0.12");
    // Division pads to the places: the quotient has exactly that scale.
    EXPECT_EQ(
        format("10", {.decimalPlaces = "2", .operation = MathOperation::DIVIDE, .operand = "2"}),
        "5.00");
    // Without decimal places division is off and the value passes unchanged.
    EXPECT_EQ(format("10", {.operation = MathOperation::DIVIDE, .operand = "3"}), "10");
    EXPECT_THROW(
        format("10", {.decimalPlaces = "2", .operation = MathOperation::DIVIDE, .operand = "0.0"}),
        std::domain_error);
}
