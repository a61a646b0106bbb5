#include "platform/keys/LayoutTyping.h"

#include "platform/keys/KeyGenerator.h"

#define XK_MISCELLANY
#define XK_LATIN1
#define XK_XKB_KEYS
#include <X11/keysymdef.h>

namespace keys {

void LayoutTyping::key(unsigned keycode, bool down) {
    sendKey(keycode, down);
    if (const unsigned mask = table().modifierMask(keycode); mask != 0) {
        if (down) {
            modifiersDown_[keycode] = mask;
        } else {
            modifiersDown_.erase(keycode);
        }
        return;
    }
    if (!down) return;
    unsigned held = 0;
    for (const auto& [modifier, mask] : modifiersDown_) held |= mask;
    const Keysym produced = table().produces(keycode, held);
    lastKeyTypedCharacter_ = produced != 0 && !isDeadKeysym(produced);
}

unsigned LayoutTyping::keyProducing(Keysym keysym, const std::string& what) const {
    if (auto keycode = table().keyFor(keysym)) return *keycode;
    throw KeyRefused("Invalid key code: no key of this keyboard produces " + what);
}

void LayoutTyping::pressKey(int keyCode) {
    lastKeyTypedCharacter_ = false;
    const auto keysym = keysymForKeyCode(keyCode);
    if (!keysym) throw KeyRefused("Invalid key code");
    const unsigned keycode = keyProducing(*keysym, keysymName(*keysym));
    key(keycode, true);
    held_[keyCode] = keycode;
}

void LayoutTyping::releaseKey(int keyCode) {
    // The key pressed for the code, even when the layout changed since.
    if (auto held = held_.find(keyCode); held != held_.end()) {
        const unsigned keycode = held->second;
        held_.erase(held);
        return key(keycode, false);
    }
    const auto keysym = keysymForKeyCode(keyCode);
    if (!keysym) throw KeyRefused("Invalid key code");
    key(keyProducing(*keysym, keysymName(*keysym)), false);
}

void LayoutTyping::pressLevel3() {
    const unsigned keycode = keyProducing(XK_ISO_Level3_Shift, "ISO_Level3_Shift (AltGr)");
    key(keycode, true);
    level3Held_ = keycode;
}

void LayoutTyping::releaseLevel3() {
    const unsigned keycode =
        level3Held_ ? *level3Held_ : keyProducing(XK_ISO_Level3_Shift, "ISO_Level3_Shift (AltGr)");
    level3Held_.reset();
    key(keycode, false);
}

void LayoutTyping::typeCharacter(unsigned number) {
    lastKeyTypedCharacter_ = false;
    const auto keysym = keysymForCharacter(number);
    if (!keysym) {
        throw KeyRefused("Invalid key code: no character has the Alt code " +
                         std::to_string(number));
    }
    auto position = table().typeable(*keysym);
    if (!position) position = spareFor(*keysym);
    if (position) {
        noteUse(position->keycode);
        return tap(*position);
    }
    const auto accent = deadKeyWithSpace(*keysym);
    if (!accent) {
        throw KeyRefused("Invalid key code: no key of this keyboard produces " +
                         keysymName(*keysym));
    }
    tap(accent->first);
    tap(accent->second);
}

void LayoutTyping::tap(const KeyPosition& position) {
    for (unsigned modifier : position.modifierKeys) key(modifier, true);
    key(position.keycode, true);
    key(position.keycode, false);
    for (auto it = position.modifierKeys.rbegin(); it != position.modifierKeys.rend(); ++it) {
        key(*it, false);
    }
}

// Layouts such as de have circumflex and grave as dead keys only; the
// dead key followed by Space makes the accent by itself.
std::optional<std::pair<KeyPosition, KeyPosition>> LayoutTyping::deadKeyWithSpace(
    Keysym keysym) const {
    static const std::pair<Keysym, Keysym> accents[] = {{XK_asciicircum, XK_dead_circumflex},
                                                        {XK_grave, XK_dead_grave},
                                                        {XK_asciitilde, XK_dead_tilde},
                                                        {XK_apostrophe, XK_dead_acute},
                                                        {XK_quotedbl, XK_dead_diaeresis}};
    for (const auto& [character, dead] : accents) {
        if (character != keysym) continue;
        auto deadKey = table().typeable(dead);
        auto space = table().typeable(XK_space);
        if (deadKey && space) return std::pair{std::move(*deadKey), std::move(*space)};
    }
    return std::nullopt;
}

void LayoutTyping::releaseHeldKeys() {
    auto letGo = [this](unsigned keycode) {
        try {
            sendKey(keycode, false);
        } catch (const KeyRefused&) {
            // The device or server is gone: nothing is held any more.
        }
    };
    for (const auto& [code, keycode] : held_) letGo(keycode);
    held_.clear();
    if (level3Held_) letGo(*level3Held_);
    level3Held_.reset();
    modifiersDown_.clear();
}

}  // namespace keys
