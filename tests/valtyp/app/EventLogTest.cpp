// How the event log shows lines and records, read off the document's
// character formats.

#include "FrameFixture.h"

#include "valtyp/EventLog.h"
#include "worker/DataLine.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QWheelEvent>

#include <algorithm>

namespace {

class EventLogTest : public ::testing::Test {
  protected:
    // "style:text" per fragment, the time stamp cut to its length.
    QStringList fragments() const {
        QStringList list;
        for (QTextBlock b = pane.document()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                list << f.charFormat().property(EventLog::StyleNameProperty).toString() + u':' +
                            f.text();
            }
            // A line break ends the block; the last block is the empty line after it.
            if (b.next().isValid() && !list.isEmpty()) list.last() += u'\n';
        }
        return list;
    }

    void record(const QString& raw, const QString& value) {
        log.appendRecord(DataLine(raw, value, 1, at, false));
    }

    QApplication& app = widgetApp();  // first: the pane needs it
    QPlainTextEdit pane;
    EventLog log{pane};
    const DataLine::Instant at = std::chrono::system_clock::now();
    const QString stamp =
        EventLog::timeStamp(DataLine(QString(), QString(), 1, at, false).getDateTime());
};

}  // namespace

TEST_F(EventLogTest, TheValueIsTypedBetweenIgnoredParts) {
    record("ST, +00012.34 kg\r", "12.34");
    EXPECT_EQ(fragments(), (QStringList{"regular:" + stamp, "ignored:ST, +000", "typed:12.34",
                                        "ignored: kg<13>\n"}));
}

TEST_F(EventLogTest, AValueWithTheOtherSeparatorIsStillFound) {
    record("ST, +00012.34 kg", "12,34");
    record("US, -12,45 g", "-12.45");
    EXPECT_EQ(fragments(),
              (QStringList{"regular:" + stamp, "ignored:ST, +000", "typed:12.34", "ignored: kg\n",
                           "regular:" + stamp, "ignored:US, ", "typed:-12,45", "ignored: g\n"}));
}

TEST_F(EventLogTest, AControlCharacterBeforeTheValueOrAMissingValueMakesTheLineUnknown) {
    record(
        "\x02"
        "12.34 kg",
        "12.34");
    record("weight 12.34", "99");
    EXPECT_EQ(fragments(), (QStringList{"unknown:" + stamp + "<2>12.34 kg\n",
                                        "unknown:" + stamp + "weight 12.34\n"}));
    EXPECT_TRUE(log.format(EventLog::Style::Unknown).fontItalic());
    EXPECT_EQ(log.format(EventLog::Style::Unknown).foreground(),
              log.format(EventLog::Style::Typed).foreground());
}

TEST_F(EventLogTest, ARecordWithoutValueIsIgnoredWhole) {
    record("OL kg\r", "");
    EXPECT_EQ(fragments(), QStringList{"ignored:" + stamp + "OL kg<13>\n"});
}

TEST_F(EventLogTest, StylesStandApartAndTheFontIsCourierNew) {
    using S = EventLog::Style;
    EXPECT_NE(log.format(S::Typed).foreground(), log.format(S::Ignored).foreground());
    EXPECT_NE(log.format(S::Important).foreground(), log.format(S::Regular).foreground());
    EXPECT_EQ(pane.font().family(), "Courier New");
    EXPECT_EQ(pane.font().pointSize(), 11);
    EXPECT_TRUE(pane.isReadOnly());
}

TEST_F(EventLogTest, TheNewestLinesAreKeptAndTheFirstLineSaysHowManyWent) {
    const QDateTime time(QDate(2024, 5, 6), QTime(7, 8, 9));
    const QTextDocument& document = *pane.document();
    // Two drops: at the line past the limit, and again when it fills up once more.
    const int appended = EventLog::kLineLimit + EventLog::kDropBlock + 1;
    int mostShown = 0;
    for (int i = 0; i < appended; ++i) {
        log.appendLine(time, QStringLiteral("line %1").arg(i), EventLog::Style::Regular);
        // Less the notice and the empty block after the last line break.
        mostShown = std::max(mostShown, document.blockCount() - (log.droppedLines() > 0 ? 2 : 1));
    }
    EXPECT_EQ(mostShown, EventLog::kLineLimit);
    const int dropped = 2 * EventLog::kDropBlock;
    EXPECT_EQ(log.droppedLines(), dropped);
    EXPECT_EQ(document.blockCount(), appended - dropped + 2);
    const QTextBlock notice = document.firstBlock();
    EXPECT_EQ(notice.text().mid(stamp.size()),
              "2000 older lines were removed from this log to keep the program small.");
    EXPECT_EQ(notice.begin().fragment().charFormat().property(EventLog::StyleNameProperty),
              "important");
    EXPECT_EQ(notice.next().text(), "07:08:09 line 2000");
    EXPECT_EQ(document.lastBlock().previous().text(),
              QStringLiteral("07:08:09 line %1").arg(appended - 1));
}

TEST_F(EventLogTest, TheViewFollowsNewLinesUnlessScrolledUp) {
    pane.resize(400, 150);
    pane.show();
    QScrollBar& bar = *pane.verticalScrollBar();
    auto add = [&](int lines) {
        for (int i = 0; i < lines; ++i)
            log.appendLine(QDateTime::currentDateTime(), "line", EventLog::Style::Regular);
        QCoreApplication::processEvents();
    };
    add(100);
    ASSERT_GT(bar.maximum(), 0);
    EXPECT_EQ(bar.value(), bar.maximum()) << "scrolled to the newest";

    // The operator turns the wheel up: the view stays where it was put.
    QWheelEvent up(QPointF(10, 10), pane.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 240),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(pane.viewport(), &up);
    const int readingAt = bar.value();
    ASSERT_LT(readingAt, bar.maximum());
    add(50);
    EXPECT_EQ(bar.value(), readingAt);
    EXPECT_LT(bar.value(), bar.maximum());

    // Back at the end, it follows again.
    bar.triggerAction(QAbstractSlider::SliderToMaximum);
    add(50);
    EXPECT_EQ(bar.value(), bar.maximum());
}
