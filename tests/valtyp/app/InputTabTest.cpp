// The input tab's controls and the automatic save when a tab is left.

#include "FrameFixture.h"
#include "PseudoTerminal.h"

#include "valtyp/InputTab.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

using ConfigHelper::Instrument;

class InputTabTest : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        open({line.portPath()});
        input = dynamic_cast<InputTab*>(child<QWidget>("inputPanel"));
        ASSERT_NE(input, nullptr);
    }
    void chooseInstrument(Instrument i) {
        input->instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(i));
    }
    void typeTerminator(const QString& text) {
        input->inputTerminatorBox->lineEdit()->setText(text);
        input->inputTerminatorBoxItemStateChanged();
    }
    void showTab(const char* panel) { tabs()->setCurrentWidget(child<QWidget>(panel)); }

    PseudoTerminal line;
    InputTab* input = nullptr;
};

TEST_F(InputTabTest, DefaultsButtonSelectsTheInstrumentsLineSettingsAndShowsItsHelp) {
    chooseInstrument(Instrument::SARTORIUS);
    input->defaultButton->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "information");
    EXPECT_EQ(dialogs.shown[0].title, "Info");
    EXPECT_FALSE(dialogs.shown[0].text.isEmpty());
    EXPECT_EQ(input->bitRateBox->currentText(), "1200");
    EXPECT_EQ(input->dataBitsBox->currentText(), "7");
    EXPECT_EQ(input->parityBox->currentText(), "ODD");
    EXPECT_EQ(input->stopBitsBox->currentText(), "1");
    EXPECT_EQ(input->inputTerminatorBox->currentText(), "10 <LF>");
    const Config& config = frame->currentConfig();
    EXPECT_EQ(config.getBitRate(), 4);
    EXPECT_EQ(config.getDataBits(), 2);
    EXPECT_EQ(config.getParity(), 1);
    EXPECT_EQ(config.getInputTerminator(), 10);

    dialogs.shown.clear();
    chooseInstrument(Instrument::KERN_DS);  // reads its line settings as Kern 572, and has no help
    input->defaultButton->click();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(input->bitRateBox->currentText(), "9600");
    EXPECT_EQ(input->parityBox->currentText(), "NONE");
}

TEST_F(InputTabTest, TypedTerminatorCodesAreTakenFrom0To255AndRefusedBeyond) {
    typeTerminator("200");
    EXPECT_EQ(frame->currentConfig().getInputTerminator(), 200);
    EXPECT_EQ(input->inputTerminatorBox->currentText(), "200");
    typeTerminator("4 <EOT>");
    EXPECT_EQ(frame->currentConfig().getInputTerminator(), 4);
    EXPECT_TRUE(dialogs.shown.empty());

    showTab("panel1");
    typeTerminator("256");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_EQ(dialogs.shown[0].text,
              "The input terminator must be a character code between 0 and 255.");
    EXPECT_EQ(frame->currentConfig().getInputTerminator(), 4);
    EXPECT_EQ(input->inputTerminatorBox->currentText(), "4 <EOT>");
    EXPECT_TRUE(processUntil([&] { return tabs()->currentWidget() == input; }));
}

TEST_F(InputTabTest, ChoosingAnotherInstrumentAsksBeforeDroppingACustomExpression) {
    frame.reset();
    store("customRegEx", "W(\\d+)");
    open({line.portPath()});
    input = dynamic_cast<InputTab*>(child<QWidget>("inputPanel"));
    dialogs.answers = {false, true};
    chooseInstrument(Instrument::OHAUS);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Confirm");
    EXPECT_EQ(dialogs.shown[0].text, "Overwrite custom regular expression?");
    EXPECT_EQ(frame->currentConfig().getCustomRegEx(), "W(\\d+)");
    EXPECT_EQ(frame->currentConfig().getInstrument(), Instrument::OHAUS);
    chooseInstrument(Instrument::PRECISA);
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_TRUE(frame->currentConfig().getCustomRegEx().isEmpty());
    chooseInstrument(Instrument::OHAUS);
    EXPECT_EQ(dialogs.shown.size(), 2u) << "nothing left to overwrite";
}

TEST_F(InputTabTest, LeavingInputOrAboutSavesChangesLeavingSettingsOrTheLogDoesNot) {
    showTab("inputPanel");
    input->bitRateBox->setCurrentIndex(11);  // 115200
    showTab("settingsPanel");
    EXPECT_EQ(saved("bitRate"), "11");

    child<QRadioButton>("autoConnectButton")->click();
    showTab("eventLogPanel");
    EXPECT_EQ(saved("connect"), "MANUAL");
    showTab("aboutPanel");
    EXPECT_EQ(saved("connect"), "MANUAL");
    showTab("panel1");
    EXPECT_EQ(saved("connect"), "AUTO");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(InputTabTest, MitutoyoDefaultsAskOnceASecondAndOtherDefaultsKeepTheInterval) {
    input->requestIntervalTextField->setText("250");
    input->updateConfig();
    chooseInstrument(Instrument::KERN_DS);
    input->defaultButton->click();
    EXPECT_EQ(input->requestIntervalTextField->text(), "250");
    EXPECT_EQ(frame->currentConfig().getRequestInterval(), "250");
    chooseInstrument(Instrument::MITUTOYO);
    input->defaultButton->click();
    EXPECT_EQ(input->requestIntervalTextField->text(), "1000");
    EXPECT_EQ(frame->currentConfig().getRequestInterval(), "1000");
}
