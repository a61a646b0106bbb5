// Starting and stopping an acquisition from the window, the look of a run,
// the failures of a start, and the view operations the worker calls.

#include "CsvReader.h"
#include "FrameFixture.h"
#include "PseudoTerminal.h"

#include "Serialio/FriendlyPortUtil.h"
#include "config/OutputOptions.h"
#include "platform/serial/sim/SimControl.h"
#include "worker/Keybot.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

#include <algorithm>
#include <atomic>
#include <string_view>
#include <thread>

namespace {

const QStringList allTabs{"Start/Stop", "Input",     "Processing", "Output",
                          "Settings",   "Event log", "About"};
const QStringList allPanels{"panel1",        "inputPanel",    "processingPanel", "outputPanel",
                            "settingsPanel", "eventLogPanel", "aboutPanel"};

// The reading log's single file in `folder` once it holds `rows` rows (it is
// written from a thread of its own), as "record|instrument|outcome" sorted
// by record; the header first.
QStringList auditOutcomes(const QString& folder, std::size_t rows) {
    std::vector<QStringList> read;
    processUntil([&] {
        const QStringList files = QDir(folder).entryList({"valtyp-*.csv"}, QDir::Files);
        if (files.size() != 1) return false;
        read = readCsvFile(QDir(folder).filePath(files[0]));
        return read.size() >= rows;
    });
    if (read.empty()) return {};
    std::sort(read.begin() + 1, read.end(), [](const QStringList& a, const QStringList& b) {
        return a.value(1).toInt() < b.value(1).toInt();
    });
    QStringList outcomes;
    for (const QStringList& row : read)
        outcomes << row.value(1) + u'|' + row.value(3) + u'|' + row.value(6);
    return outcomes;
}

}  // namespace

TEST_F(FrameTest, ARunShowsOnlyStartLogAndAboutAndStoppingPutsTheTabsBackInOrder) {
    PseudoTerminal line;
    open({line.portPath()});
    EXPECT_EQ(tabTitles(), allTabs);
    EXPECT_EQ(tabPanels(), allPanels);
    auto* button = child<QPushButton>("startStopJButton");
    auto* status = child<QLabel>("statusJLabel");
    EXPECT_EQ(button->text(), "Start");

    clickStartStop();
    ASSERT_TRUE(frame->isConnected());
    EXPECT_EQ(tabTitles(), (QStringList{"Start/Stop", "Event log", "About"}));
    EXPECT_EQ(button->text(), "Stop");
    EXPECT_EQ(status->text(),
              "Running: click into the application that should receive the values.");
    tabs()->setCurrentIndex(1);

    clickStartStop();
    ASSERT_TRUE(waitConnected(false));
    EXPECT_EQ(tabTitles(), allTabs);
    EXPECT_EQ(tabPanels(), allPanels);
    EXPECT_EQ(tabs()->currentWidget()->objectName(), "eventLogPanel")
        << "the tab shown stays shown";
    EXPECT_EQ(button->text(), "Start");
    EXPECT_EQ(status->text(), "Press Start to read the instrument.");
    const QString log = logText();
    EXPECT_TRUE(log.contains("Instrument: ")) << log.toStdString();
    EXPECT_TRUE(log.contains("Keyboard output started, keyboard type: ")) << log.toStdString();
    EXPECT_TRUE(log.contains("Keystrokes through a keyboard of the tests")) << log.toStdString();
    EXPECT_TRUE(log.contains("Acquisition stopped.")) << log.toStdString();
    EXPECT_EQ(*liveKeyboards, 0);
}

TEST_F(FrameTest, StopRightAfterStartLeavesTheWindowIdleAndReadyForTheNextStart) {
    PseudoTerminal line;
    open({line.portPath()});
    clickStartStop();
    clickStartStop();
    ASSERT_TRUE(waitConnected(false));
    EXPECT_EQ(tabTitles(), allTabs);
    EXPECT_EQ(*liveKeyboards, 0);
    clickStartStop();
    EXPECT_TRUE(frame->isConnected()) << dialogTexts().join('|').toStdString();
    clickStartStop();
    EXPECT_TRUE(waitConnected(false));
}

