#pragma once
// Reading the numbers users type into text settings.

#include "config/Decimal.h"

#include <QStringView>

#include <cstdint>
#include <optional>

// A decimal integer with an optional sign that fits 32 bits; no blanks.
std::optional<std::int32_t> parseWholeNumber(QStringView text);

// The value of one hexadecimal digit, either case; -1 for any other character.
int hexDigitValue(QChar c);

// An exact decimal number (sign, digits, one point, exponent); no blanks.
std::optional<Decimal> parseDecimal(QStringView text);
