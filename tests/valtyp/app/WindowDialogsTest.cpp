// The window's dialogs, port detection and settings export and import, on the
// window as the program builds it, with a settings file of its own.

#include "FrameFixture.h"
#include "SettingsExportFile.h"

#include "config/Instrument.h"
#include "platform/serial/sim/SimControl.h"
#include "valtyp/AutoPortDialog.h"
#include "valtyp/CustomRegExDialog.h"
#include "valtyp/IgnoreDialog.h"
#include "valtyp/InputTab.h"
#include "valtyp/Texts.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

using ConfigHelper::Instrument;
using Texts::text;

namespace {

template <class D>
void actWhenShown(std::function<void(D&)> act, int triesLeft) {
    if (auto* dialog = dynamic_cast<D*>(QApplication::activeModalWidget())) {
        act(*dialog);
    } else if (triesLeft > 0) {
        QTimer::singleShot(5, [act, triesLeft] { actWhenShown<D>(act, triesLeft - 1); });
    }
}

// Acts on the modal dialog of type D once the handler under test shows it.
// The action must end the dialog, or the handler never returns.
template <class D>
void onNextModal(std::function<void(D&)> act) {
    QTimer::singleShot(0, [act] { actWhenShown<D>(act, 2000); });
}

class WindowDialogsTest : public FrameTest {
  protected:
    InputTab* input() const { return dynamic_cast<InputTab*>(child<QWidget>("inputPanel")); }
    QString file(const char* name) const { return dir.filePath(QLatin1StringView(name)); }
    void click(const char* button) {
        QPushButton* b = child<QPushButton>(button);
        ASSERT_NE(b, nullptr) << button;
        ASSERT_TRUE(b->isEnabled()) << button;
        b->click();
    }
};

}  // namespace

TEST_F(WindowDialogsTest, IgnoreDialogStoresOnlyWhatOkAccepted) {
    store("ignoreTimeLimit", "100");
    store("ignoreDifference", "0.2");
    open({"/dev/null"});
    onNextModal<IgnoreDialog>([](IgnoreDialog& d) {
        d.ignoreTimeLimitTextField->setText("250");
        d.ignoreDifferenceTextField->setText("0,5");
        d.okButton->click();
    });
    click("adjustIgnoreButton");
    EXPECT_EQ(frame->currentConfig().getIgnoreTimeLimit(), "250");
    EXPECT_EQ(frame->currentConfig().getIgnoreDifference(), "0.5");

    // Refused, then cancelled; then the close box.
    onNextModal<IgnoreDialog>([](IgnoreDialog& d) {
        EXPECT_EQ(d.ignoreDifferenceTextField->text(), "0.5");
        d.ignoreTimeLimitTextField->setText("0");
        d.okButton->click();
        EXPECT_TRUE(d.isVisible());
        d.cancelButton->click();
    });
    click("adjustIgnoreButton");
    onNextModal<IgnoreDialog>([](IgnoreDialog& d) {
        d.ignoreTimeLimitTextField->setText("");
        static_cast<QWidget&>(d).close();
    });
    click("adjustIgnoreButton");
    EXPECT_EQ(frame->currentConfig().getIgnoreTimeLimit(), "250");
    EXPECT_EQ(frame->currentConfig().getIgnoreDifference(), "0.5");
    EXPECT_EQ(dialogTexts(), QStringList{text("ignore.error")});
}

