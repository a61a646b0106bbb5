#include "config/Properties.h"

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>
#include <QLocale>

#include <stdexcept>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\f';
}

// One logical line: natural lines joined at odd trailing backslashes.
struct LogicalLine {
    QString text;
    int lineNumber;  // 1-based number of its first natural line, for error messages
};

class LineReader {
  public:
    explicit LineReader(const QByteArray& bytes) : bytes_(bytes) {}

    std::optional<LogicalLine> next() {
        while (auto natural = readNatural()) {
            const int first = lineNumber_;
            QString text = stripLeadingBlanks(*natural);
            if (text.isEmpty() || text.front() == u'#' || text.front() == u'!') continue;
            while (endsWithOddBackslashes(text)) {
                text.chop(1);
                auto continuation = readNatural();
                if (!continuation) break;  // a backslash before the end of input is dropped
                text += stripLeadingBlanks(*continuation);
            }
            return LogicalLine{text, first};
        }
        return std::nullopt;
    }

  private:
    // Bytes up to CR, LF or CR LF; ISO 8859-1 maps each byte to the same code point.
    std::optional<QString> readNatural() {
        if (pos_ >= bytes_.size()) return std::nullopt;
        qsizetype end = pos_;
        while (end < bytes_.size() && bytes_[end] != '\n' && bytes_[end] != '\r') ++end;
        QString line = QString::fromLatin1(bytes_.constData() + pos_, end - pos_);
        pos_ = end;
        if (pos_ < bytes_.size()) {
            const bool carriageReturn = bytes_[pos_] == '\r';
            ++pos_;
            if (carriageReturn && pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
        }
        ++lineNumber_;
        return line;
    }

    static QString stripLeadingBlanks(const QString& s) {
        qsizetype i = 0;
        while (i < s.size() && isBlank(s[i])) ++i;
        return s.mid(i);
    }

    static bool endsWithOddBackslashes(const QString& s) {
        qsizetype count = 0;
        for (qsizetype i = s.size() - 1; i >= 0 && s[i] == u'\\'; --i) ++count;
        return count % 2 == 1;
    }

    const QByteArray& bytes_;
    qsizetype pos_ = 0;
    int lineNumber_ = 0;
};

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

QChar decodeUnicodeEscape(const QString& s, qsizetype digitsAt, int lineNumber) {
    char16_t code = 0;
    for (qsizetype i = digitsAt; i < digitsAt + 4; ++i) {
        const int digit = i < s.size() ? hexValue(s[i]) : -1;
        if (digit < 0) {
            throw std::invalid_argument(
                QStringLiteral("Malformed \\uXXXX escape in line %1: \"\\u%2\"")
                    .arg(lineNumber)
                    .arg(s.mid(digitsAt, 4))
                    .toStdString());
        }
        code = static_cast<char16_t>(code * 16 + digit);
    }
    return QChar(code);
}

QString unescape(const QString& s, int lineNumber) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (c != u'\\' || i + 1 == s.size()) {
            out += c;
            continue;
        }
        c = s[++i];
        switch (c.unicode()) {
            case u'u':
                out += decodeUnicodeEscape(s, i + 1, lineNumber);
                i += 4;
                break;
            case u't':
                out += u'\t';
                break;
            case u'n':
                out += u'\n';
                break;
            case u'r':
                out += u'\r';
                break;
            case u'f':
                out += u'\f';
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

// The key ends at the first unescaped '=', ':' or blank; blanks around the
// separator, and one '=' or ':' after blanks, belong to neither side.
std::pair<QString, QString> splitEntry(const LogicalLine& line) {
    const QString& text = line.text;
    qsizetype keyLength = 0;
    qsizetype valueStart = text.size();
    bool hasSeparator = false;
    bool escaped = false;
    for (; keyLength < text.size(); ++keyLength) {
        const QChar c = text[keyLength];
        if (!escaped && (c == u'=' || c == u':' || isBlank(c))) {
            hasSeparator = !isBlank(c);
            valueStart = keyLength + 1;
            break;
        }
        escaped = c == u'\\' && !escaped;
    }
    for (; valueStart < text.size(); ++valueStart) {
        const QChar c = text[valueStart];
        if (isBlank(c)) continue;
        if (hasSeparator || (c != u'=' && c != u':')) break;
        hasSeparator = true;
    }
    return {unescape(text.left(keyLength), line.lineNumber),
            unescape(text.mid(valueStart), line.lineNumber)};
}

void appendUnicodeEscape(QString& out, QChar c) {
    static constexpr char digits[] = "0123456789ABCDEF";
    out += QStringLiteral("\\u");
    for (int shift = 12; shift >= 0; shift -= 4)
        out += QLatin1Char(digits[(c.unicode() >> shift) & 0xF]);
}

QString escape(const QString& s, bool isKey) {
    QString out;
    out.reserve(s.size() * 2);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        switch (c.unicode()) {
            case u' ':
                out += (isKey || i == 0) ? QStringLiteral("\\ ") : QStringLiteral(" ");
                break;
            case u'\t':
                out += QStringLiteral("\\t");
                break;
            case u'\n':
                out += QStringLiteral("\\n");
                break;
            case u'\r':
                out += QStringLiteral("\\r");
                break;
            case u'\f':
                out += QStringLiteral("\\f");
                break;
            case u'\\':
            case u'=':
            case u':':
            case u'#':
            case u'!':
                out += u'\\';
                out += c;
                break;
            default:
                if (c.unicode() < 0x20 || c.unicode() > 0x7E) {
                    appendUnicodeEscape(out, c);
                } else {
                    out += c;
                }
        }
    }
    return out;
}

// Line breaks inside the comment start new comment lines; characters that
// ISO 8859-1 cannot hold are escaped.
QString commentLines(const QString& comment) {
    QString out = QStringLiteral("#");
    for (qsizetype i = 0; i < comment.size(); ++i) {
        const QChar c = comment[i];
        if (c == u'\r' || c == u'\n') {
            out += u'\n';
            if (c == u'\r' && i + 1 < comment.size() && comment[i + 1] == u'\n') ++i;
            const bool lastChar = i + 1 == comment.size();
            if (lastChar || (comment[i + 1] != u'#' && comment[i + 1] != u'!')) out += u'#';
        } else if (c.unicode() > 0xFF) {
            appendUnicodeEscape(out, c);
        } else {
            out += c;
        }
    }
    return out + u'\n';
}

QString dateLine() {
    // Always English, whatever the process locale.
    return u'#' +
           QLocale::c().toString(QDateTime::currentDateTime(), u"ddd MMM dd HH:mm:ss t yyyy") +
           u'\n';
}

}  // namespace

