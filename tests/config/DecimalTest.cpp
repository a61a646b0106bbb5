#include "config/Decimal.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Mode = RoundingMode;

const char* modeName(Mode mode) {
    switch (mode) {
        case Mode::UP:
            return "UP";
        case Mode::DOWN:
            return "DOWN";
        case Mode::CEILING:
            return "CEILING";
        case Mode::FLOOR:
            return "FLOOR";
        case Mode::HALF_UP:
            return "HALF_UP";
        case Mode::HALF_DOWN:
            return "HALF_DOWN";
        case Mode::HALF_EVEN:
            return "HALF_EVEN";
    }
    return "?";
}

Decimal dec(const char* text) {
    return Decimal::parse(text);
}

std::string repeated(std::size_t count, char c) {
    return std::string(count, c);
}

// ---------------------------------------------------------------- parsing

struct ParsedRow {
    const char* text;
    const char* unscaled;
    std::int32_t scale;
};

TEST(DecimalParse, KeepsWrittenDigitsAndScale) {
    const std::vector<ParsedRow> rows = {
        {"12.50", "1250", 2},     {".5", "5", 1},
        {"5.", "5", 0},           {"1E+3", "1", -3},
        {"1e3", "1", -3},         {"1.5E-2", "15", 3},
        {"+00012.34", "1234", 2}, {"-00012.45", "-1245", 2},
        {"-.5", "-5", 1},         {"0", "0", 0},
        {"-0", "0", 0},           {"0.000", "0", 3},
        {"1.23E+1", "123", 1},    {"12E0", "12", 0},
        {"1E-0003", "1", 3},      {"123.4e+00002", "1234", -1},
    };
    for (const ParsedRow& row : rows) {
        SCOPED_TRACE(row.text);
        const Decimal d = Decimal::parse(row.text);
        EXPECT_EQ(d.unscaled(), mpz_class(row.unscaled));
        EXPECT_EQ(d.scale(), row.scale);
        const std::optional<Decimal> tried = Decimal::tryParse(row.text);
        ASSERT_TRUE(tried.has_value());
        EXPECT_TRUE(*tried == d);
    }
}

TEST(DecimalParse, RefusesMalformedTextNamingIt) {
    const std::vector<std::string> texts = {
        "",    "+",   "-",    ".",     "+.",   "-.",       "1.2.3",  "12a",
        "a12", " 12", "12 ",  "1 2",   "\t12", "12\n",     "- 12",   "E5",
        "1E",  "1E+", "1E-",  "1E5.0", "1EE5", "1E 5",     "1,5",    "--1",
        "+-1", "12-", "0x10", "1e+-2", "NaN",  "Infinity", "12\xB2",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Decimal::tryParse(text).has_value());
        try {
            Decimal::parse(text);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), "Not a decimal number: \"" + text + "\"");
        }
    }
    EXPECT_THROW(Decimal::parse(std::string_view("1\0"
                                                 "2",
                                                 3)),
                 std::invalid_argument);
}

TEST(DecimalParse, BoundsTheScaleAgainstHostileExponents) {
    EXPECT_EQ(dec("1E-100000").scale(), 100000);
    EXPECT_EQ(dec("1E+100000").scale(), -100000);
    EXPECT_EQ(dec("1E+100000").toPlainString().size(), 100001u);
    EXPECT_EQ(dec("0.5E-99999").scale(), 100000);

    for (const std::string text :
         {"1E999999999", "1E-100001", "1E+100001", "1E99999999999999999999999999999",
          "1E-99999999999999999999999999999", "0.5E-100000"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Decimal::tryParse(text).has_value());
        try {
            Decimal::parse(text);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("out of range"), std::string::npos) << message;
            EXPECT_NE(message.find("\"" + text + "\""), std::string::npos) << message;
        }
    }
    // Many written fraction digits count against the same limit.
    EXPECT_FALSE(Decimal::tryParse("0." + repeated(100001, '0')).has_value());
    EXPECT_TRUE(Decimal::tryParse("0." + repeated(100000, '0')).has_value());
}