TEST_F(WindowDialogsTest, CustomExpressionIsStoredOnlyWhenItDiffersFromWhatWasShown) {
    open({"/dev/null"});
    input()->instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(Instrument::AND_SIMPLE));
    const QString own = ConfigHelper::getPattern(Instrument::AND_SIMPLE);
    struct Step {
        const char* what;
        std::function<void(CustomRegExDialog&)> act;
        QString shownFirst;
        QString stored;
    };
    const auto typeAndOk = [](const QString& text) {
        return [text](CustomRegExDialog& d) {
            d.regExTextArea->setPlainText(text);
            d.okButton->click();
        };
    };
    const std::vector<Step> steps = {
        {"the instrument's own confirmed unchanged",
         [](CustomRegExDialog& d) { d.okButton->click(); }, own, ""},
        {"a custom one", typeAndOk(R"(N\s+([0-9.]+))"), own, R"(N\s+([0-9.]+))"},
        {"an invalid one keeps the dialog open",
         [](CustomRegExDialog& d) {
             d.regExTextArea->setPlainText("([0-9]+");
             d.okButton->click();
             EXPECT_TRUE(d.isVisible());
             d.cancelButton->click();
         },
         R"(N\s+([0-9.]+))", R"(N\s+([0-9.]+))"},
        {"cleared and confirmed", typeAndOk(""), R"(N\s+([0-9.]+))", ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        QString shown;
        onNextModal<CustomRegExDialog>([&](CustomRegExDialog& d) {
            shown = d.regExTextArea->toPlainText();
            step.act(d);
        });
        click("customizeButton");
        EXPECT_EQ(shown, step.shownFirst);
        EXPECT_EQ(frame->currentConfig().getCustomRegEx(), step.stored);
    }
    EXPECT_EQ(dialogTexts(), QStringList{text("invalid.expression")});
}

TEST_F(WindowDialogsTest, PortDetectionSelectsTheFoundPortInTheChooser) {
    useSimulatedPorts({"SIM1", "SIM2", "SIM3"});
    SimSetLines("SIM2", SIM_LINE_FOLLOWS_RTS, SIM_LINE_FOLLOWS_DTR, SIM_LINE_OFF, SIM_LINE_OFF);
    open();
    ASSERT_EQ(input()->portList->currentData().toString(), "SIM1");
    click("autoButton");
    auto* dialog = frame->findChild<AutoPortDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isModal());
    ASSERT_TRUE(processUntil([&] { return !dialog->isRunning(); }));
    EXPECT_EQ(input()->portList->currentData().toString(), "SIM2");
    EXPECT_EQ(input()->portList->currentText(), "SIM2: USB Serial Port - Maker");
    EXPECT_EQ(frame->currentConfig().getPort(), "SIM2");
    dialog->okButton->click();
    EXPECT_TRUE(processUntil([&] { return frame->findChild<AutoPortDialog*>() == nullptr; }));
}

TEST_F(WindowDialogsTest, ExportWritesWhatTheWindowShowsAndAsksBeforeOverwriting) {
    store("delay", "35");
    open({"/dev/null"});
    // Chosen but not saved yet: the export saves first.
    input()->instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(Instrument::SARTORIUS));
    dialogs.files = {file("Valtyp.xml")};
    click("exportSettingsButton");
    ASSERT_TRUE(dialogs.fileChoosers.value(0).endsWith("/Valtyp.xml"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "information");
    EXPECT_EQ(dialogs.shown[0].title, text("export.successful"));
    EXPECT_EQ(dialogs.shown[0].text, text("configuration.exported.to.file.n") + file("Valtyp.xml"));
    const QByteArray written = readBytes(file("Valtyp.xml"));
    EXPECT_TRUE(written.contains("<entry key=\"instrument\" value=\"SARTORIUS\"/>"));
    EXPECT_TRUE(written.contains("<entry key=\"delay\" value=\"35\"/>"));
    EXPECT_EQ(saved("instrument"), "SARTORIUS");

    // Declined: the file stays as it was.
    input()->instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(Instrument::AND_SIMPLE));
    dialogs.shown.clear();
    dialogs.files = {file("Valtyp.xml")};
    dialogs.answers = {false};
    click("exportSettingsButton");
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, "question");
    EXPECT_EQ(dialogs.shown[0].title, text("overwrite"));
    EXPECT_EQ(dialogs.shown[0].text, text("file.already.exists.overwrite"));
    EXPECT_EQ(dialogs.shown[1].kind, "error");
    EXPECT_EQ(dialogs.shown[1].title, text("error"));
    EXPECT_EQ(dialogs.shown[1].text, text("export.failed") + text("cancelled.by.user"));
    EXPECT_EQ(readBytes(file("Valtyp.xml")), written);

    // Accepted: replaced. No file chosen: nothing happens.
    dialogs.shown.clear();
    dialogs.files = {file("Valtyp.xml"), std::nullopt};
    dialogs.answers = {true};
    click("exportSettingsButton");
    EXPECT_TRUE(readBytes(file("Valtyp.xml")).contains("value=\"AND_SIMPLE\""));
    click("exportSettingsButton");
    EXPECT_EQ(dialogs.shown.size(), 2u);

    dialogs.shown.clear();
    dialogs.files = {file("missing/Valtyp.xml")};
    click("exportSettingsButton");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(
        dialogs.shown[0].text.startsWith(text("export.failed") + file("missing/Valtyp.xml")))
        << dialogs.shown[0].text.toStdString();
}

