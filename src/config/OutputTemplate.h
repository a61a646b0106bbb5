#pragma once
// The output template: what is typed for each reading when a plain value
// between a start key and a terminator is not enough, e.g. the weight, Tab,
// the time, Enter. Fields in braces are filled from the reading, keys in
// braces are pressed, "{{" and "}}" type a brace. Parsed once per run into a
// list of parts; filling it in per reading only looks values up.
//
// And the guard that types only while the chosen window has the keyboard
// focus: its window pattern and how long values wait for the focus.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <functional>
#include <stdexcept>
#include <vector>

namespace ConfigHelper {

// One step of typing: a text, or one key (a key code of config/KeyCodes.h).
struct TypedPiece {
    QString text;
    int key = 0;  // when not 0, this key is pressed instead of a text typed
    bool operator==(const TypedPiece&) const = default;
};
using TypedSequence = std::vector<TypedPiece>;

// Texts as they are, keys as symbols ("⇥", "⏎", "⟨F2⟩"), for previews and logs.
QString showTyped(const TypedSequence& sequence);

// A template that cannot be used; position counts characters from 1.
class TemplateError : public std::invalid_argument {
  public:
    enum class Kind { UnknownField, UnbalancedOpen, UnbalancedClose, FormatNotAllowed };
    TemplateError(Kind kind, int position, QString name);
    Kind kind() const { return kind_; }
    int position() const { return position_; }
    const QString& name() const { return name_; }  // the field as written, for UnknownField

  private:
    Kind kind_;
    int position_;
    QString name_;
};

class OutputTemplate {
  public:
    enum class Field { Value, Raw, Count, Date, Time, Port, Instrument, Group };

    // What one reading fills the fields with.
    struct Values {
        QString value;  // the output text after every processing step
        QString raw;    // the record in display form
        int count = 0;
        QDateTime time;
        QString port;
        QString instrument;
        std::function<QString(int group)> group;  // groups 2 to 9; may be empty
        QLocale locale = QLocale::system();
    };

    // The empty template (nothing to fill; a run then types framed values).
    OutputTemplate() = default;
    // Throws TemplateError for an unknown field, a format on a field other
    // than date and time, or a brace without its partner.
    static OutputTemplate parse(QStringView text);

    static QString getDefault() { return {}; }
    static bool valid(QStringView text);

    bool isEmpty() const { return parts_.empty(); }
    bool usesGroups() const;
    TypedSequence fill(const Values& values) const;

  private:
    struct Part {
        QString text;  // a literal text, or the format of a date or time
        int key = 0;
        bool isField = false;
        Field field = Field::Value;
        int group = 0;
    };
    std::vector<Part> parts_;
};

// The window that must have the keyboard focus for a value to be typed: a
// title or program name with "*" for any run of characters, either case.
struct TypeOnlyInto {
    static QString getDefault() { return {}; }
    static bool valid(QStringView) { return true; }
    static bool matches(QStringView pattern, QStringView name);
};

// Seconds a value waits for that window to get the focus back; empty or 0
// means it is not typed at all.
struct TypeOnlyIntoHoldSeconds {
    static constexpr int kMaximum = 3600;
    static QString getDefault() { return {}; }
    static bool valid(QStringView text);
    static int toSeconds(QStringView text);  // 0 when not valid
};

}  // namespace ConfigHelper
