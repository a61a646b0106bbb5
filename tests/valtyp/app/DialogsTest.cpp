// The ignore and custom-expression dialogs and the port detection window, on
// their own; their handlers in the window are tested with the window.

#include "FrameFixture.h"
#include "SimulatedDriver.h"

#include "Serialio/FriendlyPortUtil.h"
#include "Serialio/SerialPortLocal.h"
#include "config/Instrument.h"
#include "platform/serial/sim/SimControl.h"
#include "valtyp/AutoPortDialog.h"
#include "valtyp/CustomRegExDialog.h"
#include "valtyp/IgnoreDialog.h"
#include "valtyp/Texts.h"
#include "worker/DataLine.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace ConfigHelper;
using namespace std::chrono_literals;
using Texts::text;

namespace {

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override { widgetApp(); }
    ScriptedDialogs dialogs;
};

QString arrow(const QString& record, const QString& value) {
    return DataLine::transformControlChars(record) + QStringLiteral("  \u2192  ") + value;
}

}  // namespace

TEST_F(DialogTest, IgnoreDialogAcceptsOnlyPositiveLimits) {
    struct Case {
        const char* timeLimit;
        const char* difference;
        bool accepted;
        const char* storedDifference;  // when accepted
    };
    const Case cases[] = {
        {"250", "0,5", true, "0.5"},   {"", "", true, ""},         {"1", "12", true, "12"},
        {"0", "", false, nullptr},     {"-5", "", false, nullptr}, {"abc", "", false, nullptr},
        {"1.5", "", false, nullptr},   {"", "0", false, nullptr},  {"", "-0,1", false, nullptr},
        {"", "1,2,3", false, nullptr},
    };
    Config config;
    config.setIgnoreTimeLimit("100");
    config.setIgnoreDifference("0.2");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.timeLimit) + " / " + c.difference);
        dialogs.shown.clear();
        IgnoreDialog dialog(nullptr, config, dialogs);
        dialog.show();
        EXPECT_EQ(dialog.ignoreTimeLimitTextField->text(), "100");
        EXPECT_EQ(dialog.ignoreDifferenceTextField->text(), "0.2");
        dialog.ignoreTimeLimitTextField->setText(c.timeLimit);
        dialog.ignoreDifferenceTextField->setText(c.difference);
        dialog.okButton->click();
        EXPECT_EQ(dialog.isVisible(), !c.accepted);
        if (c.accepted) {
            EXPECT_TRUE(dialogs.shown.empty());
            EXPECT_EQ(dialog.getIgnoreTimeLimit(), c.timeLimit);
            EXPECT_EQ(dialog.getIgnoreDifference(), c.storedDifference);
        } else {
            ASSERT_EQ(dialogs.shown.size(), 1u);
            EXPECT_EQ(dialogs.shown[0].title, text("error"));
            EXPECT_EQ(dialogs.shown[0].text, text("ignore.error"));
            EXPECT_EQ(dialog.getIgnoreTimeLimit(), "100");
            EXPECT_EQ(dialog.getIgnoreDifference(), "0.2");
        }
    }
}

