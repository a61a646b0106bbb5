#pragma once
// Turns the value extracted from a number instrument's record into the output
// text: normalised sign and decimal mark, exact arithmetic with a fixed
// operand, rounding that only ever removes decimals, the chosen separator.

#include "config/ConfigHelper.h"
#include "config/Decimal.h"

#include <QString>

#include <optional>

class Config;

class NumberFormatter {
  public:
    // The precision and mode are present only when rounding is enabled, the
    // operation and operand only when the math operation is enabled.
    NumberFormatter(const Config& config, std::optional<int> roundingPrecision,
                    std::optional<RoundingMode> roundingMode,
                    std::optional<ConfigHelper::MathOperation> mathOperation,
                    std::optional<Decimal> mathOperand);

    // Built the way an acquisition builds it: rounding and arithmetic taken
    // from the record only where it enables them. Throws std::invalid_argument
    // for an operand that is not a number.
    static NumberFormatter fromConfig(const Config& config);

    // Throws std::invalid_argument for a text that is not a decimal number and
    // std::domain_error for a division by zero.
    QString format(QStringView value);

  private:
    std::optional<int> roundingPrecision_;
    std::optional<RoundingMode> roundingMode_;
    std::optional<ConfigHelper::MathOperation> mathOperation_;
    std::optional<Decimal> mathOperand_;
    char separator_;
    bool roundingEnabled_;
    bool mathEnabled_;
    Decimal number_;  // the value last formatted
};
