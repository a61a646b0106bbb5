// What a pseudo-terminal cannot produce, over the simulated serial driver:
// line errors on chosen bytes, reads that fail in chosen ways, and the driver
// calls a quiet line costs.

#include "QtApp.h"
#include "QtPrinters.h"
#include "RecordingView.h"
#include "SimulatedDriver.h"

#include "Serialio/SerialPortLocal.h"
#include "config/Config.h"
#include "platform/serial/sim/SimControl.h"
#include "worker/RecordFramer.h"
#include "worker/WeightWorker.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>

using namespace ConfigHelper;

namespace {

class SimulatedLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qtApp();
        sim_.emplace();
        SimAddPort("SIM7", "Valtyp", "simulated balance");
    }

    std::unique_ptr<WeightWorker> start(Instrument instrument,
                                        const std::function<void(Config&)>& adjust = {}) {
        return start(instrument, view_, adjust);
    }
    static std::unique_ptr<WeightWorker> start(Instrument instrument, RecordingView& view,
                                               const std::function<void(Config&)>& adjust = {}) {
        Config c = getDefaultConfig(instrument);
        c.setInstrument(instrument);
        c.setPort("SIM7");
        c.setInputTerminator(13);
        if (adjust) adjust(c);
        auto worker = makeWeightWorker(c, view, {});
        // Only data or the stop may end the sleep on a quiet line.
        worker->setIdleWait({WeightWorker::IdleWait::Mode::Kernel, std::chrono::hours(1)});
        worker->execute();
        return worker;
    }

    static void feed(const char* bytes, int errors = 0) {
        SimFeed("SIM7", reinterpret_cast<const unsigned char*>(bytes),
                static_cast<int>(std::strlen(bytes)), errors);
    }

    void stop(WeightWorker& worker) {
        worker.cancel();
        ASSERT_TRUE(processEventsUntil([&] { return worker.isDone(); }));
    }

    std::optional<SimulatedDriver> sim_;
    RecordingView view_;
};

// Watches the worker's reads through the driver's call hook; while failures
// are left, each read fails with the given result.
struct ReadScript {
    std::atomic<int> reads{0};
    std::atomic<int> waits{0};
    std::atomic<int> failuresLeft{0};
    int failure = -3;

    void install() { SimSetCallHook(&ReadScript::called, this); }
    static void called(const char* operation, void* context) {
        auto& script = *static_cast<ReadScript*>(context);
        if (std::strcmp(operation, "SerWaitReadable") == 0) ++script.waits;
        if (std::strcmp(operation, "SerGetByte") != 0) return;
        ++script.reads;
        if (script.failuresLeft > 0) {
            --script.failuresLeft;
            SimSetResult("SerGetByte", script.failure);
        } else {
            SimClearResults();
        }
    }
};

}  // namespace

