// The acquisition end to end: a pseudo-terminal as the instrument, the real
// POSIX serial driver, the real worker, and a view that records.

#include "PseudoTerminal.h"
#include "QtApp.h"
#include "QtPrinters.h"
#include "RecordingView.h"

#include "config/Config.h"
#include "worker/WeightWorker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <thread>

using namespace ConfigHelper;
using namespace std::chrono_literals;

namespace {

class WeightWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override { qtApp(); }

    Config configFor(Instrument instrument, int terminator) {
        Config c = getDefaultConfig(instrument);
        c.setInstrument(instrument);
        c.setPort(pty_.portPath());
        c.setInputTerminator(terminator);
        // The instrument's own line settings (A&D: 7 data bits, even parity), which a
        // pseudo-terminal leaves to its far end, as network serial bridges do.
        return c;
    }

    std::unique_ptr<WeightWorker> start(const Config& config) {
        auto worker = makeWeightWorker(
            config, view_, [this](const QString&, const QString& m) { warnings_ << m; });
        // Within a test only data, a hang-up or the stop can end the sleep on
        // a quiet line, never its time limit.
        worker->setIdleWait({WeightWorker::IdleWait::Mode::Kernel, std::chrono::hours(1)});
        worker->execute();
        return worker;
    }

    void stop(WeightWorker& worker) {
        worker.cancel();
        ASSERT_TRUE(processEventsUntil([&] { return worker.isDone(); }));
    }

    bool waitForRecords(int n) {
        return processEventsUntil([&] { return view_.records().size() >= n; });
    }

    PseudoTerminal pty_;
    RecordingView view_;
    QStringList warnings_;
};

}  // namespace

TEST_F(WeightWorkerTest, OpensReportsPublishesAndClosesCleanly) {
    auto worker = start(configFor(Instrument::AND_SIMPLE, 10));
    EXPECT_TRUE(view_.connected());
    ASSERT_GE(view_.events().size(), 2);
    EXPECT_TRUE(view_.events()[0].contains(pty_.portPath())) << view_.events()[0].toStdString();
    EXPECT_TRUE(view_.events()[0].contains("2400")) << view_.events()[0].toStdString();
    const QString sevenEven[] = {
        Options<DataBits>::getReadable(Options<DataBits>::ordinal(DataBits::LN_7BITS)),
        Options<Parity>::getReadable(Options<Parity>::ordinal(Parity::EVEN))};
    for (const QString& setting : sevenEven)
        EXPECT_TRUE(view_.events()[0].contains(setting)) << view_.events()[0].toStdString();
    EXPECT_TRUE(view_.events()[1].startsWith("RTS: off, DTR: on. DSR: "));

    pty_.send("ST, +00012.34 kg\r\nUS, -00012,45 g\r\n");
    ASSERT_TRUE(waitForRecords(2));
    const auto lines = view_.lines();
    EXPECT_EQ(lines[0].rawText(), "ST, +00012.34 kg\r\n");
    EXPECT_EQ(lines[0].getProcessedData(), "12.34");
    EXPECT_EQ(lines[0].getCount(), 1);
    EXPECT_FALSE(lines[0].isError());
    EXPECT_EQ(lines[1].getProcessedData(), "-12.45");
    EXPECT_EQ(lines[1].getCount(), 2);

    stop(*worker);
    EXPECT_FALSE(view_.connected());
    EXPECT_TRUE(view_.events().last().contains("stopped", Qt::CaseInsensitive));
    EXPECT_TRUE(view_.importantEvents().isEmpty())
        << view_.importantEvents().join('|').toStdString();
}

