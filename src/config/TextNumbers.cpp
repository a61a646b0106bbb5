#include "config/TextNumbers.h"

#include <limits>

std::optional<std::int32_t> parseWholeNumber(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i == text.size()) return std::nullopt;
    // Accumulate as a negative number so that the most negative value fits.
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 - (c - u'0');
        if (value < std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    }
    if (!negative) {
        if (-value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
        return static_cast<std::int32_t>(-value);
    }
    return static_cast<std::int32_t>(value);
}

std::optional<Decimal> parseDecimal(QStringView text) {
    // Anything outside Latin-1 cannot be part of a number; toLatin1 would
    // turn it into '?', which the parser refuses anyway.
    const QByteArray latin1 = text.toLatin1();
    return Decimal::tryParse(std::string_view(latin1.constData(), latin1.size()));
}

int hexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}
