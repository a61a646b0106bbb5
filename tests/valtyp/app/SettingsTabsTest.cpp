// The processing, output and settings tabs: the text-field validators and
// the focus they keep, the rules between settings, the controls that follow
// the instrument type, and every setting surviving a restart.

#include "FrameFixture.h"
#include "PseudoTerminal.h"

#include "valtyp/InputTab.h"
#include "valtyp/OutputTab.h"
#include "valtyp/ProcessingTab.h"
#include "valtyp/SettingsTab.h"
#include "valtyp/plus/DecimalSeparatorBox.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <functional>

using namespace ConfigHelper;

namespace {

using Getter = std::function<QString(const Config&)>;

const Getter operand = [](const Config& c) { return c.getMathOperand(); };
const Getter places = [](const Config& c) { return c.getDecimalPlaces(); };
const Getter everyX = [](const Config& c) { return c.getEveryXValues(); };
const Getter numCharacters = [](const Config& c) { return c.getEditNumCharacters(); };
const Getter removeCharacters = [](const Config& c) { return c.getRemoveCharacters(); };
const Getter dataCommand = [](const Config& c) { return c.getDataCommand(); };
const Getter requestInterval = [](const Config& c) { return c.getRequestInterval(); };
const Getter outputTemplate = [](const Config& c) { return c.getOutputTemplate(); };
const Getter holdSeconds = [](const Config& c) { return c.getTypeOnlyIntoHoldSeconds(); };

}  // namespace

class SettingsTabsTest : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        openWindow();
    }
    void openWindow() {
        open({line.portPath()});
        input = dynamic_cast<InputTab*>(child<QWidget>("inputPanel"));
        processing = dynamic_cast<ProcessingTab*>(child<QWidget>("processingPanel"));
        output = dynamic_cast<OutputTab*>(child<QWidget>("outputPanel"));
        settings = dynamic_cast<SettingsTab*>(child<QWidget>("settingsPanel"));
        ASSERT_TRUE(input && processing && output && settings);
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        dialogs.shown.clear();
    }
    QWidget* tabOf(const QWidget* control) const {
        for (int i = 0; i < tabs()->count(); ++i) {
            if (tabs()->widget(i)->isAncestorOf(control)) return tabs()->widget(i);
        }
        return nullptr;
    }
    void showTab(QWidget* panel) {
        tabs()->setCurrentWidget(panel);
        settle();
    }
    // The field on its tab, holding the text, with the keyboard focus.
    void focusWith(QLineEdit* field, const QString& text) {
        showTab(tabOf(field));
        field->setFocus(Qt::OtherFocusReason);
        field->setText(text);
        ASSERT_TRUE(processUntil([&] { return QApplication::focusWidget() == field; }));
    }
    static void settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
    const Config& config() const { return frame->currentConfig(); }
    QLineEdit* field(const char* name) const { return child<QLineEdit>(name); }
    QWidget* panel1() const { return child<QWidget>("panel1"); }

    PseudoTerminal line;
    InputTab* input = nullptr;
    ProcessingTab* processing = nullptr;
    OutputTab* output = nullptr;
    SettingsTab* settings = nullptr;
};

