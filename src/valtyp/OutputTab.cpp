#include "valtyp/OutputTab.h"

#include "valtyp/Dialogs.h"
#include "valtyp/FocusVeto.h"
#include "valtyp/TabForm.h"
#include "valtyp/Texts.h"
#include "valtyp/plus/DecimalSeparatorBox.h"
#include "worker/RecordProcessor.h"
#include "worker/TemplateFiller.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

using namespace ConfigHelper;
using namespace TabForm;
using Texts::text;

OutputTab::OutputTab(TextFieldUpdate::Context context, FocusVeto& veto, QWidget* parent)
    : QWidget(parent),
      config_(context.config),
      dialogs_(context.dialogs),
      isClosing_(context.isClosing) {
    buildControls();
    everyXValuesUpdate_ =
        std::make_unique<EveryXValuesTextFieldUpdate>(*everyXValuesTextField, context);
    veto.guard(*everyXValuesUpdate_);
    outputTemplateUpdate_ =
        std::make_unique<OutputTemplateTextFieldUpdate>(*outputTemplateTextField, context);
    veto.guard(*outputTemplateUpdate_);
    holdSecondsUpdate_ = std::make_unique<TypeOnlyIntoHoldSecondsTextFieldUpdate>(
        *typeOnlyIntoHoldSecondsTextField, context);
    veto.guard(*holdSecondsUpdate_);
    layOut();
    connectHandlers();
}

OutputTab::~OutputTab() = default;

void OutputTab::buildControls() {
    decimalSeparatorBox = named(new DecimalSeparatorBox(config_, this), "decimalSeparatorBox");
    startWithBox = optionBox<StartWith>("startWithBox", config_.getStartWith(), this);
    outputTerminatorBox =
        optionBox<OutputTerminator>("outputTerminatorBox", config_.getOutputTerminator(), this);
    outputTerminatorBox2 =
        optionBox<OutputTerminator>("outputTerminatorBox2", config_.getOutputTerminator2(), this);
    everyXValuesTextField =
        named(new QLineEdit(config_.getEveryXValues(), this), "everyXValuesTextField");
    keyboardTypeBox = optionBox<KeyboardType>("keyboardTypeBox", config_.getKeyboardType(), this);
    delayTextField = named(new QLineEdit(config_.getDelay(), this), "delayTextField");
    soundComboBox = optionBox<Sound>("soundComboBox", config_.getSound(), this);
    templateReplacesKeysLabel = new QLabel(frameText("templateReplacesKeysLabel", ".text"), this);
    templateReplacesKeysLabel->setObjectName(QStringLiteral("templateReplacesKeysLabel"));
    templateReplacesKeysLabel->setWordWrap(true);
    outputTemplateTextField =
        named(new QLineEdit(config_.getOutputTemplate(), this), "outputTemplateTextField");
    outputTemplatePreview = named(new QLabel(this), "outputTemplatePreview");
    outputTemplatePreview->setTextFormat(Qt::PlainText);
    outputTemplatePreview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    typeOnlyIntoTextField =
        named(new QLineEdit(config_.getTypeOnlyInto(), this), "typeOnlyIntoTextField");
    typeOnlyIntoHoldSecondsTextField =
        named(new QLineEdit(config_.getTypeOnlyIntoHoldSeconds(), this),
              "typeOnlyIntoHoldSecondsTextField");
}

void OutputTab::layOut() {
    auto* keys = group("keysGroup", this);
    auto* grid = formGrid(keys);
    addRow(*grid, "startWithLabel", startWithBox);
    addRow(*grid, "outputTerminatorLabel", outputTerminatorBox);
    addRow(*grid, "outputTerminator2Label", outputTerminatorBox2);
    addRow(*grid, "everyXValuesLabel", everyXValuesTextField);
    grid->addWidget(templateReplacesKeysLabel, grid->rowCount(), 0, 1, 2);

    auto* typing = group("typingGroup", this);
    grid = formGrid(typing);
    addRow(*grid, "decimalSeparatorLabel", decimalSeparatorBox);
    addRow(*grid, "keyboardTypeLabel", keyboardTypeBox);
    addRow(*grid, "delayLabel", delayTextField);
    addRow(*grid, "soundLabel", soundComboBox);

    auto* where = group("templateGroup", this);
    grid = formGrid(where);
    addRow(*grid, "outputTemplateLabel", outputTemplateTextField);
    addRow(*grid, "outputTemplatePreviewLabel", outputTemplatePreview);
    addRow(*grid, "typeOnlyIntoLabel", typeOnlyIntoTextField);
    addRow(*grid, "typeOnlyIntoHoldSecondsLabel", typeOnlyIntoHoldSecondsTextField);

    auto* page = new QGridLayout(this);
    page->addWidget(typing, 0, 0);
    page->addWidget(keys, 0, 1);
    page->addWidget(where, 1, 0, 1, 2);
    page->setRowStretch(2, 1);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);
    focusInOrder({decimalSeparatorBox, keyboardTypeBox, delayTextField, soundComboBox, startWithBox,
                  outputTerminatorBox, outputTerminatorBox2, everyXValuesTextField,
                  outputTemplateTextField, typeOnlyIntoTextField,
                  typeOnlyIntoHoldSecondsTextField});
}