TEST_F(FrameTest, RecordsAreLoggedCountedAndTyped) {
    PseudoTerminal line;
    store("instrument", "KERN_MPS");
    store("inputTerminator", "10");
    open({line.portPath()});
    clickStartStop();
    ASSERT_TRUE(frame->isConnected());
    line.send("N      12.34 kg\r\n");
    line.send("N   no weight\r\n");
    auto* status = child<QLabel>("statusJLabel");
    ASSERT_TRUE(processUntil([&] { return status->text() == "Records received: 2"; }))
        << status->text().toStdString();
    const QStringList fragments = logFragments();
    EXPECT_TRUE(fragments.contains("ignored:N      ")) << fragments.join('|').toStdString();
    EXPECT_TRUE(fragments.contains("typed:12.34"));
    EXPECT_TRUE(fragments.contains("ignored: kg<13><10>\n"));
    EXPECT_TRUE(std::any_of(fragments.begin(), fragments.end(), [](const QString& f) {
        return f.startsWith("ignored:") && f.endsWith(" N   no weight<13><10>\n");
    })) << fragments.join('|').toStdString();
    ASSERT_TRUE(Keybot::waitUntilTyped(std::chrono::seconds(10)));
    int presses = 0;
    for (const auto& e : keyboard.events()) presses += e.kind == keys::KeyEvent::Kind::Press;
    EXPECT_EQ(presses, 5) << "1, 2, ., 3, 4 and no terminator";
    clickStartStop();
    EXPECT_TRUE(waitConnected(false));
}

TEST_F(FrameTest, OnlyTheSettledReadingOfASeriesIsTypedAndEveryRecordIsInTheReadingLog) {
    PseudoTerminal line;
    const QString audit = dir.filePath("audit");
    store("instrument", "AND_SIMPLE");
    store("inputTerminator", "10");
    store("stableOnly", "true");
    store("readingLog", audit);
    open({line.portPath()});
    clickStartStop();
    ASSERT_TRUE(frame->isConnected());
    line.send("US,+00111.911 g\r\nUS,+0012.339 g\r\nST,+00012.34  g\r\nOL,+9999999E+19\r\n");
    auto* status = child<QLabel>("statusJLabel");
    ASSERT_TRUE(processUntil([&] { return status->text() == "Records received: 4"; }))
        << status->text().toStdString();
    ASSERT_TRUE(Keybot::waitUntilTyped(std::chrono::seconds(10)));
    int presses = 0;
    for (const auto& e : keyboard.events()) presses += e.kind == keys::KeyEvent::Kind::Press;
    EXPECT_EQ(presses, 5) << "only 12.34: neither 111.911, 12.339 nor 9999999";
    const QStringList fragments = logFragments();
    EXPECT_TRUE(std::any_of(fragments.begin(), fragments.end(), [](const QString& f) {
        return f.startsWith("ignored:") && f.endsWith(" OL,+9999999E+19<13><10> (overload)\n");
    })) << fragments.join('|').toStdString();
    EXPECT_TRUE(std::any_of(fragments.begin(), fragments.end(), [](const QString& f) {
        return f.endsWith(" US,+00111.911 g<13><10> (unstable)\n");
    })) << fragments.join('|').toStdString();
    clickStartStop();
    ASSERT_TRUE(waitConnected(false));

    // Each line is written once its outcome is final: by record number.
    EXPECT_EQ(auditOutcomes(audit, 5),
              QStringList({"record|instrument|outcome", "1|AND_SIMPLE|ignored: unstable",
                           "2|AND_SIMPLE|ignored: unstable", "3|AND_SIMPLE|typed",
                           "4|AND_SIMPLE|ignored: overload"}));
}