// Tab out of the field: an accepted text is stored and the focus moves on;
// a refused one raises its message, is cleared and keeps the focus, its tab
// selected.
TEST_F(SettingsTabsTest, ValidatorsStoreAcceptedTextsAndRefuseOthersWithTheirMessage) {
    const QString characterCode255 = QString(QChar(0xFF));
    const QString characterCode256 = QString(QChar(0x100));
    const struct {
        const char* field;
        QString typed;
        std::optional<QString> stored;  // none: refused
        const Getter& value;
        QString message;
    } cases[] = {
        {"mathOperandTextField",
         "0",
         {},
         operand,
         "The operand must be a number other than 0, for example 1000 or 0.5."},
        {"mathOperandTextField", "0.0", "0.0", operand, {}},
        {"mathOperandTextField", "0,0", "0.0", operand, {}},
        {"mathOperandTextField", "1,5", "1.5", operand, {}},
        {"mathOperandTextField", "1,5x", {}, operand, {}},
        {"mathOperandTextField", "", "", operand, {}},
        {"everyXValuesTextField", "2", "2", everyX, {}},
        {"everyXValuesTextField", "99", "99", everyX, {}},
        {"everyXValuesTextField",
         "1",
         {},
         everyX,
         "Every Xth value must be a whole number from 2 to 99."},
        {"everyXValuesTextField", "100", {}, everyX, {}},
        {"everyXValuesTextField", "x", {}, everyX, {}},
        {"editNumCharactersTextField", "1", "1", numCharacters, {}},
        {"editNumCharactersTextField", "99", "99", numCharacters, {}},
        {"editNumCharactersTextField",
         "0",
         {},
         numCharacters,
         "The number of characters must be a whole number from 1 to 99."},
        {"decimalTextField", "0", "0", places, {}},
        {"decimalTextField", "7", "7", places, {}},
        {"decimalTextField",
         "8",
         {},
         places,
         "The decimal places must be a whole number from 0 to 7."},
        {"removeCharactersTextField",
         "+-" + characterCode255,
         "+-" + characterCode255,
         removeCharacters,
         {}},
        {"removeCharactersTextField",
         "+" + characterCode256,
         {},
         removeCharacters,
         "Only characters with a code up to 255 can be removed."},
        {"dataCommandTextField", "\\x1BP\\r", "\\x1BP\\r", dataCommand, {}},
        {"dataCommandTextField", "SI\\r\\n", "SI\\r\\n", dataCommand, {}},
        {"dataCommandTextField", "1\\q", {}, dataCommand, {}},
        {"dataCommandTextField", "\\x1", {}, dataCommand, {}},
        {"requestIntervalTextField", "100", "100", requestInterval, {}},
        {"requestIntervalTextField", "0", "0", requestInterval, {}},
        {"requestIntervalTextField",
         "99",
         {},
         requestInterval,
         "The request interval must be empty, 0, or a whole number of milliseconds from 100 to "
         "3600000."},
        {"outputTemplateTextField",
         "{value}{TAB}{time:HH:mm}{ENTER}",
         "{value}{TAB}{time:HH:mm}{ENTER}",
         outputTemplate,
         {}},
        {"outputTemplateTextField",
         "{value}{TAB}{weight}",
         {},
         outputTemplate,
         "The output template has no field {weight} (position 13)."},
        {"outputTemplateTextField",
         "a}",
         {},
         outputTemplate,
         "The brace \"}\" at position 2 of the output template closes nothing. Write }} for a "
         "brace itself."},
        {"outputTemplateTextField",
         "{value",
         {},
         outputTemplate,
         "The brace \"{\" at position 1 of the output template is never closed. Write {{ for a "
         "brace itself."},
        {"outputTemplateTextField",
         "{count:000}",
         {},
         outputTemplate,
         "The field {count} at position 1 of the output template takes no form; only {date:...} "
         "and {time:...} do."},
        {"typeOnlyIntoHoldSecondsTextField", "30", "30", holdSeconds, {}},
        {"typeOnlyIntoHoldSecondsTextField",
         "3601",
         {},
         holdSeconds,
         "Please enter the seconds to hold a reading: a whole number from 0 to 3600, or nothing."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " \"" + c.typed.toStdString() + "\"");
        QLineEdit* edit = field(c.field);
        const QString before = c.value(config());
        dialogs.shown.clear();
        focusWith(edit, c.typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        settle();
        if (c.stored) {
            EXPECT_TRUE(dialogs.shown.empty()) << dialogTexts().join('|').toStdString();
            EXPECT_EQ(c.value(config()), *c.stored);
            EXPECT_NE(QApplication::focusWidget(), edit);
            continue;
        }
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].kind, "error");
        EXPECT_EQ(dialogs.shown[0].title, "Error");
        if (!c.message.isEmpty()) {
            EXPECT_EQ(dialogs.shown[0].text, c.message);
        }
        EXPECT_EQ(c.value(config()), before);
        EXPECT_TRUE(edit->text().isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), edit);
        EXPECT_EQ(tabs()->currentWidget(), tabOf(edit));
    }
}

