#include "platform/keys/x11/XkbKeyMap.h"

#include <stdexcept>

namespace keys::x11 {

XkbKeyMap::XkbKeyMap(Display* display, unsigned deviceSpec)
    : display_(display), deviceSpec_(deviceSpec) {
    XkbStateRec state{};
    if (XkbGetState(display_, deviceSpec_, &state) != Success) {
        throw std::runtime_error("XkbGetState failed");
    }
    group_ = state.group;
    reload();
}

void XkbKeyMap::reload() {
    XkbDescPtr fresh = XkbGetMap(display_, XkbAllClientInfoMask, deviceSpec_);
    if (fresh == nullptr) throw std::runtime_error("XkbGetMap failed");
    description_.reset(fresh);
    buildTable();
}

void XkbKeyMap::setGroup(unsigned group) {
    if (group == group_) return;
    group_ = group;
    buildTable();
}

unsigned XkbKeyMap::groupOf(unsigned keycode) const {
    const XkbDescPtr xkb = description_.get();
    const unsigned groups = XkbKeyNumGroups(xkb, keycode);
    if (group_ < groups) return group_;
    const unsigned char info = XkbKeyGroupInfo(xkb, keycode);
    switch (XkbOutOfRangeGroupAction(info)) {
        case XkbClampIntoRange:
            return groups - 1;
        case XkbRedirectIntoRange: {
            const unsigned target = XkbOutOfRangeGroupNumber(info);
            return target < groups ? target : 0;
        }
        default:
            return group_ % groups;
    }
}

// Each key as the current group has it; the modifier keys are those the
// modifier map gives a modifier that set it while held.
void XkbKeyMap::buildTable() {
    const XkbDescPtr xkb = description_.get();
    table_ = KeyTable();
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        LayoutKey key{keycode, {}, {}};
        if (XkbKeyNumGroups(xkb, keycode) != 0) {
            const unsigned group = groupOf(keycode);
            const unsigned width = XkbKeyGroupWidth(xkb, keycode, group);
            for (unsigned level = 0; level < width; ++level) {
                key.levels.push_back(XkbKeySymEntry(xkb, keycode, level, group));
            }
            const XkbKeyTypePtr type = XkbKeyKeyType(xkb, keycode, group);
            for (int i = 0; i < type->map_count; ++i) {
                const XkbKTMapEntryRec& entry = type->map[i];
                if (entry.active) key.levelMasks.emplace_back(entry.mods.mask, entry.level);
            }
            const unsigned modifiers = xkb->map->modmap[keycode];
            if (modifiers != 0 && isHeldModifier(key.levels.front())) {
                table_.addModifierKey(keycode, modifiers);
            }
        }
        table_.addKey(std::move(key));
    }
    table_.finish();
}

}  // namespace keys::x11