TEST_F(DialogTest, CancelAndTheCloseBoxKeepTheOpeningValues) {
    Config config;
    config.setIgnoreTimeLimit("100");
    config.setIgnoreDifference("0.2");
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "cancel");
        IgnoreDialog ignore(nullptr, config, dialogs);
        ignore.show();
        ignore.ignoreTimeLimitTextField->setText("7");
        ignore.ignoreDifferenceTextField->setText("3");
        CustomRegExDialog regEx(nullptr, "A([0-9]+)", Instrument::AND_SIMPLE, dialogs);
        regEx.show();
        regEx.regExTextArea->setPlainText("B([0-9]+)");
        if (closeBox) {
            static_cast<QWidget&>(ignore).close();
            static_cast<QWidget&>(regEx).close();
        } else {
            ignore.cancelButton->click();
            regEx.cancelButton->click();
        }
        EXPECT_FALSE(ignore.isVisible());
        EXPECT_EQ(ignore.result(), QDialog::Rejected);
        EXPECT_EQ(ignore.getIgnoreTimeLimit(), "100");
        EXPECT_EQ(ignore.getIgnoreDifference(), "0.2");
        EXPECT_FALSE(regEx.isVisible());
        EXPECT_EQ(regEx.result(), QDialog::Rejected);
        EXPECT_EQ(regEx.getRegEx(), "A([0-9]+)");
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DialogTest, CustomRegExDialogKeepsAnInvalidExpressionOpen) {
    struct Case {
        const char* expression;
        bool accepted;
    };
    const Case cases[] = {
        {R"(N\s+([0-9.]+))", true}, {"", true},          {"([0-9]+", false},
        {"[0-9]+", false},          {R"(\(x\))", false}, {"x)([0-9])", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        dialogs.shown.clear();
        CustomRegExDialog dialog(nullptr, "A([0-9]+)", Instrument::AND_SIMPLE, dialogs);
        dialog.show();
        dialog.regExTextArea->setPlainText(c.expression);
        dialog.okButton->click();
        EXPECT_EQ(dialog.isVisible(), !c.accepted);
        EXPECT_EQ(dialog.getRegEx(), c.accepted ? QString(c.expression) : "A([0-9]+)");
        if (!c.accepted) {
            ASSERT_EQ(dialogs.shown.size(), 1u);
            EXPECT_EQ(dialogs.shown[0].text, text("invalid.expression"));
            EXPECT_EQ(dialogs.shown[0].title, text("error"));
        } else {
            EXPECT_TRUE(dialogs.shown.empty());
        }
    }
}

TEST_F(DialogTest, ThePreviewShowsWhatTheExpressionFindsInEverySample) {
    const auto samples = getTestStrings(Instrument::AND_SIMPLE);
    ASSERT_GE(samples.size(), 4u);
    const QString noMatch = text("CustomRegExDialog.noMatch");
    CustomRegExDialog dialog(nullptr, getPattern(Instrument::AND_SIMPLE), Instrument::AND_SIMPLE,
                             dialogs);
    const auto preview = [&] { return dialog.previewPane->toPlainText().split(u'\n'); };

    // The instrument's own expression yields the catalogue's values.
    QStringList own;
    for (const auto& [record, value] : samples)
        own << arrow(record, value.isEmpty() ? noMatch : value);
    EXPECT_EQ(preview(), own);

    // An empty text means the instrument's expression, and says so.
    dialog.regExTextArea->setPlainText("");
    EXPECT_EQ(preview(), QStringList{text("CustomRegExDialog.instrumentExpression") +
                                     getPattern(Instrument::AND_SIMPLE)} +
                             own);

    // A custom one, live as it is typed.
    dialog.regExTextArea->setPlainText("([0-9]+) kg");
    QStringList custom;
    for (const auto& [record, value] : samples) {
        custom << arrow(record, record.startsWith("ST, +00012.34 kg")  ? "34"
                                : record.startsWith("ST, 12345,67 kg") ? "67"
                                                                       : noMatch);
    }
    EXPECT_EQ(preview(), custom);

    dialog.ownRecordTextField->setText("NET 1234 kg");
    EXPECT_EQ(dialog.ownRecordValueLabel->text(), QStringLiteral("\u2192  1234"));
    dialog.ownRecordTextField->setText("NET 1234 lb");
    EXPECT_EQ(dialog.ownRecordValueLabel->text(), QStringLiteral("\u2192  ") + noMatch);

    // Why nothing can be found.
    dialog.regExTextArea->setPlainText("([0-9]+");
    ASSERT_EQ(preview().size(), 1);
    EXPECT_TRUE(preview()[0].startsWith(text("CustomRegExDialog.doesNotCompile")));
    EXPECT_GT(preview()[0].size(), text("CustomRegExDialog.doesNotCompile").size());
    EXPECT_EQ(dialog.ownRecordValueLabel->text(), "");
    dialog.regExTextArea->setPlainText("[0-9]+");
    EXPECT_EQ(preview(), QStringList{text("CustomRegExDialog.noGroup")});
}

class AutoPortDialogTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        sim_.emplace();
        SimAddPort("SIM1", "Valtyp", "simulated port");
        SimAddPort("SIM2", "Maker", "loop-back plug");
        SimSetLines("SIM2", SIM_LINE_FOLLOWS_RTS, SIM_LINE_FOLLOWS_DTR, SIM_LINE_OFF, SIM_LINE_OFF);
    }

    std::optional<SimulatedDriver> sim_;
};

