#pragma once

#include <array>
#include <span>
#include <string_view>

// Every message key the program looks up, per bundle. The start-up check and
// the tests walk these lists, so a key used in code belongs here too.
namespace BundleKeys {

inline constexpr std::string_view valtypBundleName = "valtyp.Valtyp";
inline constexpr std::string_view configBundleName = "valtyp.config.ConfigBundle";
inline constexpr std::string_view workerBundleName = "valtyp.worker.WorkerBundle";

// Window, dialogs and most messages.
inline constexpr auto valtyp = std::to_array<std::string_view>({
    "VideriRaZivFrame2.panel1.tab.title",
    "VideriRaZivFrame2.inputPanel.tab.title",
    "VideriRaZivFrame2.processingPanel.tab.title",
    "VideriRaZivFrame2.outputPanel.tab.title",
    "VideriRaZivFrame2.settingsPanel.tab.title",
    "VideriRaZivFrame2.eventLogPanel.tab.title",
    "VideriRaZivFrame2.aboutPanel.tab.title",
    "VideriRaZivFrame2.startStopJButton.text",
    "VideriRaZivFrame2.startStopJButton.textStop",
    "VideriRaZivFrame2.startStopJButton.toolTipText",
    "VideriRaZivFrame2.statusJLabel.text",
    "switch.to.target.application",
    "line.count",
    "keyboard.output.started.type",
    "VideriRaZivFrame2.portLabel.text",
    "VideriRaZivFrame2.deviceLabel.text",
    "VideriRaZivFrame2.bitRateLabel.text",
    "VideriRaZivFrame2.dataBitsLabel.text",
    "VideriRaZivFrame2.stopBitsLabel.text",
    "VideriRaZivFrame2.parityLabel.text",
    "VideriRaZivFrame2.inputTerminatorLabel.text",
    "VideriRaZivFrame2.refreshPortsButton.text",
    "VideriRaZivFrame2.defaultButton.text",
    "VideriRaZivFrame2.portList.toolTipText",
    "VideriRaZivFrame2.instrumentBox.toolTipText",
    "VideriRaZivFrame2.bitRateBox.toolTipText",
    "VideriRaZivFrame2.dataBitsBox.toolTipText",
    "VideriRaZivFrame2.stopBitsBox.toolTipText",
    "VideriRaZivFrame2.parityBox.toolTipText",
    "VideriRaZivFrame2.inputTerminatorBox.toolTipText",
    "VideriRaZivFrame2.refreshPortsButton.toolTipText",
    "VideriRaZivFrame2.defaultButton.toolTipText",
    "VideriRaZivFrame2.connectLabel.text",
    "VideriRaZivFrame2.manualConnectButton.text",
    "VideriRaZivFrame2.autoConnectButton.text",
    "VideriRaZivFrame2.autoConnectButton.toolTipText",
    "error",
    "warning",
    "fatal.error",
    "sound.output.error",
    "no.rs.232.port.found.on.your.system.program.will.now.exit",
    "error.listing.available.ports",
    "library.jspwin.not.found.or.not.matching.your.system",
    "program.will.now.exit",
    "error.while.loading.settings",
    "invalid.settings.replaced.by.defaults",
    "access.error.while.loading.settings",
    "access.error.while.saving.settings",
    "previously.used.port.0.no.longer.available.naborting.auto.start",
    "autosave.error",
    "please.turn.off.caps.lock",
    "error.initializing.keyboard.output",
    "error.while.initializing.sound.output",
    "error.opening.port",
    "invalid.setting",
    "internal.error",
    "terminator.must.be.between.0.and.255",
    "no.default.values.available.for.this.device",
    // settings tabs
    "VideriRaZivFrame2.autoButton.text",
    "VideriRaZivFrame2.autoButton.toolTipText",
    "VideriRaZivFrame2.customizeButton.text",
    "VideriRaZivFrame2.customizeButton.toolTipText",
    "VideriRaZivFrame2.arithmeticGroup.text",
    "VideriRaZivFrame2.roundingGroup.text",
    "VideriRaZivFrame2.editingGroup.text",
    "VideriRaZivFrame2.duplicatesGroup.text",
    "VideriRaZivFrame2.typingGroup.text",
    "VideriRaZivFrame2.keysGroup.text",
    "VideriRaZivFrame2.mathOperationLabel.text",
    "VideriRaZivFrame2.mathOperationBox.toolTipText",
    "VideriRaZivFrame2.mathOperandLabel.text",
    "VideriRaZivFrame2.mathOperandTextField.toolTipText",
    "VideriRaZivFrame2.decimalLabel.text",
    "VideriRaZivFrame2.decimalTextField.toolTipText",
    "VideriRaZivFrame2.roundingMethodLabel.text",
    "VideriRaZivFrame2.roundingMethodBox.toolTipText",
    "VideriRaZivFrame2.editOperationLabel.text",
    "VideriRaZivFrame2.editOperationComboBox.toolTipText",
    "VideriRaZivFrame2.editPositionLabel.text",
    "VideriRaZivFrame2.editPositionComboBox.toolTipText",
    "VideriRaZivFrame2.editNumCharactersLabel.text",
    "VideriRaZivFrame2.editNumCharactersTextField.toolTipText",
    "VideriRaZivFrame2.removeCharactersLabel.text",
    "VideriRaZivFrame2.removeCharactersTextField.toolTipText",
    "VideriRaZivFrame2.ignoreDuplicatesCheckBox.text",
    "VideriRaZivFrame2.ignoreDuplicatesCheckBox.toolTipText",
    "VideriRaZivFrame2.adjustIgnoreButton.text",
    "VideriRaZivFrame2.adjustIgnoreButton.toolTipText",
    "VideriRaZivFrame2.decimalSeparatorLabel.text",
    "VideriRaZivFrame2.decimalSeparatorBox.toolTipText",
    "VideriRaZivFrame2.startWithLabel.text",
    "VideriRaZivFrame2.startWithBox.toolTipText",
    "VideriRaZivFrame2.outputTerminatorLabel.text",
    "VideriRaZivFrame2.outputTerminatorBox.toolTipText",
    "VideriRaZivFrame2.outputTerminator2Label.text",
    "VideriRaZivFrame2.outputTerminatorBox2.toolTipText",
    "VideriRaZivFrame2.everyXValuesLabel.text",
    "VideriRaZivFrame2.everyXValuesTextField.toolTipText",
    "VideriRaZivFrame2.keyboardTypeLabel.text",
    "VideriRaZivFrame2.keyboardTypeBox.toolTipText",
    "VideriRaZivFrame2.delayLabel.text",
    "VideriRaZivFrame2.delayTextField.toolTipText",
    "VideriRaZivFrame2.soundLabel.text",
    "VideriRaZivFrame2.soundComboBox.toolTipText",
    "VideriRaZivFrame2.manualConnectButton.toolTipText",
    "VideriRaZivFrame2.abortAutoStartCheckBox.text",
    "VideriRaZivFrame2.abortAutoStartCheckBox.toolTipText",
    "VideriRaZivFrame2.trayLabel.text",
    "VideriRaZivFrame2.minimizeToTrayCheckBox.text",
    "VideriRaZivFrame2.minimizeToTrayCheckBox.toolTipText",
    "VideriRaZivFrame2.notifyWhenMinimizedToTrayCheckBox.text",
    "VideriRaZivFrame2.notifyWhenMinimizedToTrayCheckBox.toolTipText",
    "VideriRaZivFrame2.checkForUpdatesCheckBox.text",
    "VideriRaZivFrame2.checkForUpdatesCheckBox.toolTipText",
    "VideriRaZivFrame2.settingsFileLabel.text",
    "VideriRaZivFrame2.exportSettingsButton.text",
    "VideriRaZivFrame2.exportSettingsButton.toolTipText",
    "VideriRaZivFrame2.importSettingsButton.text",
    "VideriRaZivFrame2.importSettingsButton.toolTipText",
    "info",
    "info.delay.keyboard.all",
    "error.intercharacter.delay",
    "error.edit.removeCharacters",
    "error.math.operand",
    "error.edit.everyXValues",
    "error.edit.numCharacters",
    "error.decimal.places",
    "please.enter.number.of.decimal.places.for.rounding.or.disable.division",
    // stable readings only, and the reading log
    "VideriRaZivFrame2.stableOnlyCheckBox.text",
    "VideriRaZivFrame2.stableOnlyCheckBox.toolTipText",
    "VideriRaZivFrame2.readingLogLabel.text",
    "VideriRaZivFrame2.readingLogTextField.toolTipText",
    "VideriRaZivFrame2.readingLogButton.text",
    "VideriRaZivFrame2.readingLogButton.toolTipText",
    "choose.reading.log.folder",
    // the keystroke backend of a run
    "keyboard.output.through",
    // About tab, tray and update check
    "VideriRaZivFrame2.aboutPane.text",
    "minimized.to.system.tray",
    "checking.for.update",
    "update.check.failed",
    "update.available",
    "update.available.hub",
    // event log
    "event.log.lines.dropped",
    // saving the settings: why it failed
    "settings.not.saved.0",
    // values still waiting to be typed when a run ends
    "value.not.typed",
    "values.not.typed",
});

// Display texts of the option tables and instruments.
inline constexpr auto configBundle = std::to_array<std::string_view>({
    // processing
    "math.none",
    "multiply",
    "divide",
    "dot",
    "comma",
    "edit.remove",
    "edit.keep",
    "edit.first",
    "edit.last",
    // output framing and sound
    "key.none",
    "enter",
    "tab",
    "right",
    "down",
    "delete",
    "sound.none",
    // keyboard layouts
    "keyboardType.default",
    "keyboardType.us_international",
    "keyboardType.azerty",
    "keyboardType.german",
    "keyboardType.all",
    // connect mode
    "manual",
    "auto",
    // instrument names
    "generic",
    "barcode_numeric",
    "barcode_alphanumeric",
    "barcode_alphanumeric_complete",
    "adam_azextra_weight",
    "adam_gbc_gfc_weight",
    "adam_gbc_gfc_pcs",
    "kern_rpb_weight",
    // instrument help texts
    "generic.defaultMessage",
    "barcode_numeric.defaultMessage",
    "barcode_alphanumeric.defaultMessage",
    "barcode_alphanumeric_complete.defaultMessage",
    "aandd.em.defaultmessage",
    "adam_azextra.defaultMessage",
    "adam_cbk.defaultMessage",
    "adam_cpwplus.defaultMessage",
    "adam_hcb.defaultMessage",
    "kern_rpb.defaultMessage",
    "myweigh_hd.defaultMessage",
    "sartorius.defaultMessage",
});

// Messages of the acquisition worker and the keystroke engine.
inline constexpr auto workerBundle = std::to_array<std::string_view>({
    // keystroke engine
    "cannot_type",
    // acquisition
    "unsent.data",
    "null.port.error",
    "port.opened",
    "parity.error",
    "framing.error",
    "interrupted",
    "execution.exception",
    "stopped",
    "warning",
    "and.error.unusual",
    "and.error.dataset.not.ready",
    "and.error.not.connected",
    // reading log
    "reading.log.error",
    // a record given up in part, and typing that falls behind
    "unsent.data.total",
    "typing.backlog",
});

struct BundleKeyList {
    std::string_view baseName;
    std::span<const std::string_view> keys;
};

inline constexpr std::array<BundleKeyList, 3> all{{
    {valtypBundleName, valtyp},
    {configBundleName, configBundle},
    {workerBundleName, workerBundle},
}};

}  // namespace BundleKeys
