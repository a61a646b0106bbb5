#include "valtyp/EventLog.h"

#include "worker/DataLine.h"

#include <QColor>
#include <QFont>
#include <QTextCursor>
#include <QTextEdit>

#include <optional>

namespace {

QTextCharFormat derived(const QTextCharFormat& base, const QColor& colour) {
    QTextCharFormat format = base;
    format.setForeground(colour);
    return format;
}

}  // namespace

QString EventLog::styleName(Style style) {
    switch (style) {
        case Style::Regular:
            return QStringLiteral("regular");
        case Style::Important:
            return QStringLiteral("important");
        case Style::Typed:
            return QStringLiteral("typed");
        case Style::Ignored:
            return QStringLiteral("ignored");
        case Style::Unknown:
            return QStringLiteral("unknown");
    }
    return {};
}

EventLog::EventLog(QTextEdit& pane) : pane_(pane) {
    QFont font(QStringLiteral("Courier New"), 11);
    font.setStyleHint(QFont::TypeWriter);
    pane_.setFont(font);
    pane_.setReadOnly(true);
    pane_.setUndoRedoEnabled(false);  // an undo stack would keep every line twice
    addStylesToDocument();
}

void EventLog::addStylesToDocument() {
    QTextCharFormat regular;  // the document's own default
    const QColor typedColour(0, 0, 200);
    formats_[static_cast<int>(Style::Regular)] = regular;
    formats_[static_cast<int>(Style::Important)] = derived(regular, QColor(200, 0, 0));
    formats_[static_cast<int>(Style::Typed)] = derived(regular, typedColour);
    formats_[static_cast<int>(Style::Ignored)] = derived(regular, QColor(128, 128, 128));
    QTextCharFormat unknown = derived(regular, typedColour);
    unknown.setFontItalic(true);
    formats_[static_cast<int>(Style::Unknown)] = unknown;
    for (int i = 0; i < static_cast<int>(formats_.size()); ++i) {
        formats_[i].setProperty(StyleNameProperty, styleName(static_cast<Style>(i)));
    }
}

const QTextCharFormat& EventLog::format(Style style) const {
    return formats_[static_cast<int>(style)];
}

QString EventLog::timeStamp(const QDateTime& time) {
    return time.toString(QStringLiteral("HH:mm:ss "));
}

void EventLog::append(const QString& text, Style style) {
    QTextCursor cursor(pane_.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text, format(style));
}

void EventLog::appendLine(const QDateTime& time, const QString& text, Style style) {
    append(timeStamp(time) + text + u'\n', style);
}

std::optional<ValuePosition> findTypedValue(const QString& raw, const QString& value) {
    if (value.isEmpty()) return std::nullopt;
    qsizetype start = raw.indexOf(value);
    if (start < 0) start = raw.indexOf(QString(value).replace(u',', u'.'));
    if (start < 0) start = raw.indexOf(QString(value).replace(u'.', u','));
    if (start < 0 || raw.left(start).contains(u'<')) return std::nullopt;
    return ValuePosition{start, value.size()};
}

void EventLog::appendRecord(const DataLine& record) {
    const QString raw = record.getRawData();
    const QString& value = record.getProcessedData();
    const QDateTime time = record.getDateTime();
    if (value.isEmpty()) {
        // A reading withheld for its status says why.
        const QString& reason = record.getIgnoreReason();
        appendLine(time, reason.isEmpty() ? raw : raw + QStringLiteral(" (") + reason + u')',
                   Style::Ignored);
        return;
    }
    const std::optional<ValuePosition> found = findTypedValue(raw, value);
    if (!found) {
        appendLine(time, raw, Style::Unknown);
        return;
    }
    append(timeStamp(time), Style::Regular);
    append(raw.left(found->start), Style::Ignored);
    append(raw.mid(found->start, found->length), Style::Typed);
    append(raw.mid(found->start + found->length) + u'\n', Style::Ignored);
}