// ---------------------------------------------------------------- rounding table

constexpr std::array<Mode, 7> kModes = {Mode::UP,      Mode::DOWN,      Mode::CEILING,  Mode::FLOOR,
                                        Mode::HALF_UP, Mode::HALF_DOWN, Mode::HALF_EVEN};

// One value rounded to `places` in every mode, in the order of kModes.
struct ModeLine {
    const char* input;
    std::int32_t places;
    std::array<const char*, 7> expected;
};

// clang-format off
const ModeLine kTable[] = {
    //  input       places   UP        DOWN      CEILING   FLOOR     HALF_UP   HALF_DOWN HALF_EVEN
    {"12.345",     2,    {"12.35",  "12.34",  "12.35",  "12.34",  "12.35",  "12.34",  "12.34"}},
    {"-12.345",    2,    {"-12.35", "-12.34", "-12.34", "-12.35", "-12.35", "-12.34", "-12.34"}},
    {"12.355",     2,    {"12.36",  "12.35",  "12.36",  "12.35",  "12.36",  "12.35",  "12.36"}},
    {"-12.355",    2,    {"-12.36", "-12.35", "-12.35", "-12.36", "-12.36", "-12.35", "-12.36"}},
    {"12.34500",   2,    {"12.35",  "12.34",  "12.35",  "12.34",  "12.35",  "12.34",  "12.34"}},
    {"12.3451",    2,    {"12.35",  "12.34",  "12.35",  "12.34",  "12.35",  "12.35",  "12.35"}},
    {"-12.3451",   2,    {"-12.35", "-12.34", "-12.34", "-12.35", "-12.35", "-12.35", "-12.35"}},
    {"12.3449",    2,    {"12.35",  "12.34",  "12.35",  "12.34",  "12.34",  "12.34",  "12.34"}},
    {"12.34000",   2,    {"12.34",  "12.34",  "12.34",  "12.34",  "12.34",  "12.34",  "12.34"}},
    {"9.995",      2,    {"10.00",  "9.99",   "10.00",  "9.99",   "10.00",  "9.99",   "10.00"}},
    {"7.5",        0,    {"8",      "7",      "8",      "7",      "8",      "7",      "8"}},
    {"8.5",        0,    {"9",      "8",      "9",      "8",      "9",      "8",      "8"}},
    {"-7.5",       0,    {"-8",     "-7",     "-7",     "-8",     "-8",     "-7",     "-8"}},
    {"-8.5",       0,    {"-9",     "-8",     "-8",     "-9",     "-9",     "-8",     "-8"}},
    {"0.5",        0,    {"1",      "0",      "1",      "0",      "1",      "0",      "0"}},
    {"-0.5",       0,    {"-1",     "0",      "0",      "-1",     "-1",     "0",      "0"}},
    {"-0.001",     2,    {"-0.01",  "0.00",   "0.00",   "-0.01",  "0.00",   "0.00",   "0.00"}},
    {"0.0051",     2,    {"0.01",   "0.00",   "0.01",   "0.00",   "0.01",   "0.01",   "0.01"}},
    {"1250",      -2,    {"1300",   "1200",   "1300",   "1200",   "1300",   "1200",   "1200"}},
    {"-1350",     -2,    {"-1400",  "-1300",  "-1300",  "-1400",  "-1400",  "-1300",  "-1400"}},
};
// clang-format on

struct RoundingRow {
    std::string input;
    std::int32_t places;
    Mode mode;
    std::string expected;
};

void PrintTo(const RoundingRow& row, std::ostream* os) {
    *os << row.input << " to " << row.places << " places " << modeName(row.mode) << " -> "
        << row.expected;
}

std::vector<RoundingRow> roundingRows() {
    std::vector<RoundingRow> rows;
    for (const ModeLine& line : kTable) {
        for (std::size_t i = 0; i < kModes.size(); ++i) {
            rows.push_back({line.input, line.places, kModes[i], line.expected[i]});
        }
    }
    return rows;
}

