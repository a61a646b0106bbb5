// Automatic port detection over the simulated serial driver, whose ports can
// have nothing attached, a loop-back plug or a device driving the lines.

#include "QtApp.h"
#include "QtPrinters.h"
#include "SimulatedDriver.h"

#include "Serialio/SerialPortLocal.h"
#include "config/ResourceBundle.h"
#include "platform/serial/sim/SimControl.h"
#include "worker/AutoPortWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string_view>
#include <vector>

using namespace std::chrono_literals;

namespace {

class RecordingPortView : public AutoPortWorkerView {
  public:
    void setButtonToCancel() override { buttons << QStringLiteral("Cancel"); }
    void setButtonToClose() override { buttons << QStringLiteral("Close"); }
    void setPort(const QString& name) override { ports << name; }
    void update(const QString& text) override { lines << text; }

    QStringList buttons, ports, lines;
};

QString text(const char* key) {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.Valtyp"))
        .getString(QString::fromLatin1(key));
}
QString testingLine(const QString& port) {
    return text("testing.port.0").replace(QStringLiteral("{0}"), port);
}
QString confidence(int value) {
    return text("confidence") + u' ' + QString::number(value);
}

// What is attached to one simulated port.
enum class Far { Nothing, LoopBack, DeviceHoldingDsr, OnlyCtsFollowsRts, DsrOnCtsStill, InUse };

struct SimPortSetup {
    const char* name;
    Far far;
};

void attach(const SimPortSetup& p) {
    SimAddPort(p.name, "Valtyp", "simulated port");
    switch (p.far) {
        case Far::Nothing:
            break;
        case Far::LoopBack:
            SimSetLines(p.name, SIM_LINE_FOLLOWS_RTS, SIM_LINE_FOLLOWS_DTR, SIM_LINE_OFF,
                        SIM_LINE_OFF);
            break;
        case Far::DeviceHoldingDsr:
            SimSetLines(p.name, SIM_LINE_FOLLOWS_RTS, SIM_LINE_ON, SIM_LINE_OFF, SIM_LINE_OFF);
            break;
        case Far::OnlyCtsFollowsRts:
            SimSetLines(p.name, SIM_LINE_FOLLOWS_RTS, SIM_LINE_OFF, SIM_LINE_OFF, SIM_LINE_OFF);
            break;
        case Far::DsrOnCtsStill:
            SimSetLines(p.name, SIM_LINE_OFF, SIM_LINE_ON, SIM_LINE_OFF, SIM_LINE_OFF);
            break;
        case Far::InUse:
            SimSetInUse(p.name, 1);
            break;
    }
}

class AutoPortWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qtApp();
        sim_.emplace();
    }

    void runToEnd(AutoPortWorker& worker) {
        worker.execute();
        ASSERT_TRUE(processEventsUntil([&] { return worker.isDone(); }));
    }

    std::optional<SimulatedDriver> sim_;
    RecordingPortView view_;
};

}  // namespace

