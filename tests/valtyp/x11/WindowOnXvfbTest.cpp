// The window on the real X server typing through XTest into another
// program's window, its log showing what was typed, and screenshots of its
// idle and running look and of every tab kept as test artefacts.

#include "FrameFixture.h"
#include "PseudoTerminal.h"
#include "TypingTarget.h"

#include "platform/keys/x11/X11KeyGenerator.h"
#include "worker/Keybot.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QTabWidget>

namespace {

class WindowOnXvfb : public FrameTest {
  protected:
    FrameServices services() override {
        FrameServices s = FrameTest::services();
        s.keyboard = [](auto) { return std::make_unique<keys::X11KeyGenerator>(); };
        return s;
    }

    // The window as it is drawn, into build/artifacts.
    void screenshot(const char* name) {
        ASSERT_TRUE(QDir().mkpath(QStringLiteral(VALTYP_ARTIFACTS)));
        QCoreApplication::processEvents();
        const QString file =
            QStringLiteral(VALTYP_ARTIFACTS "/%1.png").arg(QLatin1StringView(name));
        EXPECT_TRUE(frame->grab().save(file)) << file.toStdString();
    }
};

}  // namespace

TEST_F(WindowOnXvfb, TypesReceivedValuesIntoTheFocusedWindowAndLogsThemAsTyped) {
    TypingTarget target;
    PseudoTerminal line;
    store("instrument", "KERN_MPS");
    store("inputTerminator", "10");
    store("outputTerminator", "ENTER");
    store("delay", "2");
    open({line.portPath()});
    screenshot("valtyp-idle");
    ASSERT_FALSE(target.lostFocus()) << "the window took the keyboard focus";

    clickStartStop();
    ASSERT_TRUE(frame->isConnected()) << dialogTexts().join('|').toStdString();
    line.send("N      12.34 kg\r\n");
    line.send("N     -0,5 kg\r\n");
    line.send("N   OVERLOAD\r\n");
    line.send("N      7 kg\r\n");
    const QStringList expected = TypingTarget::characters("12.34")
                                 << TypingTarget::key("Return") << TypingTarget::characters("-0.5")
                                 << TypingTarget::key("Return") << TypingTarget::characters("7")
                                 << TypingTarget::key("Return");
    // The records reach the window through its event loop, which must run meanwhile.
    processUntil([&] { return target.waitFor(expected.size(), std::chrono::milliseconds(20)); },
                 30000);
    EXPECT_EQ(target.received(expected.size()), expected) << logText().toStdString();
    EXPECT_FALSE(target.lostFocus());

    ASSERT_TRUE(processUntil(
        [&] { return child<QLabel>("statusJLabel")->text() == "Records received: 4"; }));
    const QStringList fragments = logFragments();
    for (const char* typed : {"typed:12.34", "typed:-0,5", "typed:7"}) {
        EXPECT_TRUE(fragments.contains(typed))
            << typed << " in " << fragments.join('|').toStdString();
    }
    EXPECT_TRUE(std::any_of(fragments.begin(), fragments.end(), [](const QString& f) {
        return f.startsWith("ignored:") && f.contains("OVERLOAD");
    }));
    tabs()->setCurrentWidget(child<QWidget>("eventLogPanel"));
    screenshot("valtyp-running");

    clickStartStop();
    EXPECT_TRUE(waitConnected(false));
}

// Every tab at the window's default size, for checking the layout by eye;
// and nothing in a tab is squeezed below the size it needs.
TEST_F(WindowOnXvfb, EveryTabFitsTheDefaultWindowSize) {
    PseudoTerminal line;
    open({line.portPath()});
    for (int i = 0; i < tabs()->count(); ++i) {
        QWidget* page = tabs()->widget(i);
        tabs()->setCurrentIndex(i);
        QCoreApplication::processEvents();
        screenshot(("valtyp-tab-" + page->objectName().toStdString()).c_str());
        for (QWidget* w : page->findChildren<QWidget*>()) {
            // A chooser's own parts are its business; the chooser is checked.
            if (!w->isVisible() || w->minimumSizeHint().isEmpty() ||
                qobject_cast<QComboBox*>(w->parentWidget())) {
                continue;
            }
            const QRect shown = QRect(w->mapTo(page, QPoint()), w->size()) & page->rect();
            const std::string what = w->metaObject()->className() +
                                     (" " + w->objectName().toStdString()) + " in " +
                                     w->parentWidget()->metaObject()->className() + " " +
                                     w->parentWidget()->objectName().toStdString();
            EXPECT_GE(shown.width(), w->minimumSizeHint().width()) << what;
            EXPECT_GE(shown.height(), w->minimumSizeHint().height()) << what;
        }
    }
}