std::string rowName(const testing::TestParamInfo<RoundingRow>& info) {
    std::string name;
    for (const char c : info.param.input) {
        name += c == '-' ? 'm' : (c == '.' ? '_' : c);
    }
    name += "_to" + std::string(info.param.places < 0 ? "m" : "") +
            std::to_string(info.param.places < 0 ? -info.param.places : info.param.places);
    return name + "_" + modeName(info.param.mode);
}

class DecimalRounding : public testing::TestWithParam<RoundingRow> {};

TEST_P(DecimalRounding, SetScale) {
    const RoundingRow& row = GetParam();
    const Decimal rounded = dec(row.input.c_str()).setScale(row.places, row.mode);
    EXPECT_EQ(rounded.toPlainString(), row.expected);
    EXPECT_EQ(rounded.scale(), row.places);
}

// Dividing a multiple of the value by its factor has the value as exact quotient, so the
// quotient must round exactly like the value itself.
TEST_P(DecimalRounding, DivideRoundsTheExactQuotient) {
    const RoundingRow& row = GetParam();
    const Decimal value = dec(row.input.c_str());
    for (const char* factor : {"1", "-0.7", "3", "0.125"}) {
        SCOPED_TRACE(factor);
        const Decimal multiple = value.multiply(dec(factor));
        const Decimal quotient = multiple.divide(dec(factor), row.places, row.mode);
        EXPECT_EQ(quotient.toPlainString(), row.expected);
        EXPECT_EQ(quotient.scale(), row.places);
    }
}

INSTANTIATE_TEST_SUITE_P(DecimalTable, DecimalRounding, testing::ValuesIn(roundingRows()), rowName);

// ---------------------------------------------------------------- arithmetic

struct DivisionRow {
    const char* dividend;
    const char* divisor;
    std::int32_t places;
    Mode mode;
    const char* expected;
};

TEST(DecimalDivide, RoundsInexactQuotientsOnce) {
    const std::vector<DivisionRow> rows = {
        {"10", "3", 2, Mode::HALF_UP, "3.33"},
        {"1", "8", 2, Mode::HALF_EVEN, "0.12"},
        {"-1", "8", 2, Mode::HALF_UP, "-0.13"},
        {"1", "-8", 2, Mode::HALF_UP, "-0.13"},
        {"-1", "-8", 2, Mode::HALF_DOWN, "0.12"},
        {"3", "8", 2, Mode::HALF_EVEN, "0.38"},
        {"2", "3", 2, Mode::DOWN, "0.66"},
        {"2", "3", 2, Mode::UP, "0.67"},
        {"-2", "3", 2, Mode::FLOOR, "-0.67"},
        {"-2", "3", 2, Mode::CEILING, "-0.66"},
        {"-1", "3", 0, Mode::CEILING, "0"},
        {"1", "6", 1, Mode::HALF_DOWN, "0.2"},
        // 0.149 rounds to 0.1; rounding first to 0.15 and then again would give 0.2.
        {"149", "1000", 1, Mode::HALF_UP, "0.1"},
        {"-0.4449", "1", 2, Mode::HALF_UP, "-0.44"},
        {"1", "0.3", 3, Mode::HALF_UP, "3.333"},
        {"12.34", "2.5", 3, Mode::UP, "4.936"},
        {"5", "1E+3", 2, Mode::HALF_UP, "0.01"},
        {"5", "1E+3", 2, Mode::HALF_DOWN, "0.00"},
        {"1E+3", "7", 0, Mode::HALF_UP, "143"},
        {"10", "4", -1, Mode::HALF_EVEN, "0"},
        {"30.850", "2.5", 7, Mode::DOWN, "12.3400000"},
    };
    for (const DivisionRow& row : rows) {
        SCOPED_TRACE(std::string(row.dividend) + " / " + row.divisor + " " + modeName(row.mode));
        const Decimal quotient = dec(row.dividend).divide(dec(row.divisor), row.places, row.mode);
        EXPECT_EQ(quotient.toPlainString(), row.expected);
        EXPECT_EQ(quotient.scale(), row.places);
    }
}