TEST_F(FrameTest, StopDropsTheValuesNotYetTypedAndSaysWhichAlsoInTheReadingLog) {
    PseudoTerminal line;
    const QString audit = dir.filePath("audit");
    store("instrument", "KERN_MPS");
    store("inputTerminator", "10");
    store("delay", "1000");
    store("readingLog", audit);
    keyPausesWait = true;
    open({line.portPath()});
    clickStartStop();
    ASSERT_TRUE(frame->isConnected());
    line.send("N      12.34 kg\r\n");
    ASSERT_TRUE(processUntil([&] { return !keyboard.events().empty(); }));  // being typed
    line.send("N      12.35 kg\r\nN      12.36 kg\r\nN      12.37 kg\r\n");
    auto* status = child<QLabel>("statusJLabel");
    ASSERT_TRUE(processUntil([&] { return status->text() == "Records received: 4"; }));
    clickStartStop();
    ASSERT_TRUE(waitConnected(false));
    EXPECT_TRUE(logText().contains("3 values were not typed: 12.35, 12.36, 12.37"))
        << logText().toStdString();
    // The value being typed was finished; nothing waits for the next start.
    EXPECT_TRUE(Keybot::waitUntilTyped(std::chrono::milliseconds(0)));
    int presses = 0;
    for (const auto& e : keyboard.events()) presses += e.kind == keys::KeyEvent::Kind::Press;
    EXPECT_EQ(presses, 5);
    // The audit trail never says "typed" for a value that was not.
    EXPECT_EQ(auditOutcomes(audit, 5),
              QStringList({"record|instrument|outcome", "1|KERN_MPS|typed",
                           "2|KERN_MPS|dropped: stopped before it was typed",
                           "3|KERN_MPS|dropped: stopped before it was typed",
                           "4|KERN_MPS|dropped: stopped before it was typed"}));
}

TEST_F(FrameTest, ABalanceCheckFailingOnTheLineEndsTheStartLikeAnyFailedOpen) {
    useSimulatedPorts({"/dev/ttyUSB0"});
    store("instrument", "AND");
    open();
    // The check's own DTR call fails, after the open made its own.
    struct Fault {
        static void secondSetDTR(const char* operation, void* calls) {
            if (std::string_view(operation) == "SerSetDTR" && ++*static_cast<int*>(calls) == 2)
                SimSetResult("SerSetDTR", -1);
        }
    };
    int setDTRCalls = 0;
    SimSetCallHook(&Fault::secondSetDTR, &setDTRCalls);
    clickStartStop();
    SimSetCallHook(nullptr, nullptr);
    SimClearResults();
    ASSERT_EQ(dialogs.shown.size(), 1u) << dialogTexts().join('|').toStdString();
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_EQ(dialogs.shown[0].text, "The port could not be opened: setDTR failed");
    EXPECT_FALSE(frame->isConnected());
    EXPECT_EQ(tabTitles(), allTabs);
    EXPECT_EQ(child<QPushButton>("startStopJButton")->text(), "Start");
    EXPECT_EQ(*liveKeyboards, 0);
    EXPECT_FALSE(SimIsOpen("/dev/ttyUSB0"));
    // The button starts again.
    clickStartStop();
    EXPECT_TRUE(frame->isConnected());
    clickStartStop();
    EXPECT_TRUE(waitConnected(false));
}

TEST_F(FrameTest, KeyboardThatCannotStartIsReportedAndNothingRuns) {
    PseudoTerminal line;
    open({line.portPath()});
    keyboardFailure = "XOpenDisplay failed";
    clickStartStop();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_EQ(dialogs.shown[0].text, "Keyboard output could not be started: XOpenDisplay failed");
    EXPECT_FALSE(frame->isConnected());
    EXPECT_EQ(tabTitles(), allTabs);
}

