#include "config/ProcessingOptions.h"

#include "config/RecordPattern.h"
#include "config/TextNumbers.h"

#include <stdexcept>

namespace ConfigHelper {

namespace {

bool wholeNumberIn(QStringView text, int low, int high) {
    if (text.isEmpty()) return true;
    const auto number = parseWholeNumber(text);
    return number && *number >= low && *number <= high;
}

// Position of the first occurrence of `c` that has no backslash right before it.
qsizetype firstUnescaped(QStringView text, QChar c) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == c && (i == 0 || text[i - 1] != u'\\')) return i;
    }
    return -1;
}

}  // namespace

std::optional<InputTerminator> InputTerminatorCode::itemFromDecimal(int code) {
    for (InputTerminator t : Options<InputTerminator>::values()) {
        if (getDecimal(t) == code) return t;
    }
    return std::nullopt;
}

QString InputTerminatorCode::listText(int code) {
    if (auto item = itemFromDecimal(code)) return Options<InputTerminator>::toString(*item);
    return QString::number(code);
}

std::optional<int> InputTerminatorCode::fromListText(QStringView text) {
    for (InputTerminator t : Options<InputTerminator>::values()) {
        if (text == Options<InputTerminator>::toString(t)) return getDecimal(t);
    }
    const auto code = parseWholeNumber(text.trimmed());
    if (code && valid(*code)) return *code;
    return std::nullopt;
}

bool RemoveCharacters::valid(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() > 0xFF) return false;
    }
    return true;
}

bool MathOperand::valid(QStringView text) {
    if (text.isEmpty()) return true;
    // Only the plain "0" is refused; "0.0" passes and fails at division time.
    return text != u"0" && parseDecimal(text).has_value();
}

bool DecimalPlaces::valid(QStringView text) {
    return wholeNumberIn(text, 0, 7);
}

bool EditNumCharacters::valid(QStringView text) {
    return wholeNumberIn(text, 1, 99);
}

bool EveryXValues::valid(QStringView text) {
    return wholeNumberIn(text, 2, 99);
}

bool IgnoreTimeLimit::valid(QStringView text) {
    return wholeNumberIn(text, 1, std::numeric_limits<std::int32_t>::max());
}

bool IgnoreDifference::valid(QStringView text) {
    if (text.isEmpty()) return true;
    const auto difference = parseDecimal(text);
    return difference && difference->signum() > 0;
}

bool CustomRegEx::valid(QStringView text) {
    if (text.isEmpty()) return true;
    // The value is capture group 1, the group every instrument reads: an
    // expression without it would fail on every record it matches.
    try {
        if (RecordPattern::compile(text).captureCount() < 1) return false;
    } catch (const std::invalid_argument&) {
        return false;
    }
    // And it must open a group before it closes one, and close it.
    const qsizetype open = firstUnescaped(text, u'(');
    const qsizetype close = firstUnescaped(text, u')');
    return open >= 0 && close > open;
}

}  // namespace ConfigHelper
