#include "valtyp/ProcessingTab.h"

#include "valtyp/FocusVeto.h"
#include "valtyp/TabForm.h"
#include "valtyp/plus/InstrumentTypeListener.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

using namespace ConfigHelper;
using namespace TabForm;

namespace {

QLineEdit* textField(const char* field, const QString& text, QWidget* parent) {
    return named(new QLineEdit(text, parent), field);
}

template <class V>
std::unique_ptr<V> guarded(QLineEdit* field, const TextFieldUpdate::Context& context,
                           FocusVeto& veto) {
    auto validator = std::make_unique<V>(*field, context);
    veto.guard(*validator);
    return validator;
}

}  // namespace

ProcessingTab::ProcessingTab(TextFieldUpdate::Context context, FocusVeto& veto, QWidget* parent)
    : QWidget(parent), config_(context.config) {
    buildControls();
    mathOperandUpdate_ = guarded<MathOperandTextFieldUpdate>(mathOperandTextField, context, veto);
    decimalUpdate_ = guarded<DecimalTextFieldUpdate>(decimalTextField, context, veto);
    editNumCharactersUpdate_ =
        guarded<EditNumCharactersTextFieldUpdate>(editNumCharactersTextField, context, veto);
    removeCharactersUpdate_ =
        guarded<RemoveCharactersTextFieldUpdate>(removeCharactersTextField, context, veto);
    layOut();
    connectHandlers();
}

ProcessingTab::~ProcessingTab() = default;

void ProcessingTab::buildControls() {
    mathOperationBox =
        optionBox<MathOperation>("mathOperationBox", config_.getMathOperation(), this);
    mathOperandTextField = textField("mathOperandTextField", config_.getMathOperand(), this);
    decimalTextField = textField("decimalTextField", config_.getDecimalPlaces(), this);
    roundingMethodBox =
        optionBox<RoundingMethod>("roundingMethodBox", config_.getRoundingMethod(), this);
    for (QWidget* numeric : std::initializer_list<QWidget*>{mathOperationBox, mathOperandTextField,
                                                            decimalTextField, roundingMethodBox}) {
        InstrumentTypeListener::listen(*numeric, config_);
    }
    editOperationComboBox =
        optionBox<EditOperation>("editOperationComboBox", config_.getEditOperation(), this);
    editPositionComboBox =
        optionBox<EditPosition>("editPositionComboBox", config_.getEditPosition(), this);
    editNumCharactersTextField =
        textField("editNumCharactersTextField", config_.getEditNumCharacters(), this);
    removeCharactersTextField =
        textField("removeCharactersTextField", config_.getRemoveCharacters(), this);
    ignoreDuplicatesCheckBox =
        named(new QCheckBox(frameText("ignoreDuplicatesCheckBox", ".text"), this),
              "ignoreDuplicatesCheckBox");
    ignoreDuplicatesCheckBox->setChecked(config_.ignoreDuplicates);
    adjustIgnoreButton = button("adjustIgnoreButton", this);
    stableOnlyCheckBox = checkBox("stableOnlyCheckBox", config_.stableOnly, this);
}