// Every way of leaving a field asks its validator first: a refused text
// keeps the focus and the tab whichever way was tried, an accepted one lets
// it go.
TEST_F(SettingsTabsTest, FocusVetoHoldsForTabBacktabClicksAndTabSwitches) {
    QLineEdit* places = processing->decimalTextField;
    QTabBar* bar = tabs()->tabBar();
    const struct {
        const char* way;
        std::function<void()> leave;
        std::function<bool()> left;
    } ways[] = {
        {"Tab", [&] { QTest::keyClick(places, Qt::Key_Tab); },
         [&] { return QApplication::focusWidget() != places; }},
        {"Shift+Tab", [&] { QTest::keyClick(places, Qt::Key_Backtab, Qt::ShiftModifier); },
         [&] { return QApplication::focusWidget() != places; }},
        {"click into another control",
         [&] { QTest::mouseClick(processing->editNumCharactersTextField, Qt::LeftButton); },
         [&] { return QApplication::focusWidget() == processing->editNumCharactersTextField; }},
        {"click on another tab",
         [&] {
             QTest::mouseClick(bar, Qt::LeftButton, {},
                               bar->tabRect(tabs()->indexOf(output)).center());
         },
         [&] { return tabs()->currentWidget() == output; }},
        {"Ctrl+Tab", [&] { QTest::keyClick(places, Qt::Key_Tab, Qt::ControlModifier); },
         [&] { return tabs()->currentWidget() == output; }},
        {"tab switched by the program", [&] { tabs()->setCurrentWidget(output); },
         [&] { return tabs()->currentWidget() == output; }},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.way);
        dialogs.shown.clear();
        focusWith(places, "8");
        w.leave();
        settle();
        ASSERT_EQ(dialogTexts(),
                  QStringList{"The decimal places must be a whole number from 0 to 7."});
        EXPECT_EQ(QApplication::focusWidget(), places);
        EXPECT_EQ(tabs()->currentWidget(), processing);
        EXPECT_TRUE(places->text().isEmpty());

        focusWith(places, "3");
        w.leave();
        settle();
        EXPECT_TRUE(w.left());
        EXPECT_EQ(config().getDecimalPlaces(), "3");
        EXPECT_EQ(dialogs.shown.size(), 1u);
    }
}

TEST_F(SettingsTabsTest, DivisionWithoutDecimalPlacesWarnsOncePerRunWhenTheTabIsLeft) {
    const QString warning =
        "A division needs a number of decimal places for rounding. Please enter one, or turn "
        "the division off.";
    auto chooseDivisionAndLeave = [&] {
        showTab(processing);
        processing->mathOperandTextField->setText("4");
        processing->mathOperationBox->setCurrentIndex(
            Options<MathOperation>::ordinal(MathOperation::DIVIDE));
        showTab(panel1());
    };
    chooseDivisionAndLeave();
    EXPECT_EQ(dialogTexts(), QStringList{warning});
    EXPECT_EQ(tabs()->currentWidget(), processing);
    EXPECT_EQ(QApplication::focusWidget(), processing->decimalTextField);
    EXPECT_EQ(config().getMathOperation(), MathOperation::DIVIDE);

    processing->mathOperationBox->setCurrentIndex(0);
    chooseDivisionAndLeave();
    EXPECT_EQ(dialogTexts(), QStringList{warning}) << "once per run";
    EXPECT_EQ(tabs()->currentWidget(), panel1());
}

