#include "valtyp/EventLog.h"

#include "valtyp/Texts.h"
#include "worker/DataLine.h"

#include <QColor>
#include <QFont>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
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

EventLog::EventLog(QPlainTextEdit& pane) : pane_(pane) {
    QFont font(QStringLiteral("Courier New"), 11);
    font.setStyleHint(QFont::TypeWriter);
    pane_.setFont(font);
    pane_.setReadOnly(true);
    pane_.setUndoRedoEnabled(false);  // an undo stack would keep every line twice
    addStylesToDocument();
    followNewLines();
}

void EventLog::followNewLines() {
    QScrollBar* bar = pane_.verticalScrollBar();
    // Only the operator's own scrolling (wheel, keys, the bar) decides
    // whether the view stays at the end; the position is already the new one.
    QObject::connect(bar, &QAbstractSlider::actionTriggered, &context_,
                     [this, bar](int) { following_ = bar->sliderPosition() >= bar->maximum(); });
    // The range grows as new lines are laid out, possibly later than appended.
    QObject::connect(bar, &QAbstractSlider::rangeChanged, &context_, [this, bar](int, int maximum) {
        if (following_) bar->setValue(maximum);
    });
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

QTextCursor EventLog::beginLine() {
    QTextCursor cursor(pane_.document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    return cursor;
}

void EventLog::append(QTextCursor& cursor, const QString& text, Style style) {
    cursor.insertText(text, format(style));
}

void EventLog::endLine(QTextCursor& cursor) {
    cursor.endEditBlock();
    keepWithinLimit();
}

void EventLog::appendLine(const QDateTime& time, const QString& text, Style style) {
    QTextCursor cursor = beginLine();
    append(cursor, timeStamp(time) + text + u'\n', style);
    endLine(cursor);
}

void EventLog::keepWithinLimit() {
    QTextDocument* document = pane_.document();
    // The last block is the empty one after the final line break.
    const int notice = dropped_ > 0 ? 1 : 0;
    const int excess = document->blockCount() - 1 - notice - kLineLimit;
    if (excess <= 0) return;
    const int drop = std::max(excess, kDropBlock);
    // Dropping a block at a time keeps the cost of a drop off all but one
    // append in a thousand.
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, notice + drop);
    cursor.removeSelectedText();
    dropped_ += drop;
    cursor.insertText(timeStamp(QDateTime::currentDateTime()) +
                          Texts::text("event.log.lines.dropped").arg(dropped_) + u'\n',
                      format(Style::Important));
    cursor.endEditBlock();
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
    QTextCursor cursor = beginLine();
    append(cursor, timeStamp(time), Style::Regular);
    append(cursor, raw.left(found->start), Style::Ignored);
    append(cursor, raw.mid(found->start, found->length), Style::Typed);
    append(cursor, raw.mid(found->start + found->length) + u'\n', Style::Ignored);
    endLine(cursor);
}
