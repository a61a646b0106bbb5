#pragma once
// The program's log: time-stamped lines appended to a read-only text pane in
// five named styles. A received record is shown with the part that was typed
// set apart from the rest. The pane keeps the newest lines only, so that a
// run of weeks does not grow without bound, and follows new lines unless the
// operator has scrolled up.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTextCharFormat>

#include <array>
#include <optional>

class DataLine;
class QPlainTextEdit;
class QTextCursor;

class EventLog {
  public:
    enum class Style { Regular, Important, Typed, Ignored, Unknown };

    // The character-format property that carries a style's name.
    static constexpr int StyleNameProperty = QTextFormat::UserProperty + 1;
    static QString styleName(Style style);

    // The newest lines the pane holds; past that the oldest go in blocks,
    // and the first line says how many went.
    static constexpr int kLineLimit = 20000;
    static constexpr int kDropBlock = 1000;

    // A plain-text pane: its layout costs the same per line however many
    // lines it holds, unlike a rich-text one.
    explicit EventLog(QPlainTextEdit& pane);

    // "HH:mm:ss text" and a line break, all in one style. Call on the
    // user-interface thread.
    void appendLine(const QDateTime& time, const QString& text, Style style);
    // A processed record, with its own time stamp.
    void appendRecord(const DataLine& record);

    const QTextCharFormat& format(Style style) const;

    // Lines given up so far to stay within the limit.
    qint64 droppedLines() const { return dropped_; }

    static QString timeStamp(const QDateTime& time);

  private:
    void addStylesToDocument();
    void followNewLines();
    // A cursor at the end inside one edit, so a line is laid out once.
    QTextCursor beginLine();
    void append(QTextCursor& cursor, const QString& text, Style style);
    void endLine(QTextCursor& cursor);
    void keepWithinLimit();

    QPlainTextEdit& pane_;
    std::array<QTextCharFormat, 5> formats_;
    qint64 dropped_ = 0;
    bool following_ = true;  // until the operator scrolls away from the end
    QObject context_;        // the scroll bar's connections end with the log
};

// Where the value sits in the record's display text: unchanged, or with the
// other decimal separator. None when it is absent, or when a made-visible
// control character ("<") comes before it.
struct ValuePosition {
    qsizetype start;
    qsizetype length;
};
std::optional<ValuePosition> findTypedValue(const QString& raw, const QString& value);