TEST_F(SettingsTabsTest, AnOperationNeedsAnOperandAndNoneClearsIt) {
    showTab(processing);
    processing->mathOperandTextField->setText("2.5");
    processing->mathOperationBox->setCurrentIndex(
        Options<MathOperation>::ordinal(MathOperation::MULTIPLY));
    showTab(output);
    EXPECT_EQ(config().getMathOperation(), MathOperation::MULTIPLY);
    EXPECT_EQ(config().getMathOperand(), "2.5");

    processing->mathOperationBox->setCurrentIndex(
        Options<MathOperation>::ordinal(MathOperation::NONE));
    EXPECT_TRUE(processing->mathOperandTextField->text().isEmpty());
    EXPECT_TRUE(config().getMathOperand().isEmpty());

    processing->mathOperationBox->setCurrentIndex(
        Options<MathOperation>::ordinal(MathOperation::MULTIPLY));
    showTab(processing);
    showTab(output);
    EXPECT_EQ(processing->mathOperationBox->currentIndex(), 0);
    EXPECT_EQ(config().getMathOperation(), MathOperation::NONE);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogTexts().join('|').toStdString();
}

// The key delay is taken on every change; typing for all layouts needs 3 ms.
TEST_F(SettingsTabsTest, KeyDelayRulesAndTheMinimumDelayOfAllLayouts) {
    const struct {
        KeyboardType type;
        QString delay;
        QString shown;  // the delay field after the posted corrections
        QStringList dialogs;
    } cases[] = {
        {KeyboardType::QUERTY, "1", "1", {}},
        {KeyboardType::QUERTY, "1000", "1000", {}},
        {KeyboardType::QUERTY, "", "", {}},
        {KeyboardType::QUERTY,
         "1001",
         "20",
         {"The key delay must be a whole number of milliseconds from 0 to 1000. It is set back "
          "to 20 ms."}},
        {KeyboardType::QUERTY,
         "fast",
         "20",
         {"The key delay must be a whole number of "
          "milliseconds from 0 to 1000. It is set back to "
          "20 ms."}},
        {KeyboardType::ALL,
         "1",
         "3",
         {"Typing for all keyboard layouts needs a key delay of at least 3 ms. The delay is set "
          "to 3 ms."}},
        {KeyboardType::ALL, "3", "3", {}},
    };
    showTab(output);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delay.toStdString());
        output->keyboardTypeBox->setCurrentIndex(0);
        dialogs.shown.clear();
        output->delayTextField->setText(c.delay);
        output->keyboardTypeBox->setCurrentIndex(Options<KeyboardType>::ordinal(c.type));
        settle();
        EXPECT_EQ(dialogTexts(), c.dialogs);
        EXPECT_EQ(output->delayTextField->text(), c.shown);
        EXPECT_EQ(config().getDelay(), c.shown);
        if (!c.dialogs.isEmpty()) {
            EXPECT_EQ(dialogs.shown[0].title,
                      c.type == KeyboardType::ALL ? "Information" : "Error");
        }
    }
}

TEST_F(SettingsTabsTest, ClosingWithRefusedTextsRaisesNoDialogAndKeepsTheStoredValues) {
    store("decimalPlaces", "2");
    frame.reset();
    openWindow();
    processing->mathOperandTextField->setText("0");
    processing->editNumCharactersTextField->setText("0");
    processing->removeCharactersTextField->setText(QString(QChar(0x100)));
    output->everyXValuesTextField->setText("1");
    focusWith(processing->decimalTextField, "8");
    frame->close();
    settle();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogTexts().join('|').toStdString();
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_EQ(saved("decimalPlaces"), "2");
    EXPECT_EQ(saved("mathOperand"), "");
    EXPECT_EQ(saved("everyXValues"), "");
}

