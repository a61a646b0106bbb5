#include "config/Decimal.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

enum class ParseFailure { None, Syntax, ScaleOutOfRange };

struct Scanned {
    ParseFailure failure = ParseFailure::None;
    Decimal value;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Exponents are only ever compared with the scale limit, so counting stops well beyond it
// instead of overflowing.
constexpr std::int64_t kExponentCap = std::int64_t{1} << 40;

Scanned scan(std::string_view text) {
    std::size_t i = 0;
    const std::size_t end = text.size();
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    std::string digits;
    std::int64_t fractionDigits = 0;
    bool seenPoint = false;
    for (; i < end; ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            digits.push_back(c);
            if (seenPoint) ++fractionDigits;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (digits.empty()) return {ParseFailure::Syntax, {}};

    std::int64_t exponent = 0;
    if (i < end && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        const std::size_t exponentStart = i;
        for (; i < end && isDigit(text[i]); ++i) {
            exponent = std::min(exponent * 10 + (text[i] - '0'), kExponentCap);
        }
        if (i == exponentStart) return {ParseFailure::Syntax, {}};
        if (negativeExponent) exponent = -exponent;
    }
    if (i != end) return {ParseFailure::Syntax, {}};

    const std::int64_t scale = fractionDigits - exponent;
    if (scale < -Decimal::kMaxParsedScale || scale > Decimal::kMaxParsedScale) {
        return {ParseFailure::ScaleOutOfRange, {}};
    }
    mpz_class unscaled;
    if (mpz_set_str(unscaled.get_mpz_t(), digits.c_str(), 10) != 0) {
        return {ParseFailure::Syntax, {}};
    }
    if (negative) unscaled = -unscaled;
    return {ParseFailure::None, Decimal(std::move(unscaled), static_cast<std::int32_t>(scale))};
}

mpz_class powerOfTen(std::int64_t exponent) {
    mpz_class result;
    mpz_ui_pow_ui(result.get_mpz_t(), 10, static_cast<unsigned long>(exponent));
    return result;
}

std::int32_t checkedScale(std::int64_t scale) {
    if (scale < INT32_MIN || scale > INT32_MAX) {
        throw std::overflow_error("Decimal scale overflow");
    }
    return static_cast<std::int32_t>(scale);
}

// numerator / denominator rounded to an integer, deciding from the exact remainder so that the
// result is rounded once. The denominator must be positive.
mpz_class roundedQuotient(const mpz_class& numerator, const mpz_class& denominator,
                          RoundingMode mode) {
    mpz_class quotient;
    mpz_class remainder;
    mpz_tdiv_qr(quotient.get_mpz_t(), remainder.get_mpz_t(), numerator.get_mpz_t(),
                denominator.get_mpz_t());
    if (remainder == 0) return quotient;

    // Truncation leaves the remainder with the sign of the exact quotient.
    const int sign = sgn(remainder);
    bool awayFromZero = false;
    switch (mode) {
        case RoundingMode::UP:
            awayFromZero = true;
            break;
        case RoundingMode::DOWN:
            awayFromZero = false;
            break;
        case RoundingMode::CEILING:
            awayFromZero = sign > 0;
            break;
        case RoundingMode::FLOOR:
            awayFromZero = sign < 0;
            break;
        case RoundingMode::HALF_UP:
        case RoundingMode::HALF_DOWN:
        case RoundingMode::HALF_EVEN: {
            const mpz_class twiceRemainder = 2 * ::abs(remainder);
            const int vsHalf = cmp(twiceRemainder, denominator);
            if (vsHalf != 0) {
                awayFromZero = vsHalf > 0;
            } else if (mode == RoundingMode::HALF_UP) {
                awayFromZero = true;
            } else if (mode == RoundingMode::HALF_EVEN) {
                awayFromZero = mpz_odd_p(quotient.get_mpz_t()) != 0;
            }
            break;
        }
    }
    if (awayFromZero) quotient += sign;
    return quotient;
}

}  // namespace

Decimal::Decimal(mpz_class unscaled, std::int32_t scale)
    : unscaled_(std::move(unscaled)), scale_(scale) {}

Decimal Decimal::parse(std::string_view text) {
    Scanned scanned = scan(text);
    switch (scanned.failure) {
        case ParseFailure::None:
            break;
        case ParseFailure::Syntax:
            throw std::invalid_argument("Not a decimal number: \"" + std::string(text) + "\"");
        case ParseFailure::ScaleOutOfRange:
            throw std::invalid_argument("Decimal exponent out of range (more than " +
                                        std::to_string(kMaxParsedScale) + " places): \"" +
                                        std::string(text) + "\"");
    }
    return std::move(scanned.value);
}

std::optional<Decimal> Decimal::tryParse(std::string_view text) noexcept {
    Scanned scanned = scan(text);
    if (scanned.failure != ParseFailure::None) return std::nullopt;
    return std::move(scanned.value);
}

int Decimal::compareTo(const Decimal& other) const {
    const int signs = signum() - other.signum();
    if (signs != 0 || isZero()) return signs > 0 ? 1 : (signs < 0 ? -1 : 0);
    const std::int32_t common = std::max(scale_, other.scale_);
    const int order = cmp(unscaled_ * powerOfTen(std::int64_t{common} - scale_),
                          other.unscaled_ * powerOfTen(std::int64_t{common} - other.scale_));
    return (order > 0) - (order < 0);
}

Decimal Decimal::subtract(const Decimal& subtrahend) const {
    const std::int32_t common = std::max(scale_, subtrahend.scale_);
    return Decimal(unscaled_ * powerOfTen(std::int64_t{common} - scale_) -
                       subtrahend.unscaled_ * powerOfTen(std::int64_t{common} - subtrahend.scale_),
                   common);
}

Decimal Decimal::abs() const {
    return Decimal(::abs(unscaled_), scale_);
}

Decimal Decimal::multiply(const Decimal& factor) const {
    return Decimal(unscaled_ * factor.unscaled_,
                   checkedScale(std::int64_t{scale_} + factor.scale_));
}

Decimal Decimal::divide(const Decimal& divisor, std::int32_t scale, RoundingMode mode) const {
    if (divisor.isZero()) throw std::domain_error("Division by zero");
    // quotient x 10^scale = (a x 10^-sa) / (b x 10^-sb) x 10^scale = a x 10^shift / b
    const std::int64_t shift = std::int64_t{scale} - scale_ + divisor.scale_;
    mpz_class numerator = shift >= 0 ? unscaled_ * powerOfTen(shift) : unscaled_;
    mpz_class denominator = shift < 0 ? divisor.unscaled_ * powerOfTen(-shift) : divisor.unscaled_;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    return Decimal(roundedQuotient(numerator, denominator, mode), scale);
}

Decimal Decimal::setScale(std::int32_t newScale, RoundingMode mode) const {
    const std::int64_t change = std::int64_t{newScale} - scale_;
    if (change >= 0) return Decimal(unscaled_ * powerOfTen(change), newScale);
    return Decimal(roundedQuotient(unscaled_, powerOfTen(-change), mode), newScale);
}

std::string Decimal::toPlainString(char decimalSeparator) const {
    if (isZero() && scale_ <= 0) return "0";
    std::string digits = mpz_class(::abs(unscaled_)).get_str();
    if (scale_ < 0) {
        digits.append(static_cast<std::size_t>(-std::int64_t{scale_}), '0');
    } else if (scale_ > 0) {
        const auto fraction = static_cast<std::size_t>(scale_);
        if (digits.size() <= fraction) digits.insert(0, fraction + 1 - digits.size(), '0');
        digits.insert(digits.size() - fraction, 1, decimalSeparator);
    }
    if (signum() < 0) digits.insert(0, 1, '-');
    return digits;
}
