#include "platform/keys/KeyTable.h"

#include <algorithm>
#include <bit>

namespace keys {

namespace {

constexpr unsigned lockMask = 1U << 1;
constexpr unsigned lastCoreModifier = 1U << 7;  // Mod5

}  // namespace

void KeyTable::addKey(LayoutKey key) {
    keys_.push_back(std::move(key));
}

void KeyTable::addModifierKey(unsigned keycode, unsigned mask) {
    modifierKeys_.emplace_back(keycode, mask);
}

void KeyTable::finish() {
    std::sort(keys_.begin(), keys_.end(),
              [](const LayoutKey& a, const LayoutKey& b) { return a.keycode < b.keycode; });
    std::sort(modifierKeys_.begin(), modifierKeys_.end());
    byKeycode_.clear();
    byKeysym_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const LayoutKey& key = keys_[i];
        byKeycode_[key.keycode] = i;
        for (unsigned level = 0; level < key.levels.size(); ++level) {
            if (key.levels[level] == 0) continue;
            auto& found = byKeysym_[key.levels[level]];
            // Only the lowest level of each key counts.
            if (found.empty() || found.back().keycode != key.keycode) {
                found.push_back({key.keycode, level});
            }
        }
    }
    for (auto& [keysym, found] : byKeysym_) {
        std::stable_sort(found.begin(), found.end(),
                         [](const Candidate& a, const Candidate& b) { return a.level < b.level; });
    }
}

const LayoutKey* KeyTable::key(unsigned keycode) const {
    const auto found = byKeycode_.find(keycode);
    return found == byKeycode_.end() ? nullptr : &keys_[found->second];
}

std::optional<unsigned> KeyTable::keyFor(Keysym keysym) const {
    const auto found = byKeysym_.find(keysym);
    if (found == byKeysym_.end()) return std::nullopt;
    return found->second.front().keycode;
}

std::optional<unsigned> KeyTable::levelModifiers(const LayoutKey& key, unsigned level) const {
    if (level == 0) return 0U;
    std::optional<unsigned> best;
    for (const auto& [mask, maskLevel] : key.levelMasks) {
        if (maskLevel != level || (mask & lockMask) != 0) continue;
        if (!best || std::popcount(mask) < std::popcount(*best)) best = mask;
    }
    return best;
}

std::optional<unsigned> KeyTable::modifierKey(unsigned modifierBit) const {
    for (const auto& [keycode, mask] : modifierKeys_) {
        if ((mask & modifierBit) != 0) return keycode;
    }
    return std::nullopt;
}

std::optional<KeyPosition> KeyTable::typeable(Keysym keysym) const {
    const auto found = byKeysym_.find(keysym);
    if (found == byKeysym_.end()) return std::nullopt;
    for (const Candidate& candidate : found->second) {
        const auto mask = levelModifiers(*key(candidate.keycode), candidate.level);
        if (!mask) continue;
        KeyPosition position{candidate.keycode, candidate.level, {}};
        bool reachable = true;
        for (unsigned bit = 1; bit <= lastCoreModifier && reachable; bit <<= 1) {
            if ((*mask & bit) == 0) continue;
            const auto modifier = modifierKey(bit);
            reachable = modifier.has_value();
            if (modifier) position.modifierKeys.push_back(*modifier);
        }
        if (reachable) return position;
    }
    return std::nullopt;
}

std::vector<unsigned> KeyTable::unboundKeycodes() const {
    std::vector<unsigned> unbound;
    for (const LayoutKey& key : keys_) {
        if (key.levels.empty()) unbound.push_back(key.keycode);
    }
    return unbound;
}

std::vector<unsigned> KeyTable::boundKeycodes() const {
    std::vector<unsigned> bound;
    for (const LayoutKey& key : keys_) {
        if (!key.levels.empty()) bound.push_back(key.keycode);
    }
    return bound;
}

bool KeyTable::producesAtFirstLevel(unsigned keycode, Keysym keysym) const {
    const LayoutKey* found = key(keycode);
    return found != nullptr && !found->levels.empty() && found->levels.front() == keysym;
}

unsigned KeyTable::modifierMask(unsigned keycode) const {
    unsigned mask = 0;
    for (const auto& [modifier, bits] : modifierKeys_) {
        if (modifier == keycode) mask |= bits;
    }
    return mask;
}

// The level whose modifiers are exactly the held ones the key looks at.
Keysym KeyTable::produces(unsigned keycode, unsigned heldMask) const {
    const LayoutKey* found = key(keycode);
    if (found == nullptr || found->levels.empty()) return 0;
    unsigned relevant = 0;
    for (const auto& [mask, level] : found->levelMasks) relevant |= mask;
    unsigned level = 0;
    for (const auto& [mask, maskLevel] : found->levelMasks) {
        if (mask == (heldMask & relevant)) {
            level = maskLevel;
            break;
        }
    }
    return level < found->levels.size() ? found->levels[level] : 0;
}

}  // namespace keys
