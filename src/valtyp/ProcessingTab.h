#pragma once
// The processing tab: arithmetic with a fixed operand, rounding, editing of
// the value and the duplicate filter. Each control writes into the live
// settings record as it changes; the four free-text fields are validated
// when the focus leaves them.

#include "config/Config.h"
#include "valtyp/TextFieldUpdate.h"

#include <QWidget>

#include <memory>

class FocusVeto;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class ProcessingTab : public QWidget {
  public:
    // `context` names this tab's selection for the validators' refusals.
    ProcessingTab(TextFieldUpdate::Context context, FocusVeto& veto, QWidget* parent = nullptr);
    ~ProcessingTab() override;

    // This tab's shares of updateConfigFromTabs, in its order: rounding and
    // decimal places; the math operation and its operand; then the editing
    // settings and the rule that an operation needs an operand.
    void updateRounding();
    void updateArithmetic();
    void updateEditing();

    // Handlers, named after their control.
    void mathOperationBoxItemStateChanged();
    void roundingMethodBoxItemStateChanged();
    void editOperationComboBoxItemStateChanged();
    void editPositionComboBoxItemStateChanged();
    void ignoreDuplicatesCheckBoxActionPerformed();
    void stableOnlyCheckBoxActionPerformed();

    QComboBox* mathOperationBox;
    QLineEdit* mathOperandTextField;
    QLineEdit* decimalTextField;
    QComboBox* roundingMethodBox;
    QComboBox* editOperationComboBox;
    QComboBox* editPositionComboBox;
    QLineEdit* editNumCharactersTextField;
    QLineEdit* removeCharactersTextField;
    QCheckBox* ignoreDuplicatesCheckBox;
    // Opens the dialog of the duplicate filter's limits (disabled until it exists).
    QPushButton* adjustIgnoreButton;
    // Types only readings the instrument reports as stable.
    QCheckBox* stableOnlyCheckBox;

  private:
    void buildControls();
    void layOut();
    void connectHandlers();
    ConfigHelper::MathOperation selectedOperation() const;

    Config& config_;
    std::unique_ptr<MathOperandTextFieldUpdate> mathOperandUpdate_;
    std::unique_ptr<DecimalTextFieldUpdate> decimalUpdate_;
    std::unique_ptr<EditNumCharactersTextFieldUpdate> editNumCharactersUpdate_;
    std::unique_ptr<RemoveCharactersTextFieldUpdate> removeCharactersUpdate_;
};