TEST_F(AutoPortDialogTest, TheButtonCancelsARunThenClosesTheWindow) {
    QStringList chosen;
    QPointer<AutoPortDialog> dialog = new AutoPortDialog(
        nullptr, {"SIM1", "SIM2"}, [&](const QString& p) { chosen << p; }, 1h);
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), "Auto-detect port");
    EXPECT_EQ(dialog->okButton->text(), "Cancel");
    ASSERT_TRUE(processUntil([] { return SimIsOpen("SIM1") == 1; }));
    dialog->okButton->click();
    EXPECT_EQ(dialog->okButton->text(), "Close");
    ASSERT_TRUE(processUntil([&] { return !dialog->isRunning(); }, 5000));
    EXPECT_EQ(dialog->textPane1->toPlainText().split(u'\n').last(), text("stopped"));
    EXPECT_EQ(SimIsOpen("SIM1"), 0);
    EXPECT_TRUE(chosen.isEmpty());
    dialog->okButton->click();
    EXPECT_TRUE(processUntil([&] { return dialog.isNull(); }));
}

TEST_F(AutoPortDialogTest, TheCloseBoxStopsARunningTestAndReleasesTheWindow) {
    QPointer<AutoPortDialog> dialog = new AutoPortDialog(nullptr, {"SIM1", "SIM2"}, {}, 1h);
    dialog->show();
    ASSERT_TRUE(processUntil([] { return SimIsOpen("SIM1") == 1; }));
    dialog->close();
    EXPECT_TRUE(processUntil([&] { return dialog.isNull(); }, 5000));
    EXPECT_EQ(SimIsOpen("SIM1"), 0);
}

TEST_F(AutoPortDialogTest, TheFoundPortIsSelectedByDisplayNameOrName) {
    QComboBox chooser;
    Serialio::SerialPortLocal::getPortList();
    Serialio::FriendlyPortUtil::update();
    for (const char* port : {"SIM1", "SIM2"}) {
        chooser.addItem(
            QString::fromStdString(Serialio::FriendlyPortUtil::getFriendlyPortName(port)),
            QString::fromLatin1(port));
    }
    QPointer<AutoPortDialog> dialog = new AutoPortDialog(
        nullptr, {"SIM1", "SIM2"},
        [&](const QString& p) { AutoPortDialog::selectPortIn(chooser, p); }, 1ms);
    dialog->show();
    ASSERT_TRUE(processUntil([&] { return !dialog->isRunning(); }));
    EXPECT_EQ(chooser.currentText(), "SIM2: loop-back plug - Maker");
    EXPECT_EQ(dialog->okButton->text(), "Close");
    EXPECT_EQ(dialog->textPane1->toPlainText().split(u'\n').last(), text("best.port") + " SIM2");

    // A chooser of plain names, as when the driver describes nothing.
    QComboBox plain;
    plain.addItems({"SIM1", "SIM2", "/dev/ttyS0"});
    EXPECT_TRUE(AutoPortDialog::selectPortIn(plain, "/dev/ttyS0"));
    EXPECT_EQ(plain.currentIndex(), 2);
    EXPECT_FALSE(AutoPortDialog::selectPortIn(plain, "SIM9"));
    EXPECT_EQ(plain.currentIndex(), 2);
    dialog->close();
}
