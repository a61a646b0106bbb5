#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How digits that do not fit the requested scale are disposed of.
enum class RoundingMode {
    UP,         // away from zero
    DOWN,       // toward zero (truncation)
    CEILING,    // toward positive infinity
    FLOOR,      // toward negative infinity
    HALF_UP,    // nearest; a tie goes away from zero
    HALF_DOWN,  // nearest; a tie goes toward zero
    HALF_EVEN,  // nearest; a tie goes to the even neighbour
};

// An exact decimal number: unscaled() x 10^-scale(). Instrument readings are decimal texts, so
// the value is held as the digits that were written and never passes through binary floating
// point. A negative scale means trailing zeros left of the point (1E+3 is 1 with scale -3).
//
// Every operation is exact except divide() and setScale(), which round exactly once with the
// given mode. Scale changes allocate in proportion to the change; parse() bounds the scale of
// what it accepts to +-kMaxParsedScale so that hostile input cannot make printing huge.
class Decimal {
  public:
    static constexpr std::int32_t kMaxParsedScale = 100000;

    Decimal() = default;
    Decimal(mpz_class unscaled, std::int32_t scale);

    // Accepts an optional sign, digits with at most one point (at least one digit in all) and
    // an optional exponent "E"/"e" with an optionally signed integer. No blanks anywhere.
    // Throws std::invalid_argument naming the text.
    static Decimal parse(std::string_view text);
    static std::optional<Decimal> tryParse(std::string_view text) noexcept;

    const mpz_class& unscaled() const { return unscaled_; }
    std::int32_t scale() const { return scale_; }
    int signum() const { return sgn(unscaled_); }
    bool isZero() const { return signum() == 0; }

    // Numeric order: 2.0 and 2.00 compare equal. Returns -1, 0 or 1.
    int compareTo(const Decimal& other) const;

    // Equality of the held representation: same value AND same scale, so 2.0 != 2.00. Use
    // compareTo() for numeric equality.
    friend bool operator==(const Decimal& a, const Decimal& b) {
        return a.scale_ == b.scale_ && a.unscaled_ == b.unscaled_;
    }

    // Exact; the result has the larger of the two scales.
    Decimal subtract(const Decimal& subtrahend) const;
    Decimal abs() const;
    // Exact; the scales add (12.34 x 2.5 = 30.850). Throws std::overflow_error when the sum of
    // the scales leaves the 32-bit range.
    Decimal multiply(const Decimal& factor) const;
    // The exact quotient rounded once to `scale` digits after the point. Throws
    // std::domain_error("Division by zero") for a zero divisor.
    Decimal divide(const Decimal& divisor, std::int32_t scale, RoundingMode mode) const;
    // Raising the scale appends zeros exactly; lowering it rounds the dropped digits once.
    Decimal setScale(std::int32_t newScale, RoundingMode mode) const;

    // No exponent, no grouping; "-" only before a negative value (never "-0"); a single "0"
    // when the integer part is zero; a negative scale prints its trailing zeros.
    std::string toPlainString(char decimalSeparator = '.') const;

  private:
    mpz_class unscaled_;
    std::int32_t scale_ = 0;
};
