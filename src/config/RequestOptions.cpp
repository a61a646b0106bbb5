#include "config/RequestOptions.h"

#include "config/TextNumbers.h"

namespace ConfigHelper {

std::optional<std::string> DataCommand::decode(QStringView text) {
    std::string bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() > 255) return std::nullopt;
        if (c != u'\\') {
            bytes += static_cast<char>(c.unicode());
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        switch (text[i].unicode()) {
            case u'r':
                bytes += '\r';
                break;
            case u'n':
                bytes += '\n';
                break;
            case u't':
                bytes += '\t';
                break;
            case u'\\':
                bytes += '\\';
                break;
            case u'x': {
                if (i + 2 >= text.size()) return std::nullopt;
                const int high = hexDigitValue(text[i + 1]);
                const int low = hexDigitValue(text[i + 2]);
                if (high < 0 || low < 0) return std::nullopt;
                bytes += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return bytes;
}

QString DataCommand::encode(QStringView bytes) {
    QString text;
    for (QChar c : bytes) {
        const char16_t u = c.unicode();
        if (u == '\r') {
            text += QStringLiteral("\\r");
        } else if (u == '\n') {
            text += QStringLiteral("\\n");
        } else if (u == '\t') {
            text += QStringLiteral("\\t");
        } else if (u == '\\') {
            text += QStringLiteral("\\\\");
        } else if (u < 32 || u > 126) {
            text += QStringLiteral("\\x%1").arg(u, 2, 16, QChar(u'0'));
        } else {
            text += c;
        }
    }
    return text;
}

std::optional<int> RequestInterval::toMilliseconds(QStringView text) {
    if (text.isEmpty()) return 0;
    const auto n = parseWholeNumber(text);
    if (!n) return std::nullopt;
    if (*n == 0) return 0;
    if (*n < kMinimum || *n > kMaximum) return std::nullopt;
    return *n;
}

}  // namespace ConfigHelper
