#include "platform/keys/x11/XkbKeyMap.h"

#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace keys::x11 {

namespace {

// Modifier keys that set their modifier while held (not the locking ones).
bool isHeldModifier(KeySym keysym) {
    switch (keysym) {
        case XK_Shift_L:
        case XK_Shift_R:
        case XK_Control_L:
        case XK_Control_R:
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
        case XK_Super_L:
        case XK_Super_R:
        case XK_Hyper_L:
        case XK_Hyper_R:
        case XK_ISO_Level3_Shift:
        case XK_ISO_Level5_Shift:
        case XK_Mode_switch:
            return true;
        default:
            return false;
    }
}

}  // namespace

XkbKeyMap::XkbKeyMap(Display* display, unsigned deviceSpec)
    : display_(display), deviceSpec_(deviceSpec) {
    reload();
    XkbStateRec state{};
    if (XkbGetState(display_, deviceSpec_, &state) != Success) {
        throw std::runtime_error("XkbGetState failed");
    }
    group_ = state.group;
}

void XkbKeyMap::reload() {
    XkbDescPtr fresh = XkbGetMap(display_, XkbAllClientInfoMask, deviceSpec_);
    if (fresh == nullptr) throw std::runtime_error("XkbGetMap failed");
    description_.reset(fresh);
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

std::vector<XkbKeyMap::Candidate> XkbKeyMap::candidates(unsigned long keysym) const {
    const XkbDescPtr xkb = description_.get();
    std::vector<Candidate> found;
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        if (XkbKeyNumGroups(xkb, keycode) == 0) continue;
        const unsigned group = groupOf(keycode);
        const unsigned width = XkbKeyGroupWidth(xkb, keycode, group);
        for (unsigned level = 0; level < width; ++level) {
            if (XkbKeySymEntry(xkb, keycode, level, group) == keysym) {
                found.push_back({keycode, level});
                break;
            }
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Candidate& a, const Candidate& b) { return a.level < b.level; });
    return found;
}

std::optional<unsigned> XkbKeyMap::keyFor(unsigned long keysym) const {
    const auto found = candidates(keysym);
    if (found.empty()) return std::nullopt;
    return found.front().keycode;
}

// The modifiers of the key type that select the level; the fewest, and
// never a locking one, so that pressing keys is enough.
std::optional<unsigned> XkbKeyMap::levelModifiers(unsigned keycode, unsigned level) const {
    if (level == 0) return 0U;
    const XkbDescPtr xkb = description_.get();
    const XkbKeyTypePtr type = XkbKeyKeyType(xkb, keycode, groupOf(keycode));
    std::optional<unsigned> best;
    for (int i = 0; i < type->map_count; ++i) {
        const XkbKTMapEntryRec& entry = type->map[i];
        if (!entry.active || entry.level != level) continue;
        const unsigned mask = entry.mods.mask;
        if ((mask & LockMask) != 0) continue;
        if (!best || std::popcount(mask) < std::popcount(*best)) best = mask;
    }
    return best;
}

std::optional<unsigned> XkbKeyMap::modifierKey(unsigned modifierBit) const {
    const XkbDescPtr xkb = description_.get();
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        if ((xkb->map->modmap[keycode] & modifierBit) == 0) continue;
        if (XkbKeyNumGroups(xkb, keycode) == 0) continue;
        if (isHeldModifier(XkbKeySymEntry(xkb, keycode, 0, groupOf(keycode)))) return keycode;
    }
    return std::nullopt;
}

std::optional<KeyPosition> XkbKeyMap::typeable(unsigned long keysym) const {
    for (const Candidate& candidate : candidates(keysym)) {
        const auto mask = levelModifiers(candidate.keycode, candidate.level);
        if (!mask) continue;
        KeyPosition position{candidate.keycode, candidate.level, {}};
        bool reachable = true;
        for (unsigned bit = 1; bit <= Mod5Mask && reachable; bit <<= 1) {
            if ((*mask & bit) == 0) continue;
            const auto key = modifierKey(bit);
            reachable = key.has_value();
            if (key) position.modifierKeys.push_back(*key);
        }
        if (reachable) return position;
    }
    return std::nullopt;
}

std::vector<unsigned> XkbKeyMap::unboundKeycodes() const {
    const XkbDescPtr xkb = description_.get();
    std::vector<unsigned> unbound;
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        if (XkbKeyNumGroups(xkb, keycode) == 0) unbound.push_back(keycode);
    }
    return unbound;
}

bool XkbKeyMap::producesAtFirstLevel(unsigned keycode, unsigned long keysym) const {
    const XkbDescPtr xkb = description_.get();
    if (keycode < xkb->min_key_code || keycode > xkb->max_key_code) return false;
    if (XkbKeyNumGroups(xkb, keycode) == 0) return false;
    return XkbKeySymEntry(xkb, keycode, 0, groupOf(keycode)) == keysym;
}

}  // namespace keys::x11
