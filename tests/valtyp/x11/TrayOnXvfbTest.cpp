// Minimising to a real system tray: a freedesktop tray (trayer) docked on
// the X server, the window hiding to it and coming back on a double click.

#include "FrameFixture.h"
#include "PseudoTerminal.h"
#include "XPointer.h"

#include "valtyp/Texts.h"
#include "valtyp/TraySupport.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QSystemTrayIcon>

namespace {

// A tray panel at the bottom of the screen whose icon slots are the given
// number of pixels high.
class Tray {
  public:
    explicit Tray(int iconSize) {
        // trayer keeps one pixel of frame above and below its icons.
        process_.start(QStringLiteral("trayer"),
                       {"--edge", "bottom", "--height", QString::number(iconSize + 2),
                        "--widthtype", "request", "--SetDockType", "false"});
        started_ = process_.waitForStarted(5000) &&
                   processUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); });
    }
    ~Tray() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        processUntil([] { return !QSystemTrayIcon::isSystemTrayAvailable(); }, 5000);
    }
    bool started() const { return started_; }

  private:
    QProcess process_;
    bool started_ = false;
};

class TrayOnXvfb : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "a tray of someone else's";
    }

    QSystemTrayIcon* trayIcon() const { return child<QSystemTrayIcon>("trayIcon"); }
    bool inTray() const { return !frame->isVisible() && trayIcon() && trayIcon()->isVisible(); }
    bool restored() const {
        return frame->isVisible() && !frame->isMinimized() && !trayIcon()->isVisible();
    }
    static QString balloonText() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || qstrcmp(w->metaObject()->className(), "QBalloonTip") != 0)
                continue;
            for (QLabel* label : w->findChildren<QLabel*>()) {
                if (label->text() == Texts::text("minimized.to.system.tray")) return label->text();
            }
            return QStringLiteral("a balloon without the text");
        }
        return {};
    }
};

}  // namespace

TEST_F(TrayOnXvfb, TheTrayImageFollowsTheTraysIconSize) {
    for (const auto& [slot, image] : {std::pair{16, 16}, std::pair{22, 24}}) {
        Tray tray(slot);
        ASSERT_TRUE(tray.started()) << "trayer on the X server";
        store("minimizeToTray", "true");
        store("notifyWhenMinimizedToTray", "false");
        open();
        ASSERT_NE(trayIcon(), nullptr);
        EXPECT_EQ(trayIcon()->toolTip(), "Valtyp");
        EXPECT_FALSE(trayIcon()->isVisible()) << "in the tray only while minimised";
        frame->showMinimized();
        ASSERT_TRUE(processUntil([&] { return inTray(); })) << slot;
        EXPECT_TRUE(processUntil([&] {
            return trayIcon()->icon().availableSizes() == QList<QSize>{QSize(image, image)};
        })) << slot
            << " px tray";
        EXPECT_EQ(balloonText(), "") << "no balloon with notify off";
        frame.reset();
    }
}

TEST_F(TrayOnXvfb,
       MinimisingHidesToTheTrayWithABalloonASingleClickDoesNothingADoubleClickRestores) {
    Tray tray(22);
    ASSERT_TRUE(tray.started());
    store("minimizeToTray", "true");
    store("notifyWhenMinimizedToTray", "true");
    open();
    frame->showMinimized();
    ASSERT_TRUE(processUntil([&] { return inTray(); }));
    // The balloon comes once the tray has placed the icon.
    EXPECT_TRUE(processUntil([&] { return !balloonText().isEmpty(); }));
    EXPECT_EQ(balloonText(), Texts::text("minimized.to.system.tray"));
    const QPoint icon = trayIcon()->geometry().center();

    clickOnScreen(icon, 1);
    processUntil([] { return false; }, QApplication::doubleClickInterval() + 400);
    EXPECT_TRUE(inTray()) << "a single click leaves the window in the tray";

    clickOnScreen(icon, 2);
    EXPECT_TRUE(processUntil([&] { return restored(); }));

    frame->showMinimized();  // and again, as often as the user likes
    EXPECT_TRUE(processUntil([&] { return inTray(); }));
}

TEST_F(TrayOnXvfb, TheAcquisitionGoesOnWhileTheWindowIsInTheTray) {
    Tray tray(22);
    ASSERT_TRUE(tray.started());
    PseudoTerminal line;
    store("connect", "AUTO");
    store("minimizeToTray", "true");
    store("notifyWhenMinimizedToTray", "false");
    store("instrument", "KERN_MPS");
    store("inputTerminator", "10");
    open({line.portPath()});
    ASSERT_TRUE(frame->isConnected());
    ASSERT_TRUE(processUntil([&] { return inTray(); })) << "the automatic start minimises";
    line.send("N      12.34 kg\r\n");
    EXPECT_TRUE(processUntil(
        [&] { return child<QLabel>("statusJLabel")->text() == "Values received: 1"; }));
    EXPECT_TRUE(inTray());
    clickStartStop();
    EXPECT_TRUE(waitConnected(false));
}

TEST_F(TrayOnXvfb, ChoosingManualConnectTakesTheTraySupportAwayForTheRun) {
    Tray tray(22);
    ASSERT_TRUE(tray.started());
    store("minimizeToTray", "true");
    store("notifyWhenMinimizedToTray", "false");
    open();
    child<QRadioButton>("autoConnectButton")->click();
    frame->showMinimized();
    ASSERT_TRUE(processUntil([&] { return inTray(); })) << "automatic connect keeps it";
    frame->showNormal();
    ASSERT_TRUE(processUntil([&] { return frame->isVisible(); }));

    child<QRadioButton>("manualConnectButton")->click();
    EXPECT_EQ(trayIcon(), nullptr);
    child<QRadioButton>("autoConnectButton")->click();
    frame->showMinimized();
    processUntil([] { return false; }, 300);
    EXPECT_TRUE(frame->isVisible()) << "minimising works as usual again";
    EXPECT_TRUE(frame->isMinimized());
    EXPECT_EQ(trayIcon(), nullptr);
}

TEST_F(TrayOnXvfb, WithoutATrayMinimisingWorksAsUsual) {
    store("minimizeToTray", "true");
    open();
    EXPECT_EQ(trayIcon(), nullptr);
    frame->showMinimized();
    processUntil([] { return false; }, 300);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->isMinimized());
}

TEST(TraySupport, TheImageIsTheSmallestNotSmallerThanTheTraysIcon) {
    const std::pair<int, int> cases[] = {{1, 16},  {16, 16}, {17, 20}, {20, 20}, {21, 24},
                                         {22, 24}, {24, 24}, {25, 32}, {32, 32}, {48, 32}};
    for (const auto& [tray, image] : cases)
        EXPECT_EQ(TraySupport::imageSizeFor(tray), image) << tray;
}