TEST(DecimalDivide, RefusesZeroDivisorWrittenAnyWay) {
    for (const char* zero : {"0", "0.00", "-0", "0E+5"}) {
        SCOPED_TRACE(zero);
        EXPECT_THROW(
            {
                try {
                    dec("12.5").divide(dec(zero), 2, Mode::HALF_UP);
                } catch (const std::domain_error& e) {
                    EXPECT_STREQ(e.what(), "Division by zero");
                    throw;
                }
            },
            std::domain_error);
    }
}

TEST(DecimalArithmetic, MultiplyAddsScales) {
    const Decimal product = dec("12.34").multiply(dec("2.5"));
    EXPECT_EQ(product.toPlainString(), "30.850");
    EXPECT_EQ(product.scale(), 3);
    EXPECT_EQ(product.setScale(2, Mode::HALF_UP).toPlainString(), "30.85");
    EXPECT_EQ(dec("-1.5").multiply(dec("0.20")).toPlainString(), "-0.300");
    EXPECT_EQ(dec("-1.5").multiply(dec("-2")).toPlainString(), "3.0");
    EXPECT_EQ(dec("0").multiply(dec("-5.5")).toPlainString(), "0.0");
    const Decimal mixed = dec("1E+3").multiply(dec("0.01"));
    EXPECT_EQ(mixed.scale(), -1);
    EXPECT_EQ(mixed.toPlainString(), "10");
    EXPECT_THROW(Decimal(1, INT32_MAX).multiply(Decimal(1, 1)), std::overflow_error);
}

TEST(DecimalArithmetic, SubtractAlignsScalesExactly) {
    const Decimal same = dec("12.5").subtract(dec("12.50"));
    EXPECT_TRUE(same.isZero());
    EXPECT_EQ(same.scale(), 2);
    EXPECT_EQ(same.toPlainString(), "0.00");
    EXPECT_EQ(dec("1").subtract(dec("0.001")).toPlainString(), "0.999");
    EXPECT_EQ(dec("-1.5").subtract(dec("2")).toPlainString(), "-3.5");
    EXPECT_EQ(dec("0.1").subtract(dec("0.3")).toPlainString(), "-0.2");
    const Decimal thousandLessOne = dec("1E+3").subtract(dec("1"));
    EXPECT_EQ(thousandLessOne.scale(), 0);
    EXPECT_EQ(thousandLessOne.toPlainString(), "999");
}

TEST(DecimalArithmetic, AbsAndSignum) {
    EXPECT_TRUE(dec("-12.50").abs() == dec("12.50"));
    EXPECT_TRUE(dec("12.50").abs() == dec("12.50"));
    EXPECT_TRUE(dec("-0.00").abs() == dec("0.00"));
    EXPECT_EQ(dec("-0.01").signum(), -1);
    EXPECT_EQ(dec("0.01").signum(), 1);
    EXPECT_EQ(dec("-0.00").signum(), 0);
    EXPECT_TRUE(Decimal().isZero());
    EXPECT_EQ(Decimal().scale(), 0);
}

TEST(DecimalArithmetic, SetScaleRaisesByPadding) {
    const Decimal padded = dec("12.5").setScale(4, Mode::DOWN);
    EXPECT_EQ(padded.toPlainString(), "12.5000");
    EXPECT_EQ(dec("1E+3").setScale(2, Mode::DOWN).toPlainString(), "1000.00");
    EXPECT_EQ(dec("-7").setScale(1, Mode::UP).toPlainString(), "-7.0");
}