TEST_F(SettingsTabsTest, TextInstrumentsSwitchTheNumericControlsOffKeepingTheirValues) {
    showTab(processing);
    processing->decimalTextField->setText("2");
    processing->mathOperandTextField->setText("10");
    processing->mathOperationBox->setCurrentIndex(
        Options<MathOperation>::ordinal(MathOperation::MULTIPLY));
    processing->roundingMethodBox->setCurrentIndex(
        Options<RoundingMethod>::ordinal(RoundingMethod::FLOOR));
    output->decimalSeparatorBox->setCurrentIndex(1);
    auto enabled = [&] {
        QList<bool> states;
        for (QWidget* w : {static_cast<QWidget*>(processing->mathOperationBox),
                           static_cast<QWidget*>(processing->mathOperandTextField),
                           static_cast<QWidget*>(processing->decimalTextField),
                           static_cast<QWidget*>(processing->roundingMethodBox),
                           static_cast<QWidget*>(output->decimalSeparatorBox)}) {
            states << w->isEnabled();
        }
        return states;
    };
    const QList<bool> on(5, true), off(5, false);
    EXPECT_EQ(enabled(), on);
    input->instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(Instrument::BARCODE_ALPHA));
    EXPECT_EQ(enabled(), off);
    showTab(input);
    showTab(panel1());  // saves
    EXPECT_EQ(saved("instrument"), "BARCODE_ALPHA");
    EXPECT_EQ(saved("decimalPlaces"), "2");
    EXPECT_EQ(saved("mathOperand"), "10");
    EXPECT_EQ(saved("mathOperation"), "MULTIPLY");
    EXPECT_EQ(saved("roundingMethod"), "FLOOR");
    EXPECT_EQ(saved("decimalSeparator"), "COMMA");

    input->instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(Instrument::OHAUS));
    EXPECT_EQ(enabled(), on);
    EXPECT_EQ(processing->decimalTextField->text(), "2");
    EXPECT_EQ(processing->mathOperationBox->currentIndex(),
              Options<MathOperation>::ordinal(MathOperation::MULTIPLY));

    frame->thisWindowClosed();
    frame.reset();
    store("instrument", "BARCODE");
    openWindow();
    EXPECT_EQ(enabled(), off) << "from the start";
}

TEST_F(SettingsTabsTest, LeavingProcessingOrOutputSavesAndAFailedSaveIsReported) {
    showTab(processing);
    processing->editPositionComboBox->setCurrentIndex(1);
    showTab(output);
    EXPECT_EQ(saved("editPosition"), "LAST");
    output->soundComboBox->setCurrentIndex(2);
    showTab(settings);
    EXPECT_EQ(saved("sound"), "COWBELL");
    settings->checkForUpdatesCheckBox->click();
    showTab(processing);
    EXPECT_EQ(saved("checkForUpdates"), "true") << "the settings tab does not save";
    EXPECT_TRUE(dialogs.shown.empty());

    // A folder where the settings file was: the store cannot write.
    ASSERT_TRUE(QFile::remove(settingsFile));
    ASSERT_TRUE(QDir().mkpath(settingsFile));
    processing->editOperationComboBox->setCurrentIndex(1);
    showTab(output);
    EXPECT_EQ(dialogTexts(), QStringList{"The settings could not be saved automatically."});
}

