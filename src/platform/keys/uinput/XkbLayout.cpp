#include "platform/keys/uinput/XkbLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <fstream>
#include <memory>
#include <stdexcept>

namespace keys::uinput {

namespace {

struct ContextUnref {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapUnref {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
struct StateUnref {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};

std::string firstOf(const std::string& list) {
    return list.substr(0, list.find(','));
}

// VALUE of NAME=VALUE or NAME="VALUE" in a shell-style settings file.
std::string setting(const std::string& file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    std::string value;
    while (std::getline(in, line)) {
        if (!line.starts_with(name + "=")) continue;
        value = line.substr(name.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
    }
    return value;
}

struct TableBuilder {
    const std::function<bool(unsigned)>& keep;
    KeyTable table;
};

void addKey(xkb_keymap* keymap, xkb_keycode_t keycode, void* data) {
    auto& builder = *static_cast<TableBuilder*>(data);
    if (builder.keep && !builder.keep(keycode)) return;
    LayoutKey key{keycode, {}, {}};
    if (xkb_keymap_num_layouts_for_key(keymap, keycode) > 0) {
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, keycode, 0);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* symbols = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, level, &symbols);
            key.levels.push_back(count > 0 ? symbols[0] : 0);
            xkb_mod_mask_t masks[16];
            const std::size_t found = xkb_keymap_key_get_mods_for_level(keymap, keycode, 0, level,
                                                                        masks, std::size(masks));
            for (std::size_t i = 0; i < found; ++i) key.levelMasks.emplace_back(masks[i], level);
        }
    }
    // A held modifier key sets what a press of it sets in a fresh state.
    if (!key.levels.empty() && isHeldModifier(key.levels.front())) {
        std::unique_ptr<xkb_state, StateUnref> state(xkb_state_new(keymap));
        if (state) {
            xkb_state_update_key(state.get(), keycode, XKB_KEY_DOWN);
            const xkb_mod_mask_t mask =
                xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_DEPRESSED);
            if (mask != 0) builder.table.addModifierKey(keycode, mask);
        }
    }
    builder.table.addKey(std::move(key));
}

}  // namespace

LayoutNames sessionLayout(const Environment& environment, const std::string& keyboardFile) {
    if (const char* layout = environment("XKB_DEFAULT_LAYOUT"); layout != nullptr && *layout) {
        const char* variant = environment("XKB_DEFAULT_VARIANT");
        return {firstOf(layout), variant != nullptr ? firstOf(variant) : std::string()};
    }
    if (const std::string layout = setting(keyboardFile, "XKBLAYOUT"); !layout.empty()) {
        return {firstOf(layout), firstOf(setting(keyboardFile, "XKBVARIANT"))};
    }
    return {"us", ""};
}

std::string toString(const LayoutNames& names) {
    return names.variant.empty() ? names.layout : names.layout + ' ' + names.variant;
}

KeyTable compileLayout(const LayoutNames& names, const std::function<bool(unsigned)>& keep) {
    // The names given, not what the environment would put in their place.
    std::unique_ptr<xkb_context, ContextUnref> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context) throw std::runtime_error("xkb_context_new failed");
    const xkb_rule_names rules{"evdev", "pc105", names.layout.c_str(), names.variant.c_str(), ""};
    std::unique_ptr<xkb_keymap, KeymapUnref> keymap(
        xkb_keymap_new_from_names(context.get(), &rules, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        throw std::runtime_error("xkb_keymap_new_from_names: no keyboard layout \"" +
                                 toString(names) + "\"");
    }
    TableBuilder builder{keep, {}};
    xkb_keymap_key_for_each(keymap.get(), addKey, &builder);
    builder.table.finish();
    return std::move(builder.table);
}

}  // namespace keys::uinput