TEST_F(FrameTest, SoundThatCannotStartIsReportedAndNothingRuns) {
    PseudoTerminal line;
    store("sound", "COWBELL");
    open({line.portPath()});
    soundFailure = "no synthesizer";
    clickStartStop();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Sound output error");
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("Sound output could not be started: "));
    EXPECT_TRUE(dialogs.shown[0].text.contains("no synthesizer"));
    EXPECT_FALSE(frame->isConnected());
    EXPECT_EQ(*liveKeyboards, 0);
    soundFailure.reset();
    clickStartStop();
    EXPECT_TRUE(frame->isConnected());
    EXPECT_EQ(soundOpens, 2);
}

TEST_F(FrameTest, PortThatCannotBeOpenedIsReportedAndNothingRuns) {
    open({"/dev/valtyp-no-such-port"});
    clickStartStop();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_TRUE(
        dialogs.shown[0].text.startsWith("The port could not be opened: /dev/valtyp-no-such-port"))
        << dialogs.shown[0].text.toStdString();
    EXPECT_FALSE(frame->isConnected());
    EXPECT_EQ(tabTitles(), allTabs);
    EXPECT_EQ(*liveKeyboards, 0);
}

TEST_F(FrameTest, StartWithoutAPortIsARefusedSetting) {
    useSimulatedPorts({});
    open();
    dialogs.shown.clear();
    clickStartStop();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_EQ(dialogs.shown[0].text,
              "A setting is not accepted: No serial port is chosen. Choose the port the instrument "
              "is connected to.");
    EXPECT_FALSE(frame->isConnected());
    EXPECT_EQ(*liveKeyboards, 0);
}

TEST_F(FrameTest, CapsLockIsWarnedAboutAndTheStartGoesOn) {
    PseudoTerminal line;
    open({line.portPath()});
    keyboard.setCapsLock(true);
    clickStartStop();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "warning");
    EXPECT_EQ(dialogs.shown[0].title, "Warning");
    EXPECT_TRUE(frame->isConnected());
}

TEST_F(FrameTest, ClosingWhileRunningSavesAndEndsWithStatusZero) {
    PseudoTerminal line;
    store("bitRate", "5");
    open({line.portPath()});
    child<QComboBox>("bitRateBox")->setCurrentIndex(9);  // 38400
    clickStartStop();
    ASSERT_TRUE(frame->isConnected());
    frame->close();
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_TRUE(frame->isConnected()) << "the process end stops the acquisition";
    EXPECT_EQ(saved("bitRate"), "9");
    EXPECT_EQ(saved("port"), line.portPath());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FrameTest, RefreshWithoutPortsSaysSoAndLeavesAnEmptyChooserWithoutEnding) {
    useSimulatedPorts({"/dev/ttyUSB0"});
    open();
    auto* ports = child<QComboBox>("portList");
    ASSERT_EQ(ports->count(), 1);
    ASSERT_TRUE(Serialio::FriendlyPortUtil::portInfoListIsPopulated());
    SimReset();
    child<QPushButton>("refreshPortsButton")->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "No serial (RS-232) port was found on this computer.");
    EXPECT_EQ(ports->count(), 0);
    EXPECT_TRUE(frame->getPortList().isEmpty());
    // The display names of the earlier listing went with it.
    EXPECT_TRUE(Serialio::FriendlyPortUtil::getFriendlyPortList().empty());
    EXPECT_FALSE(Serialio::FriendlyPortUtil::portInfoListIsPopulated());
    EXPECT_TRUE(exits.empty());
    SimAddPort("/dev/ttyACM0", "Maker", "Modem");
    child<QPushButton>("refreshPortsButton")->click();
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(ports->currentText(), "/dev/ttyACM0: Modem - Maker");
}