TEST(DecimalCompare, OrdersByValueWhileEqualityKeepsScale) {
    EXPECT_EQ(dec("2.0").compareTo(dec("2.00")), 0);
    EXPECT_FALSE(dec("2.0") == dec("2.00"));
    EXPECT_TRUE(dec("2.0") == dec("2.0"));
    EXPECT_FALSE(dec("2.0") == dec("-2.0"));
    EXPECT_EQ(dec("-0.0").compareTo(dec("0E+2")), 0);
    EXPECT_EQ(dec("-1").compareTo(dec("0.5")), -1);
    EXPECT_EQ(dec("0.5").compareTo(dec("-1")), 1);
    EXPECT_EQ(dec("1E+3").compareTo(dec("999.999")), 1);
    EXPECT_EQ(dec("-1E+3").compareTo(dec("-999.999")), -1);
    EXPECT_EQ(dec("0.1").compareTo(dec("0.10000000000000001")), -1);
    EXPECT_EQ(dec("0").compareTo(dec("0.001")), -1);
}

// ---------------------------------------------------------------- printing

TEST(DecimalPrint, PlainDigitsWithChosenSeparator) {
    EXPECT_EQ(dec("+00012.34").toPlainString(), "12.34");
    EXPECT_EQ(dec("+00012.34").toPlainString(','), "12,34");
    EXPECT_EQ(dec("-00012.45").toPlainString(','), "-12,45");
    EXPECT_EQ(dec("12.50").toPlainString(), "12.50");
    EXPECT_EQ(dec(".5").toPlainString(), "0.5");
    EXPECT_EQ(dec("-.05").toPlainString(','), "-0,05");
    EXPECT_EQ(dec("1.5E-2").toPlainString(), "0.015");
    EXPECT_EQ(dec("1E+3").toPlainString(), "1000");
    EXPECT_EQ(dec("-12E+2").toPlainString(','), "-1200");
    EXPECT_EQ(dec("5.").toPlainString(), "5");
    EXPECT_EQ(dec("1234.5678E+2").toPlainString(), "123456.78");
}

TEST(DecimalPrint, ZeroIsNeverNegative) {
    EXPECT_EQ(Decimal().toPlainString(), "0");
    EXPECT_EQ(dec("-0").toPlainString(), "0");
    EXPECT_EQ(dec("-0.000").toPlainString(','), "0,000");
    EXPECT_EQ(dec("0E+3").toPlainString(), "0");
    EXPECT_EQ(Decimal(mpz_class(0), 2).toPlainString(), "0.00");
}

// ---------------------------------------------------------------- long numbers

TEST(DecimalLong, TwoHundredDigitsStayExact) {
    const std::string integer = "1" + repeated(198, '0') + "7";
    const std::string fraction = repeated(199, '3') + "9";
    const std::string text = integer + "." + fraction;
    const Decimal value = dec(text.c_str());
    EXPECT_EQ(value.scale(), 200);
    EXPECT_EQ(value.toPlainString(), text);
    EXPECT_EQ(value.toPlainString(','), integer + "," + fraction);

    // Only the last of 400 digits differs.
    const std::string nearby = integer + "." + repeated(200, '3');
    EXPECT_EQ(value.compareTo(dec(nearby.c_str())), 1);
    EXPECT_EQ(value.subtract(dec(nearby.c_str())).toPlainString(), "0." + repeated(199, '0') + "6");

    const std::string nines = repeated(200, '9') + ".5";
    EXPECT_EQ(dec(nines.c_str()).setScale(0, Mode::HALF_UP).toPlainString(),
              "1" + repeated(200, '0'));
    EXPECT_EQ(dec(nines.c_str()).setScale(0, Mode::HALF_DOWN).toPlainString(), repeated(200, '9'));

    // (10^100 - 1)^2 = 10^200 - 2 x 10^100 + 1
    const std::string hundredNines = repeated(100, '9');
    EXPECT_EQ(dec(hundredNines.c_str()).multiply(dec(hundredNines.c_str())).toPlainString(),
              repeated(99, '9') + "8" + repeated(99, '0') + "1");

    const std::string googolSquared = "1" + repeated(200, '0');
    EXPECT_EQ(dec(googolSquared.c_str()).divide(dec("3"), 0, Mode::HALF_UP).toPlainString(),
              repeated(200, '3'));
    EXPECT_EQ(dec(googolSquared.c_str()).divide(dec("-3"), 0, Mode::UP).toPlainString(),
              "-" + repeated(199, '3') + "4");
}

}  // namespace