void Properties::load(QIODevice& device) {
    if (!device.isReadable()) {
        throw std::runtime_error(("QIODevice::readAll: " + device.errorString()).toStdString());
    }
    load(device.readAll());
}

void Properties::load(const QByteArray& bytes) {
    QMap<QString, QString> read;
    LineReader reader(bytes);
    while (auto line = reader.next()) {
        auto [key, value] = splitEntry(*line);
        read.insert(key, value);
    }
    entries_.insert(read);
}

QStringList Properties::loadLenient(const QByteArray& bytes) {
    QStringList skipped;
    LineReader reader(bytes);
    while (auto line = reader.next()) {
        try {
            auto [key, value] = splitEntry(*line);
            entries_.insert(key, value);
        } catch (const std::invalid_argument& e) {
            skipped << QString::fromUtf8(e.what());
        }
    }
    return skipped;
}

void Properties::store(QIODevice& device, const QString& comment) const {
    QString text;
    if (!comment.isEmpty()) text += commentLines(comment);
    text += dateLine();
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it) {
        text += escape(it.key(), true) + u'=' + escape(it.value(), false) + u'\n';
    }
    const QByteArray bytes = text.toLatin1();
    if (device.write(bytes) != bytes.size()) {
        throw std::runtime_error(("QIODevice::write: " + device.errorString()).toStdString());
    }
}

QString Properties::value(const QString& key, const QString& def) const {
    return entries_.value(key, def);
}

std::optional<QString> Properties::get(const QString& key) const {
    const auto it = entries_.constFind(key);
    if (it == entries_.cend()) return std::nullopt;
    return *it;
}

void Properties::setProperty(const QString& key, const QString& value) {
    entries_.insert(key, value);
}

bool Properties::remove(const QString& key) {
    return entries_.remove(key) > 0;
}

QStringList Properties::keys() const {
    return entries_.keys();
}

bool Properties::contains(const QString& key) const {
    return entries_.contains(key);
}

int Properties::size() const {
    return static_cast<int>(entries_.size());
}