TEST_F(WeightWorkerTest, RecordsSplitAcrossWritesAndLoneTerminators) {
    auto worker = start(configFor(Instrument::GENERIC, 13));
    pty_.send("ST, +000");
    std::this_thread::sleep_for(30ms);
    pty_.send("12.3");
    std::this_thread::sleep_for(30ms);
    pty_.send("4 kg\r\r");
    ASSERT_TRUE(waitForRecords(2));
    EXPECT_EQ(view_.records(), QStringList({"12.34", ""}));
    EXPECT_EQ(view_.lines()[1].rawText(), "\r");
    stop(*worker);
}

TEST_F(WeightWorkerTest, CarriageReturnFramingLeavesTheLineFeedForTheNextRecord) {
    auto worker = start(configFor(Instrument::KERN_RPB, 13));
    pty_.send("N:    0.404 kg\r\nN:  4000 g\r\n");
    ASSERT_TRUE(waitForRecords(2));
    EXPECT_EQ(view_.records(), QStringList({"0.404", ""}));  // "^N:" misses "\nN:"
    stop(*worker);
    // The last line feed never met a terminator.
    ASSERT_FALSE(view_.importantEvents().isEmpty());
    EXPECT_TRUE(view_.importantEvents().last().endsWith(" <10>"))
        << view_.importantEvents().last().toStdString();
}

TEST_F(WeightWorkerTest, StoppingTheSleepingWorkerWithHalfARecordReportsItUnsent) {
    auto worker = start(configFor(Instrument::GENERIC, 13));
    pty_.send("ST, +1");
    std::this_thread::sleep_for(50ms);
    stop(*worker);
    ASSERT_EQ(view_.importantEvents().size(), 1);
    EXPECT_TRUE(view_.importantEvents()[0].endsWith(" ST, +1"));
    EXPECT_TRUE(view_.records().isEmpty());
}

TEST_F(WeightWorkerTest, TextInstrumentsKeepTheirBlanks) {
    auto worker = start(configFor(Instrument::BARCODE_ALPHA_COMPLETE, 13));
    pty_.send("Lot 12.50 B\r");
    ASSERT_TRUE(waitForRecords(1));
    EXPECT_EQ(view_.records(), QStringList({"Lot 12.50 B"}));
    stop(*worker);
}

TEST_F(WeightWorkerTest, AProcessingErrorIsLoggedAndTheLoopGoesOn) {
    Config c = configFor(Instrument::GENERIC, 13);
    c.setCustomRegEx("V=(\\S+)");
    auto worker = start(c);
    pty_.send("V=1.2.3\rV=4\r");
    ASSERT_TRUE(waitForRecords(2));
    // The failed record still reaches the view, without output, with its message.
    EXPECT_EQ(view_.records(), QStringList({"", "4"}));
    const DataLine failed = view_.lines()[0];
    EXPECT_EQ(failed.getCount(), 1);
    EXPECT_EQ(failed.getProcessingError().value_or("").left(20), "Not a decimal number");
    EXPECT_EQ(view_.lines()[1].getCount(), 2);
    EXPECT_FALSE(view_.lines()[1].getProcessingError());
    ASSERT_EQ(view_.importantEvents().size(), 1);
    EXPECT_TRUE(view_.importantEvents()[0].startsWith("Error [WW]: std::invalid_argument: "))
        << view_.importantEvents()[0].toStdString();
    stop(*worker);
}

TEST_F(WeightWorkerTest, TextInstrumentErrorsShowOnlyTheMessage) {
    Config c = configFor(Instrument::BARCODE, 13);
    c.setCustomRegEx("(a)|b");
    auto worker = start(c);
    pty_.send("b\r");
    ASSERT_TRUE(processEventsUntil([&] { return !view_.importantEvents().isEmpty(); }));
    EXPECT_EQ(view_.importantEvents()[0], "Error [WW]: Group 1 took no part in the match");
    stop(*worker);
}