TEST_F(AutoPortWorkerTest, ScoresEachPortAndChoosesTheFirstBest) {
    const QString started = text("auto.port.detection.started");
    const QString none = text("could.not.auto.detect.port");
    struct Case {
        const char* what;
        std::vector<SimPortSetup> ports;
        QStringList lines;  // every line after the start line
        std::optional<QString> chosen;
    };
    const std::vector<Case> cases = {
        {"nothing attached scores 0 and is never chosen",
         {{"SIM1", Far::Nothing}},
         {testingLine("SIM1"), confidence(0), none},
         std::nullopt},
        {"a loop-back plug scores 2",
         {{"SIM1", Far::Nothing}, {"SIM2", Far::LoopBack}},
         {testingLine("SIM1"), confidence(0), testingLine("SIM2"), confidence(2),
          text("best.port") + " SIM2"},
         "SIM2"},
        {"a device holding DSR and raising CTS scores 3",
         {{"SIM1", Far::LoopBack}, {"SIM2", Far::DeviceHoldingDsr}},
         {testingLine("SIM1"), confidence(2), testingLine("SIM2"), confidence(3),
          text("best.port") + " SIM2"},
         "SIM2"},
        {"the same device on COM3 scores 1",
         {{"COM3", Far::DeviceHoldingDsr}, {"SIM2", Far::OnlyCtsFollowsRts}},
         {testingLine("COM3"), confidence(1), testingLine("SIM2"), confidence(1),
          text("best.port") + " COM3"},
         "COM3"},
        {"DSR held on without CTS scores 1",
         {{"SIM1", Far::DsrOnCtsStill}},
         {testingLine("SIM1"), confidence(1), text("best.port") + " SIM1"},
         "SIM1"},
        {"equal scores keep the earlier port",
         {{"SIM1", Far::Nothing}, {"SIM2", Far::LoopBack}, {"SIM3", Far::LoopBack}},
         {testingLine("SIM1"), confidence(0), testingLine("SIM2"), confidence(2),
          testingLine("SIM3"), confidence(2), text("best.port") + " SIM2"},
         "SIM2"},
        {"a port in use says why and the run goes on",
         {{"SIM1", Far::InUse}, {"SIM2", Far::LoopBack}},
         {testingLine("SIM1"), "SIM1: SerOpenPort failed: Port is in use", testingLine("SIM2"),
          confidence(2), text("best.port") + " SIM2"},
         "SIM2"},
        {"no candidates end at once", {}, {none}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimReset();
        Serialio::SerialPortLocal::reinitialize();
        QStringList names;
        for (const SimPortSetup& p : c.ports) {
            attach(p);
            names << QString::fromLatin1(p.name);
        }
        RecordingPortView view;
        AutoPortWorker worker(view, names, 1ms);
        runToEnd(worker);
        EXPECT_EQ(view.lines, QStringList{started} + c.lines);
        EXPECT_EQ(view.buttons, (QStringList{"Cancel", "Close"}));
        EXPECT_EQ(view.ports, c.chosen ? QStringList{*c.chosen} : QStringList{});
        // Every port was closed with its output lines off.
        for (const SimPortSetup& p : c.ports) {
            EXPECT_EQ(SimIsOpen(p.name), 0) << p.name;
            if (p.far != Far::InUse) {
                EXPECT_EQ(SimOutputLines(p.name), 0) << p.name;
            }
        }
    }
}

TEST_F(AutoPortWorkerTest, ALineOperationThatFailsIsReportedAndThePortClosed) {
    attach({"SIM1", Far::LoopBack});
    attach({"SIM2", Far::LoopBack});
    SimSetResult("SerSetRTS", -1);
    AutoPortWorker worker(view_, QStringList{"SIM1", "SIM2"}, 1ms);
    runToEnd(worker);
    const QString failure = view_.lines.value(2);
    EXPECT_TRUE(failure.startsWith("setRTS")) << failure.toStdString();
    EXPECT_EQ(view_.lines,
              (QStringList{text("auto.port.detection.started"), testingLine("SIM1"), failure,
                           testingLine("SIM2"), failure, text("could.not.auto.detect.port")}));
    EXPECT_EQ(SimIsOpen("SIM1"), 0);
    EXPECT_EQ(SimIsOpen("SIM2"), 0);
}

// The settle pauses are made far longer than any test waits, so the run can
// only end early if a pause gives way to the stop at once.
TEST_F(AutoPortWorkerTest, CancelInsideASettlePauseStopsAtOnceAndClosesThePort) {
    attach({"SIM1", Far::LoopBack});
    attach({"SIM2", Far::LoopBack});
    AutoPortWorker worker(view_, QStringList{"SIM1", "SIM2"}, 1h);
    worker.execute();
    ASSERT_TRUE(processEventsUntil([] { return SimIsOpen("SIM1") == 1; }));
    worker.cancel();
    ASSERT_TRUE(processEventsUntil([&] { return worker.isDone(); }, 5000));
    EXPECT_EQ(view_.lines.last(), text("stopped"));
    EXPECT_FALSE(view_.lines.contains(testingLine("SIM2")));
    EXPECT_EQ(view_.buttons, (QStringList{"Cancel", "Close"}));
    EXPECT_TRUE(view_.ports.isEmpty());
    EXPECT_EQ(SimIsOpen("SIM1"), 0);
}

TEST_F(AutoPortWorkerTest, DroppingARunningWorkerClosesThePortAndReportsNothingMore) {
    attach({"SIM1", Far::LoopBack});
    auto worker = std::make_unique<AutoPortWorker>(view_, QStringList{"SIM1"}, 1h);
    worker->execute();
    ASSERT_TRUE(processEventsUntil([] { return SimIsOpen("SIM1") == 1; }));
    worker.reset();
    EXPECT_EQ(SimIsOpen("SIM1"), 0);
    const QStringList seen = view_.lines;
    QCoreApplication::processEvents();
    EXPECT_EQ(view_.lines, seen);
    EXPECT_EQ(view_.buttons, QStringList{"Cancel"});
}

// A device must never be left seeing a ready terminal: whatever ends the test of a port
// after it raised a line, both lines are dropped before the port is closed.
TEST_F(AutoPortWorkerTest, EveryWayOutDropsDtrAndRtsBeforeClosing) {
    struct Case {
        const char* what;
        Far far;
        const char* failing;  // a driver call that fails; none: cancelled as DTR goes on
    };
    const Case cases[] = {
        // Nothing answers DTR, so the run waits with DTR on and RTS off.
        {"cancelled as DTR goes on", Far::Nothing, nullptr},
        // The loop-back plug gets both lines raised before CTS is read.
        {"reading CTS fails with both lines on", Far::LoopBack, "SerSigCTS"},
    };
    struct CancelOnRaise {
        AutoPortWorker* worker = nullptr;
        int dtrCalls = 0;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimReset();
        Serialio::SerialPortLocal::reinitialize();
        attach({"SIM1", c.far});
        RecordingPortView view;
        AutoPortWorker worker(view, QStringList{"SIM1"}, 1ms);
        CancelOnRaise cancel{&worker};
        if (c.failing) {
            SimSetResult(c.failing, -1);
        } else {
            // The second DTR call raises it; the stop is asked for from inside that call.
            SimSetCallHook(
                [](const char* operation, void* context) {
                    auto* state = static_cast<CancelOnRaise*>(context);
                    if (std::string_view(operation) == "SerSetDTR" && ++state->dtrCalls == 2)
                        state->worker->cancel();
                },
                &cancel);
        }
        runToEnd(worker);
        SimSetCallHook(nullptr, nullptr);
        SimClearResults();
        if (c.failing) {
            EXPECT_TRUE(view.lines.value(2).startsWith("sigCTS"))
                << view.lines.join(u'|').toStdString();
        } else {
            EXPECT_EQ(cancel.dtrCalls, 3);  // raised, then dropped on the way out
            EXPECT_EQ(view.lines.last(), text("stopped"));
        }
        EXPECT_EQ(SimIsOpen("SIM1"), 0);
        EXPECT_EQ(SimOutputLines("SIM1"), 0);
    }
}
