// "Set up from the instrument" on the real X server: an instrument on the
// simulated line sending 2400 7E1 to a port set to 9600 8N1. The dialog finds
// it, shows the ranked instruments and sets the input tab up; its look is kept
// as a test artefact.

#include "FrameFixture.h"

#include "platform/serial/sim/SimControl.h"
#include "valtyp/CustomRegExDialog.h"
#include "valtyp/IdentifyDialog.h"
#include "valtyp/InputTab.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <chrono>
#include <functional>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr const char* kPort = "SIM4";

class IdentifyDialogOnXvfb : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        useSimulatedPorts({kPort});
        store("port", kPort);
        open();
        frame->identifyTimings.listen = 300ms;
        frame->identifyTimings.quiet = 400ms;
        frame->identifyTimings.answer = 150ms;
        // An A&D balance at its factory settings, sending on its own.
        SimSetFarEnd(kPort, 2400, 7, 2, 1);
        sender_ = std::jthread([](std::stop_token stop) {
            const QByteArray records[] = {"ST,+00012.34  g\r\n", "US,+00012.36  g\r\n"};
            for (int n = 0; !stop.stop_requested(); ++n) {
                const QByteArray& r = records[n % 2];
                SimFeed(kPort, reinterpret_cast<const unsigned char*>(r.constData()),
                        static_cast<int>(r.size()), 0);
                std::this_thread::sleep_for(30ms);
            }
        });
    }
    void TearDown() override {
        sender_ = {};
        FrameTest::TearDown();
    }

    // Opens the dialog and waits until it has ranked the instruments.
    IdentifyDialog* identify() {
        child<QPushButton>("identifyButton")->click();
        auto* dialog = frame->findChild<IdentifyDialog*>();
        if (!dialog) return nullptr;
        if (!processUntil([&] { return dialog->useButton->isEnabled(); }, 30000)) return nullptr;
        return dialog;
    }

    std::jthread sender_;
};

}  // namespace

TEST_F(IdentifyDialogOnXvfb, FindsTheBalanceAndSetsTheInputTabUp) {
    IdentifyDialog* dialog = identify();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->settingsValueLabel->text(), "2400 7E1");
    EXPECT_TRUE(dialog->readablePane->toPlainText().contains("ST,+00012.34  g<13><10>"));
    EXPECT_TRUE(dialog->hexPane->toPlainText().contains("53 54 2C 2B"));  // "ST,+"
    ASSERT_GT(dialog->instrumentList->topLevelItemCount(), 0);
    // What it would type for the last record, whichever of the two that was.
    const QString value = dialog->instrumentList->topLevelItem(0)->text(1);
    EXPECT_TRUE(value == "12.34" || value == "12.36") << value.toStdString();
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(VALTYP_ARTIFACTS)));
    EXPECT_TRUE(dialog->grab().save(QStringLiteral(VALTYP_ARTIFACTS "/identify-dialog.png")));

    const QString top = dialog->instrumentList->topLevelItem(0)->text(0);
    dialog->useButton->click();
    ASSERT_TRUE(processUntil([&] { return frame->findChild<IdentifyDialog*>() == nullptr; }));
    EXPECT_EQ(child<QComboBox>("instrumentBox")->currentText(), top);
    EXPECT_EQ(child<QComboBox>("bitRateBox")->currentText(), "2400");
    EXPECT_EQ(child<QComboBox>("dataBitsBox")->currentText(), "7");
    EXPECT_EQ(child<QComboBox>("parityBox")->currentText(), "EVEN");
    EXPECT_TRUE(child<QComboBox>("inputTerminatorBox")->currentText().startsWith("10"))
        << child<QComboBox>("inputTerminatorBox")->currentText().toStdString();
    EXPECT_EQ(SimIsOpen(kPort), 0);
}

TEST_F(IdentifyDialogOnXvfb, WriteAnExpressionPreviewsTheRecordsReceived) {
    IdentifyDialog* dialog = identify();
    ASSERT_NE(dialog, nullptr);
    QString preview;
    // The expression dialog is modal: it is read from inside its own loop.
    std::function<void()> look = [&] {
        auto* regex = dynamic_cast<CustomRegExDialog*>(QApplication::activeModalWidget());
        if (!regex) {
            QTimer::singleShot(20, frame.get(), look);
            return;
        }
        preview = regex->previewPane->toPlainText();
        regex->cancelButtonActionPerformed();
    };
    QTimer::singleShot(0, frame.get(), [&] {
        dialog->expressionButton->click();
        look();
    });
    ASSERT_TRUE(processUntil([&] { return !preview.isEmpty(); }, 20000));
    EXPECT_TRUE(preview.contains("ST,+00012.34  g<13><10>")) << preview.toStdString();
    EXPECT_FALSE(preview.contains("ST, +00012.34 kg")) << "the samples instead of the records";
    EXPECT_EQ(child<QComboBox>("bitRateBox")->currentText(), "2400");
}
