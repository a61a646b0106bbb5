#pragma once
// The program's log: time-stamped lines appended to a read-only text pane in
// five named styles, never trimmed. A received record is shown with the part
// that was typed set apart from the rest.

#include <QDateTime>
#include <QString>
#include <QTextCharFormat>

#include <array>
#include <optional>

class DataLine;
class QTextEdit;

class EventLog {
  public:
    enum class Style { Regular, Important, Typed, Ignored, Unknown };

    // The character-format property that carries a style's name.
    static constexpr int StyleNameProperty = QTextFormat::UserProperty + 1;
    static QString styleName(Style style);

    explicit EventLog(QTextEdit& pane);

    // "HH:mm:ss text" and a line break, all in one style. Call on the
    // user-interface thread.
    void appendLine(const QDateTime& time, const QString& text, Style style);
    // A processed record, with its own time stamp.
    void appendRecord(const DataLine& record);

    const QTextCharFormat& format(Style style) const;

    static QString timeStamp(const QDateTime& time);

  private:
    void addStylesToDocument();
    void append(const QString& text, Style style);

    QTextEdit& pane_;
    std::array<QTextCharFormat, 5> formats_;
};

// Where the value sits in the record's display text: unchanged, or with the
// other decimal separator. None when it is absent, or when a made-visible
// control character ("<") comes before it.
struct ValuePosition {
    qsizetype start;
    qsizetype length;
};
std::optional<ValuePosition> findTypedValue(const QString& raw, const QString& value);