TEST_F(WeightWorkerTest, AnInvalidCustomExpressionEndsTheWorker) {
    Config c = configFor(Instrument::GENERIC, 13);
    c.setCustomRegEx("([");
    auto worker = start(c);
    ASSERT_TRUE(processEventsUntil([&] { return worker->isDone(); }));
    ASSERT_EQ(view_.importantEvents().size(), 1);
    EXPECT_FALSE(view_.importantEvents()[0].startsWith("Error [WW]"));
    EXPECT_TRUE(view_.importantEvents()[0].contains("missing terminating ]"))
        << view_.importantEvents()[0].toStdString();
    EXPECT_FALSE(view_.connected());
}

TEST_F(WeightWorkerTest, AStreamWithoutTerminatorIsGivenUpInBoundedPieces) {
    auto worker = start(configFor(Instrument::GENERIC, 13));
    pty_.send(QByteArray(RecordFramer::kDefaultLimit + 10, 'x'));
    ASSERT_TRUE(processEventsUntil([&] { return !view_.importantEvents().isEmpty(); }));
    EXPECT_TRUE(view_.importantEvents()[0].endsWith(u' ' + QString(200, u'x') +
                                                    QStringLiteral(" ... (65536 bytes in all)")))
        << view_.importantEvents()[0].left(300).toStdString();
    stop(*worker);
}

TEST_F(WeightWorkerTest, AVanishedDeviceEndsTheSleepingWorkerWithOneReport) {
    Config c = configFor(Instrument::GENERIC, 13);
    c.reconnect = false;
    auto worker = start(c);
    pty_.send("1\r");
    ASSERT_TRUE(waitForRecords(1));
    std::this_thread::sleep_for(50ms);  // asleep on the quiet line
    pty_.hangUp();
    ASSERT_TRUE(processEventsUntil([&] { return worker->isDone(); }));
    EXPECT_FALSE(view_.connected());
    const QStringList important = view_.importantEvents();
    ASSERT_EQ(important.size(), 1) << important.join('|').toStdString();
    EXPECT_TRUE(important.last().contains("getByte failed")) << important.join('|').toStdString();
}

TEST_F(WeightWorkerTest, AMissingPortFailsConstruction) {
    Config c = configFor(Instrument::GENERIC, 13);
    c.setPort("");
    EXPECT_THROW(makeWeightWorker(c, view_, {}), std::invalid_argument);
    c.setPort("/dev/ttyNoSuchPort9");
    EXPECT_ANY_THROW(makeWeightWorker(c, view_, {}));
    EXPECT_FALSE(view_.connected());
}

TEST_F(WeightWorkerTest, TheBalanceCheckWarnsWithoutModemLines) {
    // A pseudo-terminal has no modem lines: DSR and CTS read off.
    auto worker = start(configFor(Instrument::AND, 10));
    ASSERT_EQ(warnings_.size(), 1);
    EXPECT_FALSE(warnings_[0].isEmpty());
    stop(*worker);
}

namespace {

// Reads what the program sent until `bytes` came, or the time is up.
QByteArray receiveAtLeast(const PseudoTerminal& pty, qsizetype bytes) {
    QByteArray got;
    processEventsUntil([&] {
        got += pty.receive(1);
        return got.size() >= bytes;
    });
    return got;
}

}  // namespace

