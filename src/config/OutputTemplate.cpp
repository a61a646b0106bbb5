#include "config/OutputTemplate.h"

#include "config/KeyCodes.h"
#include "config/TextNumbers.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>
#include <optional>

namespace ConfigHelper {

namespace {

struct KeyName {
    const char* name;
    int code;
    const char* symbol;
};

constexpr std::array<KeyName, 9> kKeys = {{
    {"TAB", KeyCode::Tab, "⇥"},
    {"ENTER", KeyCode::Enter, "⏎"},
    {"ESC", KeyCode::Escape, "⎋"},
    {"UP", KeyCode::Up, "↑"},
    {"DOWN", KeyCode::Down, "↓"},
    {"LEFT", KeyCode::Left, "←"},
    {"RIGHT", KeyCode::Right, "→"},
    {"HOME", KeyCode::Home, "⇱"},
    {"END", KeyCode::End, "⇲"},
}};

struct FieldName {
    const char* name;
    OutputTemplate::Field field;
};

constexpr std::array<FieldName, 7> kFields = {{
    {"value", OutputTemplate::Field::Value},
    {"raw", OutputTemplate::Field::Raw},
    {"count", OutputTemplate::Field::Count},
    {"date", OutputTemplate::Field::Date},
    {"time", OutputTemplate::Field::Time},
    {"port", OutputTemplate::Field::Port},
    {"instrument", OutputTemplate::Field::Instrument},
}};

std::optional<int> keyCode(QStringView name) {
    for (const KeyName& k : kKeys) {
        if (name.compare(QLatin1StringView(k.name), Qt::CaseInsensitive) == 0) return k.code;
    }
    // F1 to F12, and nothing like F01.
    if (name.size() >= 2 && name.size() <= 3 && name.front().toUpper() == u'F' && name[1] != u'0') {
        const auto n = parseWholeNumber(name.mid(1));
        if (n && *n >= 1 && *n <= 12 && name[1].isDigit()) return KeyCode::function(*n);
    }
    return std::nullopt;
}

QString keySymbol(int code) {
    for (const KeyName& k : kKeys) {
        if (k.code == code) return QString::fromUtf8(k.symbol);
    }
    if (code == KeyCode::Delete) return QStringLiteral("⌦");
    if (code == KeyCode::KeypadMultiply) return QStringLiteral("⟨*⟩");
    if (code >= KeyCode::F1 && code <= KeyCode::F12) {
        return QStringLiteral("⟨F%1⟩").arg(code - KeyCode::F1 + 1);
    }
    return QStringLiteral("⟨%1⟩").arg(code);
}

}  // namespace

QString showTyped(const TypedSequence& sequence) {
    QString shown;
    for (const TypedPiece& piece : sequence)
        shown += piece.key != 0 ? keySymbol(piece.key) : piece.text;
    return shown;
}

TemplateError::TemplateError(Kind kind, int position, QString name)
    : std::invalid_argument([&] {
          switch (kind) {
              case Kind::UnknownField:
                  return QStringLiteral("unknown field {%1} at position %2")
                      .arg(name)
                      .arg(position);
              case Kind::UnbalancedOpen:
                  return QStringLiteral(
                             "\"{\" at position %1 is never closed (write {{ for a brace)")
                      .arg(position);
              case Kind::UnbalancedClose:
                  return QStringLiteral(
                             "\"}\" at position %1 closes nothing (write }} for a brace)")
                      .arg(position);
              case Kind::FormatNotAllowed:
                  return QStringLiteral("the field at position %1 takes no format").arg(position);
          }
          return QString();
      }()
                                .toStdString()),
      kind_(kind),
      position_(position),
      name_(std::move(name)) {}

OutputTemplate OutputTemplate::parse(QStringView text) {
    OutputTemplate parsed;
    QString literal;
    auto flushLiteral = [&] {
        if (literal.isEmpty()) return;
        parsed.parts_.push_back({literal});
        literal.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const int position = static_cast<int>(i) + 1;
        if (c == u'}') {
            if (i + 1 < text.size() && text[i + 1] == u'}') {
                literal += u'}';
                ++i;
                continue;
            }
            throw TemplateError(TemplateError::Kind::UnbalancedClose, position, {});
        }
        if (c != u'{') {
            literal += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'{') {
            literal += u'{';
            ++i;
            continue;
        }
        const qsizetype close = text.indexOf(u'}', i + 1);
        const qsizetype nextOpen = text.indexOf(u'{', i + 1);
        if (close < 0 || (nextOpen >= 0 && nextOpen < close)) {
            throw TemplateError(TemplateError::Kind::UnbalancedOpen, position, {});
        }
        const QStringView inside = text.mid(i + 1, close - i - 1);
        const qsizetype colon = inside.indexOf(u':');
        const QStringView name = colon < 0 ? inside : inside.left(colon);
        const QStringView format = colon < 0 ? QStringView() : inside.mid(colon + 1);
        Part part;
        if (const auto key = keyCode(name)) {
            part.key = *key;
        } else {
            part.isField = true;
            bool known = false;
            for (const FieldName& f : kFields) {
                if (name.compare(QLatin1StringView(f.name), Qt::CaseInsensitive) == 0) {
                    part.field = f.field;
                    known = true;
                }
            }
            if (!known && name.size() == 6 && name.startsWith(u"group", Qt::CaseInsensitive) &&
                name[5] >= u'2' && name[5] <= u'9') {
                part.field = Field::Group;
                part.group = name[5].digitValue();
                known = true;
            }
            if (!known)
                throw TemplateError(TemplateError::Kind::UnknownField, position, name.toString());
        }
        if (colon >= 0) {
            if (!part.isField || (part.field != Field::Date && part.field != Field::Time)) {
                throw TemplateError(TemplateError::Kind::FormatNotAllowed, position,
                                    name.toString());
            }
            part.text = format.toString();
        }
        flushLiteral();
        parsed.parts_.push_back(std::move(part));
        i = close;
    }
    flushLiteral();
    return parsed;
}

bool OutputTemplate::valid(QStringView text) {
    try {
        parse(text);
        return true;
    } catch (const TemplateError&) {
        return false;
    }
}

bool OutputTemplate::usesGroups() const {
    for (const Part& p : parts_) {
        if (p.isField && p.field == Field::Group) return true;
    }
    return false;
}

TypedSequence OutputTemplate::fill(const Values& values) const {
    TypedSequence typed;
    auto addText = [&typed](const QString& text) {
        if (text.isEmpty()) return;
        // Neighbouring texts are typed as one.
        if (!typed.empty() && typed.back().key == 0) {
            typed.back().text += text;
        } else {
            typed.push_back({text});
        }
    };
    for (const Part& p : parts_) {
        if (p.key != 0) {
            typed.push_back({QString(), p.key});
            continue;
        }
        if (!p.isField) {
            addText(p.text);
            continue;
        }
        switch (p.field) {
            case Field::Value:
                addText(values.value);
                break;
            case Field::Raw:
                addText(values.raw);
                break;
            case Field::Count:
                addText(QString::number(values.count));
                break;
            case Field::Date:
                addText(p.text.isEmpty()
                            ? values.locale.toString(values.time.date(), QLocale::ShortFormat)
                            : values.locale.toString(values.time, p.text));
                break;
            case Field::Time:
                addText(p.text.isEmpty()
                            ? values.locale.toString(values.time.time(), QLocale::ShortFormat)
                            : values.locale.toString(values.time, p.text));
                break;
            case Field::Port:
                addText(values.port);
                break;
            case Field::Instrument:
                addText(values.instrument);
                break;
            case Field::Group:
                if (values.group) addText(values.group(p.group));
                break;
        }
    }
    return typed;
}

bool TypeOnlyInto::matches(QStringView pattern, QStringView name) {
    QStringList pieces;
    for (const QStringView piece : pattern.split(u'*')) pieces << QRegularExpression::escape(piece);
    const QString expression = pieces.join(QStringLiteral(".*"));
    const QRegularExpression re(
        QRegularExpression::anchoredPattern(expression),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return re.match(name).hasMatch();
}

bool TypeOnlyIntoHoldSeconds::valid(QStringView text) {
    if (text.isEmpty()) return true;
    const auto seconds = parseWholeNumber(text);
    return seconds && *seconds >= 0 && *seconds <= kMaximum;
}

int TypeOnlyIntoHoldSeconds::toSeconds(QStringView text) {
    if (text.isEmpty() || !valid(text)) return 0;
    return *parseWholeNumber(text);
}

}  // namespace ConfigHelper