// Every setting of the four tabs changed through its control survives a
// restart on the same settings file.
TEST_F(SettingsTabsTest, EverySettingChangedInTheTabsIsShownAgainAfterARestart) {
    const std::pair<const char*, QString> texts[] = {
        {"mathOperandTextField", "2.5"},     {"decimalTextField", "3"},
        {"editNumCharactersTextField", "4"}, {"removeCharactersTextField", "+-"},
        {"everyXValuesTextField", "5"},      {"delayTextField", "25"},
    };
    // An operand is kept only with an operation.
    processing->mathOperationBox->setCurrentIndex(
        Options<MathOperation>::ordinal(MathOperation::MULTIPLY));
    for (const auto& [name, text] : texts) {
        focusWith(field(name), text);
        QTest::keyClick(field(name), Qt::Key_Tab);
    }
    input->instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(Instrument::OHAUS));
    input->inputTerminatorBox->lineEdit()->setText("200");
    input->inputTerminatorBoxItemStateChanged();
    auto pages = [&] { return QList<QWidget*>{input, processing, output, settings}; };
    for (QWidget* page : pages()) {
        for (QComboBox* box : page->findChildren<QComboBox*>()) {
            if (box == input->portList || box == input->instrumentBox ||
                box == input->inputTerminatorBox || box == processing->mathOperationBox) {
                continue;
            }
            box->setCurrentIndex((box->currentIndex() + 1) % box->count());
        }
        for (QCheckBox* check : page->findChildren<QCheckBox*>()) check->click();
    }
    settings->autoConnectButton->click();
    // What every control shows, by its name.
    auto shown = [&] {
        QStringList states;
        for (QWidget* page : pages()) {
            for (QWidget* w : page->findChildren<QWidget*>()) {
                QString state;
                if (auto* box = qobject_cast<QComboBox*>(w)) state = box->currentText();
                if (auto* edit = qobject_cast<QLineEdit*>(w); edit && !edit->objectName().isEmpty())
                    state = edit->text();
                if (auto* button = qobject_cast<QAbstractButton*>(w);
                    button && button->isCheckable())
                    state = button->isChecked() ? "on" : "off";
                if (!state.isNull()) states << w->objectName() + '=' + state;
            }
        }
        return states;
    };
    const QStringList changed = shown();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogTexts().join('|').toStdString();
    frame->close();
    frame.reset();
    openWindow();
    if (frame->isConnected()) {  // connects by itself now
        clickStartStop();
        ASSERT_TRUE(waitConnected(false));
    }
    EXPECT_EQ(shown(), changed);
    for (const char* state : {"mathOperationBox=Multiply", "mathOperandTextField=2.5",
                              "inputTerminatorBox=200", "autoConnectButton=on"}) {
        EXPECT_TRUE(changed.contains(state)) << state;
    }
}

// What assistive technology reads: each control is named by its label (or
// its own text), not by the value it shows; Tab walks each form from top to
// bottom, one form after the other.
TEST_F(SettingsTabsTest, ControlsAreNamedByTheirLabelsAndTabWalksEachFormTopToBottom) {
    QList<QWidget*> chain;  // the window's focus chain, once round
    for (QWidget* w = frame->nextInFocusChain(); w != frame.get(); w = w->nextInFocusChain()) {
        chain << w;
    }
    for (QWidget* page : QList<QWidget*>{input, processing, output, settings}) {
        SCOPED_TRACE(page->objectName().toStdString());
        showTab(page);
        QList<QWidget*> controls;
        for (QWidget* w : page->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w) ||
                                 qobject_cast<QLineEdit*>(w);
            if (control && !qobject_cast<QComboBox*>(w->parentWidget())) controls << w;
        }
        ASSERT_FALSE(controls.isEmpty());
        for (QWidget* w : controls) {
            SCOPED_TRACE(w->objectName().toStdString());
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(w);
            QString expected;
            if (auto* button = qobject_cast<QAbstractButton*>(w)) expected = button->text();
            // A label names its control through the relation too; on this
            // platform the only way a chooser is named.
            // (A group's title labels its controls as well.)
            for (const auto& [label, relation] : control->relations(QAccessible::Label)) {
                if (qobject_cast<QGroupBox*>(label->object())) continue;
                expected = label->text(QAccessible::Name);
                expected.chop(expected.endsWith(':'));
            }
            EXPECT_FALSE(expected.isEmpty()) << "no label";
            if (!qobject_cast<QComboBox*>(w)) {
                EXPECT_EQ(control->text(QAccessible::Name), expected);
            }
            EXPECT_EQ(w->accessibleName().isEmpty() ? expected : w->accessibleName(), expected);
        }
        // The controls in the order Tab reaches them, grouped by their form.
        QList<QWidget*> order;
        for (QWidget* w : chain) {
            if (controls.contains(w)) order << w;
        }
        ASSERT_EQ(order.size(), controls.size());
        auto form = [&](QWidget* w) {
            QWidget* f = w->parentWidget();
            while (f != page && !qobject_cast<QGroupBox*>(f)) f = f->parentWidget();
            return f;
        };
        QList<QWidget*> formsSeen;
        for (qsizetype i = 0; i < order.size(); ++i) {
            QWidget* f = form(order[i]);
            if (i == 0 || form(order[i - 1]) != f) {
                EXPECT_FALSE(formsSeen.contains(f)) << "a form is entered twice";
                formsSeen << f;
                continue;
            }
            const QRect a = QRect(order[i - 1]->mapTo(page, QPoint()), order[i - 1]->size());
            const QRect b = QRect(order[i]->mapTo(page, QPoint()), order[i]->size());
            const bool sameRow = std::abs(a.center().y() - b.center().y()) < a.height() / 2;
            EXPECT_TRUE(sameRow ? b.left() > a.right() : b.top() > a.center().y())
                << order[i - 1]->objectName().toStdString() << " before "
                << order[i]->objectName().toStdString();
        }
    }
}

