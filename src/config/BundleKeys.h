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

// Window, dialogs and most messages. (std::to_array cannot deduce an empty list.)
inline constexpr std::array<std::string_view, 0> valtyp{};

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