TEST_F(FrameTest, LogLinesFromAnotherThreadArriveInOrderInTheirStyles) {
    PseudoTerminal line;
    open({line.portPath()});
    child<QPlainTextEdit>("eventLog")->clear();
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            const QString text = QStringLiteral("line %1").arg(i);
            if (i % 2) {
                frame->logImportantEvent(text);
            } else {
                frame->logEvent(text);
            }
        }
    });
    worker.join();
    ASSERT_TRUE(processUntil([&] { return logText().contains("line 199"); }));
    const QStringList fragments = logFragments();
    ASSERT_EQ(fragments.size(), 200);
    for (int i = 0; i < 200; ++i) {
        const QString& f = fragments[i];
        EXPECT_TRUE(f.startsWith(i % 2 ? "important:" : "regular:")) << f.toStdString();
        EXPECT_TRUE(f.endsWith(QStringLiteral(" line %1\n").arg(i))) << f.toStdString();
        EXPECT_TRUE(QRegularExpression("^\\w+:\\d\\d:\\d\\d:\\d\\d ").match(f).hasMatch())
            << f.toStdString();
    }
}

TEST_F(FrameTest, RunningStateFromAnotherThreadWaitsUntilTheWindowShowsIt) {
    PseudoTerminal line;
    open({line.portPath()});
    std::atomic<bool> returned{false};
    std::atomic<bool> runningOnReturn{false};
    std::thread other([&] {
        frame->setConnectedInGUI(true);
        runningOnReturn = frame->isConnected();
        returned = true;
    });
    ASSERT_TRUE(processUntil([&] { return returned.load(); }));
    other.join();
    EXPECT_TRUE(runningOnReturn.load());
    EXPECT_EQ(tabs()->count(), 3);
    std::thread status([&] { frame->setText("checking"); });
    ASSERT_TRUE(processUntil([&] { return child<QLabel>("statusJLabel")->text() == "checking"; }));
    status.join();
    frame->setConnectedInGUI(false);
    EXPECT_EQ(tabTitles(), allTabs);
}

TEST_F(FrameTest, RequestNowAsksTheInstrumentOnceMoreWhileRunning) {
    PseudoTerminal line;
    store("instrument", "MITUTOYO");
    open({line.portPath()});
    auto* requestNow = child<QPushButton>("requestNowButton");
    EXPECT_FALSE(requestNow->isEnabled());
    clickStartStop();
    ASSERT_TRUE(frame->isConnected());
    EXPECT_TRUE(requestNow->isEnabled());
    auto* status = child<QLabel>("statusJLabel");
    for (int asked = 1; asked <= 2; ++asked) {
        QByteArray got;
        ASSERT_TRUE(processUntil([&] {
            got += line.receive(1);
            return got.size() >= 2;
        }));
        EXPECT_EQ(got, "1\r");
        line.send("01A+001.1920\r");
        const QString counted = "Records received: " + QString::number(asked);
        ASSERT_TRUE(processUntil([&] { return status->text() == counted; }))
            << status->text().toStdString();
        if (asked == 1) requestNow->click();
    }
    clickStartStop();
    ASSERT_TRUE(waitConnected(false));
    EXPECT_FALSE(requestNow->isEnabled());
}

TEST_F(FrameTest, TypingOnlyIntoAWindowIsRefusedAtStartWhereTheFocusCannotBeKnown) {
    PseudoTerminal line;
    store("typeOnlyInto", "Calc*");
    open({line.portPath()});
    clickStartStop();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_EQ(dialogs.shown[0].text,
              "\"Type only into\" is set, but cannot be honoured: this program has no way to know "
              "the focused window on this system");
    EXPECT_FALSE(frame->isConnected());
    EXPECT_EQ(tabTitles(), allTabs);
}

