#pragma once
// The output tab: how a value is typed: decimal separator, the keys before
// and after it, the keyboard layout, the pause between keys and the signal
// sound. Each control writes into the live settings record as it changes.

#include "config/Config.h"
#include "valtyp/TextFieldUpdate.h"
#include "worker/DataLine.h"

#include <QWidget>

#include <memory>
#include <optional>

class DecimalSeparatorBox;
class FocusVeto;
class QComboBox;
class QLabel;
class QLineEdit;

class OutputTab : public QWidget {
  public:
    // `context` names this tab's selection for the validator's refusals.
    OutputTab(TextFieldUpdate::Context context, FocusVeto& veto, QWidget* parent = nullptr);
    ~OutputTab() override;

    // This tab's share of updateConfigFromTabs before the processing tab's:
    // keyboard type, key delay, separator, start key, terminators, every X
    // values. The sound comes later, with soundComboBoxItemStateChanged.
    void updateConfig();

    // The latest record of a run: the template's preview shows what it typed.
    void showRecord(const DataLine& record);
    // What the preview shows now, keys as symbols.
    QString previewText() const;

    // Handlers, named after their control.
    void decimalSeparatorBoxItemStateChanged();
    void outputTerminatorBoxItemStateChanged();
    void outputTerminatorBox2ItemStateChanged();
    void soundComboBoxItemStateChanged();
    void keyboardTypeBoxItemStateChanged();
    void startWithBoxItemStateChanged();
    void delayTextFieldCaretUpdate();
    void outputTemplateTextFieldCaretUpdate();
    void typeOnlyIntoTextFieldCaretUpdate();

    DecimalSeparatorBox* decimalSeparatorBox;
    QComboBox* outputTerminatorBox;
    QComboBox* outputTerminatorBox2;
    QComboBox* soundComboBox;
    QComboBox* keyboardTypeBox;
    QComboBox* startWithBox;
    QLineEdit* delayTextField;
    QLineEdit* everyXValuesTextField;
    QLabel* templateReplacesKeysLabel;  // next to the keys a template replaces
    QLineEdit* outputTemplateTextField;
    QLabel* outputTemplatePreview;
    QLineEdit* typeOnlyIntoTextField;
    QLineEdit* typeOnlyIntoHoldSecondsTextField;

    static constexpr int kMinimumDelayForAllLayouts = 3;

  private:
    void buildControls();
    void layOut();
    void connectHandlers();
    // Posted: the field changes after the event that asked for it.
    void setDelayLater(const QString& delay);

    Config& config_;
    Dialogs& dialogs_;
    std::function<bool()> isClosing_;
    std::unique_ptr<EveryXValuesTextFieldUpdate> everyXValuesUpdate_;
    std::unique_ptr<OutputTemplateTextFieldUpdate> outputTemplateUpdate_;
    std::unique_ptr<TypeOnlyIntoHoldSecondsTextFieldUpdate> holdSecondsUpdate_;
    std::optional<DataLine> lastRecord_;
};