// The reading log's folder comes from the folder chooser or is typed;
// cancelling the chooser keeps it, clearing the field turns the log off.
TEST_F(SettingsTabsTest, ReadingLogFolderAndStableOnlyReachTheSettings) {
    showTab(settings);
    dialogs.folder = dir.filePath("audit");
    settings->readingLogButton->click();
    EXPECT_EQ(settings->readingLogTextField->text(), dialogs.folder);
    EXPECT_EQ(config().getReadingLog(), dialogs.folder);
    ASSERT_EQ(dialogs.titles(), QStringList{"Folder of the reading log"});
    dialogs.folder.reset();
    settings->readingLogButton->click();
    EXPECT_EQ(config().getReadingLog(), dir.filePath("audit")) << "cancelled: unchanged";

    settings->readingLogTextField->setText(" /var/log/scale ");
    showTab(processing);
    processing->stableOnlyCheckBox->click();
    EXPECT_TRUE(config().stableOnly);
    showTab(output);  // leaving the processing tab synchronises and saves
    EXPECT_EQ(saved("readingLog"), "/var/log/scale");
    EXPECT_EQ(saved("stableOnly"), "true");
    settings->readingLogTextField->clear();
    showTab(processing);
    showTab(output);
    EXPECT_EQ(saved("readingLog"), "");
}

// The preview follows every key typed into the template, filled from the
// last record of a run; keys show as symbols.
TEST_F(SettingsTabsTest, TheTemplatePreviewShowsWhatTheSampleOrTheLastRecordWouldType) {
    QLabel* preview = child<QLabel>("outputTemplatePreview");
    EXPECT_EQ(preview->accessibleName(), "Preview");
    output->showRecord(DataLine("N 1.5 kg\r\n", "1.5", 42, DataLine::Instant(), false));
    focusWith(field("outputTemplateTextField"), "[{value}]{TAB}{F2}{ENTER}");
    EXPECT_EQ(preview->text(), "[1.5]⇥⟨F2⟩⏎");
    field("outputTemplateTextField")->setText("{value");
    EXPECT_EQ(preview->text(),
              "The brace \"{\" at position 1 of the output template is never closed. Write {{ for "
              "a brace itself.");
    field("outputTemplateTextField")->setText("{count}:{raw}");
    EXPECT_EQ(preview->text(), "42:N 1.5 kg<13><10>");
    // No template: the value between the start key and the terminator.
    field("outputTemplateTextField")->setText("");
    output->startWithBox->setCurrentIndex(Options<StartWith>::ordinal(StartWith::TAB));
    output->outputTerminatorBox->setCurrentIndex(
        Options<OutputTerminator>::ordinal(OutputTerminator::ENTER));
    EXPECT_EQ(preview->text(), "⇥1.5⏎");
}
