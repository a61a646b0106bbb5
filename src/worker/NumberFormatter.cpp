#include "worker/NumberFormatter.h"

#include "config/Config.h"

#include <QVarLengthArray>

#include <utility>

namespace {

bool isMantissaEnd(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u',';
}

// The first minus that is a sign: one right after the "E" of an exponent
// ("2e-3") stays where it is. The "E" must follow a digit or a point, so a
// status word ending in "e" ("Tare-5") still gives up its minus.
qsizetype signMinus(QStringView value) {
    for (qsizetype i = value.indexOf(u'-'); i >= 0; i = value.indexOf(u'-', i + 1)) {
        const bool exponent =
            i >= 2 && (value[i - 1] == u'e' || value[i - 1] == u'E') && isMantissaEnd(value[i - 2]);
        if (!exponent) return i;
    }
    return -1;
}

// Sign and decimal mark as instruments write them: "," is a decimal mark, and
// whatever stands before a minus sign (a status word, blanks) is dropped.
// Readings are short, so this stays on the stack.
QVarLengthArray<char, 64> normalise(QStringView value) {
    const qsizetype minus = signMinus(value);
    if (minus >= 0) {
        QStringView rest = value.mid(minus + 1);
        while (!rest.isEmpty() && rest.front().unicode() <= 32) rest = rest.mid(1);
        while (!rest.isEmpty() && rest.back().unicode() <= 32) rest.chop(1);
        value = rest;
    }
    QVarLengthArray<char, 64> text;
    if (minus >= 0) text.append('-');
    for (QChar c : value) {
        const char16_t u = c.unicode();
        // Anything outside Latin-1 is no digit; '?' keeps the parser refusing it.
        text.append(u == u',' ? '.' : u > 0xFF ? '?' : static_cast<char>(u));
    }
    return text;
}

}  // namespace

NumberFormatter::NumberFormatter(const Config& config, std::optional<int> roundingPrecision,
                                 std::optional<RoundingMode> roundingMode,
                                 std::optional<ConfigHelper::MathOperation> mathOperation,
                                 std::optional<Decimal> mathOperand)
    : roundingPrecision_(roundingPrecision),
      roundingMode_(roundingMode),
      mathOperation_(mathOperation),
      mathOperand_(std::move(mathOperand)),
      separator_(ConfigHelper::getSeparator(config.getDecimalSeparator())),
      roundingEnabled_(config.roundingEnabled()),
      mathEnabled_(config.mathOperationEnabled()) {}

NumberFormatter NumberFormatter::fromConfig(const Config& config) {
    std::optional<int> precision;
    std::optional<RoundingMode> mode;
    if (config.roundingEnabled()) {
        precision = config.getDecimalPlacesAsInt();
        mode = ConfigHelper::getRoundingMode(config.getRoundingMethod());
    }
    std::optional<ConfigHelper::MathOperation> operation;
    std::optional<Decimal> operand;
    if (config.mathOperationEnabled()) {
        operation = config.getMathOperation();
        operand = config.getMathOperandAsBigDecimal();
    }
    return NumberFormatter(config, precision, mode, operation, std::move(operand));
}

QString NumberFormatter::format(QStringView value) {
    const auto text = normalise(value);
    number_ = Decimal::parse(std::string_view(text.constData(), static_cast<size_t>(text.size())));

    if (mathEnabled_ && mathOperation_ && mathOperand_) {
        using ConfigHelper::MathOperation;
        if (*mathOperation_ == MathOperation::MULTIPLY) {
            number_ = number_.multiply(*mathOperand_);
        } else if (*mathOperation_ == MathOperation::DIVIDE) {
            number_ = number_.divide(*mathOperand_, roundingPrecision_.value_or(0),
                                     roundingMode_.value_or(RoundingMode::HALF_UP));
        }
    }

    // Rounding only removes decimals: a value with fewer keeps its own.
    const std::int32_t scale = number_.scale();
    Decimal shown;
    if (roundingEnabled_ && roundingPrecision_ && roundingMode_ && scale > 0 &&
        *roundingPrecision_ < scale) {
        shown = number_.setScale(*roundingPrecision_, *roundingMode_);
    } else {
        // A negative scale counts as none; raising the scale is exact.
        shown = scale < 0 ? number_.setScale(0, RoundingMode::DOWN) : number_;
    }
    return QString::fromStdString(shown.toPlainString(separator_));
}