TEST_F(WeightWorkerTest, RequestsGoOutOnceAfterOpeningAndOnEveryRequestNow) {
    struct Case {
        Instrument instrument;
        QString dataCommand;
        QByteArray expected;
    };
    const Case cases[] = {
        {Instrument::MITUTOYO, "", "1\r"},              // the instrument's own command
        {Instrument::GENERIC, "\\x1BP\\r", "\x1BP\r"},  // ESC as byte 27
        {Instrument::GENERIC, "SI\\r\\n", "SI\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataCommand.toStdString());
        PseudoTerminal pty;
        RecordingView view;
        Config config = configFor(c.instrument, 13);
        config.setPort(pty.portPath());
        config.setDataCommand(c.dataCommand);
        config.setRequestInterval("");  // asked once, then only on demand
        auto worker = makeWeightWorker(config, view, {});
        worker->setIdleWait({WeightWorker::IdleWait::Mode::Kernel, std::chrono::hours(1)});
        worker->execute();
        for (int asked = 1; asked <= 2; ++asked) {
            EXPECT_EQ(receiveAtLeast(pty, c.expected.size()), c.expected);
            pty.send("01A+001.1920\r");
            ASSERT_TRUE(processEventsUntil([&] { return view.records().size() >= asked; }));
            if (asked == 1) worker->requestNow();
        }
        EXPECT_TRUE(pty.receive(200).isEmpty());  // nothing without being asked
        EXPECT_EQ(view.records().size(), 2);
        worker->cancel();
        ASSERT_TRUE(processEventsUntil([&] { return worker->isDone(); }));
    }
}

TEST_F(WeightWorkerTest, AMitutoyoThatAnswersOnlyWhenAskedIsAskedEveryInterval) {
    Config c = configFor(Instrument::MITUTOYO, 13);
    EXPECT_EQ(c.getRequestInterval(), "1000");  // the instrument's default pace
    c.setRequestInterval("100");
    auto worker = start(c);
    QByteArray asked;
    int answered = 0;
    ASSERT_TRUE(processEventsUntil([&] {
        asked += pty_.receive(1);
        while (asked.startsWith("1\r")) {
            asked.remove(0, 2);
            pty_.send(QByteArray("01A+00") + QByteArray::number(++answered) + ".5000\r");
        }
        return view_.records().size() >= 4;
    }));
    EXPECT_TRUE(asked.isEmpty() || asked == "1") << asked.toStdString();  // only requests
    const auto lines = view_.lines();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i].getCount(), i + 1);
        EXPECT_EQ(lines[i].getProcessedData(), QString::number(i + 1) + ".5000");
    }
    stop(*worker);
}

TEST_F(WeightWorkerTest, AReplacedPortBehindItsLinkIsReopenedAndTheRunGoesOn) {
    const QString folder = QDir::temp().filePath(
        QStringLiteral("valtyp-relink-%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(folder);
    const QString link = folder + "/instrument";
    auto pointLinkAt = [&](const QString& target) {
        // Swapped in one step, as udev replaces its links.
        const QString next = link + ".new";
        QFile::remove(next);
        ASSERT_TRUE(QFile::link(target, next));
        ASSERT_EQ(std::rename(next.toLocal8Bit().constData(), link.toLocal8Bit().constData()), 0);
    };
    pointLinkAt(pty_.portPath());
    Config c = configFor(Instrument::GENERIC, 13);
    c.setPort(link);
    auto worker = start(c);
    pty_.send("1\r2");
    ASSERT_TRUE(waitForRecords(1));
    std::this_thread::sleep_for(50ms);  // the half record is in
    pty_.hangUp();
    const QString disconnected = "instrument disconnected, waiting for it to return";
    ASSERT_TRUE(processEventsUntil([&] { return view_.importantEvents().contains(disconnected); }));
    EXPECT_TRUE(view_.importantEvents().contains("Unsent data (no terminator received): 2"))
        << view_.importantEvents().join('|').toStdString();
    EXPECT_TRUE(view_.statuses().contains(disconnected));
    EXPECT_TRUE(view_.connected());  // the run is still on

    PseudoTerminal replacement;
    pointLinkAt(replacement.portPath());
    ASSERT_TRUE(processEventsUntil([&] { return view_.events().contains("reconnected"); }));
    replacement.send("3\r");
    ASSERT_TRUE(waitForRecords(2));
    const auto lines = view_.lines();
    EXPECT_EQ(lines[1].rawText(), "3\r");  // never joined to the cut-off "2"
    EXPECT_EQ(lines[1].getCount(), 2);
    stop(*worker);
    EXPECT_FALSE(view_.connected());
    QDir(folder).removeRecursively();
}