TEST_F(SimulatedLineTest, AParityErrorMarksOnlyItsOwnRecord) {
    auto worker = start(Instrument::GENERIC);
    feed("1\r");
    feed("2", SIM_ERROR_PARITY);
    feed("\r3\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 3; }));
    const auto lines = view_.lines();
    EXPECT_FALSE(lines[0].isError());
    EXPECT_TRUE(lines[1].isError());
    EXPECT_EQ(lines[1].getProcessedData(), "2");  // still processed and published
    EXPECT_FALSE(lines[2].isError());
    ASSERT_EQ(view_.importantEvents().size(), 1);
    EXPECT_TRUE(view_.importantEvents()[0].startsWith("Parity error"))
        << view_.importantEvents()[0].toStdString();
    stop(*worker);
}

TEST_F(SimulatedLineTest, TextInstrumentsReportLineErrorsInFixedWords) {
    auto worker = start(Instrument::BARCODE_ALPHA);
    feed("AB", SIM_ERROR_FRAME);
    feed("C\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 1; }));
    EXPECT_TRUE(view_.lines()[0].isError());
    EXPECT_EQ(view_.importantEvents(), QStringList({"Framing Error", "Framing Error"}));
    stop(*worker);
}

TEST_F(SimulatedLineTest, AnOverlongRecordTakesItsMarkAlongAndIsLoggedInShort) {
    auto worker = start(Instrument::GENERIC);
    feed("x", SIM_ERROR_PARITY);
    feed(QByteArray(RecordFramer::kDefaultLimit - 1, 'x').constData());
    feed("5\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 1; }));
    EXPECT_FALSE(view_.lines()[0].isError());
    EXPECT_EQ(view_.lines()[0].getProcessedData(), "5");
    const QStringList important = view_.importantEvents();
    ASSERT_EQ(important.size(), 2);
    EXPECT_EQ(important[1], QStringLiteral("Unsent data (no terminator received): ") +
                                QString(200, u'x') + QStringLiteral(" ... (65536 bytes in all)"));
    stop(*worker);
}

TEST_F(SimulatedLineTest, AQuietLineCostsOneWaitThatDataOrTheStopEnds) {
    ReadScript script;
    script.install();
    auto worker = start(Instrument::GENERIC);
    feed("1\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int reads = script.reads;
    const int waits = script.waits;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(script.reads, reads) << "no reads while nothing arrives";
    EXPECT_EQ(script.waits, waits) << "no wake-ups while nothing arrives";
    feed("2\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 2; }));
    EXPECT_EQ(view_.records(), QStringList({"1", "2"}));
    stop(*worker);  // long before the sleep's hour is up
    EXPECT_TRUE(view_.events().last().contains("stopped", Qt::CaseInsensitive));
    EXPECT_TRUE(view_.importantEvents().isEmpty());
    SimSetCallHook(nullptr, nullptr);
}

TEST_F(SimulatedLineTest, ReadFailuresEndTheRunByWhatTheyAreAndHowLongTheyLast) {
    struct Case {
        const char* what;
        int failure;
        int failures;
        bool ends;
    } cases[] = {
        {"a single glitch is reported and survived", -3, 1, false},
        {"a vanished device ends the run at its first failure", -2, 1, true},
        {"a failure that lasts a second ends the run", -3, INT_MAX, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingView view;
        ReadScript script;
        script.failure = c.failure;
        script.failuresLeft = c.failures;
        script.install();
        const auto begun = std::chrono::steady_clock::now();
        auto worker = start(Instrument::GENERIC, view, [](Config& c) { c.reconnect = false; });
        if (c.ends) {
            ASSERT_TRUE(processEventsUntil([&] { return worker->isDone(); }));
            EXPECT_FALSE(view.connected());
        } else {
            feed("7\r");
            ASSERT_TRUE(processEventsUntil([&] { return view.lines().size() >= 1; }));
            EXPECT_EQ(view.records(), QStringList({"7"}));
            EXPECT_TRUE(view.connected());
            stop(*worker);
        }
        const QStringList important = view.importantEvents();
        const QString all = important.join('|');
        for (const QString& line : important)
            EXPECT_TRUE(line.contains("getByte failed")) << all.toStdString();
        if (c.failure == -2) {
            EXPECT_EQ(script.reads, 1) << "not retried";
            EXPECT_EQ(important.size(), 1) << all.toStdString();
            EXPECT_FALSE(important.value(0).startsWith("Error [WW]")) << all.toStdString();
        } else {
            // Reported once when it began, and once more when it ended the run.
            ASSERT_EQ(important.size(), c.ends ? 2 : 1) << all.toStdString();
            EXPECT_TRUE(important[0].startsWith("Error [WW]: ")) << all.toStdString();
        }
        if (c.failures == INT_MAX) {
            EXPECT_GE(std::chrono::steady_clock::now() - begun,
                      WeightWorker::kReadFailuresToGiveUp);
        }
        worker.reset();
        SimSetCallHook(nullptr, nullptr);
    }
}

namespace {

const QString kDisconnected = "instrument disconnected, waiting for it to return";

}  // namespace

TEST_F(SimulatedLineTest, AnUnpluggedDeviceIsAwaitedAndTheRunGoesOnWhenItReturns) {
    auto worker = start(Instrument::GENERIC);
    feed("1\r");
    feed(QByteArray(300, '4').constData());
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the 4s are read too
    SimSetGone("SIM7", 1);
    ASSERT_TRUE(
        processEventsUntil([&] { return view_.importantEvents().contains(kDisconnected); }));
    // Shown as every other unsent part is: its start and how much there was.
    EXPECT_TRUE(view_.importantEvents().contains(
        "Unsent data (no terminator received): " + QString(200, u'4') + " ... (300 bytes in all)"))
        << view_.importantEvents().join('|').toStdString();
    EXPECT_FALSE(SimIsOpen("SIM7"));  // the dead handle is given back
    EXPECT_TRUE(view_.connected());

    SimSetGone("SIM7", 0);
    SimNotifyDeviceChange();  // as udev announces the returning adapter
    ASSERT_TRUE(processEventsUntil([&] { return view_.events().contains("reconnected"); }));
    EXPECT_TRUE(SimIsOpen("SIM7"));
    EXPECT_EQ(SimOutputLines("SIM7"), 1);  // DTR on, RTS off, as at the first opening
    feed("2\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 2; }));
    EXPECT_EQ(view_.lines()[1].rawText(), "2\r");
    EXPECT_EQ(view_.lines()[1].getCount(), 2);
    EXPECT_EQ(view_.statuses(), QStringList({kDisconnected, "reconnected"}));
    stop(*worker);
}

TEST_F(SimulatedLineTest, StopWhileWaitingForTheDeviceEndsTheRunAtOnce) {
    auto worker = start(Instrument::GENERIC);
    SimSetGone("SIM7", 1);
    ASSERT_TRUE(
        processEventsUntil([&] { return view_.importantEvents().contains(kDisconnected); }));
    worker->cancel();
    // Well before the next try of the name.
    const auto halfInterval = std::chrono::milliseconds(WeightWorker::kReopenInterval) / 2;
    ASSERT_TRUE(processEventsUntil([&] { return worker->isDone(); },
                                   static_cast<int>(halfInterval.count())));
    EXPECT_FALSE(view_.connected());
    EXPECT_TRUE(view_.events().contains("Acquisition stopped."))
        << view_.events().join('|').toStdString();
}

TEST_F(SimulatedLineTest, AFailedRequestIsReportedAndTheRunGoesOn) {
    SimSetResult("SerPutData", 0);  // nothing goes out
    auto worker = start(Instrument::MITUTOYO, [](Config& c) { c.setRequestInterval("100"); });
    ASSERT_TRUE(processEventsUntil([&] { return view_.importantEvents().size() >= 2; }));
    for (const QString& line : view_.importantEvents())
        EXPECT_TRUE(line.startsWith("Could not send the request to the instrument: "))
            << line.toStdString();
    SimClearResults();
    unsigned char sent[16] = {};
    ASSERT_TRUE(processEventsUntil([&] { return SimTakeSent("SIM7", sent, 2) == 2; }));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(sent), 2), "1\r");
    feed("01A+001.2500\r");
    ASSERT_TRUE(processEventsUntil([&] { return view_.lines().size() >= 1; }));
    EXPECT_TRUE(view_.connected());
    stop(*worker);
}
