#pragma once
// One keyboard layout as both backends see it: what each key produces at
// each level in the current group, which modifiers reach a level, and which
// keys are the held modifiers. X reads it from the server, uinput from a
// layout compiled with libxkbcommon; the search for the key that types a
// keysym is the same for both.

#include "platform/keys/KeySymbols.h"

#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace keys {

struct KeyPosition {
    unsigned keycode;
    unsigned level;                      // 0 is the key's own symbol
    std::vector<unsigned> modifierKeys;  // held to reach the level, in press order
};

struct LayoutKey {
    unsigned keycode;
    std::vector<Keysym> levels;  // 0 where a level has no symbol
    // The modifier states (as masks of the eight core modifiers) that select
    // each level: (mask, level). Level 0 needs no entry.
    std::vector<std::pair<unsigned, unsigned>> levelMasks;
};

class KeyTable {
  public:
    // Keys in any order; a key without levels produces nothing.
    void addKey(LayoutKey key);
    // A key that sets these modifiers while held.
    void addModifierKey(unsigned keycode, unsigned mask);
    // Builds the index; call once every key is added.
    void finish();

    // The key that carries the keysym, at the lowest level, then the lowest
    // key code. The key alone is meant: the modifiers of its level are the
    // caller's.
    std::optional<unsigned> keyFor(Keysym keysym) const;
    // The key and the modifier keys that together type the keysym, reaching
    // its level with the fewest modifiers and never a locking one.
    std::optional<KeyPosition> typeable(Keysym keysym) const;
    // Key codes that produce nothing, free to be bound to a keysym.
    std::vector<unsigned> unboundKeycodes() const;
    // Key codes that produce something.
    std::vector<unsigned> boundKeycodes() const;
    bool producesAtFirstLevel(unsigned keycode, Keysym keysym) const;
    // The modifiers the key sets while held; 0 for any other key.
    unsigned modifierMask(unsigned keycode) const;
    // What the key produces while these modifiers are held; 0 for nothing.
    Keysym produces(unsigned keycode, unsigned heldMask) const;

  private:
    struct Candidate {
        unsigned keycode;
        unsigned level;
    };

    const LayoutKey* key(unsigned keycode) const;
    std::optional<unsigned> levelModifiers(const LayoutKey& key, unsigned level) const;
    std::optional<unsigned> modifierKey(unsigned modifierBit) const;

    std::vector<LayoutKey> keys_;
    std::unordered_map<unsigned, std::size_t> byKeycode_;
    std::vector<std::pair<unsigned, unsigned>> modifierKeys_;  // (key code, mask)
    std::unordered_map<Keysym, std::vector<Candidate>> byKeysym_;
};

}  // namespace keys