TEST_F(FrameTest, AKeystrokeBackendFailureStopsTheRunWithAnImportantLineAndStartWorksAgain) {
    PseudoTerminal line;
    store("instrument", "KERN_MPS");
    store("inputTerminator", "10");
    // What a lost X connection or a failing device write looks like to the engine.
    std::atomic<bool> broken = true;
    keyboard.setListener([&](const keys::KeyEvent& event) {
        if (broken && event.kind == keys::KeyEvent::Kind::Press)
            throw std::runtime_error("X connection to :99 broken");
    });
    open({line.portPath()});
    clickStartStop();
    ASSERT_TRUE(frame->isConnected());
    line.send("N      12.34 kg\r\n");
    ASSERT_TRUE(waitConnected(false)) << logText().toStdString();
    EXPECT_EQ(logFragments()
                  .filter(QRegularExpression("^important:\\d\\d:\\d\\d:\\d\\d Typing stopped, the "
                                             "keystrokes cannot reach the desktop: "
                                             "X connection to :99 broken\n$"))
                  .size(),
              1)
        << logFragments().join('|').toStdString();
    EXPECT_EQ(*liveKeyboards, 0);

    broken = false;
    keyboard.clear();
    clickStartStop();
    ASSERT_TRUE(frame->isConnected()) << dialogTexts().join('|').toStdString();
    line.send("N      12.35 kg\r\n");
    ASSERT_TRUE(processUntil([&] { return keyboard.events().size() >= 5; }));
    ASSERT_TRUE(Keybot::waitUntilTyped(std::chrono::seconds(10)));
    clickStartStop();
    EXPECT_TRUE(waitConnected(false));
}

TEST_F(FrameTest, AllLayoutsKeyDelayIsCorrectedBeforeTheStartAndSavedAndClosingShowsNothing) {
    using ConfigHelper::KeyboardType;
    PseudoTerminal line;
    store("instrument", "KERN_MPS");
    store("inputTerminator", "10");
    open({line.portPath()});
    auto* delay = child<QLineEdit>("delayTextField");
    auto* keyboardType = child<QComboBox>("keyboardTypeBox");
    delay->setText("1");
    // Chosen and started at once, before the window's event loop runs again.
    keyboardType->setCurrentIndex(Options<KeyboardType>::ordinal(KeyboardType::ALL));
    EXPECT_EQ(delay->text(), "3");
    clickStartStop();
    ASSERT_TRUE(frame->isConnected());
    line.send("N      12.34 kg\r\n");
    ASSERT_TRUE(processUntil([&] { return keyboard.events().size() >= 3; }));
    ASSERT_TRUE(Keybot::waitUntilTyped(std::chrono::seconds(10)));
    clickStartStop();
    ASSERT_TRUE(waitConnected(false));
    QList<int> pauses;
    for (const auto& e : keyboard.events()) {
        if (e.kind == keys::KeyEvent::Kind::Pause && !pauses.contains(e.value)) pauses << e.value;
    }
    EXPECT_EQ(pauses, QList<int>{3});

    // A short delay typed while all layouts are chosen, then closed: nothing shows.
    delay->setText("2");
    const std::size_t shownBefore = dialogs.shown.size();
    frame->close();
    processUntil([] { return false; }, 50);
    EXPECT_EQ(dialogs.shown.size(), shownBefore) << dialogTexts().join('|').toStdString();
    EXPECT_EQ(saved("delay"), "3");
    EXPECT_EQ(saved("keyboardType"), "ALL");
}

TEST_F(FrameTest, AnAutomaticStartLogsTheDivisionWarningInsteadOfOpeningItOrMovingTheFocus) {
    PseudoTerminal line;
    store("connect", "AUTO");
    store("minimizeToTray", "false");
    store("mathOperation", "DIVIDE");
    store("mathOperand", "1000");
    store("decimalPlaces", "");
    open({line.portPath()});
    processUntil([] { return false; }, 50);
    EXPECT_TRUE(frame->isConnected());
    EXPECT_TRUE(dialogs.shown.empty()) << dialogTexts().join('|').toStdString();
    EXPECT_EQ(tabs()->currentWidget()->objectName(), "panel1");
    const QStringList important = logFragments().filter(
        QRegularExpression("^important:\\d\\d:\\d\\d:\\d\\d A division needs a number"));
    EXPECT_EQ(important.size(), 1) << logFragments().join('|').toStdString();
    clickStartStop();
    EXPECT_TRUE(waitConnected(false));
}