void ProcessingTab::layOut() {
    auto* arithmetic = group("arithmeticGroup", this);
    auto* grid = formGrid(arithmetic);
    QList<QLabel*> leftLabels{addRow(*grid, "mathOperationLabel", mathOperationBox),
                              addRow(*grid, "mathOperandLabel", mathOperandTextField)};

    auto* rounding = group("roundingGroup", this);
    grid = formGrid(rounding);
    leftLabels << addRow(*grid, "decimalLabel", decimalTextField)
               << addRow(*grid, "roundingMethodLabel", roundingMethodBox);
    // The two groups on the left line their controls up as one form.
    int labelWidth = 0;
    for (QLabel* label : leftLabels) labelWidth = std::max(labelWidth, label->sizeHint().width());
    for (QLabel* label : leftLabels) label->setMinimumWidth(labelWidth);

    auto* editing = group("editingGroup", this);
    grid = formGrid(editing);
    addRow(*grid, "editOperationLabel", editOperationComboBox);
    addRow(*grid, "editPositionLabel", editPositionComboBox);
    addRow(*grid, "editNumCharactersLabel", editNumCharactersTextField);
    addRow(*grid, "removeCharactersLabel", removeCharactersTextField);
    grid->setRowStretch(grid->rowCount(), 1);  // rows at the top, as on the left

    auto* duplicates = group("duplicatesGroup", this);
    grid = formGrid(duplicates);
    addRow(*grid, ignoreDuplicatesCheckBox, adjustIgnoreButton);
    addRow(*grid, stableOnlyCheckBox);

    auto* page = new QGridLayout(this);
    page->addWidget(arithmetic, 0, 0);
    page->addWidget(rounding, 1, 0);
    page->addWidget(editing, 0, 1, 2, 1);
    page->addWidget(duplicates, 2, 0, 1, 2);
    page->setRowStretch(3, 1);
    focusInOrder({mathOperationBox, mathOperandTextField, decimalTextField, roundingMethodBox,
                  editOperationComboBox, editPositionComboBox, editNumCharactersTextField,
                  removeCharactersTextField, ignoreDuplicatesCheckBox, adjustIgnoreButton,
                  stableOnlyCheckBox});
}

void ProcessingTab::connectHandlers() {
    connect(mathOperationBox, &QComboBox::currentIndexChanged, this,
            [this] { mathOperationBoxItemStateChanged(); });
    connect(roundingMethodBox, &QComboBox::currentIndexChanged, this,
            [this] { roundingMethodBoxItemStateChanged(); });
    connect(editOperationComboBox, &QComboBox::currentIndexChanged, this,
            [this] { editOperationComboBoxItemStateChanged(); });
    connect(editPositionComboBox, &QComboBox::currentIndexChanged, this,
            [this] { editPositionComboBoxItemStateChanged(); });
    connect(ignoreDuplicatesCheckBox, &QCheckBox::clicked, this,
            [this] { ignoreDuplicatesCheckBoxActionPerformed(); });
    connect(stableOnlyCheckBox, &QCheckBox::clicked, this,
            [this] { stableOnlyCheckBoxActionPerformed(); });
}

MathOperation ProcessingTab::selectedOperation() const {
    return selected<MathOperation>(*mathOperationBox);
}

void ProcessingTab::mathOperationBoxItemStateChanged() {
    config_.setMathOperation(selectedOperation());
    if (selectedOperation() != MathOperation::NONE) return;
    mathOperandTextField->clear();
    mathOperandUpdate_->update();
}

void ProcessingTab::roundingMethodBoxItemStateChanged() {
    config_.setRoundingMethod(selected<RoundingMethod>(*roundingMethodBox));
}

void ProcessingTab::editOperationComboBoxItemStateChanged() {
    config_.setEditOperation(selected<EditOperation>(*editOperationComboBox));
}

void ProcessingTab::editPositionComboBoxItemStateChanged() {
    config_.setEditPosition(selected<EditPosition>(*editPositionComboBox));
}

void ProcessingTab::ignoreDuplicatesCheckBoxActionPerformed() {
    config_.ignoreDuplicates = ignoreDuplicatesCheckBox->isChecked();
}

void ProcessingTab::stableOnlyCheckBoxActionPerformed() {
    config_.stableOnly = stableOnlyCheckBox->isChecked();
}

void ProcessingTab::updateRounding() {
    roundingMethodBoxItemStateChanged();
    decimalUpdate_->update();
}

void ProcessingTab::updateArithmetic() {
    mathOperationBoxItemStateChanged();
    mathOperandUpdate_->update();
}

void ProcessingTab::updateEditing() {
    editOperationComboBoxItemStateChanged();
    editPositionComboBoxItemStateChanged();
    editNumCharactersUpdate_->update();
    removeCharactersUpdate_->update();
    // An operation without an operand would do nothing: show it as none.
    if (selectedOperation() != MathOperation::NONE && mathOperandTextField->text().isEmpty()) {
        mathOperationBox->setCurrentIndex(Options<MathOperation>::ordinal(MathOperation::NONE));
    }
}
