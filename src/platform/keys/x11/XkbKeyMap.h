#pragma once
// The server's key map for one keyboard device, read through XKB: which key
// (key code × group × level) produces a keysym, and which modifier keys
// reach that level.

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <vector>

namespace keys::x11 {

struct KeyPosition {
    unsigned keycode;
    unsigned level;                      // 0 is the key's own symbol
    std::vector<unsigned> modifierKeys;  // held to reach the level, in press order
};

class XkbKeyMap {
  public:
    // Throws std::runtime_error when the server does not answer.
    XkbKeyMap(Display* display, unsigned deviceSpec);

    void reload();
    void setGroup(unsigned group) { group_ = group; }

    // The key that carries the keysym in the current group, at the lowest
    // level, then the lowest key code. The key alone is meant: the modifiers
    // of its level are the caller's.
    std::optional<unsigned> keyFor(unsigned long keysym) const;
    // The key and the modifier keys that together type the keysym.
    std::optional<KeyPosition> typeable(unsigned long keysym) const;
    // Key codes that produce nothing, free to be bound to a keysym.
    std::vector<unsigned> unboundKeycodes() const;
    // Whether the key produces the keysym at its first level.
    bool producesAtFirstLevel(unsigned keycode, unsigned long keysym) const;

  private:
    struct Deleter {
        void operator()(XkbDescPtr description) const { XkbFreeKeyboard(description, 0, True); }
    };
    struct Candidate {
        unsigned keycode;
        unsigned level;
    };

    unsigned groupOf(unsigned keycode) const;
    std::vector<Candidate> candidates(unsigned long keysym) const;
    std::optional<unsigned> levelModifiers(unsigned keycode, unsigned level) const;
    std::optional<unsigned> modifierKey(unsigned modifierBit) const;

    Display* display_;
    unsigned deviceSpec_;
    unsigned group_ = 0;
    std::unique_ptr<XkbDescRec, Deleter> description_;
};

}  // namespace keys::x11