TEST_F(WindowDialogsTest, AcceptedImportEndsWithStatus4AndTheNextStartShowsIt) {
    store("delay", "20");
    store("instrument", "AND_SIMPLE");
    ASSERT_TRUE(writeBytes(file("in.xml"),
                           settingsExport("<entry key=\"delay\" value=\"77\"/>\n"
                                          "<entry key=\"instrument\" value=\"SARTORIUS\"/>\n")));
    open({"/dev/null"});
    // A change shown on the input tab, which leaving the tab would save.
    tabs()->setCurrentWidget(input());
    input()->instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(Instrument::PRECISA));
    dialogs.files = {file("in.xml")};
    dialogs.answers = {true};
    click("importSettingsButton");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "question");
    EXPECT_EQ(dialogs.shown[0].title, "Restart required");
    EXPECT_EQ(dialogs.shown[0].text, "Apply imported configuration and exit?");
    EXPECT_EQ(exits, std::vector<int>{4});
    // The window's settings stay unsaved, whatever else happens on the way out.
    EXPECT_EQ(frame->currentConfig().getDelay(), "20");
    tabs()->setCurrentWidget(child<QWidget>("eventLogPanel"));
    frame->close();
    frame.reset();
    EXPECT_EQ(exits, std::vector<int>{4});
    EXPECT_EQ(saved("delay"), "77");
    EXPECT_EQ(saved("instrument"), "SARTORIUS");

    open({"/dev/null"});
    EXPECT_EQ(frame->currentConfig().getDelay(), "77");
    EXPECT_EQ(frame->currentConfig().getInstrument(), Instrument::SARTORIUS);
    EXPECT_EQ(input()->instrumentBox->currentIndex(),
              Options<Instrument>::ordinal(Instrument::SARTORIUS));
}

TEST_F(WindowDialogsTest, CancelledImportIsOverwrittenByTheShownSettingsOnClose) {
    store("delay", "20");
    ASSERT_TRUE(
        writeBytes(file("in.xml"), settingsExport("<entry key=\"delay\" value=\"77\"/>\n")));
    open({"/dev/null"});
    dialogs.files = {file("in.xml")};
    dialogs.answers = {false};
    click("importSettingsButton");
    EXPECT_TRUE(exits.empty());
    EXPECT_EQ(saved("delay"), "77");
    EXPECT_EQ(frame->currentConfig().getDelay(), "20");
    frame->close();
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_EQ(saved("delay"), "20");
}

TEST_F(WindowDialogsTest, AFileThatIsNotAnExportIsRefusedAndTheStoreUnchanged) {
    store("delay", "20");
    ASSERT_TRUE(writeBytes(file("in.xml"), "<?xml version=\"1.0\"?>\n<settings/>\n"));
    open({"/dev/null"});
    const QByteArray before = readBytes(settingsFile);
    dialogs.files = {file("in.xml"), std::nullopt};
    click("importSettingsButton");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "error");
    EXPECT_EQ(dialogs.shown[0].title, text("error"));
    EXPECT_EQ(dialogs.shown[0].text,
              "Import failed\nNot a preferences export: the root element is <settings>, not "
              "<preferences> (line 2)");
    EXPECT_EQ(readBytes(settingsFile), before);
    // No file chosen: nothing at all.
    click("importSettingsButton");
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(exits.empty());
}