void OutputTab::connectHandlers() {
    connect(decimalSeparatorBox, &QComboBox::currentIndexChanged, this,
            [this] { decimalSeparatorBoxItemStateChanged(); });
    connect(startWithBox, &QComboBox::currentIndexChanged, this,
            [this] { startWithBoxItemStateChanged(); });
    connect(outputTerminatorBox, &QComboBox::currentIndexChanged, this,
            [this] { outputTerminatorBoxItemStateChanged(); });
    connect(outputTerminatorBox2, &QComboBox::currentIndexChanged, this,
            [this] { outputTerminatorBox2ItemStateChanged(); });
    connect(keyboardTypeBox, &QComboBox::currentIndexChanged, this,
            [this] { keyboardTypeBoxItemStateChanged(); });
    connect(soundComboBox, &QComboBox::currentIndexChanged, this,
            [this] { soundComboBoxItemStateChanged(); });
    connect(delayTextField, &QLineEdit::textChanged, this, [this] { delayTextFieldCaretUpdate(); });
    connect(outputTemplateTextField, &QLineEdit::textChanged, this,
            [this] { outputTemplateTextFieldCaretUpdate(); });
    connect(typeOnlyIntoTextField, &QLineEdit::textChanged, this,
            [this] { typeOnlyIntoTextFieldCaretUpdate(); });
    // The preview of a plain value shows the start key and terminator too.
    for (QComboBox* box :
         {startWithBox, outputTerminatorBox, static_cast<QComboBox*>(decimalSeparatorBox)})
        connect(box, &QComboBox::currentIndexChanged, this,
                [this] { outputTemplatePreview->setText(previewText()); });
    outputTemplatePreview->setText(previewText());
}

void OutputTab::decimalSeparatorBoxItemStateChanged() {
    config_.setDecimalSeparator(decimalSeparatorBox->separator());
}

void OutputTab::startWithBoxItemStateChanged() {
    config_.setStartWith(selected<StartWith>(*startWithBox));
}

void OutputTab::outputTerminatorBoxItemStateChanged() {
    config_.setOutputTerminator(selected<OutputTerminator>(*outputTerminatorBox));
}

void OutputTab::outputTerminatorBox2ItemStateChanged() {
    config_.setOutputTerminator2(selected<OutputTerminator>(*outputTerminatorBox2));
}

void OutputTab::soundComboBoxItemStateChanged() {
    config_.setSound(selected<Sound>(*soundComboBox));
}

void OutputTab::setDelayLater(const QString& delay) {
    QTimer::singleShot(0, delayTextField,
                       [field = delayTextField, delay] { field->setText(delay); });
}

void OutputTab::keyboardTypeBoxItemStateChanged() {
    config_.setKeyboardType(selected<KeyboardType>(*keyboardTypeBox));
    // Typing for every layout at once uses Alt codes, which need time per key.
    if (config_.getKeyboardType() != KeyboardType::ALL ||
        config_.getDelayAsInt() >= kMinimumDelayForAllLayouts) {
        return;
    }
    keyboardTypeBox->hidePopup();
    // Corrected at once, not later: a start or a close under way takes and
    // saves the delay right after this.
    const QString minimum = QString::number(kMinimumDelayForAllLayouts);
    {
        const QSignalBlocker quiet(delayTextField);
        delayTextField->setText(minimum);
    }
    config_.setDelay(minimum);
    if (!isClosing_()) dialogs_.information(text("info"), text("info.delay.keyboard.all"));
}

void OutputTab::delayTextFieldCaretUpdate() {
    const QString delay = delayTextField->text();
    if (Delay::valid(delay)) {
        config_.setDelay(delay);
        return;
    }
    if (!isClosing_()) dialogs_.error(text("error"), text("error.intercharacter.delay"));
    setDelayLater(Delay::getDefault());
}

void OutputTab::outputTemplateTextFieldCaretUpdate() {
    // Stored once the field is left (the validator); the preview follows every key.
    outputTemplatePreview->setText(previewText());
}

void OutputTab::typeOnlyIntoTextFieldCaretUpdate() {
    config_.setTypeOnlyInto(typeOnlyIntoTextField->text().trimmed());
}

void OutputTab::showRecord(const DataLine& record) {
    if (!record.hasValue()) return;
    lastRecord_ = record;
    outputTemplatePreview->setText(previewText());
}

// The last record of a run, else the instrument's first sample, filled into
// the template as it stands in the field.
QString OutputTab::previewText() const {
    const QString typed = outputTemplateTextField->text();
    const QString problem = OutputTemplateTextFieldUpdate::explain(typed);
    if (!problem.isEmpty()) return problem;
    Config shown = config_.copyConfig();
    shown.setOutputTemplate(typed);
    std::optional<DataLine> record = lastRecord_;
    try {
        if (!record) {
            const Instrument instrument =
                shown.getInstrument().value_or(Options<Instrument>::getDefault());
            const auto samples = getTestStrings(instrument);
            if (samples.empty()) return {};
            RecordProcessor processor(shown);
            record.emplace(samples.front().first, processor.read(samples.front().first), 1,
                           DataLine::Instant::clock::now(), false);
        }
        const TypingJob job = TemplateFiller(shown).jobFor(*record);
        if (!job.sequence.empty() || job.text.isEmpty()) return job.shown();
        // A plain value between its start key and terminator.
        TypedSequence framed;
        if (const int start = getKeyCode(shown.getStartWith())) framed.push_back({{}, start});
        framed.push_back({job.text});
        if (const int end = getKeyCode(shown.getOutputTerminator())) framed.push_back({{}, end});
        return showTyped(framed);
    } catch (const std::exception&) {
        return text("output.template.preview.none");
    }
}

void OutputTab::updateConfig() {
    keyboardTypeBoxItemStateChanged();
    delayTextFieldCaretUpdate();
    decimalSeparatorBoxItemStateChanged();
    startWithBoxItemStateChanged();
    outputTerminatorBoxItemStateChanged();
    outputTerminatorBox2ItemStateChanged();
    everyXValuesUpdate_->update();
    outputTemplateUpdate_->update();
    typeOnlyIntoTextFieldCaretUpdate();
    holdSecondsUpdate_->update();
}
