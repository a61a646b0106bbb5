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
